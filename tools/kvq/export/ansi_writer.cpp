// SPDX-License-Identifier: MIT
#include "kvq/export/ansi_writer.h"

#include <algorithm>
#include <bit>

#include "scene/ansi_typing.h"

namespace {

constexpr int kColumns = TextFrame::kColumns;
constexpr int kRows = TextFrame::kRows;
constexpr std::uint8_t kSub = 0x1A;

// Codes that a terminal acts on instead of drawing: TAB, LF, CR, SUB and ESC.
constexpr bool terminalDraws(int code)
{
    return code != 0x09 && code != 0x0A && code != 0x0D && code != 0x1A && code != 0x1B;
}

int differingPixels(const Glyph& a, const Glyph& b)
{
    int count = 0;
    for (std::size_t y = 0; y < a.size(); ++y) count += std::popcount(static_cast<unsigned>(a[y] ^ b[y]));
    return count;
}

std::string sgr(bool reversed)
{
    const int foreground = reversed ? AnsimationWriter::kPaperColour : AnsimationWriter::kInkColour;
    const int background = reversed ? AnsimationWriter::kInkColour : AnsimationWriter::kPaperColour;
    return "\x1b[3" + std::to_string(foreground) + ";4" + std::to_string(background) + "m";
}

std::string cursorPosition(int row, int column)
{
    if (row == 0 && column == 0) return "\x1b[H";
    if (column == 0) return "\x1b[" + std::to_string(row + 1) + "H";
    return "\x1b[" + std::to_string(row + 1) + ";" + std::to_string(column + 1) + "H";
}

std::string cursorForward(int count) { return count == 1 ? "\x1b[C" : "\x1b[" + std::to_string(count) + "C"; }

void appendField(std::vector<std::uint8_t>& out, const std::string& text, std::size_t size, char pad)
{
    for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(i < text.size() ? text[i] : pad));
}

void appendLittle(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

AnsimationWriter::AnsimationWriter(const GlyphTable& glyphs, std::optional<int> baud) : baud_(baud)
{
    for (int code = 0; code < 256; ++code) {
        Sent natural{static_cast<std::uint8_t>(code & 0x7F), code >= 128, true};
        if (!terminalDraws(natural.code)) {
            // The code a terminal draws (plain, or reversed, which shows the inverse glyph) closest
            // to the frame's glyph, pixel for pixel.
            int best = 16 * 8 + 1;
            for (int candidate = 0; candidate < 256; ++candidate) {
                if (!terminalDraws(candidate & 0x7F)) continue;
                const int differing = differingPixels(glyphs[candidate], glyphs[code]);
                if (differing < best) {
                    best = differing;
                    natural = Sent{static_cast<std::uint8_t>(candidate & 0x7F), candidate >= 128, differing == 0};
                }
            }
        }
        sent_[static_cast<std::size_t>(code)] = natural;
    }
    screen_.fill(-1);
    row_ = -1;  // where a terminal's cursor starts is not assumed
    // The frames' 30 rows, where a terminal shows 25 until asked.
    append("\x1b[8;" + std::to_string(kRows) + ";" + std::to_string(kColumns) + "t");
}

void AnsimationWriter::append(const std::string& text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }

void AnsimationWriter::padTo(std::uint64_t bytes)
{
    if (bytes_.size() >= bytes) return;
    std::uint64_t gap = bytes - bytes_.size();
    // "Save cursor", 3 bytes, or 4 or 5 with a parameter it ignores: nothing a viewer shows. A gap
    // under 3 bytes is filled past its end, which only starts the next frame a byte or two later.
    if (gap < 3) gap += 3;
    const std::uint64_t longer = gap % 3;
    const std::uint64_t count = gap / 3;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (i == 0 && longer == 2)
            append("\x1b[00s");
        else if (i == 0 && longer == 1)
            append("\x1b[0s");
        else
            append("\x1b[s");
    }
}

void AnsimationWriter::setColours(bool reversed)
{
    if (reversed_ == reversed) return;
    append(sgr(reversed));
    reversed_ = reversed;
}

void AnsimationWriter::sendCell(int row, int column, std::uint8_t code)
{
    const Sent& sent = sent_[code];
    setColours(sent.reversed);
    bytes_.push_back(sent.code);
    screen_[static_cast<std::size_t>(row * kColumns + column)] = code;
    column_ = column + 1;
    if (!sent.exact) ++near_cells_;
}

void AnsimationWriter::moveTo(int row, int column)
{
    if (row == row_ && column == column_) return;
    const std::string jump = cursorPosition(row, column);
    // Past the right edge the next byte wraps the cursor first, so only a jump is sure.
    if (row == row_ && column_ < kColumns && column > column_) {
        const std::string forward = cursorForward(column - column_);
        // The cells between sent again, where they are known and that is shorter.
        std::size_t plain = 0;
        std::optional<bool> colours = reversed_;
        bool known = true;
        for (int at = column_; at < column && known && plain < forward.size(); ++at) {
            const int code = screen_[static_cast<std::size_t>(row * kColumns + at)];
            known = code >= 0;
            if (!known) break;
            const bool reversed = sent_[static_cast<std::size_t>(code)].reversed;
            if (colours != reversed) plain += sgr(reversed).size(), colours = reversed;
            ++plain;
        }
        if (known && plain < std::min(forward.size(), jump.size())) {
            for (int at = column_; at < column; ++at)
                sendCell(row, at, static_cast<std::uint8_t>(screen_[static_cast<std::size_t>(row * kColumns + at)]));
            return;
        }
        if (forward.size() < jump.size()) {
            append(forward);
            column_ = column;
            return;
        }
    }
    append(jump);
    row_ = row;
    column_ = column;
}

void AnsimationWriter::addFrame(const TextFrame& frame)
{
    const std::uint64_t index = frames_++;
    // The bottom right cell cannot be written while more follows: the next byte would wrap the
    // cursor past the last row and scroll the screen. It is sent once, as the art's last byte.
    constexpr int kCorner = kRows * kColumns - 1;
    bool changes = false;
    for (int cell = 0; cell < kCorner && !changes; ++cell)
        changes = screen_[static_cast<std::size_t>(cell)] != frame.cells[static_cast<std::size_t>(cell)];
    last_frame_ = frame;
    if (changes) {
        if (baud_ && index > 0) padTo(AnsiTyping::bytesAtFrame(index - 1, *baud_));
        for (int row = 0; row < kRows; ++row) {
            for (int column = 0; column < kColumns; ++column) {
                const int cell = row * kColumns + column;
                if (cell == kCorner ||
                    screen_[static_cast<std::size_t>(cell)] == frame.cells[static_cast<std::size_t>(cell)])
                    continue;
                moveTo(row, column);
                sendCell(row, column, frame.cells[static_cast<std::size_t>(cell)]);
            }
        }
    }
    frame_ends_.push_back(bytes_.size());
}

std::vector<std::uint8_t> AnsimationWriter::finish(const std::string& title, const std::string& date)
{
    constexpr int kCorner = kRows * kColumns - 1;
    if (last_frame_ && screen_[kCorner] != last_frame_->cells[kCorner]) {
        moveTo(kRows - 1, kColumns - 1);
        sendCell(kRows - 1, kColumns - 1, last_frame_->cells[kCorner]);
    }
    std::vector<std::uint8_t> out = std::move(bytes_);
    const auto art_size = static_cast<std::uint32_t>(std::min<std::size_t>(out.size(), UINT32_MAX));
    out.push_back(kSub);

    const std::string comment =
        baud_ ? "Made to be typed out at " + std::to_string(*baud_) + " baud." : "Made to be typed out at any speed.";
    out.insert(out.end(), {'C', 'O', 'M', 'N', 'T'});
    appendField(out, comment, 64, ' ');

    out.insert(out.end(), {'S', 'A', 'U', 'C', 'E', '0', '0'});
    appendField(out, title, 35, ' ');
    appendField(out, "", 20, ' ');  // author
    appendField(out, "", 20, ' ');  // group
    appendField(out, date, 8, ' ');
    appendLittle(out, art_size, 4);
    out.push_back(1);  // character art
    out.push_back(2);  // an ANSImation
    appendLittle(out, kColumns, 2);
    appendLittle(out, kRows, 2);
    appendLittle(out, 0, 4);         // TInfo3 and TInfo4
    out.push_back(1);                // one comment line
    out.push_back(0x02);             // 8-pixel letters, blinking (not iCE) colours
    appendField(out, "", 22, '\0');  // the font is the frames' own, none of the named ones
    return out;
}
