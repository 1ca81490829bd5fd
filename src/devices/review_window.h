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
    up,
    down,
    page_up,
    page_down,
    home,
    end,
    comma,
    period,
    bracket_left,
    bracket_right,
    digit,  // with ReviewEvent::digit
    l,
    m,
    s,
    minus,
    plus,  // '=' or '+', the same key on most layouts
    h,     // or F1
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
        close,   // the window's close button, or the window manager asking
        redraw,  // shown again, resized or uncovered: the last picture needs presenting again
        wheel,   // the mouse wheel turned by `wheel` notches, towards the person (down) when positive
    };
    Kind kind = Kind::redraw;
    ReviewKey key = ReviewKey::other;
    int digit = 0;
    int wheel = 0;
    bool shift = false;
    // Where the pointer is, in the window's pixels.
    double x = 0;
    double y = 0;
};

struct WindowSize {
    int width = 0;
    int height = 0;
    bool operator==(const WindowSize&) const = default;
};

// The device edge of the review player: a window of any size that shows what it is given, pixel
// for pixel; the player lays out and scales the picture to the window's size itself.
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
    // The window's size in pixels now; a change comes with a redraw event.
    virtual WindowSize size() const = 0;
    // Shows `width` x `height` pixels of 0x00RRGGBB, row after row, from the window's top left
    // corner, each a `scale` x `scale` block; pixels the window lacks are cut off, and where it is
    // larger it is black.
    virtual void show(std::span<const std::uint32_t> pixels, int width, int height, int scale) = 0;
    // The next event, waiting at most `timeout_ms` for one; false when none came.
    virtual bool waitEvent(ReviewEvent& event, int timeout_ms) = 0;
    virtual void close() = 0;
};
