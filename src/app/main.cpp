// SPDX-License-Identifier: MIT
#include "app/run_player.h"
#include "app/system_boundary.h"
#include "app/termination_signals.h"

// Takes no arguments and reads no configuration: the three files come from the current folder.
int main(int, char**)
{
    installTerminationHandlers();
    SystemBoundary boundary;
    return runPlayer(boundary);
}
