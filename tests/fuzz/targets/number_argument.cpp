// SPDX-License-Identifier: MIT
// A number on the command line (--speed, --scroll-speed), or a whole one (--baud, --columns,
// --frame, ...), within bounds the input chooses among those the commands use.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "fuzz_input.h"
#include "kvq/common/number_argument.h"
#include "kvq/common/tool_error.h"

namespace {

struct Bounds {
    std::uint64_t low, high;
};
constexpr Bounds kWholeBounds[] = {
    {1, 100'000'000}, {1, 4096}, {0, 100}, {1, 16}, {0, std::numeric_limits<std::uint64_t>::max()}};
constexpr double kNumberBounds[][2] = {{0.25, 4.0}, {0.5, 64.0}, {0, 1e9}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const Bounds whole = input.pick(kWholeBounds);
    const auto* number = input.pick(kNumberBounds);
    const std::string text(reinterpret_cast<const char*>(input.rest().data()), input.rest().size());
    try {
        const std::uint64_t value = wholeNumberArgument(text, "--baud", whole.low, whole.high, "a whole number");
        if (value < whole.low || value > whole.high) __builtin_trap();
    } catch (const UsageError&) {
    }
    try {
        const double value = numberArgument(text, "--speed", number[0], number[1], "a number");
        if (!(value >= number[0] && value <= number[1])) __builtin_trap();
    } catch (const UsageError&) {
    }
    return 0;
}
