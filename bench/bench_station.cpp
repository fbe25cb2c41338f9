#include "bench_station.h"

#include <algorithm>
#include <vector>

namespace orvela::bench {
namespace {

std::vector<TestReading> SensorReadings(int sensor, const Shape& shape, long long from,
                                        long long to)
{
    std::vector<TestReading> readings;
    for (long long k = from; k <= to; ++k) {
        const CivilTime t =
            DecodeStationTime(shape.first() + static_cast<StationTime>(k * shape.step));
        readings.push_back(
            {t.year, t.month, t.day, t.hour, t.minute, t.second, shape.value(sensor, k)});
    }
    return readings;
}

// An engine that can make the rows itself fills millions of them in seconds; any other would
// take them as literal rows, a few hundred a statement.
bool FillReadings(EngineFixture& fixture, Engine engine, int sensor, const Shape& shape)
{
    const CivilTime first = DecodeStationTime(shape.first());
    const QString origin =
        QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", first.year, first.month, first.day,
                          first.hour, first.minute, first.second);
    const QString sensorName = EngineFixture::Quote(Sensors[static_cast<std::size_t>(sensor)]);
    const QString count = QString::number(shape.readings());
    const QString step = QString::number(shape.step);
    const QString base = QString::number(sensor * 100);
    switch (engine) {
    case Engine::SQLite:
        // datetime() writes SQLite's own 'YYYY-MM-DD HH:MM:SS' form, which the program expects.
        return fixture.Exec(
            engine, QStringLiteral("WITH RECURSIVE k(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM "
                                   "k WHERE n < %1) INSERT INTO KT_DATA1 SELECT 'BENCH', %2, "
                                   "datetime('%3', '+' || (n * %4) || ' seconds'), %5 + "
                                   "(n % 997) / 7.0 FROM k")
                        .arg(count, sensorName, origin, step, base));
    case Engine::PostgreSQL:
        return fixture.Exec(
            engine, QStringLiteral("INSERT INTO KT_DATA1 SELECT 'BENCH', %2, TIMESTAMP '%3' + n * "
                                   "%4 * INTERVAL '1 second', %5 + (n % 997)::double precision / "
                                   "7 FROM generate_series(1, %1) AS n")
                        .arg(count, sensorName, origin, step, base));
    case Engine::MariaDB:
        // The sequence engine's table seq_1_to_N holds the numbers 1 to N.
        return fixture.Exec(
            engine, QStringLiteral("INSERT INTO KT_DATA1 SELECT 'BENCH', %2, TIMESTAMP '%3' + "
                                   "INTERVAL (seq * %4) SECOND, %5 + (seq % 997) / 7e0 FROM "
                                   "seq_1_to_%1")
                        .arg(count, sensorName, origin, step, base));
    default:
        break;
    }
    constexpr long long Chunk = 100000;
    for (long long from = 1; from <= shape.readings(); from += Chunk)
        if (!fixture.InsertReadings(
                engine, Station, Sensors[static_cast<std::size_t>(sensor)],
                SensorReadings(sensor, shape, from, std::min(shape.readings(), from + Chunk - 1))))
            return false;
    return true;
}

} // namespace

bool FillDatabase(EngineFixture& fixture, Engine engine, const Shape& shape)
{
    if (!fixture.CreateTables(engine))
        return false;
    QStringList sql{QStringLiteral("INSERT INTO KT_SITES VALUES ('BENCH', ") +
                    EngineFixture::TimeLiteral(engine, Now.year, Now.month, Now.day, 0, 0, 0) +
                    QStringLiteral(")")};
    for (const QString& sensor : Sensors)
        sql.append(QStringLiteral("INSERT INTO KT_SITESENSORS VALUES ('BENCH', '") + sensor +
                   QStringLiteral("')"));
    if (!fixture.ExecAll(engine, sql))
        return false;
    for (std::size_t i = 0; i < Sensors.size(); ++i)
        if (!FillReadings(fixture, engine, static_cast<int>(i), shape))
            return false;
    return true;
}

} // namespace orvela::bench
