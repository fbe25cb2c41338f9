// orvela-bench: the cost of one refresh (six graphs of 10 days of one-minute readings, 86,400
// points, plus the live positions' eight queries) next to fetching the same rows with a plain
// bound-column loop over unixODBC, on a SQLite database of its own and a PostgreSQL and a
// MariaDB server that it starts and stops itself.
//
//   orvela-bench [--rounds N] [--soak [REFRESHES]]
//
// Prints per engine "ENGINE: refresh R ms, raw fetch F ms, ratio R/F" (medians of N rounds, the
// two measured alternately) and the resident set after the rounds; with --soak also the
// resident set before and after that many more refreshes (1,000 by default).

#include "db/engine_fixture.h"
#include "db/station_database.h"
#include "db/station_queries.h"
#include "graphs/event_pump.h"
#include "graphs/graph_chart.h"
#include "graphs/graph_position.h"
#include "graphs/reading_series.h"
#include "process_figures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QWidget>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace orvela;
using namespace orvela::test;
using namespace orvela::bench;

namespace {

const QString Station = QStringLiteral("BENCH");
const std::array<QString, 6> Sensors = {QStringLiteral("AIR TEMP"),   QStringLiteral("HUMIDITY"),
                                        QStringLiteral("PRESSURE"),   QStringLiteral("RAIN"),
                                        QStringLiteral("WIND SPEED"), QStringLiteral("WIND DIR")};
constexpr int MinutesPerGraph = 10 * 24 * 60; // 14,400 readings per sensor
constexpr int TenDays = 5;                    // the time-range index of 10 days
// The clock stands at the end of the data, so each 10-day window holds all of its readings.
const CivilTime DataStart{2005, 3, 1, 0, 0, 0};
const CivilTime Now{2005, 3, 11, 0, 0, 0};

struct Options
{
    int rounds = 7;
    int soak = 0;
};

[[noreturn]] void Usage()
{
    std::fprintf(stderr, "usage: orvela-bench [--rounds N] [--soak [REFRESHES]]\n");
    std::exit(2);
}

Options ParseOptions(const QStringList& arguments)
{
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        bool ok = false;
        if (argument == QLatin1String("--rounds") && i + 1 < arguments.size()) {
            options.rounds = arguments.at(++i).toInt(&ok);
            if (!ok || options.rounds < 1)
                Usage();
        } else if (argument == QLatin1String("--soak")) {
            options.soak = 1000;
            if (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1String("--"))) {
                options.soak = arguments.at(++i).toInt(&ok);
                if (!ok || options.soak < 1)
                    Usage();
            }
        } else {
            Usage();
        }
    }
    return options;
}

std::vector<TestReading> SensorReadings(int sensor)
{
    std::vector<TestReading> readings;
    readings.reserve(MinutesPerGraph);
    const StationTime start = EncodeStationTime(DataStart);
    for (int minute = 1; minute <= MinutesPerGraph; ++minute) {
        const CivilTime t = DecodeStationTime(start + minute * 60);
        readings.push_back({t.year, t.month, t.day, t.hour, t.minute, t.second,
                            sensor * 100.0 + (minute % 997) / 7.0});
    }
    return readings;
}

bool FillDatabase(EngineFixture& fixture, Engine engine)
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
        if (!fixture.InsertReadings(engine, Station, Sensors[i],
                                    SensorReadings(static_cast<int>(i))))
            return false;
    return true;
}

// The same rows, fetched the plainest way: one connection, and per sensor a prepared
// statement with bound parameters and two bound columns.
class RawFetch
{
public:
    RawFetch(const QString& dataSource, const QString& user, const QString& password, bool sqlite)
        : m_sqlite(sqlite)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION,
                      reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(SQL_OV_ODBC3)), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
        QString quoted = password;
        quoted.replace(QStringLiteral("}"), QStringLiteral("}}"));
        const std::string connect = (QStringLiteral("DSN=") + dataSource + QStringLiteral(";UID=") +
                                     user + QStringLiteral(";PWD={") + quoted + QStringLiteral("}"))
                                        .toStdString();
        SQLCHAR out[1024];
        SQLSMALLINT outLength = 0;
        const SQLRETURN rc = SQLDriverConnect(
            m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connect.c_str())), SQL_NTS,
            out, sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc))
            throw std::runtime_error("raw ODBC connection failed");
    }
    ~RawFetch()
    {
        SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }
    RawFetch(const RawFetch&) = delete;
    RawFetch& operator=(const RawFetch&) = delete;

    // Rows fetched for one sensor over the window.
    long Fetch(const QString& sensor, const CivilTime& from, const CivilTime& to, double& sum)
    {
        SQLHSTMT statement = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &statement);
        static const char* text =
            "SELECT TIME_TAG, ED_VALUE FROM KT_DATA1 WHERE (STATION_ID=?) AND (SENSORNAME=?) AND "
            "(? <= TIME_TAG) AND (TIME_TAG <=?) ORDER BY TIME_TAG ";
        SQLPrepare(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)), SQL_NTS);
        std::string station = Station.toStdString();
        std::string name = sensor.toStdString();
        SQLLEN stationLength = static_cast<SQLLEN>(station.size());
        SQLLEN nameLength = static_cast<SQLLEN>(name.size());
        SQLBindParameter(statement, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 4000, 0,
                         station.data(), 0, &stationLength);
        SQLBindParameter(statement, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 4000, 0,
                         name.data(), 0, &nameLength);
        char fromText[20];
        char toText[20];
        SQL_TIMESTAMP_STRUCT fromStamp{};
        SQL_TIMESTAMP_STRUCT toStamp{};
        SQLLEN fromLength = 19;
        SQLLEN toLength = 19;
        if (m_sqlite) {
            Format(fromText, from);
            Format(toText, to);
            SQLBindParameter(statement, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 19, 0,
                             fromText, 0, &fromLength);
            SQLBindParameter(statement, 4, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 19, 0, toText,
                             0, &toLength);
        } else {
            fromStamp = Stamp(from);
            toStamp = Stamp(to);
            fromLength = toLength = sizeof(SQL_TIMESTAMP_STRUCT);
            SQLBindParameter(statement, 3, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                             SQL_TYPE_TIMESTAMP, 19, 0, &fromStamp, 0, &fromLength);
            SQLBindParameter(statement, 4, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                             SQL_TYPE_TIMESTAMP, 19, 0, &toStamp, 0, &toLength);
        }
        if (!SQL_SUCCEEDED(SQLExecute(statement)))
            throw std::runtime_error("raw ODBC statement failed");
        SQL_TIMESTAMP_STRUCT time{};
        double value = 0;
        SQLLEN timeIndicator = 0;
        SQLLEN valueIndicator = 0;
        SQLBindCol(statement, 1, SQL_C_TYPE_TIMESTAMP, &time, sizeof time, &timeIndicator);
        SQLBindCol(statement, 2, SQL_C_DOUBLE, &value, sizeof value, &valueIndicator);
        long rows = 0;
        while (SQL_SUCCEEDED(SQLFetch(statement))) {
            ++rows;
            sum += value + time.minute;
        }
        SQLFreeHandle(SQL_HANDLE_STMT, statement);
        return rows;
    }

private:
    static void Format(char* out, const CivilTime& t)
    {
        std::snprintf(out, 20, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                      t.minute, t.second);
    }
    static SQL_TIMESTAMP_STRUCT Stamp(const CivilTime& t)
    {
        SQL_TIMESTAMP_STRUCT s{};
        s.year = static_cast<SQLSMALLINT>(t.year);
        s.month = static_cast<SQLUSMALLINT>(t.month);
        s.day = static_cast<SQLUSMALLINT>(t.day);
        s.hour = static_cast<SQLUSMALLINT>(t.hour);
        s.minute = static_cast<SQLUSMALLINT>(t.minute);
        s.second = static_cast<SQLUSMALLINT>(t.second);
        return s;
    }

    bool m_sqlite;
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
};

// The six graph positions, shown (on the offscreen platform unless a display is chosen), and
// the program's own connection.
class Refresher
{
public:
    Refresher(const EngineFixture& fixture, Engine engine)
        : m_database(QStringLiteral("bench_") + EngineLabel(engine)), m_queries(m_database)
    {
        const ConnectResult connected = m_database.ConnectDatabase(
            fixture.DataSource(engine), fixture.User(engine), fixture.Password(engine));
        if (!connected.ok)
            throw std::runtime_error(connected.errorText.toStdString());
        QFont arial(QStringLiteral("Arial"));
        arial.setPixelSize(11);
        m_tab.setFont(arial);
        m_tab.resize(1321, 642);
        for (int slot = 1; slot <= 6; ++slot) {
            auto* position = new GraphPosition(slot, &m_tab);
            position->setGeometry((slot - 1) % 3 * 440, (slot - 1) / 3 * 321, 440, 321);
            m_positions[static_cast<std::size_t>(slot - 1)] = position;
        }
        m_tab.show();
        QApplication::processEvents();
    }

    // One refresh as the timer runs it: the six graphs, then the live positions' queries;
    // then the event loop paints what changed. Returns the points loaded.
    long Refresh()
    {
        long points = 0;
        for (std::size_t i = 0; i < m_positions.size(); ++i) {
            m_positions[i]->LoadGraph(Station, Sensors[i], TenDays, m_queries, m_pump);
            points += static_cast<long>(m_positions[i]->chart()->readings().size());
        }
        StationTime lastUpdate = 0;
        m_queries.ReadLastUpdate(Station, lastUpdate);
        float value = 0.0F;
        for (int slot = 1; slot <= 6; ++slot)
            m_queries.ReadLatestValue(Station, Sensors[static_cast<std::size_t>(slot - 1)], value);
        m_queries.ReadLatestValue(Station, Sensors[5], value);
        QApplication::processEvents();
        return points;
    }

    const GraphWindow& Window() const { return m_positions[0]->chart()->window(); }

private:
    StationDatabase m_database;
    StationQueries m_queries;
    EventPump m_pump;
    QWidget m_tab;
    std::array<GraphPosition*, 6> m_positions{};
};

void RunEngine(const EngineFixture& fixture, Engine engine, const char* label,
               const Options& options)
{
    Refresher refresher(fixture, engine);
    RawFetch raw(fixture.DataSource(engine), fixture.User(engine), fixture.Password(engine),
                 engine == Engine::SQLite);
    const long expected = MinutesPerGraph * static_cast<long>(Sensors.size());

    auto timeRefresh = [&] {
        QElapsedTimer clock;
        clock.start();
        const long points = refresher.Refresh();
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (points != expected)
            throw std::runtime_error("refresh loaded " + std::to_string(points) + " points");
        return ms;
    };
    auto timeRaw = [&] {
        const CivilTime from = DecodeStationTime(refresher.Window().start);
        const CivilTime to = DecodeStationTime(refresher.Window().end);
        double sum = 0;
        long rows = 0;
        QElapsedTimer clock;
        clock.start();
        for (const QString& sensor : Sensors)
            rows += raw.Fetch(sensor, from, to, sum);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (rows != expected)
            throw std::runtime_error("raw fetch read " + std::to_string(rows) + " rows");
        return ms;
    };

    timeRefresh(); // warm-up: drivers loaded, caches filled, storage reserved
    timeRaw();
    std::vector<double> refreshes;
    std::vector<double> fetches;
    for (int round = 0; round < options.rounds; ++round) {
        refreshes.push_back(timeRefresh());
        fetches.push_back(timeRaw());
    }
    const double refresh = Median(refreshes);
    const double fetch = Median(fetches);
    std::printf("%s: refresh %.1f ms, raw fetch %.1f ms, ratio %.2f\n", label, refresh, fetch,
                refresh / fetch);
    std::printf("%s: resident set %.1f MB after %d rounds\n", label, ResidentMegabytes(),
                options.rounds + 1);
    std::fflush(stdout);

    if (options.soak > 0) {
        const double before = ResidentMegabytes();
        std::vector<double> soak;
        for (int i = 0; i < options.soak; ++i)
            soak.push_back(timeRefresh());
        const double after = ResidentMegabytes();
        std::printf("%s: %d refreshes (median %.1f ms), resident set %.1f MB before, %.1f MB "
                    "after (%+.1f MB)\n",
                    label, options.soak, Median(soak), before, after, after - before);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options options = ParseOptions(QApplication::arguments());

    // A PostgreSQL and a MariaDB server of the program's own, for as long as it runs.
    std::printf("Starting a PostgreSQL and a MariaDB server and filling the databases "
                "(6 sensors x 14,400 readings each)...\n");
    std::fflush(stdout);
    std::map<Engine, std::unique_ptr<PrivateServer>> servers;
    for (const Engine engine : ServerEngines) {
        auto server = std::make_unique<PrivateServer>(engine);
        ExportServerFacts(engine, server->Start() ? server->Facts() : ServerFacts());
        servers.emplace(engine, std::move(server));
    }

    int status = 0;
    {
        EngineFixture fixture;
        SetLocalClock([] { return Now; });
        for (const Engine engine : AllEngines) {
            const QByteArray title = EngineTitle(engine).toUtf8();
            const char* label = title.constData();
            if (!fixture.Available(engine)) {
                const auto server = servers.find(engine);
                const QString reason =
                    server != servers.end() && !server->second->ErrorText().isEmpty()
                        ? server->second->ErrorText().trimmed()
                        : fixture.SkipReason(engine);
                std::printf("%s: skipped (%s)\n", label, qPrintable(reason));
                continue;
            }
            if (!FillDatabase(fixture, engine)) {
                std::printf("%s: cannot fill the database: %s\n", label,
                            qPrintable(fixture.LastError()));
                status = 1;
                continue;
            }
            fixture.Disconnect(engine);
            try {
                RunEngine(fixture, engine, label, options);
            } catch (const std::exception& failure) {
                std::printf("%s: failed: %s\n", label, failure.what());
                status = 1;
            }
        }
        SetLocalClock({});
    }
    return status;
}
