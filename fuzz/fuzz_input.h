#pragma once

// Turns a fuzzer's bytes into the UTF-16 texts and numbers the routines take.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace orvela::fuzz {

class FuzzInput
{
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }

    std::uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : std::uint8_t{0}; }

    std::int32_t int32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | byte();
        std::int32_t out;
        std::memcpy(&out, &v, sizeof out);
        return out;
    }

    double real()
    {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i)
            v = (v << 8) | byte();
        double out;
        std::memcpy(&out, &v, sizeof out);
        return out;
    }

    // Text up to the next 0xFF byte (or the end). Bytes below 0x80 are characters as they
    // stand, so patterns stay readable for the fuzzer; 0x80-0xFE pick a wider character.
    std::u16string text()
    {
        std::u16string out;
        while (m_pos < m_size) {
            const std::uint8_t b = m_data[m_pos++];
            if (b == 0xFF)
                break;
            if (b < 0x80)
                out.push_back(static_cast<char16_t>(b));
            else
                out.push_back(static_cast<char16_t>(0xD7F0u + (b & 0x7Fu) * 8u));
        }
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace orvela::fuzz
