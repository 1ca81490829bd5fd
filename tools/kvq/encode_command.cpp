// SPDX-License-Identifier: MIT
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "atomic_file.h"
#include "command_line.h"
#include "commands.h"
#include "encode/glyph_matcher.h"
#include "encode/parallel_encoder.h"
#include "encode/picture_source.h"
#include "encode/soundtrack_extract.h"
#include "file_identity.h"
#include "font_file.h"
#include "psf_font.h"
#include "tool_error.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: kvq encode INPUT -o FOLDER [--font FONT] [--threads N]\n"
    "\n"
    "Turns a video, or a folder of PNG pictures taken in name order, into an animation the\n"
    "player shows: at 24 frames per second, each picture fitted into 640x480 with its shape\n"
    "kept, and every 8x16 cell replaced by the character whose glyph, drawn in ink and paper,\n"
    "comes closest to it (least squared error of luminance; ties go to the lowest code).\n"
    "FOLDER receives the player's three files: 'quorva2.kvq' (the frames), 'test' (the font)\n"
    "and, when the video has sound, 'quorva.mp3' (its soundtrack, cut to the animation's\n"
    "length). Then 'cd FOLDER && kvqplay' plays it. Videos are read with the ffmpeg program.\n"
    "At the end it reports the mean PSNR of the frames, drawn again, against the pictures.\n"
    "\n"
    "  -o, --output FOLDER  where the three files go; made if missing\n"
    "  --font FONT          the font to encode for and to play with (a file made by 'kvq font');\n"
    "                       without it, one made from the console font Lat15-VGA16\n"
    "  --threads N          how many frames to encode at once (default: one per processor)\n";

constexpr const char* kDefaultConsoleFont = "/usr/share/consolefonts/Lat15-VGA16.psf.gz";
constexpr double kFramesPerSecond = 24.0;

std::vector<std::uint8_t> fontBytes(const std::optional<std::string>& font)
{
    if (!font) {
        std::error_code error;
        if (!std::filesystem::exists(kDefaultConsoleFont, error)) {
            throw ToolError(std::string(kDefaultConsoleFont) +
                            " is missing: give --font, or install it with: sudo apt-get install console-setup-linux");
        }
        const FontFileBytes converted = convertPsfFont(kDefaultConsoleFont);
        return {converted.begin(), converted.end()};
    }
    return readFontFileBytes(*font);
}

int threadCount(const std::optional<std::string>& text)
{
    if (!text) return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    int value = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    if (error != std::errc() || stop != end || value < 1 || value > 256) {
        throw UsageError("--threads takes a number from 1 to 256, not '" + *text + "'");
    }
    return value;
}

class Progress {
public:
    Progress() : shown_(isatty(STDERR_FILENO) != 0), start_(std::chrono::steady_clock::now()) {}
    ~Progress()
    {
        if (shown_ && printed_) std::fputc('\n', stderr);
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void update(std::size_t frames, double mean_db)
    {
        const auto now = std::chrono::steady_clock::now();
        if (!shown_ || now - last_ < std::chrono::milliseconds(250)) return;
        last_ = now;
        printed_ = true;
        std::fprintf(stderr, "\rencoding: frame %zu (%.1f s of animation), %.0f frames/s, mean PSNR %.2f dB   ", frames,
                     static_cast<double>(frames) / kFramesPerSecond, framesPerSecond(frames), mean_db);
        std::fflush(stderr);
    }
    double framesPerSecond(std::size_t frames) const
    {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        return seconds > 0 ? static_cast<double>(frames) / seconds : 0.0;
    }

private:
    bool shown_;
    bool printed_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_{};
};

int run(std::span<const std::string> arguments, std::ostream& out)
{
    const ParsedArguments parsed = parseArguments(arguments, {{"output", "o"}, {"font", ""}, {"threads", ""}});
    if (parsed.help) {
        out << kHelp;
        return 0;
    }
    requirePositionalCount(parsed, 1, "the video or picture folder to encode");
    const std::string& input = parsed.positional[0];
    const std::filesystem::path folder(parsed.required("output"));
    const std::optional<std::string> font = parsed.option("font");
    const int threads = threadCount(parsed.option("threads"));

    std::error_code error;
    const bool from_pictures = std::filesystem::is_directory(input, error);
    if (!from_pictures && !std::filesystem::exists(input, error)) throw ToolError(input + ": no such file or folder");
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        throw ToolError(systemErrorMessage(folder.string(), "cannot make the folder", error ? error.value() : ENOTDIR));
    }
    const std::string frames_path = (folder / "quorva2.kvq").string();
    const std::string font_path = (folder / "test").string();
    const std::string sound_path = (folder / "quorva.mp3").string();
    for (const std::string& output : {frames_path, font_path, sound_path}) refuseToReplaceInput(output, input);

    const std::vector<std::uint8_t> font_bytes = fontBytes(font);
    GlyphTable glyphs;
    glyphs.fillFrom(font_bytes.data(), font_bytes.size());
    const GlyphMatcher matcher(glyphs);

    std::unique_ptr<PictureSource> source = from_pictures ? openPngFolderSource(input) : openVideoSource(input);
    AtomicFile frames_file(frames_path);
    const std::size_t batch_size = static_cast<std::size_t>(threads) * 8;
    std::vector<std::vector<std::uint8_t>> pictures(batch_size);
    std::vector<TextFrame> frames(batch_size);
    std::vector<double> quality(batch_size);
    std::size_t frame_count = 0;
    double quality_sum = 0;
    Progress progress;
    for (bool more = true; more;) {
        std::size_t filled = 0;
        while (filled < batch_size && (more = source->next(pictures[filled]))) ++filled;
        encodePictures(matcher, glyphs, std::span(pictures).first(filled), std::span(frames).first(filled),
                       std::span(quality).first(filled), threads);
        for (std::size_t i = 0; i < filled; ++i) {
            frames_file.write(frames[i].cells);
            quality_sum += quality[i];
        }
        frame_count += filled;
        progress.update(frame_count, frame_count ? quality_sum / static_cast<double>(frame_count) : 0.0);
    }
    if (frame_count == 0) throw ToolError(input + ": no pictures to encode");
    const double seconds = static_cast<double>(frame_count) / kFramesPerSecond;
    const double speed = progress.framesPerSecond(frame_count);

    std::optional<AtomicFile> sound_file;
    if (!from_pictures && videoHasSound(input)) {
        sound_file.emplace(sound_path);
        extractSoundtrack(input, seconds, sound_file->temporaryPath());
    }

    // Each of the three appears whole; a font given from the folder itself is already in place.
    if (!(font && isSameExistingFile(*font, font_path))) writeFileAtomically(font_path, font_bytes);
    frames_file.commit();
    if (sound_file) {
        sound_file->commit();
    } else {
        // A soundtrack left from an earlier encode would play over pictures it does not belong to.
        std::filesystem::remove(sound_path, error);
    }

    char summary[256];
    std::snprintf(summary, sizeof summary,
                  "%zu frames (%.2f s) into %s, %s; %.0f frames/s on %d thread%s; mean PSNR %.2f dB\n", frame_count,
                  seconds, folder.string().c_str(), sound_file ? "with its soundtrack" : "silent", speed, threads,
                  threads == 1 ? "" : "s", quality_sum / static_cast<double>(frame_count));
    out << summary;
    return 0;
}

}  // namespace

const Command& encodeCommand()
{
    static const Command command{"encode", "turn a video or a folder of PNG pictures into an animation", kHelp, run};
    return command;
}
