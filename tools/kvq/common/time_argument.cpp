// SPDX-License-Identifier: MIT
#include "kvq/common/time_argument.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "kvq/common/tool_error.h"

namespace {

std::optional<double> plainNumber(std::string_view text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value < 0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

double timeArgumentSeconds(const std::string& text, std::string_view option)
{
    const std::size_t colon = text.find(':');
    std::optional<double> seconds;
    if (colon == std::string::npos) {
        seconds = plainNumber(text);
    } else {
        const std::optional<double> minutes = plainNumber(std::string_view(text).substr(0, colon));
        const std::optional<double> rest = plainNumber(std::string_view(text).substr(colon + 1));
        if (minutes && rest && *minutes == std::floor(*minutes) && *rest < 60) seconds = *minutes * 60 + *rest;
    }
    if (!seconds) throw UsageError(std::string(option) + " takes seconds (75.5) or minutes:seconds (1:15.5), not '" + text + "'");
    return *seconds;
}
