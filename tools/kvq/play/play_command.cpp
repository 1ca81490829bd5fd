// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

#include "audio/soundtrack.h"
#include "audio/soundtrack_reports.h"
#include "content/file_reports.h"
#include "content/frame_list.h"
#include "content/glyph_table.h"
#include "content/player_folder.h"
#include "content/regular_file.h"
#include "kvq/common/command.h"
#include "kvq/common/number_argument.h"
#include "kvq/common/time_argument.h"
#include "kvq/common/tool_error.h"
#include "kvq/files/file_kind.h"
#include "kvq/files/frame_file.h"
#include "kvq/font/default_font.h"
#include "kvq/play/frame_source.h"
#include "kvq/play/review_loop.h"
#include "kvq/play/transport.h"
#include "platform/review/monotonic_clock.h"
#include "platform/review/sdl_review_window.h"
#include "platform/review/sdl_stretching_audio_output.h"
#include "platform/termination_signals.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: kvq play [FOLDER | FRAMES] [--font FILE] [--audio FILE] [--start TIME] [--speed X]\n"
    "                [--loop] [--fullscreen] [--scale N]\n"
    "\n"
    "Plays an animation in a window for review, its picture kept in step with its soundtrack.\n"
    "With a folder (default: the current one) it plays the folder's 'quorva2.kvq' with its\n"
    "'test' font and 'quorva.mp3' soundtrack, as kvqplay would; with a frame file, the font and\n"
    "soundtrack of those names beside it unless --font and --audio name others. A missing or\n"
    "short font, frame file or soundtrack is taken as the player takes it, and reported. Frames\n"
    "are read as they are wanted, so a file of any size opens at once.\n"
    "\n"
    "  --start TIME    where to begin: seconds (12.5), minutes:seconds (1:05) or h:mm:ss\n"
    "  --speed X       0.25 to 4; the soundtrack plays at that speed too, its pitch kept;\n"
    "                  above 1, every 2nd (up to 2) or 4th frame is shown\n"
    "  --loop          start again at the end instead of pausing on the last frame\n"
    "  --fullscreen    cover the screen instead of a window\n"
    "  --scale N       the window at N times 640x480 (default, or more than fits: the largest\n"
    "                  that fits)\n"
    "\n"
    "Keys: Space pause/resume; Left/Right 5 s back/on (with Shift 10% of the length); 0-9 jump\n"
    "to 0%-90%; Home/End first/last frame; , and . one frame back/on (pausing); [ and ] slower/\n"
    "faster (0.25 0.5 1 1.5 2 4); M sound off/on; L loop on/off; F, F11 or a double click full\n"
    "screen on/off; Q or Escape quit. Moving the mouse shows a seek bar below the picture; click\n"
    "or drag on it to seek. A line with the position, length, frame (counted from 0, as kvq\n"
    "render takes it), speed and state shows for 2 s after any key and while paused. Both go\n"
    "in the black bars beside or above the picture, or on a band over its edge where the window\n"
    "leaves no room. The picture is scaled by area: every pixel equally wide at any size.\n";

constexpr ValueOption kOptions[] = {{"font", ""},  {"audio", ""},      {"start", ""},
                                    {"speed", ""}, {"loop", "", true}, {"fullscreen", "", true},
                                    {"scale", ""}};

void report(const std::string& line) { std::cerr << "kvq play: " << line << '\n'; }

void reportIfAny(const std::string& line)
{
    if (!line.empty()) report(line);
}

// A file that `kvq info` would not take for frames (a font, a soundtrack) still plays, since any
// bytes are frames to the player; but a person who named the wrong file hears why the window
// shows noise.
std::string unlikelyFramesReport(const std::string& path, std::uint64_t size_bytes)
{
    switch (likelyKind(path, size_bytes)) {
    case LikelyKind::frames:
        return {};
    case LikelyKind::font:
        return path + ": looks like a font (" + std::to_string(size_bytes) +
               " bytes), not frames; playing it as frames";
    case LikelyKind::unknown:
        break;
    }
    return path + ": " + std::to_string(size_bytes) +
           " bytes is not a whole number of 2400-byte frames and the name does not end in .kvq; playing it as frames";
}

struct ReviewFiles {
    std::string frames, font, audio;
};

ReviewFiles filesFor(const ParsedArguments& parsed)
{
    if (parsed.positional.size() > 1) throw UsageError("unexpected argument '" + parsed.positional[1] + "'");
    const std::filesystem::path given = parsed.positional.empty() ? "." : parsed.positional[0];
    std::error_code error;
    const bool folder = std::filesystem::is_directory(given, error);
    const std::filesystem::path beside = folder ? given : given.parent_path();
    return {folder ? (given / kFrameFileName).string() : given.string(),
            parsed.option("font").value_or((beside / kFontFileName).string()),
            parsed.option("audio").value_or((beside / kSoundtrackFileName).string())};
}

int run(const ParsedArguments& parsed, std::ostream&)
{
    const ReviewFiles files = filesFor(parsed);
    ReviewSettings settings;
    if (const auto start = parsed.option("start")) settings.start_seconds = timeArgumentSeconds(*start, "--start");
    if (const auto speed = parsed.option("speed")) {
        settings.speed = numberArgument(*speed, "--speed", Transport::kSpeeds[0],
                                        Transport::kSpeeds[std::size(Transport::kSpeeds) - 1], "0.25 to 4");
    }
    settings.loop = parsed.option("loop").has_value();
    int scale = 0;
    if (const auto text = parsed.option("scale")) {
        scale = static_cast<int>(wholeNumberArgument(*text, "--scale", 1, 16, "a whole number from 1 to 16"));
    }

    // A hang-up (the terminal closed) ends the review as an interrupt does.
    const std::atomic<int>& stop = installTerminationHandlers(HangUp::endsPlayback);
    // The player's rules for files it cannot use, each problem said in one line. The frames come
    // first: without a single one there is nothing to review, and that is then all there is to say.
    FileProblem problem;
    FrameFile frame_file(files.frames, problem);
    FileFrames frames(frame_file);
    const std::string frames_line = framesReport(files.frames, problem, frames.size());
    if (frames.size() == 0) throw ToolError(frames_line);
    reportIfAny(frames_line);
    reportIfAny(unlikelyFramesReport(files.frames, frame_file.sizeBytes()));
    problem = {};
    GlyphTable glyphs;
    glyphs.load(files.font.c_str(), &problem);
    reportIfAny(fontReport(files.font, problem));
    const double last_frame_seconds = static_cast<double>(frames.size() - 1) / kFramesPerSecond;
    if (settings.start_seconds > last_frame_seconds) {
        char line[160];
        std::snprintf(line, sizeof line, "--start %s is past the end (the last frame is at %.2f s); starting there",
                      parsed.option("start")->c_str(), last_frame_seconds);
        report(line);
        settings.start_seconds = last_frame_seconds;
    }

    // The line over the picture is written in the console font where there is one, since the
    // animation's own font may hold anything.
    GlyphTable text_font = glyphs;
    try {
        const FontFileBytes console = defaultConsoleFont();
        text_font.fillFrom(console.data(), console.size());
    } catch (const ToolError&) {
    }

    SdlReviewWindow window;
    const std::string title = "kvq play: " + std::filesystem::path(files.frames).filename().string();
    if (window.open(title.c_str(), scale, parsed.option("fullscreen").has_value()) != 0) {
        throw ToolError("cannot open a window: " + window.error());
    }
    reportIfAny(window.notice());
    SdlStretchingAudioOutput audio;
    const SoundtrackStart sound = loadSoundtrack(audio, files.audio.c_str());
    for (const std::string& line : soundtrackReports(files.audio, sound)) report(line);
    // Without a soundtrack the device goes back at once: an idle mixer would still wake every
    // few milliseconds.
    if (!sound.playing) audio.close();

    // A line per present and per key, with the monotonic time, for measuring picture against sound.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> trace(nullptr, &std::fclose);
    if (const char* path = std::getenv("KVQ_PLAY_TRACE")) trace.reset(std::fopen(path, "w"));
    MonotonicClock clock;
    ReviewDevices devices{window, sound.playing ? &audio : nullptr, clock, &stop, trace.get()};
    const int status = review(frames, glyphs, text_font, settings, devices);
    audio.stop();
    audio.close();
    window.close();
    return status;
}

const Command kCommand{"play", "review an animation in a window, with transport keys and its soundtrack in step", kHelp,
                       kOptions, run};

}  // namespace

const Command& playCommand() { return kCommand; }
