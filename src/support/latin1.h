#pragma once

// Latin-1, the 8-bit code page of the stored passwords and the log file: U+0000 to U+00FF are
// one byte each, any other character becomes "?" (a surrogate pair is one character, so one
// "?").

#include <string>
#include <string_view>

namespace orvela {

std::string ToLatin1(std::u16string_view text);
std::u16string FromLatin1(std::string_view bytes);

} // namespace orvela
