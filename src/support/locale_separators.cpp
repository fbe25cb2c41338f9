#include "support/locale_separators.h"

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <langinfo.h>
#endif

namespace orvela {
namespace {

// The composite conversions, spelt out so that their separators count. %r is given its form
// in the POSIX locale.
std::string_view Expansion(char code)
{
    switch (code) {
    case 'D':
        return "%m/%d/%y";
    case 'F':
        return "%Y-%m-%d";
    case 'T':
        return "%H:%M:%S";
    case 'R':
        return "%H:%M";
    case 'r':
        return "%I:%M:%S %p";
    default:
        return {};
    }
}

bool IsFlag(char c)
{
    return c == '-' || c == '_' || c == '0' || c == '^' || c == '#' || c == '+';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Only printable ASCII punctuation can separate fields: the bytes of a multi-byte character
// (as in "%Y年%m月%d日") are no character of their own, and letters, digits and blanks are
// parts of words and numbers.
bool IsSeparator(char c)
{
    const auto u = static_cast<unsigned char>(c);
    const bool letter = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
    return u > ' ' && u < 0x7F && !letter && !IsDigit(c) && c != '%';
}

// Walks `format`, expanding composite conversions once; `afterConversion` tells whether a
// conversion has been met, since text before the first one separates nothing.
char16_t Scan(std::string_view format, bool& afterConversion, bool expand)
{
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%') {
            if (afterConversion && IsSeparator(c))
                return static_cast<char16_t>(c);
            continue;
        }
        ++i;
        // GNU flags, a field width, then the E or O modifier before the conversion character.
        while (i < format.size() && IsFlag(format[i]))
            ++i;
        while (i < format.size() && IsDigit(format[i]))
            ++i;
        if (i < format.size() && (format[i] == 'E' || format[i] == 'O'))
            ++i;
        if (i >= format.size())
            break;
        if (format[i] == '%')
            continue; // a literal percent sign
        const std::string_view expansion = Expansion(format[i]);
        if (expand && !expansion.empty()) {
            const char16_t found = Scan(expansion, afterConversion, false);
            if (found != 0)
                return found;
        }
        afterConversion = true;
    }
    return 0;
}

} // namespace

char16_t FormatSeparator(std::string_view format, char16_t fallback)
{
    bool afterConversion = false;
    const char16_t found = Scan(format, afterConversion, true);
    return found != 0 ? found : fallback;
}

LocaleSeparators ReadLocaleSeparators()
{
    LocaleSeparators separators;
#ifdef _WIN32
    wchar_t buffer[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDATE, buffer, 8) > 1)
        separators.date = static_cast<char16_t>(buffer[0]);
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, buffer, 8) > 1)
        separators.time = static_cast<char16_t>(buffer[0]);
#else
    if (const char* dateFormat = nl_langinfo(D_FMT))
        separators.date = FormatSeparator(dateFormat, separators.date);
    if (const char* timeFormat = nl_langinfo(T_FMT))
        separators.time = FormatSeparator(timeFormat, separators.time);
#endif
    return separators;
}

} // namespace orvela
