// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/terminal_surface.h"

#include "kvq/play/clock_seconds.h"

#include <algorithm>
#include <cmath>

namespace {

// Asked after each picture: the terminal answers ESC[0n once it has read, and so drawn, all before it.
constexpr std::string_view kAreYouThere = "\x1b[5n";
constexpr std::string_view kClear = "\x1b[0m\x1b[H\x1b[2J";
// A terminal that never answered anything is paced by what it takes; one that did answer but has
// not answered a picture for this long is taken to have lost the question.
constexpr double kLostAnswerSeconds = 5.0;
constexpr double kTakenPollSeconds = 0.01;

}  // namespace

TerminalProtocol protocolFor(const TerminalCapabilities& capabilities)
{
    if (capabilities.cell_width <= 0 || capabilities.cell_height <= 0) return TerminalProtocol::text;
    // Both where a terminal has both: kitty's colours are exact, sixel's are percentages.
    if (capabilities.kitty_graphics) return TerminalProtocol::kitty;
    if (capabilities.sixel) return TerminalProtocol::sixel;
    return TerminalProtocol::text;
}

TerminalSurface::TerminalSurface(TerminalLink& link, TerminalInput& input, TerminalProtocol protocol,
                                 const TerminalCapabilities& capabilities, const GlyphTable& text_font,
                                 const CellFont& picture_font, int letter_spacing, Clock& clock, std::FILE* trace)
    : link_(link),
      input_(input),
      protocol_(protocol),
      capabilities_(capabilities),
      text_font_(text_font),
      trace_(trace),
      seconds_(clock),
      font_height_(std::max(1, picture_font.height)),
      cell_width_(std::max(1, letter_spacing))
{
    switch (protocol) {
    case TerminalProtocol::sixel:
        pixels_ = makeSixelPainter();
        break;
    case TerminalProtocol::kitty:
        pixels_ = makeKittyPainter();
        break;
    case TerminalProtocol::text:
        text_ = std::make_unique<TextPainter>(picture_font,
                                              capabilities.direct_colour ? TextColours::direct : TextColours::sixteen);
        break;
    }
}

TerminalSurface::TerminalSurface(TerminalLink& link, TerminalInput& input, std::unique_ptr<PixelPainter> painter,
                                 const TerminalCapabilities& capabilities, const GlyphTable& text_font, Clock& clock,
                                 std::FILE* trace)
    : link_(link),
      input_(input),
      protocol_(TerminalProtocol::kitty),
      capabilities_(capabilities),
      text_font_(text_font),
      trace_(trace),
      seconds_(clock),
      pixels_(std::move(painter)),
      font_height_(16),
      cell_width_(8)
{
}

bool TerminalSurface::layOut(int picture_width, int picture_height)
{
    const TerminalSize size = link_.size();
    const int rows = picture_height / font_height_;
    if (laid_out_ && size == size_ &&
        (text_ ? rows == picture_rows_
               : screen_.pictureHeight() == picture_height && screen_.pictureWidth() == picture_width)) {
        return false;
    }
    size_ = size;
    laid_out_ = true;
    picture_rows_ = rows;
    if (text_) {
        text_->layOut(size_, picture_width / cell_width_, picture_rows_);
    } else {
        layOutPixels(picture_width, picture_height);
        pixels_->forget();
    }
    // What was waiting was laid out for the old size; the review draws and presents again.
    clear_ = true;
    waiting_ = false;
    return true;
}

// Pictures larger than the terminal are scaled down by area; those it holds are shown at the largest
// whole multiple, sharp, between bars that hold the line and the seek bar, as the window shows them.
// The last row stays free: a picture that reaches it scrolls the terminal.
void TerminalSurface::layOutPixels(int picture_width, int picture_height)
{
    int cell_width = capabilities_.cell_width, cell_height = capabilities_.cell_height;
    if (cell_width <= 0 && size_.columns > 0) cell_width = size_.width_pixels / size_.columns;
    if (cell_height <= 0 && size_.rows > 0) cell_height = size_.height_pixels / size_.rows;
    cell_width = std::max(1, cell_width);
    cell_height = std::max(1, cell_height);
    int room_width = std::max(1, size_.columns * cell_width);
    int room_height = std::max(1, (size_.rows - 1) * cell_height);
    if (protocol_ == TerminalProtocol::sixel) {
        if (capabilities_.max_sixel_width > 0) room_width = std::min(room_width, capabilities_.max_sixel_width);
        if (capabilities_.max_sixel_height > 0) room_height = std::min(room_height, capabilities_.max_sixel_height);
    }
    const int width = std::max(1, picture_width), height = std::max(1, picture_height);
    const bool tall = static_cast<long long>(height) * 4 > static_cast<long long>(width) * 3;
    const int multiple = tall ? room_width / width : std::min(room_width / width, room_height / height);
    int area_width = room_width, area_height = room_height;
    if (multiple >= 1) {
        // One side exactly a multiple of the picture, so that it is laid out at that multiple.
        if (tall || static_cast<long long>(room_width) * height <= static_cast<long long>(room_height) * width) {
            area_width = multiple * width;
            area_height = room_height / multiple * multiple;
        } else {
            area_height = multiple * height;
            area_width = room_width / multiple * multiple;
        }
    }
    screen_.setPictureSize(width, height);
    screen_.resize(WindowSize{area_width, area_height});
    placement_ =
        PixelPlacement{(size_.columns * cell_width - area_width) / 2 / cell_width,
                       ((size_.rows - 1) * cell_height - area_height) / 2 / cell_height, cell_width, cell_height};
}

int TerminalSurface::viewHeight() const
{
    if (!text_) return screen_.viewHeight();
    return std::clamp(text_->viewRows(), 1, std::max(1, picture_rows_)) * font_height_;
}

void TerminalSurface::drawPicture(const CellPicture& picture, const CellFont& font, int letter_spacing, bool blink_lit,
                                  int top)
{
    if (text_) {
        cells_ = picture;
        top_row_ = std::max(0, top) / font_height_;
        blink_lit_ = blink_lit;
        return;
    }
    view_.draw(picture, font, letter_spacing, blink_lit, top, screen_.pictureWidth(), screen_.viewHeight(), picture_);
    screen_.setPicture(picture_);
}

void TerminalSurface::present(const OverlayContent& content)
{
    if (text_) {
        overlay_ = content;
    } else {
        const std::span<const std::uint32_t> composed = screen_.compose(content, text_font_);
        wanted_.assign(composed.begin(), composed.end());
        wanted_width_ = screen_.layout().width;
        wanted_height_ = screen_.layout().height;
        wanted_scale_ = screen_.scale();
    }
    waiting_ = true;
    send();
}

void TerminalSurface::send()
{
    if (!waiting_ || in_flight_) return;
    std::string bytes;
    if (clear_) bytes = kClear;
    clear_ = false;
    if (text_) {
        bytes += text_->paint(cells_, top_row_, blink_lit_, overlay_);
    } else {
        bytes += pixels_->paint(wanted_, wanted_width_, wanted_height_, wanted_scale_, placement_);
    }
    bytes += kAreYouThere;
    link_.write(bytes);
    waiting_ = false;
    in_flight_ = true;
    sent_at_ = seconds_.now();
    ++sent_.frames;
    sent_.bytes += bytes.size();
    if (trace_) std::fprintf(trace_, "%.6f sent %zu\n", monotonicSeconds(), bytes.size());
}

bool TerminalSurface::waitEvent(ReviewEvent& event, int timeout_ms)
{
    const double until = seconds_.now() + timeout_ms / 1000.0;
    std::string bytes;
    for (;;) {
        const double now = seconds_.now();
        if (resized_) {
            resized_ = false;
            event = ReviewEvent{};
            event.kind = ReviewEvent::Kind::redraw;
            return true;
        }
        if (input_.next(event, now)) return true;
        if (now >= until) return false;
        double wait = until - now;
        if (const double escape = input_.escapeDueAt(); escape >= 0) wait = std::min(wait, std::max(0.0, escape - now));
        if (in_flight_) wait = std::min(wait, kTakenPollSeconds);
        bytes.clear();
        switch (link_.wait(bytes, static_cast<int>(std::ceil(wait * 1000)))) {
        case TerminalLink::Happened::input:
            input_.feed(bytes, seconds_.now());
            // Replies to the queries at the start may come late; they are of no use now.
            input_.takeReplies();
            if (input_.takeStatusReplies() > 0 && in_flight_) {
                in_flight_ = false;
                if (trace_) {
                    std::fprintf(trace_, "%.6f shown\n", monotonicSeconds());
                    std::fflush(trace_);
                }
            }
            break;
        case TerminalLink::Happened::resized:
            resized_ = true;
            break;
        case TerminalLink::Happened::closed:
            event = ReviewEvent{};
            event.kind = ReviewEvent::Kind::close;
            return true;
        case TerminalLink::Happened::timeout:
            break;
        }
        if (in_flight_ && link_.unsent() == 0 &&
            (!capabilities_.answered || seconds_.now() - sent_at_ > kLostAnswerSeconds)) {
            in_flight_ = false;
        }
        send();
    }
}

std::string TerminalSurface::notice() const { return text_ ? text_->notice() : std::string(); }

std::string TerminalSurface::farewell() const { return text_ ? text_->farewell() : pixels_->farewell(); }
