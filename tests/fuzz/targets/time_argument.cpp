// SPDX-License-Identifier: MIT
// A time on the command line (--start, --poster, --time): seconds, or [h:]mm:ss[.fff].
#include <cmath>
#include <string>

#include "fuzz_input.h"
#include "kvq/common/time_argument.h"
#include "kvq/common/tool_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const double seconds = timeArgumentSeconds(text, "--start");
        if (!std::isfinite(seconds) || seconds < 0) __builtin_trap();
    } catch (const UsageError&) {
    }
    return 0;
}
