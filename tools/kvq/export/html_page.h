// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "content/glyph_table.h"
#include "kvq/common/progress_line.h"
#include "kvq/export/frame_stream.h"
#include "kvq/files/artwork.h"
#include "kvq/files/atomic_file.h"

// How many frames each independently unpacked piece of a page holds: 8 seconds, small enough to
// unpack in a few milliseconds after a seek, large enough to pack nearly as tightly as one piece.
inline constexpr std::uint32_t kPageChunkFrames = 192;

struct HtmlPageSettings {
    std::string title;               // any UTF-8; never read as HTML by the page
    std::uint64_t poster_frame = 0;  // shown before playing
    bool loop = false;
    bool autoplay = false;  // muted until the first click, as browsers demand
    bool ascii = false;     // data in base64: any charset, any re-saving keeps it
};

// One HTML file that plays the animation by itself, offline, with the player's exact pixels:
// the page's script and style, the 128 glyphs, the frames packed in chunks of kPageChunkFrames,
// and `mp3` (empty for none) as it is. Every frame of `frames` is read; `progress` counts them.
void writeHtmlPage(FrameStream& frames, const GlyphTable& glyphs, std::span<const std::uint8_t> mp3,
                   const HtmlPageSettings& settings, AtomicFile& file, ProgressLine& progress);

// How long a page of cells plays: `frames` at 24 a second; a still piece shows its one picture all
// that time (as long as its soundtrack, or one frame).
struct CellPageLength {
    std::uint64_t frames = 1;
    bool still = false;
};

// One HTML file as above for any art in colour cells: its font (any height, 256 or 512 glyphs), its
// palette, its letter spacing, and each frame's cells packed as kCellPlanes planes of one byte a
// cell (see packCellFrame). The picture may be any size; the page scrolls what is taller than it
// shows, and blinks blinking cells.
void writeCellPage(Artwork& artwork, const CellPageLength& length, std::span<const std::uint8_t> mp3,
                   const HtmlPageSettings& settings, AtomicFile& file, ProgressLine& progress);

// A frame's cells as the page reads them, plane after plane: the codes' low bytes; their ninth bit
// (bit 0) and blinking (bit 1); the foregrounds' low and high bytes; the backgrounds' low and high.
inline constexpr int kCellPlanes = 6;
std::size_t cellFrameBytes(int columns, int rows);
void packCellFrame(const CellPicture& picture, std::vector<std::uint8_t>& out);

// `text` (UTF-8, invalid bytes read as U+FFFD) as the contents of an HTML element or attribute,
// and as a JSON string, both in ASCII alone.
std::string htmlText(const std::string& text);
std::string jsonString(const std::string& text);
