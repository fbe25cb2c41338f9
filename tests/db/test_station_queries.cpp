// The connection and the five station statements against real engines: SQLite through its ODBC
// driver and, when scripts/test.sh started one, a PostgreSQL server. Runs under
// TZ=Europe/Berlin so that a reading inside the spring daylight-saving gap exists.

#include "core/db/station_database.h"
#include "core/db/station_queries.h"
#include "db/engine_fixture.h"
#include "support/format_scan.h"
#include "support/station_time.h"
#include "text_literal.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>

using namespace orvela;
using namespace orvela::test;

Q_DECLARE_METATYPE(orvela::test::Engine)
Q_DECLARE_METATYPE(orvela::SqlDialect)

namespace {

const QString NullText; // a null QString stands for SQL NULL in the tables below

struct Time
{
    int year, month, day, hour, minute, second;
};

DateTime ToDateTime(const Time& t)
{
    return StationTimeToDateTime(
        EncodeStationTime(t.year, t.month, t.day, t.hour, t.minute, t.second));
}

QString Literal(Engine engine, const Time& t)
{
    return EngineFixture::TimeLiteral(engine, t.year, t.month, t.day, t.hour, t.minute, t.second);
}

QString ValueLiteral(Engine engine, double value)
{
    if (std::isnan(value))
        return engine == Engine::PostgreSQL ? QStringLiteral("'NaN'::float8")
                                            : QStringLiteral("NULL");
    if (std::isinf(value)) {
        if (engine == Engine::PostgreSQL)
            return value > 0 ? QStringLiteral("'Infinity'::float8")
                             : QStringLiteral("'-Infinity'::float8");
        return value > 0 ? QStringLiteral("9e999") : QStringLiteral("-9e999");
    }
    return QString::number(value, 'g', 17);
}

QString OrNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("NULL") : EngineFixture::Quote(text);
}

QStringList SortedItems(const QString& commaList)
{
    QStringList items = commaList.isEmpty() ? QStringList() : commaList.split(QLatin1Char(','));
    items.sort();
    return items;
}

struct Row
{
    QString station;
    QString sensor;
    Time time;
    double value;
    bool null = false;
};
using Rows = QVector<Row>;

struct Reading
{
    DateTime time;
    double value;
};

} // namespace

Q_DECLARE_METATYPE(Rows)
Q_DECLARE_METATYPE(Time)

// QSKIP without its variadic part, which pedantic clang refuses.
#define REQUIRE_ENGINE(engine)                                                                     \
    do {                                                                                           \
        if (!m_fx->Available(engine)) {                                                            \
            QTest::qSkip(qPrintable(m_fx->SkipReason(engine)), __FILE__, __LINE__);                \
            return;                                                                                \
        }                                                                                          \
    } while (false)

#define SQL(engine, ...)                                                                           \
    QVERIFY2(m_fx->ExecAll(engine, QStringList{__VA_ARGS__}), qPrintable(m_fx->LastError()))

class TestStationQueries : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<EngineFixture> m_fx;

    static void AddEngineRow(Engine engine, const char* name)
    {
        QTest::newRow(
            qPrintable(EngineLabel(engine) + QStringLiteral(": ") + QString::fromUtf8(name)))
            << engine;
    }

    template <typename Add> static void ForEachEngine(Add add)
    {
        for (Engine engine : AllEngines)
            add(engine);
    }

    std::unique_ptr<StationDatabase> Connect(Engine engine)
    {
        auto db = std::make_unique<StationDatabase>(QStringLiteral("test_session"));
        const ConnectResult result = db->ConnectDatabase(
            m_fx->DataSource(engine), m_fx->User(engine), m_fx->Password(engine));
        if (!result.ok)
            qWarning("connect failed: %s", qPrintable(result.errorText));
        return db;
    }

    QString InsertRows(Engine engine, const Rows& rows)
    {
        QStringList sql;
        for (const Row& r : rows)
            sql << QStringLiteral("INSERT INTO KT_DATA1 VALUES (%1, %2, %3, %4)")
                       .arg(OrNull(r.station), OrNull(r.sensor), Literal(engine, r.time),
                            r.null ? QStringLiteral("NULL") : ValueLiteral(engine, r.value));
        return m_fx->ExecAll(engine, sql) ? QString() : m_fx->LastError();
    }

private slots:
    void initTestCase()
    {
        m_fx = std::make_unique<EngineFixture>();
        m_fx->AddDataSource(QStringLiteral("OrvelaTestUserDsn"),
                            {{QStringLiteral("Driver"), QStringLiteral("Orvela Test SQLite")},
                             {QStringLiteral("Database"), m_fx->Folder() + "/stations.db"_q}},
                            true);
        ForEachEngine([this](Engine engine) {
            if (m_fx->Available(engine))
                QVERIFY2(m_fx->CreateTables(engine), qPrintable(m_fx->LastError()));
        });
    }

    void cleanupTestCase() { m_fx.reset(); }

    void init()
    {
        ForEachEngine([this](Engine engine) {
            if (m_fx->Available(engine))
                QVERIFY2(m_fx->ClearTables(engine), qPrintable(m_fx->LastError()));
        });
    }

    // --- station list -------------------------------------------------------------------

    void stationList_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QString>("expected");
        const QString huge = QString(3000, QLatin1Char('x'));
        ForEachEngine([&](Engine e) {
            const QString l = EngineLabel(e) + QStringLiteral(": ");
            QTest::newRow(qPrintable(l + QLatin1String("upper-cased")))
                << e << QStringList{"stn1"_q, "STN2"_q} << QStringLiteral("STN1,STN2");
            // MariaDB's default collation compares without regard to case: there the database
            // itself holds the two as one station.
            QTest::newRow(qPrintable(l + QLatin1String("ids differing in case both listed")))
                << e << QStringList{"stn1"_q, "STN1"_q}
                << (e == Engine::MariaDB ? QStringLiteral("STN1") : QStringLiteral("STN1,STN1"));
            QTest::newRow(qPrintable(l + QLatin1String("null id skipped")))
                << e << QStringList{NullText, "A1"_q, "B2"_q} << QStringLiteral("A1,B2");
            QTest::newRow(qPrintable(l + QLatin1String("only a-z upper-cased")))
                << e << QStringList{QStringLiteral("göteborg-ß")} << QStringLiteral("GöTEBORG-ß");
            QTest::newRow(qPrintable(l + QLatin1String("empty table")))
                << e << QStringList{} << QString();
            QTest::newRow(qPrintable(l + QLatin1String("huge id")))
                << e << QStringList{huge} << huge.toUpper();
        });
    }

    void stationList()
    {
        QFETCH(Engine, engine);
        QFETCH(QStringList, ids);
        QFETCH(QString, expected);
        REQUIRE_ENGINE(engine);
        for (const QString& id : ids)
            SQL(engine, QStringLiteral("INSERT INTO KT_SITES VALUES (%1, NULL)").arg(OrNull(id)));
        auto db = Connect(engine);
        StationQueries queries(*db);
        QString listText = QStringLiteral("OLD");
        queries.LoadStationList(listText);
        // The engines return DISTINCT rows in an order of their own.
        QCOMPARE(SortedItems(listText), SortedItems(expected));
    }

    void stationListCommaIdIsTwoItems()
    {
        REQUIRE_ENGINE(Engine::SQLite);
        SQL(Engine::SQLite, QStringLiteral("INSERT INTO KT_SITES VALUES ('a,b', NULL)"));
        auto db = Connect(Engine::SQLite);
        StationQueries queries(*db);
        QString listText;
        queries.LoadStationList(listText);
        QCOMPARE(listText, QStringLiteral("A,B"));
        std::vector<Text> items = CommaListItems(listText.toStdU16String());
        QCOMPARE(items.size(), std::size_t{2});
    }

    // --- sensor list --------------------------------------------------------------------

    void stationSensors_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QStringList>("sites");
        QTest::addColumn<QStringList>("pairs"); // station, sensor, station, sensor, ...
        QTest::addColumn<QString>("station");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("added");
        ForEachEngine([&](Engine e) {
            const QString l = EngineLabel(e) + QStringLiteral(": ");
            QTest::newRow(qPrintable(l + QLatin1String("upper-cased, other station left out")))
                << e << QStringList{"ST1"_q, "ST2"_q}
                << QStringList{"ST1"_q, "air temp"_q, "ST1"_q, "Humidity"_q, "ST2"_q, "rain"_q}
                << QStringLiteral("ST1") << QStringList{}
                << QStringList{"AIR TEMP"_q, "HUMIDITY"_q};
            QTest::newRow(qPrintable(l + QLatin1String("comma name arrives as two names")))
                << e << QStringList{"ST1"_q} << QStringList{"ST1"_q, "WIND,DIR"_q}
                << QStringLiteral("ST1") << QStringList{} << QStringList{"WIND"_q, "DIR"_q};
            QTest::newRow(qPrintable(l + QLatin1String("null and empty names dropped")))
                << e << QStringList{"ST1"_q}
                << QStringList{"ST1"_q, NullText, "ST1"_q, ""_q, "ST1"_q, "RAIN"_q}
                << QStringLiteral("ST1") << QStringList{} << QStringList{"RAIN"_q};
            QTest::newRow(qPrintable(l + QLatin1String("no sensors leaves the list as it was")))
                << e << QStringList{"ST1"_q} << QStringList{} << QStringLiteral("ST1")
                << QStringList{"X"_q} << QStringList{};
            QTest::newRow(qPrintable(l + QLatin1String("appended, list not emptied first")))
                << e << QStringList{"ST1"_q} << QStringList{"ST1"_q, "RAIN"_q}
                << QStringLiteral("ST1") << QStringList{"X"_q} << QStringList{"RAIN"_q};
            QTest::newRow(qPrintable(l + QLatin1String("station stored in lower case")))
                << e << QStringList{"stn1"_q} << QStringList{"stn1"_q, "temp"_q}
                << QStringLiteral("STN1") << QStringList{} << QStringList{"TEMP"_q};
            QTest::newRow(qPrintable(l + QLatin1String("station asked in lower case")))
                << e << QStringList{"STN1"_q} << QStringList{"STN1"_q, "temp"_q}
                << QStringLiteral("stn1") << QStringList{} << QStringList{"TEMP"_q};
            QTest::newRow(qPrintable(l + QLatin1String("non-ASCII letters kept")))
                << e << QStringList{"ST1"_q} << QStringList{"ST1"_q, QStringLiteral("température")}
                << QStringLiteral("ST1") << QStringList{}
                << QStringList{QStringLiteral("TEMPéRATURE")};
        });
    }

    void stationSensors()
    {
        QFETCH(Engine, engine);
        QFETCH(QStringList, sites);
        QFETCH(QStringList, pairs);
        QFETCH(QString, station);
        QFETCH(QStringList, before);
        QFETCH(QStringList, added);
        REQUIRE_ENGINE(engine);
        for (const QString& site : sites)
            SQL(engine, QStringLiteral("INSERT INTO KT_SITES VALUES (%1, NULL)").arg(OrNull(site)));
        for (int i = 0; i + 1 < pairs.size(); i += 2)
            SQL(engine, QStringLiteral("INSERT INTO KT_SITESENSORS VALUES (%1, %2)")
                            .arg(OrNull(pairs[i]), OrNull(pairs[i + 1])));
        auto db = Connect(engine);
        StationQueries queries(*db);
        QStringList sensors = before;
        queries.LoadStationSensors(station, sensors);
        QCOMPARE(sensors.mid(0, before.size()), before);
        QStringList got = sensors.mid(before.size());
        got.sort();
        added.sort();
        QCOMPARE(got, added);
    }

    void sensorNameWithLineBreakEnds()
    {
        REQUIRE_ENGINE(Engine::SQLite);
        SQL(Engine::SQLite, QStringLiteral("INSERT INTO KT_SITES VALUES ('ST1', NULL)"),
            QStringLiteral("INSERT INTO KT_SITESENSORS VALUES ('ST1', 'AIR' || char(10) || "
                           "'TEMP')"),
            QStringLiteral("INSERT INTO KT_SITESENSORS VALUES ('ST1', 'RAIN' || char(13))"));
        auto db = Connect(Engine::SQLite);
        StationQueries queries(*db);
        QStringList sensors;
        queries.LoadStationSensors(QStringLiteral("ST1"), sensors); // must come back
        // A line break ends a list item as a comma does.
        sensors.sort();
        QCOMPARE(sensors, (QStringList{"AIR"_q, "RAIN"_q, "TEMP"_q}));
    }

    // --- last update --------------------------------------------------------------------

    void lastUpdate_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QString>("storedStation");
        QTest::addColumn<bool>("hasTime");
        QTest::addColumn<Time>("time");
        QTest::addColumn<QString>("station");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("expected");
        ForEachEngine([&](Engine e) {
            const QString l = EngineLabel(e) + QStringLiteral(": ");
            QTest::newRow(qPrintable(l + QLatin1String("time read to the second")))
                << e << QStringLiteral("ST1") << true << Time{2005, 3, 1, 12, 0, 0}
                << QStringLiteral("ST1") << true << 636379200;
            QTest::newRow(qPrintable(l + QLatin1String("null time keeps the old value")))
                << e << QStringLiteral("ST1") << false << Time{} << QStringLiteral("ST1") << false
                << 12345;
            QTest::newRow(qPrintable(l + QLatin1String("no row keeps the old value")))
                << e << QStringLiteral("ST1") << true << Time{2005, 3, 1, 12, 0, 0}
                << QStringLiteral("ST9") << false << 12345;
            QTest::newRow(qPrintable(l + QLatin1String("station stored in lower case")))
                << e << QStringLiteral("stn1") << true << Time{2005, 3, 1, 12, 0, 1}
                << QStringLiteral("STN1") << true << 636379201;
            QTest::newRow(qPrintable(l + QLatin1String("time in the daylight-saving gap kept")))
                << e << QStringLiteral("ST1") << true << Time{2024, 3, 31, 2, 30, 0}
                << QStringLiteral("ST1") << true << EncodeStationTime(2024, 3, 31, 2, 30, 0);
            QTest::newRow(qPrintable(l + QLatin1String("time repeated at the autumn change kept")))
                << e << QStringLiteral("ST1") << true << Time{2024, 10, 27, 2, 30, 0}
                << QStringLiteral("ST1") << true << EncodeStationTime(2024, 10, 27, 2, 30, 0);
            QTest::newRow(qPrintable(l + QLatin1String("time before 1985 counts back")))
                << e << QStringLiteral("ST1") << true << Time{1984, 6, 1, 12, 0, 0}
                << QStringLiteral("ST1") << true << -213 * 86400 + 43200;
        });
    }

    void lastUpdate()
    {
        QFETCH(Engine, engine);
        QFETCH(QString, storedStation);
        QFETCH(bool, hasTime);
        QFETCH(Time, time);
        QFETCH(QString, station);
        QFETCH(bool, found);
        QFETCH(int, expected);
        REQUIRE_ENGINE(engine);
        SQL(engine, QStringLiteral("INSERT INTO KT_SITES VALUES (%1, %2)")
                        .arg(OrNull(storedStation),
                             hasTime ? Literal(engine, time) : QStringLiteral("NULL")));
        auto db = Connect(engine);
        StationQueries queries(*db);
        StationTime lastUpdate = 12345;
        QCOMPARE(queries.ReadLastUpdate(station, lastUpdate), found);
        QCOMPARE(lastUpdate, expected);
    }

    // --- latest value -------------------------------------------------------------------

    void latestValue_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("sensor");
        QTest::addColumn<bool>("found");
        QTest::addColumn<float>("expected");
        const float untouched = -999.5F;
        const QString hugeName = QString(3000, QLatin1Char('S'));
        ForEachEngine([&](Engine e) {
            const QString l = EngineLabel(e) + QStringLiteral(": ");
            QTest::newRow(qPrintable(l + QLatin1String("latest by time, not by insertion")))
                << e
                << Rows{{"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 5, 0}, 2.5},
                        {"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 0, 0}, 1.5},
                        {"ST1"_q, "RAIN"_q, {2024, 5, 1, 11, 0, 0}, 7.0}}
                << QStringLiteral("ST1") << QStringLiteral("TEMP") << true << 2.5F;
            QTest::newRow(qPrintable(l + QLatin1String("narrowed to single precision")))
                << e << Rows{{"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 0, 0}, 1.2345678901234567}}
                << QStringLiteral("ST1") << QStringLiteral("TEMP") << true
                << static_cast<float>(1.2345678901234567);
            QTest::newRow(qPrintable(l + QLatin1String("null value reads 0")))
                << e << Rows{{"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 0, 0}, 0, true}}
                << QStringLiteral("ST1") << QStringLiteral("TEMP") << true << 0.0F;
            QTest::newRow(qPrintable(l + QLatin1String("no readings leave the output")))
                << e << Rows{{"ST1"_q, "RAIN"_q, {2024, 5, 1, 10, 0, 0}, 3}}
                << QStringLiteral("ST1") << QStringLiteral("TEMP") << false << untouched;
            QTest::newRow(qPrintable(l + QLatin1String("names stored in lower case")))
                << e << Rows{{"stn1"_q, "air temp"_q, {2024, 5, 1, 10, 0, 0}, 4.25}}
                << QStringLiteral("STN1") << QStringLiteral("AIR TEMP") << true << 4.25F;
            QTest::newRow(qPrintable(l + QLatin1String("beyond single precision gives infinity")))
                << e << Rows{{"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 0, 0}, -1e300}}
                << QStringLiteral("ST1") << QStringLiteral("TEMP") << true
                << -std::numeric_limits<float>::infinity();
            QTest::newRow(qPrintable(l + QLatin1String("huge sensor name")))
                << e << Rows{{"ST1"_q, hugeName, {2024, 5, 1, 10, 0, 0}, 6}}
                << QStringLiteral("ST1") << hugeName << true << 6.0F;
            if (e == Engine::MariaDB)
                return; // its DOUBLE holds no infinity
            QTest::newRow(qPrintable(l + QLatin1String("infinite value")))
                << e
                << Rows{{"ST1"_q,
                         "TEMP"_q,
                         {2024, 5, 1, 10, 0, 0},
                         std::numeric_limits<double>::infinity()}}
                << QStringLiteral("ST1") << QStringLiteral("TEMP") << true
                << std::numeric_limits<float>::infinity();
        });
        QTest::newRow("postgresql: not-a-number value")
            << Engine::PostgreSQL
            << Rows{{"ST1"_q,
                     "TEMP"_q,
                     {2024, 5, 1, 10, 0, 0},
                     std::numeric_limits<double>::quiet_NaN()}}
            << QStringLiteral("ST1") << QStringLiteral("TEMP") << true
            << std::numeric_limits<float>::quiet_NaN();
    }

    void latestValue()
    {
        QFETCH(Engine, engine);
        QFETCH(Rows, rows);
        QFETCH(QString, station);
        QFETCH(QString, sensor);
        QFETCH(bool, found);
        QFETCH(float, expected);
        REQUIRE_ENGINE(engine);
        for (const Row& row : rows) {
            SQL(engine,
                QStringLiteral("INSERT INTO KT_SITES VALUES (%1, NULL)").arg(OrNull(row.station)),
                QStringLiteral("INSERT INTO KT_SITESENSORS VALUES (%1, %2)")
                    .arg(OrNull(row.station), OrNull(row.sensor)));
        }
        const QString error = InsertRows(engine, rows);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        auto db = Connect(engine);
        StationQueries queries(*db);
        float value = -999.5F;
        QCOMPARE(queries.ReadLatestValue(station, sensor, value), found);
        if (std::isnan(expected))
            QVERIFY(std::isnan(value));
        else
            QCOMPARE(value, expected);
    }

    // An engine that refuses the row limit of the dialect its name suggests: the clause is
    // really sent, and really refused, by forcing that dialect on a real connection.
    void latestValueWithoutTheRowLimit_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<SqlDialect>("refused");
        QTest::addColumn<bool>("withTables");
        for (const Engine e : AllEngines)
            QTest::newRow(qPrintable(EngineLabel(e) + QStringLiteral(": TOP 1 refused")))
                << e << SqlDialect::Top << true;
        QTest::newRow("sqlite: FETCH FIRST refused")
            << Engine::SQLite << SqlDialect::FetchFirst << true;
        // Without the tables the plain statement fails too: that failure is not the limit's.
        QTest::newRow("sqlite: no tables") << Engine::SQLite << SqlDialect::Top << false;
    }

    void latestValueWithoutTheRowLimit()
    {
        QFETCH(Engine, engine);
        QFETCH(SqlDialect, refused);
        QFETCH(bool, withTables);
        REQUIRE_ENGINE(engine);
        if (!withTables)
            SQL(engine, QStringLiteral("DROP TABLE KT_DATA1"));
        else
            QVERIFY(InsertRows(engine, {{"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 0, 0}, 1.5},
                                        {"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 5, 0}, 2.5},
                                        {"ST1"_q, "TEMP"_q, {2024, 5, 1, 9, 0, 0}, 0.5}})
                        .isEmpty());
        auto db = Connect(engine);
        db->SetDialect(refused);
        StationQueries queries(*db);
        float value = -1;
        if (!withTables) {
            try {
                queries.ReadLatestValue("ST1"_q, "TEMP"_q, value);
                QFAIL("a statement on a missing table must fail");
            } catch (const DatabaseError& error) {
                // The report is the statement the engine is normally sent.
                QVERIFY(error.syntaxError());
            }
            QCOMPARE(db->Dialect(), refused);
            QVERIFY2(m_fx->CreateTables(engine), qPrintable(m_fx->LastError()));
            return;
        }
        QVERIFY(queries.ReadLatestValue("ST1"_q, "TEMP"_q, value));
        QCOMPARE(value, 2.5F);
        // Remembered for the connection: the limit is not tried again.
        QCOMPARE(db->Dialect(), SqlDialect::Unlimited);
        QVERIFY(!queries.ReadLatestValue("ST1"_q, "RAIN"_q, value));
        QCOMPARE(value, 2.5F);
        // A new connection asks the engine again.
        QVERIFY(db->ConnectDatabase(m_fx->DataSource(engine), m_fx->User(engine),
                                    m_fx->Password(engine))
                    .ok);
        QCOMPARE(db->Dialect(), SqlDialect::Limit);
    }

    // The same one statement gives the reading's time: the civil fields as stored, also inside
    // the night's daylight-saving gap, and none where TIME_TAG is null.
    void latestReadingTime_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<bool>("nullTimeRow"); // one more reading, of 4.5 without a time
        QTest::addColumn<bool>("hasTime");
        QTest::addColumn<Time>("time");
        QTest::addColumn<float>("value");
        ForEachEngine([&](Engine e) {
            const QString l = EngineLabel(e) + QStringLiteral(": ");
            QTest::newRow(qPrintable(l + QLatin1String("time of the latest")))
                << e
                << Rows{{"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 5, 7}, 2.5},
                        {"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 0, 0}, 1.5}}
                << false << true << Time{2024, 5, 1, 10, 5, 7} << 2.5F;
            QTest::newRow(qPrintable(l + QLatin1String("in the daylight-saving gap")))
                << e << Rows{{"ST1"_q, "TEMP"_q, {2024, 3, 31, 2, 30, 0}, 0, true}} << false << true
                << Time{2024, 3, 31, 2, 30, 0} << 0.0F;
        });
        // PostgreSQL sorts NULL first in a descending order: the null time is the latest row.
        QTest::newRow("postgresql: null time")
            << Engine::PostgreSQL << Rows{{"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 0, 0}, 1.5}} << true
            << false << Time{} << 4.5F;
    }

    void latestReadingTime()
    {
        QFETCH(Engine, engine);
        QFETCH(Rows, rows);
        QFETCH(bool, nullTimeRow);
        QFETCH(bool, hasTime);
        QFETCH(Time, time);
        QFETCH(float, value);
        REQUIRE_ENGINE(engine);
        SQL(engine, QStringLiteral("INSERT INTO KT_SITES VALUES ('ST1', NULL)"),
            QStringLiteral("INSERT INTO KT_SITESENSORS VALUES ('ST1', 'TEMP')"));
        const QString error = InsertRows(engine, rows);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        if (nullTimeRow)
            SQL(engine, QStringLiteral("INSERT INTO KT_DATA1 VALUES ('ST1', 'TEMP', NULL, 4.5)"));
        auto db = Connect(engine);
        StationQueries queries(*db);
        LatestReading reading;
        QVERIFY(queries.ReadLatestReading("ST1"_q, "TEMP"_q, reading));
        QCOMPARE(reading.value, value);
        QCOMPARE(reading.time.has_value(), hasTime);
        if (hasTime)
            QCOMPARE(*reading.time, ToDateTime(time));
    }

    // --- time range ---------------------------------------------------------------------

    void timeRange_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("sensor");
        QTest::addColumn<Time>("start");
        QTest::addColumn<Time>("end");
        QTest::addColumn<Rows>("expected"); // time and value of each row handed out
        const double precise = 1.2345678901234567;
        ForEachEngine([&](Engine e) {
            const QString l = EngineLabel(e) + QStringLiteral(": ");
            const Rows minutes{{"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 0, 0}, 0},
                               {"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 1, 0}, 1},
                               {"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 2, 0}, 2},
                               {"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 3, 0}, 3},
                               {"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 4, 0}, 4},
                               {"ST1"_q, "RAIN"_q, {2024, 5, 1, 10, 2, 0}, 99},
                               {"ST2"_q, "TEMP"_q, {2024, 5, 1, 10, 2, 0}, 98}};
            QTest::newRow(qPrintable(l + QLatin1String("both window ends included")))
                << e << minutes << QStringLiteral("ST1") << QStringLiteral("TEMP")
                << Time{2024, 5, 1, 10, 1, 0} << Time{2024, 5, 1, 10, 3, 0}
                << Rows{minutes[1], minutes[2], minutes[3]};
            QTest::newRow(qPrintable(l + QLatin1String("end with seconds")))
                << e << minutes << QStringLiteral("ST1") << QStringLiteral("TEMP")
                << Time{2024, 5, 1, 10, 3, 0} << Time{2024, 5, 1, 10, 4, 59}
                << Rows{minutes[3], minutes[4]};
            QTest::newRow(qPrintable(l + QLatin1String("empty window")))
                << e << minutes << QStringLiteral("ST1") << QStringLiteral("TEMP")
                << Time{2024, 5, 1, 10, 1, 1} << Time{2024, 5, 1, 10, 1, 59} << Rows{};
            QTest::newRow(qPrintable(l + QLatin1String("ascending whatever the insertion order")))
                << e
                << Rows{{"ST1"_q, "TEMP"_q, {2024, 5, 2, 0, 0, 0}, 3},
                        {"ST1"_q, "TEMP"_q, {2024, 4, 30, 23, 59, 59}, 1},
                        {"ST1"_q, "TEMP"_q, {2024, 5, 1, 12, 0, 0}, 2}}
                << QStringLiteral("ST1") << QStringLiteral("TEMP") << Time{2024, 4, 1, 0, 0, 0}
                << Time{2024, 6, 1, 0, 0, 0}
                << Rows{{""_q, ""_q, {2024, 4, 30, 23, 59, 59}, 1},
                        {""_q, ""_q, {2024, 5, 1, 12, 0, 0}, 2},
                        {""_q, ""_q, {2024, 5, 2, 0, 0, 0}, 3}};
            QTest::newRow(qPrintable(l + QLatin1String("value not narrowed, null value 0")))
                << e
                << Rows{{"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 0, 0}, precise},
                        {"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 1, 0}, 0, true}}
                << QStringLiteral("ST1") << QStringLiteral("TEMP") << Time{2024, 5, 1, 0, 0, 0}
                << Time{2024, 5, 2, 0, 0, 0}
                << Rows{{""_q, ""_q, {2024, 5, 1, 10, 0, 0}, precise},
                        {""_q, ""_q, {2024, 5, 1, 10, 1, 0}, 0}};
            QTest::newRow(qPrintable(l + QLatin1String("names stored in lower case")))
                << e << Rows{{"stn1"_q, "air temp"_q, {2024, 5, 1, 10, 0, 0}, 5}}
                << QStringLiteral("stn1") << QStringLiteral("Air Temp")
                << Time{2024, 5, 1, 10, 0, 0} << Time{2024, 5, 1, 10, 0, 0}
                << Rows{{""_q, ""_q, {2024, 5, 1, 10, 0, 0}, 5}};
            QTest::newRow(qPrintable(l + QLatin1String("readings in the daylight-saving gap")))
                << e
                << Rows{{"ST1"_q, "TEMP"_q, {2024, 3, 31, 1, 59, 0}, 1},
                        {"ST1"_q, "TEMP"_q, {2024, 3, 31, 2, 0, 0}, 2},
                        {"ST1"_q, "TEMP"_q, {2024, 3, 31, 2, 30, 0}, 3},
                        {"ST1"_q, "TEMP"_q, {2024, 3, 31, 3, 0, 0}, 4}}
                << QStringLiteral("ST1") << QStringLiteral("TEMP") << Time{2024, 3, 31, 2, 0, 0}
                << Time{2024, 3, 31, 2, 30, 0}
                << Rows{{""_q, ""_q, {2024, 3, 31, 2, 0, 0}, 2},
                        {""_q, ""_q, {2024, 3, 31, 2, 30, 0}, 3}};
            if (e == Engine::MariaDB)
                return; // its DOUBLE holds no infinity
            QTest::newRow(qPrintable(l + QLatin1String("infinite values handed out")))
                << e
                << Rows{{"ST1"_q,
                         "TEMP"_q,
                         {2024, 5, 1, 10, 0, 0},
                         std::numeric_limits<double>::infinity()},
                        {"ST1"_q,
                         "TEMP"_q,
                         {2024, 5, 1, 10, 1, 0},
                         -std::numeric_limits<double>::infinity()}}
                << QStringLiteral("ST1") << QStringLiteral("TEMP") << Time{2024, 5, 1, 0, 0, 0}
                << Time{2024, 5, 2, 0, 0, 0}
                << Rows{{""_q,
                         ""_q,
                         {2024, 5, 1, 10, 0, 0},
                         std::numeric_limits<double>::infinity()},
                        {""_q,
                         ""_q,
                         {2024, 5, 1, 10, 1, 0},
                         -std::numeric_limits<double>::infinity()}};
        });
    }

    void timeRange()
    {
        QFETCH(Engine, engine);
        QFETCH(Rows, rows);
        QFETCH(QString, station);
        QFETCH(QString, sensor);
        QFETCH(Time, start);
        QFETCH(Time, end);
        QFETCH(Rows, expected);
        REQUIRE_ENGINE(engine);
        for (const Row& row : rows)
            SQL(engine,
                QStringLiteral("INSERT INTO KT_SITESENSORS VALUES (%1, %2)")
                    .arg(OrNull(row.station), OrNull(row.sensor)),
                QStringLiteral("INSERT INTO KT_SITES VALUES (%1, NULL)").arg(OrNull(row.station)));
        const QString error = InsertRows(engine, rows);
        QVERIFY2(error.isEmpty(), qPrintable(error));

        auto db = Connect(engine);
        StationQueries queries(*db);
        QVector<Reading> got;
        QVERIFY(queries.ReadTimeRange(station, sensor, ToDateTime(start), ToDateTime(end),
                                      [&got](DateTime t, double v) {
                                          got.append({t, v});
                                      }));
        QCOMPARE(got.size(), expected.size());
        for (int i = 0; i < got.size(); ++i) {
            const Time& t = expected[i].time;
            QCOMPARE(DateTimeToStationTime(got[i].time),
                     EncodeStationTime(t.year, t.month, t.day, t.hour, t.minute, t.second));
            QCOMPARE(got[i].value, expected[i].value); // exact: no narrowing on the way
        }
    }

    void timeRangeNotANumber()
    {
        REQUIRE_ENGINE(Engine::PostgreSQL);
        const Rows rows{
            {"ST1"_q, "TEMP"_q, {2024, 5, 1, 10, 0, 0}, std::numeric_limits<double>::quiet_NaN()}};
        const QString error = InsertRows(Engine::PostgreSQL, rows);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        auto db = Connect(Engine::PostgreSQL);
        StationQueries queries(*db);
        QVector<double> values;
        QVERIFY(queries.ReadTimeRange("ST1"_q, "TEMP"_q, ToDateTime({2024, 5, 1, 0, 0, 0}),
                                      ToDateTime({2024, 5, 2, 0, 0, 0}),
                                      [&values](DateTime, double v) { values.append(v); }));
        QCOMPARE(values.size(), 1);
        QVERIFY(std::isnan(values[0]));
    }

    void timeRangeWindowOutsideTheCalendar_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 45000.0;
        QTest::newRow("infinite end") << 45000.0 << std::numeric_limits<double>::infinity();
        QTest::newRow("beyond year 9999") << 45000.0 << 1e9;
    }

    void timeRangeWindowOutsideTheCalendar()
    {
        QFETCH(double, start);
        QFETCH(double, end);
        REQUIRE_ENGINE(Engine::SQLite);
        auto db = Connect(Engine::SQLite);
        StationQueries queries(*db);
        int rows = 0;
        QVERIFY(queries.ReadTimeRange("ST1"_q, "TEMP"_q, start, end,
                                      [&rows](DateTime, double) { ++rows; }));
        QCOMPARE(rows, 0);
    }

    // Ten days of one reading a minute, the longest graph window.
    void manyReadingsStreamQuickly_data()
    {
        QTest::addColumn<Engine>("engine");
        ForEachEngine([](Engine e) { AddEngineRow(e, "14,401 readings"); });
    }

    void manyReadingsStreamQuickly()
    {
        QFETCH(Engine, engine);
        REQUIRE_ENGINE(engine);
        std::vector<TestReading> readings;
        const StationTime first = EncodeStationTime(2024, 1, 1, 0, 0, 0);
        for (int i = -60; i <= 14400 + 60; ++i) {
            const CivilTime t = DecodeStationTime(first + i * 60);
            readings.push_back({t.year, t.month, t.day, t.hour, t.minute, t.second, i * 0.5});
        }
        QVERIFY2(m_fx->InsertReadings(engine, "ST1"_q, "TEMP"_q, readings),
                 qPrintable(m_fx->LastError()));
        QVERIFY2(m_fx->InsertReadings(engine, "ST1"_q, "HUMIDITY"_q, readings),
                 qPrintable(m_fx->LastError()));

        auto db = Connect(engine);
        StationQueries queries(*db);
        const DateTime start = StationTimeToDateTime(first);
        const DateTime end = StationTimeToDateTime(first + 14400 * 60);
        QVector<Reading> got;
        got.reserve(14401);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(queries.ReadTimeRange("ST1"_q, "TEMP"_q, start, end, [&got](DateTime t, double v) {
            got.append({t, v});
        }));
        const qint64 elapsed = timer.elapsed();
        qInfo("%s: %d readings in %lld ms", qPrintable(EngineLabel(engine)), got.size(), elapsed);
        QCOMPARE(got.size(), 14401);
        QCOMPARE(DateTimeToStationTime(got.first().time), first);
        QCOMPARE(DateTimeToStationTime(got.last().time), first + 14400 * 60);
        QCOMPARE(got.last().value, 7200.0);
        QVERIFY2(elapsed < 2000, "reading ten days of one sensor should take well under 2 s");
    }

    // The statements compare the bare columns, so the index can serve them.
    void indexServesTheStatements_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("times");
        QTest::newRow("time range") << statements::TimeRange << true;
        QTest::newRow("latest value") << statements::LatestValue(SqlDialect::Limit) << false;
    }

    void indexServesTheStatements()
    {
        QFETCH(QString, statement);
        QFETCH(bool, times);
        REQUIRE_ENGINE(Engine::SQLite);
        auto db = Connect(Engine::SQLite);
        QSqlQuery plan(QSqlDatabase::database(QStringLiteral("test_session")));
        QVERIFY(plan.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + statement));
        plan.bindValue(":STATION_ID"_q, "ST1"_q);
        plan.bindValue(":SENSORNAME"_q, "TEMP"_q);
        if (times) {
            plan.bindValue(":STARTTIME"_q, "2024-01-01 00:00:00"_q);
            plan.bindValue(":ENDTIME"_q, "2024-01-02 00:00:00"_q);
        }
        QVERIFY2(plan.exec(), qPrintable(plan.lastError().text()));
        QString details;
        while (plan.next())
            details += plan.value(3).toString() + QLatin1Char('\n');
        QVERIFY2(details.contains(QLatin1String("INDEX KT_DATA1_IDX")), qPrintable(details));
    }

    // --- connection ---------------------------------------------------------------------

    void connection_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QString>("dataSource"); // empty: the engine's own
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password"); // "<own>"_q: the engine's own
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("errorPart");
        const QString own = QStringLiteral("<own>");
        QTest::newRow("sqlite: any user and password, ; and } included")
            << Engine::SQLite << QString() << QStringLiteral("x;y}") << QStringLiteral("{a;b}}")
            << true << QString();
        QTest::newRow("sqlite: blank user and password")
            << Engine::SQLite << QString() << QString() << QString() << true << QString();
        QTest::newRow("sqlite: unknown data source")
            << Engine::SQLite << QStringLiteral("NoSuchSource") << QString() << QString() << false
            << QStringLiteral("not found");
        QTest::newRow("sqlite: blank data source") << Engine::SQLite << QStringLiteral(" ")
                                                   << QString() << QString() << false << QString();
        QTest::newRow("sqlite: name holding the connection string's grammar")
            << Engine::SQLite << QStringLiteral("OrvelaTestSQLite;UID=x") << QString() << QString()
            << false << QStringLiteral("no data source name can hold");
        QTest::newRow("postgresql: password holding ; and }")
            << Engine::PostgreSQL << QString() << QString() << own << true << QString();
        QTest::newRow("postgresql: wrong password")
            << Engine::PostgreSQL << QString() << QString() << QStringLiteral("wrong;one}") << false
            << QStringLiteral("password authentication failed");
        QTest::newRow("postgresql: server down")
            << Engine::PostgreSQL << QStringLiteral("OrvelaTestPgDown") << QString() << own << false
            << QStringLiteral("onnect");
        QTest::newRow("mariadb: password holding ; and }")
            << Engine::MariaDB << QString() << QString() << own << true << QString();
        QTest::newRow("mariadb: wrong password")
            << Engine::MariaDB << QString() << QString() << QStringLiteral("wrong;one}") << false
            << QStringLiteral("Access denied");
        QTest::newRow("mariadb: server down")
            << Engine::MariaDB << EngineFixture::DownDataSource(Engine::MariaDB) << QString() << own
            << false << QStringLiteral("onnect");
    }

    void connection()
    {
        QFETCH(Engine, engine);
        QFETCH(QString, dataSource);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, ok);
        QFETCH(QString, errorPart);
        REQUIRE_ENGINE(engine);
        if (dataSource.isEmpty())
            dataSource = m_fx->DataSource(engine);
        if (engine != Engine::SQLite && user.isEmpty())
            user = m_fx->User(engine);
        if (password == QLatin1String("<own>"))
            password = m_fx->Password(engine);

        StationDatabase db(QStringLiteral("test_connection"));
        const ConnectResult result = db.ConnectDatabase(dataSource, user, password);
        QCOMPARE(result.ok, ok);
        QCOMPARE(db.IsOpen(), ok);
        QCOMPARE(db.DataSourceName(), dataSource);
        if (ok) {
            QCOMPARE(db.EngineName(), EngineTitle(engine));
            QCOMPARE(db.Dialect(), SqlDialect::Limit);
            StationQueries queries(db);
            QString list;
            queries.LoadStationList(list); // the connection serves statements
        } else {
            QVERIFY(!result.errorText.isEmpty());
            QVERIFY2(result.errorText.contains(errorPart, Qt::CaseInsensitive),
                     qPrintable(result.errorText));
            QVERIFY(db.EngineName().isEmpty());
            StationQueries queries(db);
            QString list;
            QVERIFY_EXCEPTION_THROWN(queries.LoadStationList(list), DatabaseError);
        }
    }

    void connectAgainReplacesTheConnection()
    {
        REQUIRE_ENGINE(Engine::SQLite);
        StationDatabase db(QStringLiteral("test_again"));
        QVERIFY(db.ConnectDatabase(m_fx->DataSource(Engine::SQLite), {}, {}).ok);
        const auto serial = db.ConnectionSerial();
        QVERIFY(!db.ConnectDatabase(QStringLiteral("NoSuchSource"), {}, {}).ok);
        QVERIFY(!db.IsOpen());
        QVERIFY(db.ConnectionSerial() == serial);
        QVERIFY(db.ConnectDatabase(m_fx->DataSource(Engine::SQLite), {}, {}).ok);
        QVERIFY(db.ConnectionSerial() != serial);
        db.Close();
        db.Close(); // closing twice is harmless
        QVERIFY(!db.IsOpen());
        StationQueries queries(db);
        float value = 0;
        try {
            queries.ReadLatestValue("ST1"_q, "TEMP"_q, value);
            QFAIL("a statement without a connection must fail");
        } catch (const DatabaseError& error) {
            QVERIFY(!error.text().isEmpty());
            QCOMPARE(QString::fromUtf8(error.what()), error.text());
        }
    }

    void twoSessionsSideBySide()
    {
        REQUIRE_ENGINE(Engine::SQLite);
        StationDatabase first(QStringLiteral("test_first"));
        StationDatabase second(QStringLiteral("test_second"));
        QVERIFY(first.ConnectDatabase(m_fx->DataSource(Engine::SQLite), {}, {}).ok);
        QVERIFY(second.ConnectDatabase(m_fx->DataSource(Engine::SQLite), {}, {}).ok);
        first.Close();
        QVERIFY(second.IsOpen());
        StationQueries queries(second);
        QString list;
        queries.LoadStationList(list);
    }

    void dataSourcesListed()
    {
        const QVector<DataSourceInfo> sources = StationDatabase::ListDataSources();
        QStringList names;
        for (const DataSourceInfo& source : sources)
            names << source.name;
        QVERIFY2(names.contains(QStringLiteral("OrvelaTestUserDsn")),
                 qPrintable(names.join(QLatin1Char(','))));
        if (m_fx->Available(Engine::SQLite)) {
            QVERIFY(names.contains(QStringLiteral("OrvelaTestSQLite")));
            for (const DataSourceInfo& source : sources)
                if (source.name == QLatin1String("OrvelaTestSQLite"))
                    QCOMPARE(source.driver, QStringLiteral("Orvela Test SQLite"));
        }
        for (const Engine engine : ServerEngines)
            if (m_fx->Available(engine))
                QVERIFY(names.contains(m_fx->DataSource(engine)));
    }

    void latestValueStatementPerDialect_data()
    {
        QTest::addColumn<SqlDialect>("dialect");
        QTest::addColumn<QString>("text");
        const QString where = QStringLiteral("FROM KT_DATA1 WHERE (STATION_ID = :STATION_ID) AND "
                                             "(SENSORNAME = :SENSORNAME) ORDER BY TIME_TAG DESC");
        QTest::newRow("TOP 1") << SqlDialect::Top << "SELECT TOP 1 * "_q + where;
        QTest::newRow("LIMIT 1") << SqlDialect::Limit << "SELECT * "_q + where + " LIMIT 1"_q;
        QTest::newRow("FETCH FIRST")
            << SqlDialect::FetchFirst << "SELECT * "_q + where + " FETCH FIRST 1 ROWS ONLY"_q;
        QTest::newRow("unknown: no clause") << SqlDialect::Unlimited << "SELECT * "_q + where;
    }

    void latestValueStatementPerDialect()
    {
        QFETCH(SqlDialect, dialect);
        QFETCH(QString, text);
        QCOMPARE(statements::LatestValue(dialect), text);
    }

    // --- reads that process events ------------------------------------------------------

    void closeOrReconnectDuringRead_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<bool>("reconnect");
        ForEachEngine([](Engine e) {
            QTest::newRow(qPrintable(EngineLabel(e) + QLatin1String(": closed during a read")))
                << e << false;
            QTest::newRow(qPrintable(EngineLabel(e) + QLatin1String(": reconnected during a read")))
                << e << true;
        });
    }

    void closeOrReconnectDuringRead()
    {
        QFETCH(Engine, engine);
        QFETCH(bool, reconnect);
        REQUIRE_ENGINE(engine);
        std::vector<TestReading> readings;
        for (int i = 0; i < 100; ++i)
            readings.push_back({2024, 5, 1, 10 + i / 60, i % 60, 0, double(i)});
        QVERIFY2(m_fx->InsertReadings(engine, "ST1"_q, "TEMP"_q, readings),
                 qPrintable(m_fx->LastError()));
        auto db = Connect(engine);
        StationQueries queries(*db);
        int rows = 0;
        const bool complete = queries.ReadTimeRange(
            "ST1"_q, "TEMP"_q, ToDateTime({2024, 5, 1, 0, 0, 0}), ToDateTime({2024, 5, 2, 0, 0, 0}),
            [&](DateTime, double) {
                if (++rows == 10) {
                    if (reconnect)
                        QVERIFY(db->ConnectDatabase(m_fx->DataSource(engine), m_fx->User(engine),
                                                    m_fx->Password(engine))
                                    .ok);
                    else
                        db->Close();
                }
            });
        QVERIFY(!complete);
        QCOMPARE(rows, 10);
        QCOMPARE(db->IsOpen(), reconnect);
        if (reconnect) {
            rows = 0;
            QVERIFY(queries.ReadTimeRange("ST1"_q, "TEMP"_q, ToDateTime({2024, 5, 1, 0, 0, 0}),
                                          ToDateTime({2024, 5, 2, 0, 0, 0}),
                                          [&rows](DateTime, double) { ++rows; }));
            QCOMPARE(rows, 100);
        }
    }

    void statementInsideARead_data()
    {
        QTest::addColumn<Engine>("engine");
        ForEachEngine([](Engine e) { AddEngineRow(e, "latest value and a second range"); });
    }

    // A timer tick may run other statements in the middle of a graph load.
    void statementInsideARead()
    {
        QFETCH(Engine, engine);
        REQUIRE_ENGINE(engine);
        std::vector<TestReading> readings;
        for (int i = 0; i < 50; ++i)
            readings.push_back({2024, 5, 1, 10, i, 0, double(i)});
        QVERIFY2(m_fx->InsertReadings(engine, "ST1"_q, "TEMP"_q, readings),
                 qPrintable(m_fx->LastError()));
        auto db = Connect(engine);
        StationQueries queries(*db);
        const DateTime start = ToDateTime({2024, 5, 1, 0, 0, 0});
        const DateTime end = ToDateTime({2024, 5, 2, 0, 0, 0});
        int outer = 0;
        int inner = 0;
        float latest = 0;
        QVERIFY(queries.ReadTimeRange("ST1"_q, "TEMP"_q, start, end, [&](DateTime, double) {
            if (++outer == 5) {
                QVERIFY(queries.ReadLatestValue("ST1"_q, "TEMP"_q, latest));
                QVERIFY(queries.ReadTimeRange("ST1"_q, "TEMP"_q, start, end,
                                              [&inner](DateTime, double) { ++inner; }));
            }
        }));
        QCOMPARE(outer, 50);
        QCOMPARE(inner, 50);
        QCOMPARE(latest, 49.0F);
    }

    // --- server restart -----------------------------------------------------------------

    void reconnectAfterServerRestart_data()
    {
        QTest::addColumn<Engine>("engine");
        for (const Engine engine : ServerEngines)
            AddEngineRow(engine, "stopped and started again");
    }

    void reconnectAfterServerRestart()
    {
        QFETCH(Engine, engine);
        REQUIRE_ENGINE(engine);
        // A server of this test's own, so that stopping it disturbs no other test.
        PrivateServer server(engine);
        QVERIFY2(server.Start(), qPrintable(server.ErrorText()));
        const ServerFacts& facts = server.Facts();
        const QString dsn = QStringLiteral("OrvelaTestRestart") + EngineTitle(engine);
        m_fx->AddDataSource(dsn, m_fx->ServerAttributes(engine, facts, facts.database));

        const auto seed = [&](const QStringList& sql) {
            const QString name = QStringLiteral("test_restart_seed");
            QString error;
            {
                QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
                admin.setDatabaseName(dsn);
                admin.setUserName(facts.user);
                QString password = facts.password;
                password.replace(QLatin1String("}"), QLatin1String("}}"));
                admin.setPassword(QLatin1Char('{') + password + QLatin1Char('}'));
                if (!admin.open())
                    error = admin.lastError().text();
                for (const QString& statement : sql) {
                    QSqlQuery query(admin);
                    if (error.isEmpty() && !query.exec(statement))
                        error = query.lastError().text();
                }
                admin.close();
            }
            QSqlDatabase::removeDatabase(name);
            return error;
        };
        const auto reading = [engine](int minute, double value) {
            return QStringLiteral("INSERT INTO KT_DATA1 VALUES ('ST1', 'TEMP', %1, %2)")
                .arg(EngineFixture::TimeLiteral(engine, 2024, 5, 1, 10, minute, 0))
                .arg(value);
        };
        QString error = seed(EngineFixture::TableStatements(engine) + QStringList{reading(0, 1.5)});
        QVERIFY2(error.isEmpty(), qPrintable(error));

        StationDatabase db(QStringLiteral("test_restart"));
        const ConnectResult connected = db.ConnectDatabase(dsn, facts.user, facts.password);
        QVERIFY2(connected.ok, qPrintable(connected.errorText));
        StationQueries queries(db);
        float value = 0;
        QVERIFY(queries.ReadLatestValue("ST1"_q, "TEMP"_q, value));
        QCOMPARE(value, 1.5F);

        // Restarted between two refreshes: the next one shows fresh data by itself.
        QVERIFY2(server.Stop(), qPrintable(server.ErrorText()));
        QVERIFY2(server.Start(), qPrintable(server.ErrorText()));
        error = seed({reading(1, 2.5)});
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(queries.ReadLatestValue("ST1"_q, "TEMP"_q, value));
        QCOMPARE(value, 2.5F);
        QVERIFY(db.IsOpen());

        // Down: statements fail with the engine's text and the program goes on.
        QVERIFY2(server.Stop(), qPrintable(server.ErrorText()));
        QVERIFY_EXCEPTION_THROWN(queries.ReadLatestValue("ST1"_q, "TEMP"_q, value), DatabaseError);
        int rows = 0;
        QVERIFY_EXCEPTION_THROWN(queries.ReadTimeRange("ST1"_q, "TEMP"_q,
                                                       ToDateTime({2024, 5, 1, 0, 0, 0}),
                                                       ToDateTime({2024, 5, 2, 0, 0, 0}),
                                                       [&rows](DateTime, double) { ++rows; }),
                                 DatabaseError);
        QVERIFY(!db.IsOpen());

        // Back again: the next statement reopens the connection.
        QVERIFY2(server.Start(), qPrintable(server.ErrorText()));
        QVERIFY(queries.ReadTimeRange("ST1"_q, "TEMP"_q, ToDateTime({2024, 5, 1, 0, 0, 0}),
                                      ToDateTime({2024, 5, 2, 0, 0, 0}),
                                      [&rows](DateTime, double) { ++rows; }));
        QCOMPARE(rows, 2);
        QVERIFY(db.IsOpen());
        db.Close();
    }
};

QTEST_GUILESS_MAIN(TestStationQueries)
#include "test_station_queries.moc"
