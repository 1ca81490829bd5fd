// SPDX-License-Identifier: MIT
#include "platform/termination_signals.h"

#include <csignal>

namespace {

// The one global: a signal handler has nowhere else to leave its news. The handler may run on any
// thread, the audio library's included; a lock-free atomic is safe both there and in a handler.
std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void noteSignal(int signal_number) { received.store(signal_number); }

}  // namespace

const std::atomic<int>& installTerminationHandlers(HangUp hang_up)
{
    struct sigaction action {};
    action.sa_handler = noteSignal;
    // The first signal ends playback in order; a second one, say while a huge file loads, ends
    // the process at once.
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    if (hang_up == HangUp::endsPlayback) sigaction(SIGHUP, &action, nullptr);
    return received;
}
