// SPDX-License-Identifier: MIT
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <thread>

#include "content/player_files.h"
#include "kvq/cli/command.h"
#include "kvq/cli/progress_line.h"
#include "kvq/cli/tool_error.h"
#include "kvq/encode/glyph_matcher.h"
#include "kvq/encode/parallel_encoder.h"
#include "kvq/encode/picture_source.h"
#include "kvq/encode/soundtrack_extract.h"
#include "kvq/files/atomic_file.h"
#include "kvq/files/file_identity.h"
#include "kvq/files/font_file.h"
#include "kvq/font/psf_font.h"

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
    "  -o, --output FOLDER  where the three files go; made if missing, removed again on failure\n"
    "  --font FONT          the font to encode for and to play with: a file made by 'kvq font',\n"
    "                       or a PSF console font, which is converted as 'kvq font' does;\n"
    "                       without it, one made from the console font Lat15-VGA16\n"
    "  --threads N          how many frames to encode at once (default: one per processor)\n";

constexpr const char* kDefaultConsoleFont = "/usr/share/consolefonts/Lat15-VGA16.psf.gz";

std::vector<std::uint8_t> fontBytes(const std::optional<std::string>& font, const std::string& font_path)
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
    std::vector<std::uint8_t> bytes = readFontFileBytes(*font);
    // A console font, plain or gzip-compressed, would be drawn as garbage if taken as it is.
    const bool gzip = bytes.size() >= 2 && bytes[0] == 0x1f && bytes[1] == 0x8b;
    if (!gzip && !startsLikePsfFont(bytes)) return bytes;
    refuseToReplaceInput(font_path, *font);
    const FontFileBytes converted = convertPsfFont(*font);
    return {converted.begin(), converted.end()};
}

// The folders an encode has to make, removed again unless it succeeds: a failure leaves no
// empty folder behind. Only empty ones go, so nothing put there meanwhile is lost.
class MadeFolders {
public:
    explicit MadeFolders(const std::filesystem::path& folder)
    {
        std::error_code error;
        for (auto at = folder; !at.empty() && !std::filesystem::exists(at, error); at = at.parent_path()) {
            made_.push_back(at);
            if (at == at.parent_path()) break;
        }
        std::filesystem::create_directories(folder, error);
        if (error || !std::filesystem::is_directory(folder)) {
            removeMade();
            throw ToolError(systemErrorMessage(folder.string(), "cannot make the folder", error ? error.value() : ENOTDIR));
        }
    }
    ~MadeFolders()
    {
        if (!kept_) removeMade();
    }
    MadeFolders(const MadeFolders&) = delete;
    MadeFolders& operator=(const MadeFolders&) = delete;

    void keep() { kept_ = true; }

private:
    void removeMade()
    {
        std::error_code ignored;
        for (const auto& at : made_) std::filesystem::remove(at, ignored);
    }

    std::vector<std::filesystem::path> made_;  // the deepest first
    bool kept_ = false;
};

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

double secondsOf(std::size_t frames) { return static_cast<double>(frames) / kFramesPerSecond; }

std::string progressDetail(std::size_t frames, double frames_per_second, double mean_db)
{
    char text[96];
    std::snprintf(text, sizeof text, " (%.1f s of animation), %.0f frames/s, mean PSNR %.2f dB", secondsOf(frames),
                  frames_per_second, mean_db);
    return text;
}

constexpr ValueOption kOptions[] = {{"output", "o"}, {"font", ""}, {"threads", ""}};

int run(const ParsedArguments& parsed, std::ostream& out)
{
    parsed.requirePositionalCount(1, "the video or picture folder to encode");
    const std::string& input = parsed.positional[0];
    const std::filesystem::path folder(parsed.required("output"));
    const std::optional<std::string> font = parsed.option("font");
    const int threads = threadCount(parsed.option("threads"));

    std::error_code error;
    const bool from_pictures = std::filesystem::is_directory(input, error);
    if (!from_pictures && !std::filesystem::exists(input, error)) throw ToolError(input + ": no such file or folder");
    const std::string frames_path = (folder / kFrameFileName).string();
    const std::string font_path = (folder / kFontFileName).string();
    const std::string sound_path = (folder / kSoundtrackFileName).string();
    for (const std::string& output : {frames_path, font_path, sound_path}) {
        refuseToReplaceInput(output, input);
        // Found now rather than at the renames, when another of the set may already be in place.
        if (std::filesystem::is_directory(output, error)) throw ToolError(output + ": is a folder");
    }
    StreamKinds streams;
    if (!from_pictures) {
        streams = probeStreams(input);
        if (!streams.video) throw ToolError(input + ": has no video");
    }

    const std::vector<std::uint8_t> font_bytes = fontBytes(font, font_path);
    GlyphTable glyphs;
    glyphs.fillFrom(font_bytes.data(), font_bytes.size());
    const GlyphMatcher matcher(glyphs);

    // Declared before the files in it, so that they are gone before it is removed.
    MadeFolders made_folders(folder);
    std::unique_ptr<PictureSource> source = from_pictures ? openPngFolderSource(input) : openVideoSource(input);
    AtomicFile frames_file(frames_path);
    // A font given from the folder itself is already in place.
    std::optional<AtomicFile> font_file;
    if (!(font && isSameExistingFile(*font, font_path))) {
        font_file.emplace(font_path);
        font_file->write(font_bytes);
    }
    const std::size_t batch_size = static_cast<std::size_t>(threads) * 8;
    std::vector<std::vector<std::uint8_t>> pictures(batch_size);
    std::vector<TextFrame> frames(batch_size);
    std::vector<double> quality(batch_size);
    std::size_t frame_count = 0;
    double quality_sum = 0;
    const auto started = std::chrono::steady_clock::now();
    const auto framesPerSecond = [&] {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return seconds > 0 ? static_cast<double>(frame_count) / seconds : 0.0;
    };
    ProgressLine progress("encoding", std::nullopt);
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
        progress.update(frame_count, progressDetail(frame_count, framesPerSecond(),
                                                    frame_count ? quality_sum / static_cast<double>(frame_count) : 0.0));
    }
    progress.clear();
    if (frame_count == 0) throw ToolError(input + ": no pictures to encode");
    const double seconds = secondsOf(frame_count);
    const double speed = framesPerSecond();

    std::optional<AtomicFile> sound_file;
    if (streams.sound) {
        sound_file.emplace(sound_path);
        extractSoundtrack(input, seconds, sound_file->ffmpegTarget());
    }

    // Everything that can fail has been done; the renames put the whole set in place together.
    frames_file.commit();
    if (font_file) font_file->commit();
    if (sound_file) {
        sound_file->commit();
    } else {
        // A soundtrack left from an earlier encode would play over pictures it does not belong to.
        std::filesystem::remove(sound_path, error);
    }
    made_folders.keep();

    char summary[256];
    std::snprintf(summary, sizeof summary,
                  "%zu frames (%.2f s) into %s, %s; %.0f frames/s on %d thread%s; mean PSNR %.2f dB\n", frame_count,
                  seconds, folder.string().c_str(), sound_file ? "with its soundtrack" : "silent", speed, threads,
                  threads == 1 ? "" : "s", quality_sum / static_cast<double>(frame_count));
    out << summary;
    return 0;
}

const Command kCommand{"encode", "turn a video or a folder of PNG pictures into an animation", kHelp, kOptions, run};

}  // namespace

const Command& encodeCommand()
{
    return kCommand;
}
