// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "content/glyph_table.h"
#include "devices/clock.h"
#include "devices/terminal_link.h"
#include "kvq/play/clock_seconds.h"
#include "kvq/play/review_screen.h"
#include "kvq/play/review_surface.h"
#include "kvq/play/terminal/pixel_painter.h"
#include "kvq/play/terminal/terminal_capabilities.h"
#include "kvq/play/terminal/terminal_input.h"
#include "kvq/play/terminal/text_painter.h"
#include "kvq/play/view_drawing.h"

enum class TerminalProtocol { sixel, kitty, text };

// What a terminal can show of the review, given what it said of itself: pixels where it draws them
// and its cells have a known size, else text.
TerminalProtocol protocolFor(const TerminalCapabilities& capabilities);

// The review in a terminal. At most one frame is ever on its way: each is followed by a request the
// terminal answers only once it has drawn all before it, and until that answer comes the pictures
// the review presents only replace the one waiting here. A slow terminal or link then shows fewer
// frames, each the one the clock asked for when the way was free, and never falls behind.
class TerminalSurface : public ReviewSurface {
public:
    struct Sent {
        std::uint64_t frames = 0;  // pictures sent
        std::uint64_t bytes = 0;
    };

    // `picture_font` and `letter_spacing` (8 or 9 pixels a cell) are the artwork's, for the text protocol's cells.
    TerminalSurface(TerminalLink& link, TerminalInput& input, TerminalProtocol protocol,
                    const TerminalCapabilities& capabilities, const GlyphTable& text_font, const CellFont& picture_font,
                    int letter_spacing, Clock& clock, std::FILE* trace = nullptr);
    // Pixels through the painter given.
    TerminalSurface(TerminalLink& link, TerminalInput& input, std::unique_ptr<PixelPainter> painter,
                    const TerminalCapabilities& capabilities, const GlyphTable& text_font, Clock& clock,
                    std::FILE* trace = nullptr);

    bool layOut(int picture_width, int picture_height) override;
    int viewHeight() const override;
    void drawPicture(const CellPicture& picture, const CellFont& font, int letter_spacing, bool blink_lit,
                     int top) override;
    void present(const OverlayContent& content) override;
    ScreenRect seekBar() const override { return {}; }
    bool waitEvent(ReviewEvent& event, int timeout_ms) override;

    // What the layout could not do, in a line; or nothing.
    std::string notice() const;
    // What takes the pictures and colours sent off the terminal, at the end.
    std::string farewell() const;
    const Sent& sent() const { return sent_; }

private:
    void send();
    void layOutPixels(int picture_width, int picture_height);

    TerminalLink& link_;
    TerminalInput& input_;
    TerminalProtocol protocol_;
    TerminalCapabilities capabilities_;
    const GlyphTable& text_font_;
    std::FILE* trace_;
    ClockSeconds seconds_;

    TerminalSize size_;
    bool laid_out_ = false;
    bool clear_ = true;  // the screen is to be cleared before the next picture
    // Pixels: the window's picture and overlay composed as the window composes them.
    std::unique_ptr<PixelPainter> pixels_;
    ReviewScreen screen_;
    ViewDrawing view_;
    std::vector<std::uint32_t> picture_;
    std::vector<std::uint32_t> wanted_;
    int wanted_width_ = 0, wanted_height_ = 0, wanted_scale_ = 1;
    PixelPlacement placement_;
    // Text: the cells themselves.
    std::unique_ptr<TextPainter> text_;
    int font_height_;
    int cell_width_;
    int picture_rows_ = 0;
    CellPicture cells_;
    int top_row_ = 0;
    bool blink_lit_ = true;
    OverlayContent overlay_;

    bool waiting_ = false;  // a picture to send
    bool in_flight_ = false;
    double sent_at_ = 0;
    bool resized_ = false;
    Sent sent_;
};
