// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "content/frame_list.h"
#include "kvq_test_support.h"
#include "png_writer.h"
#include "render/colours.h"

namespace {

// A font where code 1 is ink on its top half, code 2 a vertical bar and code 0 blank; the rest
// are left blank too, so ties between blanks must go to code 0.
std::vector<std::uint8_t> testFont()
{
    std::vector<std::uint8_t> font(8192, 0);
    for (int row = 0; row < 8; ++row) font[static_cast<std::size_t>(1 * 32 + row)] = 0xFF;
    for (int row = 0; row < 16; ++row) font[static_cast<std::size_t>(2 * 32 + row)] = 0x18;
    return font;
}

void writePicture(const TempDir& dir, const std::string& name, const std::vector<std::uint32_t>& pixels, int width = 640,
                  int height = 480)
{
    const auto png = encodeRgbPng(pixels, width, height);
    dir.write(name, png);
}

// Picture in which cell (row, column) shows `shape`: 'p' paper, 'i' ink, 't' top half ink,
// 'b' bottom half ink, 'v' a two-pixel vertical bar.
std::vector<std::uint32_t> pictureOf(const std::function<char(int, int)>& shape)
{
    std::vector<std::uint32_t> pixels(640 * 480);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const char kind = shape(y / 16, x / 8);
            const int gy = y % 16;
            const int gx = x % 8;
            const bool ink = kind == 'i' || (kind == 't' && gy < 8) || (kind == 'b' && gy >= 8) || (kind == 'v' && (gx == 3 || gx == 4));
            pixels[static_cast<std::size_t>(y * 640 + x)] = ink ? kInkColour : kPaperColour;
        }
    }
    return pixels;
}

}  // namespace

TEST(EncodeCommand, PicturesBecomeTheCodesThatDrawThem)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "pictures");
    const std::string font = dir.write("font", testFont());
    auto shapes = [](int frame) {
        return [frame](int row, int column) {
            const char kinds[] = {'p', 'i', 't', 'b', 'v'};
            return kinds[(row + column + frame) % 5];
        };
    };
    // Name order, not the order of writing, decides the frame order.
    writePicture(dir, "pictures/b.png", pictureOf(shapes(1)));
    writePicture(dir, "pictures/a.png", pictureOf(shapes(0)));
    writePicture(dir, "pictures/c.PNG", pictureOf(shapes(2)));
    dir.write("pictures/notes.txt", {'x'});

    const KvqRun run = runKvqWith({"encode", dir.file("pictures"), "--font", font, "-o", dir.file("out")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("3 frames"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("mean PSNR 100.00 dB"), std::string::npos) << run.out;
    EXPECT_EQ(folderEntries(dir.path() / "out"), (std::vector<std::string>{"quorva2.kvq", "test"})) << "no soundtrack from pictures";
    EXPECT_EQ(readBytes(dir.file("out/test")), testFont());

    FrameList frames;
    ASSERT_EQ(frames.load(dir.file("out/quorva2.kvq").c_str()), 0);
    ASSERT_EQ(frames.size(), 3u);
    const std::uint8_t expected_code[] = {0, 128, 1, 129, 2};  // paper, solid ink, top, bottom, bar
    for (std::size_t f = 0; f < 3; ++f) {
        for (int row = 0; row < 30; ++row) {
            for (int column = 0; column < 80; ++column) {
                ASSERT_EQ(frames[f].at(row, column), expected_code[(static_cast<std::size_t>(row + column) + f) % 5])
                    << "frame " << f << " cell " << row << "," << column;
            }
        }
    }
}

TEST(EncodeCommand, SmallerPicturesAreFittedWithTheirShapeKept)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "pictures");
    // 320x120 of paper scales by 2 to 640x240: pixel rows 0-119 and 360-479 are black bars, which
    // draw as solid ink (luminance 0 is nearest to ink), with 240 rows of paper between them.
    std::vector<std::uint32_t> paper(320 * 120, kPaperColour);
    writePicture(dir, "pictures/1.png", paper, 320, 120);
    const KvqRun run = runKvqWith({"encode", dir.file("pictures"), "--font", dir.write("font", testFont()), "-o", dir.file("out")});
    ASSERT_EQ(run.status, 0) << run.err;
    FrameList frames;
    frames.load(dir.file("out/quorva2.kvq").c_str());
    ASSERT_EQ(frames.size(), 1u);
    for (int row = 0; row < 30; ++row) {
        const bool bar = row < 7 || row >= 22;  // pixel rows 120-359 are the picture: text rows 7.5-22.5
        if (row == 7 || row == 22) continue;    // half bar, half picture
        EXPECT_EQ(frames[0].at(row, 40), bar ? 128 : 0) << "row " << row;
    }
    EXPECT_EQ(frames[0].at(7, 40), 1) << "pixel rows 112-119 bar, 120-127 paper: the top-half glyph";
    EXPECT_EQ(frames[0].at(22, 40), 129) << "pixel rows 352-359 paper, 360-367 bar: its inverse";
}

TEST(EncodeCommand, BadInputsFailWithOneLineAndLeaveNothing)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "empty");
    std::filesystem::create_directory(dir.path() / "broken");
    dir.write("broken/1.png", randomBytes(500, 1));
    const std::string font = dir.write("font", testFont());

    const std::vector<std::vector<std::string>> cases = {
        {"encode", dir.file("missing.mp4"), "--font", font, "-o", dir.file("out")},
        {"encode", dir.file("empty"), "--font", font, "-o", dir.file("out")},
        {"encode", dir.file("broken"), "--font", font, "-o", dir.file("out")},
        {"encode", dir.file("empty"), "--font", dir.file("no-font"), "-o", dir.file("out")},
    };
    for (const auto& arguments : cases) {
        const KvqRun run = runKvqWith(arguments);
        EXPECT_EQ(run.status, 1) << arguments[1];
        EXPECT_TRUE(isOneLine(run.err)) << run.err;
        if (std::filesystem::exists(dir.path() / "out")) {
            EXPECT_TRUE(folderEntries(dir.path() / "out").empty()) << arguments[1];
        }
    }
    const KvqRun usage = runKvqWith({"encode", dir.file("empty"), "--threads", "0", "-o", dir.file("out")});
    EXPECT_EQ(usage.status, 2);
}
