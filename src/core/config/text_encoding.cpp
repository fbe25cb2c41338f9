#include "core/config/text_encoding.h"

#include <array>
#include <cstdint>

namespace orvela {
namespace {

// Code page 1252 differs from Latin-1 only in 0x80 to 0x9F. The five bytes it leaves undefined
// keep the control character of the same number, as the system's own conversion does.
constexpr std::array<char16_t, 32> Cp1252High = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178'};

const QByteArray ByteOrderMark("\xEF\xBB\xBF");

bool isContinuation(std::uint8_t b)
{
    return (b & 0xC0u) == 0x80u;
}

QString fromCp1252(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        text.append(QChar(b >= 0x80 && b <= 0x9F ? Cp1252High[b - 0x80u] : char16_t{b}));
    }
    return text;
}

} // namespace

bool IsValidUtf8(const QByteArray& bytes)
{
    const auto size = bytes.size();
    decltype(bytes.size()) i = 0;
    while (i < size) {
        const auto lead = static_cast<std::uint8_t>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        std::uint32_t code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07u;
        } else {
            return false; // a continuation byte, an overlong lead (C0, C1) or F5 to FF
        }
        if (size - i < length)
            return false;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(bytes[i + k]);
            if (!isContinuation(next))
                return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        const std::uint32_t smallest = length == 2 ? 0x80u : length == 3 ? 0x800u : 0x10000u;
        if (code < smallest || (code >= 0xD800u && code <= 0xDFFFu) || code > 0x10FFFFu)
            return false;
        i += length;
    }
    return true;
}

QString DecodeSettingsText(const QByteArray& bytes)
{
    const QByteArray body =
        bytes.startsWith(ByteOrderMark) ? bytes.mid(ByteOrderMark.size()) : bytes;
    // With a pointer and a size: the overload that takes the array stops at the first NUL byte.
    return IsValidUtf8(body) ? QString::fromUtf8(body.constData(), body.size()) : fromCp1252(body);
}

QByteArray EncodeSettingsText(const QString& text)
{
    return text.toUtf8();
}

} // namespace orvela
