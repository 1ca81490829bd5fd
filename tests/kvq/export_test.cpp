// SPDX-License-Identifier: MIT
#include <cstdio>

#include "kvq/export/gif_lzw.h"
#include "kvq/export/html_page.h"
#include "kvq/export/script_data.h"
#include "support/kvq_test_support.h"
#include "render/colours.h"

namespace {

// Standard output of a shell command; a failed command fails the test.
std::string commandOutput(const std::string& command)
{
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string text;
    char chunk[65536];
    for (std::size_t got = 0; pipe && (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) text.append(chunk, got);
    EXPECT_TRUE(pipe && ::pclose(pipe) == 0) << "failed: " << command;
    return text;
}

// Every picture of a video as ffmpeg decodes it, one per stored frame, in `pixel_format`.
std::string decoded(const std::string& video, const std::string& pixel_format)
{
    return commandOutput("ffmpeg -v error -nostdin -i '" + video + "' -fps_mode passthrough -f rawvideo -pix_fmt " +
                         pixel_format + " -");
}

// The animation `frames` exported with `font` to out.ENDING in `dir`, with the soundtrack `audio` if given.
std::string exported(const TempDir& dir, const std::vector<std::uint8_t>& frames, const std::vector<std::uint8_t>& font,
                     const std::string& ending, const std::string& audio = "")
{
    std::vector<std::string> arguments = {"export", dir.write("anim.kvq", frames), "--font", dir.write("test", font),
                                          "-o", dir.file("out" + ending)};
    if (!audio.empty()) arguments.insert(arguments.end(), {"--audio", audio});
    const KvqRun run = kvq(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind(dir.file("out" + ending) + ": ", 0), 0u) << run.out;
    return dir.file("out" + ending);
}

}  // namespace

TEST(FfmpegExport, GifDecodesToExactlyTheRasterisersPixelsAndItsDelaysAddUpToTheLength)
{
    TempDir dir;
    const auto font = randomBytes(8192, 21);
    // Every way a frame is coded: new all over; the same as the one before, once, twice or three
    // times, at different places in the 4-4-4-5 hundredths of the frames' delays, so that a
    // delay taken from a neighbour shows; a few cells far apart, a rectangle of the whole picture
    // nearly all transparent; every other row of cells, busy but with whole rows untouched;
    // blocks of many sizes, busy all through.
    std::vector<std::uint8_t> frame = randomBytes(kFrame, 5), frames;
    for (int index = 0; index < 40; ++index) {
        const int kind = index == 13 || (index >= 22 && index <= 24) ? 1 : index % 8;
        if (kind == 0) frame = randomBytes(kFrame, static_cast<std::uint32_t>(index));
        if (kind == 3) {
            for (const std::size_t cell : {std::size_t(0), std::size_t(index * 31 % 2400), kFrame - 1}) ++frame[cell];
        }
        for (std::size_t cell = 0; kind == 4 && cell < kFrame; ++cell) {
            if (cell / 80 % 2 == 0) ++frame[cell];
        }
        const int rows = 1 + index % 30, columns = 1 + index * 7 % 80;
        for (int at = 0; kind >= 5 && at < rows * columns; ++at) ++frame[std::size_t(at / columns * 80 + at % columns)];
        frames.insert(frames.end(), frame.begin(), frame.end());
    }
    frames.resize(frames.size() + 1000, 7);  // and a short last frame
    const std::string gif = exported(dir, frames, font, ".gif");
    const auto pictures = playersPictures(dir.file("anim.kvq"), font);

    // Each picture ffmpeg decodes, in the hundredths of a second it starts at and lasts.
    const std::string rgb = decoded(gif, "rgb24");
    std::istringstream times(commandOutput("ffprobe -v error -show_entries packet=pts,duration -of csv=p=0 '" + gif + "'"));
    std::vector<std::pair<int, int>> shown;
    char comma = 0;
    for (int start = 0, duration = 0; times >> start >> comma >> duration;) shown.emplace_back(start, duration);
    const std::size_t picture_bytes = std::size_t(kPictureWidth) * kPictureHeight * 3;
    ASSERT_EQ(rgb.size(), shown.size() * picture_bytes);
    EXPECT_LT(shown.size(), pictures.size()) << "frames like the one before add to its delay";

    // Each of the player's frames is on show at its start, 100 * index / 24 to the nearest hundredth.
    // An image begins exactly when its first frame does.
    std::size_t image = 0;
    for (std::size_t index = 0; index < pictures.size(); ++index) {
        const int start = static_cast<int>((index * 100 + 12) / 24);
        const std::size_t before = image;
        while (image + 1 < shown.size() && shown[image + 1].first <= start) ++image;
        if (image != before) {
            EXPECT_EQ(shown[image].first, start) << "the image of frame " << index;
        }
        ASSERT_GE(start, shown[image].first);
        ASSERT_LT(start, shown[image].first + shown[image].second) << "frame " << index;
        EXPECT_TRUE(rgb.compare(image * picture_bytes, picture_bytes, rgbBytes({pictures[index]})) == 0)
            << "frame " << index;
    }
    // In hundredths of a second, to within half of one.
    EXPECT_NEAR(shown.back().first + shown.back().second, 41 * 100.0 / 24, 0.5);
}

TEST(FfmpegExport, Y4mDecodesToTheRasterisersPixelsInBt601StudioRange)
{
    TempDir dir;
    const auto font = randomBytes(8192, 22);
    // 70 frames cross the reader's 64-frame chunks; the tail makes a short last frame.
    const std::string y4m = exported(dir, randomBytes(70 * kFrame + 1000, 9), font, ".y4m");
    const auto pictures = playersPictures(dir.file("anim.kvq"), font);
    // Y = 16 + 219 * luma, Cb and Cr = 128 + 224 * the scaled differences, for ink and paper, worked by hand.
    const std::uint8_t ink[] = {34, 126, 130}, paper[] = {194, 105, 143};
    std::string expected;
    for (const PackedPicture& picture : pictures) {
        for (std::size_t plane = 0; plane < 3; ++plane) {
            for (const std::uint32_t pixel : picture) expected.push_back(char(pixel == kInkColour ? ink[plane] : paper[plane]));
        }
    }
    EXPECT_TRUE(decoded(y4m, "yuv444p") == expected);
    EXPECT_EQ(commandOutput("ffprobe -v error -show_entries stream=r_frame_rate -of csv=p=0 '" + y4m + "'"), "24/1\n");
}

TEST(FfmpegExport, CompressedVideosHoldEveryFrameInItsColoursAndTheSoundCutToTheirLength)
{
    TempDir dir;
    // Whole cells of paper (a blank glyph) and ink (its inverse): flat areas that a lossy codec
    // keeps close, while swapped channels or a wrong matrix would not.
    const std::vector<std::uint8_t> font(8192, 0);
    auto frames = randomBytes(30 * kFrame, 13);  // 1.25 s
    for (auto& code : frames) code &= 0x80;
    commandOutput("ffmpeg -v error -nostdin -f lavfi -i sine=duration=3 '" + dir.file("long.mp3") + "'");
    commandOutput("ffmpeg -v error -nostdin -f lavfi -i sine=duration=1 '" + dir.file("short.mp3") + "'");
    const std::string expected = rgbBytes(playersPictures(dir.write("anim.kvq", frames), font));
    // Sound longer than the picture is cut to it; sound shorter leaves every frame in.
    for (const auto& [ending, sound, sound_s] : std::vector<std::tuple<std::string, std::string, double>>{
             {".mp4", "long.mp3", 1.25}, {".webm", "short.mp3", 1.0}, {".mkv", "long.mp3", 1.25}}) {
        const std::string video = exported(dir, frames, font, ending, dir.file(sound));
        const std::string rgb = decoded(video, "rgb24");
        ASSERT_EQ(rgb.size(), expected.size()) << ending;
        double difference = 0;
        for (std::size_t at = 0; at < rgb.size(); ++at) {
            difference += std::abs(std::uint8_t(expected[at]) - std::uint8_t(rgb[at]));
        }
        // VP9 at its quality setting strays about 4 levels, H.264 about 1.5; swapped channels or a wrong range, tens.
        EXPECT_LT(difference / static_cast<double>(rgb.size()), 6.0) << ending << ": mean difference per channel";
        const std::string heard = commandOutput("ffmpeg -v error -nostdin -i '" + video + "' -map 0:a -ac 1 -ar 8000 -f s16le -");
        EXPECT_NEAR(static_cast<double>(heard.size()) / (8000 * 2), sound_s, 0.1) << ending;
    }
    const std::string noise = dir.write("noise.mp3", randomBytes(5000, 8));
    expectRefused(dir.path(),
                  {"export", dir.file("anim.kvq"), "--font", dir.file("test"), "--audio", noise, "-o", dir.file("x.mp4")},
                  "ffmpeg failed: " + noise);
}

namespace {

// The codes' bytes of GIF image data, taken out of their sub-blocks.
std::vector<std::uint8_t> codeBytes(const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> codes;
    std::size_t at = 1;  // past the minimum code size
    while (at < data.size() && data[at] != 0) {
        const auto block = data.begin() + std::ptrdiff_t(at + 1);
        codes.insert(codes.end(), block, block + data[at]);
        at += 1 + data[at];
    }
    EXPECT_EQ(at + 1, data.size()) << "an empty sub-block ends the data";
    return codes;
}

// How many bytes a decoder reads for the clear code, `count` codes and the end code: 3 bits each
// at first; each code but the first makes it assign the next free code, from 6, and it reads one
// bit wider once that no longer fits, up to 12 bits, when all 4096 are assigned.
std::size_t decoderCodeBytes(int count)
{
    int bits = 3, next_free = 6, total_bits = 3;
    for (int code = 1; code <= count + 1; ++code) {
        total_bits += bits;
        if (code >= 2 && next_free < 4096) ++next_free;
        if (next_free == 1 << bits && bits < 12) ++bits;
    }
    return std::size_t(total_bits + 7) / 8;
}

// A run of one colour codes as runs of 1, 2, 3, ... pixels, each new string one longer than the
// last, so `count` codes take count * (count + 1) / 2 pixels while the table has room.
std::vector<std::uint8_t> paperRun(std::size_t count) { return std::vector<std::uint8_t>(count * (count + 1) / 2, 0); }

}  // namespace

TEST(GifLzw, EndCodeIsWrittenAsWideAsTheDecoderReadsIt)
{
    // 66 pixels: the clear code 4, then 0 and 6 to 15, all at 3 bits until the decoder assigns 7
    // and at 4 after; reading 15 it assigns code 15 and widens, so the end code 5 takes 5 bits:
    // 49 bits, least significant first.
    std::vector<std::uint8_t> data;
    appendGifImageData(paperRun(11), data);
    EXPECT_EQ(data, (std::vector<std::uint8_t>{2, 7, 0x84, 0x8F, 0xA9, 0xCB, 0xED, 0x5F, 0x00, 0}));
    EXPECT_EQ(codeBytes(data).size(), decoderCodeBytes(11));
    // The same where the end code takes 3, 4, 6 and 12 bits.
    for (const int count : {1, 2, 3, 27, 2043}) {
        data.clear();
        appendGifImageData(paperRun(std::size_t(count)), data);
        EXPECT_EQ(codeBytes(data).size(), decoderCodeBytes(count)) << count << " codes";
    }
}

TEST(GifLzw, FullTableStaysAtTwelveBitsWithoutAClearToTheEnd)
{
    // 4091 codes assign the last free code, 4095; the end code after them stays at 12 bits. Two
    // more codes of 4091 pixels each follow the full table without changing it.
    std::vector<std::uint8_t> data;
    appendGifImageData(paperRun(4091), data);
    EXPECT_EQ(codeBytes(data).size(), decoderCodeBytes(4091));
    auto pixels = paperRun(4091);
    pixels.resize(pixels.size() + 2 * 4091, 0);
    data.clear();
    appendGifImageData(pixels, data);
    EXPECT_EQ(codeBytes(data).size(), decoderCodeBytes(4093));
}

TEST(WebPageText, TitlesBecomeAsciiTextThatNoMarkupCanHideIn)
{
    // "<b>&", a quote, a template's marker, e acute, an emoji, a control and a stray continuation byte.
    const std::string title = "<b>&\"{{meta}} \xC3\xA9 \xF0\x9F\x8E\xAC\x01\x80";
    EXPECT_EQ(htmlText(title), "&lt;b&gt;&amp;&quot;{{meta}} &#233; &#127916; &#65533;");
    EXPECT_EQ(jsonString(title),
              "\"\\u003cb\\u003e\\u0026\\u0022{{meta}} \\u00e9 \\ud83c\\udfac\\u0001\\ufffd\"");
    // An overlong encoding of '<' is not a '<'.
    EXPECT_EQ(htmlText("\xC0\xBC"), "&#65533;&#65533;");
}

TEST(WebPageData, EveryByteComesThroughAsOneCharacterOrAnEscapeAndNothingCanEndTheElement)
{
    std::vector<std::uint8_t> bytes(512);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 37);
    std::string text;
    appendScriptData(bytes, text);
    EXPECT_EQ(text.find_first_of(std::string("<\r\0", 3)), std::string::npos);
    std::vector<std::uint8_t> back;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != kScriptDataEscape) {
            back.push_back(static_cast<std::uint8_t>(text[i]));
            continue;
        }
        const int code = text[++i] - '0';
        ASSERT_TRUE(code >= 0 && code < 4);
        back.push_back(std::array<std::uint8_t, 4>{0x00, '\r', '<', '='}[static_cast<std::size_t>(code)]);
    }
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(text.size(), bytes.size() + 8);  // two of each of the four escaped bytes
}
