// SPDX-License-Identifier: MIT
#include <random>

#include "kvq/export/ansi_writer.h"
#include "kvq/files/cell_font_file.h"
#include "render/cell_drawing.h"
#include "render/colours.h"
#include "scene/ansi_typing.h"
#include "scene/scene_piece.h"
#include "support/ansilove_reference.h"
#include "support/kvq_test_support.h"

namespace {

constexpr int kCorner = TextFrame::kCells - 1;

// A font file whose glyphs all differ, but for the codes a terminal cannot draw: LF's glyph is A's,
// CR's the inverse of B's, so both have exact stand-ins; ESC's matches nothing.
std::vector<std::uint8_t> fontFile()
{
    std::vector<std::uint8_t> font(8192, 0);
    std::mt19937 random(7);
    for (std::size_t code = 0; code < 128; ++code)
        for (std::size_t y = 0; y < 16; ++y) font[code * 32 + y] = static_cast<std::uint8_t>(random());
    for (std::size_t y = 0; y < 16; ++y) {
        font[0x0A * 32 + y] = font['A' * 32 + y];
        font[0x0D * 32 + y] = static_cast<std::uint8_t>(~font['B' * 32 + y]);
    }
    return font;
}

// Frames that start busy and then change a few cells at a time, some not at all, with inverse codes
// and the codes a terminal cannot draw among them.
std::vector<TextFrame> animation(int count, int changes, std::uint32_t seed, std::uint8_t first_codes = 0xFF)
{
    std::mt19937 random(seed);
    std::vector<TextFrame> frames;
    TextFrame frame;
    for (auto& cell : frame.cells) cell = static_cast<std::uint8_t>(random() & first_codes);
    frame.cells[0] = 0x0A, frame.cells[1] = 0x8D, frame.cells[2] = 0x1B, frame.cells[kCorner] = 0x41;
    for (int i = 0; i < count; ++i) {
        if (i > 0 && i % 5 != 3) {
            for (int c = 0; c < changes; ++c)
                frame.cells[random() % TextFrame::kCells] = static_cast<std::uint8_t>(random());
        }
        frames.push_back(frame);
    }
    return frames;
}

struct Written {
    std::vector<std::uint8_t> file;
    std::vector<std::uint64_t> ends;
    std::unique_ptr<AnsimationWriter> writer;
};

Written write(const std::vector<TextFrame>& frames, const GlyphTable& glyphs, std::optional<int> baud)
{
    Written written;
    written.writer = std::make_unique<AnsimationWriter>(glyphs, baud);
    for (const TextFrame& frame : frames) written.writer->addFrame(frame);
    written.file = written.writer->finish("show.kvq", "20261208");
    written.ends = written.writer->frameEnds();
    return written;
}

// Cells of the typed-out screen that do not show what the player shows of `frame`, pixel for pixel
// (ink as black, paper as light grey); the corner and the cells sent as a near glyph are left out
// unless asked for.
int wrongCells(const CellPicture& screen, const CellFont& font, const TextFrame& frame, const GlyphTable& glyphs,
               const AnsimationWriter& writer, bool corner = false)
{
    EXPECT_EQ(screen.columns, 80);
    EXPECT_EQ(screen.rows, 30);
    if (screen.columns != 80 || screen.rows != 30) return TextFrame::kCells;
    std::vector<std::uint32_t> pixels(640 * 480);
    drawCells(screen, font, CellLayout{}, RenderTarget{reinterpret_cast<std::uint8_t*>(pixels.data()), 640 * 4});
    int wrong = 0;
    for (int cell = 0; cell < TextFrame::kCells; ++cell) {
        const std::uint8_t code = frame.cells[static_cast<std::size_t>(cell)];
        if ((cell == kCorner && !corner) || !writer.sentFor(code).exact) continue;
        bool same = true;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 8; ++x) {
                const std::uint32_t want = isInk(glyphs[code], x, y) ? kVgaPalette[AnsimationWriter::kInkColour]
                                                                     : kVgaPalette[AnsimationWriter::kPaperColour];
                same = same && pixels[static_cast<std::size_t>((cell / 80 * 16 + y) * 640 + cell % 80 * 8 + x)] == want;
            }
        wrong += same ? 0 : 1;
    }
    return wrong;
}

TEST(AnsimationWriter, TypedOutTheScreenPassesThroughEveryFrameInOrder)
{
    const GlyphTable glyphs = glyphsOf(fontFile());
    const CellFont font = cellFontOf(glyphs);
    const std::vector<TextFrame> frames = animation(40, 30, 1);
    const Written written = write(frames, glyphs, 2400);
    const ScenePiece piece = readScenePiece(written.file, "show.ans", {});
    AnsiTyping typing(piece);
    for (std::size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(wrongCells(typing.screenAfter(written.ends[i]), font, frames[i], glyphs, *written.writer), 0)
            << "frame " << i;
    // At 2400 baud the busy first frame arrives seconds late, and those after it later still.
    EXPECT_GT(written.ends[1], AnsiTyping::bytesAtFrame(1, 2400));
    // The corner as well, once all has arrived.
    EXPECT_EQ(wrongCells(typing.screenAfter(typing.byteCount()), font, frames.back(), glyphs, *written.writer, true),
              0);
    // LF's and CR's glyphs have exact stand-ins; ESC's has a near one.
    EXPECT_EQ(written.writer->sentFor(0x0A).code, 'A');
    EXPECT_EQ(written.writer->sentFor(0x8D).code, 'B');
    EXPECT_FALSE(written.writer->sentFor(0x8D).reversed);
    EXPECT_FALSE(written.writer->sentFor(0x1B).exact);
    EXPECT_GT(written.writer->nearCells(), 0u);
}

TEST(AnsimationWriter, FramesOnTimeAtTheBaudAndUnchangedFramesSendNothing)
{
    const GlyphTable glyphs = glyphsOf(fontFile());
    const CellFont font = cellFontOf(glyphs);
    constexpr int kBaud = 38400;
    // A first frame without inverse codes, one colour throughout, arrives within a second.
    const std::vector<TextFrame> frames = animation(120, 3, 2, 0x7F);
    const Written written = write(frames, glyphs, kBaud);
    AnsiTyping typing(readScenePiece(written.file, "show.ans", {}));
    int on_time = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (i % 5 == 3) {
            EXPECT_EQ(written.ends[i], written.ends[i - 1]) << "frame " << i;
        }
        if (written.ends[i] > AnsiTyping::bytesAtFrame(i, kBaud)) continue;
        ++on_time;
        EXPECT_EQ(wrongCells(typing.screenAfter(AnsiTyping::bytesAtFrame(i, kBaud)), font, frames[i], glyphs,
                             *written.writer),
                  0)
            << "frame " << i;
    }
    EXPECT_GT(on_time, 80);
}

int nearestVgaColour(std::uint32_t rgb)
{
    const auto distance = [rgb](std::uint32_t other) {
        int sum = 0;
        for (int shift : {16, 8, 0}) {
            const int d = int((rgb >> shift) & 0xFF) - int((other >> shift) & 0xFF);
            sum += d * d;
        }
        return sum;
    };
    int best = 0;
    for (int i = 1; i < 16; ++i) best = distance(kVgaPalette[i]) < distance(kVgaPalette[best]) ? i : best;
    return best;
}

TEST(AnsimationWriter, InkAndPaperAreTheNearestVgaColours)
{
    EXPECT_EQ(AnsimationWriter::kInkColour, nearestVgaColour(kInkColour));
    EXPECT_EQ(AnsimationWriter::kPaperColour, nearestVgaColour(kPaperColour));
}

TEST(AnsimationWriter, SauceRecordSaysWhatItIs)
{
    const Written written = write(animation(3, 5, 3), glyphsOf(fontFile()), 9600);
    const SauceSplit split = splitSauce(written.file);
    ASSERT_TRUE(split.record.has_value());
    EXPECT_EQ(split.record->title, "show.kvq");
    EXPECT_EQ(split.record->date, "20261208");
    EXPECT_EQ(split.record->data_type, 1);
    EXPECT_EQ(split.record->file_type, 2);
    EXPECT_EQ(split.record->info1, 80);
    EXPECT_EQ(split.record->info2, 30);
    EXPECT_EQ(split.record->file_size, split.art_size);
    ASSERT_EQ(split.record->comments.size(), 1u);
    EXPECT_NE(split.record->comments[0].find("9600 baud"), std::string::npos);
    const std::string start(written.file.begin(), written.file.begin() + 10);
    EXPECT_EQ(start, "\x1b[8;30;80t");
}

// ansilove draws the whole file as one still picture, which is the last frame; the screen size it
// is asked for first changes nothing there.
TEST(AnsimationWriter, AnsiloveDrawsTheLastFrame)
{
    if (!ansiloveInstalled()) GTEST_SKIP() << "ansilove is not installed";
    const GlyphTable glyphs = glyphsOf(fontFile());
    const std::vector<TextFrame> frames = animation(12, 40, 4);
    const Written written = write(frames, glyphs, 9600);
    TempDir dir;
    const ReferencePicture reference = ansiloveRender(dir.write("show.ans", written.file), {});
    CellPicture expected;
    expected.rows = 30;
    for (const std::uint8_t code : frames.back().cells) {
        const AnsimationWriter::Sent& sent = written.writer->sentFor(code);
        const int ink = AnsimationWriter::kInkColour, paper = AnsimationWriter::kPaperColour;
        expected.cells.push_back(
            Cell{sent.code, std::uint16_t(sent.reversed ? paper : ink), std::uint16_t(sent.reversed ? ink : paper), 0});
    }
    EXPECT_TRUE(samePixels(drawnPicture(expected, ansiloveFont(16), 8), reference));
}

TEST(AnsimationExport, CommandWritesTheFileAndRefusesWhatDoesNotFit)
{
    TempDir dir;
    const std::string frames = dir.file("show.kvq");
    {
        std::vector<std::uint8_t> bytes;
        for (const TextFrame& frame : animation(5, 10, 5))
            bytes.insert(bytes.end(), frame.cells.begin(), frame.cells.end());
        dir.write("show.kvq", bytes);
        dir.write("font", fontFile());
    }
    const KvqRun run =
        kvq({"export", frames, "--font", dir.file("font"), "--baud", "9600", "-o", dir.file("show.ans")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("5 frames as an ANSImation"), std::string::npos) << run.out;
    const std::vector<std::uint8_t> written = readBytes(dir.file("show.ans"));
    EXPECT_EQ(readScenePiece(written, "show.ans", {}).format, SceneFormat::ansi);
    expectRefused(dir.path(), {"export", frames, "--baud", "0", "-o", dir.file("other.ans")}, "--baud", 2);
    expectRefused(dir.path(), {"export", frames, "--audio", frames, "-o", dir.file("other.ans")}, "--audio", 2);
    expectRefused(dir.path(), {"export", dir.file("missing.kvq"), "-o", dir.file("other.ans")}, "missing.kvq");
    expectRefused(dir.path(), {"export", dir.file("show.ans"), "-o", dir.file("other.ans")}, "not a frame file");
}

}  // namespace
