// SPDX-License-Identifier: MIT
#pragma once

#include "devices/input_events.h"
#include "display/key_state_table.h"

// Answers one event: keys go into the table, close requests are absorbed, the rest is ignored.
void windowProc(const InputEvent& event, KeyStateTable& keys);

// Hands every pending event to windowProc and returns once none is left; never waits.
void pumpMessages(InputEvents& input, KeyStateTable& keys);
