// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A terminal's text area: cells, and pixels where the terminal says (0 where it does not).
struct TerminalSize {
    int columns = 0, rows = 0;
    int width_pixels = 0, height_pixels = 0;
    bool operator==(const TerminalSize&) const = default;
};

// The device edge of a terminal: bytes out, bytes in, its size. Writing never blocks, so that a slow
// link never holds the clock back: what the terminal has not yet taken waits here, and the player
// decides from unsent() and the terminal's own replies what to send next.
class TerminalLink {
public:
    enum class Happened {
        input,    // bytes came and were appended
        resized,  // size() has changed
        timeout,
        closed,  // the terminal is gone (a hang-up, an end of input)
    };

    virtual ~TerminalLink() = default;
    virtual TerminalSize size() const = 0;
    virtual void write(std::string_view bytes) = 0;
    // Bytes written that the terminal has not yet taken.
    virtual std::size_t unsent() const = 0;
    // Hands the terminal what it takes meanwhile, and waits at most `timeout_ms` for bytes from it
    // (appended to `input`) or a change of size.
    virtual Happened wait(std::string& input, int timeout_ms) = 0;
};
