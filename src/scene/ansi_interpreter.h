// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>

#include "scene/cell_picture.h"
#include "scene/picture_limits.h"

// What an ANSI interpreter draws into and how.
struct AnsiSettings {
    int columns = 80;
    bool ice_colours = false;  // blink as a bright background, or as blinking cells
    // Unset: a still picture that grows downwards without bound, as a converter draws the whole
    // piece. Set: a terminal's screen of that many rows that scrolls up when a line feed or a wrap
    // passes its last row, as a piece is seen while it is typed out.
    std::optional<int> screen_rows;
    bool pcboard = false;  // PCBoard's @X colour codes and @CLS@ besides ANSI's escapes
};

// CP437 text with ANSI.SYS's escape sequences, read a byte at a time into cells. A copy is a
// checkpoint: it carries everything, a sequence half read included. Memory is bounded whatever the
// input: rows past kMaxCells / columns are never made, an escape that never ends is given up after
// a few bytes.
class AnsiInterpreter {
public:
    static constexpr int kMaxColumns = 4096;
    static constexpr std::size_t kMaxCells = kMaxPictureCells;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Lowered where fuzzers run, as the picture limit is, so that short inputs reach it too.
    static constexpr std::size_t kMaxPaletteSize = 40;
#else
    static constexpr std::size_t kMaxPaletteSize = 4096;
#endif

    explicit AnsiInterpreter(const AnsiSettings& settings);

    void feed(std::uint8_t byte);
    void feed(std::span<const std::uint8_t> bytes);
    // Whether SUB (0x1A) has ended the art; bytes after it are ignored.
    bool ended() const { return ended_; }

    // Ends the input: a sequence cut off by it is given up as an overlong one is, its tail drawn as
    // text, as the converters draw a file that ends inside one. Feeding on afterwards is allowed.
    void endOfInput();
    // Whether the last byte left a sequence or a PCBoard code unfinished.
    bool midSequence() const { return reading_ != Reading::text; }

    // The still picture of the input so far, as if it ended here: every row up to the last one
    // drawn into (at least one row); or the screen.
    CellPicture picture() const;
    // One past the rightmost column a character was written into, at least 1: the width of a piece
    // whose lines decide it.
    int contentColumns() const { return std::max(content_columns_, 1); }
    // Whether any cell written so far blinks, even one written over since.
    bool wroteBlinkingCell() const { return wrote_blinking_; }
    // The screen as it is now (typing out only; in a still picture, the rows made so far).
    const CellPicture& cells() const { return picture_; }

private:
    static constexpr int kMaxSequence = 14;  // bytes after ESC [ within which a sequence must end

    void print(std::uint8_t code);
    void lineFeed();
    void scrollIfOwed();
    void wrapIfAtEdge();
    void runSequence(std::uint8_t final_byte);
    void giveUpSequence();
    void selectGraphics(int count);
    void clearScreen();
    void eraseLine(int mode);
    bool ensureRow(int row);  // false past the row cap
    void setScreenSize(int rows, int columns);
    std::uint16_t paletteIndex(std::uint32_t rgb);
    Cell currentCell(std::uint8_t code) const;
    bool pcboardCode(std::uint8_t byte);
    void abandonPcboardCode();
    CellPicture pictureAsItIs() const;
    int maxRows() const;

    AnsiSettings settings_;
    CellPicture picture_;
    int row_ = 0, column_ = 0;
    int saved_row_ = 0, saved_column_ = 0;
    int used_rows_ = 0;  // rows up to the last one a character was written into
    int content_columns_ = 0;
    bool ended_ = false;
    bool wrote_blinking_ = false;
    bool scroll_owed_ = false;  // a line feed on a screen's last row, not yet scrolled

    // The graphics rendition: colours 0-7 (or a 24-bit palette index) and the attributes.
    int foreground_ = 7, background_ = 0;
    std::optional<std::uint16_t> foreground_rgb_, background_rgb_;
    bool bold_ = false, blink_ = false, reverse_ = false, concealed_ = false;
    std::map<std::uint32_t, std::uint16_t> rgb_indices_;

    // A sequence being read: ESC, then '[', then up to kMaxSequence bytes.
    enum class Reading { text, escape, sequence, pcboard };
    Reading reading_ = Reading::text;
    std::array<std::uint8_t, kMaxSequence + 2> pending_{};
    int pending_size_ = 0;
    static constexpr int kMaxParameters = 16;
    std::array<int, kMaxParameters> parameters_{};
};
