#include "core/read_datetime.h"
#include "fuzz_input.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kiebitz;
    fuzz::Input in(data, size);
    const core::DateValue v = core::read_DateTime(in.text(true));
    fuzz::check(std::isfinite(v));
    return 0;
}
