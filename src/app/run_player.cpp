// SPDX-License-Identifier: MIT
#include "app/run_player.h"

#include <cstdio>

#include "app/player_boundary.h"
#include "content/frame_list.h"
#include "content/glyph_table.h"

namespace {

constexpr int kFrameWidth = 640;   // 80 columns of 8 pixels
constexpr int kFrameHeight = 480;  // 30 rows of 16 pixels
constexpr const char* kFontFile = "test";
constexpr const char* kFrameFile = "quorva2.kvq";
constexpr int kExitStatus = 0;
constexpr int kNoDisplayStatus = 1;

}  // namespace

int runPlayer(PlayerBoundary& boundary)
{
    // The screen is taken over before any file is read. A player that cannot show anything must
    // not load, play for minutes unseen and then report success.
    if (boundary.openDisplay(kFrameWidth, kFrameHeight) != 0) {
        std::fprintf(stderr, "kvqplay: cannot open the display: %s\n", boundary.displayError().c_str());
        boundary.closeDisplay();
        return kNoDisplayStatus;
    }

    // A missing font leaves the table blank and a missing frame file leaves the list empty; the
    // run goes on either way.
    glyphTable.load(kFontFile);
    FrameList frames;
    frames.load(kFrameFile);

    // The sound starts only once every frame is in memory, right before the clock starts inside
    // play: that is the only synchronisation between sound and picture.
    boundary.startSoundtrack();
    const int signal_number = frames.play(boundary);

    // Given back in this order: the sound, the display, the frames.
    boundary.stopSoundtrack();
    boundary.closeDisplay();
    frames.clear();
    return signal_number != 0 ? 128 + signal_number : kExitStatus;
}
