// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/text_painter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <random>

#include "content/glyph_table.h"
#include "kvq/demo/demo_animation.h"
#include "kvq/files/cell_font_file.h"
#include "kvq/font/cp437_font.h"
#include "kvq/font/default_font.h"
#include "kvq/play/terminal/cp437_unicode.h"
#include "kvq/play/terminal/glyph_characters.h"
#include "support/terminal_screen.h"

namespace {

using Screen = TerminalScreen;
constexpr char32_t kBlock = 0x2588, kUpper = 0x2580, kLower = 0x2584;

// What a cell looks like, whichever of the equivalent ways it was sent: a full block is a space in its
// ink, a lower half block the upper one with its colours swapped, and a space's ink never shows.
Screen::Cell appearance(char32_t character, int ink, int paper)
{
    if (character == kBlock) character = U' ', paper = ink;
    if (character == kLower) character = kUpper, std::swap(ink, paper);
    if (character == U' ') ink = Screen::kDefault;
    return {character, ink, paper, false};
}
Screen::Cell appearance(const Screen::Cell& cell) { return appearance(cell.character, cell.ink, cell.paper); }

// A small set of characters for the painter's codes, with inverse ones and each of the inverse pairs.
const std::vector<GlyphCharacter> kCharacters = {
    {U' ', false},  {U'A', false},      {U'A', true},       {kBlock, false}, {kUpper, false},
    {kLower, true}, {U'\u00e9', false}, {U'\u263a', false}, {U' ', true},
};

CellPicture randomPicture(std::mt19937& random, int columns, int rows, int colours)
{
    CellPicture picture;
    picture.columns = columns;
    picture.rows = rows;
    picture.palette.resize(static_cast<std::size_t>(colours));
    for (auto& colour : picture.palette) colour = random() & 0xFFFFFF;
    picture.cells.resize(static_cast<std::size_t>(columns * rows));
    for (Cell& cell : picture.cells) {
        cell.code = static_cast<std::uint16_t>(random() % kCharacters.size());
        cell.foreground = static_cast<std::uint16_t>(random() % colours);
        cell.background = static_cast<std::uint16_t>(random() % colours);
        cell.flags = random() % 8 == 0 ? Cell::kBlinks : 0;
    }
    return picture;
}

// Some cells of the picture changed, as from one frame of an animation to the next.
void change(std::mt19937& random, CellPicture& picture, int cells)
{
    for (int i = 0; i < cells; ++i) {
        Cell& cell = picture.cells[random() % picture.cells.size()];
        cell.code = static_cast<std::uint16_t>(random() % kCharacters.size());
        cell.foreground = static_cast<std::uint16_t>(random() % picture.palette.size());
    }
}

// What the terminal should show: the picture's view centred above the last row, the rest blank.
void expectShows(const Screen& screen, const CellPicture& picture, int top_row, bool blink_lit,
                 const std::function<int(std::uint32_t)>& colour, const std::string& context,
                 const std::vector<GlyphCharacter>& characters = kCharacters)
{
    const int view_rows = std::min(picture.rows, screen.rows() - 1);
    const int view_columns = std::min(picture.columns, screen.columns());
    const int top = (screen.rows() - 1 - view_rows) / 2, left = (screen.columns() - view_columns) / 2;
    const int first = (picture.columns - view_columns) / 2;
    int wrong = 0;
    for (int row = 0; row < screen.rows() - 1; ++row) {
        for (int column = 0; column < screen.columns(); ++column) {
            Screen::Cell want = appearance(U' ', Screen::kDefault, Screen::kDefault);
            if (row >= top && row < top + view_rows && column >= left && column < left + view_columns) {
                const Cell& cell = picture.at(top_row + row - top, first + column - left);
                const GlyphCharacter glyph = characters[cell.code];
                int ink = colour(picture.palette[cell.foreground]), paper = colour(picture.palette[cell.background]);
                if (glyph.inverse) std::swap(ink, paper);
                want = (cell.flags & Cell::kBlinks) && !blink_lit
                           ? appearance(U' ', 0, colour(picture.palette[cell.background]))
                           : appearance(glyph.character, ink, paper);
            }
            if (appearance(screen.at(row, column)) != want && wrong++ < 3) {
                ADD_FAILURE() << context << ": cell " << row << "," << column << " shows U+" << std::hex
                              << static_cast<std::uint32_t>(screen.at(row, column).character) << " in "
                              << screen.at(row, column).ink << "/" << screen.at(row, column).paper << ", wanted U+"
                              << static_cast<std::uint32_t>(want.character) << " in " << want.ink << "/" << want.paper;
            }
        }
    }
    EXPECT_EQ(screen.unknown(), std::vector<std::string>()) << context;
    EXPECT_EQ(screen.scrolls(), 0) << context;
}

int direct(std::uint32_t rgb) { return static_cast<int>(rgb); }

std::string rowText(const Screen& screen, int row)
{
    std::string text;
    for (int column = 0; column < screen.columns(); ++column) appendUtf8(text, screen.at(row, column).character);
    return text;
}

}  // namespace

TEST(TextPainter, TheTerminalShowsEachFrameOfAnAnimationSendingOnlyWhatChanged)
{
    std::mt19937 random(28);
    for (const bool narrow : {false, true}) {
        // A picture that fits with margins round it, or one cut at both sides and seen through a view.
        Screen screen(narrow ? 9 : 23, narrow ? 6 : 12);
        TextPainter painter(kCharacters, TextColours::direct);
        CellPicture picture = randomPicture(random, 14, 8, 5);
        painter.layOut({screen.columns(), screen.rows(), 0, 0}, picture.columns, picture.rows);
        EXPECT_EQ(painter.viewRows(), narrow ? 5 : 8);
        EXPECT_EQ(painter.notice().empty(), !narrow) << painter.notice();
        for (int frame = 0; frame < 40; ++frame) {
            const int changed = frame % 5 == 4 ? 0 : 1 + static_cast<int>(random() % 20);
            change(random, picture, changed);
            const bool lit = frame % 7 < 4;
            const int top_row = narrow ? frame % 4 : 0;
            const std::string bytes = painter.paint(picture, top_row, lit, {});
            screen.feed(bytes);
            expectShows(screen, picture, top_row, lit, direct, "frame " + std::to_string(frame));
            if (frame > 0 && changed == 0 && frame % 7 != 4 && frame % 7 != 0 && !narrow) {
                EXPECT_EQ(bytes, "") << "frame " << frame << " is the one before it again";
            }
        }
    }
}

TEST(TextPainter, SendsOneChangedCellInAFewBytesAndAFrameAgainInNone)
{
    Screen screen(30, 10);
    TextPainter painter(kCharacters, TextColours::direct);
    CellPicture picture;
    picture.columns = 20, picture.rows = 6;
    picture.palette = {0xE8CCA0, 0x171410};
    picture.cells.assign(120, Cell{1, 1, 0, 0});
    painter.layOut({30, 10, 0, 0}, 20, 6);
    const std::string first = painter.paint(picture, 0, true, {});
    screen.feed(first);
    EXPECT_LE(first.size(), 200u) << "one set of colours for the whole picture";
    EXPECT_EQ(painter.paint(picture, 0, true, {}), "");
    picture.at(3, 7).code = 6;
    const std::string one = painter.paint(picture, 0, true, {});
    screen.feed(one);
    EXPECT_LE(one.size(), 10u) << "a cursor move and one character";
    picture.at(3, 9).code = 7;
    picture.at(3, 10).code = 3;  // the ink as a full block: no colour to change
    const std::string two = painter.paint(picture, 0, true, {});
    screen.feed(two);
    EXPECT_LE(two.size(), 16u);
    expectShows(screen, picture, 0, true, direct, "after changes");
    picture.at(4, 2).code = 2;  // ink and paper swapped: reverse video rather than both colours again
    const std::string inverse = painter.paint(picture, 0, true, {});
    screen.feed(inverse);
    EXPECT_LE(inverse.size(), 12u);
    expectShows(screen, picture, 0, true, direct, "an inverse cell");
}

TEST(TextPainter, ForgettingSendsEverythingAgain)
{
    std::mt19937 random(5);
    TextPainter painter(kCharacters, TextColours::direct);
    const CellPicture picture = randomPicture(random, 10, 4, 3);
    painter.layOut({16, 7, 0, 0}, 10, 4);
    painter.paint(picture, 0, true, {});
    painter.forget();
    // A screen full of something else: all of it must be drawn again.
    Screen screen(16, 7, {U'x', 0x123456, 0x654321, false});
    screen.feed(painter.paint(picture, 0, true, {}));
    expectShows(screen, picture, 0, true, direct, "after forget");
    // Laying out again forgets too.
    painter.layOut({16, 7, 0, 0}, 10, 4);
    Screen again(16, 7, {U'y', 1, 2, false});
    again.feed(painter.paint(picture, 0, true, {}));
    expectShows(again, picture, 0, true, direct, "after layOut");
}

TEST(TextPainter, SixteenColoursAreTheNearestOfVgas)
{
    std::mt19937 random(16);
    Screen screen(12, 6);
    TextPainter painter(kCharacters, TextColours::sixteen);
    CellPicture picture = randomPicture(random, 12, 5, 16);
    for (std::size_t i = 0; i < 16; ++i) picture.palette[i] = kVgaPalette[i] ^ (i % 3);  // near, not equal
    painter.layOut({12, 6, 0, 0}, 12, 5);
    auto sixteen = [](std::uint32_t rgb) {
        for (int i = 0; i < 16; ++i) {
            if ((kVgaPalette[static_cast<std::size_t>(i)] & ~3u) == (rgb & ~3u)) return Screen::kIndexed + i;
        }
        return -100;
    };
    for (int frame = 0; frame < 5; ++frame) {
        screen.feed(painter.paint(picture, 0, true, {}));
        expectShows(screen, picture, 0, true, sixteen, "frame " + std::to_string(frame));
        change(random, picture, 10);
    }
    EXPECT_EQ(painter.farewell(), "\x1b[0m");
}

TEST(TextPainter, StatusLineSeekBarAndHelpLeaveTheLastCellAlone)
{
    Screen screen(24, 8);
    TextPainter painter(kCharacters, TextColours::direct);
    CellPicture picture;
    picture.columns = 24, picture.rows = 7;
    picture.palette = {0xE8CCA0, 0x171410};
    picture.cells.assign(24 * 7, Cell{1, 1, 0, 0});
    painter.layOut({24, 8, 0, 0}, 24, 7);
    OverlayContent overlay;
    overlay.line = "paused  frame 12 of 960 and more words than fit";
    screen.feed(painter.paint(picture, 0, true, overlay));
    EXPECT_EQ(rowText(screen, 7), " paused  frame 12 of 96 ");
    EXPECT_EQ(screen.at(7, 3).paper, 0x101010);
    EXPECT_EQ(screen.at(7, 3).ink, static_cast<int>(0xE8CCA0));
    EXPECT_FALSE(screen.at(7, 23).written) << "the last cell scrolls some terminals";

    overlay.bar = true, overlay.fraction = 0.5, overlay.bar_text = "0:20.0 / 0:40.0";
    overlay.help = {"Space  pause", "Q  quit"};
    screen.feed(painter.paint(picture, 0, true, overlay));
    EXPECT_EQ(rowText(screen, 7), " 0:20.0 / 0:40.0  pause ");
    EXPECT_EQ(screen.at(7, 10).paper, 0x6A5A40) << "filled half";
    EXPECT_EQ(screen.at(7, 13).paper, 0x101010) << "the rest";
    EXPECT_EQ(rowText(screen, 0), "AAAAAAAAAAAAAAAAAAAAAAAA");
    EXPECT_EQ(rowText(screen, 1), "AAAAA              AAAAA");
    EXPECT_EQ(rowText(screen, 2), "AAAAA Space  pause AAAAA");
    EXPECT_EQ(rowText(screen, 3), "AAAAA Q  quit      AAAAA");
    EXPECT_EQ(rowText(screen, 4), "AAAAA              AAAAA");
    EXPECT_EQ(screen.at(2, 6).paper, 0x101010);

    // Gone again: the picture and a blank last row come back.
    screen.feed(painter.paint(picture, 0, true, {}));
    expectShows(screen, picture, 0, true, direct, "overlay gone");
    for (int column = 0; column < 23; ++column) EXPECT_EQ(appearance(screen.at(7, column)), appearance(U' ', 0, -1));
    EXPECT_FALSE(screen.at(7, 23).written);
    EXPECT_EQ(screen.scrolls(), 0);
}

TEST(TextPainter, BadIndexesAndSizesDrawSomethingAndNeverCrash)
{
    TextPainter painter(kCharacters, TextColours::direct);
    CellPicture picture;
    picture.columns = 4, picture.rows = 3;
    picture.palette = {0x112233};
    picture.cells.assign(10, Cell{500, 9, 40000, 0});  // two cells short, a code and colours beyond all
    painter.layOut({6, 4, 0, 0}, 4, 3);
    Screen screen(6, 4);
    screen.feed(painter.paint(picture, 0, true, {}));
    EXPECT_EQ(appearance(screen.at(0, 1)), appearance(U' ', 0x112233, 0x112233));
    EXPECT_EQ(screen.unknown(), std::vector<std::string>());
    picture.palette.clear();
    EXPECT_NO_THROW(painter.paint(picture, 7, false, {}));
    painter.layOut({0, 0, 0, 0}, 4, 3);
    EXPECT_EQ(painter.paint(picture, 0, true, {}), "");
    EXPECT_FALSE(painter.notice().empty());
    painter.layOut({1, 1, 0, 0}, 4, 3);
    EXPECT_EQ(painter.viewRows(), 0);
    EXPECT_NO_THROW(painter.paint(picture, -3, true, {{"x"}, true, 2.0, "y", {"help"}}));
}

namespace {

// The player's font: the console font's first 128 glyphs and their inverses; none where it is missing.
std::optional<CellFont> playerFont()
{
    try {
        const FontFileBytes bytes = defaultConsoleFont();
        GlyphTable glyphs;
        glyphs.fillFrom(bytes.data(), bytes.size());
        return cellFontOf(glyphs);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<CellFont> consoleFont(int height)
{
    try {
        return cp437ConsoleFont(height);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Whether `chosen` is drawn in `known` exactly as `font` draws `code` (at 16 rows).
bool drawsAs(const CellFont& known, GlyphCharacter chosen, const CellFont& font, int code)
{
    for (int candidate = 0; candidate < 256; ++candidate) {
        if (cp437Unicode(candidate) != chosen.character) continue;
        bool same = true;
        for (int y = 0; y < 16 && same; ++y) {
            const std::uint8_t row = font.row(code, y * font.height / 16);
            same =
                static_cast<std::uint8_t>(chosen.inverse ? ~known.row(candidate, y) : known.row(candidate, y)) == row;
        }
        if (same) return true;
    }
    return false;
}

}  // namespace

TEST(GlyphCharacters, ACp437FontKeepsCodePage437sCharactersAtAnyHeight)
{
    const auto known = consoleFont(16), small = consoleFont(8);
    if (!known || !small) GTEST_SKIP() << "Debian's console fonts are not installed";
    for (const CellFont* font : {&*known, &*small}) {
        const std::vector<GlyphCharacter> characters = glyphCharacters(*font, &*known);
        ASSERT_EQ(characters.size(), 256u);
        for (int code = 0; code < 256; ++code) {
            EXPECT_EQ(characters[static_cast<std::size_t>(code)], (GlyphCharacter{cp437Unicode(code), false}))
                << "code " << code << " at height " << font->height;
        }
    }
    EXPECT_EQ(cp437Unicode(0x01), U'\u263a');
    EXPECT_EQ(cp437Unicode(0x7F), U'\u2302');
    EXPECT_EQ(cp437Unicode(0xDB), kBlock);
    EXPECT_EQ(cp437Unicode(0x00), U' ');
    EXPECT_EQ(cp437Unicode(0xFF), U' ');
    std::string utf8;
    for (const char32_t c : {U'A', U'\u00e9', U'\u2588', U'\U0001F600'}) appendUtf8(utf8, c);
    EXPECT_EQ(utf8, "A\xc3\xa9\xe2\x96\x88\xf0\x9f\x98\x80");
}

TEST(GlyphCharacters, AnyOtherFontGetsTheCharacterOfEachGlyphByItsBitmap)
{
    const auto known = consoleFont(16);
    if (!known) GTEST_SKIP() << "Debian's console fonts are not installed";
    // 512 glyphs twice VGA's height: CP437's shuffled, the upper half inverted.
    std::mt19937 random(437);
    std::vector<int> order(256);
    for (int i = 0; i < 256; ++i) order[static_cast<std::size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), random);
    CellFont font;
    font.height = 32;
    font.glyph_count = 512;
    for (int code = 0; code < 512; ++code) {
        for (int y = 0; y < 32; ++y) {
            const std::uint8_t row = known->row(order[static_cast<std::size_t>(code % 256)], y / 2);
            font.rows.push_back(code >= 256 ? static_cast<std::uint8_t>(~row) : row);
        }
    }
    const std::vector<GlyphCharacter> characters = glyphCharacters(font, &*known);
    ASSERT_EQ(characters.size(), 512u);
    int own = 0;
    for (int code = 0; code < 512; ++code) {
        const GlyphCharacter chosen = characters[static_cast<std::size_t>(code)];
        EXPECT_TRUE(drawsAs(*known, chosen, font, code)) << "code " << code;
        own += chosen == GlyphCharacter{cp437Unicode(order[static_cast<std::size_t>(code % 256)]), code >= 256};
    }
    EXPECT_GT(own, 400) << "where glyphs repeat, any of them will do; elsewhere the one shuffled there";
}

TEST(GlyphCharacters, ThePlayersFontIsAsciiAndItsInverses)
{
    const auto font = playerFont();
    if (!font || !consoleFont(16)) GTEST_SKIP() << "Debian's console fonts are not installed";
    for (const auto& characters : {glyphCharacters(*font), glyphCharacters(*font, nullptr)}) {
        EXPECT_EQ(characters[static_cast<std::size_t>('A')], (GlyphCharacter{U'A', false}));
        EXPECT_EQ(characters[static_cast<std::size_t>('~')], (GlyphCharacter{U'~', false}));
        EXPECT_EQ(characters[128 + 'A'], (GlyphCharacter{U'A', true}));
        EXPECT_EQ(characters[128 + 'x'], (GlyphCharacter{U'x', true}));
    }
    EXPECT_EQ(glyphCharacters(*font)[128 + ' '], (GlyphCharacter{kBlock, false}));
}

TEST(TextPainter, TheDemoTakesAtMost40KilobytesASecond)
{
    const auto font = playerFont();
    if (!font) GTEST_SKIP() << "Debian's console font is not installed";
    const std::vector<GlyphCharacter> characters = glyphCharacters(*font);
    CellPicture picture;
    picture.columns = 80, picture.rows = 30;
    picture.palette = {0xE8CCA0, 0x171410};
    picture.cells.assign(2400, Cell{0x20, 1, 0, 0});
    // As the review shows it: with its status line, whose clock changes every frame.
    TextPainter painter(characters, TextColours::direct);
    painter.layOut({80, 31, 0, 0}, 80, 30);
    Screen screen(80, 31);
    std::size_t bytes = 0;
    for (int frame = 0; frame < kDemoFrameCount; ++frame) {
        const TextFrame text = demoFrame(frame);
        for (std::size_t i = 0; i < 2400; ++i) picture.cells[i].code = text.cells[i];
        OverlayContent overlay;
        overlay.line = clockText(frame / 24.0) + " / 0:40.0  frame " + std::to_string(frame) + "  1x";
        const std::string sent = painter.paint(picture, 0, true, overlay);
        bytes += sent.size();
        screen.feed(sent);
        if (frame % 97 == 0)
            expectShows(screen, picture, 0, true, direct, "demo frame " + std::to_string(frame), characters);
    }
    const double per_second = static_cast<double>(bytes) / (kDemoFrameCount / 24.0);
    std::printf("the demo in text, its status line shown: %.0f bytes a second\n", per_second);
    RecordProperty("bytes_per_second", static_cast<int>(per_second));
    EXPECT_LE(per_second, 40000);
}
