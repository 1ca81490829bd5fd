// SPDX-License-Identifier: MIT
#include "command_line.h"
#include "commands.h"
#include "tool_error.h"

namespace {

constexpr std::string_view kHelp = "Usage: kvq encode\n\nNot written yet.\n";

int run(std::span<const std::string>, std::ostream&) { throw ToolError("not written yet"); }

}  // namespace

const Command& encodeCommand()
{
    static const Command command{"encode", "(not written yet)", kHelp, run};
    return command;
}
