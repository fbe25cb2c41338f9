#include "support/pattern_text.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <system_error>

namespace orvela::pattern {

template <class Real> std::optional<Real> ParseReal(TextView field, bool skipBlanks)
{
    std::size_t i = 0;
    if (skipBlanks) {
        while (i < field.size() && (field[i] == u' ' || field[i] == u'\t'))
            ++i;
    }
    bool negative = false;
    if (i < field.size() && (field[i] == u'+' || field[i] == u'-')) {
        negative = field[i] == u'-';
        ++i;
    }
    const std::size_t numberStart = i;
    std::size_t intDigits = 0;
    std::size_t fracDigits = 0;
    while (i < field.size() && IsDigit(field[i])) {
        ++i;
        ++intDigits;
    }
    const std::size_t pointAt = i;
    if (i < field.size() && field[i] == u'.') {
        ++i;
        while (i < field.size() && IsDigit(field[i])) {
            ++i;
            ++fracDigits;
        }
    }
    if (intDigits + fracDigits == 0)
        return std::nullopt;
    std::int64_t exponent = 0;
    if (i < field.size() && (field[i] == u'e' || field[i] == u'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < field.size() && (field[i] == u'+' || field[i] == u'-')) {
            negativeExponent = field[i] == u'-';
            ++i;
        }
        const std::size_t exponentStart = i;
        while (i < field.size() && IsDigit(field[i])) {
            exponent = std::min<std::int64_t>(exponent * 10 + DigitValue(field[i]), 1000000000);
            ++i;
        }
        if (i == exponentStart)
            return std::nullopt;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != field.size())
        return std::nullopt;

    // std::from_chars takes no "+" and never consults the locale.
    std::string ascii;
    ascii.reserve(i - numberStart + 1);
    if (negative)
        ascii.push_back('-');
    for (std::size_t k = numberStart; k < i; ++k)
        ascii.push_back(static_cast<char>(field[k]));
    Real value{};
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (result.ec == std::errc())
        return value;
    if (result.ec != std::errc::result_out_of_range)
        return std::nullopt;

    // Out of range is either too large (invalid) or too small (zero). The decimal magnitude
    // tells which: the position of the first significant digit plus the exponent.
    std::int64_t magnitude = 0;
    bool found = false;
    for (std::size_t k = numberStart; k < numberStart + intDigits; ++k) {
        if (field[k] != u'0') {
            magnitude = static_cast<std::int64_t>(numberStart + intDigits - k) - 1;
            found = true;
            break;
        }
    }
    if (!found) {
        for (std::size_t k = pointAt + 1; k < pointAt + 1 + fracDigits; ++k) {
            if (field[k] != u'0') {
                magnitude = -static_cast<std::int64_t>(k - pointAt);
                break;
            }
        }
    }
    if (magnitude + exponent >= 0)
        return std::nullopt;
    return negative ? -Real(0) : Real(0);
}

template std::optional<float> ParseReal<float>(TextView field, bool skipBlanks);
template std::optional<double> ParseReal<double>(TextView field, bool skipBlanks);

} // namespace orvela::pattern
