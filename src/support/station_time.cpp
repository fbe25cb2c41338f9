#include "support/station_time.h"

#include <array>
#include <cmath>
#include <ctime>
#include <limits>
#include <mutex>

namespace orvela {
namespace {

// Days of a common year before each month, indexed 0 to 13: month 0 counts as January and
// month 13 as January of the following year.
constexpr std::array<std::int64_t, 14> MonthStart = {0,   0,   31,  59,  90,  120, 151,
                                                     181, 212, 243, 273, 304, 334, 365};

constexpr std::int64_t EpochYear = 1985;

// The two's-complement reading of a 32-bit pattern, without relying on signed overflow.
std::int32_t ToSigned(std::uint32_t bits)
{
    if (bits <= static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
        return static_cast<std::int32_t>(bits);
    return static_cast<std::int32_t>(bits - 2147483648u) + std::numeric_limits<std::int32_t>::min();
}

std::uint32_t ToBits(std::int64_t value)
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) & 0xFFFFFFFFu);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Nearest whole number, an exact half going to the even neighbour, whatever rounding mode the
// floating-point unit is left in (std::nearbyint would follow that mode).
double RoundHalfToEven(double x)
{
    const double whole = std::trunc(x);
    // Exact: x and its truncation differ by less than one unit of x's leading digit.
    const double fraction = x - whole;
    if (std::fabs(fraction) != 0.5)
        return std::round(x);
    return std::fmod(whole, 2.0) == 0.0 ? whole : whole + std::copysign(1.0, x);
}

std::int32_t WrappingAdd(std::int32_t a, std::int32_t b)
{
    return ToSigned(ToBits(a) + ToBits(b));
}

bool IsLeapYear(std::int64_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Leap days from year 1 up to and including `year` (proleptic Gregorian).
std::int64_t LeapDaysThrough(std::int64_t year)
{
    return FloorDiv(year, 4) - FloorDiv(year, 100) + FloorDiv(year, 400);
}

// Days from 1984-12-31 to 31 December of year - 1: 0 for 1985, 365 for 1986.
std::int64_t DaysBeforeYear(std::int64_t year)
{
    return 365 * (year - EpochYear) + LeapDaysThrough(year - 1) - LeapDaysThrough(EpochYear - 1);
}

// Months outside 0 to 13 never reach the table: below 0 they count as month 0 (January),
// which continues the rule that month 0 is January.
std::int64_t DaysBeforeMonth(std::int64_t year, std::int64_t month)
{
    const std::int64_t index = month < 0 ? 0 : month > 13 ? 13 : month;
    return MonthStart.at(static_cast<std::size_t>(index)) + (index > 2 && IsLeapYear(year) ? 1 : 0);
}

// The linear day count of EncodeStationDay before it is cut to 16 bits, and without the
// "before 1985 is day 0" rule; any year and day are taken.
std::int64_t LinearDay(std::int64_t year, std::int64_t month, std::int64_t day)
{
    return DaysBeforeYear(year) + DaysBeforeMonth(year, month) + day;
}

// The months above 13 fold into years, twelve at a time, as a loop subtracting 12 would; done
// arithmetically so that a huge month takes no time.
void FoldMonth(std::int64_t& year, std::int64_t& month)
{
    if (month > 13) {
        const std::int64_t years = (month - 13 + 11) / 12;
        month -= 12 * years;
        year += years;
    }
}

StationDay EncodeDay(std::int64_t year, std::int64_t month, std::int64_t day)
{
    FoldMonth(year, month);
    if (year < EpochYear)
        return 0;
    return static_cast<StationDay>(static_cast<std::uint64_t>(LinearDay(year, month, day)) &
                                   0xFFFFu);
}

// The Gregorian date `days` days after 1984-12-31; any count, negative ones included.
CivilDate DateFromDayCount(std::int64_t days)
{
    // Count from 0000-03-01 instead, so that the leap day ends each 4-year cycle; 1984-12-31
    // is day 724,946 of that count.
    const std::int64_t z = days + 724946;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return {static_cast<std::int32_t>(year), static_cast<std::int32_t>(month),
            static_cast<std::int32_t>(day)};
}

std::mutex g_clockMutex;
LocalClock g_clock;

// std::time counts whole seconds, so the milliseconds are dropped before the split.
CivilTime SystemClock()
{
    const std::time_t now = std::time(nullptr);
    std::tm fields{};
#ifdef _WIN32
    const bool ok = now != static_cast<std::time_t>(-1) && localtime_s(&fields, &now) == 0;
#else
    const bool ok = now != static_cast<std::time_t>(-1) && localtime_r(&now, &fields) != nullptr;
#endif
    // A clock that cannot be read gives 1984-12-31 00:00:00, StationTime 0, rather than the
    // zeroed fields (which would be 1900-01-00).
    if (!ok)
        return {1984, 12, 31, 0, 0, 0};
    // A leap second (tm_sec 60) counts as the first second of the next minute, as in every
    // other second count here.
    return {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
            fields.tm_hour,        fields.tm_min,     fields.tm_sec};
}

} // namespace

StationTime DateTimeToStationTime(DateTime d)
{
    const double seconds = (d - StationEpochDateTime) * 86400.0;
    // Outside the model: not-a-number gives 0, and so do the infinities, whose low 32 bits are
    // taken to be 0 like those of every finite double from 2^84 on.
    if (!std::isfinite(seconds))
        return 0;
    const double rounded = RoundHalfToEven(seconds);
    // The low 32 bits of the whole number, read as signed; fmod is exact.
    double low = std::fmod(rounded, 4294967296.0);
    if (low < 0)
        low += 4294967296.0;
    return ToSigned(static_cast<std::uint32_t>(low));
}

DateTime StationTimeToDateTime(StationTime t)
{
    return StationEpochDateTime + static_cast<double>(t) / 86400.0;
}

StationDay EncodeStationDay(std::int32_t year, std::int32_t month, std::int32_t day)
{
    return EncodeDay(year, month, day);
}

CivilDate DecodeStationDay(StationDay n)
{
    // Days above 24,855 lie beyond the last StationTime; they still decode to their date
    // (up to 2164-06-05 for day 65,535).
    return DateFromDayCount(n);
}

std::int32_t EncodeTimeOfDay(std::int32_t hours, std::int32_t minutes, std::int32_t seconds)
{
    return ToSigned(ToBits(hours) * 3600u + ToBits(minutes) * 60u + ToBits(seconds));
}

ClockTime DecodeTimeOfDay(std::int32_t seconds)
{
    const std::int32_t rest = seconds % 3600;
    return {seconds / 3600, rest / 60, rest % 60};
}

StationTime EncodeStationTime(std::int32_t year, std::int32_t month, std::int32_t day,
                              std::int32_t hour, std::int32_t minute, std::int32_t second)
{
    // A moment after 2053-01-18 03:14:07 wraps through 32 bits: one second later is the most
    // negative count, read back as 1916-12-12 20:45:52.
    const std::uint32_t days = EncodeStationDay(year, month, day);
    return ToSigned(days * 86400u + ToBits(EncodeTimeOfDay(hour, minute, second)));
}

StationTime EncodeStationTime(const CivilTime& f)
{
    return EncodeStationTime(f.year, f.month, f.day, f.hour, f.minute, f.second);
}

CivilTime DecodeStationTime(StationTime t)
{
    // Negative counts lie before 1984-12-31 and decode to the dates before it (down to
    // 1916-12-12 20:45:52), with the time of day always 0 to 23:59:59.
    const std::int64_t days = FloorDiv(t, SecondsPerDay);
    const auto rest = static_cast<std::int32_t>(t - days * SecondsPerDay);
    const CivilDate date = DateFromDayCount(days);
    const ClockTime time = DecodeTimeOfDay(rest);
    return {date.year, date.month, date.day, time.hour, time.minute, time.second};
}

std::int32_t TimeOfDayNow()
{
    const CivilTime now = ReadLocalClock();
    return EncodeTimeOfDay(now.hour, now.minute, now.second);
}

StationDay StationDayToday()
{
    const CivilTime now = ReadLocalClock();
    return EncodeStationDay(now.year, now.month, now.day);
}

StationTime StationTimeNow()
{
    // One reading for both halves, so midnight never mixes an old date with a new time.
    return EncodeStationTime(ReadLocalClock());
}

StationTime OffsetStationTime(const CivilTime& at, const CivilTime& by)
{
    // Every sum of two fields is a signed 32-bit value that wraps, so the date handed to
    // EncodeStationTime is always one of 32-bit fields: a year pushed past 2^31 - 1 wraps
    // negative and so lies before 1985 (date part 0). Only the split of the month sum into
    // years and a month 1 to 12 is exact.
    const std::int64_t t = WrappingAdd(at.month, by.month);
    const std::int64_t years = FloorDiv(t - 1, 12);
    const auto month = static_cast<std::int32_t>(t - 1 - years * 12 + 1);
    const std::int32_t year = ToSigned(ToBits(std::int64_t{at.year} + by.year + years));
    const std::int32_t day = WrappingAdd(at.day, by.day);
    const StationTime base = EncodeStationTime(year, month, day, at.hour, at.minute, at.second);
    return WrappingAdd(base, EncodeTimeOfDay(by.hour, by.minute, by.second));
}

DateTime CivilToDateTime(std::int32_t year, std::int32_t month, std::int32_t day, std::int32_t hour,
                         std::int32_t minute, std::int32_t second, std::uint32_t fraction)
{
    // The month into 1 to 12 first, moving whole years either way.
    const std::int64_t years = FloorDiv(std::int64_t{month} - 1, 12);
    const std::int64_t days = LinearDay(year + years, month - years * 12, day);
    const std::int64_t seconds = std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second;
    return StationEpochDateTime + static_cast<double>(days) +
           (static_cast<double>(seconds) + static_cast<double>(fraction) / 1e9) /
               static_cast<double>(SecondsPerDay);
}

bool DateTimeToCivil(DateTime value, CivilTime& fields)
{
    // Years 1 to 9999 lie well within these bounds; they also keep the product exact.
    if (!std::isfinite(value) || value < -700000.0 || value > 3000000.0)
        return false;
    // Counted from the station epoch, as DateTimeToStationTime counts, so both round alike.
    const auto seconds =
        static_cast<std::int64_t>(std::nearbyint((value - StationEpochDateTime) * 86400.0));
    const std::int64_t days = FloorDiv(seconds, SecondsPerDay);
    const std::int64_t secondOfDay = seconds - days * SecondsPerDay;
    const CivilDate date = DateFromDayCount(days);
    if (date.year < 1 || date.year > 9999)
        return false;
    fields.year = date.year;
    fields.month = date.month;
    fields.day = date.day;
    fields.hour = static_cast<std::int32_t>(secondOfDay / 3600);
    fields.minute = static_cast<std::int32_t>(secondOfDay % 3600 / 60);
    fields.second = static_cast<std::int32_t>(secondOfDay % 60);
    return true;
}

std::int32_t DayOfWeek(std::int32_t year, std::int32_t month, std::int32_t day)
{
    // A date that does not exist is counted on the same linear day count as EncodeStationDay
    // (day 0 is the last of the previous month, month 13 is January of the next year), without
    // its 16-bit cut and for any year.
    std::int64_t y = year;
    std::int64_t m = month;
    FoldMonth(y, m);
    const std::int64_t days = LinearDay(y, m, day);
    // Day 0 of the count, 1984-12-31, was a Monday.
    return static_cast<std::int32_t>(days - FloorDiv(days, 7) * 7) + 1;
}

void SetLocalClock(LocalClock clock)
{
    const std::lock_guard<std::mutex> lock(g_clockMutex);
    g_clock = std::move(clock);
}

CivilTime ReadLocalClock()
{
    {
        const std::lock_guard<std::mutex> lock(g_clockMutex);
        if (g_clock)
            return g_clock();
    }
    return SystemClock();
}

} // namespace orvela
