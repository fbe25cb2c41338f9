#pragma once

// Helpers shared by the graph tests: a fixed local clock, a connection to one of the fixture's
// engines, and time stamps written as civil fields.

#include "core/db/station_database.h"
#include "core/db/station_queries.h"
#include "db/engine_fixture.h"
#include "support/station_time.h"

#include <QString>
#include <QtTest>

#include <functional>
#include <map>
#include <memory>

namespace orvela::test {

// Test data reads better as plain literals; the project forbids their implicit conversion.
inline QString operator""_q(const char* text, std::size_t size)
{
    return QString::fromUtf8(text, static_cast<int>(size));
}

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

// The connection to `engine` kept in `connections`: opened on first use (named
// NAME_ENGINE) and kept there for the rest of the test. Null when it does not open.
inline Connection* OpenedConnection(std::map<Engine, Connection>& connections,
                                    const EngineFixture& fixture, Engine engine,
                                    const QString& name)
{
    auto found = connections.find(engine);
    if (found == connections.end()) {
        Connection connection;
        if (!connection.Open(fixture, engine, name + QLatin1Char('_') + EngineLabel(engine)))
            return nullptr;
        found = connections.emplace(engine, std::move(connection)).first;
    }
    return &found->second;
}

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
