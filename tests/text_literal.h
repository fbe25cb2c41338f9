#pragma once

// Test data reads better as plain literals; the program's own code forbids their implicit
// conversion, so tests write "text"_q.

#include <QString>

#include <cstddef>

namespace orvela::test {

inline QString operator""_q(const char* text, std::size_t size)
{
    return QString::fromUtf8(text, static_cast<int>(size));
}

} // namespace orvela::test
