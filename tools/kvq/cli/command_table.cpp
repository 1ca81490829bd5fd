// SPDX-License-Identifier: MIT
#include "kvq/cli/command_table.h"

std::array<const Command*, 7> allCommands()
{
    return {&fontCommand(),   &infoCommand(),   &renderCommand(), &demoCommand(),
            &encodeCommand(), &exportCommand(), &playCommand()};
}
