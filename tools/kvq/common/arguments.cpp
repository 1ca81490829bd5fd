// SPDX-License-Identifier: MIT
#include "kvq/common/arguments.h"

#include <algorithm>

#include "kvq/common/tool_error.h"

std::optional<std::string> ParsedArguments::option(std::string_view long_name) const
{
    const auto found = options.find(long_name);
    if (found == options.end()) return std::nullopt;
    return found->second;
}

const std::string& ParsedArguments::required(std::string_view long_name) const
{
    const auto found = options.find(long_name);
    if (found == options.end()) throw UsageError("missing --" + std::string(long_name));
    return found->second;
}

void ParsedArguments::requirePositionalCount(std::size_t count, std::string_view what) const
{
    if (positional.size() < count) throw UsageError("missing " + std::string(what));
    if (positional.size() > count) throw UsageError("unexpected argument '" + positional[count] + "'");
}

ParsedArguments parseArguments(std::span<const std::string> arguments, std::span<const ValueOption> options)
{
    ParsedArguments parsed;
    bool options_ended = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (options_ended || argument.size() < 2 || argument[0] != '-') {
            parsed.positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            options_ended = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            parsed.help = true;
            continue;
        }

        const bool long_form = argument.starts_with("--");
        const std::string_view body = std::string_view(argument).substr(long_form ? 2 : 1);
        const std::size_t equals = long_form ? body.find('=') : std::string_view::npos;
        const std::string_view name = body.substr(0, equals);
        const auto known = std::find_if(options.begin(), options.end(), [&](const ValueOption& option) {
            return long_form ? option.long_name == name : option.short_name == name;
        });
        if (known == options.end()) throw UsageError("unknown option " + argument);

        std::string value;
        if (known->is_switch) {
            if (equals != std::string_view::npos)
                throw UsageError("option --" + std::string(known->long_name) + " takes no value");
        } else if (equals != std::string_view::npos) {
            value = body.substr(equals + 1);
        } else if (index + 1 < arguments.size()) {
            value = arguments[++index];
        } else {
            throw UsageError("option " + argument + " needs a value");
        }
        if (!parsed.options.emplace(std::string(known->long_name), value).second) {
            throw UsageError("option --" + std::string(known->long_name) + " given twice");
        }
    }
    return parsed;
}
