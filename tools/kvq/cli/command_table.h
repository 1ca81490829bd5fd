// SPDX-License-Identifier: MIT
#pragma once

#include <array>

#include "kvq/common/command.h"

// Each command's own file defines its entry; only the table knows them all.
const Command& fontCommand();
const Command& infoCommand();
const Command& renderCommand();
const Command& demoCommand();
const Command& encodeCommand();
const Command& exportCommand();
const Command& playCommand();

// Every command, in the order the overview lists them.
std::array<const Command*, 7> allCommands();
