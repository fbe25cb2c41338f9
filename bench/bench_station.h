#pragma once

// The bench's station and how its database is filled: station BENCH with six sensors, read
// every few seconds over a window of days that ends at the bench's clock, and the readings of
// the minutes its steady refreshes come at, stored ahead.

#include "db/engine_fixture.h"
#include "support/station_time.h"

#include <QString>

#include <algorithm>
#include <array>

namespace orvela::bench {

using test::Engine;
using test::EngineFixture;
using test::TestReading;

inline const QString Station = QStringLiteral("BENCH");
inline const std::array<QString, 6> Sensors = {
    QStringLiteral("AIR TEMP"), QStringLiteral("HUMIDITY"),   QStringLiteral("PRESSURE"),
    QStringLiteral("RAIN"),     QStringLiteral("WIND SPEED"), QStringLiteral("WIND DIR")};
// The clock stands at the end of the window's data when the graphs first load; each steady
// refresh comes a minute later on it, and the readings for those minutes are stored ahead.
inline const CivilTime Now{2005, 3, 11, 0, 0, 0};
inline constexpr StationTime RefreshEvery = 60;

// The readings of one sensor: every `step` seconds from the window's start (excluded) on, up to
// the clock of the last refresh the run makes.
struct Shape
{
    int step = 60;
    int days = 10;
    int refreshes = 0; // steady refreshes after the first loads
    StationTime first() const { return EncodeStationTime(Now) - days * SecondsPerDay; }
    long long readings() const
    {
        return (static_cast<long long>(days) * SecondsPerDay +
                static_cast<long long>(refreshes) * RefreshEvery) /
               step;
    }
    // Readings within the window that ends `minutes` refreshes after Now.
    long long inWindow(int minutes) const
    {
        const long long low = static_cast<long long>(minutes) * RefreshEvery;
        const long long high = low + static_cast<long long>(days) * SecondsPerDay;
        const long long firstIndex = std::max<long long>(1, (low + step - 1) / step);
        return std::min(readings(), high / step) - firstIndex + 1;
    }
    double value(int sensor, long long k) const
    {
        return sensor * 100.0 + static_cast<double>(k % 997) / 7.0;
    }
    QString label() const { return QStringLiteral("%1 s readings").arg(step); }
};

// The station tables with the station, its sensors and all their readings.
bool FillDatabase(EngineFixture& fixture, Engine engine, const Shape& shape);

} // namespace orvela::bench
