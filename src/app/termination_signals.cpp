// SPDX-License-Identifier: MIT
#include "app/termination_signals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t received = 0;

extern "C" void noteSignal(int signal_number) { received = signal_number; }

}  // namespace

void installTerminationHandlers()
{
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int receivedTerminationSignal() { return received; }
