// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>

#include <unistd.h>

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
#include "kvq/files/artwork.h"
#include "kvq/files/file_kind.h"
#include "kvq/files/frame_file.h"
#include "kvq/files/frame_source.h"
#include "kvq/files/frames_artwork.h"
#include "kvq/font/default_font.h"
#include "kvq/play/review_loop.h"
#include "kvq/play/scroll_view.h"
#include "kvq/play/terminal/terminal_review.h"
#include "kvq/play/transport.h"
#include "kvq/play/window_surface.h"
#include "platform/review/monotonic_clock.h"
#include "platform/review/sdl_review_window.h"
#include "platform/review/sdl_stretching_audio_output.h"
#include "platform/termination_signals.h"
#include "scene/scene_piece.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: kvq play [FOLDER | FRAMES | ART] [--font FILE] [--audio FILE] [--start TIME] [--speed X]\n"
    "                [--loop] [--fullscreen] [--scale N] [--baud N] [--scroll-speed ROWS]\n"
    "                [--terminal] [--protocol sixel|kitty|text] [--no-audio]\n"
    "\n"
    "Plays an animation or shows a piece of art in a window for review, its picture kept in step\n"
    "with its soundtrack.\n"
    "With a folder (default: the current one) it plays the folder's 'quorva2.kvq' with its\n"
    "'test' font and 'quorva.mp3' soundtrack, as kvqplay would; with a frame file, the font and\n"
    "soundtrack of those names beside it unless --font and --audio name others. A missing or\n"
    "short font, frame file or soundtrack is taken as the player takes it, and reported. Frames\n"
    "are read as they are wanted, so a file of any size opens at once.\n"
    "With a piece of the scene's art (ANSI, BIN, XBIN, ADF, IDF, PCBoard, TundraDraw) it shows\n"
    "the piece in colour, in its own font and letter spacing, with --audio beside it if given;\n"
    "blinking cells blink at VGA's rate. A piece taller than the window fills the window's\n"
    "width and scrolls; with --baud it is typed out as a terminal would show it.\n"
    "\n"
    "  --start TIME    where to begin: seconds (12.5), minutes:seconds (1:05) or h:mm:ss\n"
    "  --speed X       0.25 to 4; the soundtrack plays at that speed too, its pitch kept;\n"
    "                  above 1, every 2nd (up to 2) or 4th frame is shown\n"
    "  --loop          start again at the end instead of pausing on the last frame\n"
    "  --fullscreen    cover the screen instead of a window\n"
    "  --scale N       the window at N times 640x480 (default, or more than fits: the largest\n"
    "                  that fits)\n"
    "  --font FILE     a piece's font: any font kvq font reads, or the player's 8192-byte font\n"
    "  --baud N        type a piece (ANSI, PCBoard) out at N bits a second, 10 bits a byte,\n"
    "                  on a screen of its width and 25 rows; the frames are the screens\n"
    "  --scroll-speed ROWS  scroll a tall piece by itself from the start, ROWS text rows a\n"
    "                  second (0.5 to 64); the scroll follows the clock, so seeking moves it\n"
    "  --terminal      play in this terminal instead of a window (the default where there is\n"
    "                  no display and the output is a terminal, as over ssh): the picture's own\n"
    "                  pixels where the terminal draws sixel or kitty graphics, else its\n"
    "                  characters in colour; only what changed is sent, and frames the\n"
    "                  terminal or the link cannot take in time are skipped, never queued\n"
    "  --protocol P    in a terminal, draw with sixel, kitty or text rather than what the\n"
    "                  terminal says it can do\n"
    "  --no-audio      no soundtrack, even where there is one\n"
    "\n"
    "Keys: Space pause/resume; Left/Right 5 s back/on (with Shift 10% of the length); 0-9 jump\n"
    "to 0%-90%; Home/End first/last frame (a still piece: its top/bottom); , and . one frame\n"
    "back/on (pausing); [ and ] slower/faster (0.25 0.5 1 1.5 2 4); M sound off/on; L loop\n"
    "on/off; F, F11 or a double click full screen on/off; Q or Escape quit. A tall piece: Up/\n"
    "Down a text row (the mouse wheel three), Page Up/Page Down a screen, S automatic scroll\n"
    "on/off, - and = (or +) slower/faster scroll (0.5 1 2 3 4 6 8 12 16 24 32 48 64 rows a\n"
    "second, 4 at first); H or F1 these keys over the picture. Moving the mouse shows a seek\n"
    "bar below the picture; click or drag\n"
    "on it to seek. A line with the position, length, frame (counted from 0, as kvq\n"
    "render takes it), the rows in view, speed and state shows for 2 s after any key and while\n"
    "paused. Both go in the black bars beside or above the picture, or on a band over its edge\n"
    "where the window leaves no room. The picture is scaled by area: every pixel equally wide\n"
    "at any size. Without a soundtrack a still piece's clock has no end.\n";

constexpr ValueOption kOptions[] = {{"font", ""},           {"audio", ""},      {"start", ""},
                                    {"speed", ""},          {"loop", "", true}, {"fullscreen", "", true},
                                    {"scale", ""},          {"baud", ""},       {"scroll-speed", ""},
                                    {"terminal", "", true}, {"protocol", ""},   {"no-audio", "", true}};

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

// The piece of the scene's art in the file named, or nothing where it is the player's frames (or
// cannot be opened, which the player's rules for frames then say).
std::optional<ScenePiece> scenePieceIn(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    return readSceneFile(path, SceneOptions{});
}

// Without a console font the line is written in the piece's own font, its top 16 rows.
GlyphTable textFontOf(const CellFont& font)
{
    std::vector<std::uint8_t> slots(GlyphTable::kFileBytesRead, 0);
    const int rows = std::min(font.height, 16);
    for (int code = 0; code < std::min(font.glyph_count, GlyphTable::kFileGlyphs); ++code) {
        for (int y = 0; y < rows; ++y)
            slots[static_cast<std::size_t>(code * GlyphTable::kSlotBytes + y)] = font.row(code, y);
    }
    GlyphTable table;
    table.fillFrom(slots.data(), slots.size());
    return table;
}

// In a terminal when asked, or where there is no display to open a window on but a terminal to play in.
bool inTerminal(const ParsedArguments& parsed)
{
    if (parsed.option("terminal")) return true;
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return !set("DISPLAY") && !set("WAYLAND_DISPLAY") && isatty(STDOUT_FILENO) == 1;
}

std::optional<TerminalProtocol> protocolNamed(const std::string& name)
{
    if (name == "sixel") return TerminalProtocol::sixel;
    if (name == "kitty") return TerminalProtocol::kitty;
    if (name == "text") return TerminalProtocol::text;
    throw UsageError("--protocol '" + name + "': sixel, kitty or text");
}

// What the review shows and what it was read from.
struct Shown {
    std::unique_ptr<FrameFile> frame_file;
    std::unique_ptr<FileFrames> frames;
    GlyphTable glyphs;  // the player's font, for its frames
    std::unique_ptr<Artwork> artwork;
    std::string audio;  // the soundtrack's file, or empty for none
    bool still = false;
};

// The player's frames, by the player's rules for files it cannot use, each problem said in one line.
// The frames come first: without a single one there is nothing to review, and that is then all there
// is to say.
void openFrames(const ReviewFiles& files, Shown& shown)
{
    FileProblem problem;
    shown.frame_file = std::make_unique<FrameFile>(files.frames, problem);
    shown.frames = std::make_unique<FileFrames>(*shown.frame_file);
    const std::string frames_line = framesReport(files.frames, problem, shown.frames->size());
    if (shown.frames->size() == 0) throw ToolError(frames_line);
    reportIfAny(frames_line);
    reportIfAny(unlikelyFramesReport(files.frames, shown.frame_file->sizeBytes()));
    problem = {};
    shown.glyphs.load(files.font.c_str(), &problem);
    reportIfAny(fontReport(files.font, problem));
    shown.artwork = std::make_unique<FramesArtwork>(*shown.frames, shown.glyphs);
    shown.audio = files.audio;
}

void openPiece(const ParsedArguments& parsed, ScenePiece piece, const std::string& path, std::optional<int> baud,
               Shown& shown)
{
    ArtworkOptions options;
    options.font_path = parsed.option("font");
    options.baud = baud;
    shown.artwork = sceneArtwork(std::move(piece), path, options);
    if (shown.artwork->frameCount() == 0) throw ToolError(path + ": nothing to show");
    shown.still = !options.baud.has_value();
    // A piece has no soundtrack by its name; only the one asked for.
    shown.audio = parsed.option("audio").value_or("");
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
    if (const auto rows = parsed.option("scroll-speed")) {
        settings.scroll_rows_per_second =
            numberArgument(*rows, "--scroll-speed", ScrollView::kRowRates[0],
                           ScrollView::kRowRates[std::size(ScrollView::kRowRates) - 1], "0.5 to 64");
    }
    std::optional<int> baud;
    if (const auto text = parsed.option("baud")) {
        baud =
            static_cast<int>(wholeNumberArgument(*text, "--baud", 1, 100'000'000, "bits a second from 1 to 100000000"));
    }
    settings.loop = parsed.option("loop").has_value();
    int scale = 0;
    if (const auto text = parsed.option("scale")) {
        scale = static_cast<int>(wholeNumberArgument(*text, "--scale", 1, 16, "a whole number from 1 to 16"));
    }

    const bool terminal = inTerminal(parsed);
    std::optional<TerminalProtocol> protocol;
    if (const auto name = parsed.option("protocol")) {
        if (!terminal) throw UsageError("--protocol goes only with --terminal");
        protocol = protocolNamed(*name);
    }

    // A hang-up (the terminal closed) ends the review as an interrupt does.
    const std::atomic<int>& stop = installTerminationHandlers(HangUp::endsPlayback);
    Shown shown;
    std::optional<ScenePiece> scene_piece = scenePieceIn(files.frames);
    const bool piece = scene_piece.has_value();
    if (piece) {
        openPiece(parsed, std::move(*scene_piece), files.frames, baud, shown);
    } else {
        if (baud) throw UsageError("--baud goes only with a piece of the scene's art (ANSI, PCBoard)");
        openFrames(files, shown);
    }
    settings.still = shown.still;
    Artwork& artwork = *shown.artwork;
    const double last_frame_seconds = static_cast<double>(artwork.frameCount() - 1) / kFramesPerSecond;
    if (!settings.still && settings.start_seconds > last_frame_seconds) {
        char line[160];
        std::snprintf(line, sizeof line, "--start %s is past the end (the last frame is at %.2f s); starting there",
                      parsed.option("start")->c_str(), last_frame_seconds);
        report(line);
        settings.start_seconds = last_frame_seconds;
    }

    // The line over the picture is written in the console font where there is one, since the
    // animation's own font may hold anything.
    GlyphTable text_font = shown.glyphs;
    try {
        const FontFileBytes console = defaultConsoleFont();
        text_font.fillFrom(console.data(), console.size());
    } catch (const ToolError&) {
        if (piece) text_font = textFontOf(artwork.font());
    }

    std::unique_ptr<SdlReviewWindow> window;
    if (!terminal) {
        window = std::make_unique<SdlReviewWindow>();
        const std::string title = "kvq play: " + std::filesystem::path(files.frames).filename().string();
        if (window->open(title.c_str(), scale, parsed.option("fullscreen").has_value()) != 0) {
            throw ToolError("cannot open a window: " + window->error());
        }
        reportIfAny(window->notice());
    }
    // In a terminal, the soundtrack's problems are said before it is taken over, where they stay
    // to be read.
    SdlStretchingAudioOutput audio;
    SoundtrackStart sound;
    if (!shown.audio.empty() && !parsed.option("no-audio")) {
        sound = loadSoundtrack(audio, shown.audio.c_str());
        for (const std::string& line : soundtrackReports(shown.audio, sound)) report(line);
    }
    // Without a soundtrack the device goes back at once: an idle mixer would still wake every
    // few milliseconds.
    if (!sound.playing) audio.close();

    // A line per present and per key, with the monotonic time, for measuring picture against sound.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> trace(nullptr, &std::fclose);
    if (const char* path = std::getenv("KVQ_PLAY_TRACE")) trace.reset(std::fopen(path, "w"));
    AudioOutput* soundtrack = sound.playing ? &audio : nullptr;
    int status = 0;
    if (window) {
        MonotonicClock clock;
        WindowSurface surface(*window, text_font);
        ReviewDevices devices{surface, soundtrack, clock, &stop, trace.get()};
        status = review(artwork, settings, devices);
        window->close();
    } else {
        status = reviewInTerminal(artwork, text_font, settings, soundtrack, stop, trace.get(), protocol, report);
    }
    audio.stop();
    audio.close();
    return status;
}

const Command kCommand{"play", "review an animation in a window, with transport keys and its soundtrack in step", kHelp,
                       kOptions, run};

}  // namespace

const Command& playCommand() { return kCommand; }
