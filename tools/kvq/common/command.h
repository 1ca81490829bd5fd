// SPDX-License-Identifier: MIT
#pragma once

#include <ostream>
#include <span>
#include <string_view>

#include "kvq/common/arguments.h"

// One subcommand of kvq. runKvq parses the command line against `options` and answers -h and
// --help with `help` itself, so `run` sees only a command line that asks for work. It throws a
// UsageError for a command line it cannot act on and a ToolError for a failure, and returns the
// exit status otherwise.
struct Command {
    std::string_view name;
    std::string_view summary;  // one line for the command list
    std::string_view help;     // the whole of `kvq help NAME`
    std::span<const ValueOption> options;
    int (*run)(const ParsedArguments& arguments, std::ostream& out);
};
