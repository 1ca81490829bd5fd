// SPDX-License-Identifier: MIT
#include "app/run_player.h"

#include <cstdio>
#include <string>

#include "app/playback_loop.h"
#include "audio/soundtrack.h"
#include "audio/soundtrack_reports.h"
#include "content/file_reports.h"
#include "content/frame_file_shape.h"
#include "content/frame_list.h"
#include "content/glyph_table.h"
#include "content/player_folder.h"
#include "display/fullscreen_display.h"

namespace {

constexpr int kExitStatus = 0;
constexpr int kNoDisplayStatus = 1;

// The player never stops for a file it cannot use, but it says so: one line per file.
void report(const std::string& line) { std::fprintf(stderr, "kvqplay: %s\n", line.c_str()); }

void reportIfAny(const std::string& line)
{
    if (!line.empty()) report(line);
}

}  // namespace

int runPlayer(PlayerDevices& devices)
{
    // The screen is taken over before any file is read. A player that cannot show anything must
    // not load, play for minutes unseen and then report success.
    if (openDisplay(devices.screen) != 0) {
        report("cannot open the display: " + devices.screen.error());
        devices.screen.close();
        return kNoDisplayStatus;
    }

    // A missing font leaves the table blank and a missing frame file leaves the list empty; the
    // run goes on either way.
    FileProblem problem;
    GlyphTable glyphs;
    glyphs.load(kFontFileName, &problem);
    reportIfAny(fontReport(kFontFileName, problem));
    FrameList frames;
    // A signal while a huge file loads ends the run now, not once the whole file is in.
    frames.load(kFrameFileName, &problem, &devices.termination_signal);
    reportIfAny(framesReport(kFrameFileName, problem, frames.size()));

    int signal_number = devices.termination_signal.load();
    if (signal_number == 0) {
        // The sound starts only once every frame is in memory, right before the clock starts
        // inside play: that is the only synchronisation between sound and picture.
        for (const std::string& line : soundtrackReports(kSoundtrackFileName, startSoundtrack(devices.audio)))
            report(line);
        signal_number = play(frames, glyphs, devices);
    }

    // Given back in this order: the sound, the display, the frames.
    stopSoundtrack(devices.audio);
    devices.screen.close();
    frames.clear();
    return signal_number != 0 ? 128 + signal_number : kExitStatus;
}
