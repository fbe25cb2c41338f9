#pragma once

// Calendar arithmetic on StationTime, the program's compact time stamp: a signed 32-bit count
// of seconds since 1984-12-31 00:00:00 local civil time. There are no time zones here: a day is
// always 86,400 seconds and daylight saving never moves anything.

#include <cstdint>
#include <functional>

namespace orvela {

using StationTime = std::int32_t;
// Day 0 is 1984-12-31, day 1 is 1985-01-01.
using StationDay = std::uint16_t;
// Days since 1899-12-30 with the time of day as fraction; 1984-12-31 00:00:00 is 31047.0.
using DateTime = double;

struct CivilDate
{
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;
    friend bool operator==(const CivilDate& a, const CivilDate& b)
    {
        return a.year == b.year && a.month == b.month && a.day == b.day;
    }
};

struct ClockTime
{
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;
    friend bool operator==(const ClockTime& a, const ClockTime& b)
    {
        return a.hour == b.hour && a.minute == b.minute && a.second == b.second;
    }
};

// Six calendar fields; also used for six offsets (years, months, days, hours, minutes, seconds).
struct CivilTime
{
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;
    friend bool operator==(const CivilTime& a, const CivilTime& b)
    {
        return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
               a.minute == b.minute && a.second == b.second;
    }
    friend bool operator!=(const CivilTime& a, const CivilTime& b) { return !(a == b); }
};

constexpr DateTime StationEpochDateTime = 31047.0;
constexpr std::int32_t SecondsPerDay = 86400;

StationTime DateTimeToStationTime(DateTime d);
DateTime StationTimeToDateTime(StationTime t);

StationDay EncodeStationDay(std::int32_t year, std::int32_t month, std::int32_t day);
CivilDate DecodeStationDay(StationDay n);

std::int32_t EncodeTimeOfDay(std::int32_t hours, std::int32_t minutes, std::int32_t seconds);
ClockTime DecodeTimeOfDay(std::int32_t seconds);

StationTime EncodeStationTime(std::int32_t year, std::int32_t month, std::int32_t day,
                              std::int32_t hour, std::int32_t minute, std::int32_t second);
StationTime EncodeStationTime(const CivilTime& fields);
CivilTime DecodeStationTime(StationTime t);

// The clock: all three read the local clock once, to the second.
std::int32_t TimeOfDayNow();
StationDay StationDayToday();
StationTime StationTimeNow();

// `at` holds the calendar fields, `by` the offsets to add.
StationTime OffsetStationTime(const CivilTime& at, const CivilTime& by);

// Civil date-time fields and DateTime, by calendar arithmetic alone. A month outside 1 to 12
// moves whole years and a day beyond the month's end runs on into the next month. The fraction
// is in nanoseconds.
DateTime CivilToDateTime(std::int32_t year, std::int32_t month, std::int32_t day, std::int32_t hour,
                         std::int32_t minute, std::int32_t second, std::uint32_t fraction = 0);
// To the nearest second, halves to even. False for a value that is not finite or lies outside
// the years 1 to 9999.
bool DateTimeToCivil(DateTime value, CivilTime& fields);

// 1 for Monday to 7 for Sunday.
std::int32_t DayOfWeek(std::int32_t year, std::int32_t month, std::int32_t day);

// The local clock, to the second. Tests replace it; an empty function restores the real one.
using LocalClock = std::function<CivilTime()>;
void SetLocalClock(LocalClock clock);
CivilTime ReadLocalClock();

} // namespace orvela
