#include "support/latin1.h"

namespace orvela {

namespace {

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

std::string ToLatin1(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c <= 0xFF) {
            bytes.push_back(static_cast<char>(static_cast<unsigned char>(c)));
            continue;
        }
        // A character outside Latin-1 is one "?", also when UTF-16 needs two code units for
        // it; a lone surrogate is a broken character of its own and also one "?".
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
            ++i;
        bytes.push_back('?');
    }
    return bytes;
}

std::u16string FromLatin1(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    for (const char b : bytes)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(b)));
    return text;
}

} // namespace orvela
