// SPDX-License-Identifier: MIT
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

struct ParsedArguments;

// One subcommand of kvq. `run` gets the arguments after the command's name; it throws a
// UsageError for a command line it cannot act on and a ToolError for a failure, and returns
// the exit status otherwise.
struct Command {
    std::string_view name;
    std::string_view summary;  // one line for the command list
    std::string_view help;     // the whole of `kvq help NAME`
    int (*run)(std::span<const std::string> arguments, std::ostream& out);
};

const Command& fontCommand();
const Command& infoCommand();
const Command& renderCommand();
const Command& demoCommand();
const Command& encodeCommand();
const Command& exportCommand();

// Positional arguments beyond the `count` a command takes, or fewer, are a UsageError.
void requirePositionalCount(const ParsedArguments& parsed, std::size_t count, std::string_view what);
