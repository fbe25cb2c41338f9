#include "core/db/password_scrambler.h"
#include "fuzz_input.h"

#include <cstdlib>

using namespace orvela;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Any stored text reads back as some password, never a failure.
    const std::u16string stored(data, data + size);
    const std::u16string password = DecodeStoredPassword(stored);

    // A password that fits the block whole, without a colon, survives the round trip.
    std::u16string fitting;
    for (const char16_t c : password) {
        if (c != u':' && c <= 0xFF && fitting.size() < 29)
            fitting.push_back(c);
    }
    const std::u16string encoded = EncodeStoredPassword(fitting, 636379200);
    if (encoded.size() != 40 || DecodeStoredPassword(encoded) != fitting)
        std::abort();
    return 0;
}
