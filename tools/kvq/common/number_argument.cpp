// SPDX-License-Identifier: MIT
#include "kvq/common/number_argument.h"

#include <charconv>
#include <cmath>

#include "kvq/common/tool_error.h"

namespace {

[[noreturn]] void refuse(const std::string& text, std::string_view option, std::string_view what)
{
    throw UsageError(std::string(option) + " takes " + std::string(what) + ", not '" + text + "'");
}

template <typename Number>
bool parsesWhole(const std::string& text, Number& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end;
}

}  // namespace

double numberArgument(const std::string& text, std::string_view option, double low, double high, std::string_view what)
{
    double value = 0;
    if (!parsesWhole(text, value) || !std::isfinite(value) || value < low || value > high) {
        refuse(text, option, what);
    }
    return value;
}

std::uint64_t wholeNumberArgument(const std::string& text, std::string_view option, std::uint64_t low,
                                  std::uint64_t high, std::string_view what)
{
    std::uint64_t value = 0;
    if (!parsesWhole(text, value) || value < low || value > high) refuse(text, option, what);
    return value;
}
