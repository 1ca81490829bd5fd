// SPDX-License-Identifier: MIT
#include <array>

#include "kvq/cli/command.h"

std::span<const Command* const> allCommands()
{
    static const std::array<const Command*, 6> commands = {&fontCommand(),   &infoCommand(),   &renderCommand(),
                                                           &demoCommand(),   &encodeCommand(), &exportCommand()};
    return commands;
}
