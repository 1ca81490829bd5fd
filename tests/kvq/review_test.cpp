// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <deque>

#include "devices/audio_output.h"
#include "devices/clock.h"
#include "devices/review_window.h"
#include "kvq/files/frame_source.h"
#include "kvq/files/frames_artwork.h"
#include "kvq/play/key_help.h"
#include "kvq/play/overlay.h"
#include "kvq/play/picture_scaler.h"
#include "kvq/play/review_loop.h"
#include "kvq/play/screen_layout.h"
#include "kvq/play/transport.h"
#include "kvq/play/window_surface.h"
#include "render/cell_drawing.h"
#include "render/colours.h"
#include "support/kvq_test_support.h"

namespace {

struct ScriptedWindow : ReviewWindow {
    int open(const char*, int, bool) override { return 0; }
    std::string error() const override { return {}; }
    void setFullscreen(bool on) override { full = on; }
    bool fullscreen() const override { return full; }
    // Bars of 32 rows above and below the picture at 1x, room for the status line and seek bar.
    WindowSize size() const override { return window_size; }
    // Notes each picture shown between the bars when it differs from the one before.
    void show(std::span<const std::uint32_t> pixels, int width, int height, int scale) override
    {
        ASSERT_EQ((WindowSize{width, height}), size());
        ASSERT_EQ(scale, 1);
        ++presents;
        screen.assign(pixels.begin(), pixels.end());
        PackedPicture picture(pixels.begin() + kBarRows * width, pixels.begin() + (kBarRows + picture_rows) * width);
        if (pictures.empty() || picture != pictures.back()) {
            pictures.push_back(std::move(picture));
            shown_at.push_back(now);
        }
    }
    // Each wait lets `clock` run to the time the next event is due, or through the timeout.
    bool waitEvent(ReviewEvent& event, int timeout_ms) override
    {
        const std::uint32_t until = now + static_cast<std::uint32_t>(timeout_ms);
        if (!events.empty() && events.front().first <= until) {
            now = std::max(now, events.front().first);
            event = events.front().second;
            events.pop_front();
            return true;
        }
        now = until + late_ms;
        return false;
    }
    void close() override {}

    std::uint32_t now = 0;
    std::uint32_t late_ms = 0;  // how late a wait that times out returns, as on a busy machine
    bool full = false;
    std::deque<std::pair<std::uint32_t, ReviewEvent>> events;
    static constexpr int kBarRows = 32;
    WindowSize window_size{640, kBarRows + 480 + kBarRows};
    int picture_rows = 480;
    std::vector<PackedPicture> pictures;  // the window's rows from kBarRows, picture_rows of them, each change
    std::vector<std::uint32_t> shown_at;  // the clock's reading when each was shown
    std::vector<std::uint32_t> screen;    // the last shown
    int presents = 0;
};

struct WindowClock : Clock {
    explicit WindowClock(const ScriptedWindow& window) : window(window) {}
    std::uint32_t nowMs() override { return window.now; }
    const ScriptedWindow& window;
};

ReviewEvent key(ReviewKey which)
{
    ReviewEvent event;
    event.kind = ReviewEvent::Kind::key;
    event.key = which;
    return event;
}

// `art` reviewed in `window`, on the window's clock, the overlay drawn with `glyphs`: the exit status.
int reviewIn(ScriptedWindow& window, Artwork& art, const GlyphTable& glyphs, const ReviewSettings& settings = {})
{
    WindowClock clock(window);
    WindowSurface surface(window, glyphs);
    ReviewDevices devices{surface, nullptr, clock, nullptr, nullptr};
    return review(art, settings, devices);
}

// Our own `frames` with their font `glyphs`, reviewed the same way.
int reviewFramesIn(ScriptedWindow& window, const FrameList& frames, const GlyphTable& glyphs,
                   const ReviewSettings& settings = {})
{
    LoadedFrames source(frames);
    FramesArtwork art(source, glyphs);
    return reviewIn(window, art, glyphs, settings);
}

// Which of `frames` `picture` shows, or -1.
int frameShown(const PackedPicture& picture, const FrameList& frames, const GlyphTable& glyphs)
{
    for (std::size_t frame = 0; frame < frames.size(); ++frame)
        if (picture == renderFrame(frames[frame], glyphs)) return static_cast<int>(frame);
    return -1;
}

// Colour cells, any size, frames or a still piece, as openArtwork would give them.
struct FakeArtwork : Artwork {
    FakeArtwork(int frames, int columns, int rows, int letter_spacing, unsigned seed)
        : pictures(static_cast<std::size_t>(frames)), spacing(letter_spacing)
    {
        const auto bytes = randomBytes(static_cast<std::size_t>(256 * 16 + frames * columns * rows * 3), seed);
        glyphs.rows.assign(bytes.begin(), bytes.begin() + 256 * 16);
        std::size_t at = 256 * 16;
        for (CellPicture& picture : pictures) {
            picture.columns = columns;
            picture.rows = rows;
            for (int i = 0; i < columns * rows; ++i, at += 3) {
                picture.cells.push_back(Cell{bytes[at], static_cast<std::uint16_t>(bytes[at + 1] % 16),
                                             static_cast<std::uint16_t>(bytes[at + 2] % 16), 0});
            }
        }
    }
    std::string description() const override { return "fake"; }
    int widthPixels() const override { return pictures[0].columns * spacing; }
    int heightPixels() const override { return pictures[0].rows * glyphs.height; }
    std::uint64_t frameCount() const override { return pictures.size(); }
    bool blinks() const override { return blinking; }
    const CellPicture* cells(std::uint64_t frame) override { return &pictures.at(frame); }
    const CellFont& font() const override { return glyphs; }
    int letterSpacing() const override { return spacing; }

    // Rows [top, top + rows) of frame `frame` in pixels, drawn whole the plain way.
    PackedPicture drawn(std::size_t frame, int top, int rows, bool lit = true) const
    {
        PackedPicture whole(static_cast<std::size_t>(widthPixels()) * heightPixels());
        CellLayout layout;
        layout.letter_spacing = spacing;
        layout.blink_lit = lit;
        drawCells(pictures[frame], glyphs, layout, {reinterpret_cast<std::uint8_t*>(whole.data()), widthPixels() * 4});
        return {whole.begin() + top * widthPixels(), whole.begin() + (top + rows) * widthPixels()};
    }

    std::vector<CellPicture> pictures;
    CellFont glyphs;
    int spacing;
    bool blinking = false;
};

// Where each picture shown stands in the whole piece: the first of its rows found among the piece's.
std::vector<int> topsOf(const ScriptedWindow& window, const FakeArtwork& art)
{
    const PackedPicture whole = art.drawn(0, 0, art.heightPixels());
    const auto width = static_cast<std::size_t>(art.widthPixels());
    std::vector<int> tops;
    for (const PackedPicture& picture : window.pictures) {
        int found = -1;
        for (int row = ScriptedWindow::kBarRows; row < art.heightPixels() && found < 0; ++row) {
            if (std::equal(picture.begin(), picture.begin() + 2 * width, whole.begin() + row * width))
                found = row - ScriptedWindow::kBarRows;
        }
        tops.push_back(found);
    }
    return tops;
}

}  // namespace

TEST(ReviewLoop, ATallPieceFillsTheWindowsWidthAndScrollsALineOrAScreenAtATime)
{
    // 100 rows of 16 pixels in a window 544 pixels tall: 1056 rows of pixels to scroll through.
    FakeArtwork art(1, 80, 100, 8, 21);
    const GlyphTable glyphs = glyphsOf(randomBytes(8192, 4));
    ScriptedWindow window;
    ReviewEvent wheel_down;
    wheel_down.kind = ReviewEvent::Kind::wheel;
    wheel_down.wheel = 2;  // three rows a notch
    const std::vector<std::pair<ReviewEvent, int>> steps = {
        {key(ReviewKey::down), 16},
        {key(ReviewKey::down), 32},
        {key(ReviewKey::page_down), 576},
        {key(ReviewKey::end), 1056},
        {key(ReviewKey::page_down), 1056},
        {key(ReviewKey::up), 1040},
        {key(ReviewKey::home), 0},
        {key(ReviewKey::up), 0},
        {key(ReviewKey::page_down), 544},
        {key(ReviewKey::page_up), 0},
        {wheel_down, 96},
    };
    std::uint32_t at = 0;
    for (const auto& [event, top] : steps) window.events.push_back({at += 500, event});
    window.events.push_back({at + 500, key(ReviewKey::q)});
    ReviewSettings settings;
    settings.still = true;
    EXPECT_EQ(reviewIn(window, art, glyphs, settings), 0);
    // Each key glides the view to its place, every picture on the way the piece's own rows there
    // at 1x, and it comes to rest exactly there.
    const std::vector<int> tops = topsOf(window, art);
    ASSERT_EQ(tops.size(), window.shown_at.size());
    int from = 0;
    for (std::size_t step = 0; step < steps.size(); ++step) {
        const int to = steps[step].second;
        const auto key_at = static_cast<std::uint32_t>(500 * (step + 1));
        std::vector<int> way;
        for (std::size_t i = 0; i < tops.size(); ++i) {
            if (window.shown_at[i] >= key_at && window.shown_at[i] < key_at + 500) way.push_back(tops[i]);
        }
        if (to == from) {
            EXPECT_TRUE(way.empty()) << "key " << step;
            continue;
        }
        ASSERT_FALSE(way.empty()) << "key " << step;
        EXPECT_EQ(way.back(), to) << "key " << step;
        // A screen's jump takes a few pictures on the way, each nearer.
        if (std::abs(to - from) > 100) {
            EXPECT_GE(way.size(), 4u) << "key " << step;
        }
        for (std::size_t i = 0; i < way.size(); ++i) {
            const int before = i == 0 ? from : way[i - 1];
            EXPECT_TRUE(to > from ? before < way[i] && way[i] <= to : before > way[i] && way[i] >= to)
                << "key " << step << ": " << way[i];
        }
        from = to;
    }
}

TEST(ReviewLoop, TheAutomaticScrollFollowsTheClockSoPausingStopsItAndSeekingMovesIt)
{
    FakeArtwork art(1, 80, 100, 8, 22);
    const GlyphTable glyphs = glyphsOf(randomBytes(8192, 4));
    ScriptedWindow window;
    // 2 rows a second: 32 pixels.
    window.events = {{1000, key(ReviewKey::space)},  // paused at 1 s: 32
                     {2000, key(ReviewKey::right)},  // 5 s on: 192
                     {3000, key(ReviewKey::s)},      // the scroll stops
                     {3500, key(ReviewKey::space)},  // playing on, the view still
                     {4500, key(ReviewKey::space)},  // paused at 7 s
                     {5000, key(ReviewKey::plus)},   // 3 rows a second
                     {5500, key(ReviewKey::s)},      // on again from 192
                     {6000, key(ReviewKey::right)},  // at 12 s: 192 + 5 * 48
                     {7000, key(ReviewKey::q)}};
    ReviewSettings settings;
    settings.still = true;
    settings.scroll_rows_per_second = 2;
    EXPECT_EQ(reviewIn(window, art, glyphs, settings), 0);
    const std::vector<int> tops = topsOf(window, art);
    const auto shown_at = [&](std::uint32_t ms) {
        int top = -1;
        for (std::size_t i = 0; i < tops.size() && window.shown_at[i] <= ms; ++i) top = tops[i];
        return top;
    };
    // Every row on the way while it scrolls, one at a time.
    for (std::size_t i = 1; i < tops.size() && window.shown_at[i] < 1000; ++i) EXPECT_EQ(tops[i], tops[i - 1] + 1);
    EXPECT_EQ(shown_at(1000), 32);
    EXPECT_EQ(shown_at(1900), 32);
    EXPECT_EQ(shown_at(2000), 192);
    EXPECT_EQ(shown_at(4400), 192);
    EXPECT_EQ(shown_at(6000), 432);
    EXPECT_EQ(tops.back(), 432);

    // Started 10 s in, the view is where 10 s of scrolling brings it.
    ScriptedWindow later;
    later.events = {{0, key(ReviewKey::space)}, {100, key(ReviewKey::q)}};
    settings.start_seconds = 10;
    EXPECT_EQ(reviewIn(later, art, glyphs, settings), 0);
    EXPECT_EQ(topsOf(later, art), std::vector<int>{320});
}

TEST(ReviewLoop, HShowsTheKeysThatWorkForWhatIsShownOverThePictureAndHidesThemAgain)
{
    const auto has = [](const std::vector<std::string>& lines, std::string_view start) {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.starts_with(start); });
    };
    EXPECT_TRUE(has(keyHelp(true, true), "S ") && has(keyHelp(true, true), "PgUp PgDn"));
    EXPECT_FALSE(has(keyHelp(true, false), "S ") || has(keyHelp(false, false), "Up Down"));
    EXPECT_TRUE(has(keyHelp(false, false), ",  .") && !has(keyHelp(true, true), ",  ."));
    EXPECT_TRUE(has(keyHelp(true, false), "Home End    top") && has(keyHelp(false, false), "Home End    first"));

    FakeArtwork art(1, 80, 100, 8, 25);
    const GlyphTable glyphs = glyphsOf(randomBytes(8192, 4));
    ScriptedWindow window;
    window.events = {{500, key(ReviewKey::h)}, {1000, key(ReviewKey::h)}, {1500, key(ReviewKey::q)}};
    ReviewSettings settings;
    settings.still = true;
    EXPECT_EQ(reviewIn(window, art, glyphs, settings), 0);
    // The piece, then a box of text over its middle, then the piece again.
    ASSERT_EQ(window.pictures.size(), 3u);
    EXPECT_EQ(window.pictures[0], art.drawn(0, ScriptedWindow::kBarRows, 480));
    EXPECT_EQ(window.pictures[2], window.pictures[0]);
    const PackedPicture& help = window.pictures[1];
    const auto middle = help.begin() + 240 * 640;
    EXPECT_TRUE(std::find(middle, middle + 640 * 16, kPaperColour) != middle + 640 * 16);
    // The box's band in the margin left of its text.
    std::size_t columns = 0;
    for (const std::string& line : keyHelp(true, true)) columns = std::max(columns, line.size());
    const auto margin = static_cast<std::ptrdiff_t>((640 - (columns + 2) * 8) / 2 + 4);
    EXPECT_EQ(*(middle + margin), 0x101010u);
    EXPECT_NE(*(window.pictures[0].begin() + 240 * 640 + margin), 0x101010u);
}

TEST(ReviewLoop, BlinkingCellsBlinkAtVgasRateByThePlayTime)
{
    FakeArtwork art(1, 80, 25, 9, 23);
    for (Cell& cell : art.pictures[0].cells) cell.flags = Cell::kBlinks;
    art.blinking = true;
    const GlyphTable glyphs = glyphsOf(randomBytes(8192, 4));
    ScriptedWindow window;
    // 720x400 between bars of 32 rows: shown at 1x.
    window.window_size = {720, ScriptedWindow::kBarRows + 400 + ScriptedWindow::kBarRows};
    window.picture_rows = 400;
    window.events = {{1000, key(ReviewKey::space)}, {2000, key(ReviewKey::q)}};
    ReviewSettings settings;
    settings.still = true;
    EXPECT_EQ(reviewIn(window, art, glyphs, settings), 0);
    // Lit, then off, every 16 refreshes at 70 Hz, until the pause holds it.
    ASSERT_EQ(window.pictures.size(), 5u);
    for (std::size_t i = 0; i < window.pictures.size(); ++i) {
        EXPECT_EQ(window.pictures[i], art.drawn(0, 0, 400, i % 2 == 0)) << i;
        EXPECT_NEAR(window.shown_at[i], i * 1000.0 * 16 / 70, 15) << i;
    }
}

TEST(ReviewLoop, AnAnimationOfAnySizeAndSpacingPlaysItsFramesWithTheTransport)
{
    // Typed out at 9 pixels a letter: 80 x 25 cells are 720x400.
    FakeArtwork art(48, 80, 25, 9, 24);
    const GlyphTable glyphs = glyphsOf(randomBytes(8192, 4));
    ScriptedWindow window;
    window.window_size = {720, ScriptedWindow::kBarRows + 400 + ScriptedWindow::kBarRows};
    window.picture_rows = 400;
    window.events = {{200, key(ReviewKey::space)},
                     {1000, key(ReviewKey::period)},
                     {2000, key(ReviewKey::end)},
                     {3000, key(ReviewKey::q)}};
    EXPECT_EQ(reviewIn(window, art, glyphs), 0);
    // Frames 0-4 while playing, 5 after the step, 47 at the end.
    ASSERT_EQ(window.pictures.size(), 7u);
    for (std::size_t i = 0; i < window.pictures.size(); ++i) {
        const std::size_t frame = i < 6 ? i : 47;
        EXPECT_EQ(window.pictures[i], art.drawn(frame, 0, 400)) << i;
    }
}

TEST(ReviewLoop, UploadsEachFrameOnceAsRenderedAndPresentsOnlyChanges)
{
    TempDir dir;
    const auto bytes = randomBytes(2400 * 48, 9);
    FrameList frames;
    frames.loadBytes(bytes);
    const GlyphTable glyphs = glyphsOf(randomBytes(8192, 4));
    ScriptedWindow window;
    ReviewEvent far_right;
    far_right.kind = ReviewEvent::Kind::pointer_down;
    far_right.x = 639;
    far_right.y = ScriptedWindow::kBarRows + 480 + 4;  // on the seek bar below the picture
    window.events = {{500, key(ReviewKey::space)},
                     {4000, key(ReviewKey::period)},
                     {4100, far_right},
                     {4200, key(ReviewKey::f)},
                     {9000, key(ReviewKey::q)}};
    EXPECT_EQ(reviewFramesIn(window, frames, glyphs), 0);
    // Frames 0-12 while playing, 13 after the step, 47 after the click at the bar's end.
    ASSERT_EQ(window.pictures.size(), 15u);
    for (std::size_t i = 0; i < window.pictures.size(); ++i) {
        const std::size_t frame = i < 13 ? i : i == 13 ? 13 : 47;
        ASSERT_EQ(window.pictures[i], renderFrame(frames[frame], glyphs)) << i;
    }
    EXPECT_TRUE(window.full);
    // Nothing new, nothing presented: 9 s with about 15 frames and a few overlay changes a second
    // while the line shows its tenths.
    EXPECT_LT(window.presents, 15 + 10 * 6 + 5);
    EXPECT_GE(window.presents, static_cast<int>(window.pictures.size()));
    // The status line is in the bar above the picture, never over it (the pictures compared).
    EXPECT_TRUE(std::any_of(window.screen.begin(), window.screen.begin() + ScriptedWindow::kBarRows * 640,
                            [](std::uint32_t p) { return p == kPaperColour; }));
}

TEST(ReviewLoop, TransportKeysMoveTheFrameShownAsTheHelpSays)
{
    FrameList frames;
    frames.loadBytes(randomBytes(2400 * 240, 3));  // 10 s
    const GlyphTable glyphs = glyphsOf(randomBytes(8192, 4));
    ScriptedWindow window;
    const auto with = [](ReviewKey which, bool shift = false, int digit = 0) {
        ReviewEvent event = key(which);
        event.shift = shift;
        event.digit = digit;
        return event;
    };
    // Paused at once on frame 0; then each key, a second apart, and what it must show.
    const std::vector<std::pair<ReviewEvent, std::size_t>> steps = {
        {with(ReviewKey::right, true), 24},       // Shift+Right: 10% of 10 s
        {with(ReviewKey::digit, false, 5), 120},  // 5: 50%
        {with(ReviewKey::left, true), 96},        // Shift+Left: back 10%
        {with(ReviewKey::right), 216},            // Right: 5 s on
        {with(ReviewKey::left), 96},              // Left: 5 s back
        {with(ReviewKey::end), 239},
        {with(ReviewKey::home), 0},
        {with(ReviewKey::digit, false, 9), 216},
        {with(ReviewKey::period), 217},
        {with(ReviewKey::comma), 216},
    };
    window.events = {{0, key(ReviewKey::space)}};
    std::uint32_t at = 1000;
    for (const auto& [event, frame] : steps) window.events.push_back({at += 1000, event});
    window.events.push_back({at + 1000, key(ReviewKey::q)});
    ReviewSettings settings;
    EXPECT_EQ(reviewFramesIn(window, frames, glyphs, settings), 0);
    // The pictures uploaded: the first, then one per key (each moves to another frame).
    ASSERT_EQ(window.pictures.size(), steps.size() + 1);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(window.pictures[i + 1], renderFrame(frames[steps[i].second], glyphs)) << "after key " << i;
    }
}

TEST(ReviewLoop, SpeedKeysStepThroughTheListAndLoopStartsAgainAtTheEnd)
{
    FrameList frames;
    frames.loadBytes(randomBytes(2400 * 48, 5));  // 2 s
    const GlyphTable glyphs = glyphsOf(randomBytes(8192, 6));
    ScriptedWindow window;
    // ] twice: 1.5x then 2x, so the 2 s play in 1 s; L loops, so at 1.5 s the frame is 24 again.
    window.events = {{0, key(ReviewKey::bracket_right)},
                     {0, key(ReviewKey::bracket_right)},
                     {0, key(ReviewKey::l)},
                     {1500, key(ReviewKey::space)},
                     {2000, key(ReviewKey::q)}};
    EXPECT_EQ(reviewFramesIn(window, frames, glyphs), 0);
    ASSERT_FALSE(window.pictures.empty());
    const PackedPicture& paused_on = window.pictures.back();
    const int matched = frameShown(paused_on, frames, glyphs);
    // 1.5 s at 2x is 3 s of animation: once through (2 s) and 1 s into the second time, frame 24.
    EXPECT_NEAR(matched, 24, 2);
}

TEST(ReviewLoop, AboveOneTimesSpeedOnlyEveryOtherFrameIsShown)
{
    FrameList frames;
    frames.loadBytes(randomBytes(2400 * 48, 7));  // 2 s
    const GlyphTable glyphs = glyphsOf(randomBytes(8192, 8));
    ScriptedWindow window;
    window.events = {{900, key(ReviewKey::q)}};
    // Waking a little late, the frame due is often an odd one; it is the even one before it that
    // shows.
    window.late_ms = 30;
    ReviewSettings settings;
    settings.speed = 2;
    EXPECT_EQ(reviewFramesIn(window, frames, glyphs, settings), 0);
    std::vector<int> shown;
    for (const PackedPicture& picture : window.pictures) shown.push_back(frameShown(picture, frames, glyphs));
    EXPECT_GE(shown.size(), 10u);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(shown[i] >= 0 && shown[i] % 2 == 0 && (i == 0 || shown[i] > shown[i - 1]))
            << i << ": frame " << shown[i];
    }
}

TEST(ReviewLoop, DraggingOnTheSeekBarSeeksUntilTheButtonGoesUp)
{
    FrameList frames;
    frames.loadBytes(randomBytes(2400 * 240, 3));  // 10 s
    const GlyphTable glyphs = glyphsOf(randomBytes(8192, 4));
    ScriptedWindow window;
    const auto pointer = [](ReviewEvent::Kind kind, double x) {
        ReviewEvent event;
        event.kind = kind;
        event.x = x;
        event.y = ScriptedWindow::kBarRows + 480 + 4;  // on the seek bar below the picture
        return event;
    };
    // Paused at once; down at the middle, dragged to three quarters, up; the mouse moves on.
    window.events = {{0, key(ReviewKey::space)},
                     {1000, pointer(ReviewEvent::Kind::pointer_down, 320)},
                     {1100, pointer(ReviewEvent::Kind::pointer_move, 480)},
                     {1200, pointer(ReviewEvent::Kind::pointer_up, 480)},
                     {1300, pointer(ReviewEvent::Kind::pointer_move, 600)},
                     {2000, key(ReviewKey::q)}};
    EXPECT_EQ(reviewFramesIn(window, frames, glyphs), 0);
    ASSERT_EQ(window.pictures.size(), 3u);
    EXPECT_EQ(window.pictures[1], renderFrame(frames[120], glyphs));
    EXPECT_EQ(window.pictures[2], renderFrame(frames[180], glyphs));
}

TEST(Overlay, ClockTextIsMinutesSecondsAndTenthsCutNotRounded)
{
    EXPECT_EQ(clockText(0), "0:00.0");
    EXPECT_EQ(clockText(0.96), "0:00.9");
    EXPECT_EQ(clockText(65.04), "1:05.0");
    EXPECT_EQ(clockText(599.99), "9:59.9");
    EXPECT_EQ(clockText(3600), "60:00.0");
    EXPECT_EQ(clockText(-2), "0:00.0");
}

TEST(ScreenLayout, TheLineAndBarGoInTheBarsWhereThereIsRoomAndOverThePictureWhereThereIsNone)
{
    const std::string line = "0:05.0 / 0:40.0  frame 120 of 0-959  1x  paused";
    // Taller than 4:3: bars above and below, the text at the picture's whole multiple.
    const ScreenLayout tall = layoutFor(1280, 1024);
    EXPECT_EQ(tall.picture, (ScreenRect{0, 32, 1280, 960}));
    EXPECT_EQ(tall.bar.area, (ScreenRect{0, 992, 1280, 32}));
    EXPECT_FALSE(tall.bar.over_picture);
    const StatusPlace above = placeStatus(tall, line);
    EXPECT_EQ(above.area, (ScreenRect{0, 0, 1280, 32}));
    EXPECT_EQ(above.rows, std::vector<std::string>{line});
    // Wider: in the left bar, at 1x where 2x would not leave 18 columns, the line's parts wrapped.
    const ScreenLayout wide = layoutFor(1920, 1080);
    EXPECT_EQ(wide.picture, (ScreenRect{240, 0, 1440, 1080}));
    EXPECT_EQ(wide.bar.area, (ScreenRect{0, 1064, 240, 16}));
    const StatusPlace beside = placeStatus(wide, line);
    EXPECT_EQ(beside.area, (ScreenRect{0, 0, 240, 48}));
    EXPECT_EQ(beside.rows, (std::vector<std::string>{"0:05.0 / 0:40.0", "frame 120 of 0-959  1x", "paused"}));
    EXPECT_FALSE(beside.over_picture);
    // An odd number of pixels to spare: the extra one goes to the right.
    EXPECT_EQ(layoutFor(643, 480).picture, (ScreenRect{1, 0, 640, 480}));
    // Exactly 4:3 and small: over the picture, never below 1x, wrapped to the width.
    const ScreenLayout small = layoutFor(400, 300);
    EXPECT_TRUE(small.bar.over_picture);
    EXPECT_EQ(small.bar.area, (ScreenRect{0, 284, 400, 16}));
    const StatusPlace over = placeStatus(small, line + "  loop");
    EXPECT_TRUE(over.over_picture);
    EXPECT_EQ(over.text_scale, 1);
    EXPECT_EQ(over.rows, (std::vector<std::string>{"0:05.0 / 0:40.0  frame 120 of 0-959  1x  paused", "loop"}));
}

TEST(PictureScaler, CopiesAtWholeMultiplesAndOtherwiseCoversEachPixelByItsArea)
{
    // A white column one pixel wide, and a row with a red, a green and a blue pixel.
    std::vector<std::uint32_t> picture(8 * 2, 0);
    picture[3] = 0xFFFFFF;
    picture[8 + 1] = 0xFF0000, picture[8 + 2] = 0x00FF00, picture[8 + 3] = 0x0000FF;
    PictureScaler scaler;
    scaler.configure(8, 2, 16, 4);
    std::vector<std::uint32_t> out(16 * 4);
    scaler.scale(picture, out);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(out[std::size_t(y * 16 + x)], picture[std::size_t(y / 2 * 8 + x / 2)]) << x << "," << y;
    }
    // At 2.25x the column is 2.25 pixels of white: two whole, a quarter blended at one side.
    scaler.configure(8, 2, 18, 4);
    out.assign(18 * 4, 0);
    scaler.scale(picture, out);
    const std::vector<std::uint32_t> row(out.begin(), out.begin() + 18);
    EXPECT_EQ(row,
              (std::vector<std::uint32_t>{0, 0, 0, 0, 0, 0, 0x404040, 0xFFFFFF, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // At half size, each pixel the average of the four it covers, channel by channel.
    scaler.configure(8, 2, 4, 1);
    out.assign(4, 0);
    scaler.scale(picture, out);
    EXPECT_EQ(out, (std::vector<std::uint32_t>{0x400000, 0x408080, 0, 0}));
}
