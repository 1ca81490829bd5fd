// SPDX-License-Identifier: MIT
#include "app/run_player.h"

#include <cstdio>

#include "app/playback_loop.h"
#include "audio/soundtrack.h"
#include "content/frame_list.h"
#include "content/glyph_table.h"
#include "content/player_files.h"
#include "display/fullscreen_display.h"

namespace {
constexpr int kExitStatus = 0;
constexpr int kNoDisplayStatus = 1;
}  // namespace

int runPlayer(PlayerDevices& devices)
{
    // The screen is taken over before any file is read. A player that cannot show anything must
    // not load, play for minutes unseen and then report success.
    if (openDisplay(devices.screen) != 0) {
        std::fprintf(stderr, "kvqplay: cannot open the display: %s\n", devices.screen.error().c_str());
        devices.screen.close();
        return kNoDisplayStatus;
    }

    // A missing font leaves the table blank and a missing frame file leaves the list empty; the
    // run goes on either way.
    GlyphTable glyphs;
    glyphs.load(kFontFileName);
    FrameList frames;
    frames.load(kFrameFileName);

    // The sound starts only once every frame is in memory, right before the clock starts inside
    // play: that is the only synchronisation between sound and picture.
    startSoundtrack(devices.audio);
    const int signal_number = play(frames, glyphs, devices);

    // Given back in this order: the sound, the display, the frames.
    stopSoundtrack(devices.audio);
    devices.screen.close();
    frames.clear();
    return signal_number != 0 ? 128 + signal_number : kExitStatus;
}
