// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>

// The keys the review player acts on, by what they mean rather than where they sit: ',' is a
// comma on any keyboard layout.
enum class ReviewKey {
    other,
    space,
    left,
    right,
    home,
    end,
    comma,
    period,
    bracket_left,
    bracket_right,
    digit,  // with ReviewEvent::digit
    l,
    m,
    f,
    f11,
    q,
    escape,
};

struct ReviewEvent {
    enum class Kind {
        key,           // a key went down (repeats included)
        pointer_move,  // the mouse moved over the window
        pointer_down,  // the left button went down; a second within the double-click time is double_click
        pointer_up,
        double_click,
        close,    // the window's close button, or the window manager asking
        redraw,   // shown again, resized or uncovered: the last picture needs presenting again
    };
    Kind kind = Kind::redraw;
    ReviewKey key = ReviewKey::other;
    int digit = 0;
    bool shift = false;
    // Where the pointer is in the 640x480 picture's own pixels; outside 0..640 x 0..480 over the bars.
    double x = 0;
    double y = 0;
};

// The device edge of the review player: a window that shows a 640x480 picture, sharp, with its
// shape kept between black bars whatever the window's size, and over it an overlay of the same
// size whose alpha says how much of it covers the picture. The picture and the overlay are
// uploaded only when they change; present() shows the two again.
class ReviewWindow {
public:
    virtual ~ReviewWindow() = default;
    // Opens the window at `scale` times 640x480 (0, or more than fits: the largest whole multiple
    // that fits the desktop), resizable; or covering the desktop. 0 when it shows, -1 with error()
    // otherwise.
    virtual int open(const char* title, int scale, bool fullscreen) = 0;
    virtual std::string error() const = 0;
    // What open() chose other than it was asked, in a line for the person who asked; or nothing.
    virtual std::string notice() const { return {}; }
    virtual void setFullscreen(bool on) = 0;
    virtual bool fullscreen() const = 0;
    // 640x480 pixels of 0x00RRGGBB, row after row.
    virtual void setPicture(std::span<const std::uint32_t> pixels) = 0;
    // 640x480 pixels of 0xAARRGGBB; alpha 0 leaves the picture as it is.
    virtual void setOverlay(std::span<const std::uint32_t> pixels) = 0;
    virtual void present() = 0;
    // The next event, waiting at most `timeout_ms` for one; false when none came.
    virtual bool waitEvent(ReviewEvent& event, int timeout_ms) = 0;
    virtual void close() = 0;
};
