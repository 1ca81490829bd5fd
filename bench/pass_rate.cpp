// SPDX-License-Identifier: MIT
// Passes per second of the playback loop on the real display, against a bare loop that only
// locks, unlocks and presents the same texture. Run it in a folder with a font and frames.
// usage: pass_rate player|bare SECONDS
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/system_boundary.h"
#include "content/frame_list.h"
#include "content/glyph_table.h"
#include "display/display_state.h"
#include "display/fullscreen_display.h"

namespace {

// Forwards to the real boundary and counts the passes; ends playback after the given time by
// pretending a signal came, so the loop's own exit path runs.
class CountingBoundary final : public SystemBoundary {
public:
    explicit CountingBoundary(double seconds) : seconds_(seconds) {}
    void presentFrame() override
    {
        SystemBoundary::presentFrame();
        ++passes;
    }
    int pendingTerminationSignal() override
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= seconds_ ? 15 : 0;
    }
    long passes = 0;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

private:
    double seconds_;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: pass_rate player|bare SECONDS\n");
        return 2;
    }
    const bool bare = std::strcmp(argv[1], "bare") == 0;
    const double seconds = std::atof(argv[2]);
    CountingBoundary boundary(seconds);
    if (boundary.openDisplay(640, 480) != 0) {
        std::fprintf(stderr, "pass_rate: %s\n", boundary.displayError().c_str());
        return 1;
    }
    glyphTable.load("test");
    FrameList frames;
    frames.load("quorva2.kvq");
    boundary.start = std::chrono::steady_clock::now();
    if (bare) {
        while (!boundary.pendingTerminationSignal()) {
            boundary.beginFrame();
            boundary.presentFrame();
        }
    } else {
        frames.play(boundary);
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - boundary.start).count();
    std::printf("%s passes_per_second=%.1f renderer=%s\n", argv[1], static_cast<double>(boundary.passes) / elapsed,
                screenRendererName(*displayState.direct_draw));
    boundary.closeDisplay();
    return 0;
}
