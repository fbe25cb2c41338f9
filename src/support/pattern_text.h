#pragma once

// What the format and the scan routines share: the characters they treat alike and the decimal
// numbers the scan reads. For the routines' own files only.

#include "support/format_scan.h"

#include <cstdint>
#include <limits>
#include <optional>

namespace orvela::pattern {

constexpr char16_t CarriageReturn = 13;
constexpr char16_t LineFeed = 10;

inline bool IsLineEnd(char16_t c)
{
    return c == LineFeed || c == CarriageReturn;
}

inline bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

inline int DigitValue(char16_t c)
{
    return static_cast<int>(c) - static_cast<int>(u'0');
}

// Case folding covers A-Z only: patterns, boolean words and list codes are plain ASCII, and
// folding never depends on the locale.
inline char16_t AsciiUpper(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
}

inline bool IsUpperLetter(char16_t c)
{
    return c >= u'A' && c <= u'Z';
}

// A NUL character ends every text these routines read: sources, patterns and text arguments.
inline TextView UpToNul(TextView text)
{
    const std::size_t nul = text.find(u'\0');
    return nul == TextView::npos ? text : text.substr(0, nul);
}

// Widths and precisions written as digits saturate instead of overflowing.
inline std::int32_t AppendDigit(std::int32_t value, char16_t digit)
{
    constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
    const int d = DigitValue(digit);
    return value > (Max - d) / 10 ? Max : value * 10 + d;
}

// Decimal text with "." as the point whatever the locale: optional blanks (when allowed), an
// optional sign, digits with an optional point (at least one digit), and an optional exponent
// with at least one digit. Anything else in the field makes it invalid.
template <class Real> std::optional<Real> ParseReal(TextView field, bool skipBlanks);
extern template std::optional<float> ParseReal<float>(TextView field, bool skipBlanks);
extern template std::optional<double> ParseReal<double>(TextView field, bool skipBlanks);

} // namespace orvela::pattern
