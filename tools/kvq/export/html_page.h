// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "content/glyph_table.h"
#include "kvq/common/progress_line.h"
#include "kvq/export/frame_stream.h"
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

// `text` (UTF-8, invalid bytes read as U+FFFD) as the contents of an HTML element or attribute,
// and as a JSON string, both in ASCII alone.
std::string htmlText(const std::string& text);
std::string jsonString(const std::string& text);
