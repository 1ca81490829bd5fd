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
#include "kvq/files/made_folders.h"
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
            throw ToolError(*font +
                            ": neither a font made by 'kvq font' (8192 bytes) nor a PSF console font; "
                            "--font also takes 'tones' or 'learn'");
        }
        return bytes;
    }
    refuseToReplaceInput(font_path, *font);
    const FontFileBytes converted = convertPsfFont(*font);
    return {converted.begin(), converted.end()};
}

int threadCount(const std::optional<std::string>& text)
{
    if (!text) return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return static_cast<int>(wholeNumberArgument(*text, "--threads", 1, 256, "a number from 1 to 256"));
}

double secondsOf(std::size_t frames) { return static_cast<double>(frames) / kFramesPerSecond; }

double framesPerSecond(std::size_t frames, std::chrono::steady_clock::time_point started)
{
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return seconds > 0 ? static_cast<double>(frames) / seconds : 0.0;
}

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
    const int every = static_cast<int>(
        std::max<std::size_t>(1, expected_frames.value_or(kSurveyPictures * kFramesPerSecond) / kSurveyPictures));
    std::unique_ptr<PictureSource> source =
        from_pictures ? openPngFolderSource(input, every) : openVideoSource(input, every);
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

constexpr ValueOption kOptions[] = {{"output", "o"}, {"font", ""},   {"threads", ""},
                                    {"match", ""},   {"levels", ""}, {"hold", ""}};

// What the command line asks for, checked before any file is touched.
struct EncodeRequest {
    std::string input;
    std::filesystem::path folder;
    std::optional<std::string> font;  // as given: a file, "tones" or "learn"
    bool learn = false, tones = false;
    std::optional<std::string> font_file_given;  // a font file given, rather than one made here
    int threads = 1;
    MatchMode mode = MatchMode::perceptual;
    bool auto_levels = false;
    float hold = kDefaultHold;
};

EncodeRequest requestOf(const ParsedArguments& parsed)
{
    parsed.requirePositionalCount(1, "the video or picture folder to encode");
    EncodeRequest request;
    request.input = parsed.positional[0];
    request.folder = parsed.required("output");
    request.font = parsed.option("font");
    request.threads = threadCount(parsed.option("threads"));
    request.mode = matchMode(parsed.option("match"));
    const std::optional<std::string> levels = parsed.option("levels");
    if (levels && *levels != "full" && *levels != "auto") {
        throw UsageError("--levels takes 'full' or 'auto', not '" + *levels + "'");
    }
    request.auto_levels = levels == "auto";
    request.hold = holdMargin(parsed.option("hold"));
    if (request.mode == MatchMode::pixel && (levels || parsed.option("hold"))) {
        throw UsageError("--levels and --hold go with --match perceptual; --match pixel takes the picture as it is");
    }
    request.learn = request.font == "learn";
    request.tones = request.font == "tones";
    if (!request.learn && !request.tones) request.font_file_given = request.font;
    return request;
}

// The input as found: pictures or a video, how many frames it should make, whether it has sound.
struct EncodeInput {
    bool from_pictures = false;
    StreamKinds streams;
    std::optional<std::size_t> expected_frames;
};

EncodeInput probeInput(const std::string& input, const std::vector<std::string>& outputs)
{
    std::error_code error;
    EncodeInput found;
    found.from_pictures = std::filesystem::is_directory(input, error);
    if (!found.from_pictures && !std::filesystem::exists(input, error))
        throw ToolError(input + ": no such file or folder");
    for (const std::string& output : outputs) {
        refuseToReplaceInput(output, input);
        // Found now rather than at the renames, when another of the set may already be in place.
        if (std::filesystem::is_directory(output, error)) throw ToolError(output + ": is a folder");
    }
    if (found.from_pictures) {
        found.expected_frames = pngFolderPictureCount(input);
    } else {
        found.streams = probeStreams(input);
        if (!found.streams.video) throw ToolError(input + ": has no video");
        if (found.streams.seconds)
            found.expected_frames = static_cast<std::size_t>(std::ceil(*found.streams.seconds * kFramesPerSecond));
    }
    return found;
}

// The font's bytes and the levels to encode with, from a survey of the input where they need one.
std::vector<std::uint8_t> encodingFont(const EncodeRequest& request, const EncodeInput& found,
                                       const std::string& font_path, ToneLevels& levels)
{
    std::vector<std::vector<std::uint8_t>> survey;
    if (request.learn || request.auto_levels)
        survey = surveyPictures(request.input, found.from_pictures, found.expected_frames);
    levels = request.auto_levels ? stretchedLevels(survey) : fullLevels();
    if (!request.learn && !request.tones) return fontBytes(request.font_file_given, font_path);
    const FontFileBytes made =
        request.learn ? learnFont(learningCells(survey, levels), CellObjective(), kLearningRounds, request.threads)
                      : tonesFont();
    return {made.begin(), made.end()};
}

// Encodes every picture of `source` into `frames_file`, a batch read while the one before is
// encoded, so that decoding and encoding overlap. The figures of all frames.
FigureTotals encodeAll(PictureSource& source, const FrameEncoder& encoder, int threads, AtomicFile& frames_file,
                       ProgressLine& progress, const std::chrono::steady_clock::time_point started)
{
    const std::size_t batch_size = static_cast<std::size_t>(threads) * 8;
    std::vector<std::vector<std::uint8_t>> pictures(batch_size);
    std::vector<std::vector<std::uint8_t>> next_pictures(batch_size);
    const auto readBatch = [&source](std::vector<std::vector<std::uint8_t>>& batch) {
        std::size_t filled = 0;
        while (filled < batch.size() && source.next(batch[filled])) ++filled;
        return filled;
    };
    std::vector<TextFrame> frames(batch_size);
    std::vector<FrameFigures> figures(batch_size);
    TextFrame last;
    FigureTotals totals;
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
        std::snprintf(detail, sizeof detail, ", %.0f frames/s, blurred PSNR %.1f dB",
                      framesPerSecond(totals.frames(), started), totals.mean().blurred_psnr);
        progress.update(totals.frames(), detail);
        filled = reading.get();
        std::swap(pictures, next_pictures);
    }
    progress.clear();
    return totals;
}

int run(const ParsedArguments& parsed, std::ostream& out)
{
    // Speeds are of the whole run: probing, any survey and learning, decoding and encoding.
    const auto started = std::chrono::steady_clock::now();
    const EncodeRequest request = requestOf(parsed);
    const std::string frames_path = (request.folder / kFrameFileName).string();
    const std::string font_path = (request.folder / kFontFileName).string();
    const std::string sound_path = (request.folder / kSoundtrackFileName).string();
    const EncodeInput found = probeInput(request.input, {frames_path, font_path, sound_path});
    ToneLevels levels;
    const std::vector<std::uint8_t> font_bytes = encodingFont(request, found, font_path, levels);
    GlyphTable glyphs;
    glyphs.fillFrom(font_bytes.data(), font_bytes.size());
    const FrameEncoder encoder(glyphs, request.mode, levels, request.hold);

    // Declared before the files in it, so that they are gone before it is removed.
    MadeFolders made_folders(request.folder);
    std::unique_ptr<PictureSource> source =
        found.from_pictures ? openPngFolderSource(request.input) : openVideoSource(request.input);
    AtomicFile frames_file(frames_path);
    // A font given from the folder itself is already in place.
    std::optional<AtomicFile> font_file;
    if (!(request.font_file_given && isSameExistingFile(*request.font_file_given, font_path))) {
        font_file.emplace(font_path);
        font_file->write(font_bytes);
    }
    ProgressLine progress("encoding", found.expected_frames);
    const FigureTotals totals = encodeAll(*source, encoder, request.threads, frames_file, progress, started);
    const std::size_t frame_count = totals.frames();
    if (frame_count == 0) throw ToolError(request.input + ": no pictures to encode");
    const double seconds = secondsOf(frame_count);
    const double speed = framesPerSecond(frame_count, started);

    std::optional<AtomicFile> sound_file;
    if (found.streams.sound) {
        sound_file.emplace(sound_path);
        extractSoundtrack(request.input, seconds, sound_file->ffmpegTarget());
    }

    // Everything that can fail has been done; the renames put the whole set in place together.
    frames_file.commit();
    if (font_file) font_file->commit();
    if (sound_file) {
        sound_file->commit();
    } else {
        // A soundtrack left from an earlier encode would play over pictures it does not belong to.
        std::error_code error;
        std::filesystem::remove(sound_path, error);
    }
    made_folders.keep();

    char summary[256];
    std::snprintf(summary, sizeof summary, "%zu frames (%.2f s) into %s, %s; %.0f frames/s on %d thread%s\n",
                  frame_count, seconds, request.folder.string().c_str(), sound_file ? "with its soundtrack" : "silent",
                  speed, request.threads, request.threads == 1 ? "" : "s");
    out << summary << figuresText(totals.mean()) << "\n";
    return 0;
}

const Command kCommand{"encode", "turn a video or a folder of PNG pictures into an animation", kHelp, kOptions, run};

}  // namespace

const Command& encodeCommand() { return kCommand; }
