// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/text_painter.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <utility>

#include "kvq/play/terminal/cp437_unicode.h"
#include "render/colours.h"

namespace {

// The overlay's colours, as the window draws them.
constexpr std::uint32_t kBand = 0x101010u;
constexpr std::uint32_t kText = kPaperColour;
constexpr std::uint32_t kFill = 0x6A5A40u;

constexpr char32_t kFullBlock = 0x2588;

// Pairs of characters that are each other's inverse in every terminal font: either shows a cell,
// with ink and paper swapped. The first of each is the one a look keeps.
constexpr std::array<std::pair<char32_t, char32_t>, 3> kInversePairs = {{
    {U' ', kFullBlock},
    {0x2580, 0x2584},  // upper and lower half blocks
    {0x258C, 0x2590},  // left and right half blocks
}};

char32_t inverseOf(char32_t character)
{
    for (const auto& [first, second] : kInversePairs) {
        if (character == first) return second;
        if (character == second) return first;
    }
    return 0;
}

int utf8Length(char32_t character)
{
    return character < 0x80 ? 1 : character < 0x800 ? 2 : character < 0x10000 ? 3 : 4;
}

int decimalLength(int n) { return n >= 100 ? 3 : n >= 10 ? 2 : 1; }

// A control sequence: ESC [ parameters final.
std::string csi(const std::string& parameters, char final)
{
    std::string sequence("\x1b[");
    sequence += parameters;
    sequence += final;
    return sequence;
}

// The parameter of a relative move: none for 1.
std::string count(int n) { return n == 1 ? std::string() : std::to_string(n); }

// The characters of `text` (UTF-8; anything that is not, and control codes, as '?').
std::vector<char32_t> charactersOf(const std::string& text)
{
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        int length = byte < 0x80             ? 1
                     : (byte & 0xE0) == 0xC0 ? 2
                     : (byte & 0xF0) == 0xE0 ? 3
                     : (byte & 0xF8) == 0xF0 ? 4
                                             : 0;
        char32_t character = length == 1 ? byte : length == 2 ? byte & 0x1F : length == 3 ? byte & 0x0F : byte & 0x07;
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            character = (character << 6) | (next & 0x3F);
        }
        if (!valid) length = 1;
        if (!valid || character < 0x20 || (character >= 0x7F && character < 0xA0)) character = U'?';
        out.push_back(character);
        i += static_cast<std::size_t>(length);
    }
    return out;
}

}  // namespace

TextPainter::Look TextPainter::look(char32_t character, int ink, int paper)
{
    const char32_t inverse = inverseOf(character);
    if (inverse && inverse < character) {
        character = inverse;
        std::swap(ink, paper);
    }
    if (character == U' ') ink = kAny;
    return {character, ink, paper};
}

TextPainter::TextPainter(const CellFont& font, TextColours colours) : TextPainter(glyphCharacters(font), colours) {}

TextPainter::TextPainter(std::vector<GlyphCharacter> characters, TextColours colours)
    : characters_(std::move(characters)), colours_(colours)
{
}

void TextPainter::layOut(const TerminalSize& size, int picture_columns, int picture_rows)
{
    size_ = {std::max(0, size.columns), std::max(0, size.rows), size.width_pixels, size.height_pixels};
    picture_columns_ = std::max(0, picture_columns);
    picture_rows_ = std::max(0, picture_rows);
    // The last row is the status line's.
    const int rows_above = std::max(0, size_.rows - 1);
    view_rows_ = std::min(picture_rows_, rows_above);
    view_columns_ = std::min(picture_columns_, size_.columns);
    first_column_ = (picture_columns_ - view_columns_) / 2;
    left_ = (size_.columns - view_columns_) / 2;
    top_ = (rows_above - view_rows_) / 2;
    const auto cells = static_cast<std::size_t>(size_.columns) * static_cast<std::size_t>(size_.rows);
    wanted_.assign(cells, Look{});
    shown_.assign(cells, Look{});
    forget();
}

int TextPainter::viewRows() const { return view_rows_; }

std::string TextPainter::notice() const
{
    if (size_.rows < 2 || size_.columns < 1) return "the terminal is too small to show the picture";
    if (picture_columns_ > size_.columns) {
        return "the terminal is " + std::to_string(size_.columns) + " columns wide: the picture's " +
               std::to_string(picture_columns_) + " are cut at both sides";
    }
    return {};
}

void TextPainter::forget()
{
    cleared_ = false;
    cursor_row_ = cursor_column_ = -1;
    cursor_pending_ = false;
}

std::string TextPainter::farewell() const { return "\x1b[0m"; }

int TextPainter::colourOfRgb(std::uint32_t rgb) const
{
    rgb &= 0xFFFFFFu;
    if (colours_ == TextColours::direct) return static_cast<int>(rgb);
    // The nearest of VGA's sixteen, weighted as the eye weighs the channels.
    int best = 0;
    long best_distance = LONG_MAX;
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t vga = kVgaPalette[static_cast<std::size_t>(i)];
        const long dr = static_cast<long>((rgb >> 16) & 0xFF) - static_cast<long>((vga >> 16) & 0xFF);
        const long dg = static_cast<long>((rgb >> 8) & 0xFF) - static_cast<long>((vga >> 8) & 0xFF);
        const long db = static_cast<long>(rgb & 0xFF) - static_cast<long>(vga & 0xFF);
        const long distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (distance < best_distance) best_distance = distance, best = i;
    }
    return best;
}

int TextPainter::colourOf(const CellPicture& picture, int index) const
{
    if (picture.palette.empty()) return colourOfRgb(0);
    const std::size_t at =
        index >= 0 && static_cast<std::size_t>(index) < picture.palette.size() ? static_cast<std::size_t>(index) : 0;
    return colourOfRgb(picture.palette[at]);
}

void TextPainter::wantText(int row, int column, int end_column, const std::string& text, int ink)
{
    for (const char32_t character : charactersOf(text)) {
        if (column >= end_column) break;
        if (column >= 0) {
            Look& cell = wanted_[static_cast<std::size_t>(row) * static_cast<std::size_t>(size_.columns) +
                                 static_cast<std::size_t>(column)];
            cell = look(character, ink, cell.paper);
        }
        ++column;
    }
}

void TextPainter::wantOverlay(const OverlayContent& overlay)
{
    const int columns = size_.columns;
    const int last = size_.rows - 1;
    // The last cell of the last row is never written: the terminal would scroll.
    const int usable = columns - 1;
    const int band = colourOfRgb(kBand), text = colourOfRgb(kText);
    auto fill = [&](int row, int from, int to, int paper) {
        for (int column = std::max(0, from); column < std::min(to, columns); ++column) {
            wanted_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                    static_cast<std::size_t>(column)] = look(U' ', kAny, paper);
        }
    };
    if (overlay.bar || !overlay.line.empty()) {
        fill(last, 0, usable, band);
        std::string words = overlay.line;
        if (overlay.bar) {
            const double fraction = std::isfinite(overlay.fraction) ? std::clamp(overlay.fraction, 0.0, 1.0) : 0.0;
            fill(last, 0, static_cast<int>(std::lround(fraction * usable)), colourOfRgb(kFill));
            words = overlay.bar_text + (overlay.line.empty() || overlay.bar_text.empty() ? "" : "  ") + overlay.line;
        }
        wantText(last, 1, usable, words, text);
    }
    if (overlay.help.empty() || last < 1) return;
    int widest = 0;
    for (const std::string& line : overlay.help) widest = std::max(widest, static_cast<int>(charactersOf(line).size()));
    const int width = std::min(columns, widest + 2);
    const int height = std::min(last, static_cast<int>(overlay.help.size()) + 2);
    const int left = (columns - width) / 2, top = (last - height) / 2;
    for (int row = top; row < top + height; ++row) fill(row, left, left + width, band);
    for (int i = 0; i < height - 2; ++i) {
        wantText(top + 1 + i, left + 1, left + width - 1, overlay.help[static_cast<std::size_t>(i)], text);
    }
}

void TextPainter::want(const CellPicture& picture, int top_row, bool blink_lit, const OverlayContent& overlay)
{
    std::fill(wanted_.begin(), wanted_.end(), Look{});
    const std::size_t cells = picture.cells.size();
    for (int row = 0; row < view_rows_; ++row) {
        const long long picture_row = static_cast<long long>(top_row) + row;
        for (int column = 0; column < view_columns_; ++column) {
            const int picture_column = first_column_ + column;
            Look& out = wanted_[static_cast<std::size_t>(top_ + row) * static_cast<std::size_t>(size_.columns) +
                                static_cast<std::size_t>(left_ + column)];
            if (picture_row < 0 || picture_row >= picture.rows || picture_column >= picture.columns) continue;
            const std::size_t at = static_cast<std::size_t>(picture_row) * static_cast<std::size_t>(picture.columns) +
                                   static_cast<std::size_t>(picture_column);
            if (at >= cells) continue;
            const Cell& cell = picture.cells[at];
            const int ink = colourOf(picture, cell.foreground), paper = colourOf(picture, cell.background);
            if ((cell.flags & Cell::kBlinks) && !blink_lit) {
                out = look(U' ', kAny, paper);
                continue;
            }
            const GlyphCharacter glyph =
                cell.code < characters_.size() ? characters_[cell.code] : GlyphCharacter{U' ', false};
            out = glyph.inverse ? look(glyph.character, paper, ink) : look(glyph.character, ink, paper);
        }
    }
    wantOverlay(overlay);
}

std::string TextPainter::colourParameter(int colour, bool paper) const
{
    if (colour == kDefault) return paper ? "49" : "39";
    if (colours_ == TextColours::sixteen) {
        const int base = colour < 8 ? (paper ? 40 : 30) : (paper ? 100 : 90);
        return std::to_string(base + colour % 8);
    }
    return std::string(paper ? "48;2;" : "38;2;") + std::to_string((colour >> 16) & 0xFF) + ';' +
           std::to_string((colour >> 8) & 0xFF) + ';' + std::to_string(colour & 0xFF);
}

int TextPainter::parameterLength(int colour, bool paper) const
{
    if (colour == kDefault || colours_ == TextColours::sixteen) return paper && colour >= 8 ? 3 : 2;
    return 5 + decimalLength((colour >> 16) & 0xFF) + decimalLength((colour >> 8) & 0xFF) +
           decimalLength(colour & 0xFF) + 2;
}

std::string TextPainter::cellBytes(const Look& wanted, Attributes& attributes) const
{
    // Four ways to show it: the character or its inverse, each in reverse video or not. The cheapest
    // in bytes wins, changing as few attributes as it can.
    struct Way {
        char32_t character;
        int ink, paper;  // as the terminal's registers must hold them; kAny where either will do
        bool reverse;
    };
    const char32_t inverse = inverseOf(wanted.character);
    Way best{};
    int best_cost = INT_MAX;
    for (int way = 0; way < 4; ++way) {
        const bool swapped = way & 1, reverse = way & 2;
        if (swapped && !inverse) continue;
        Way candidate{swapped ? inverse : wanted.character, swapped ? wanted.paper : wanted.ink,
                      swapped ? wanted.ink : wanted.paper, reverse};
        if (reverse) std::swap(candidate.ink, candidate.paper);
        if (candidate.ink == attributes.ink) candidate.ink = kAny;
        if (candidate.paper == attributes.paper) candidate.paper = kAny;
        int parameters = 0, cost = utf8Length(candidate.character);
        if (reverse != attributes.reverse) cost += reverse ? 1 : 2, ++parameters;
        if (candidate.ink != kAny) cost += parameterLength(candidate.ink, false), ++parameters;
        if (candidate.paper != kAny) cost += parameterLength(candidate.paper, true), ++parameters;
        if (parameters > 0) cost += 3 + parameters - 1;  // ESC [ ... m and the separators
        if (cost < best_cost) best_cost = cost, best = candidate;
    }
    std::string bytes;
    if (best.reverse != attributes.reverse || best.ink != kAny || best.paper != kAny) {
        std::string parameters;
        auto add = [&](const std::string& parameter) {
            if (!parameters.empty()) parameters += ';';
            parameters += parameter;
        };
        if (best.reverse != attributes.reverse) add(best.reverse ? "7" : "27");
        if (best.ink != kAny) add(colourParameter(best.ink, false));
        if (best.paper != kAny) add(colourParameter(best.paper, true));
        bytes = csi(parameters, 'm');
        attributes.reverse = best.reverse;
        if (best.ink != kAny) attributes.ink = best.ink;
        if (best.paper != kAny) attributes.paper = best.paper;
    }
    appendUtf8(bytes, best.character);
    return bytes;
}

// The bytes of writing cells [from, to) of `row` again as they are, without changing attributes; or
// INT_MAX where one of them needs other attributes.
int TextPainter::writeThroughCost(int row, int from, int to) const
{
    int cost = 0;
    for (int column = from; column < to; ++column) {
        const Look& cell = wanted_[static_cast<std::size_t>(row) * static_cast<std::size_t>(size_.columns) +
                                   static_cast<std::size_t>(column)];
        Attributes attributes = attributes_;
        const std::string bytes = cellBytes(cell, attributes);
        if (bytes.empty() || bytes[0] == '\x1b') return INT_MAX;
        cost += static_cast<int>(bytes.size());
    }
    return cost;
}

std::string TextPainter::cursorMove(int row, int column) const
{
    std::string best = row == 0 && column == 0 ? csi("", 'H')
                       : column == 0           ? csi(std::to_string(row + 1), 'H')
                                               : csi(std::to_string(row + 1) + ';' + std::to_string(column + 1), 'H');
    if (cursor_row_ < 0) return best;
    auto consider = [&](std::string move) {
        if (move.size() < best.size()) best = std::move(move);
    };
    auto horizontal = [&](int from) -> std::string {  // on the row, from a known column
        if (from == column) return {};
        return column > from ? csi(count(column - from), 'C') : csi(count(from - column), 'D');
    };
    const std::string from_start = column > 0 ? csi(count(column), 'C') : std::string();
    if (row == cursor_row_) {
        consider('\r' + from_start);
        if (!cursor_pending_) {
            if (column == cursor_column_) return {};
            consider(horizontal(cursor_column_));
            consider(csi(column > 0 ? std::to_string(column + 1) : std::string(), 'G'));
        }
    } else if (row > cursor_row_) {
        // CR before LF: then it lands at the start whether or not the tty turns LF into CR LF.
        std::string move(1, '\r');
        move.append(static_cast<std::size_t>(row - cursor_row_), '\n');
        consider(move + from_start);
        if (!cursor_pending_) consider(csi(count(row - cursor_row_), 'B') + horizontal(cursor_column_));
    } else if (!cursor_pending_) {
        consider(csi(count(cursor_row_ - row), 'A') + horizontal(cursor_column_));
    }
    return best;
}

std::string TextPainter::paint(const CellPicture& picture, int top_row, bool blink_lit, const OverlayContent& overlay)
{
    std::string out;
    if (size_.columns < 1 || size_.rows < 1) return out;
    want(picture, top_row, blink_lit, overlay);
    if (!cleared_) {
        // Clearing costs a few bytes and makes every cell known: the margins need nothing more.
        out += "\x1b[0m\x1b[H\x1b[2J";
        attributes_ = {};
        std::fill(shown_.begin(), shown_.end(), look(U' ', kAny, kDefault));
        cleared_ = true;
    }
    // The cursor may have been moved since the last paint: the first move is absolute.
    cursor_row_ = cursor_column_ = -1;
    cursor_pending_ = false;
    const int columns = size_.columns;
    for (int row = 0; row < size_.rows; ++row) {
        // Never the last cell of the last row: writing it scrolls some terminals.
        const int end = row == size_.rows - 1 ? columns - 1 : columns;
        for (int column = 0; column < end; ++column) {
            const std::size_t at =
                static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(column);
            const Look& wanted = wanted_[at];
            const Look& shown = shown_[at];
            if (wanted.character == shown.character && (wanted.ink == kAny || wanted.ink == shown.ink) &&
                wanted.paper == shown.paper) {
                continue;
            }
            std::string move = cursorMove(row, column);
            if (row == cursor_row_ && !cursor_pending_ && column > cursor_column_ && !move.empty()) {
                const int through = writeThroughCost(row, cursor_column_, column);
                if (through <= static_cast<int>(move.size())) {
                    move.clear();
                    for (int c = cursor_column_; c < column; ++c) {
                        move += cellBytes(wanted_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                                                  static_cast<std::size_t>(c)],
                                          attributes_);
                    }
                }
            }
            out += move;
            out += cellBytes(wanted, attributes_);
            shown_[at] = look(wanted.character, wanted.ink, wanted.paper);
            cursor_row_ = row;
            cursor_pending_ = column == columns - 1;
            cursor_column_ = cursor_pending_ ? column : column + 1;
        }
    }
    return out;
}
