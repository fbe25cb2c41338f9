#include "core/live/value_text.h"

#include "support/format_scan.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace orvela {
namespace {

constexpr int SignificantDigits = 7;

// The value's 7 significant digits as an integer mantissa (1,000,000 to 9,999,999, or 0) and
// the decimal exponent of its first digit.
struct Significand
{
    std::int64_t mantissa = 0;
    int exponent = 0;
};

Significand SevenDigits(double magnitude)
{
    // "%.6e" rounds the exact binary value correctly, and writes d.dddddde±xx.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6e", magnitude);
    Significand result;
    const char* p = buffer;
    for (; *p != '\0' && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9')
            result.mantissa = result.mantissa * 10 + (*p - '0');
    }
    if (*p == 'e')
        result.exponent = static_cast<int>(std::strtol(p + 1, nullptr, 10));
    return result;
}

std::int64_t PowerOfTen(int n)
{
    std::int64_t p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

} // namespace

QString FixedValueText(double value, int decimals, const QLocale& locale)
{
    QLocale plain(locale);
    plain.setNumberOptions(plain.numberOptions() | QLocale::OmitGroupSeparator);
    if (!std::isfinite(value))
        return plain.toString(value);
    if (decimals < 0)
        decimals = 0;
    if (decimals > 9)
        decimals = 9;

    const Significand digits = SevenDigits(std::fabs(value));
    if (digits.mantissa != 0 && digits.exponent + 1 > SignificantDigits)
        return plain.toString(value, 'e', SignificantDigits - 1);

    // value = mantissa × 10^(exponent - 6); count it in units of 10^-decimals.
    const int shift = digits.exponent - (SignificantDigits - 1) + decimals;
    std::int64_t units = 0;
    if (shift >= 0) {
        units = digits.mantissa * PowerOfTen(shift); // at most 9,999,999 × 10^9
    } else if (-shift <= SignificantDigits) {
        const std::int64_t divisor = PowerOfTen(-shift);
        units = (digits.mantissa + divisor / 2) / divisor;
    }
    if (units == 0)
        return plain.toString(0.0, 'f', decimals);
    // units / 10^decimals is within an ulp of the decimal it stands for, so printing it with the
    // same number of decimals gives exactly that decimal back.
    const double rounded = static_cast<double>(units) / static_cast<double>(PowerOfTen(decimals));
    return plain.toString(value < 0 ? -rounded : rounded, 'f', decimals);
}

QString GaugeValueText(float value, const QLocale& locale)
{
    return FixedValueText(static_cast<double>(value), 1, locale);
}

QString WindValueText(float value, const QLocale& locale)
{
    return FixedValueText(static_cast<double>(value), 0, locale);
}

bool ParseFloatText(const QString& text, const QLocale& locale, float& out)
{
    // A group separator is refused: "1.500" typed under a comma-decimal locale is far more
    // likely a slip for 1,5 than a wish for 1500, and a limit is not a place to guess.
    QLocale strict(locale);
    strict.setNumberOptions(strict.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double parsed = strict.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(parsed))
        return false;
    if (std::fabs(parsed) > static_cast<double>(std::numeric_limits<float>::max()))
        return false;
    out = static_cast<float>(parsed);
    return true;
}

QString LastUpdateText(StationTime lastUpdate, const QLocale& locale)
{
    const CivilTime at = DecodeStationTime(lastUpdate);
    const QChar separator(CurrentDateTimeTemplates().separators.time);
    const auto twoDigits = [](int field) {
        return QStringLiteral("%1").arg(field, 2, 10, QLatin1Char('0'));
    };
    return QString::number(at.day) + QLatin1Char(' ') +
           locale.monthName(at.month, QLocale::ShortFormat) + QLatin1Char(' ') +
           QString::number(at.year) + QLatin1Char(' ') + twoDigits(at.hour) + separator +
           twoDigits(at.minute) + separator + twoDigits(at.second);
}

} // namespace orvela
