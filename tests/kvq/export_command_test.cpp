// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>

#include "content/frame_list.h"
#include "content/glyph_table.h"
#include "export/frame_stream.h"
#include "export/gif_lzw.h"
#include "export/gif_writer.h"
#include "export/y4m_writer.h"
#include "kvq_test_support.h"
#include "render/colours.h"

namespace {

constexpr std::size_t kFrame = 2400;
constexpr std::size_t kPixels = 640 * 480;
constexpr std::size_t kRgbFrameBytes = kPixels * 3;

// BT.601 studio range by hand: Y = 16 + 219 * luma, Cb and Cr = 128 + 224 * scaled difference.
constexpr YCbCr kInkYCbCr{34, 126, 130};
constexpr YCbCr kPaperYCbCr{194, 105, 143};

std::vector<std::uint32_t> rasterise(const TextFrame& frame, const std::vector<std::uint8_t>& font)
{
    GlyphTable glyphs;
    glyphs.fillFrom(font.data(), font.size());
    std::vector<std::uint32_t> pixels(kPixels);
    frame.draw({reinterpret_cast<std::uint8_t*>(pixels.data()), 640 * 4}, glyphs);
    return pixels;
}

// What the player shows for the frame file at `path`, drawn by the rasteriser.
std::vector<std::vector<std::uint32_t>> playersPictures(const std::string& path, const std::vector<std::uint8_t>& font)
{
    FrameList frames;
    EXPECT_EQ(frames.load(path.c_str()), 0);
    std::vector<std::vector<std::uint32_t>> pictures;
    for (std::size_t index = 0; index < frames.size(); ++index) pictures.push_back(rasterise(frames[index], font));
    return pictures;
}

// Frames with something for a GIF to track: repeats, one changed cell, a changed corner, and
// wholly new frames whose random glyphs fill the LZW table several times over.
std::vector<std::uint8_t> variedFrames(int count, std::uint32_t seed)
{
    std::vector<std::uint8_t> bytes;
    auto frame = randomBytes(kFrame, seed);
    for (int index = 0; index < count; ++index) {
        switch (index % 5) {
        case 1: break;  // the same as the frame before
        case 2: frame[1234] = static_cast<std::uint8_t>(frame[1234] + 1); break;
        case 3: frame[kFrame - 1] = static_cast<std::uint8_t>(frame[kFrame - 1] + 7); break;
        default: frame = randomBytes(kFrame, seed + static_cast<std::uint32_t>(index)); break;
        }
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

struct ExportFixture {
    TempDir dir;
    std::vector<std::uint8_t> font = randomBytes(8192, 21);
    std::string font_path = dir.write("test", font);
};

// Standard output of a shell command, or nothing when it fails.
std::optional<std::string> commandOutput(const std::string& command)
{
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string text;
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, got);
    if (::pclose(pipe) != 0) return std::nullopt;
    return text;
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }

// --- YUV4MPEG2, read by the test itself ---

struct Y4mFrame {
    std::vector<std::uint8_t> y, cb, cr;
};

struct Y4mFile {
    std::string header;
    std::vector<Y4mFrame> frames;
    bool complete = false;  // every frame whole and nothing after the last
};

Y4mFile readY4m(const std::string& path)
{
    const auto bytes = readBytes(path);
    Y4mFile file;
    auto line_end = std::find(bytes.begin(), bytes.end(), '\n');
    if (line_end == bytes.end()) return file;
    file.header.assign(bytes.begin(), line_end);
    auto at = line_end + 1;
    while (at != bytes.end()) {
        line_end = std::find(at, bytes.end(), '\n');
        if (line_end == bytes.end() || std::string(at, line_end).rfind("FRAME", 0) != 0) return file;
        at = line_end + 1;
        if (static_cast<std::size_t>(bytes.end() - at) < 3 * kPixels) return file;
        Y4mFrame frame;
        for (auto* plane : {&frame.y, &frame.cb, &frame.cr}) {
            plane->assign(at, at + static_cast<std::ptrdiff_t>(kPixels));
            at += static_cast<std::ptrdiff_t>(kPixels);
        }
        file.frames.push_back(std::move(frame));
    }
    file.complete = true;
    return file;
}

void expectY4mShows(const Y4mFile& file, const std::vector<std::vector<std::uint32_t>>& pictures)
{
    ASSERT_TRUE(file.complete);
    ASSERT_EQ(file.frames.size(), pictures.size());
    for (std::size_t index = 0; index < pictures.size(); ++index) {
        const Y4mFrame& frame = file.frames[index];
        for (std::size_t at = 0; at < kPixels; ++at) {
            const std::uint32_t pixel = pictures[index][at];
            ASSERT_TRUE(pixel == kInkColour || pixel == kPaperColour) << "the rasteriser drew " << pixel;
            const YCbCr expected = pixel == kInkColour ? kInkYCbCr : kPaperYCbCr;
            ASSERT_EQ((YCbCr{frame.y[at], frame.cb[at], frame.cr[at]}), expected)
                << "frame " << index << ", pixel " << at % 640 << "," << at / 640;
        }
    }
}

// --- GIF, walked block by block by the test itself ---

struct GifImage {
    int delay_hundredths = -1;  // from the graphic control extension before it; -1 without one
    int left = 0, top = 0, width = 0, height = 0;
};

struct GifStructure {
    bool valid = false;
    int width = 0, height = 0;
    std::vector<std::uint32_t> palette;
    std::vector<GifImage> images;
    bool loops = false;  // a NETSCAPE2.0 application extension
};

int little16(const std::vector<std::uint8_t>& bytes, std::size_t at) { return bytes[at] | bytes[at + 1] << 8; }

// Skips a run of sub-blocks; false when it runs past the end.
bool skipSubBlocks(const std::vector<std::uint8_t>& bytes, std::size_t& at)
{
    while (at < bytes.size()) {
        const std::size_t size = bytes[at++];
        if (size == 0) return true;
        at += size;
    }
    return false;
}

GifStructure walkGif(const std::vector<std::uint8_t>& bytes)
{
    GifStructure gif;
    if (bytes.size() < 13 || std::memcmp(bytes.data(), "GIF89a", 6) != 0) return gif;
    gif.width = little16(bytes, 6);
    gif.height = little16(bytes, 8);
    std::size_t at = 13;
    if (bytes[10] & 0x80) {
        const std::size_t entries = std::size_t{2} << (bytes[10] & 7);
        for (std::size_t entry = 0; entry < entries && at + 3 <= bytes.size(); ++entry, at += 3) {
            gif.palette.push_back(static_cast<std::uint32_t>(bytes[at]) << 16 | bytes[at + 1] << 8 | bytes[at + 2]);
        }
    }
    int pending_delay = -1;
    while (at < bytes.size()) {
        const std::uint8_t introducer = bytes[at++];
        if (introducer == 0x3B) {
            gif.valid = at == bytes.size();
            return gif;
        }
        if (introducer == 0x21 && at < bytes.size()) {
            const std::uint8_t label = bytes[at++];
            if (label == 0xF9 && at + 6 <= bytes.size() && bytes[at] == 4) pending_delay = little16(bytes, at + 2);
            if (label == 0xFF && at + 12 <= bytes.size() && std::memcmp(&bytes[at + 1], "NETSCAPE2.0", 11) == 0) {
                gif.loops = true;
            }
            if (!skipSubBlocks(bytes, at)) return gif;
        } else if (introducer == 0x2C && at + 9 <= bytes.size()) {
            GifImage image{pending_delay, little16(bytes, at), little16(bytes, at + 2), little16(bytes, at + 4),
                           little16(bytes, at + 6)};
            const std::uint8_t flags = bytes[at + 8];
            at += 9;
            if (flags & 0x80) at += 3 * (std::size_t{2} << (flags & 7));
            ++at;  // LZW minimum code size
            if (!skipSubBlocks(bytes, at)) return gif;
            gif.images.push_back(image);
            pending_delay = -1;
        } else {
            return gif;
        }
    }
    return gif;
}

// A plain GIF LZW decoder: the image data's minimum code size byte, sub-blocks and terminator
// in, palette indices out; nothing when the codes do not make sense or run past their data.
std::optional<std::vector<std::uint8_t>> decodeGifImageData(const std::vector<std::uint8_t>& data)
{
    if (data.empty()) return std::nullopt;
    const int minimum = data[0];
    std::vector<std::uint8_t> packed;
    std::size_t at = 1;
    for (;;) {
        if (at >= data.size()) return std::nullopt;
        const std::size_t size = data[at++];
        if (size == 0) break;
        if (at + size > data.size()) return std::nullopt;
        packed.insert(packed.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                      data.begin() + static_cast<std::ptrdiff_t>(at + size));
        at += size;
    }
    if (at != data.size()) return std::nullopt;

    const int clear = 1 << minimum;
    const int end = clear + 1;
    std::vector<std::vector<std::uint8_t>> table;
    int width = minimum + 1;
    std::size_t bit = 0;
    std::vector<std::uint8_t> out;
    std::optional<int> previous;
    const auto reset = [&] {
        table.clear();
        for (int code = 0; code < clear + 2; ++code) table.push_back({static_cast<std::uint8_t>(code)});
        width = minimum + 1;
        previous.reset();
    };
    reset();
    for (;;) {
        if (bit + static_cast<std::size_t>(width) > packed.size() * 8) return std::nullopt;  // no end code
        int code = 0;
        for (int i = 0; i < width; ++i, ++bit) code |= ((packed[bit / 8] >> (bit % 8)) & 1) << i;
        if (code == clear) {
            reset();
            continue;
        }
        if (code == end) break;
        std::vector<std::uint8_t> entry;
        if (code < static_cast<int>(table.size())) {
            entry = table[static_cast<std::size_t>(code)];
        } else if (code == static_cast<int>(table.size()) && previous) {
            entry = table[static_cast<std::size_t>(*previous)];
            entry.push_back(entry[0]);
        } else {
            return std::nullopt;
        }
        out.insert(out.end(), entry.begin(), entry.end());
        if (previous && table.size() < 4096) {
            auto longer = table[static_cast<std::size_t>(*previous)];
            longer.push_back(entry[0]);
            table.push_back(std::move(longer));
            if (table.size() == (std::size_t{1} << width) && width < 12) ++width;
        }
        previous = code;
    }
    // The end code is the last thing written: only padding may follow it, in the same byte.
    if ((bit + 7) / 8 != packed.size()) return std::nullopt;
    return out;
}

std::string rgbOf(std::uint32_t pixel)
{
    char text[16];
    std::snprintf(text, sizeof text, "%06x", pixel);
    return text;
}

}  // namespace

TEST(Bt601LimitedRange, KnownColoursGetTheirStudioRangeValues)
{
    EXPECT_EQ(bt601LimitedRange(0x000000), (YCbCr{16, 128, 128}));
    EXPECT_EQ(bt601LimitedRange(0xFFFFFF), (YCbCr{235, 128, 128}));
    EXPECT_EQ(bt601LimitedRange(0xFF0000), (YCbCr{82, 90, 240}));
    EXPECT_EQ(bt601LimitedRange(0x0000FF), (YCbCr{41, 240, 110}));
    // All three sums land exactly on a rounding boundary: 128 is added before the shift.
    EXPECT_EQ(bt601LimitedRange(0x105090), (YCbCr{75, 166, 96}));
    EXPECT_EQ(bt601LimitedRange(kInkColour), kInkYCbCr);
    EXPECT_EQ(bt601LimitedRange(kPaperColour), kPaperYCbCr);
}

TEST(ExportY4m, PlanesAreTheRasterisersPixelsInStudioRange)
{
    ExportFixture fixture;
    // A glyph with its top-left pixel alone ink in the top-left cell pins the planes' orientation.
    std::vector<std::uint8_t> font = fixture.font;
    std::fill(font.begin() + 32, font.begin() + 64, 0);
    font[32] = 0x80;
    const std::string font_path = fixture.dir.write("corner-font", font);
    auto frames = variedFrames(4, 3);
    frames[0] = 1;
    const std::string animation = fixture.dir.write("anim.kvq", frames);
    const std::string output = fixture.dir.file("out.y4m");

    const KvqRun run = runKvqWith({"export", animation, "--font", font_path, "-o", output});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(isOneLine(run.out)) << run.out;
    EXPECT_NE(run.out.find("4 frames, 0.17 s"), std::string::npos) << run.out;

    const Y4mFile y4m = readY4m(output);
    EXPECT_EQ(y4m.header, "YUV4MPEG2 W640 H480 F24:1 Ip A1:1 C444");
    expectY4mShows(y4m, playersPictures(animation, font));
    ASSERT_FALSE(y4m.frames.empty());
    EXPECT_EQ(y4m.frames[0].y[0], kInkYCbCr.y);
    EXPECT_EQ(y4m.frames[0].y[1], kPaperYCbCr.y);
    EXPECT_EQ(y4m.frames[0].y[640], kPaperYCbCr.y);
    EXPECT_EQ(folderEntries(fixture.dir.path()), (std::vector<std::string>{"anim.kvq", "corner-font", "out.y4m", "test"}));
}

TEST(ExportY4m, FramesAreThePlayersIncludingAShortLastOne)
{
    ExportFixture fixture;
    // 70 frames cross the reader's 64-frame chunks; the tails are ignored (29) or a short frame.
    for (std::size_t tail : {0u, 29u, 30u, 1000u}) {
        const std::string animation = fixture.dir.write("anim.kvq", randomBytes(70 * kFrame + tail, 9 + tail));
        const std::string output = fixture.dir.file("out.y4m");
        const KvqRun run = runKvqWith({"export", animation, "--font", fixture.font_path, "-o", output});
        ASSERT_EQ(run.status, 0) << run.err;
        const auto pictures = playersPictures(animation, fixture.font);
        EXPECT_EQ(pictures.size(), tail >= 30 ? 71u : 70u);
        expectY4mShows(readY4m(output), pictures);
    }
}

TEST(FrameStream, ReadsAHugeFileAFewFramesAtATime)
{
    TempDir dir;
    // A sparse file of about 24 GB: loading it whole would take minutes and all the memory.
    const std::string path = dir.file("huge.kvq");
    const std::uint64_t whole_frames = 10'000'000;
    {
        std::ofstream out(path, std::ios::binary);
        out.seekp(static_cast<std::streamoff>(whole_frames * kFrame + 100 - 1));
        out.put('\x07');
    }
    FrameStream stream(path);
    EXPECT_EQ(stream.frameCount(), whole_frames + 1);
    TextFrame frame;
    for (int index = 0; index < 200; ++index) {
        ASSERT_TRUE(stream.next(frame));
        ASSERT_EQ(std::count(frame.cells.begin(), frame.cells.end(), 0), static_cast<std::ptrdiff_t>(kFrame));
    }
}

TEST(GifFrameDelay, DelaysAddUpToTheAnimationsLengthWithinAHundredth)
{
    int total = 0;
    for (std::uint64_t frames = 1; frames <= 24 * 3600; ++frames) {
        const int delay = gifFrameDelayHundredths(frames - 1);
        ASSERT_TRUE(delay == 4 || delay == 5) << "frame " << frames - 1 << " lasts " << delay;
        total += delay;
        const double exact = static_cast<double>(frames) * 100.0 / 24.0;
        ASSERT_LE(std::abs(total - exact), 0.5 + 1e-9) << frames << " frames";
    }
    // 25 frames last 104.17 hundredths: 104.
    int first_25 = 0;
    for (std::uint64_t index = 0; index < 25; ++index) first_25 += gifFrameDelayHundredths(index);
    EXPECT_EQ(first_25, 104);
}

TEST(GifLzw, CodesDecodeBackToTheIndicesAtEveryLength)
{
    // Every length up to 4000, in data that grows the table fast (random) and slowly (one long
    // run), so that at some of them the code width grows right before the end code; then random
    // data long enough to fill the table once and many times over.
    std::vector<std::size_t> lengths;
    for (std::size_t length = 0; length <= 4000; ++length) lengths.push_back(length);
    for (const std::size_t length : {10'000u, 65'536u, 307'200u}) lengths.push_back(length);
    for (const std::size_t length : lengths) {
        auto random = randomBytes(length, static_cast<std::uint32_t>(length));
        for (auto& index : random) index &= 1;
        std::vector<std::uint8_t> run(length, 1);
        for (const auto* indices : {&random, &run}) {
            std::vector<std::uint8_t> data;
            appendGifImageData(*indices, data);
            const auto decoded = decodeGifImageData(data);
            ASSERT_TRUE(decoded.has_value()) << length << " indices do not decode";
            ASSERT_EQ(*decoded, *indices) << length << " indices";
        }
    }
}

TEST(ExportGif, TwoColourPaletteOneImagePerFrameAndDelaysThatKeepTime)
{
    ExportFixture fixture;
    const std::string animation = fixture.dir.write("anim.kvq", variedFrames(25, 5));
    const std::string output = fixture.dir.file("out.gif");
    const KvqRun run = runKvqWith({"export", animation, "--font", fixture.font_path, "-o", output});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("25 frames, 1.04 s"), std::string::npos) << run.out;

    const GifStructure gif = walkGif(readBytes(output));
    ASSERT_TRUE(gif.valid);
    EXPECT_EQ(gif.width, 640);
    EXPECT_EQ(gif.height, 480);
    EXPECT_EQ(gif.palette, (std::vector<std::uint32_t>{kPaperColour, kInkColour}));
    EXPECT_FALSE(gif.loops) << "the player plays once";
    ASSERT_EQ(gif.images.size(), 25u);
    int total = 0;
    for (const GifImage& image : gif.images) {
        ASSERT_GE(image.delay_hundredths, 0) << "an image without a graphic control extension";
        total += image.delay_hundredths;
    }
    // 25 frames at 24 per second: 104.17 hundredths of a second.
    EXPECT_EQ(total, 104);
    // The first frame is whole; a repeated frame and a one-cell change need only small rectangles.
    EXPECT_EQ(gif.images[0].width, 640);
    EXPECT_EQ(gif.images[0].height, 480);
    EXPECT_LE(gif.images[1].width * gif.images[1].height, 1);
    EXPECT_LE(gif.images[2].width, 8);
    EXPECT_LE(gif.images[2].height, 16);
}

TEST(ExportGif, FfmpegDecodesItToTheRasterisersFrames)
{
    ExportFixture fixture;
    const auto bytes = variedFrames(25, 7);
    const std::string animation = fixture.dir.write("anim.kvq", bytes);
    const std::string output = fixture.dir.file("out.gif");
    const KvqRun run = runKvqWith({"export", animation, "--font", fixture.font_path, "-o", output});
    ASSERT_EQ(run.status, 0) << run.err;

    // Passthrough: one picture per GIF image, however ffmpeg would otherwise resample the timing.
    const auto decoded = commandOutput("ffmpeg -v error -nostdin -i " + quoted(output) +
                                       " -fps_mode passthrough -f rawvideo -pix_fmt rgb24 -");
    ASSERT_TRUE(decoded.has_value()) << "ffmpeg (Debian package ffmpeg) could not decode " << output;
    const auto pictures = playersPictures(animation, fixture.font);
    ASSERT_EQ(decoded->size(), pictures.size() * kRgbFrameBytes);
    for (std::size_t index = 0; index < pictures.size(); ++index) {
        for (std::size_t at = 0; at < kPixels; ++at) {
            const char* rgb = decoded->data() + index * kRgbFrameBytes + at * 3;
            const std::uint32_t pixel = static_cast<std::uint32_t>(static_cast<std::uint8_t>(rgb[0])) << 16 |
                                        static_cast<std::uint32_t>(static_cast<std::uint8_t>(rgb[1])) << 8 |
                                        static_cast<std::uint8_t>(rgb[2]);
            ASSERT_EQ(rgbOf(pixel), rgbOf(pictures[index][at])) << "frame " << index << ", pixel " << at % 640 << ","
                                                                 << at / 640;
        }
    }
}

TEST(ExportVideo, Mp4WebmAndMkvHoldEveryFrameAndTheSoundCutToTheirLength)
{
    ExportFixture fixture;
    const std::string animation = fixture.dir.write("anim.kvq", variedFrames(30, 11));  // 1.25 s
    // Sound longer than the picture is cut to it; sound shorter leaves every frame in.
    for (const double sound_s : {3.0, 0.5}) {
        const std::string sound = fixture.dir.file("sound.mp3");
        ASSERT_TRUE(commandOutput("ffmpeg -v error -nostdin -y -f lavfi -i sine=frequency=440:duration=" +
                                  std::to_string(sound_s) + " -c:a libmp3lame " + quoted(sound)))
            << "ffmpeg (Debian package ffmpeg) could not make an MP3";
        for (const std::string ending : {".mp4", ".webm", ".mkv"}) {
            const std::string output = fixture.dir.file("out" + ending);
            const KvqRun run = runKvqWith({"export", animation, "--font", fixture.font_path, "--audio", sound, "-o", output});
            ASSERT_EQ(run.status, 0) << ending << ": " << run.err;
            EXPECT_TRUE(isOneLine(run.out)) << run.out;

            const auto streams = commandOutput("ffprobe -v error -count_frames -show_entries "
                                               "stream=codec_type,width,height,nb_read_frames -of csv=p=0 " +
                                               quoted(output));
            ASSERT_TRUE(streams.has_value()) << "ffprobe cannot read " << output;
            EXPECT_NE(streams->find("video,640,480,30\n"), std::string::npos) << ending << ": " << *streams;
            EXPECT_NE(streams->find("audio"), std::string::npos) << ending << ": " << *streams;

            const auto sound_length = commandOutput("ffprobe -v error -select_streams a:0 -show_entries "
                                                    "packet=pts_time,duration_time -of csv=p=0 " + quoted(output));
            ASSERT_TRUE(sound_length.has_value());
            double sound_end_s = 0;
            std::istringstream lines(*sound_length);
            for (std::string line; std::getline(lines, line);) {
                double start = 0, duration = 0;
                if (std::sscanf(line.c_str(), "%lf,%lf", &start, &duration) == 2) {
                    sound_end_s = std::max(sound_end_s, start + duration);
                }
            }
            // Within a few sound frames of 1.25 s when cut, or about as long as it was.
            const double wanted_s = std::min(sound_s, 1.25);
            EXPECT_NEAR(sound_end_s, wanted_s, 0.1) << ending << " with " << sound_s << " s of sound";
        }
    }
    EXPECT_EQ(folderEntries(fixture.dir.path()),
              (std::vector<std::string>{"anim.kvq", "out.mkv", "out.mp4", "out.webm", "sound.mp3", "test"}));
}

TEST(ExportVideo, Mp4ShowsTheRasterisersPicturesInTheirColours)
{
    ExportFixture fixture;
    // Whole cells of paper (code 0 of an empty font) and of ink (its inverse, 128): flat areas
    // that a lossy codec keeps close, while swapped channels or a wrong matrix would not be.
    const std::string font = fixture.dir.write("blank-font", std::vector<std::uint8_t>(8192, 0));
    auto frames = randomBytes(3 * kFrame, 13);
    for (auto& code : frames) code &= 0x80;
    const std::string animation = fixture.dir.write("anim.kvq", frames);
    const std::string output = fixture.dir.file("out.mp4");
    const KvqRun run = runKvqWith({"export", animation, "--font", font, "-o", output});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto decoded = commandOutput("ffmpeg -v error -nostdin -i " + quoted(output) +
                                       " -fps_mode passthrough -f rawvideo -pix_fmt rgb24 -");
    ASSERT_TRUE(decoded.has_value());
    const auto pictures = playersPictures(animation, std::vector<std::uint8_t>(8192, 0));
    ASSERT_EQ(decoded->size(), pictures.size() * kRgbFrameBytes);
    double difference = 0;
    for (std::size_t index = 0; index < pictures.size(); ++index) {
        for (std::size_t at = 0; at < kPixels; ++at) {
            for (int channel = 0; channel < 3; ++channel) {
                const int expected = static_cast<int>((pictures[index][at] >> (16 - 8 * channel)) & 0xFF);
                const int got = static_cast<std::uint8_t>((*decoded)[index * kRgbFrameBytes + at * 3 + channel]);
                difference += std::abs(expected - got);
            }
        }
    }
    const double mean = difference / static_cast<double>(pictures.size() * kPixels * 3);
    EXPECT_LT(mean, 4.0) << "mean difference per channel";
}

TEST(ExportErrors, UnknownEndingIsAUsageErrorListingTheKnownOnes)
{
    ExportFixture fixture;
    const std::string animation = fixture.dir.write("anim.kvq", randomBytes(kFrame, 1));
    const auto before = folderEntries(fixture.dir.path());
    for (const std::string name : {"out.avi", "out", "out.gif.tmp"}) {
        const KvqRun run = runKvqWith({"export", animation, "--font", fixture.font_path, "-o", fixture.dir.file(name)});
        EXPECT_EQ(run.status, 2) << name;
        EXPECT_TRUE(isOneLine(run.err)) << run.err;
        EXPECT_NE(run.err.find(".gif, .y4m, .mp4, .webm or .mkv"), std::string::npos) << run.err;
        EXPECT_EQ(folderEntries(fixture.dir.path()), before) << name;
    }
    // Sound has no place in a GIF or a Y4M.
    const KvqRun run = runKvqWith(
        {"export", animation, "--font", fixture.font_path, "--audio", animation, "-o", fixture.dir.file("out.gif")});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(isOneLine(run.err)) << run.err;
    EXPECT_EQ(folderEntries(fixture.dir.path()), before);
}

TEST(ExportErrors, MissingOrEmptyInputsFailInOneLineWithoutOutput)
{
    ExportFixture fixture;
    const std::string animation = fixture.dir.write("anim.kvq", randomBytes(2 * kFrame, 2));
    const std::string empty = fixture.dir.write("empty.kvq", {});
    const std::string tiny = fixture.dir.write("tiny.kvq", randomBytes(29, 2));
    const auto before = folderEntries(fixture.dir.path());

    struct Case {
        std::vector<std::string> arguments;
        std::string cause;
    };
    for (const std::string ending : {".gif", ".y4m", ".mp4"}) {
        const std::string output = fixture.dir.file("out" + ending);
        std::vector<Case> cases = {
            {{"export", fixture.dir.file("none.kvq"), "--font", fixture.font_path, "-o", output}, "none.kvq: cannot open"},
            {{"export", animation, "--font", fixture.dir.file("none"), "-o", output}, "none: cannot open"},
            {{"export", empty, "--font", fixture.font_path, "-o", output}, "empty.kvq: holds no frames"},
            {{"export", tiny, "--font", fixture.font_path, "-o", output}, "tiny.kvq: holds no frames"},
            {{"export", animation, "--font", fixture.font_path, "-o", fixture.dir.file("no/out" + ending)}, "no/out"},
        };
        if (ending == ".mp4") {
            cases.push_back({{"export", animation, "--font", fixture.font_path, "--audio", fixture.dir.file("none.mp3"),
                              "-o", output},
                             "none.mp3: cannot open"});
        }
        for (const Case& test : cases) {
            const KvqRun run = runKvqWith(test.arguments);
            EXPECT_EQ(run.status, 1) << test.cause;
            EXPECT_TRUE(isOneLine(run.err)) << run.err;
            EXPECT_NE(run.err.find(test.cause), std::string::npos) << "wanted '" << test.cause << "' in: " << run.err;
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(folderEntries(fixture.dir.path()), before) << test.cause;
        }
    }
}

TEST(ExportErrors, SoundThatFfmpegCannotReadFailsWithItsReasonAndNoOutput)
{
    ExportFixture fixture;
    const std::string animation = fixture.dir.write("anim.kvq", randomBytes(10 * kFrame, 8));
    const std::string sound = fixture.dir.write("noise.mp3", randomBytes(5000, 8));
    const auto before = folderEntries(fixture.dir.path());
    const KvqRun run =
        runKvqWith({"export", animation, "--font", fixture.font_path, "--audio", sound, "-o", fixture.dir.file("out.mp4")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(isOneLine(run.err)) << run.err;
    EXPECT_NE(run.err.find("ffmpeg failed: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("noise.mp3"), std::string::npos) << run.err;
    EXPECT_EQ(folderEntries(fixture.dir.path()), before);
}

TEST(ExportErrors, NeverOverwritesTheAnimationTheFontOrTheSound)
{
    ExportFixture fixture;
    const auto frames = randomBytes(kFrame, 3);
    // Inputs named like outputs, so that only the sameness of the files stops the export.
    const std::string animation = fixture.dir.write("anim.gif", frames);
    const std::string font = fixture.dir.write("font.y4m", fixture.font);
    const auto sound_bytes = randomBytes(1000, 4);
    const std::string sound = fixture.dir.write("sound.mp4", sound_bytes);
    const std::string link = fixture.dir.file("link.y4m");
    std::filesystem::create_symlink(animation, link);
    const auto before = folderEntries(fixture.dir.path());
    for (const std::string& output : {animation, font, sound, link}) {
        std::vector<std::string> arguments = {"export", animation, "--font", font, "-o", output};
        if (output == sound) arguments.insert(arguments.end(), {"--audio", sound});
        const KvqRun run = runKvqWith(arguments);
        EXPECT_EQ(run.status, 1) << output;
        EXPECT_TRUE(isOneLine(run.err)) << run.err;
        EXPECT_NE(run.err.find("refusing to overwrite"), std::string::npos) << run.err;
    }
    EXPECT_EQ(readBytes(animation), frames);
    EXPECT_EQ(readBytes(font), fixture.font);
    EXPECT_EQ(readBytes(sound), sound_bytes);
    EXPECT_EQ(folderEntries(fixture.dir.path()), before);
}
