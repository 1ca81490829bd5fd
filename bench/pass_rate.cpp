// SPDX-License-Identifier: MIT
// Passes per second of the playback loop on the real display, against a bare loop that only
// locks, unlocks and presents the same texture. Run it in a folder with a font and frames.
// usage: pass_rate player|bare SECONDS
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/playback_loop.h"
#include "content/player_folder.h"
#include "display/fullscreen_display.h"
#include "platform/sdl_audio_output.h"
#include "platform/sdl_input_events.h"
#include "platform/sdl_screen.h"
#include "platform/wall_clock.h"

namespace {

// The real screen, counting its passes; once the time is up it raises the flag a termination
// signal would, so the loop's own exit path runs.
class CountingScreen final : public SdlScreen {
public:
    CountingScreen(double seconds, std::atomic<int>& stop) : seconds_(seconds), stop_(stop) {}
    void presentFrame() override
    {
        SdlScreen::presentFrame();
        ++passes;
        if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= seconds_) stop_ = 15;
    }
    long passes = 0;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

private:
    double seconds_;
    std::atomic<int>& stop_;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: pass_rate player|bare SECONDS\n");
        return 2;
    }
    const bool bare = std::strcmp(argv[1], "bare") == 0;
    std::atomic<int> stop{0};
    CountingScreen screen(std::atof(argv[2]), stop);
    SdlInputEvents input;
    SdlAudioOutput audio;
    WallClock clock;
    PlayerDevices devices{screen, input, audio, clock, stop};
    if (openDisplay(screen) != 0) {
        std::fprintf(stderr, "pass_rate: %s\n", screen.error().c_str());
        return 1;
    }
    GlyphTable glyphs;
    glyphs.load(kFontFileName);
    FrameList frames;
    frames.load(kFrameFileName);
    screen.start = std::chrono::steady_clock::now();
    if (bare) {
        while (!stop) {
            screen.beginFrame();
            screen.presentFrame();
        }
    } else {
        play(frames, glyphs, devices);
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - screen.start).count();
    std::printf("%s passes_per_second=%.1f renderer=%s\n", argv[1], static_cast<double>(screen.passes) / elapsed,
                screen.rendererName().c_str());
    screen.close();
    return 0;
}
