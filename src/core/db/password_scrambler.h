#pragma once

// The scrambled form in which the database password is kept in the configuration file:
// a 30-byte block (password, ":", a 19-character time stamp, fill) scrambled by TEncrypt and
// written as 40 base64 characters.

#include "support/station_time.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvela {

class TEncrypt
{
public:
    virtual ~TEncrypt() = default;

    std::int32_t key = 40517;
    std::int32_t const1 = 61847;
    std::int32_t const2 = 27391;

    // Each call starts again from `key`; no state survives between calls. A count of 0 or
    // less leaves the destination untouched.
    void ScrambleBuffer(const std::uint8_t* source, std::uint8_t* destination, int count) const;
    void UnscrambleBuffer(const std::uint8_t* source, std::uint8_t* destination, int count) const;
};

constexpr std::size_t PasswordBlockSize = 30;
using PasswordBlock = std::array<std::uint8_t, PasswordBlockSize>;

struct UnpackedPassword
{
    std::u16string password;
    std::u16string stamp;
};

class TXEncrypt : public TEncrypt
{
public:
    // Packs with a stamp of StationTimeNow().
    PasswordBlock PackPassword(std::u16string_view password) const;
    PasswordBlock PackPassword(std::u16string_view password, StationTime stamp) const;
    UnpackedPassword UnpackPassword(const PasswordBlock& block) const;
};

std::string Base64Encode(const std::uint8_t* data, std::size_t size);
// False when `text` is not standard base64 (padding included, no line breaks).
bool Base64Decode(std::string_view text, std::string& bytes);

// The 40-character stored form, with a stamp of now.
std::u16string EncodeStoredPassword(std::u16string_view password);
std::u16string EncodeStoredPassword(std::u16string_view password, StationTime stamp);
// An empty, non-base64 or not-30-byte stored form gives an empty password, never an error.
std::u16string DecodeStoredPassword(std::u16string_view stored);

// What `password` reads back as from its stored form: a password of 30 or more characters
// reads back empty, one with a colon is cut at it, and a character outside Latin-1 becomes "?".
std::u16string ReadBackPassword(std::u16string_view password);
// True when the stored form gives `password` back as typed.
inline bool IsStorablePassword(std::u16string_view password)
{
    return ReadBackPassword(password) == password;
}

} // namespace orvela
