// SPDX-License-Identifier: MIT
#pragma once

// SIGINT and SIGTERM end playback the way Escape does, so the sound is stopped and the display
// given back before the process exits; they are not window close requests.
void installTerminationHandlers();
// The signal received so far, or 0.
int receivedTerminationSignal();
