// SPDX-License-Identifier: MIT
#include "scene/ansi_typing.h"

#include <gtest/gtest.h>

#include "scene/ansi_interpreter.h"
#include "scene/scene_piece.h"
#include "scene_test_support.h"

namespace {

const std::string kEsc = "\x1b[";

ScenePiece pieceOf(const std::string& text, const std::string& name = "p.ans")
{
    return readScenePiece(bytesOf(text), name, SceneOptions{});
}

// A one-screen piece with colours, cursor moves, a clear and a long sequence or two.
std::string oneScreenPiece()
{
    std::string text = kEsc + "2J" + kEsc + "1;33;44m  Typed out  " + kEsc + "0m\r\n";
    for (int row = 0; row < 18; ++row) {
        text += kEsc + std::to_string(31 + row % 7) + "m";
        for (int i = 0; i < 20 + row; ++i) text += static_cast<char>(0xB0 + (row + i) % 4);
        text +=
            kEsc + "5C" + kEsc + "1;" + std::to_string(40 + row % 8) + "mrow " + std::to_string(row) + kEsc + "0m\r\n";
    }
    text += kEsc + "5;60H" + kEsc + "7mthere" + kEsc + "s" + kEsc + "20;1Hback" + kEsc + "u!" + kEsc + "0m";
    return text;
}

TEST(AnsiTyping, BytesArriveAtTheLinesSpeed)
{
    EXPECT_EQ(AnsiTyping::bytesAtFrame(0, 9600), 0u);
    EXPECT_EQ(AnsiTyping::bytesAtFrame(1, 9600), 40u);
    EXPECT_EQ(AnsiTyping::bytesAtFrame(24, 2400), 240u);
    EXPECT_EQ(AnsiTyping::bytesAtFrame(1, 300), 1u);  // 1.25
    EXPECT_EQ(AnsiTyping::bytesAtFrame(3, 300), 3u);  // 3.75
    EXPECT_EQ(AnsiTyping::bytesAtFrame(4, 300), 5u);
    EXPECT_EQ(AnsiTyping::bytesAtFrame(1'000'000'000'000ull, 115200), 480'000'000'000'000ull);
    for (const int baud : {300, 1200, 2400, 9600, 14400, 28800, 57600}) {
        for (const std::uint64_t bytes : {0ull, 1ull, 39ull, 40ull, 41ull, 4729ull, 123457ull}) {
            const std::uint64_t frames = AnsiTyping::framesFor(bytes, baud);
            ASSERT_GE(frames, 1u);
            EXPECT_GE(AnsiTyping::bytesAtFrame(frames - 1, baud), bytes) << baud << " " << bytes;
            if (frames >= 2) {
                EXPECT_LT(AnsiTyping::bytesAtFrame(frames - 2, baud), bytes) << baud << " " << bytes;
            }
        }
    }
}

TEST(AnsiTyping, ArtEndsAtSub)
{
    const ScenePiece piece = pieceOf("abc\032def");  // 032: SUB, in octal
    AnsiTyping typing(piece);
    EXPECT_EQ(typing.byteCount(), 3u);
    EXPECT_EQ(rowText(typing.screenAfter(1000), 0), "abc");
}

// Any order of calls gives the same screens: checkpoints and the copy carried forward agree.
TEST(AnsiTyping, RandomAccessAgreesWithTypingInOrder)
{
    std::string text;
    for (int i = 0; i < 600; ++i)
        text +=
            kEsc + std::to_string(30 + i % 8) + "mline " + std::to_string(i) + " " + std::string(i % 70, '#') + "\r\n";
    const ScenePiece piece = pieceOf(text);
    AnsiTyping in_order(piece);
    std::vector<CellPicture> screens;
    std::vector<std::uint64_t> positions;
    for (std::uint64_t bytes = 0; bytes <= in_order.byteCount(); bytes += 997) {
        positions.push_back(bytes);
        screens.push_back(in_order.screenAfter(bytes));
    }
    AnsiTyping backwards(piece);
    for (std::size_t i = positions.size(); i-- > 0;)
        ASSERT_EQ(backwards.screenAfter(positions[i]).cells, screens[i].cells) << positions[i];
    AnsiTyping jumping(piece);
    for (std::size_t i = 0; i < positions.size(); i += 3) {
        const std::size_t j = positions.size() - 1 - i;
        ASSERT_EQ(jumping.screenAfter(positions[j]).cells, screens[j].cells);
        ASSERT_EQ(jumping.screenAfter(positions[i]).cells, screens[i].cells);
    }
}

// Line feeds past the last row scroll the screen up. The one after the last row is owed until a byte
// needs the row (text, a line feed, a cursor move; not a colour), so that a piece of one screen that
// ends in CR LF is seen whole at its end.
TEST(AnsiTyping, ScrollsAsTheLinesPassTheLastRow)
{
    std::string lines;
    for (int i = 0; i < 30; ++i) lines += "line " + std::to_string(i) + "\r\n";
    for (const std::string& colour_then : {std::string("end"), kEsc + "1m" + kEsc + "1;1He"}) {
        const std::string text = lines + colour_then;
        AnsiTyping typing(pieceOf(text));
        const CellPicture& ended = typing.screenAfter(lines.size() + (colour_then[0] == 'e' ? 0 : 4));
        EXPECT_EQ(rowText(ended, 24), "line.29") << colour_then;
        EXPECT_EQ(rowText(ended, 0), "line.5") << colour_then;
        const CellPicture& paid = typing.screenAfter(text.size());
        EXPECT_EQ(rowText(paid, 23), "line.29") << colour_then;
        EXPECT_EQ(rowText(paid, 0), colour_then[0] == 'e' ? "line.6" : "eine.6") << colour_then;
    }
}

TEST(AnsiTyping, CursorPositionAddressesTheScreen)
{
    std::string text;
    for (int i = 0; i < 40; ++i) text += "x\r\n";
    text += kEsc + "1;1Htop" + kEsc + "99;1Hbottom";
    AnsiTyping typing(pieceOf(text));
    const CellPicture& screen = typing.screenAfter(typing.byteCount());
    EXPECT_EQ(rowText(screen, 0), "top");
    EXPECT_EQ(rowText(screen, 24), "bottom");
}

TEST(AnsiTyping, OwnAnimationsResizeTheScreen)
{
    AnsiTyping typing(pieceOf(kEsc + "8;30;80t" + kEsc + "30;80Hz"));
    const CellPicture& screen = typing.screenAfter(typing.byteCount());
    EXPECT_EQ(screen.rows, 30);
    EXPECT_EQ(screen.at(29, 79).code, 'z');
}

TEST(AnsiTyping, PieceWidthIsTheScreensWidth)
{
    SceneOptions options;
    options.columns = 40;
    AnsiTyping typing(readScenePiece(bytesOf(std::string(50, 'w')), "w.ans", options));
    const CellPicture& screen = typing.screenAfter(typing.byteCount());
    EXPECT_EQ(screen.columns, 40);
    EXPECT_EQ(rowText(screen, 1), std::string(10, 'w'));
}

// At 9600 baud, frame n's screen is ansilove's render of the bytes received by then, while the piece
// fits one screen.
void expectTypedAsAnsiloveDraws(const std::string& text)
{
    const CellFont font = ansiloveFont(16);
    const ScenePiece piece = pieceOf(text);
    AnsiTyping typing(piece);
    TempDir dir;
    const std::uint64_t frames = AnsiTyping::framesFor(typing.byteCount(), 9600);
    for (std::uint64_t frame = 1; frame < frames; ++frame) {
        const std::uint64_t bytes = AnsiTyping::bytesAtFrame(frame, 9600);
        AnsiInterpreter still(AnsiSettings{});
        still.feed(bytesOf(text.substr(0, bytes)));
        if (still.picture().rows > AnsiTyping::kScreenRows) return;  // no longer one screen
        const std::string path = dir.write("typed.ans", bytesOf(text.substr(0, bytes)));
        const ReferencePicture reference = ansiloveRender(path, AnsiloveOptions{});
        // Below ansilove's picture, the screen is empty.
        ASSERT_TRUE(samePixels(drawnPicture(typing.screenAfter(bytes), font, 8), reference, 8, 16,
                               AnsiTyping::kScreenRows * 16 - reference.height))
            << "frame " << frame;
    }
}

TEST(AnsiTypingAnsilove, ScreenAtNineThousandSixHundredBaud)
{
    if (!ansiloveInstalled()) GTEST_SKIP() << "ansilove is not installed";
    expectTypedAsAnsiloveDraws(oneScreenPiece());
}

// A cell that blinks while typing goes on and is written over before the end still makes the
// typed-out piece blink; a colour that is only asked for and never drawn does not.
TEST(AnsiTyping, EverBlinksCountsCellsWrittenOverSince)
{
    EXPECT_TRUE(AnsiTyping(pieceOf(kEsc + "5mx" + kEsc + "0m" + kEsc + "1;1Hy")).everBlinks());
    EXPECT_FALSE(AnsiTyping(pieceOf(kEsc + "5m" + kEsc + "0mx")).everBlinks());
}

}  // namespace
