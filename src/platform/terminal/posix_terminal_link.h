// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include "devices/terminal_link.h"

// The controlling terminal, opened anew from /dev/tty: its own open file description, so that making
// it non-blocking never touches the flags of the shell's standard output, which other programs
// share. Bytes out wait in a queue for what the terminal takes; a change of size arrives through
// SIGWINCH. One link at a time in a process (the signal has one place to report to).
class PosixTerminalLink : public TerminalLink {
public:
    PosixTerminalLink() = default;
    PosixTerminalLink(const PosixTerminalLink&) = delete;
    PosixTerminalLink& operator=(const PosixTerminalLink&) = delete;
    ~PosixTerminalLink() override;

    // Opens the terminal: nothing on success, else why not, in a few words.
    std::string open();
    // The terminal's descriptor, -1 before open().
    int descriptor() const { return tty_; }

    TerminalSize size() const override { return size_; }
    void write(std::string_view bytes) override;
    std::size_t unsent() const override { return queue_.size() - sent_; }
    Happened wait(std::string& input, int timeout_ms) override;

    // Forgets the bytes not yet taken (at the end, a frame half sent is not worth finishing).
    void discardUnsent();
    // Writes `bytes` after what is queued, waiting at most `timeout_ms` for the terminal to take
    // all of it; false when it did not (gone, or not reading).
    bool writeNow(std::string_view bytes, int timeout_ms);

private:
    void flushSome();
    bool refreshSize();
    void close();

    int tty_ = -1;
    int wake_read_ = -1, wake_write_ = -1;  // the SIGWINCH self-pipe
    bool handler_installed_ = false;
    bool closed_ = false;
    TerminalSize size_;
    std::string queue_;
    std::size_t sent_ = 0;
};
