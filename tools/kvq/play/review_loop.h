// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdio>

#include <optional>

#include "kvq/files/artwork.h"

class AudioOutput;
class Clock;
class ReviewSurface;

struct ReviewSettings {
    double start_seconds = 0;
    double speed = 1;
    bool loop = false;
    // A still picture rather than an animation: its timeline is the soundtrack's, or has no end.
    bool still = false;
    // The automatic scroll of a picture taller than the window, in text rows a second, from the start.
    std::optional<double> scroll_rows_per_second;
};

struct ReviewDevices {
    ReviewSurface& surface;                  // open
    AudioOutput* soundtrack;                 // with a soundtrack loaded, or null
    Clock& clock;                            // monotonic
    const std::atomic<int>* stop = nullptr;  // a termination signal's number once one came
    std::FILE* trace = nullptr;              // when given, a line per present and per key, with the time
};

// Shows the artwork on the surface until a person quits (Q, Escape, the close button) or a
// termination signal comes: transport keys, seek bar, full screen, the on-screen line; a picture
// taller than the window scrolls, by keys or steadily with the timeline. Blinking cells blink at
// VGA's rate by the timeline's clock. Picture and overlay are uploaded only when they change and
// presented only then; between changes it waits for input until the next is due. Returns the exit status.
int review(Artwork& artwork, const ReviewSettings& settings, ReviewDevices& devices);
