#include "fuzz_input.h"
#include "support/format_scan.h"

using namespace orvela;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    const std::u16string pattern = in.text();
    FormatArgs args;
    while (!in.empty() && args.size() < 16) {
        switch (in.byte() % 5) {
        case 0:
            args.emplace_back(in.int32());
            break;
        case 1:
            args.emplace_back((in.byte() & 1) != 0);
            break;
        case 2:
            args.emplace_back(static_cast<char16_t>(in.byte()));
            break;
        case 3:
            args.emplace_back(in.real());
            break;
        default:
            args.emplace_back(in.text());
            break;
        }
    }
    Text accumulated = u"x";
    FormatAppend(accumulated, pattern, args);
    FormatText(pattern, args);
    return 0;
}
