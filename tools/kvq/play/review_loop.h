// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdio>

#include "content/glyph_table.h"
#include "kvq/play/frame_source.h"

class AudioOutput;
class Clock;
class ReviewWindow;

struct ReviewSettings {
    double start_seconds = 0;
    double speed = 1;
    bool loop = false;
};

struct ReviewDevices {
    ReviewWindow& window;                    // open
    AudioOutput* soundtrack;                 // with a soundtrack loaded, or null
    Clock& clock;                            // monotonic
    const std::atomic<int>* stop = nullptr;  // a termination signal's number once one came
    std::FILE* trace = nullptr;              // when given, a line per present and per key, with the time
};

// Shows the frames in the window until a person quits (Q, Escape, the close button) or a
// termination signal comes: transport keys, seek bar, full screen, the on-screen line. Picture
// and overlay are uploaded only when they change and presented only then; between frames it
// waits for input until the next frame is due. Returns the exit status.
int review(FrameSource& frames, const GlyphTable& glyphs, const GlyphTable& text_font, const ReviewSettings& settings,
           ReviewDevices& devices);
