// SPDX-License-Identifier: MIT
#include "kvq/cli/command.h"

std::array<const Command*, 6> allCommands()
{
    return {&fontCommand(), &infoCommand(), &renderCommand(), &demoCommand(), &encodeCommand(), &exportCommand()};
}
