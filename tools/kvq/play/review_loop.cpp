// SPDX-License-Identifier: MIT
#include "kvq/play/review_loop.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "content/player_folder.h"
#include "devices/clock.h"
#include "devices/review_window.h"
#include "kvq/play/clock_seconds.h"
#include "kvq/play/key_help.h"
#include "kvq/play/overlay.h"
#include "kvq/play/review_surface.h"
#include "kvq/play/scroll_view.h"
#include "kvq/play/transport.h"
#include "render/cell_drawing.h"

namespace {

// How long the on-screen line stays after a key, and the seek bar after the mouse moves.
constexpr double kShowFor = 2.0;
// The longest wait for input, so that a termination signal is seen soon.
constexpr int kLongestWaitMs = 250;
// Drawing, uploading and presenting a frame takes a few milliseconds; more than this is a hiccup,
// not something to aim ahead for.
constexpr double kLongestLead = 0.03;
// VGA's blink: a half cycle is 16 refreshes at 70 Hz.
constexpr double kBlinkHalfSeconds = 16.0 / 70.0;
// A key that moves the view glides it there over this long, slowing as it arrives, so that the eye
// follows where it went; and draws it this often meanwhile.
constexpr double kGlideSeconds = 0.15;
constexpr double kGlideStepSeconds = 1.0 / 60;
constexpr int kWheelRows = 3;

// What the line says of a tall picture's view: the text rows in it, counted from 1 as a person
// counts a piece's lines, and the automatic scroll.
struct ViewText {
    int first_row = 0, last_row = 0, rows = 0;
    bool scrolling = false;
    double row_rate = 0;
};

std::string statusLine(const Transport& transport, double now, std::size_t frame, bool still,
                       const std::optional<ViewText>& view)
{
    char speed[32];
    std::snprintf(speed, sizeof speed, "%gx%s", transport.speed(), transport.muted() ? " muted" : "");
    std::string line = clockText(transport.position(now));
    if (!transport.endless()) line += " / " + clockText(transport.length());
    // Frames counted from 0, as `kvq render --frame` takes them, so the frame seen can be rendered.
    if (!still) line += "  frame " + std::to_string(frame) + " of 0-" + std::to_string(transport.frameCount() - 1);
    if (view) {
        char rows[96];
        std::snprintf(rows, sizeof rows, "rows %d-%d of %d  scroll %g rows/s%s", view->first_row, view->last_row,
                      view->rows, view->row_rate, view->scrolling ? "" : " off");
        line += std::string("  ") + rows;
    }
    line += std::string("  ") + speed;
    if (transport.paused()) line += "  paused";
    if (transport.looping()) line += "  loop";
    return line;
}

// One review: what is on the screen, what is to be, and what the keys and the pointer do to it.
class Review {
public:
    Review(Artwork& artwork, const ReviewSettings& settings, ReviewDevices& devices)
        : artwork_(artwork),
          devices_(devices),
          surface_(devices.surface),
          clock_(devices.clock),
          still_(settings.still),
          transport_(still_ ? Transport::still(devices.soundtrack)
                            : Transport(static_cast<std::size_t>(artwork.frameCount()), devices.soundtrack)),
          scroll_(artwork.font().height, 0),
          now_(clock_.now()),
          line_until_(now_ + kShowFor)
    {
        transport_.setSpeed(settings.speed, now_);
        if (settings.loop) transport_.toggleLoop();
        transport_.start(settings.start_seconds, now_);
        surface_.layOut(artwork.widthPixels(), artwork.heightPixels());
        scroll_.setRange(artwork.heightPixels() - surface_.viewHeight(), 0);
        // Scrolling from the timeline's start, so that --start finds the view where the scroll
        // would have brought it by then.
        if (settings.scroll_rows_per_second) {
            scroll_.setRowRate(*settings.scroll_rows_per_second, 0);
            scroll_.toggleScrolling(0);
        }
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
                 surface_.waitEvent(event, timeout); timeout = 0) {
                now_ = clock_.now();
                if (handle(event)) return 0;
            }
        }
        return 128 + devices_.stop->load();
    }

private:
    // The timeline's time that the picture shown is due at: where the transport will be once it is
    // on the screen.
    double shownTime() const
    {
        const double at = transport_.position(now_);
        return transport_.paused() ? at : at + lead_ * transport_.speed();
    }

    OverlayContent overlay(std::size_t frame)
    {
        OverlayContent content;
        if (transport_.paused() || now_ < line_until_) {
            std::optional<ViewText> view;
            if (scroll_.range() > 0) {
                const int row_height = std::max(1, artwork_.font().height);
                const int top = scroll_.offset(transport_.position(now_));
                view = ViewText{top / row_height + 1, (top + surface_.viewHeight() - 1) / row_height + 1,
                                artwork_.heightPixels() / row_height, scroll_.scrolling(), scroll_.rowRate()};
            }
            content.line = statusLine(transport_, now_, frame, still_, view);
        }
        if (help_) content.help = keyHelp(still_, scroll_.range() > 0);
        if (!transport_.endless() && (dragging_ || now_ < bar_until_)) {
            content.bar = true;
            content.fraction = transport_.length() > 0 ? transport_.position(now_) / transport_.length() : 0;
            content.bar_text = clockText(transport_.position(now_)) + " / " + clockText(transport_.length());
        }
        return content;
    }

    // Draws and presents what changed, and only then.
    void update(std::size_t frame, const OverlayContent& content, double chosen_at)
    {
        const double at = shownTime();
        const bool blink_lit = !artwork_.blinks() || blinkLitAt(at);
        const int top = viewTop(at);
        if (!picture_drawn_ || frame != shown_frame_ || blink_lit != shown_blink_lit_ || top != shown_top_) {
            if (const CellPicture* cells = artwork_.cells(frame)) {
                surface_.drawPicture(*cells, artwork_.font(), artwork_.letterSpacing(), blink_lit, top);
                shown_frame_ = frame;
                shown_blink_lit_ = blink_lit;
                shown_top_ = top;
                picture_drawn_ = true;
                present_ = true;
                if (devices_.trace && scroll_.range() > 0) {
                    std::fprintf(devices_.trace, "%.6f scroll %d\n", monotonicSeconds(), top);
                }
            }
        }
        if (!(content == shown_overlay_)) {
            shown_overlay_ = content;
            present_ = true;
        }
        if (!present_) return;
        surface_.present(content);
        // The frame chosen is the one due when it will be on the screen, this much later.
        lead_ = 0.8 * lead_ + 0.2 * std::clamp(clock_.now() - now_, 0.0, kLongestLead);
        if (devices_.trace) {
            std::fprintf(devices_.trace, "%.6f chosen %zu\n%.6f present %zu\n", chosen_at, shown_frame_,
                         monotonicSeconds(), shown_frame_);
            std::fflush(devices_.trace);
        }
        present_ = false;
    }

    // Until the next frame is due, the next blink or scrolled row, or the next tenth of a second the
    // line shows, or the line or bar is to go.
    double waitSeconds(const OverlayContent& content, std::size_t stride) const
    {
        double wait = kLongestWaitMs / 1000.0;
        if (!transport_.paused()) {
            const double at = transport_.position(now_) + lead_ * transport_.speed();
            const double speed = transport_.speed();
            if (!still_) {
                const double frames = static_cast<double>(stride);
                const double next = (std::floor(at * kFramesPerSecond / frames + 1e-9) + 1) * frames / kFramesPerSecond;
                wait = std::min(wait, (next - at) / speed);
            }
            if (artwork_.blinks()) {
                const double next = (std::floor(at / kBlinkHalfSeconds + 1e-9) + 1) * kBlinkHalfSeconds;
                wait = std::min(wait, (next - at) / speed);
            }
            if (const double row = scroll_.untilNextRow(at); row >= 0) wait = std::min(wait, row / speed);
            if (!content.line.empty() || content.bar) wait = std::min(wait, 0.1);
        }
        if (now_ < glide_started_ + kGlideSeconds) wait = std::min(wait, kGlideStepSeconds);
        for (const double until : {line_until_, bar_until_}) {
            if (until > now_) wait = std::min(wait, until - now_);
        }
        return wait;
    }

    // True when the event ends the review.
    bool handle(ReviewEvent event)
    {
        switch (event.kind) {
        case ReviewEvent::Kind::key:
            return handleKey(event);
        case ReviewEvent::Kind::pointer_move:
            bar_until_ = now_ + kShowFor;
            if (dragging_) seekToPointer(event);
            break;
        case ReviewEvent::Kind::pointer_down:
            bar_until_ = now_ + kShowFor;
            if (!transport_.endless() && surface_.seekBar().contains(event.x, event.y)) {
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
        case ReviewEvent::Kind::wheel:
            // Three text rows a notch, as text views scroll.
            glide();
            scroll_.scrollBy(event.wheel * kWheelRows * std::max(1, artwork_.font().height), transport_.position(now_));
            break;
        case ReviewEvent::Kind::close:
            return true;
        case ReviewEvent::Kind::redraw:
            if (surface_.layOut(artwork_.widthPixels(), artwork_.heightPixels())) {
                scroll_.setRange(artwork_.heightPixels() - surface_.viewHeight(), transport_.position(now_));
                picture_drawn_ = false;
            }
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
        // A timeline without an end has no tenths to jump to.
        const bool bounded = !t.endless();
        const double at = t.position(now_);
        const int line = std::max(1, artwork_.font().height);
        switch (event.key) {
        case ReviewKey::space:
            t.togglePause(now_);
            break;
        case ReviewKey::left:
            if (!event.shift || bounded) t.seekBy(event.shift ? -t.length() / 10 : -Transport::kSeekStepSeconds, now_);
            break;
        case ReviewKey::right:
            if (!event.shift || bounded) t.seekBy(event.shift ? t.length() / 10 : Transport::kSeekStepSeconds, now_);
            break;
        case ReviewKey::up:
            glide();
            scroll_.scrollBy(-line, at);
            break;
        case ReviewKey::down:
            glide();
            scroll_.scrollBy(line, at);
            break;
        case ReviewKey::page_up:
            glide();
            scroll_.scrollBy(-surface_.viewHeight(), at);
            break;
        case ReviewKey::page_down:
            glide();
            scroll_.scrollBy(surface_.viewHeight(), at);
            break;
        case ReviewKey::digit:
            if (bounded) t.seekTo(t.length() * event.digit / 10, now_);
            break;
        case ReviewKey::home:
            // A still picture's ends are its top and bottom; an animation's, its first and last frames.
            if (still_) {
                glide();
                scroll_.scrollTo(0, at);
            } else {
                t.seekTo(0, now_);
            }
            break;
        case ReviewKey::end:
            if (still_) {
                glide();
                scroll_.scrollTo(scroll_.range(), at);
            } else {
                t.seekTo(t.length(), now_);
            }
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
        case ReviewKey::s:
            scroll_.toggleScrolling(at);
            break;
        case ReviewKey::h:
            help_ = !help_;
            break;
        case ReviewKey::minus:
            scroll_.slower(at);
            break;
        case ReviewKey::plus:
            scroll_.faster(at);
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
        const ScreenRect bar = surface_.seekBar();
        transport_.seekTo(std::clamp((event.x - bar.x) / bar.width, 0.0, 1.0) * transport_.length(), now_);
    }

    // The first picture row shown at timeline time `at`: where the view is, or on the way there
    // while it glides.
    int viewTop(double at) const
    {
        const int target = scroll_.offset(at);
        const double progress = (now_ - glide_started_) / kGlideSeconds;
        if (progress >= 1) return target;
        const double eased = 1 - (1 - progress) * (1 - progress);
        return static_cast<int>(std::lround(glide_from_ + (target - glide_from_) * eased));
    }

    // The view is about to jump: it glides from where it shows now.
    void glide()
    {
        glide_from_ = shown_top_;
        glide_started_ = now_;
    }

    void toggleFullscreen() { surface_.setFullscreen(!surface_.fullscreen()); }

    Artwork& artwork_;
    ReviewDevices& devices_;
    ReviewSurface& surface_;
    ClockSeconds clock_;
    bool still_;
    Transport transport_;
    ScrollView scroll_;
    double now_;
    std::size_t shown_frame_ = static_cast<std::size_t>(-1);
    bool shown_blink_lit_ = true;
    int shown_top_ = 0;
    bool picture_drawn_ = false;
    OverlayContent shown_overlay_;
    bool present_ = true;
    double line_until_;
    double bar_until_ = -1;
    bool dragging_ = false;
    double lead_ = 0.01;
    bool help_ = false;
    double glide_from_ = 0;
    double glide_started_ = -kGlideSeconds;
};

}  // namespace

int review(Artwork& artwork, const ReviewSettings& settings, ReviewDevices& devices)
{
    return Review(artwork, settings, devices).run();
}
