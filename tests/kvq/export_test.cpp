// SPDX-License-Identifier: MIT
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "kvq/common/tool_error.h"
#include "kvq/export/gif_lzw.h"
#include "kvq/export/html_page.h"
#include "kvq/export/mp3_frame_header.h"
#include "kvq/export/mp3_info_frame.h"
#include "kvq/export/script_data.h"
#include "kvq/export/soundtrack_cut.h"
#include "render/colours.h"
#include "support/kvq_test_support.h"

namespace {

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
                                          "-o",     dir.file("out" + ending)};
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
    std::istringstream times(
        commandOutput("ffprobe -v error -show_entries packet=pts,duration -of csv=p=0 '" + gif + "'"));
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
            for (const std::uint32_t pixel : picture)
                expected.push_back(char(pixel == kInkColour ? ink[plane] : paper[plane]));
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
        const std::string heard =
            commandOutput("ffmpeg -v error -nostdin -i '" + video + "' -map 0:a -ac 1 -ar 8000 -f s16le -");
        EXPECT_NEAR(static_cast<double>(heard.size()) / (8000 * 2), sound_s, 0.1) << ending;
    }
    const std::string noise = dir.write("noise.mp3", randomBytes(5000, 8));
    expectRefused(
        dir.path(),
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
    EXPECT_EQ(jsonString(title), "\"\\u003cb\\u003e\\u0026\\u0022{{meta}} \\u00e9 \\ud83c\\udfac\\u0001\\ufffd\"");
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

namespace {

// `seconds` of a tone as an MP3 made by lame with `lame_options`.
std::string lameTone(const TempDir& dir, const std::string& name, double seconds, const std::string& lame_options)
{
    // From a file rather than a pipe: lame writes its Xing frame only where it knows the length.
    commandOutput("sox -n -r 44100 -c 2 '" + dir.file("tone.wav") + "' synth " + std::to_string(seconds) + " sine 440");
    commandOutput("lame --quiet " + lame_options + " '" + dir.file("tone.wav") + "' '" + dir.file(name) + "'");
    return dir.file(name);
}

// What ffmpeg decodes of an MP3: its seconds, and whatever it said about the stream's faults.
std::pair<double, std::string> decodedSeconds(const TempDir& dir, const std::string& mp3)
{
    const std::string pcm = commandOutput("ffmpeg -v error -nostdin -i '" + mp3 + "' -f s16le -ac 1 -ar 8000 - 2>'" +
                                          dir.file("decode.err") + "'");
    const auto said = readBytes(dir.file("decode.err"));
    return {static_cast<double>(pcm.size()) / (8000 * 2), std::string(said.begin(), said.end())};
}

// The length the container tells, as a player shows it before decoding: from a Xing or VBRI
// header where there is one.
double toldSeconds(const std::string& mp3)
{
    return std::stod(commandOutput("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + mp3 + "'"));
}

// Standard error of the kvq command `arguments` run in-process, and its result.
std::pair<KvqRun, std::string> kvqWithStderr(const std::vector<std::string>& arguments)
{
    testing::internal::CaptureStderr();
    const KvqRun run = kvq(arguments);
    return {run, testing::internal::GetCapturedStderr()};
}

// A VBRI frame (as Fraunhofer's encoder writes) in front of `mp3`, which has no Xing frame,
// claiming `frames` frames: a copy of its first frame's header over silence.
std::vector<std::uint8_t> withVbriFrame(const std::vector<std::uint8_t>& mp3, std::uint32_t frames)
{
    const auto header = readMp3FrameHeader(mp3);
    EXPECT_TRUE(header.has_value());
    std::vector<std::uint8_t> vbri(header ? header->bytes : 0, 0);
    std::copy(mp3.begin(), mp3.begin() + 4, vbri.begin());
    const std::uint8_t fields[] = {'V',
                                   'B',
                                   'R',
                                   'I',
                                   0,
                                   1,
                                   0,
                                   0,
                                   0,
                                   75,
                                   std::uint8_t(mp3.size() >> 24),
                                   std::uint8_t(mp3.size() >> 16),
                                   std::uint8_t(mp3.size() >> 8),
                                   std::uint8_t(mp3.size()),
                                   std::uint8_t(frames >> 24),
                                   std::uint8_t(frames >> 16),
                                   std::uint8_t(frames >> 8),
                                   std::uint8_t(frames)};
    std::copy(std::begin(fields), std::end(fields), vbri.begin() + 36);
    vbri.insert(vbri.end(), mp3.begin(), mp3.end());
    return vbri;
}

}  // namespace

TEST(FfmpegExport, PageCarriesTheSoundCutToTheAnimationAndSaysSo)
{
    TempDir dir;
    // A minute at 320 kbit/s, 2.4 MB, on two seconds of frames: about 80 kB of it is heard.
    const std::string long_mp3 = lameTone(dir, "long.mp3", 60, "-b 320");
    const auto [run, said] =
        kvqWithStderr({"export", dir.write("anim.kvq", randomBytes(48 * kFrame, 3)), "--font",
                       dir.write("test", randomBytes(8192, 4)), "--audio", long_mp3, "-o", dir.file("show.html")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(said, "kvq export: soundtrack cut from 1:00 to 0:02 (the animation's length)\n");
    const std::uintmax_t page = std::filesystem::file_size(dir.file("show.html"));
    const std::uintmax_t frames_only =
        std::filesystem::file_size(exported(dir, randomBytes(48 * kFrame, 3), randomBytes(8192, 4), ".html"));
    // Two seconds and a frame of sound at 40 kB a second, as the page's text stores bytes.
    EXPECT_LT(page - frames_only, 2.1 * 40'000 * 1.1) << page << " bytes against " << frames_only << " without sound";
    EXPECT_GT(page - frames_only, 2.0 * 40'000) << page << " bytes against " << frames_only << " without sound";
}

TEST(FfmpegExport, CutSoundtrackIsAValidMp3ThatEndsWithTheFirstFrameReachingTheEnd)
{
    TempDir dir;
    const double animation_s = 2.5;
    struct Case {
        std::string name;
        std::string mp3;
        double frame_s;  // samples per frame over the rate
        double rate_hz;
    };
    const std::string no_xing = lameTone(dir, "plain.mp3", 20, "-t -b 128");
    // Half silence, half noise: at a variable rate nearly all of the bytes are in the second half,
    // so a table of contents left as it was would send a seek far off.
    commandOutput("cd '" + dir.path().string() +
                  "' && sox -n -r 44100 -c 2 quiet.wav trim 0 10 && sox -n -r 44100 -c 2 noise.wav " +
                  "synth 10 whitenoise && sox quiet.wav noise.wav both.wav && lame --quiet -V 2 both.wav uneven.mp3");
    const std::vector<Case> cases = {
        {"constant rate, Info and LAME tags", lameTone(dir, "cbr.mp3", 20, "-b 192"), 1152 / 44100.0, 44100},
        {"variable rate, Xing and LAME tags", lameTone(dir, "vbr.mp3", 20, "-V 2"), 1152 / 44100.0, 44100},
        {"variable rate, uneven", dir.file("uneven.mp3"), 1152 / 44100.0, 44100},
        {"MPEG 2 mono behind an ID3 tag",
         lameTone(dir, "mpeg2.mp3", 20, "-m m --resample 22.05 -b 96 --tt Tone --add-id3v2"), 576 / 22050.0, 22050},
        {"MPEG 2.5, frames too small for a Xing header", lameTone(dir, "mpeg25.mp3", 20, "--resample 8 -b 16"),
         576 / 8000.0, 8000},
        {"no header frame", no_xing, 1152 / 44100.0, 44100},
        {"VBRI header", dir.write("vbri.mp3", withVbriFrame(readBytes(no_xing), 766)), 1152 / 44100.0, 44100},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.name);
        const double told_before = toldSeconds(one.mp3);
        ASSERT_GT(told_before, 19.9);
        const SoundtrackCut cut = cutSoundtrack(one.mp3, animation_s);
        EXPECT_TRUE(cut.cut);
        EXPECT_NEAR(cut.seconds_before, 20.0,
                    3 * one.frame_s);  // less the encoder's delay and padding where it says them
        const std::string kept = dir.write("cut.mp3", cut.bytes);
        const auto [heard_s, complaints] = decodedSeconds(dir, kept);
        EXPECT_EQ(complaints, "");
        // At least the animation's length, and less than one frame more than the encoder's and
        // the decoder's delay (at most 1105 and 529 samples) beyond it.
        const double delay_s = (1105 + 529) / one.rate_hz;
        EXPECT_GE(heard_s, animation_s - 0.015);
        EXPECT_LT(heard_s, animation_s + one.frame_s + delay_s);
        // Said as it is heard: the encoder's delay and no padding at the end, where a LAME tag is.
        EXPECT_NEAR(cut.seconds_after, heard_s, 0.003);
        // What the header frame tells is what is there.
        EXPECT_NEAR(toldSeconds(kept), heard_s, one.frame_s + delay_s);
        ASSERT_FALSE(cut.bytes.empty());
        EXPECT_EQ(cut.bytes[0], 0xFF) << "a cut starts with its first frame, without the ID3 tag";
    }
    // The LAME tag stays whole: its own CRC, over the frame up to it, checks; so does the music's.
    for (const auto& [name, xing_at] : {std::pair<std::string, std::size_t>{"cbr.mp3", 36}, {"mpeg2.mp3", 13}}) {
        const SoundtrackCut cut = cutSoundtrack(dir.file(name), animation_s);
        const std::size_t lame_at = xing_at + 120, crc_at = lame_at + 34;
        ASSERT_GT(cut.bytes.size(), crc_at + 2);
        EXPECT_EQ(
            std::string(cut.bytes.begin() + std::ptrdiff_t(lame_at), cut.bytes.begin() + std::ptrdiff_t(lame_at + 4)),
            "LAME");
        EXPECT_EQ(lameCrc16(std::span(cut.bytes).first(crc_at)), cut.bytes[crc_at] << 8 | cut.bytes[crc_at + 1])
            << name;
        const auto first = readMp3FrameHeader(cut.bytes);
        ASSERT_TRUE(first.has_value()) << name;
        EXPECT_EQ(lameCrc16(std::span(cut.bytes).subspan(first->bytes)),
                  cut.bytes[crc_at - 2] << 8 | cut.bytes[crc_at - 1])
            << name;
    }
    // The table of contents: entry i is where the frame i percent of the way in starts, in 256ths of the stream.
    const SoundtrackCut uneven = cutSoundtrack(dir.file("uneven.mp3"), animation_s);
    std::vector<std::size_t> starts;
    for (std::size_t at = readMp3FrameHeader(uneven.bytes)->bytes; at < uneven.bytes.size();) {
        starts.push_back(at);
        const auto header = readMp3FrameHeader(std::span(uneven.bytes).subspan(at));
        ASSERT_TRUE(header.has_value()) << "at byte " << at;
        at += header->bytes;
    }
    const std::size_t toc_at = 36 + 8 + 4 + 4;
    for (std::size_t i = 0; i < 100; ++i) {
        const double expected = double(starts[i * starts.size() / 100]) * 256 / double(uneven.bytes.size());
        EXPECT_NEAR(uneven.bytes[toc_at + i], expected, 1.0) << "entry " << i;
    }
    // A soundtrack no longer than the animation is kept byte for byte, its tag too.
    const SoundtrackCut whole = cutSoundtrack(dir.file("mpeg2.mp3"), 25);
    EXPECT_FALSE(whole.cut);
    EXPECT_EQ(whole.bytes, readBytes(dir.file("mpeg2.mp3")));
}

TEST(FfmpegExport, DamagedOrTruncatedSoundtracksAreCutOrRefusedWithoutHarm)
{
    TempDir dir;
    const auto mp3 = readBytes(lameTone(dir, "tone.mp3", 3, "-V 5"));
    std::vector<std::uint8_t> hour = readBytes(lameTone(dir, "ten.mp3", 10, "-b 8 --resample 8"));
    // 360 times ten seconds, each with its encoder's delay and padding: an hour and a little more.
    const auto one = hour;
    for (int copy = 1; copy < 360; ++copy) hour.insert(hour.end(), one.begin(), one.end());
    SoundtrackCut cut = cutSoundtrack(dir.write("hour.mp3", hour), 1);
    const std::string line = soundtrackCutLine(cut);
    const std::string shape = "soundtrack cut from 1:00:36 to 0:01 (the animation's length)";
    EXPECT_TRUE(line.starts_with("soundtrack cut from 1:0") && line.ends_with(" to 0:01 (the animation's length)") &&
                line.size() == shape.size())
        << line;
    // Cut anywhere, or with bytes changed anywhere, a soundtrack is cut or refused, never read past.
    std::uint32_t seed = 1;
    for (std::size_t size = 0; size < mp3.size(); size += 1 + size / 3) {
        std::vector<std::uint8_t> bytes(mp3.begin(), mp3.begin() + std::ptrdiff_t(size));
        for (std::size_t at = 0; at < bytes.size() && size % 2 == 1;
             at += 1 + (seed = seed * 1103515245 + 12345) % 97) {
            bytes[at] = std::uint8_t(seed >> 16);
        }
        try {
            cut = cutSoundtrack(dir.write("damaged.mp3", bytes), 1);
            EXPECT_LE(cut.bytes.size(), bytes.size() + 4) << size;
            ASSERT_FALSE(cut.bytes.empty()) << size;
        } catch (const ToolError& error) {
            EXPECT_NE(std::string(error.what()).find("holds no MPEG layer III audio"), std::string::npos)
                << error.what();
        }
    }
}

TEST(FfmpegExport, SoundThatIsNoMp3IsRefusedForAPageAndWarnedAboutForAVideo)
{
    TempDir dir;
    const std::string anim = dir.write("anim.kvq", randomBytes(24 * kFrame, 5));
    const std::string font = dir.write("test", randomBytes(8192, 6));
    commandOutput("sox -n -r 44100 -c 2 '" + dir.file("tone.wav") + "' synth 1 sine 440");
    auto id3_then_noise = std::vector<std::uint8_t>{'I', 'D', '3', 4, 0, 0, 0, 0, 0, 10};
    id3_then_noise.resize(6000, 0);
    for (const auto& [sound, cause] : std::vector<std::pair<std::string, std::string>>{
             {dir.file("tone.wav"),
              "tone.wav: does not start like an MP3 (no ID3 tag, no MPEG audio frame), so a web page cannot carry it"},
             {dir.write("noise.mp3", randomBytes(5000, 8)), "noise.mp3: does not start like an MP3"},
             {dir.write("tagged.mp3", id3_then_noise), "tagged.mp3: holds no MPEG layer III audio"}}) {
        expectRefused(dir.path(), {"export", anim, "--font", font, "--audio", sound, "-o", dir.file("show.html")},
                      cause);
    }
    const auto [run, said] =
        kvqWithStderr({"export", anim, "--font", font, "--audio", dir.file("tone.wav"), "-o", dir.file("show.mp4")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(said,
              "kvq export: warning: " + dir.file("tone.wav") +
                  ": does not start like an MP3 (no ID3 tag, no MPEG audio frame); the player would not play it\n");
    // Where ffmpeg cannot read it either, the likely cause is on the error's line.
    expectRefused(dir.path(),
                  {"export", anim, "--font", font, "--audio", dir.file("noise.mp3"), "-o", dir.file("show.mp4")},
                  dir.file("noise.mp3") + " does not start like an MP3 (no ID3 tag, no MPEG audio frame))");
}

TEST(WebPageExport, FontsThatDrawNothingTrueAreRefusedBeforeAnyOutput)
{
    TempDir dir;
    const std::string anim = dir.write("anim.kvq", randomBytes(24 * kFrame, 5));
    auto psf2 = psf(2, 256);
    for (const auto& [font, cause] : std::vector<std::pair<std::string, std::string>>{
             {dir.write("empty", {}), "empty: 0 bytes is too short for a font file"},
             {dir.write("hundred", randomBytes(100, 1)), "hundred: 100 bytes is too short for a font file"},
             {dir.write("most", randomBytes(4095, 1)), "most: 4095 bytes is too short"},
             {dir.write("console.psf", psf2), "console.psf: starts like a PSF console font, not a font file"}}) {
        for (const std::string ending : {".html", ".gif"}) {
            expectRefused(dir.path(), {"export", anim, "--font", font, "-o", dir.file("out" + ending)}, cause);
        }
    }
    // All 128 glyphs the player draws are enough.
    EXPECT_EQ(
        kvq({"export", anim, "--font", dir.write("drawn", randomBytes(4096, 1)), "-o", dir.file("out.gif")}).status, 0);
}

TEST(WebPageExport, PosterTakesTheTimesThePageWrites)
{
    TempDir dir;
    const std::string anim = dir.write("anim.kvq", randomBytes(48 * kFrame, 5));
    const std::string font = dir.write("test", randomBytes(8192, 6));
    for (const auto& [poster, frame] :
         std::vector<std::pair<std::string, std::string>>{{"0:00:01", "24"}, {"0:01.5", "36"}, {"1:00:00", "47"}}) {
        const KvqRun run = kvq({"export", anim, "--font", font, "--poster", poster, "-o", dir.file("show.html")});
        ASSERT_EQ(run.status, 0) << run.err;
        const auto page = readBytes(dir.file("show.html"));
        EXPECT_NE(std::string(page.begin(), page.end()).find("\"posterFrame\":" + frame + ","), std::string::npos)
            << poster;
    }
}

TEST(WebPageExport, TemporaryFilesOfKilledRunsGoWithTheNextOutputInTheirFolder)
{
    TempDir dir;
    // A process that has ended: its id names no process until the system hands it out again.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = std::to_string(child), alive = std::to_string(::getppid());
    const std::vector<std::string> leftovers = {".show.html.kvq-" + dead + "-0", ".other.mp4.kvq-" + dead + "-3"};
    const std::vector<std::string> kept = {
        ".running.html.kvq-" + alive + "-0",  // its process may still be writing it
        "show.html.kvq-" + dead + "-0",       // not a name kvq makes: no leading dot
        ".show.html.kvq-" + dead + "-0.bak",  // nor this
        ".show.html.kvq-" + dead,             // nor this
        ".notes.kvq-x-1",
    };
    for (const auto& name : leftovers) dir.write(name, {});
    for (const auto& name : kept) dir.write(name, {1, 2, 3});
    std::filesystem::create_directory(dir.file(".folder.kvq-" + dead + "-0"));
    std::filesystem::create_symlink(dir.file(".running.html.kvq-" + alive + "-0"),
                                    dir.file(".link.kvq-" + dead + "-1"));
    const std::string anim = dir.write("anim.kvq", randomBytes(24 * kFrame, 5));
    const std::string font = dir.write("test", randomBytes(8192, 6));
    ASSERT_EQ(kvq({"export", anim, "--font", font, "-o", dir.file("page.html")}).status, 0);
    std::vector<std::string> expected = kept;
    expected.insert(expected.end(),
                    {".folder.kvq-" + dead + "-0", ".link.kvq-" + dead + "-1", "anim.kvq", "page.html", "test"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folderEntries(dir.path()), expected);
}
