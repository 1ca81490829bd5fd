// SPDX-License-Identifier: MIT
#include <cstdio>

#include "kvq_test_support.h"
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
    // Repeated frames, new ones, and changed rectangles of many sizes: image data of many lengths.
    std::vector<std::uint8_t> frame = randomBytes(kFrame, 5), frames;
    for (int index = 0; index < 40; ++index) {
        if (index % 6 == 0) frame = randomBytes(kFrame, static_cast<std::uint32_t>(index));
        const int rows = 1 + index % 30, columns = 1 + index * 7 % 80;
        for (int at = 0; index % 6 > 1 && at < rows * columns; ++at) ++frame[std::size_t(at / columns * 80 + at % columns)];
        frames.insert(frames.end(), frame.begin(), frame.end());
    }
    frames.resize(frames.size() + 1000, 7);  // and a short last frame
    const std::string gif = exported(dir, frames, font, ".gif");
    const auto pictures = playersPictures(dir.file("anim.kvq"), font);
    EXPECT_TRUE(decoded(gif, "rgb24") == rgbBytes(pictures));
    // In hundredths of a second, to within half of one.
    std::istringstream delays(commandOutput("ffprobe -v error -show_entries packet=duration -of csv=p=0 '" + gif + "'"));
    int total = 0;
    for (int delay = 0; delays >> delay;) total += delay;
    EXPECT_NEAR(total, 41 * 100.0 / 24, 0.5);
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
