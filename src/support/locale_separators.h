#pragma once

#include <string_view>

namespace orvela {

struct LocaleSeparators
{
    char16_t date = u'/';
    char16_t time = u':';
};

// The user's regional date and time separators; "/" and ":" when the locale gives none.
// On POSIX systems this reads the C library's LC_TIME locale, so call setlocale() first.
LocaleSeparators ReadLocaleSeparators();

// The separator that a strftime-style format puts between its fields: the first ASCII
// punctuation character written after a conversion ("." for "%d.%m.%Y", ":" for "%T");
// `fallback` when there is none.
char16_t FormatSeparator(std::string_view format, char16_t fallback);

} // namespace orvela
