// SPDX-License-Identifier: MIT
#include "kvq/play/review_loop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "content/player_folder.h"
#include "devices/clock.h"
#include "devices/review_window.h"
#include "kvq/play/overlay.h"
#include "kvq/play/review_screen.h"
#include "kvq/play/transport.h"
#include "render/packed_picture.h"

namespace {

// How long the on-screen line stays after a key, and the seek bar after the mouse moves.
constexpr double kShowFor = 2.0;
// The longest wait for input, so that a termination signal is seen soon.
constexpr int kLongestWaitMs = 250;
// Drawing, uploading and presenting a frame takes a few milliseconds; more than this is a hiccup,
// not something to aim ahead for.
constexpr double kLongestLead = 0.03;

// Seconds from the 32-bit millisecond clock, carried across its wrap.
class Seconds {
public:
    explicit Seconds(Clock& clock) : clock_(clock), last_(clock.nowMs()) {}
    double now()
    {
        const std::uint32_t reading = clock_.nowMs();
        total_ms_ += static_cast<std::uint32_t>(reading - last_);
        last_ = reading;
        return static_cast<double>(total_ms_) / 1000.0;
    }

private:
    Clock& clock_;
    std::uint32_t last_;
    std::uint64_t total_ms_ = 0;
};

std::string statusLine(const Transport& transport, double now, std::size_t frame)
{
    char speed[32];
    std::snprintf(speed, sizeof speed, "%gx%s", transport.speed(), transport.muted() ? " muted" : "");
    // Frames counted from 0, as `kvq render --frame` takes them, so the frame seen can be rendered.
    std::string line = clockText(transport.position(now)) + " / " + clockText(transport.length()) + "  frame " +
                       std::to_string(frame) + " of 0-" + std::to_string(transport.frameCount() - 1) + "  " + speed;
    if (transport.paused()) line += "  paused";
    if (transport.looping()) line += "  loop";
    return line;
}

double monotonicSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// One review: what is on the screen, what is to be, and what the keys and the pointer do to it.
class Review {
public:
    Review(FrameSource& frames, const GlyphTable& glyphs, const GlyphTable& text_font, const ReviewSettings& settings,
           ReviewDevices& devices)
        : frames_(frames),
          glyphs_(glyphs),
          text_font_(text_font),
          devices_(devices),
          clock_(devices.clock),
          transport_(frames.size(), devices.soundtrack),
          now_(clock_.now()),
          line_until_(now_ + kShowFor)
    {
        transport_.setSpeed(settings.speed, now_);
        if (settings.loop) transport_.toggleLoop();
        transport_.start(settings.start_seconds, now_);
        screen_.resize(devices.window.size());
    }

    int run()
    {
        while (!devices_.stop || devices_.stop->load() == 0) {
            now_ = clock_.now();
            // When the frame to show is chosen, traced with it: on a busy machine the present can
            // come long after, and the choice is what the sound is judged against.
            const double chosen_at = devices_.trace ? monotonicSeconds() : 0;
            // Faster than 1, only every n-th frame is shown (n the speed rounded up), so that the
            // picture changes no more often than the animation's own rate, evenly, and each whole
            // second's first frame still comes on time.
            const std::size_t stride =
                transport_.paused() ? 1 : static_cast<std::size_t>(std::ceil(transport_.speed()));
            std::size_t frame = transport_.frameAt(now_, lead_);
            if (frame + 1 < transport_.frameCount()) frame -= frame % stride;
            const OverlayContent content = overlay(frame);
            update(frame, content, chosen_at);
            ReviewEvent event;
            for (int timeout = std::max(1, static_cast<int>(std::ceil(waitSeconds(content, stride) * 1000)));
                 devices_.window.waitEvent(event, timeout); timeout = 0) {
                now_ = clock_.now();
                if (handle(event)) return 0;
            }
        }
        return 128 + devices_.stop->load();
    }

private:
    OverlayContent overlay(std::size_t frame)
    {
        OverlayContent content;
        if (transport_.paused() || now_ < line_until_) content.line = statusLine(transport_, now_, frame);
        if (dragging_ || now_ < bar_until_) {
            content.bar = true;
            content.fraction = transport_.length() > 0 ? transport_.position(now_) / transport_.length() : 0;
            content.bar_text = clockText(transport_.position(now_)) + " / " + clockText(transport_.length());
        }
        return content;
    }

    // Draws and presents what changed, and only then.
    void update(std::size_t frame, const OverlayContent& content, double chosen_at)
    {
        const TextFrame* text = frame != shown_frame_ ? frames_.frame(frame) : nullptr;
        if (text) {
            renderFrame(*text, glyphs_, picture_);
            screen_.setPicture(picture_);
            shown_frame_ = frame;
            present_ = true;
        }
        if (!(content == shown_overlay_)) {
            shown_overlay_ = content;
            present_ = true;
        }
        if (!present_) return;
        const ScreenLayout& layout = screen_.layout();
        devices_.window.show(screen_.compose(content, text_font_), layout.width, layout.height, screen_.scale());
        // The frame chosen is the one due when it will be on the screen, this much later.
        lead_ = 0.8 * lead_ + 0.2 * std::clamp(clock_.now() - now_, 0.0, kLongestLead);
        if (devices_.trace) {
            std::fprintf(devices_.trace, "%.6f chosen %zu\n%.6f present %zu\n", chosen_at, shown_frame_,
                         monotonicSeconds(), shown_frame_);
            std::fflush(devices_.trace);
        }
        present_ = false;
    }

    // Until the next frame is due, or the next tenth of a second the line shows, or the line or
    // bar is to go.
    double waitSeconds(const OverlayContent& content, std::size_t stride) const
    {
        double wait = kLongestWaitMs / 1000.0;
        if (!transport_.paused()) {
            const double at = transport_.position(now_) + lead_ * transport_.speed();
            const double frames = static_cast<double>(stride);
            const double next = (std::floor(at * kFramesPerSecond / frames + 1e-9) + 1) * frames / kFramesPerSecond;
            wait = std::min(wait, (next - at) / transport_.speed());
            if (!content.line.empty() || content.bar) wait = std::min(wait, 0.1);
        }
        for (const double until : {line_until_, bar_until_}) {
            if (until > now_) wait = std::min(wait, until - now_);
        }
        return wait;
    }

    // True when the event ends the review.
    bool handle(ReviewEvent event)
    {
        // Pointer positions in the pixels the screen is laid out in.
        event.x /= screen_.scale();
        event.y /= screen_.scale();
        switch (event.kind) {
        case ReviewEvent::Kind::key:
            return handleKey(event);
        case ReviewEvent::Kind::pointer_move:
            bar_until_ = now_ + kShowFor;
            if (dragging_) seekToPointer(event);
            break;
        case ReviewEvent::Kind::pointer_down:
            bar_until_ = now_ + kShowFor;
            if (screen_.layout().bar.area.contains(event.x, event.y)) {
                dragging_ = true;
                seekToPointer(event);
            }
            break;
        case ReviewEvent::Kind::pointer_up:
            dragging_ = false;
            break;
        case ReviewEvent::Kind::double_click:
            toggleFullscreen();
            break;
        case ReviewEvent::Kind::close:
            return true;
        case ReviewEvent::Kind::redraw:
            screen_.resize(devices_.window.size());
            present_ = true;
            break;
        }
        return false;
    }

    bool handleKey(const ReviewEvent& event)
    {
        if (devices_.trace) {
            std::fprintf(devices_.trace, "%.6f key %d\n", monotonicSeconds(), static_cast<int>(event.key));
            std::fflush(devices_.trace);
        }
        line_until_ = now_ + kShowFor;
        Transport& t = transport_;
        switch (event.key) {
        case ReviewKey::space:
            t.togglePause(now_);
            break;
        case ReviewKey::left:
            t.seekBy(event.shift ? -t.length() / 10 : -Transport::kSeekStepSeconds, now_);
            break;
        case ReviewKey::right:
            t.seekBy(event.shift ? t.length() / 10 : Transport::kSeekStepSeconds, now_);
            break;
        case ReviewKey::digit:
            t.seekTo(t.length() * event.digit / 10, now_);
            break;
        case ReviewKey::home:
            t.seekTo(0, now_);
            break;
        case ReviewKey::end:
            t.seekTo(t.length(), now_);
            break;
        case ReviewKey::comma:
            t.step(-1, now_);
            break;
        case ReviewKey::period:
            t.step(1, now_);
            break;
        case ReviewKey::bracket_left:
            t.slower(now_);
            break;
        case ReviewKey::bracket_right:
            t.faster(now_);
            break;
        case ReviewKey::l:
            t.toggleLoop();
            break;
        case ReviewKey::m:
            t.toggleMute();
            break;
        case ReviewKey::f:
        case ReviewKey::f11:
            toggleFullscreen();
            break;
        case ReviewKey::q:
        case ReviewKey::escape:
            return true;
        case ReviewKey::other:
            break;
        }
        return false;
    }

    void seekToPointer(const ReviewEvent& event)
    {
        const ScreenRect& bar = screen_.layout().bar.area;
        transport_.seekTo(std::clamp((event.x - bar.x) / bar.width, 0.0, 1.0) * transport_.length(), now_);
    }

    void toggleFullscreen() { devices_.window.setFullscreen(!devices_.window.fullscreen()); }

    FrameSource& frames_;
    const GlyphTable& glyphs_;
    const GlyphTable& text_font_;
    ReviewDevices& devices_;
    Seconds clock_;
    Transport transport_;
    double now_;
    PackedPicture picture_;
    ReviewScreen screen_;
    std::size_t shown_frame_ = static_cast<std::size_t>(-1);
    OverlayContent shown_overlay_;
    bool present_ = true;
    double line_until_;
    double bar_until_ = -1;
    bool dragging_ = false;
    double lead_ = 0.01;
};

}  // namespace

int review(FrameSource& frames, const GlyphTable& glyphs, const GlyphTable& text_font, const ReviewSettings& settings,
           ReviewDevices& devices)
{
    return Review(frames, glyphs, text_font, settings, devices).run();
}
