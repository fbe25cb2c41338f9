#pragma once

// Helpers shared by the graph tests: a fixed local clock, a connection to one of the fixture's
// engines, and time stamps written as civil fields.

#include "core/db/station_database.h"
#include "core/db/station_queries.h"
#include "db/engine_fixture.h"
#include "support/station_time.h"
#include "text_literal.h"

#include <QString>
#include <QtTest>

#include <functional>
#include <map>
#include <memory>

namespace orvela::test {

// The local clock stands at `now` for as long as the guard lives.
class FixedClock
{
public:
    explicit FixedClock(const CivilTime& now) { Set(now); }
    ~FixedClock() { SetLocalClock({}); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
    void Set(const CivilTime& now)
    {
        SetLocalClock([now] { return now; });
    }
};

inline DateTime At(int year, int month, int day, int hour, int minute, int second)
{
    return CivilToDateTime(year, month, day, hour, minute, second);
}

// A connection of the program's own to an engine of the fixture.
struct Connection
{
    std::unique_ptr<StationDatabase> database;
    std::unique_ptr<StationQueries> queries;

    bool Open(const EngineFixture& fixture, Engine engine, const QString& name)
    {
        database = std::make_unique<StationDatabase>(name);
        queries = std::make_unique<StationQueries>(*database);
        const ConnectResult result = database->ConnectDatabase(
            fixture.DataSource(engine), fixture.User(engine), fixture.Password(engine));
        if (!result.ok)
            qWarning("%s", qPrintable(result.errorText));
        return result.ok;
    }
};

// What a test class whose cases run on the fixture's engines shares: the fixture, with the
// station tables on every engine it has, and one connection of the program's own per engine,
// opened on first use (named NAME_ENGINE) and kept for the rest of the test. The test class
// derives from it after QObject and calls SetUpEngines and TearDownEngines from its
// initTestCase and cleanupTestCase.
class EngineCases
{
protected:
    void SetUpEngines()
    {
        m_fx = std::make_unique<EngineFixture>();
        for (const Engine engine : AllEngines)
            if (m_fx->Available(engine))
                QVERIFY2(m_fx->CreateTables(engine), qPrintable(m_fx->LastError()));
    }
    void TearDownEngines()
    {
        m_connections.clear();
        m_fx.reset();
    }
    // Null when the connection does not open.
    Connection* EngineConnection(Engine engine, const QString& name)
    {
        auto found = m_connections.find(engine);
        if (found == m_connections.end()) {
            Connection connection;
            if (!connection.Open(*m_fx, engine, name + QLatin1Char('_') + EngineLabel(engine)))
                return nullptr;
            found = m_connections.emplace(engine, std::move(connection)).first;
        }
        return &found->second;
    }
    StationQueries* EngineQueries(Engine engine, const QString& name)
    {
        Connection* connection = EngineConnection(engine, name);
        return connection ? connection->queries.get() : nullptr;
    }

    std::unique_ptr<EngineFixture> m_fx;
    std::map<Engine, Connection> m_connections;
};

} // namespace orvela::test

Q_DECLARE_METATYPE(orvela::test::Engine)
Q_DECLARE_METATYPE(orvela::CivilTime)

namespace orvela::test {

// One data row per engine, named "sqlite: NAME", "postgresql: NAME" and "mariadb: NAME", with
// the engine in the first column; `columns` adds the rest of the row.
inline void EngineRows(const char* name, const std::function<void(QTestData&)>& columns = {})
{
    for (const Engine engine : AllEngines) {
        QTestData& row =
            QTest::newRow(qPrintable(EngineLabel(engine) + ": "_q + QString::fromUtf8(name)))
            << engine;
        if (columns)
            columns(row);
    }
}

} // namespace orvela::test
