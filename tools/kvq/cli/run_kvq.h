// SPDX-License-Identifier: MIT
#pragma once

#include <ostream>
#include <span>
#include <string>

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The whole of `kvq` but for the process: `arguments` are those after the program name. Errors
// are one line on `err`; the result is the exit status.
int runKvq(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);
