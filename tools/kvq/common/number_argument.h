// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Numbers as a person types them after an option: the whole argument is the number, in plain
// decimal, within [low, high]. Anything else (trailing text, a sign where none fits, NaN,
// infinity, a number too large to hold) is a UsageError "OPTION takes WHAT, not 'TEXT'", where
// `what` tells the range in words ("0.25 to 4").
double numberArgument(const std::string& text, std::string_view option, double low, double high, std::string_view what);
// The same for a whole number: "2.5" and "1e3" are refused too.
std::uint64_t wholeNumberArgument(const std::string& text, std::string_view option, std::uint64_t low,
                                  std::uint64_t high, std::string_view what);
