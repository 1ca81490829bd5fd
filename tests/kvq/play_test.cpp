// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <deque>
#include <fstream>

#include "devices/audio_output.h"
#include "devices/clock.h"
#include "devices/review_window.h"
#include "kvq/play/file_frames.h"
#include "kvq/play/overlay.h"
#include "kvq/play/picture_scaler.h"
#include "kvq/play/review_loop.h"
#include "kvq/play/screen_layout.h"
#include "kvq/play/transport.h"
#include "kvq_test_support.h"
#include "render/colours.h"

namespace {

// A soundtrack whose heard position the test sets; it notes what the transport asks of it.
struct FakeSoundtrack : AudioOutput {
    bool open(AudioDevice, int) override { return true; }
    bool load(const char*) override { return true; }
    void play() override { calls.push_back("play"), heard = -1; }
    void pause() override { calls.push_back("pause"); }
    void resume() override { calls.push_back("resume"); }
    bool seek(double seconds) override
    {
        calls.push_back("seek " + std::to_string(seconds).substr(0, 4));
        return true;
    }
    bool setSpeed(double speed) override { return stretches || speed == 1.0; }
    void setMuted(bool on) override { calls.push_back(on ? "mute" : "unmute"); }
    double positionSeconds() const override { return heard; }
    double durationSeconds() const override { return length; }
    void stop() override {}
    void close() override {}

    std::vector<std::string> calls;
    double heard = -1;
    double length = 30;
    bool stretches = false;  // plays at any speed, its pitch kept
};

std::vector<std::string> taken(std::vector<std::string>& calls) { return std::exchange(calls, {}); }

}  // namespace

TEST(Transport, PausesSeeksStepsAndChangesSpeedWithinTheAnimation)
{
    Transport t(240, nullptr);  // 10 s
    t.start(0, 100.0);
    EXPECT_EQ(t.frameAt(100.0), 0u);
    EXPECT_EQ(t.frameAt(101.0), 24u);
    EXPECT_EQ(t.frameAt(101.0 + 1.0 / 24 - 1e-6), 24u);  // truncated, as the player does
    t.togglePause(101.5);
    EXPECT_EQ(t.frameAt(109.0), 36u);  // the picture holds while paused
    t.togglePause(109.0);
    EXPECT_EQ(t.frameAt(109.5), 48u);  // and goes on from there, without a jump
    t.seekTo(-3, 110.0);
    EXPECT_EQ(t.frameAt(110.0), 0u);
    t.seekBy(50, 110.0);
    EXPECT_EQ(t.frameAt(110.0), 239u);  // past the end: the last frame
    t.step(1, 110.0);
    EXPECT_TRUE(t.paused());
    EXPECT_EQ(t.frameAt(111.0), 239u);
    t.step(-1, 111.0);
    EXPECT_EQ(t.frameAt(111.0), 238u);
    t.seekTo(0, 111.0);
    t.step(-1, 111.0);
    EXPECT_EQ(t.frameAt(111.0), 0u);
    t.togglePause(112.0);
    for (int i = 0; i < 5; ++i) t.faster(112.0);
    EXPECT_EQ(t.speed(), 4.0);
    EXPECT_EQ(t.frameAt(113.0), 96u);
    for (int i = 0; i < 3; ++i) t.slower(113.0);
    EXPECT_EQ(t.speed(), 1.0);
    t.setSpeed(0.75, 113.0);
    t.slower(113.0);
    EXPECT_EQ(t.speed(), 0.5);
    EXPECT_EQ(t.frameAt(115.0), 96u + 24u);
}

TEST(Transport, StopsOnTheLastFrameOrLoopsToTheFirst)
{
    Transport t(48, nullptr);
    t.start(1.5, 0.0);
    EXPECT_EQ(t.frameAt(0.6), 47u);
    EXPECT_TRUE(t.paused());
    EXPECT_EQ(t.frameAt(5.0), 47u);
    t.toggleLoop();
    t.togglePause(5.0);
    EXPECT_EQ(t.frameAt(5.0 + 1.0 / 24), 0u);  // the end wraps round to the start
    EXPECT_FALSE(t.paused());
    EXPECT_EQ(t.frameAt(5.5 + 1.0 / 24), 12u);
}

TEST(Transport, TheSoundtrackIsTheClockWhileHeardAndTheMonotonicClockTakesOverWithoutAJump)
{
    FakeSoundtrack sound;
    Transport t(24 * 60, &sound);
    t.start(10, 0.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"play", "seek 10.0"}));
    // Before the mixer has run, its reading is of before the restart: not believed.
    sound.heard = 0.2;
    EXPECT_EQ(t.frameAt(0.5), 252u);
    // Readings steadily ahead draw the picture to them, a little at each, never a frame back.
    std::size_t shown = 252;
    for (double now = 0.5; now < 0.9; now += 0.01) {
        sound.heard = 10 + now + 0.06;
        const std::size_t frame = t.frameAt(now);
        ASSERT_GE(frame, shown);
        shown = frame;
    }
    EXPECT_NEAR(t.position(0.9), 10.96, 0.005);
    // A jump is followed at once.
    sound.heard = 11.5;
    EXPECT_EQ(t.frameAt(0.9), 276u);
    // Pausing pauses it; resuming restarts it where the picture stands.
    t.togglePause(1.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"pause"}));
    t.togglePause(3.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"play", "seek 11.6"}));
    // A seek too.
    t.seekBy(5, 3.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"play", "seek 16.6"}));
    sound.heard = 17.08;
    EXPECT_EQ(t.frameAt(3.5), 409u);
    // Its end: the monotonic clock goes on from there.
    sound.heard = -1;
    EXPECT_EQ(t.frameAt(4.0), 421u);
    // An output that cannot play at other speeds is silenced there, and the monotonic clock runs
    // at that speed.
    t.seekTo(20, 4.0);
    taken(sound.calls);
    t.faster(4.0);
    EXPECT_TRUE(t.muted());
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"pause"}));
    EXPECT_EQ(t.frameAt(5.0), 24u * 21 + 12);
    t.slower(5.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"play", "seek 21.5"}));
    // Past the soundtrack's end there is nothing to restart.
    t.seekTo(45, 6.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"pause"}));
    EXPECT_EQ(t.frameAt(7.0), 24u * 46);
}

TEST(Transport, AStretchingSoundtrackStaysTheClockAtEverySpeedAndMutedToo)
{
    FakeSoundtrack sound;
    sound.stretches = true;
    Transport t(24 * 60, &sound);
    t.setSpeed(0.5, 0.0);
    t.start(10, 0.0);
    taken(sound.calls);
    // At half speed a reading a tenth of a second off is still one from before the restart...
    sound.heard = 9.85;
    EXPECT_EQ(t.frameAt(0.1), 241u);
    // ...and once believed, it drives the picture at that speed.
    sound.heard = 10.07;
    EXPECT_EQ(t.frameAt(0.12), 241u);
    sound.heard = 10.5;
    EXPECT_EQ(t.frameAt(1.0), 252u);
    EXPECT_FALSE(t.muted());
    // The speed keys restart it where the picture stands; at 4 its readings move four times as far.
    t.faster(1.0);
    t.faster(1.0);
    t.faster(1.0);
    t.faster(1.0);
    EXPECT_EQ(t.speed(), 4.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"play", "seek 10.5", "play", "seek 10.5", "play", "seek 10.5",
                                                           "play", "seek 10.5"}));
    sound.heard = 10.5 + 0.3;
    EXPECT_EQ(t.frameAt(1.0), 259u);
    sound.heard = 14.5;  // 0.3 behind the clock: drawn towards, not jumped to
    EXPECT_EQ(t.frameAt(2.0), 354u);
    // M silences it without stopping it: it plays on, and still drives.
    t.toggleMute();
    EXPECT_TRUE(t.muted());
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"mute"}));
    sound.heard = 20;
    EXPECT_EQ(t.frameAt(3.0), 480u);
    t.toggleMute();
    EXPECT_FALSE(t.muted());
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"unmute"}));
}

namespace {

struct ScriptedWindow : ReviewWindow {
    int open(const char*, int, bool) override { return 0; }
    std::string error() const override { return {}; }
    void setFullscreen(bool on) override { full = on; }
    bool fullscreen() const override { return full; }
    // Bars of 32 rows above and below the picture at 1x, room for the status line and seek bar.
    WindowSize size() const override { return {640, kBarRows + 480 + kBarRows}; }
    // Notes each picture shown between the bars when it differs from the one before.
    void show(std::span<const std::uint32_t> pixels, int width, int height, int scale) override
    {
        ASSERT_EQ(WindowSize(width, height), size());
        ASSERT_EQ(scale, 1);
        ++presents;
        screen.assign(pixels.begin(), pixels.end());
        PackedPicture picture(pixels.begin() + kBarRows * 640, pixels.begin() + (kBarRows + 480) * 640);
        if (pictures.empty() || picture != pictures.back()) pictures.push_back(std::move(picture));
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
    std::vector<PackedPicture> pictures;
    std::vector<std::uint32_t> screen;  // the last shown
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

}  // namespace

TEST(ReviewLoop, UploadsEachFrameOnceAsRenderedAndPresentsOnlyChanges)
{
    TempDir dir;
    const auto bytes = randomBytes(2400 * 48, 9);
    FrameList frames;
    frames.loadBytes(bytes);
    const GlyphTable glyphs = glyphsOf(randomBytes(8192, 4));
    ScriptedWindow window;
    WindowClock clock(window);
    ReviewEvent far_right;
    far_right.kind = ReviewEvent::Kind::pointer_down;
    far_right.x = 639;
    far_right.y = ScriptedWindow::kBarRows + 480 + 4;  // on the seek bar below the picture
    window.events = {{500, key(ReviewKey::space)}, {4000, key(ReviewKey::period)}, {4100, far_right},
                     {4200, key(ReviewKey::f)}, {9000, key(ReviewKey::q)}};
    ReviewDevices devices{window, nullptr, clock, nullptr, nullptr};
    LoadedFrames source(frames);
    EXPECT_EQ(review(source, glyphs, glyphs, ReviewSettings{}, devices), 0);
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
    WindowClock clock(window);
    const auto with = [](ReviewKey which, bool shift = false, int digit = 0) {
        ReviewEvent event = key(which);
        event.shift = shift;
        event.digit = digit;
        return event;
    };
    // Paused at once on frame 0; then each key, a second apart, and what it must show.
    const std::vector<std::pair<ReviewEvent, std::size_t>> steps = {
        {with(ReviewKey::right, true), 24},        // Shift+Right: 10% of 10 s
        {with(ReviewKey::digit, false, 5), 120},   // 5: 50%
        {with(ReviewKey::left, true), 96},         // Shift+Left: back 10%
        {with(ReviewKey::right), 216},             // Right: 5 s on
        {with(ReviewKey::left), 96},               // Left: 5 s back
        {with(ReviewKey::end), 239},
        {with(ReviewKey::home), 0},
        {with(ReviewKey::digit, false, 9), 216},
        {with(ReviewKey::period), 217},
        {with(ReviewKey::comma), 216},
    };
    window.events = {{0, key(ReviewKey::space)}};
    std::uint32_t at = 1000;
    for (const auto& [event, frame] : steps) window.events.push_back({at += 1000, event});
    window.events.push_back({at += 1000, key(ReviewKey::q)});
    ReviewDevices devices{window, nullptr, clock, nullptr, nullptr};
    ReviewSettings settings;
    LoadedFrames source(frames);
    EXPECT_EQ(review(source, glyphs, glyphs, settings, devices), 0);
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
    WindowClock clock(window);
    // ] twice: 1.5x then 2x, so the 2 s play in 1 s; L loops, so at 1.5 s the frame is 24 again.
    window.events = {{0, key(ReviewKey::bracket_right)}, {0, key(ReviewKey::bracket_right)}, {0, key(ReviewKey::l)},
                     {1500, key(ReviewKey::space)}, {2000, key(ReviewKey::q)}};
    ReviewDevices devices{window, nullptr, clock, nullptr, nullptr};
    LoadedFrames source(frames);
    EXPECT_EQ(review(source, glyphs, glyphs, ReviewSettings{}, devices), 0);
    ASSERT_FALSE(window.pictures.empty());
    const PackedPicture& paused_on = window.pictures.back();
    int matched = -1;
    for (int frame = 0; frame < 48; ++frame) {
        if (paused_on == renderFrame(frames[static_cast<std::size_t>(frame)], glyphs)) matched = frame;
    }
    // 1.5 s at 2x is 3 s of animation: once through (2 s) and 1 s into the second time, frame 24.
    EXPECT_NEAR(matched, 24, 2);
}

TEST(ReviewLoop, AboveOneTimesSpeedOnlyEveryOtherFrameIsShown)
{
    FrameList frames;
    frames.loadBytes(randomBytes(2400 * 48, 7));  // 2 s
    const GlyphTable glyphs = glyphsOf(randomBytes(8192, 8));
    ScriptedWindow window;
    WindowClock clock(window);
    window.events = {{900, key(ReviewKey::q)}};
    // Waking a little late, the frame due is often an odd one; it is the even one before it that
    // shows.
    window.late_ms = 30;
    ReviewDevices devices{window, nullptr, clock, nullptr, nullptr};
    ReviewSettings settings;
    settings.speed = 2;
    LoadedFrames source(frames);
    EXPECT_EQ(review(source, glyphs, glyphs, settings, devices), 0);
    std::vector<int> shown;
    for (const PackedPicture& picture : window.pictures) {
        int matched = -1;
        for (int frame = 0; frame < 48; ++frame) {
            if (picture == renderFrame(frames[static_cast<std::size_t>(frame)], glyphs)) matched = frame;
        }
        shown.push_back(matched);
    }
    EXPECT_GE(shown.size(), 10u);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(shown[i] >= 0 && shown[i] % 2 == 0 && (i == 0 || shown[i] > shown[i - 1])) << i << ": frame " << shown[i];
    }
}

TEST(ReviewLoop, DraggingOnTheSeekBarSeeksUntilTheButtonGoesUp)
{
    FrameList frames;
    frames.loadBytes(randomBytes(2400 * 240, 3));  // 10 s
    const GlyphTable glyphs = glyphsOf(randomBytes(8192, 4));
    ScriptedWindow window;
    WindowClock clock(window);
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
    ReviewDevices devices{window, nullptr, clock, nullptr, nullptr};
    LoadedFrames source(frames);
    EXPECT_EQ(review(source, glyphs, glyphs, ReviewSettings{}, devices), 0);
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
        for (int x = 0; x < 16; ++x) ASSERT_EQ(out[std::size_t(y * 16 + x)], picture[std::size_t(y / 2 * 8 + x / 2)]) << x << "," << y;
    }
    // At 2.25x the column is 2.25 pixels of white: two whole, a quarter blended at one side.
    scaler.configure(8, 2, 18, 4);
    out.assign(18 * 4, 0);
    scaler.scale(picture, out);
    const std::vector<std::uint32_t> row(out.begin(), out.begin() + 18);
    EXPECT_EQ(row, (std::vector<std::uint32_t>{0, 0, 0, 0, 0, 0, 0x404040, 0xFFFFFF, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // At half size, each pixel the average of the four it covers, channel by channel.
    scaler.configure(8, 2, 4, 1);
    out.assign(4, 0);
    scaler.scale(picture, out);
    EXPECT_EQ(out, (std::vector<std::uint32_t>{0x400000, 0x408080, 0, 0}));
}

TEST(FileFrames, GiveThePlayersFramesInAnyOrderAndOnlyWholeOnesOfAFileCutShort)
{
    TempDir dir;
    // Tails ignored (29) or a short last frame (30, 1000); 96 whole frames put that frame at the
    // start of a block of its own, 97 inside one.
    for (const std::size_t whole : {1u, 96u, 97u}) {
        for (const std::size_t tail : {0u, 29u, 30u, 1000u}) {
            const auto bytes = randomBytes(whole * kFrame + tail, static_cast<std::uint32_t>(whole + tail));
            const std::string path = dir.write("anim.kvq", bytes);
            FrameList loaded;
            ASSERT_EQ(loaded.load(path.c_str()), 0);
            FileProblem problem;
            FileFrames frames(path.c_str(), problem);
            ASSERT_EQ(frames.size(), loaded.size()) << whole << "+" << tail;
            // Backwards, then forwards, so that blocks are read, dropped and read again.
            for (std::size_t i = frames.size(); i-- > 0;) {
                ASSERT_TRUE(frames.frame(i) && frames.frame(i)->cells == loaded[i].cells) << whole << "+" << tail << " frame " << i;
            }
            for (std::size_t i = 0; i < frames.size(); ++i) ASSERT_TRUE(frames.frame(i)->cells == loaded[i].cells) << i;
            EXPECT_EQ(frames.frame(frames.size()), nullptr);
        }
    }
    // Cut short while open: the whole frames still there, nothing of the rest, no crash.
    const std::string path = dir.write("cut.kvq", randomBytes(200 * kFrame, 8));
    FileProblem problem;
    FileFrames frames(path.c_str(), problem);
    std::filesystem::resize_file(path, 100 * kFrame + 500);
    EXPECT_NE(frames.frame(99), nullptr);
    EXPECT_EQ(frames.frame(100), nullptr);
    EXPECT_EQ(frames.frame(150), nullptr);
    EXPECT_EQ(frames.size(), 200u) << "the length stays what it was when opened";
}

TEST(FileFrames, AFourGigabyteFileOpensWithoutReadingIt)
{
    TempDir dir;
    const std::string path = dir.file("big.kvq");
    { std::ofstream make(path); }
    std::filesystem::resize_file(path, 4'294'967'295u);  // sparse: no disk, nothing to read first
    FileProblem problem;
    FileFrames frames(path.c_str(), problem);
    EXPECT_EQ(problem.kind, FileProblem::Kind::none);
    EXPECT_EQ(frames.size(), 4'294'967'295u / kFrame + 1);  // 1'789'569 whole and a short one
    ASSERT_NE(frames.frame(frames.size() - 1), nullptr);
    ASSERT_NE(frames.frame(frames.size() / 2), nullptr);
    EXPECT_EQ(frames.frame(frames.size() / 2)->cells[0], 0);

    FileFrames none(dir.file("missing.kvq").c_str(), problem);
    EXPECT_EQ(problem.kind, FileProblem::Kind::cannot_open);
    EXPECT_EQ(none.size(), 0u);
}
