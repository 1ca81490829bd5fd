// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include <termios.h>

#include "platform/terminal/terminal_rescue.h"

class PosixTerminalLink;

// The terminal as a full-screen program needs it, for as long as this lives: keys as they are typed
// and not shown, on the alternate screen with the cursor hidden. Ctrl+C still makes SIGINT (the
// player's stop), but Ctrl+Z and Ctrl+\ do nothing: a raw screen must not be left to the shell.
// Put back on every way out: this object's end, restore(), or a crash (TerminalRescue).
class RawTerminalMode {
public:
    explicit RawTerminalMode(PosixTerminalLink& link) : link_(link) {}
    RawTerminalMode(const RawTerminalMode&) = delete;
    RawTerminalMode& operator=(const RawTerminalMode&) = delete;
    ~RawTerminalMode() { restore(); }

    // Nothing on success, else why not in a few words (the terminal is left as it was).
    std::string enter();
    // What to send before the rest at the end (the painter's: its images taken down, its colours
    // put back); also what a crash sends.
    void setFarewell(std::string bytes);
    // Drops what is not yet sent, sends the farewell and the bytes that end the alternate screen,
    // and puts the saved modes back. Once; later calls do nothing.
    void restore();
    // The bytes restore() writes.
    std::string restoreBytes() const;

private:
    PosixTerminalLink& link_;
    termios saved_{};
    bool entered_ = false;
    std::string farewell_;
    std::unique_ptr<TerminalRescue> rescue_;
};
