// SPDX-License-Identifier: MIT
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <future>
#include <optional>
#include <thread>

#include "content/player_folder.h"
#include "kvq/common/command.h"
#include "kvq/common/number_argument.h"
#include "kvq/common/progress_line.h"
#include "kvq/common/tool_error.h"
#include "kvq/encode/parallel_encoder.h"
#include "kvq/encode/picture_fonts.h"
#include "kvq/encode/picture_source.h"
#include "kvq/encode/soundtrack_extract.h"
#include "kvq/files/atomic_file.h"
#include "kvq/files/file_identity.h"
#include "kvq/files/font_file.h"
#include "kvq/files/input_file.h"
#include "kvq/font/default_font.h"
#include "kvq/font/psf_font.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: kvq encode INPUT -o FOLDER [--font FONT] [--match perceptual|pixel]\n"
    "                  [--levels full|auto] [--hold PERCENT] [--threads N]\n"
    "\n"
    "Turns a video, or a folder of PNG pictures taken in name order, into an animation the\n"
    "player shows: at 24 frames per second, each picture fitted into 640x480 with its shape\n"
    "kept, and every 8x16 cell replaced by the character whose glyph, drawn in ink and paper,\n"
    "looks most like it. FOLDER receives the player's three files: 'quorva2.kvq' (the frames),\n"
    "'test' (the font) and, when the video has sound, 'quorva.mp3' (its soundtrack, cut to the\n"
    "animation's length). Then 'kvq play FOLDER' reviews it in a window and 'cd FOLDER &&\n"
    "kvqplay' plays it full screen. Videos are read with the ffmpeg program. At the end it\n"
    "reports how close the frames, drawn again, come to the pictures. Read blurred PSNR and\n"
    "SSIM first: PSNR of both blurred (sigma 3 px), as seen from a step back, and SSIM of both\n"
    "at 1/8 scale, higher is closer; PSNR per pixel falls as textures stand in for greys, so it\n"
    "is no measure of likeness here; flicker, the share of cells that change from one frame to\n"
    "the next, lower is steadier.\n"
    "\n"
    "  -o, --output FOLDER  where the three files go; made if missing, removed again on failure\n"
    "  --font FONT          the font to encode for and to play with: a file made by 'kvq font',\n"
    "                       or a PSF console font of 8x16 glyphs (gzip or not), converted as\n"
    "                       'kvq font' does; 'tones' for one made of tone levels and edges;\n"
    "                       'learn' for 128 glyphs learned from the pictures themselves (give\n"
    "                       './tones' or './learn' for files of those names). Without it, one\n"
    "                       made from the console font Lat15-VGA16, for the text-art look\n"
    "  --match perceptual   (the default) compare what the eye sees: each cell and glyph after\n"
    "                       a blur inside the cell, with some of the per-pixel error to keep\n"
    "                       edges; the picture's black is read as ink and its white as paper\n"
    "  --match pixel        the least squared error of luminance per pixel against the picture\n"
    "                       as it is, every frame on its own; ties go to the lowest code\n"
    "  --levels full        (the default) black to ink and white to paper, linearly\n"
    "  --levels auto        the video's own range (2% clipped at each end) onto ink..paper\n"
    "  --hold PERCENT       a cell keeps the previous frame's character unless another is\n"
    "                       better by more than this (default 10), so still parts stay still\n"
    "  --threads N          how many threads encode (default: one per processor)\n";

constexpr float kDefaultHold = 0.10f;

std::vector<std::uint8_t> fontBytes(const std::optional<std::string>& font, const std::string& font_path)
{
    if (!font) {
        const FontFileBytes converted = defaultConsoleFont();
        return {converted.begin(), converted.end()};
    }
    std::vector<std::uint8_t> bytes = readFontFileBytes(*font);
    // A console font, plain or gzip-compressed, would be drawn as garbage if taken as it is.
    const bool gzip = bytes.size() >= 2 && bytes[0] == 0x1f && bytes[1] == 0x8b;
    if (!gzip && !startsLikePsfFont(bytes)) {
        // Any other file would be taken for glyphs whatever it holds (a video, a picture): only
        // a font as 'kvq font' writes it, of exactly 8192 bytes, is.
        if (InputFile(*font).sizeBytes() != GlyphTable::kFileBytesRead) {
            throw ToolError(*font + ": neither a font made by 'kvq font' (8192 bytes) nor a PSF console font; "
                            "--font also takes 'tones' or 'learn'");
        }
        return bytes;
    }
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
    return static_cast<int>(wholeNumberArgument(*text, "--threads", 1, 256, "a number from 1 to 256"));
}

double secondsOf(std::size_t frames) { return static_cast<double>(frames) / kFramesPerSecond; }

MatchMode matchMode(const std::optional<std::string>& text)
{
    if (!text || *text == "perceptual") return MatchMode::perceptual;
    if (*text == "pixel") return MatchMode::pixel;
    throw UsageError("--match takes 'perceptual' or 'pixel', not '" + *text + "'");
}

float holdMargin(const std::optional<std::string>& text)
{
    if (!text) return kDefaultHold;
    return static_cast<float>(wholeNumberArgument(*text, "--hold", 0, 100, "a percentage from 0 to 100")) / 100.0f;
}

// A quick look over the whole input for what has to be known before the first frame: its
// levels, or the cells to learn a font from. About this many pictures, spread evenly.
constexpr std::size_t kSurveyPictures = 48;

std::vector<std::vector<std::uint8_t>> surveyPictures(const std::string& input, bool from_pictures,
                                                      std::optional<std::size_t> expected_frames)
{
    const int every = static_cast<int>(std::max<std::size_t>(1, expected_frames.value_or(kSurveyPictures * kFramesPerSecond) / kSurveyPictures));
    std::unique_ptr<PictureSource> source = from_pictures ? openPngFolderSource(input, every) : openVideoSource(input, every);
    std::vector<std::vector<std::uint8_t>> pictures;
    for (std::vector<std::uint8_t> picture; source->next(picture);) pictures.push_back(picture);
    if (pictures.empty()) throw ToolError(input + ": no pictures to encode");
    return pictures;
}

// The cells a font is learned from: this many, taken evenly from the survey's pictures.
constexpr std::size_t kLearningCells = 20000;
constexpr int kLearningRounds = 10;

std::vector<CellTarget> learningCells(const std::vector<std::vector<std::uint8_t>>& pictures, const ToneLevels& levels)
{
    const std::size_t cells_per_picture = TextFrame::kColumns * TextFrame::kRows;
    const std::size_t total = pictures.size() * cells_per_picture;
    const std::size_t count = std::min(total, kLearningCells);
    std::vector<CellTarget> cells(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t index = i * total / count;
        const auto& picture = pictures[index / cells_per_picture];
        const std::size_t cell = index % cells_per_picture;
        const std::size_t top = cell / TextFrame::kColumns * 16;
        const std::size_t left = cell % TextFrame::kColumns * 8;
        for (std::size_t at = 0; at < CellObjective::kPixels; ++at) {
            cells[i][at] = levels.target[picture[(top + at / 8) * kPictureWidth + left + at % 8]];
        }
    }
    return cells;
}

std::string figuresText(const FrameFigures& figures)
{
    char text[160];
    std::snprintf(text, sizeof text, "PSNR %.2f dB, blurred PSNR %.2f dB, SSIM at 1/8 %.3f, flicker %.3f", figures.psnr,
                  figures.blurred_psnr, figures.ssim, figures.flicker);
    return text;
}

constexpr ValueOption kOptions[] = {{"output", "o"}, {"font", ""}, {"threads", ""}, {"match", ""}, {"levels", ""}, {"hold", ""}};

int run(const ParsedArguments& parsed, std::ostream& out)
{
    // Speeds are of the whole run: probing, any survey and learning, decoding and encoding.
    const auto started = std::chrono::steady_clock::now();
    parsed.requirePositionalCount(1, "the video or picture folder to encode");
    const std::string& input = parsed.positional[0];
    const std::filesystem::path folder(parsed.required("output"));
    const std::optional<std::string> font = parsed.option("font");
    const int threads = threadCount(parsed.option("threads"));
    const MatchMode mode = matchMode(parsed.option("match"));
    const std::optional<std::string> levels_option = parsed.option("levels");
    if (levels_option && *levels_option != "full" && *levels_option != "auto") {
        throw UsageError("--levels takes 'full' or 'auto', not '" + *levels_option + "'");
    }
    const float hold = holdMargin(parsed.option("hold"));
    if (mode == MatchMode::pixel && (levels_option || parsed.option("hold"))) {
        throw UsageError("--levels and --hold go with --match perceptual; --match pixel takes the picture as it is");
    }
    const bool learn = font && *font == "learn";
    const bool tones = font && *font == "tones";
    // A font file given, rather than one made here.
    const std::optional<std::string> font_file_given = learn || tones ? std::nullopt : font;

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
    std::optional<std::size_t> expected_frames;
    if (from_pictures) {
        expected_frames = pngFolderPictureCount(input);
    } else {
        streams = probeStreams(input);
        if (!streams.video) throw ToolError(input + ": has no video");
        if (streams.seconds) expected_frames = static_cast<std::size_t>(std::ceil(*streams.seconds * kFramesPerSecond));
    }

    std::vector<std::vector<std::uint8_t>> survey;
    if (learn || levels_option == "auto") survey = surveyPictures(input, from_pictures, expected_frames);
    const ToneLevels levels = levels_option == "auto" ? stretchedLevels(survey) : fullLevels();
    std::vector<std::uint8_t> font_bytes;
    if (learn || tones) {
        const FontFileBytes made = learn ? learnFont(learningCells(survey, levels), CellObjective(), kLearningRounds, threads)
                                         : tonesFont();
        font_bytes.assign(made.begin(), made.end());
    } else {
        font_bytes = fontBytes(font_file_given, font_path);
    }
    survey = {};
    GlyphTable glyphs;
    glyphs.fillFrom(font_bytes.data(), font_bytes.size());
    const FrameEncoder encoder(glyphs, mode, levels, hold);

    // Declared before the files in it, so that they are gone before it is removed.
    MadeFolders made_folders(folder);
    std::unique_ptr<PictureSource> source = from_pictures ? openPngFolderSource(input) : openVideoSource(input);
    AtomicFile frames_file(frames_path);
    // A font given from the folder itself is already in place.
    std::optional<AtomicFile> font_file;
    if (!(font_file_given && isSameExistingFile(*font_file_given, font_path))) {
        font_file.emplace(font_path);
        font_file->write(font_bytes);
    }
    const std::size_t batch_size = static_cast<std::size_t>(threads) * 8;
    // One batch is read while the one before is encoded, so that decoding and encoding overlap.
    std::vector<std::vector<std::uint8_t>> pictures(batch_size);
    std::vector<std::vector<std::uint8_t>> next_pictures(batch_size);
    const auto readBatch = [&source](std::vector<std::vector<std::uint8_t>>& batch) {
        std::size_t filled = 0;
        while (filled < batch.size() && source->next(batch[filled])) ++filled;
        return filled;
    };
    std::vector<TextFrame> frames(batch_size);
    std::vector<FrameFigures> figures(batch_size);
    TextFrame last;
    FigureTotals totals;
    const auto framesPerSecond = [&] {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return seconds > 0 ? static_cast<double>(totals.frames()) / seconds : 0.0;
    };
    ProgressLine progress("encoding", expected_frames);
    for (std::size_t filled = readBatch(pictures); filled > 0;) {
        auto reading = std::async(std::launch::async, readBatch, std::ref(next_pictures));
        encodePictures(encoder, std::span(pictures).first(filled), totals.frames() ? &last : nullptr,
                       std::span(frames).first(filled), std::span(figures).first(filled), threads);
        for (std::size_t i = 0; i < filled; ++i) {
            frames_file.write(frames[i].cells);
            totals.add(figures[i], totals.frames() > 0);
        }
        last = frames[filled - 1];
        char detail[64];
        std::snprintf(detail, sizeof detail, ", %.0f frames/s, blurred PSNR %.1f dB", framesPerSecond(),
                      totals.mean().blurred_psnr);
        progress.update(totals.frames(), detail);
        filled = reading.get();
        std::swap(pictures, next_pictures);
    }
    progress.clear();
    const std::size_t frame_count = totals.frames();
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
    std::snprintf(summary, sizeof summary, "%zu frames (%.2f s) into %s, %s; %.0f frames/s on %d thread%s\n", frame_count,
                  seconds, folder.string().c_str(), sound_file ? "with its soundtrack" : "silent", speed, threads,
                  threads == 1 ? "" : "s");
    out << summary << figuresText(totals.mean()) << "\n";
    return 0;
}

const Command kCommand{"encode", "turn a video or a folder of PNG pictures into an animation", kHelp, kOptions, run};

}  // namespace

const Command& encodeCommand()
{
    return kCommand;
}
