// SPDX-License-Identifier: MIT
#include "kvq/play/review_loop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "content/player_files.h"
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

}  // namespace

int review(FrameSource& frames, const GlyphTable& glyphs, const GlyphTable& text_font, const ReviewSettings& settings,
           ReviewDevices& devices)
{
    Seconds clock(devices.clock);
    Transport transport(frames.size(), devices.soundtrack);
    double now = clock.now();
    transport.setSpeed(settings.speed, now);
    if (settings.loop) transport.toggleLoop();
    transport.start(settings.start_seconds, now);

    PackedPicture picture;
    ReviewScreen screen;
    screen.resize(devices.window.size());
    std::size_t shown_frame = static_cast<std::size_t>(-1);
    OverlayContent shown_overlay;
    bool present = true;
    double line_until = now + kShowFor;
    double bar_until = -1;
    bool dragging = false;
    double lead = 0.01;

    const auto seekToPointer = [&](const ReviewEvent& event) {
        const ScreenRect& bar = screen.layout().bar.area;
        transport.seekTo(std::clamp((event.x - bar.x) / bar.width, 0.0, 1.0) * transport.length(), now);
    };
    while (!devices.stop || devices.stop->load() == 0) {
        now = clock.now();
        // When the frame to show is chosen, traced with it: on a busy machine the present can
        // come long after, and the choice is what the sound is judged against.
        const double chosen_at = devices.trace ? monotonicSeconds() : 0;
        // Faster than 1, only every n-th frame is shown (n the speed rounded up), so that the
        // picture changes no more often than the animation's own rate, evenly, and each whole
        // second's first frame still comes on time.
        const std::size_t stride = transport.paused() ? 1 : static_cast<std::size_t>(std::ceil(transport.speed()));
        std::size_t frame = transport.frameAt(now, lead);
        if (frame + 1 < transport.frameCount()) frame -= frame % stride;
        OverlayContent content;
        if (transport.paused() || now < line_until) content.line = statusLine(transport, now, frame);
        if (dragging || now < bar_until) {
            content.bar = true;
            content.fraction = transport.length() > 0 ? transport.position(now) / transport.length() : 0;
            content.bar_text = clockText(transport.position(now)) + " / " + clockText(transport.length());
        }
        const TextFrame* text = frame != shown_frame ? frames.frame(frame) : nullptr;
        if (text) {
            renderFrame(*text, glyphs, picture);
            screen.setPicture(picture);
            shown_frame = frame;
            present = true;
        }
        if (!(content == shown_overlay)) {
            shown_overlay = content;
            present = true;
        }
        if (present) {
            const ScreenLayout& layout = screen.layout();
            devices.window.show(screen.compose(content, text_font), layout.width, layout.height, screen.scale());
            // The frame chosen is the one due when it will be on the screen, this much later.
            lead = 0.8 * lead + 0.2 * std::clamp(clock.now() - now, 0.0, kLongestLead);
            if (devices.trace) {
                std::fprintf(devices.trace, "%.6f chosen %zu\n%.6f present %zu\n", chosen_at, shown_frame,
                             monotonicSeconds(), shown_frame);
                std::fflush(devices.trace);
            }
            present = false;
        }

        // Until the next frame is due, or the next tenth of a second the line shows, or the line
        // or bar is to go.
        double wait = kLongestWaitMs / 1000.0;
        if (!transport.paused()) {
            const double at = transport.position(now) + lead * transport.speed();
            const double frames = static_cast<double>(stride);
            const double next = (std::floor(at * kFramesPerSecond / frames + 1e-9) + 1) * frames / kFramesPerSecond;
            wait = std::min(wait, (next - at) / transport.speed());
            if (!content.line.empty() || content.bar) wait = std::min(wait, 0.1);
        }
        for (const double until : {line_until, bar_until}) {
            if (until > now) wait = std::min(wait, until - now);
        }
        ReviewEvent event;
        for (int timeout = std::max(1, static_cast<int>(std::ceil(wait * 1000))); devices.window.waitEvent(event, timeout); timeout = 0) {
            now = clock.now();
            // Pointer positions in the pixels the screen is laid out in.
            event.x /= screen.scale();
            event.y /= screen.scale();
            if (devices.trace && event.kind == ReviewEvent::Kind::key) {
                std::fprintf(devices.trace, "%.6f key %d\n", monotonicSeconds(), static_cast<int>(event.key));
                std::fflush(devices.trace);
            }
            switch (event.kind) {
            case ReviewEvent::Kind::key:
                line_until = now + kShowFor;
                switch (event.key) {
                case ReviewKey::space: transport.togglePause(now); break;
                case ReviewKey::left: transport.seekBy(event.shift ? -transport.length() / 10 : -5.0, now); break;
                case ReviewKey::right: transport.seekBy(event.shift ? transport.length() / 10 : 5.0, now); break;
                case ReviewKey::digit: transport.seekTo(transport.length() * event.digit / 10, now); break;
                case ReviewKey::home: transport.seekTo(0, now); break;
                case ReviewKey::end: transport.seekTo(transport.length(), now); break;
                case ReviewKey::comma: transport.step(-1, now); break;
                case ReviewKey::period: transport.step(1, now); break;
                case ReviewKey::bracket_left: transport.slower(now); break;
                case ReviewKey::bracket_right: transport.faster(now); break;
                case ReviewKey::l: transport.toggleLoop(); break;
                case ReviewKey::m: transport.toggleMute(); break;
                case ReviewKey::f:
                case ReviewKey::f11: devices.window.setFullscreen(!devices.window.fullscreen()); break;
                case ReviewKey::q:
                case ReviewKey::escape: return 0;
                case ReviewKey::other: break;
                }
                break;
            case ReviewEvent::Kind::pointer_move:
                bar_until = now + kShowFor;
                if (dragging) seekToPointer(event);
                break;
            case ReviewEvent::Kind::pointer_down:
                bar_until = now + kShowFor;
                if (screen.layout().bar.area.contains(event.x, event.y)) {
                    dragging = true;
                    seekToPointer(event);
                }
                break;
            case ReviewEvent::Kind::pointer_up: dragging = false; break;
            case ReviewEvent::Kind::double_click: devices.window.setFullscreen(!devices.window.fullscreen()); break;
            case ReviewEvent::Kind::close: return 0;
            case ReviewEvent::Kind::redraw:
                screen.resize(devices.window.size());
                present = true;
                break;
            }
        }
    }
    return 128 + devices.stop->load();
}
