// SPDX-License-Identifier: MIT
#include "platform/termination_signals.h"

#include <windows.h>

#include <csignal>

namespace {

// The one global: a handler has nowhere else to leave its news. Console events come on a thread
// of their own; a lock-free atomic is safe there and in a signal handler.
std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void noteSignal(int signal_number) { received.store(signal_number); }

BOOL WINAPI noteConsoleEvent(DWORD event)
{
    // A second event, say while a huge file loads, is left to the system, which ends the process.
    if (received.load() != 0) return FALSE;
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        received.store(SIGINT);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        received.store(SIGTERM);
        // The system ends the process as soon as this returns; waiting here lets playback end
        // in order, and the process's own exit (or the system's few seconds) ends the wait.
        Sleep(INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

const std::atomic<int>& installTerminationHandlers(HangUp)
{
    // Windows has no hang-up; a console closing is the nearest, and it ends playback anyway.
    SetConsoleCtrlHandler(noteConsoleEvent, TRUE);
    std::signal(SIGTERM, noteSignal);
    return received;
}
