#include "support/locale_separators.h"

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <langinfo.h>
#endif

namespace orvela {
namespace {

// The first separator of a strftime-style format: the first character that is neither part
// of a conversion nor a letter, digit or blank. Composite conversions are expanded first.
char16_t FirstSeparator(const std::string& format, char16_t fallback)
{
    std::string expanded;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            const char code = format[++i];
            if (code == 'D')
                expanded += "%m/%d/%y";
            else if (code == 'F')
                expanded += "%Y-%m-%d";
            else if (code == 'T')
                expanded += "%H:%M:%S";
            else if (code == 'R')
                expanded += "%H:%M";
            else if (code == 'E' || code == 'O') {
                // Alternative forms: the conversion character follows.
                if (i + 1 < format.size())
                    expanded += std::string("%") + format[++i];
            } else
                expanded += std::string("%") + code;
        } else {
            expanded += format[i];
        }
    }
    for (std::size_t i = 0; i < expanded.size(); ++i) {
        const auto c = static_cast<unsigned char>(expanded[i]);
        if (c == '%') {
            ++i;
            continue;
        }
        const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                           (c >= 'A' && c <= 'Z') || c == ' ' || c >= 0x80;
        if (!plain)
            return static_cast<char16_t>(c);
    }
    return fallback;
}

} // namespace

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
        separators.date = FirstSeparator(dateFormat, separators.date);
    if (const char* timeFormat = nl_langinfo(T_FMT))
        separators.time = FirstSeparator(timeFormat, separators.time);
#endif
    return separators;
}

} // namespace orvela
