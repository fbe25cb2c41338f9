#pragma once

namespace orvela {

struct LocaleSeparators
{
    char16_t date = u'/';
    char16_t time = u':';
};

// The user's regional date and time separators; "/" and ":" when the locale gives none.
// On POSIX systems this reads the C library's LC_TIME locale, so call setlocale() first.
LocaleSeparators ReadLocaleSeparators();

} // namespace orvela
