// SPDX-License-Identifier: MIT
// The interpreter on its own: where it differs from ansilove on purpose (each case says what ansilove
// does), scrolling, resizing, and input made to exhaust it.
#include <gtest/gtest.h>

#include "scene/ansi_interpreter.h"
#include "scene_test_support.h"

namespace {

const std::string kEsc = "\x1b[";

// The picture of `text`: a still one, or a screen of `rows` as when typing out.
CellPicture interpreted(const std::string& text, int columns, std::optional<int> rows, bool pcboard = false)
{
    AnsiSettings settings;
    settings.columns = columns;
    settings.screen_rows = rows;
    settings.pcboard = pcboard;
    AnsiInterpreter interpreter(settings);
    interpreter.feed(bytesOf(text));
    return interpreter.picture();
}
CellPicture still(const std::string& text, int columns = 80) { return interpreted(text, columns, std::nullopt); }
CellPicture screen(const std::string& text, int rows, int columns = 80) { return interpreted(text, columns, rows); }

// ansilove goes on past the edge and loses the rest of the line; a TAB that passes the edge wraps
// at the next character, as a CUF does.
TEST(AnsiInterpreter, TabWrapsAtTheEdge)
{
    const CellPicture picture = still("abcdefgh\tx", 10);
    ASSERT_EQ(picture.rows, 2);
    EXPECT_EQ(rowText(picture, 1), "x");
}

// ansilove ignores EL; ANSI.SYS erases to the line's end in the current colours.
TEST(AnsiInterpreter, EraseLineErasesInTheCurrentBackground)
{
    const CellPicture picture = still("abcd" + kEsc + "3D" + kEsc + "44m" + kEsc + "K");
    EXPECT_EQ(rowText(picture, 0), "a");
    EXPECT_EQ(picture.at(0, 1).background, 1);
    EXPECT_EQ(picture.at(0, 79).background, 1);
    EXPECT_EQ(picture.at(0, 0).background, 0);
    const CellPicture whole = still("abcd" + kEsc + "2D" + kEsc + "2K");
    EXPECT_EQ(rowText(whole, 0), "");
    const CellPicture start = still("abcd" + kEsc + "3D" + kEsc + "1K");
    EXPECT_EQ(rowText(start, 0), "..cd");
}

// ansilove puts the cursor at row and column -1 for ESC[0;0H and loses what follows; 0 means 1.
TEST(AnsiInterpreter, ZeroCoordinatesMeanOne) { EXPECT_EQ(rowText(still("ab" + kEsc + "0;0HX"), 0), "Xb"); }

// ansilove leaves ESC[m and ESC[;m without effect; both are ESC[0m.
TEST(AnsiInterpreter, ResetWithoutAParameter)
{
    for (const std::string& reset : {kEsc + "m", kEsc + ";m"}) {
        const CellPicture picture = still(kEsc + "1;31;44m" + reset + "x");
        EXPECT_EQ(picture.at(0, 0).foreground, 7);
        EXPECT_EQ(picture.at(0, 0).background, 0);
    }
}

// ansilove ignores 22, 25, 39, 49 and 8.
TEST(AnsiInterpreter, AttributesUndoneOneByOne)
{
    const CellPicture picture = still(kEsc + "1;5;31;44ma" + kEsc + "22mb" + kEsc + "25mc" + kEsc + "39md" + kEsc +
                                      "49me" + kEsc + "0;34;47;8mf" + kEsc + "28mg");
    EXPECT_EQ(picture.at(0, 0).foreground, 12);
    EXPECT_EQ(picture.at(0, 0).flags, Cell::kBlinks);
    EXPECT_EQ(picture.at(0, 1).foreground, 4);
    EXPECT_EQ(picture.at(0, 2).flags, 0);
    EXPECT_EQ(picture.at(0, 3).foreground, 7);
    EXPECT_EQ(picture.at(0, 4).background, 0);
    EXPECT_EQ(picture.at(0, 5).foreground, 7) << "concealed: drawn in the background's colour";
    EXPECT_EQ(picture.at(0, 6).foreground, 1);
}

// ansilove adds 8 to the foreground for every SGR 1, so a second one while bold wraps back to the
// dim colour (and a second iCE blink to the dim background); bold is bold however often it is asked.
TEST(AnsiInterpreter, BoldTwiceStaysBold)
{
    const CellPicture picture = still("\x1b[1;32ma\x1b[1;41mb\x1b[1mc");
    EXPECT_EQ(picture.at(0, 0).foreground, 10);
    EXPECT_EQ(picture.at(0, 1).foreground, 10);
    EXPECT_EQ(picture.at(0, 2).foreground, 10);
}

// Reverse with bold and iCE blink brightens the swapped foreground twice and wraps past white, as
// ansilove draws it; in a file with 24-bit colours ansilove draws that overflow as a near-black
// 0x000010-0x000017 instead, where this wraps the same in every file.
TEST(AnsiInterpreter, ReverseBoldBlinkWrapsInEveryFile)
{
    AnsiSettings settings;
    settings.ice_colours = true;
    for (const std::string& prefix : {std::string(), std::string("\x1b[0;205;168;65t\x1b[0m")}) {
        AnsiInterpreter interpreter(settings);
        interpreter.feed(bytesOf(prefix + "\x1b[0;37;47;1;5;7mx"));
        const Cell cell = interpreter.picture().at(0, 0);
        EXPECT_EQ(cell.foreground, 7);
        EXPECT_EQ(cell.background, 7);
    }
}

// ansilove reads on to the next letter it knows and prints the sequence's tail; the sequence is
// skipped whole.
TEST(AnsiInterpreter, UnknownSequencesSkippedWhole)
{
    EXPECT_EQ(rowText(still("a" + kEsc + "6nb" + kEsc + "1;2Xc" + kEsc + "=5zd"), 0), "abcd");
}

// ansilove drops an '@' that begins no code; PCBoard shows it.
TEST(AnsiInterpreter, PcboardAtSignThatIsNoCode)
{
    const CellPicture picture = interpreted("me@home @X1Fx@X3", 80, std::nullopt, true);
    EXPECT_EQ(rowText(picture, 0), "me@home.x@X3") << "a code cut off by the file's end is text";
    EXPECT_EQ(picture.at(0, 8).foreground, 15);
    EXPECT_EQ(picture.at(0, 8).background, 1);
}

TEST(AnsiInterpreter, CursorPastTheWidthWrapsAtTheNextCharacter)
{
    const CellPicture picture = still("a" + kEsc + "1;99Hx", 10);
    EXPECT_EQ(rowText(picture, 1), "x");
}

TEST(AnsiInterpreter, ScreenScrollsUpAtTheLastRow)
{
    const CellPicture picture = screen("1\r\n2\r\n3\r\n4", 3);
    ASSERT_EQ(picture.rows, 3);
    EXPECT_EQ(rowText(picture, 0), "2");
    EXPECT_EQ(rowText(picture, 2), "4");
    // A wrap past the last row scrolls as well, once the next character comes.
    const CellPicture wrapped = screen("ab\r\ncdef", 2, 4);
    EXPECT_EQ(rowText(wrapped, 0), "ab");
    EXPECT_EQ(rowText(wrapped, 1), "cdef");
    const CellPicture more = screen("ab\r\ncdefg", 2, 4);
    EXPECT_EQ(rowText(more, 0), "cdef");
    EXPECT_EQ(rowText(more, 1), "g");
}

TEST(AnsiInterpreter, ScreenKeepsTheCursorOnIt)
{
    const CellPicture picture = screen("a" + kEsc + "99;3Hb" + kEsc + "999Bc", 5, 10);
    EXPECT_EQ(rowText(picture, 4), "..bc");
}

TEST(AnsiInterpreter, ResizeRequestSetsTheScreenWhenTypingOut)
{
    const CellPicture picture = screen("junk" + kEsc + "8;30;80tx", 25, 40);
    EXPECT_EQ(picture.rows, 30);
    EXPECT_EQ(picture.columns, 80);
    EXPECT_EQ(rowText(picture, 0), "x");
    // Out of range: ignored.
    EXPECT_EQ(screen(kEsc + "8;0;80tx", 25, 40).rows, 25);
    EXPECT_EQ(screen(kEsc + "8;30;1001tx", 25, 40).columns, 40);
    // Still: nothing changes.
    EXPECT_EQ(still("a" + kEsc + "8;30;80tb", 40).columns, 40);
    EXPECT_EQ(rowText(still("a" + kEsc + "8;30;80tb", 40), 0), "ab");
}

TEST(AnsiInterpreter, TwentyFourBitColoursKeptApartFromTheResize)
{
    const CellPicture picture = screen(kEsc + "1;8;30;80tx" + kEsc + "0;8;30;80ty" + kEsc + "1;8;30;80tz", 25);
    EXPECT_EQ(picture.rows, 25);
    EXPECT_EQ(picture.palette.at(picture.at(0, 0).foreground), 0x081E50u);
    EXPECT_EQ(picture.palette.at(picture.at(0, 1).background), 0x081E50u);
    EXPECT_EQ(picture.at(0, 2).foreground, picture.at(0, 0).foreground) << "one palette entry a colour";
    EXPECT_EQ(picture.palette.size(), 17u);
}

TEST(AnsiInterpreter, PaletteStaysBounded)
{
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += kEsc + "1;" + std::to_string(i % 256) + ";" + std::to_string(i / 256) + ";7tx";
    const CellPicture picture = still(text);
    EXPECT_EQ(picture.palette.size(), AnsiInterpreter::kMaxPaletteSize);
    for (const Cell& cell : picture.cells) EXPECT_LT(cell.foreground, picture.palette.size());
}

TEST(AnsiInterpreter, HugeCursorMovesStayBounded)
{
    for (const std::string& text :
         {"a" + kEsc + "999999999Bb", "a" + kEsc + "999999999;999999999Hb", "a" + kEsc + "99999999999999999999Bb"}) {
        const CellPicture picture = still(text);
        EXPECT_LE(picture.cells.size(), AnsiInterpreter::kMaxCells) << text;
        EXPECT_EQ(rowText(picture, 0).substr(0, 1), "a");
    }
    const CellPicture endless = still(std::string(6000000, '\n') + "x", 1000);
    EXPECT_LE(endless.cells.size(), AnsiInterpreter::kMaxCells) << "rows capped for endless lines";
}

TEST(AnsiInterpreter, MillionColumnLineWraps)
{
    const CellPicture picture = still(std::string(1000000, 'x'));
    EXPECT_EQ(picture.columns, 80);
    EXPECT_EQ(picture.rows, 12500);
}

TEST(AnsiInterpreter, EscapeThatNeverEndsIsGivenUp)
{
    const CellPicture picture = still("a" + kEsc + std::string(1000000, '1'));
    EXPECT_EQ(rowText(picture, 0).substr(0, 3), "a11");
    EXPECT_LE(picture.rows, 1000000 / 80 + 1);
    // Cut off by the end of the file: given up as ansilove gives it up, ESC [ and a byte dropped.
    EXPECT_EQ(rowText(still("ab" + kEsc + "1;3"), 0), "ab;3");
    EXPECT_EQ(rowText(still("ab" + kEsc), 0), "ab");
    EXPECT_EQ(rowText(still("ab\x1b"), 0), "ab");
}

TEST(AnsiInterpreter, ACopyCarriesAHalfReadSequence)
{
    AnsiSettings settings;
    AnsiInterpreter first(settings);
    first.feed(bytesOf("a\x1b[3"));
    AnsiInterpreter second = first;
    EXPECT_EQ(rowText(first.picture(), 0), "a") << "the picture so far gives the sequence up";
    second.feed(bytesOf("1mb"));
    EXPECT_EQ(second.picture().at(0, 1).foreground, 4);
    EXPECT_EQ(rowText(second.picture(), 0), "ab");
}

}  // namespace
