// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

#include <termios.h>

// The terminal put back when the process dies of a fault (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT)
// or of a second SIGINT, SIGTERM or SIGHUP (the first is the player's, to end in order): the handler
// writes the bytes given and restores the saved modes, both safe in a signal handler, then lets the
// signal take the process as it would have. While one lives; one at a time in a process.
//
// Under AddressSanitizer, which catches SIGSEGV itself, arm it after the sanitizer has started (any
// time in main) and its report is given up for the terminal: nothing is chained.
class TerminalRescue {
public:
    // At most this many restore bytes are written; longer ones are left out (the modes are still
    // put back).
    static constexpr std::size_t kMaxBytes = 1024;

    TerminalRescue(int tty, const termios& saved, std::string_view restore_bytes);
    TerminalRescue(const TerminalRescue&) = delete;
    TerminalRescue& operator=(const TerminalRescue&) = delete;
    ~TerminalRescue();

    // Other bytes to write from now on.
    void setBytes(std::string_view restore_bytes);
};
