// SPDX-License-Identifier: MIT
#pragma once

// Holds back standard error while it lives. SDL tries one driver after another, and the client
// libraries of those that fail (Wayland's, Xlib's, ALSA's) print their complaints there; the
// player reports the outcome itself, in one line. Used only while no other thread writes there.
class QuietStderr {
public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};
