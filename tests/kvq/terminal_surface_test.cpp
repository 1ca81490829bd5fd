// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "devices/clock.h"
#include "devices/terminal_link.h"
#include "kvq/play/terminal/terminal_input.h"
#include "kvq/play/terminal/terminal_surface.h"

namespace {

// A terminal at the end of a slow link: it answers "are you there" `answer_ms` after it was asked,
// and its size can change.
struct SlowTerminal : TerminalLink, Clock {
    TerminalSize size() const override { return terminal_size; }
    void write(std::string_view bytes) override
    {
        written += bytes;
        for (std::size_t at = bytes.find("\x1b[5n"); at != std::string_view::npos; at = bytes.find("\x1b[5n", at + 1)) {
            answers.push_back(now + answer_ms);
        }
    }
    std::size_t unsent() const override { return 0; }
    Happened wait(std::string& input, int timeout_ms) override
    {
        if (resize_at && *resize_at <= now + static_cast<std::uint32_t>(timeout_ms)) {
            now = std::max(now, *resize_at);
            resize_at.reset();
            terminal_size.columns -= 10;
            return Happened::resized;
        }
        if (!typed.empty() && typed.front().first <= now + static_cast<std::uint32_t>(timeout_ms)) {
            now = std::max(now, typed.front().first);
            input += typed.front().second;
            typed.pop_front();
            return Happened::input;
        }
        if (answer && !answers.empty() && answers.front() <= now + static_cast<std::uint32_t>(timeout_ms)) {
            now = std::max(now, answers.front());
            answers.pop_front();
            input += "\x1b[0n";
            return Happened::input;
        }
        now += static_cast<std::uint32_t>(timeout_ms);
        return Happened::timeout;
    }
    std::uint32_t nowMs() override { return now; }

    TerminalSize terminal_size{120, 40, 960, 640};
    std::uint32_t now = 1000;
    std::uint32_t answer_ms = 300;
    bool answer = true;
    std::deque<std::uint32_t> answers;
    std::deque<std::pair<std::uint32_t, std::string>> typed;
    std::optional<std::uint32_t> resize_at;
    std::string written;
};

// Writes which picture it was given, told by the colour at its middle, and notes what it was told.
struct NamingPainter : PixelPainter {
    explicit NamingPainter(std::vector<std::string>& log) : log(log) {}
    std::string paint(std::span<const std::uint32_t> pixels, int width, int height, int, const PixelPlacement&) override
    {
        char name[32];
        std::snprintf(name, sizeof name, "[%06X]", pixels[static_cast<std::size_t>(height / 2 * width + width / 2)]);
        log.push_back(name);
        return name;
    }
    void forget() override { log.push_back("forget"); }
    std::vector<std::string>& log;
};

CellPicture plain(std::uint32_t colour)
{
    CellPicture picture;
    picture.rows = 30;
    picture.cells.assign(80 * 30, Cell{0, 0, 0, 0});
    picture.palette[0] = colour;
    return picture;
}

struct SurfaceTest : ::testing::Test {
    SurfaceTest()
    {
        capabilities.answered = true;
        capabilities.cell_width = 8;
        capabilities.cell_height = 16;
        font.rows.assign(256 * 16, 0);
    }
    TerminalSurface surfaceFor()
    {
        return TerminalSurface(terminal, input, std::make_unique<NamingPainter>(log), capabilities, text_font,
                               terminal);
    }
    void show(TerminalSurface& surface, std::uint32_t colour)
    {
        surface.drawPicture(plain(colour), font, 8, true, 0);
        surface.present(OverlayContent{});
    }

    SlowTerminal terminal;
    TerminalInput input;
    TerminalCapabilities capabilities;
    GlyphTable text_font;
    CellFont font;
    std::vector<std::string> log;
};

TEST_F(SurfaceTest, OneFrameOnItsWayAndTheLatestSentWhenTheTerminalAnswers)
{
    TerminalSurface surface = surfaceFor();
    ASSERT_TRUE(surface.layOut(640, 480));
    show(surface, 0x111111);
    // The terminal has not answered: these only replace the picture waiting.
    show(surface, 0x222222);
    show(surface, 0x333333);
    EXPECT_EQ(terminal.answers.size(), 1u);
    ReviewEvent event;
    EXPECT_FALSE(surface.waitEvent(event, 100));
    EXPECT_EQ(terminal.answers.size(), 1u);
    EXPECT_FALSE(surface.waitEvent(event, 250));
    EXPECT_EQ(log, (std::vector<std::string>{"forget", "[111111]", "[333333]"}));
    EXPECT_EQ(surface.sent().frames, 2u);
    EXPECT_EQ(surface.sent().bytes, terminal.written.size());
    // The first picture clears the screen; the second only changes it.
    EXPECT_EQ(terminal.written.find("\x1b[2J"), terminal.written.rfind("\x1b[2J"));
}

TEST_F(SurfaceTest, KeysComeThroughAndAnswersAreNotKeys)
{
    TerminalSurface surface = surfaceFor();
    surface.layOut(640, 480);
    show(surface, 0x111111);
    terminal.typed.push_back({terminal.now + 50, "q"});
    ReviewEvent event;
    ASSERT_TRUE(surface.waitEvent(event, 1000));
    EXPECT_EQ(event.kind, ReviewEvent::Kind::key);
    EXPECT_EQ(event.key, ReviewKey::q);
    EXPECT_FALSE(surface.waitEvent(event, 1000));  // the answer came, and is no key
    EXPECT_TRUE(terminal.answers.empty());
}

TEST_F(SurfaceTest, AResizeLaysOutAndSendsAllAgain)
{
    TerminalSurface surface = surfaceFor();
    surface.layOut(640, 480);
    show(surface, 0x111111);
    terminal.resize_at = terminal.now + 10;
    ReviewEvent event;
    ASSERT_TRUE(surface.waitEvent(event, 1000));
    EXPECT_EQ(event.kind, ReviewEvent::Kind::redraw);
    EXPECT_TRUE(surface.layOut(640, 480));
    EXPECT_FALSE(surface.layOut(640, 480));
    EXPECT_FALSE(surface.waitEvent(event, 1000));
    show(surface, 0x111111);
    EXPECT_EQ(log, (std::vector<std::string>{"forget", "[111111]", "forget", "[111111]"}));
    EXPECT_NE(terminal.written.find("\x1b[2J"), terminal.written.rfind("\x1b[2J"));
}

TEST_F(SurfaceTest, ATerminalThatNeverAnswersIsPacedByWhatItTakes)
{
    terminal.answer = false;
    capabilities.answered = false;
    TerminalSurface surface = surfaceFor();
    surface.layOut(640, 480);
    show(surface, 0x111111);
    ReviewEvent event;
    surface.waitEvent(event, 50);
    show(surface, 0x222222);
    EXPECT_EQ(log.back(), "[222222]");
}

// The picture is laid out at the largest whole multiple that leaves the last row free, centred on
// whole cells.
TEST_F(SurfaceTest, PixelsAtWholeMultiplesAboveTheLastRow)
{
    struct Placing : NamingPainter {
        using NamingPainter::NamingPainter;
        std::string paint(std::span<const std::uint32_t> pixels, int width, int height, int scale,
                          const PixelPlacement& at) override
        {
            shown = {width * scale, height * scale, scale, at.column, at.row};
            return NamingPainter::paint(pixels, width, height, scale, at);
        }
        std::vector<int> shown;
    };
    terminal.terminal_size = {170, 62, 1360, 992};  // 2x fits above the last row
    auto painter = std::make_unique<Placing>(log);
    Placing& placing = *painter;
    TerminalSurface surface(terminal, input, std::move(painter), capabilities, text_font, terminal);
    surface.layOut(640, 480);
    show(surface, 0x111111);
    EXPECT_EQ(placing.shown, (std::vector<int>{1360, 960, 2, 0, 0}));
    terminal.terminal_size = {90, 62, 720, 992};  // narrower: centred on whole cells
    ReviewEvent event;
    surface.waitEvent(event, 1000);
    surface.layOut(640, 480);
    show(surface, 0x111111);
    EXPECT_EQ(placing.shown, (std::vector<int>{640, 976, 1, 5, 0}));
    terminal.terminal_size = {170, 60, 1360, 960};  // 2x no longer fits
    surface.waitEvent(event, 1000);
    surface.layOut(640, 480);
    show(surface, 0x111111);
    EXPECT_EQ(placing.shown[2], 1);
    EXPECT_EQ(placing.shown[0], 1360);
}

}  // namespace

namespace {

// In text a cell of the picture is a cell of the terminal, at either letter spacing.
TEST_F(SurfaceTest, TextTakesOneTerminalCellForEachCell)
{
    for (const int spacing : {8, 9}) {
        for (const int columns : {80, 79}) {
            terminal.terminal_size = {columns, 40, 0, 0};
            TerminalSurface surface(terminal, input, TerminalProtocol::text, capabilities, text_font, font, spacing,
                                    terminal);
            surface.layOut(80 * spacing, 480);
            EXPECT_EQ(surface.notice().empty(), columns == 80) << spacing << " " << columns;
            EXPECT_EQ(surface.viewHeight(), 480);
        }
    }
}

}  // namespace
