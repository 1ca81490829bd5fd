// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "content/glyph_table.h"
#include "content/text_frame.h"

// Our frames as an ANSImation: the ANSI art that the scene's viewers and BBS terminals type out.
// The first frame is sent whole, then only the cells each frame changes, the cursor moved to them
// (CUP, CUF, or the cells between sent again where that is fewer bytes). A terminal has no inverse
// glyphs, so codes 128-255 are their code less 128 in reversed colours; ink and paper become the VGA
// colours nearest them, black and light grey. A terminal draws no glyph for TAB, LF, CR, SUB and ESC:
// a cell with one of those codes is sent as the code (plain or reversed) whose glyph in the frames'
// font has the same pixels, or failing one, the fewest different.
//
// At a baud, each frame that changes the screen is sent no earlier than its time (harmless
// "save cursor" sequences fill the line until then), so a viewer typing the file out at that speed
// shows every frame at its time, or later where the frames before it took longer to send.
class AnsimationWriter {
public:
    static constexpr int kInkColour = 0;    // VGA black
    static constexpr int kPaperColour = 7;  // VGA light grey

    AnsimationWriter(const GlyphTable& glyphs, std::optional<int> baud);

    void addFrame(const TextFrame& frame);
    // The art, its end-of-file mark and a SAUCE record with `title` and the baud in a comment.
    std::vector<std::uint8_t> finish(const std::string& title, const std::string& date);

    // Where each frame's bytes end: typed out to there, the screen shows that frame.
    const std::vector<std::uint64_t>& frameEnds() const { return frame_ends_; }
    // Cells sent with a glyph that differs from the frame's in some pixel.
    std::uint64_t nearCells() const { return near_cells_; }

    // How a frame's code is sent: a code a terminal draws, and whether in reversed colours.
    struct Sent {
        std::uint8_t code = 0x20;
        bool reversed = false;
        bool exact = true;
    };
    const Sent& sentFor(std::uint8_t code) const { return sent_[code]; }

private:
    void moveTo(int row, int column);
    void sendCell(int row, int column, std::uint8_t code);
    void setColours(bool reversed);
    void append(const std::string& text);
    void padTo(std::uint64_t bytes);

    std::array<Sent, 256> sent_{};
    std::optional<int> baud_;
    std::vector<std::uint8_t> bytes_;
    std::array<int, TextFrame::kCells> screen_{};  // each cell's code on the screen, -1 unknown
    int row_ = 0, column_ = 0;                     // the cursor; column 80 past the right edge
    std::optional<bool> reversed_;                 // the colours set, unknown at first
    std::uint64_t frames_ = 0;
    std::optional<TextFrame> last_frame_;
    std::vector<std::uint64_t> frame_ends_;
    std::uint64_t near_cells_ = 0;
};
