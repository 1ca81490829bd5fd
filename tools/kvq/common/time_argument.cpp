// SPDX-License-Identifier: MIT
#include "kvq/common/time_argument.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "kvq/common/tool_error.h"

namespace {

bool allDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// Digits with a decimal fraction or not ("75", "75.5", ".5"): no sign, no exponent, no spaces.
std::optional<double> decimalNumber(std::string_view text)
{
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const bool written = point == std::string_view::npos
                             ? allDigits(whole)
                             : (whole.empty() || allDigits(whole)) && allDigits(text.substr(point + 1));
    if (!written) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::vector<std::string_view> fields(std::string_view text)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start));
        if (colon == std::string_view::npos) return parts;
        start = colon + 1;
    }
}

// Seconds, or minutes and seconds, or hours, minutes and seconds: every field but the last a
// whole number, each after the first below 60, as a clock writes them.
std::optional<double> clockSeconds(std::string_view text)
{
    const std::vector<std::string_view> parts = fields(text);
    if (parts.size() > 3) return std::nullopt;
    const std::optional<double> seconds = decimalNumber(parts.back());
    if (!seconds || (parts.size() > 1 && *seconds >= 60)) return std::nullopt;
    double total = *seconds;
    double unit = 1;
    for (std::size_t i = parts.size() - 1; i-- > 0;) {
        unit *= 60;
        if (!allDigits(parts[i])) return std::nullopt;
        const std::optional<double> count = decimalNumber(parts[i]);
        if (!count || (i > 0 && *count >= 60)) return std::nullopt;
        total += *count * unit;
    }
    if (!std::isfinite(total)) return std::nullopt;
    return total;
}

}  // namespace

double timeArgumentSeconds(const std::string& text, std::string_view option)
{
    const std::optional<double> seconds = clockSeconds(text);
    if (!seconds) {
        throw UsageError(std::string(option) +
                         " takes seconds (75.5), minutes:seconds (1:15.5) or hours:minutes:seconds (1:00:00), not '" +
                         text + "'");
    }
    return *seconds;
}
