// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// An option that takes a value, as `--font F`, `--font=F` or, with a short name, `-o F`; or,
// when it is a switch, none (`--loop`), and is then present with an empty value.
struct ValueOption {
    std::string_view long_name;   // without the dashes
    std::string_view short_name;  // one letter without the dash, or empty
    bool is_switch = false;
};

struct ParsedArguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string, std::less<>> options;  // by long name
    bool help = false;

    std::optional<std::string> option(std::string_view long_name) const;
    // The option's value; a UsageError when it was not given.
    const std::string& required(std::string_view long_name) const;
    // Exactly `count` positional arguments, or a UsageError naming `what` is missing or the first extra.
    void requirePositionalCount(std::size_t count, std::string_view what) const;
};

// Options may come before, between or after the other arguments; `--` ends them. `-h` and
// `--help` ask for help. Throws a UsageError for an unknown, repeated or valueless option.
ParsedArguments parseArguments(std::span<const std::string> arguments, std::span<const ValueOption> options);
