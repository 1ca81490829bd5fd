// SPDX-License-Identifier: MIT
#include "scene/ansi_interpreter.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kTab = 0x09, kLineFeed = 0x0A, kReturn = 0x0D, kSub = 0x1A, kEscape = 0x1B;
constexpr int kTabWidth = 8;
constexpr int kMaxScreenRows = 100, kMaxScreenColumns = 1000;

// ANSI.SYS's colour order (red is 1) to the VGA attribute's (red is 4).
constexpr std::array<int, 8> kAnsiToVga = {0, 4, 2, 6, 1, 5, 3, 7};

int hexDigit(std::uint8_t byte)
{
    if (byte >= '0' && byte <= '9') return byte - '0';
    if (byte >= 'A' && byte <= 'F') return byte - 'A' + 10;
    if (byte >= 'a' && byte <= 'f') return byte - 'a' + 10;
    return -1;
}

}  // namespace

AnsiInterpreter::AnsiInterpreter(const AnsiSettings& settings) : settings_(settings)
{
    settings_.columns = std::clamp(settings_.columns, 1, kMaxColumns);
    picture_.columns = settings_.columns;
    if (settings_.screen_rows) {
        settings_.screen_rows = std::clamp(*settings_.screen_rows, 1, kMaxScreenRows);
        picture_.rows = *settings_.screen_rows;
        picture_.cells.assign(static_cast<std::size_t>(picture_.rows) * picture_.columns, Cell{});
    }
}

int AnsiInterpreter::maxRows() const
{
    if (settings_.screen_rows) return *settings_.screen_rows;
    return static_cast<int>(kMaxCells / static_cast<std::size_t>(picture_.columns));
}

bool AnsiInterpreter::ensureRow(int row)
{
    if (row < 0 || row >= maxRows()) return false;
    if (row >= picture_.rows) {
        picture_.rows = row + 1;
        picture_.cells.resize(static_cast<std::size_t>(picture_.rows) * picture_.columns);
    }
    return true;
}

void AnsiInterpreter::feed(std::span<const std::uint8_t> bytes)
{
    for (const std::uint8_t byte : bytes) {
        if (ended_) return;
        feed(byte);
    }
}

void AnsiInterpreter::feed(std::uint8_t byte)
{
    if (ended_) return;
    switch (reading_) {
    case Reading::escape:
        if (byte == '[') {
            pending_[pending_size_++] = byte;
            reading_ = Reading::sequence;
            return;
        }
        // A lone ESC is dropped, and what follows is read afresh.
        reading_ = Reading::text;
        pending_size_ = 0;
        break;
    case Reading::sequence:
        pending_[pending_size_++] = byte;
        // Parameters, then one final byte; other bytes on the way are passed over, as the converters
        // pass over them, and a sequence that runs on past its bound is given up.
        if (byte >= 0x40 && byte <= 0x7E) {
            reading_ = Reading::text;
            runSequence(byte);
            pending_size_ = 0;
        } else if (pending_size_ >= kMaxSequence + 2) {
            giveUpSequence();
        }
        return;
    case Reading::pcboard:
        pending_[pending_size_++] = byte;
        if (!pcboardCode(byte)) abandonPcboardCode();
        return;
    case Reading::text:
        break;
    }

    wrapIfAtEdge();
    switch (byte) {
    case kSub:
        ended_ = true;
        return;
    case kLineFeed:
        lineFeed();
        return;
    // A CR alone is ignored and a TAB moves 8 columns on, not to a stop, as the converters read them;
    // art drawn in editors that show these codes as glyphs comes out as it does everywhere else.
    // Past the edge, a TAB wraps at the next character rather than losing the rest of the line.
    case kReturn:
        return;
    case kTab:
        column_ = std::min(column_ + kTabWidth, picture_.columns);
        return;
    case kEscape:
        if (!settings_.pcboard) {
            reading_ = Reading::escape;
            pending_[0] = byte;
            pending_size_ = 1;
            return;
        }
        break;
    case '@':
        if (settings_.pcboard) {
            reading_ = Reading::pcboard;
            pending_[0] = byte;
            pending_size_ = 1;
            return;
        }
        break;
    default:
        break;
    }
    print(byte);
}

// The cursor stays past the last column after a character lands there; the next byte moves it to
// the next row first, so a line of exactly the width followed by CR LF leaves an empty row, as DOS
// leaves one.
void AnsiInterpreter::wrapIfAtEdge()
{
    if (column_ < picture_.columns) return;
    column_ = 0;
    lineFeed();
}

void AnsiInterpreter::lineFeed()
{
    column_ = 0;
    if (!settings_.screen_rows) {
        row_ = std::min(row_ + 1, maxRows());
        return;
    }
    scrollIfOwed();
    if (row_ + 1 < picture_.rows) {
        ++row_;
        return;
    }
    // A line feed on the last row owes the screen a scroll, paid when the next byte needs the row:
    // a piece of exactly one screen that ends in CR LF, as most do, is seen whole when it ends, as
    // the converters draw it, rather than with its top row gone.
    scroll_owed_ = true;
}

void AnsiInterpreter::scrollIfOwed()
{
    if (!scroll_owed_) return;
    scroll_owed_ = false;
    const auto width = static_cast<std::ptrdiff_t>(picture_.columns);
    std::move(picture_.cells.begin() + width, picture_.cells.end(), picture_.cells.begin());
    std::fill(picture_.cells.end() - width, picture_.cells.end(), Cell{});
}

Cell AnsiInterpreter::currentCell(std::uint8_t code) const
{
    Cell cell;
    cell.code = code;
    const int bright_fore = bold_ ? 8 : 0;
    const int bright_back = blink_ && settings_.ice_colours ? 8 : 0;
    int fore = foreground_rgb_ ? *foreground_rgb_ : foreground_ + bright_fore;
    int back = background_rgb_ ? *background_rgb_ : background_ + bright_back;
    if (reverse_) {
        // The converters swap the sixteen colours only, brighten the swapped foreground by both the
        // bold and the iCE blink, wrapping past white, and leave the background dim; we draw as they do.
        fore = (background_ + bright_back + bright_fore) % 16;
        back = foreground_;
    }
    if (concealed_) fore = back;
    cell.foreground = static_cast<std::uint16_t>(fore);
    cell.background = static_cast<std::uint16_t>(back);
    if (blink_ && !settings_.ice_colours) cell.flags = Cell::kBlinks;
    return cell;
}

void AnsiInterpreter::print(std::uint8_t code)
{
    if (column_ >= picture_.columns) return;
    scrollIfOwed();
    if (ensureRow(row_)) {
        const Cell cell = currentCell(code);
        picture_.at(row_, column_) = cell;
        wrote_blinking_ = wrote_blinking_ || (cell.flags & Cell::kBlinks) != 0;
        used_rows_ = std::max(used_rows_, row_ + 1);
        content_columns_ = std::max(content_columns_, column_ + 1);
    }
    ++column_;
}

void AnsiInterpreter::abandonPcboardCode()
{
    // Not a code after all: its bytes are text.
    const auto bytes = pending_;
    const int size = pending_size_;
    reading_ = Reading::text;
    pending_size_ = 0;
    print(bytes[0]);
    for (int i = 1; i < size; ++i) feed(bytes[i]);
}

void AnsiInterpreter::endOfInput()
{
    switch (reading_) {
    case Reading::text:
        return;
    case Reading::escape:
        reading_ = Reading::text;
        pending_size_ = 0;
        return;
    case Reading::sequence:
        giveUpSequence();
        break;
    case Reading::pcboard:
        abandonPcboardCode();
        break;
    }
    // What was given back may itself end inside a sequence.
    endOfInput();
}

void AnsiInterpreter::giveUpSequence()
{
    // ESC, '[' and the byte after them are dropped; the rest is read again as text.
    const auto bytes = pending_;
    const int size = pending_size_;
    reading_ = Reading::text;
    pending_size_ = 0;
    for (int i = 3; i < size; ++i) feed(bytes[i]);
}

void AnsiInterpreter::runSequence(std::uint8_t final_byte)
{
    // Colours leave a scroll owed; anything that moves, erases or saves the cursor takes it first.
    if (final_byte != 'm' && final_byte != 't') scrollIfOwed();
    // pending_: ESC '[' parameters... final. A parameter is a number that saturates, or 0 where any
    // other byte is in it, as the converters read one; a private marker first makes a sequence this
    // does not know.
    int count = 0;
    bool closed = false;  // the parameter held something else than digits
    parameters_.fill(0);
    const std::uint8_t first = pending_[2];
    if (pending_size_ > 3 && first >= '<' && first <= '?') return;
    for (int i = 2; i + 1 < pending_size_; ++i) {
        const std::uint8_t byte = pending_[i];
        if (byte == ';') {
            if (count < kMaxParameters) ++count;
            closed = false;
        } else if (byte >= '0' && byte <= '9' && !closed) {
            if (count < kMaxParameters) parameters_[count] = std::min(parameters_[count] * 10 + (byte - '0'), 99999);
        } else if (!closed) {
            if (count < kMaxParameters) parameters_[count] = 0;
            closed = true;
        }
    }
    count = std::min(count + 1, kMaxParameters);
    if (pending_size_ == 3) count = 0;  // no parameters at all
    const auto at_least_one = [&](int index) {
        return index < count && parameters_[index] > 0 ? parameters_[index] : 1;
    };
    const int last_row = settings_.screen_rows ? picture_.rows - 1 : maxRows();
    switch (final_byte) {
    case 'H':
    case 'f':
        row_ = std::min(at_least_one(0) - 1, last_row);
        column_ = std::min(at_least_one(1) - 1, picture_.columns);
        break;
    case 'A':
        row_ = std::max(row_ - at_least_one(0), 0);
        break;
    case 'B':
        row_ = std::min(row_ + at_least_one(0), last_row);
        break;
    case 'C':
        column_ = std::min(column_ + at_least_one(0), picture_.columns);
        break;
    case 'D':
        column_ = std::max(column_ - at_least_one(0), 0);
        break;
    case 's':
        saved_row_ = row_;
        saved_column_ = column_;
        break;
    case 'u':
        row_ = saved_row_;
        column_ = saved_column_;
        break;
    case 'J':
        if (count > 0 && parameters_[0] == 2) clearScreen();
        break;
    case 'K':
        eraseLine(count > 0 ? parameters_[0] : 0);
        break;
    case 'm':
        selectGraphics(count);
        break;
    case 't':
        if (count == 4 && (parameters_[0] == 0 || parameters_[0] == 1)) {
            // PabloDraw's 24-bit colour: 0 the background, 1 the foreground.
            const auto channel = [&](int index) {
                return static_cast<std::uint32_t>(std::min(parameters_[index], 255));
            };
            const std::uint16_t index = paletteIndex(channel(1) << 16 | channel(2) << 8 | channel(3));
            (parameters_[0] == 1 ? foreground_rgb_ : background_rgb_) = index;
        } else if (count == 3 && parameters_[0] == 8 && settings_.screen_rows) {
            // A terminal's resize request; only a screen can be resized.
            if (parameters_[1] >= 1 && parameters_[1] <= kMaxScreenRows && parameters_[2] >= 1 &&
                parameters_[2] <= kMaxScreenColumns)
                setScreenSize(parameters_[1], parameters_[2]);
        }
        break;
    default:
        break;
    }
}

void AnsiInterpreter::selectGraphics(int count)
{
    if (count == 0) count = 1;  // ESC[m resets
    for (int i = 0; i < count; ++i) {
        const int value = parameters_[i];
        if (value == 0) {
            foreground_ = 7;
            background_ = 0;
            foreground_rgb_.reset();
            background_rgb_.reset();
            bold_ = blink_ = reverse_ = concealed_ = false;
        } else if (value == 1) {
            // Bold and blink are of the sixteen colours: a 24-bit colour gives way to them.
            bold_ = true;
            foreground_rgb_.reset();
        } else if (value == 5) {
            blink_ = true;
            background_rgb_.reset();
        } else if (value == 7) {
            reverse_ = true;
        } else if (value == 8) {
            concealed_ = true;
        } else if (value == 22) {
            bold_ = false;
        } else if (value == 25) {
            blink_ = false;
        } else if (value == 27) {
            reverse_ = false;
        } else if (value == 28) {
            concealed_ = false;
        } else if (value >= 30 && value <= 37) {
            foreground_ = kAnsiToVga[static_cast<std::size_t>(value - 30)];
            foreground_rgb_.reset();
        } else if (value == 39) {
            foreground_ = 7;
            foreground_rgb_.reset();
        } else if (value >= 40 && value <= 47) {
            background_ = kAnsiToVga[static_cast<std::size_t>(value - 40)];
            background_rgb_.reset();
        } else if (value == 49) {
            background_ = 0;
            background_rgb_.reset();
        }
    }
}

void AnsiInterpreter::clearScreen()
{
    scroll_owed_ = false;
    std::fill(picture_.cells.begin(), picture_.cells.end(), Cell{});
    if (!settings_.screen_rows) {
        // A still picture starts again: what was drawn before is gone, as a screen's would be.
        picture_.cells.clear();
        picture_.rows = 0;
        used_rows_ = 0;
    }
    row_ = column_ = 0;
}

void AnsiInterpreter::eraseLine(int mode)
{
    if (!ensureRow(row_)) return;
    int from = 0, to = picture_.columns;
    if (mode == 0)
        from = std::min(column_, picture_.columns);
    else if (mode == 1)
        to = std::min(column_ + 1, picture_.columns);
    else if (mode != 2)
        return;
    Cell blank = currentCell(' ');
    blank.flags = 0;
    for (int column = from; column < to; ++column) picture_.at(row_, column) = blank;
}

void AnsiInterpreter::setScreenSize(int rows, int columns)
{
    settings_.screen_rows = rows;
    settings_.columns = columns;
    picture_.rows = rows;
    picture_.columns = columns;
    picture_.cells.assign(static_cast<std::size_t>(rows) * columns, Cell{});
    row_ = column_ = saved_row_ = saved_column_ = 0;
}

std::uint16_t AnsiInterpreter::paletteIndex(std::uint32_t rgb)
{
    const auto found = rgb_indices_.find(rgb);
    if (found != rgb_indices_.end()) return found->second;
    if (picture_.palette.size() >= kMaxPaletteSize) {
        // Past the bound, the nearest colour already held.
        std::size_t best = 0;
        long best_distance = -1;
        for (std::size_t i = 0; i < picture_.palette.size(); ++i) {
            const std::uint32_t held = picture_.palette[i];
            long distance = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                const long d = static_cast<long>((held >> shift) & 0xFF) - static_cast<long>((rgb >> shift) & 0xFF);
                distance += d * d;
            }
            if (best_distance < 0 || distance < best_distance) {
                best = i;
                best_distance = distance;
            }
        }
        return static_cast<std::uint16_t>(best);
    }
    const auto index = static_cast<std::uint16_t>(picture_.palette.size());
    picture_.palette.push_back(rgb);
    rgb_indices_.emplace(rgb, index);
    return index;
}

// PCBoard's codes after '@': X and two hex digits (background, foreground), or CLS@. Returns
// whether the bytes so far may still be a code; a finished code is carried out here.
bool AnsiInterpreter::pcboardCode(std::uint8_t byte)
{
    const int size = pending_size_;
    if (size == 2) {
        if (byte == 'X' || byte == 'C') return true;
        return false;
    }
    if (pending_[1] == 'X') {
        if (hexDigit(byte) < 0) return false;
        if (size < 4) return true;
        background_ = hexDigit(pending_[2]);
        foreground_ = hexDigit(pending_[3]);
        // The nibbles are whole VGA colours: bright backgrounds are shown, not blinked.
        bold_ = blink_ = reverse_ = concealed_ = false;
        foreground_rgb_.reset();
        background_rgb_.reset();
        reading_ = Reading::text;
        pending_size_ = 0;
        return true;
    }
    static constexpr char kClear[] = "@CLS@";
    if (byte != static_cast<std::uint8_t>(kClear[size - 1])) return false;
    if (size < 5) return true;
    clearScreen();
    reading_ = Reading::text;
    pending_size_ = 0;
    return true;
}

CellPicture AnsiInterpreter::picture() const
{
    if (midSequence()) {
        AnsiInterpreter ended = *this;
        ended.endOfInput();
        return ended.pictureAsItIs();
    }
    return pictureAsItIs();
}

CellPicture AnsiInterpreter::pictureAsItIs() const
{
    if (settings_.screen_rows) return picture_;
    CellPicture still;
    still.columns = picture_.columns;
    still.palette = picture_.palette;
    still.rows = std::max(used_rows_, 1);
    still.cells.assign(
        picture_.cells.begin(),
        picture_.cells.begin() + static_cast<std::ptrdiff_t>(std::min(used_rows_, picture_.rows)) * still.columns);
    still.cells.resize(static_cast<std::size_t>(still.rows) * still.columns);
    return still;
}
