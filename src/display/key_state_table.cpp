// SPDX-License-Identifier: MIT
#include "display/key_state_table.h"

KeyStateTable keyStateTable{};
