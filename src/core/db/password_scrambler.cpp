#include "core/db/password_scrambler.h"

#include "support/format_scan.h"
#include "support/latin1.h"

#include <algorithm>

namespace orvela {

namespace {

// The settings are 32-bit properties but drive a 16-bit state: only their low 16 bits count,
// so a negative or oversized setting is taken modulo 65536.
std::uint32_t Low16(std::int32_t value)
{
    return static_cast<std::uint32_t>(value) & 0xFFFFu;
}

class ScramblerState
{
public:
    explicit ScramblerState(const TEncrypt& settings)
        : m_state(Low16(settings.key)), m_const1(Low16(settings.const1)),
          m_const2(Low16(settings.const2))
    {}

    std::uint8_t Mask() const { return static_cast<std::uint8_t>(m_state >> 8); }

    // Both directions feed the scrambled byte, which is what makes them inverse.
    void Feed(std::uint8_t scrambled)
    {
        m_state = ((m_state + scrambled) * m_const1 + m_const2) & 0xFFFFu;
    }

private:
    std::uint32_t m_state;
    std::uint32_t m_const1;
    std::uint32_t m_const2;
};

constexpr char Base64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

constexpr std::size_t StampLength = 19;

} // namespace

void TEncrypt::ScrambleBuffer(const std::uint8_t* source, std::uint8_t* destination,
                              int count) const
{
    ScramblerState state(*this);
    for (int i = 0; i < count; ++i) {
        const auto c = static_cast<std::uint8_t>(source[i] ^ state.Mask());
        destination[i] = c;
        state.Feed(c);
    }
}

void TEncrypt::UnscrambleBuffer(const std::uint8_t* source, std::uint8_t* destination,
                                int count) const
{
    ScramblerState state(*this);
    for (int i = 0; i < count; ++i) {
        // Read before writing, so that unscrambling in place works as well.
        const std::uint8_t scrambled = source[i];
        destination[i] = static_cast<std::uint8_t>(scrambled ^ state.Mask());
        state.Feed(scrambled);
    }
}

PasswordBlock TXEncrypt::PackPassword(std::u16string_view password) const
{
    return PackPassword(password, StationTimeNow());
}

PasswordBlock TXEncrypt::PackPassword(std::u16string_view password, StationTime stamp) const
{
    const std::string joined =
        ToLatin1(password) + ':' + ToLatin1(FormatText(u"%j", {FormatArg(stamp)}));

    // Fill bytes are zero. They are never read back: a whole stamp ends before them and a cut
    // one leaves none.
    PasswordBlock clear{};
    const std::size_t used = std::min(joined.size(), PasswordBlockSize);
    for (std::size_t i = 0; i < used; ++i)
        clear[i] = static_cast<std::uint8_t>(joined[i]);

    PasswordBlock block{};
    ScrambleBuffer(clear.data(), block.data(), static_cast<int>(PasswordBlockSize));
    return block;
}

UnpackedPassword TXEncrypt::UnpackPassword(const PasswordBlock& block) const
{
    PasswordBlock clear{};
    UnscrambleBuffer(block.data(), clear.data(), static_cast<int>(PasswordBlockSize));
    const std::string_view bytes(reinterpret_cast<const char*>(clear.data()), clear.size());

    const std::size_t colon = bytes.find(':');
    UnpackedPassword result;
    if (colon == std::string_view::npos) {
        result.stamp = FromLatin1(bytes.substr(0, StampLength));
        return result;
    }
    result.password = FromLatin1(bytes.substr(0, colon));
    result.stamp = FromLatin1(bytes.substr(colon + 1, StampLength));
    return result;
}

std::string Base64Encode(const std::uint8_t* data, std::size_t size)
{
    std::string text;
    text.reserve((size + 2) / 3 * 4);
    for (std::size_t i = 0; i < size; i += 3) {
        const std::size_t left = size - i;
        const std::uint32_t group = (std::uint32_t{data[i]} << 16) |
                                    (left > 1 ? std::uint32_t{data[i + 1]} << 8 : 0u) |
                                    (left > 2 ? std::uint32_t{data[i + 2]} : 0u);
        text.push_back(Base64Alphabet[(group >> 18) & 63u]);
        text.push_back(Base64Alphabet[(group >> 12) & 63u]);
        text.push_back(left > 1 ? Base64Alphabet[(group >> 6) & 63u] : '=');
        text.push_back(left > 2 ? Base64Alphabet[group & 63u] : '=');
    }
    return text;
}

// Strict: whole groups of four, the standard alphabet only, "=" only as the padding of the last
// group, and padded groups with their unused low bits zero, so that every byte sequence has
// exactly one accepted text.
bool Base64Decode(std::string_view text, std::string& bytes)
{
    bytes.clear();
    if (text.size() % 4 != 0)
        return false;
    std::string decoded;
    decoded.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        std::size_t padding = 0;
        if (last) {
            if (text[i + 3] == '=')
                padding = text[i + 2] == '=' ? 2 : 1;
        }
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            if (k >= 4 - padding) {
                group <<= 6;
                continue;
            }
            const int value = Base64Value(text[i + k]);
            if (value < 0)
                return false;
            group = (group << 6) | static_cast<std::uint32_t>(value);
        }
        if ((padding == 1 && (group & 0xFFu) != 0) || (padding == 2 && (group & 0xFFFFu) != 0))
            return false;
        decoded.push_back(static_cast<char>((group >> 16) & 0xFFu));
        if (padding < 2)
            decoded.push_back(static_cast<char>((group >> 8) & 0xFFu));
        if (padding < 1)
            decoded.push_back(static_cast<char>(group & 0xFFu));
    }
    bytes = std::move(decoded);
    return true;
}

std::u16string EncodeStoredPassword(std::u16string_view password)
{
    return EncodeStoredPassword(password, StationTimeNow());
}

std::u16string EncodeStoredPassword(std::u16string_view password, StationTime stamp)
{
    const PasswordBlock block = TXEncrypt().PackPassword(password, stamp);
    const std::string text = Base64Encode(block.data(), block.size());
    return std::u16string(text.begin(), text.end());
}

std::u16string DecodeStoredPassword(std::u16string_view stored)
{
    // Anything that is not the stored form of a 30-byte block (an empty value before the
    // first login, a hand-edited or damaged one) reads back as the empty password.
    std::string ascii;
    ascii.reserve(stored.size());
    for (const char16_t c : stored) {
        if (c > 0x7F)
            return {};
        ascii.push_back(static_cast<char>(c));
    }
    std::string bytes;
    if (!Base64Decode(ascii, bytes) || bytes.size() != PasswordBlockSize)
        return {};
    PasswordBlock block{};
    for (std::size_t i = 0; i < PasswordBlockSize; ++i)
        block[i] = static_cast<std::uint8_t>(bytes[i]);
    return TXEncrypt().UnpackPassword(block).password;
}

std::u16string ReadBackPassword(std::u16string_view password)
{
    // The stamp never reaches the password read back, so any will do.
    return DecodeStoredPassword(EncodeStoredPassword(password, 0));
}

} // namespace orvela
