#include "fuzz_input.h"
#include "support/format_scan.h"

#include <cstdlib>

using namespace orvela;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    std::int32_t position = in.int32() % 70000;
    const std::u16string pattern = in.text();
    const std::u16string source = in.text();

    Text t1, t2;
    std::int32_t i1 = in.int32();
    std::uint16_t w1 = 0;
    float f1 = 0;
    double d1 = 0;
    bool b1 = false;
    char16_t c1 = 0;
    std::int32_t q1 = in.int32();
    const ScanTargets targets = {&t1, &i1, ScanCount{in.int32() % 100}, &w1, &f1, &d1, &b1,
                                 &c1, &t2, ScanCount{in.int32()},       &q1, &t1, &i1};
    const std::int32_t before = position;
    ScanText(source, position, pattern, targets);
    // The cursor only moves forward and never runs past the end of the source.
    if (position < before && before >= 1)
        std::abort();
    if (position > static_cast<std::int32_t>(source.size()) + 1 && before <= 1)
        std::abort();

    CommaListItems(source);
    return 0;
}
