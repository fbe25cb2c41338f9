#pragma once

// Helpers shared by the graph tests: a fixed local clock, a connection to one of the fixture's
// engines, and time stamps written as civil fields.

#include "db/engine_fixture.h"
#include "db/station_database.h"
#include "db/station_queries.h"
#include "support/station_time.h"

#include <QString>
#include <QtTest>

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

} // namespace orvela::test

Q_DECLARE_METATYPE(orvela::test::Engine)
Q_DECLARE_METATYPE(orvela::CivilTime)
