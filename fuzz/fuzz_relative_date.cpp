#include "fuzz_input.h"
#include "support/relative_date.h"

using namespace orvela;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    const StationTime reference = in.int32();
    const std::u16string expression = in.text();
    EvaluateRelativeDate(expression, reference);
    return 0;
}
