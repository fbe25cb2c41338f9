#include "core/graphs/graph_text.h"

#include "core/db/station_queries.h"
#include "support/format_scan.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace orvela {
namespace {

constexpr int SignificantDigits = 15;

QString TwoDigits(std::int32_t n)
{
    return QString::number(n).rightJustified(2, QLatin1Char('0'));
}

// The magnitude of a finite value rounded to `decimals` places: its integer digits (at least
// one) and its `decimals` fraction digits.
struct RoundedDigits
{
    std::string integer;
    std::string fraction;
};

RoundedDigits RoundToDecimals(double magnitude, int decimals)
{
    // "%.14e" rounds the exact binary value correctly to 15 significant digits: d.ddd...e±xx.
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.*e", SignificantDigits - 1, magnitude);
    std::string significand;
    const char* p = buffer;
    for (; *p != '\0' && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            significand.push_back(*p);
    const long exponent = *p == 'e' ? std::strtol(p + 1, nullptr, 10) : 0;

    // The digits of magnitude × 10^decimals up to the units place, then the first digit dropped.
    const long kept = exponent + 1 + decimals;
    std::string digits;
    bool roundUp = false;
    if (kept >= static_cast<long>(significand.size())) {
        digits =
            significand + std::string(static_cast<std::size_t>(kept) - significand.size(), '0');
    } else if (kept >= 0) {
        digits = significand.substr(0, static_cast<std::size_t>(kept));
        roundUp = significand[static_cast<std::size_t>(kept)] >= '5';
    }
    if (roundUp) {
        std::size_t i = digits.size();
        for (; i > 0; --i) {
            if (digits[i - 1] != '9') {
                ++digits[i - 1];
                break;
            }
            digits[i - 1] = '0';
        }
        if (i == 0)
            digits.insert(digits.begin(), '1');
    }
    const auto fractionDigits = static_cast<std::size_t>(decimals);
    if (digits.size() < fractionDigits + 1)
        digits.insert(0, fractionDigits + 1 - digits.size(), '0');
    const std::size_t split = digits.size() - fractionDigits;
    return {digits.substr(0, split), digits.substr(split)};
}

QString DecimalText(double value, const QLocale& locale, bool dropLeadingZero)
{
    if (!std::isfinite(value))
        return locale.toString(value);
    const RoundedDigits digits = RoundToDecimals(std::fabs(value), 2);
    const bool zero = digits.integer.find_first_not_of('0') == std::string::npos &&
                      digits.fraction.find_first_not_of('0') == std::string::npos;
    QString text;
    if (value < 0 && !zero)
        text += locale.negativeSign();
    if (!(dropLeadingZero && digits.integer == "0"))
        text += QString::fromLatin1(digits.integer.c_str());
    text += locale.decimalPoint();
    text += QString::fromLatin1(digits.fraction.c_str());
    return text;
}

// The six time ranges: how far back from its end a window reaches, and its name.
struct TimeRange
{
    CivilTime back;
    const char* label;
};
constexpr std::array<TimeRange, 6> TimeRanges = {{{{0, 0, 0, -6, 0, 0}, "6 hours"},
                                                  {{0, 0, 0, -12, 0, 0}, "12 hours"},
                                                  {{0, 0, -1, 0, 0, 0}, "24 hours"},
                                                  {{0, 0, -3, 0, 0, 0}, "3 days"},
                                                  {{0, 0, -7, 0, 0, 0}, "7 days"},
                                                  {{0, 0, -10, 0, 0, 0}, "10 days"}}};

// An index outside 0 to 5 is the default range.
const TimeRange& RangeOf(int rangeIndex)
{
    const bool known = rangeIndex >= 0 && rangeIndex < static_cast<int>(TimeRanges.size());
    return TimeRanges.at(static_cast<std::size_t>(known ? rangeIndex : DefaultGraphRange));
}

} // namespace

GraphWindow GraphWindowEndingAt(StationTime end, int rangeIndex)
{
    CivilTime at = DecodeStationTime(end);
    at.second = 0;
    return {OffsetStationTime(at, RangeOf(rangeIndex).back), end};
}

GraphWindow GraphWindowNow(int rangeIndex)
{
    return GraphWindowEndingAt(StationTimeNow(), rangeIndex);
}

QString GraphRangeLabel(int rangeIndex)
{
    return QLatin1String(RangeOf(rangeIndex).label);
}

QString TrimBlanksAndControls(const QString& text)
{
    int first = 0;
    int last = text.size();
    while (first < last && text.at(first).unicode() <= 0x20)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 0x20)
        --last;
    return text.mid(first, last - first);
}

QString SeriesTitle(const QString& station, const QString& sensor)
{
    return TrimBlanksAndControls(station) + QLatin1Char('.') + sensor;
}

QString AxisTimeText(DateTime value)
{
    CivilTime at;
    if (!DateTimeToCivil(value, at))
        return QString();
    const LocaleSeparators separators = CurrentDateTimeTemplates().separators;
    const QChar date(separators.date);
    const QChar time(separators.time);
    return TwoDigits(at.day) + date + TwoDigits(at.month) + QLatin1Char(' ') + TwoDigits(at.hour) +
           time + TwoDigits(at.minute);
}

QString ReadOutTimeText(DateTime value)
{
    CivilTime at;
    if (!DateTimeToCivil(value, at))
        return QString();
    const LocaleSeparators separators = CurrentDateTimeTemplates().separators;
    const QChar date(separators.date);
    const QChar time(separators.time);
    return TwoDigits(at.day) + date + TwoDigits(at.month) + date +
           QString::number(at.year).rightJustified(4, QLatin1Char('0')) + QLatin1Char(' ') +
           TwoDigits(at.hour) + time + TwoDigits(at.minute) + time + TwoDigits(at.second);
}

QString AxisValueText(double value, const QLocale& locale)
{
    return DecimalText(value, locale, false);
}

QString ReadOutValueText(double value, const QLocale& locale)
{
    return DecimalText(value, locale, true);
}

QString TimeSpanText(double days)
{
    if (!std::isfinite(days))
        return QString();
    const long long seconds = std::llround(std::fabs(days) * SecondsPerDay);
    const long long wholeDays = seconds / SecondsPerDay;
    const auto hours = static_cast<std::int32_t>(seconds % SecondsPerDay / 3600);
    const QString minutesAndSeconds =
        QLatin1Char(':') + TwoDigits(static_cast<std::int32_t>(seconds % 3600 / 60)) +
        QLatin1Char(':') + TwoDigits(static_cast<std::int32_t>(seconds % 60));
    if (wholeDays == 0)
        return QString::number(hours) + minutesAndSeconds;
    return QString::number(wholeDays) + QStringLiteral(" d ") + TwoDigits(hours) +
           minutesAndSeconds;
}

QString CursorPairText(DateTime timeA, double valueA, DateTime timeB, double valueB,
                       const QLocale& locale)
{
    if (timeB < timeA) {
        std::swap(timeA, timeB);
        std::swap(valueA, valueB);
    }
    const auto reading = [&](DateTime time, double value) {
        return ReadOutTimeText(time) + QStringLiteral(", ") + ReadOutValueText(value, locale);
    };
    // A change carries its sign, also upwards; one that rounds to zero carries none.
    const auto change = [&](double value) {
        const QString text = ReadOutValueText(value, locale);
        return value > 0 && text != ReadOutValueText(0.0, locale) ? QLatin1Char('+') + text : text;
    };
    const QChar delta(0x0394);
    QString text = reading(timeA, valueA) + QStringLiteral(" to ") + reading(timeB, valueB) +
                   QLatin1Char('\n') + delta + QStringLiteral("t ") + TimeSpanText(timeB - timeA) +
                   QStringLiteral(", ") + delta + QLatin1Char(' ') + change(valueB - valueA);
    const double hours = std::round((timeB - timeA) * SecondsPerDay) / 3600.0;
    if (hours > 0.0)
        text +=
            QStringLiteral(", ") + change((valueB - valueA) / hours) + QStringLiteral(" per hour");
    return text;
}

QString GapReadOutText(DateTime from, DateTime to)
{
    const QString none = QStringLiteral("No readings ");
    if (std::isnan(from))
        return none + QStringLiteral("before ") + ReadOutTimeText(to);
    if (std::isnan(to))
        return none + QStringLiteral("after ") + ReadOutTimeText(from);
    return none + QStringLiteral("from ") + ReadOutTimeText(from) + QStringLiteral(" to ") +
           ReadOutTimeText(to);
}

} // namespace orvela
