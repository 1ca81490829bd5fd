// SPDX-License-Identifier: MIT
// Our still renders against Debian's ansilove, pixel for pixel, with its own fonts: a file for each
// escape sequence and feature (kvq render's tests hold the pieces its package brings as examples).
#include <gtest/gtest.h>

#include "scene/scene_piece.h"
#include "scene/text_readers.h"
#include "scene_test_support.h"

namespace {

struct MatchCase {
    const char* name;
    std::string bytes;
    const char* extension = "ans";
    int columns = 0;  // -c, and ours
    bool ice = false;
    int bits = 8;
    int font_height = 16;
};

std::ostream& operator<<(std::ostream& out, const MatchCase& match) { return out << match.name; }

const CellFont& fontOfHeight(int height)
{
    static const CellFont tall = ansiloveFont(16);
    static const CellFont short_font = ansiloveFont(8);
    return height == 8 ? short_font : tall;
}

::testing::AssertionResult matchesAnsilove(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                           const AnsiloveOptions& theirs, const SceneOptions& ours, int font_height)
{
    const ScenePiece piece = readScenePiece(bytes, path, ours);
    const CellFont& font = fontOfHeight(font_height);
    return samePixels(drawnPicture(piece.picture, font, piece.letter_spacing), ansiloveRender(path, theirs),
                      piece.letter_spacing, font.height);
}

class AnsiloveMatch : public ::testing::TestWithParam<MatchCase> {
protected:
    void SetUp() override
    {
        if (!ansiloveInstalled()) GTEST_SKIP() << "ansilove is not installed";
    }
};

TEST_P(AnsiloveMatch, SameStillPicture)
{
    const MatchCase& match = GetParam();
    TempDir dir;
    const std::string path = dir.write(std::string("piece.") + match.extension, bytesOf(match.bytes));
    AnsiloveOptions theirs{match.columns, match.ice, match.bits, match.font_height == 8 ? "80x50" : "", ""};
    SceneOptions ours;
    if (match.columns > 0) ours.columns = match.columns;
    ours.ice_colours = match.ice;
    ours.letter_spacing = match.bits;
    EXPECT_TRUE(matchesAnsilove(path, bytesOf(match.bytes), theirs, ours, match.font_height));
}

const std::string kEsc = "\x1b[";

// Every code but the ones that move the cursor or end the art, in colours, for the font and the
// ninth column.
std::string allCodes()
{
    std::string text = kEsc + "1;33;44m";
    for (int code = 0; code < 256; ++code) {
        if (code == 0x0A || code == 0x0D || code == 0x09 || code == 0x1A || code == 0x1B) continue;
        text += static_cast<char>(code);
    }
    return text;
}

std::string allColours()
{
    std::string text;
    for (int back = 40; back <= 47; ++back) {
        for (int fore = 30; fore <= 37; ++fore) {
            text += kEsc + "0;" + std::to_string(fore) + ";" + std::to_string(back) + "mA";
            text += kEsc + "1mB" + kEsc + "5mC" + kEsc + "7mD" + kEsc + "0;" + std::to_string(fore) + ";" +
                    std::to_string(back) + ";5;7mE";
        }
        text += "\r\n";
    }
    return text;
}

const MatchCase kCases[] = {
    {"PlainText", "Hello, world!"},
    {"CrLfLines", "one\r\ntwo\r\n\r\nfour"},
    {"LineFeedAlone", "one\ntwo\n\nfour"},
    {"CarriageReturnAlone", "one\rtwo\n\rthree\r\r\nfour"},
    {"Tabs", "\tone\ttwo\r\n\t\tthree\r\n" + kEsc + "6C\t" + kEsc + "47;30m\tfour"},
    {"LineOfTheWidthThenCrLf", "0123456789\r\nnext", "ans", 10},
    {"LongLineWraps", "0123456789abcdefghijklmnopqrstuvwxyz", "ans", 10},
    {"SubEndsTheArt", "before\032after"},
    {"ClearScreenHomesAndForgets", "one\r\ntwo\r\nthree" + kEsc + "2Jx\r\n\r\ny"},
    {"CursorPosition", "a" + kEsc + "5;3Hb" + kEsc + "2;7fc" + kEsc + "Hd" + kEsc + ";4He" + kEsc + "3Hf"},
    {"CursorUpPastTheTop", "ab\r\ncd" + kEsc + "5Ae"},
    {"CursorDown", "ab" + kEsc + "3Bc" + kEsc + "Bd"},
    {"CursorForwardToTheEdgeWraps", "a" + kEsc + "8Cb" + kEsc + "Cc" + kEsc + "20Cd", "ans", 10},
    {"CursorBackPastTheLeft", "abcdef" + kEsc + "3Dx" + kEsc + "99Dy" + kEsc + "Dz"},
    {"SaveAndRestore", "ab" + kEsc + "s\r\n\r\ncd" + kEsc + "ue" + kEsc + "uf"},
    {"Colours", allColours(), "ans", 40},
    {"ColoursIce", allColours(), "ans", 40, true},
    {"BoldReverseBlinkApartAndUndone",
     kEsc + "1;31mA" + kEsc + "7mB" + kEsc + "27mC" + kEsc + "0;5;32;44mD" + kEsc + "1;7mE" + kEsc + "0mF"},
    {"PrivateSequencesSkipped", "a" + kEsc + "?7hb" + kEsc + "?33hc" + kEsc + "?25ld"},
    {"OverlongSequenceGivenUp", "a" + kEsc + "11111111111111mb" + kEsc + "1111111111111mc"},
    {"LoneEscapeDropped", "a\x1bxb\x1b\x1b[31mc"},
    {"OtherBytesInsideASequence", "a" + kEsc + "1\x10;31mb" + kEsc + "\x10mc"},
    {"PabloDrawColours", "a" + kEsc + "1;255;128;0tb" + kEsc + "0;0;64;128tc" + kEsc + "0md" + kEsc + "1;31me"},
    {"PabloDrawColoursGiveWay", "a" + kEsc + "1;200;0;0tb" + kEsc + "1mc" + kEsc + "0;0;0;200td" + kEsc + "7me" + kEsc +
                                    "0m" + kEsc + "1;200;0;0t" + kEsc + "7mf" + kEsc + "0m" + kEsc + "0;0;200;0t" +
                                    kEsc + "5mg" + kEsc + "31mh" + kEsc + "44mi"},
    {"PabloDrawColoursGiveWayIce", "a" + kEsc + "0;0;200;0t" + kEsc + "5mg" + kEsc + "31mh" + kEsc + "44mi", "ans", 0,
     true},
    {"ResizeRequestChangesNothingStill", "a" + kEsc + "8;30;80tb\r\nc"},
    {"TrailingEmptyLinesAreNotDrawn", "a\r\n\r\n\r\n" + kEsc + "5B"},
    {"TrailingBlankIsDrawn", "a\r\n\r\n\r\n "},
    {"Codes", allCodes(), "ans", 32},
    {"CodesNinthColumn", allCodes(), "ans", 32, false, 9},
    {"CodesEightByEight", allCodes(), "ans", 32, false, 8, 8},
    {"Wide", std::string(200, 'w') + "\r\n" + kEsc + "1;160Hx", "ans", 160},
    {"DizAsWideAsItsLines", "short\r\nlonger line\r\nx" + kEsc + "40C\r\n", "diz"},
    {"DizCursorMovesAndSpaces", "ab   \r\nc" + kEsc + "20Cd\r\n", "diz"},
    {"DizWrappedFirst", "abc\r\nlonger line here and on", "diz", 16},
    {"DizLongLine", std::string(91, 'L') + "\r\n", "DIZ"},
    {"PlainTextFile", "A plain .nfo\r\n  with some lines\r\n", "nfo"},
    {"PcboardColours", "a@X1Fb@X4Ec@X8Fd@X0Fe\r\nf@X2Ag", "pcb"},
    {"PcboardClear", "one\r\ntwo@X1F@CLS@three", "pcb"},
    {"PcboardWrapsBeforeTheNextCharacter", "0123456789\nx", "pcb", 10},
    {"PcboardShowsEscape", "a\x1b[31mb", "pcb"},
};

INSTANTIATE_TEST_SUITE_P(Sequences, AnsiloveMatch, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<MatchCase>& info) { return info.param.name; });

}  // namespace
