// SPDX-License-Identifier: MIT
#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>

#include "content/mp3_signature.h"
#include "content/player_folder.h"
#include "kvq/common/command.h"
#include "kvq/common/number_argument.h"
#include "kvq/common/progress_line.h"
#include "kvq/common/time_argument.h"
#include "kvq/common/tool_error.h"
#include "kvq/export/ansi_export.h"
#include "kvq/export/artwork_export.h"
#include "kvq/export/ffmpeg_writer.h"
#include "kvq/export/frame_stream.h"
#include "kvq/export/gif_writer.h"
#include "kvq/export/html_page.h"
#include "kvq/export/soundtrack_cut.h"
#include "kvq/export/y4m_writer.h"
#include "kvq/files/file_identity.h"
#include "kvq/files/font_file.h"
#include "kvq/files/input_file.h"
#include "kvq/files/png_file.h"
#include "kvq/font/psf_font.h"
#include "render/packed_picture.h"
#include "scene/scene_piece.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: kvq export ANIMATION --font FONT [--audio MP3] -o OUT\n"
    "       kvq export ANIMATION --font FONT [--audio MP3] [--title TEXT] [--poster TIME]\n"
    "                  [--loop] [--autoplay] [--ascii] -o PAGE.html\n"
    "\n"
    "Draws every frame of the frame file ANIMATION with the font file FONT, as the player\n"
    "would show it, and writes them as one video at 24 frames per second. The ending of OUT\n"
    "picks the kind of video:\n"
    "\n"
    "  .gif    animated GIF in the player's two colours, each frame timed in the whole\n"
    "          hundredths of a second closest to the player's rhythm; it plays once\n"
    "  .y4m    uncompressed YUV4MPEG2, 4:4:4, BT.601 studio range: every pixel exact\n"
    "  .mp4    H.264 with AAC sound\n"
    "  .mkv    H.264 with AAC sound, in Matroska\n"
    "  .webm   VP9 with Opus sound\n"
    "  .html   one web page that plays the animation with its sound in any browser, offline,\n"
    "          pixel for pixel as the player shows it; the MP3's frames are kept as they are,\n"
    "          up to the animation's length\n"
    "\n"
    "The last three are made by the ffmpeg program (Debian package 'ffmpeg'), as 4:2:0.\n"
    "\n"
    "The frame file is read a few frames at a time, so files of any size can be exported.\n"
    "While it works, a terminal shows which frame it is at; at the end one line tells the\n"
    "frames, the length, the size of OUT and the speed.\n"
    "\n"
    "  --font FONT        the player's font file (as made by 'kvq font')\n"
    "  --audio MP3        a soundtrack for .mp4, .mkv, .webm and .html, cut to the animation's length;\n"
    "                     a web page takes only an MP3\n"
    "  -o, --output OUT   the video file to write\n"
    "\n"
    "For .html only:\n"
    "  --title TEXT       the page's title (default: the frame file's name)\n"
    "  --poster TIME      the frame shown before playing: seconds, m:ss or h:mm:ss (default: the first)\n"
    "  --loop             play again from the start at the end\n"
    "  --autoplay         start at once, muted until the first click (browsers allow no more)\n"
    "  --ascii            a page of ASCII alone (base64, a third larger), for hosts that add a\n"
    "                     charset or editors that save it as UTF-8\n"
    "\n"
    "Usage: kvq export PIECE [--font FONT] [--baud N] [--audio MP3] [--poster TIME] -o OUT\n"
    "\n"
    "A piece of the scene's art (ANSI, BIN, XBIN, ADF, IDF, PCBoard, TundraDraw) is exported in its\n"
    "colours and at its own size, with its own font or --font, and may also be written as .png. Its\n"
    "blinking cells blink at VGA's rate. --baud N types it out at N bits a second, a frame every\n"
    "24th of a second until the last byte has come. A still piece lasts as long as the soundtrack,\n"
    "or 5 seconds in a video without one; a page shows it, scrolling what is taller than the\n"
    "picture (arrow keys, Page Up/Down, Home/End, the wheel). A .png is the frame at --poster\n"
    "(default: the whole piece, every byte arrived). A GIF's table holds the piece's colours, up to\n"
    "255; past that, the least used are drawn as the nearest kept. The video encoders take even\n"
    "sizes, so an odd side gets one black column or row.\n"
    "\n"
    "  --baud N           type the piece out at N bits a second (10 bits a byte)\n"
    "  --columns N        the width of ANSI, PCBoard and BIN art, whatever SAUCE says\n"
    "  --ice              blinking as a bright background (iCE colours)\n"
    "  --letter-spacing N 8 or 9 pixels a cell\n"
    "\n"
    "kvq export ANIMATION [--font FONT] [--baud N] -o OUT.ans writes an ANSImation for the scene's\n"
    "viewers and BBS terminals: the changed cells of each frame, in black and light grey, paced for\n"
    "N baud when given; FONT (default: kvq's own) picks stand-ins for codes a terminal cannot draw.\n";

enum class ExportFormat { gif, y4m, mp4, webm, mkv, html, png };

struct FormatEnding {
    std::string_view ending;
    ExportFormat format;
};

constexpr std::array<FormatEnding, 7> kEndings = {{
    {".gif", ExportFormat::gif},
    {".y4m", ExportFormat::y4m},
    {".mp4", ExportFormat::mp4},
    {".webm", ExportFormat::webm},
    {".mkv", ExportFormat::mkv},
    {".html", ExportFormat::html},
    {".png", ExportFormat::png},
}};

bool usesFfmpeg(ExportFormat format)
{
    return format != ExportFormat::gif && format != ExportFormat::y4m && format != ExportFormat::html &&
           format != ExportFormat::png;
}

bool hasSound(ExportFormat format) { return usesFfmpeg(format) || format == ExportFormat::html; }

ExportFormat formatOf(const std::string& output)
{
    std::string ending = std::filesystem::path(output).extension().string();
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const FormatEnding& known : kEndings) {
        if (known.ending == ending) return known.format;
    }
    throw UsageError("cannot tell the kind of video from the name '" + output +
                     "': it must end in .gif, .y4m, .mp4, .webm, .mkv or .html (or .png, one picture)");
}

// The size and the palette are the player's, 640x480 in ink and paper, unless given.
struct PictureShape {
    int width = kPictureWidth;
    int height = kPictureHeight;
    std::vector<std::uint32_t> palette;  // empty: ink and paper
};

std::unique_ptr<VideoWriter> openWriter(ExportFormat format, const std::string& output,
                                        const std::optional<std::string>& audio, std::uint64_t frame_count,
                                        const PictureShape& shape = {})
{
    const int w = shape.width;
    const int h = shape.height;
    switch (format) {
    case ExportFormat::gif:
        return std::make_unique<GifWriter>(output, w, h, shape.palette);
    case ExportFormat::y4m:
        return std::make_unique<Y4mWriter>(output, w, h);
    case ExportFormat::mp4:
        return std::make_unique<FfmpegWriter>(VideoContainer::mp4, output, audio, frame_count, w, h);
    case ExportFormat::webm:
        return std::make_unique<FfmpegWriter>(VideoContainer::webm, output, audio, frame_count, w, h);
    case ExportFormat::mkv:
        return std::make_unique<FfmpegWriter>(VideoContainer::matroska, output, audio, frame_count, w, h);
    case ExportFormat::html:
    case ExportFormat::png:
        break;
    }
    throw ToolError(output + ": no writer for this kind of video");
}

std::string sizeText(std::uintmax_t bytes)
{
    char text[32];
    if (bytes >= 1'000'000) {
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    } else if (bytes >= 1'000) {
        std::snprintf(text, sizeof text, "%.1f kB", static_cast<double>(bytes) / 1e3);
    } else {
        std::snprintf(text, sizeof text, "%ju bytes", bytes);
    }
    return text;
}

constexpr ValueOption kOptions[] = {{"font", ""},   {"audio", ""},      {"output", "o"},        {"title", ""},
                                    {"poster", ""}, {"loop", "", true}, {"autoplay", "", true}, {"ascii", "", true},
                                    {"baud", ""},   {"columns", ""},    {"ice", "", true},      {"letter-spacing", ""}};

std::uint64_t writeVideo(FrameStream& frames, const std::string& font, ExportFormat format, const std::string& output,
                         const std::optional<std::string>& audio)
{
    const GlyphTable glyphs = loadFontFile(font);
    const std::unique_ptr<VideoWriter> writer = openWriter(format, output, audio, frames.frameCount());
    ProgressLine progress("exporting", frames.frameCount());
    PackedPicture picture;
    TextFrame frame;
    std::uint64_t done = 0;
    while (frames.next(frame)) {
        renderFrame(frame, glyphs, picture);
        writer->addFrame(picture);
        progress.update(++done);
    }
    writer->finish();
    return done;
}

void report(const std::string& line) { std::cerr << "kvq export: " << line << '\n'; }

// A font the export would draw nothing true with is refused, since what it makes is meant to be
// shown to others: one the player would report as short (codes without their glyphs come out as
// paper and solid ink), or a console font that 'kvq font' has not converted yet.
void refuseUnusableFont(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = readFontFileBytes(path);
    constexpr std::size_t kDrawnBytes = std::size_t(GlyphTable::kFileGlyphs) * GlyphTable::kSlotBytes;
    if (bytes.size() < kDrawnBytes) {
        throw ToolError(path + ": " + std::to_string(bytes.size()) +
                        " bytes is too short for a font file, which holds the " +
                        std::to_string(GlyphTable::kFileGlyphs) + " glyphs the player draws in its first " +
                        std::to_string(kDrawnBytes) + " bytes ('kvq info " + path + "' tells more)");
    }
    const bool psf = startsLikePsfFont(bytes);
    if (psf || (bytes[0] == 0x1f && bytes[1] == 0x8b)) {
        throw ToolError(path + ": starts like a " + (psf ? "PSF console font" : "gzip-compressed file") +
                        ", not a font file: 'kvq font' converts a console font into one");
    }
}

constexpr std::string_view kNotMp3 = "does not start like an MP3 (no ID3 tag, no MPEG audio frame)";

// Whether the soundtrack starts as the player's decoder wants an MP3 to. A page cannot carry one
// that does not (it must be an MP3 for every browser to play it); ffmpeg reads any sound, so a
// video is made and the user told that the player would not take that file.
bool soundtrackStartsLikeMp3(const std::string& path, ExportFormat format)
{
    InputFile input(path);
    std::array<std::uint8_t, kMp3SignatureBytes> start{};
    const std::size_t got = input.readAt(0, start);
    if (startsLikeMp3(std::span<const std::uint8_t>(start.data(), got))) return true;
    if (format == ExportFormat::html)
        throw ToolError(path + ": " + std::string(kNotMp3) + ", so a web page cannot carry it");
    return false;
}

HtmlPageSettings pageSettings(const ParsedArguments& parsed, const std::string& animation)
{
    HtmlPageSettings settings;
    settings.title = parsed.option("title").value_or(std::filesystem::path(animation).filename().string());
    if (const auto poster = parsed.option("poster")) {
        // Past the end is the last frame; so is a time too large for any frame number.
        const double frame = std::floor(timeArgumentSeconds(*poster, "--poster") * kFramesPerSecond);
        settings.poster_frame =
            frame < 1.8e19 ? static_cast<std::uint64_t>(frame) : std::numeric_limits<std::uint64_t>::max();
    }
    settings.loop = parsed.option("loop").has_value();
    settings.autoplay = parsed.option("autoplay").has_value();
    settings.ascii = parsed.option("ascii").has_value();
    return settings;
}

std::uint64_t writePage(FrameStream& frames, const std::string& font, const std::optional<std::string>& audio,
                        const HtmlPageSettings& settings, const std::string& output)
{
    const GlyphTable glyphs = loadFontFile(font);
    std::vector<std::uint8_t> mp3;
    if (audio) {
        SoundtrackCut cut = cutSoundtrack(*audio, static_cast<double>(frames.frameCount()) / kFramesPerSecond);
        if (cut.cut) report(soundtrackCutLine(cut));
        mp3 = std::move(cut.bytes);
    }
    AtomicFile file(output);
    ProgressLine progress("packing", frames.frameCount());
    writeHtmlPage(frames, glyphs, mp3, settings, file, progress);
    file.commit();
    return frames.frameCount();
}

// Whether `path` holds a piece of the scene's art rather than one of our frame files. Frame files
// may be of any size; a piece is read whole, so only a file of a size a piece can have is asked.
bool isScenePiece(const std::string& path)
{
    constexpr std::uintmax_t kLargestPiece = std::uintmax_t{64} << 20;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kLargestPiece) return false;
    InputFile input(path);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    bytes.resize(input.readAt(0, bytes));
    return recogniseScene(bytes, std::filesystem::path(path).filename().string()).has_value();
}

void summarise(std::ostream& out, const std::string& output, std::uint64_t done,
               std::chrono::steady_clock::time_point started)
{
    const double elapsed_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::error_code size_error;
    const std::uintmax_t size_bytes = std::filesystem::file_size(output, size_error);
    char summary[160];
    std::snprintf(summary, sizeof summary, "%llu frames, %.2f s, %s, written in %.1f s (%.0f frames per second)",
                  static_cast<unsigned long long>(done), static_cast<double>(done) / kFramesPerSecond,
                  size_error ? "size unknown" : sizeText(size_bytes).c_str(), elapsed_s,
                  elapsed_s > 0 ? static_cast<double>(done) / elapsed_s : 0.0);
    out << output << ": " << summary << "\n";
}

// A piece of the scene's art, still or typed out, in any kind of output.
int runPiece(const ParsedArguments& parsed, std::ostream& out)
{
    const std::string& piece = parsed.positional[0];
    const std::string& output = parsed.required("output");
    const std::optional<std::string> audio = parsed.option("audio");
    const ExportFormat format = formatOf(output);
    if (audio && !hasSound(format)) {
        throw UsageError("--audio goes only with a video that has sound: .mp4, .webm, .mkv or .html");
    }
    HtmlPageSettings settings = pageSettings(parsed, piece);
    for (const std::string_view page_only : {"title", "loop", "autoplay", "ascii"}) {
        if (format != ExportFormat::html && parsed.option(page_only))
            throw UsageError("--" + std::string(page_only) + " goes only with a web page (.html)");
    }
    if (parsed.option("poster") && format != ExportFormat::html && format != ExportFormat::png)
        throw UsageError("--poster goes only with a web page (.html) or a picture (.png)");
    ArtworkOptions options;
    options.font_path = parsed.option("font");
    if (const auto baud = parsed.option("baud"))
        options.baud =
            static_cast<int>(wholeNumberArgument(*baud, "--baud", 1, 100'000'000, "a whole number of bits a second"));
    if (const auto columns = parsed.option("columns"))
        options.scene.columns = static_cast<int>(wholeNumberArgument(*columns, "--columns", 1, 4096, "1 to 4096"));
    if (parsed.option("ice")) options.scene.ice_colours = true;
    if (const auto spacing = parsed.option("letter-spacing")) {
        if (*spacing != "8" && *spacing != "9")
            throw UsageError("--letter-spacing takes 8 or 9, not '" + *spacing + "'");
        options.scene.letter_spacing = *spacing == "8" ? 8 : 9;
    }
    refuseToReplaceInput(output, piece);
    if (options.font_path) refuseToReplaceInput(output, *options.font_path);
    if (audio) refuseToReplaceInput(output, *audio);
    const bool mp3_like = !audio || soundtrackStartsLikeMp3(*audio, format);

    const std::unique_ptr<Artwork> artwork = openArtwork(piece, options);
    if (artwork->frameCount() == 0) throw ToolError(piece + ": holds nothing to export");
    std::optional<double> sound_seconds;
    std::vector<std::uint8_t> mp3;
    if (audio && mp3_like) {
        SoundtrackCut whole = cutSoundtrack(*audio, std::numeric_limits<double>::max());
        sound_seconds = whole.seconds_before;
        if (format == ExportFormat::html) mp3 = std::move(whole.bytes);
    }
    const bool video = format != ExportFormat::html && format != ExportFormat::png;
    const ArtworkLength length = artworkLength(*artwork, sound_seconds, video);
    if (format == ExportFormat::html && audio && !length.still) {
        SoundtrackCut cut = cutSoundtrack(*audio, static_cast<double>(length.frames) / kFramesPerSecond);
        if (cut.cut) report(soundtrackCutLine(cut));
        mp3 = std::move(cut.bytes);
    }

    const auto started = std::chrono::steady_clock::now();
    std::uint64_t done = length.frames;
    try {
        if (format == ExportFormat::png) {
            // The whole piece, every byte arrived, unless a time is asked for.
            const std::uint64_t last = artwork->frameCount() - 1;
            const std::uint64_t frame = parsed.option("poster") ? std::min(settings.poster_frame, last) : last;
            std::vector<std::uint32_t> pixels;
            if (!drawArtworkFrame(*artwork, frame, true, pixels)) throw ToolError(piece + ": cannot be drawn");
            AtomicFile file(output);
            file.write(encodeRgbPng(pixels, artwork->widthPixels(), artwork->heightPixels()));
            file.commit();
            done = 1;
        } else if (format == ExportFormat::html) {
            AtomicFile file(output);
            ProgressLine progress("packing", length.still ? 1 : length.frames);
            writeCellPage(*artwork, {length.frames, length.still}, mp3, settings, file, progress);
            file.commit();
        } else {
            PictureShape shape{artwork->widthPixels(), artwork->heightPixels(), {}};
            if (format == ExportFormat::gif) shape.palette = artworkColours(*artwork);
            const std::unique_ptr<VideoWriter> writer = openWriter(format, output, audio, length.frames, shape);
            ProgressLine progress("exporting", length.frames);
            writeArtworkVideo(*artwork, length, *writer, progress);
        }
    } catch (const ToolError& error) {
        if (mp3_like) throw;
        throw ToolError(std::string(error.what()) + " (" + *audio + " " + std::string(kNotMp3) + ")");
    }
    if (!mp3_like) report("warning: " + *audio + ": " + std::string(kNotMp3) + "; the player would not play it");
    summarise(out, output, done, started);
    return 0;
}

int run(const ParsedArguments& parsed, std::ostream& out)
{
    if (isAnsiOutput(parsed.option("output").value_or(""))) return exportAnsimation(parsed, out);
    parsed.requirePositionalCount(1, "the frame file to export");
    const std::string& animation = parsed.positional[0];
    if (isScenePiece(animation)) return runPiece(parsed, out);
    for (const char* art_only : {"baud", "columns", "ice", "letter-spacing"}) {
        if (parsed.option(art_only))
            throw UsageError("--" + std::string(art_only) +
                             " goes only with a piece of the scene's art, not a frame file");
    }
    const std::string& font = parsed.required("font");
    const std::string& output = parsed.required("output");
    const std::optional<std::string> audio = parsed.option("audio");
    const ExportFormat format = formatOf(output);
    if (audio && !hasSound(format)) {
        throw UsageError("--audio goes only with a video that has sound: .mp4, .webm, .mkv or .html");
    }
    const HtmlPageSettings page_settings = pageSettings(parsed, animation);
    if (format != ExportFormat::html) {
        for (const std::string_view page_only : {"title", "poster", "loop", "autoplay", "ascii"}) {
            if (format == ExportFormat::png && page_only == "poster") continue;
            if (parsed.option(page_only))
                throw UsageError("--" + std::string(page_only) + " goes only with a web page (.html)");
        }
    }

    refuseToReplaceInput(output, animation);
    refuseToReplaceInput(output, font);
    if (audio) refuseToReplaceInput(output, *audio);
    // A missing soundtrack is named by kvq rather than in ffmpeg's words.
    const bool mp3_like = !audio || soundtrackStartsLikeMp3(*audio, format);

    FrameStream frames(animation);
    const std::uint64_t frame_count = frames.frameCount();
    if (frame_count == 0) throw ToolError(animation + ": holds no frames, so there is nothing to export");
    refuseUnusableFont(font);  // said before any output is begun

    const auto started = std::chrono::steady_clock::now();
    std::uint64_t done = 0;
    try {
        if (format == ExportFormat::png) {
            // The poster frame (the first unless asked), as 'kvq render' draws it.
            const std::uint64_t frame = std::min(page_settings.poster_frame, frame_count - 1);
            const PackedPicture picture = renderFrame(FrameFile(animation).existingFrame(frame), loadFontFile(font));
            AtomicFile file(output);
            file.write(encodeRgbPng(picture, kPictureWidth, kPictureHeight));
            file.commit();
            done = 1;
        } else {
            done = format == ExportFormat::html ? writePage(frames, font, audio, page_settings, output)
                                                : writeVideo(frames, font, format, output, audio);
        }
    } catch (const ToolError& error) {
        // Where ffmpeg could not read the sound either, the likely cause goes on the same line.
        if (mp3_like) throw;
        throw ToolError(std::string(error.what()) + " (" + *audio + " " + std::string(kNotMp3) + ")");
    }
    if (!mp3_like) report("warning: " + *audio + ": " + std::string(kNotMp3) + "; the player would not play it");
    summarise(out, output, done, started);
    return 0;
}

const Command kCommand{"export",
                       "write a frame file or a piece of art as a video (GIF, Y4M, MP4, WebM, MKV) or a web page",
                       kHelp, kOptions, run};

}  // namespace

const Command& exportCommand() { return kCommand; }
