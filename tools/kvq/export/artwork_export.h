// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "kvq/common/progress_line.h"
#include "kvq/export/video_writer.h"
#include "kvq/files/artwork.h"

// How long an export of art (a scene piece, still or typed out) lasts, in frames of 1/24 s.
struct ArtworkLength {
    std::uint64_t frames = 1;
    bool still = false;  // one picture for all of them
};

// A still piece as a video lasts this long without a soundtrack: long enough to see it, and to
// see its cells blink.
inline constexpr double kStillVideoSeconds = 5.0;

// A typed-out piece lasts its frames. A still piece lasts as long as its soundtrack; without one, a
// video lasts kStillVideoSeconds and a page or a picture one frame (the page blinks by itself).
ArtworkLength artworkLength(const Artwork& artwork, std::optional<double> soundtrack_seconds, bool video);

// The colours the frames draw with, for a GIF's table: the palette as it is where it has few
// enough, else only the colours the frames' cells use, most used first.
std::vector<std::uint32_t> artworkColours(Artwork& artwork);

// Draws frame `frame` of an export: the piece's frame at that time, its cells blinking by that
// time at VGA's rate. False where the frame cannot be had.
bool drawExportFrame(Artwork& artwork, const ArtworkLength& length, std::uint64_t frame,
                     std::vector<std::uint32_t>& pixels);

// Every frame of the export into `writer`, counted on `progress`; a ToolError where a frame cannot be
// had. The writer is finished.
void writeArtworkVideo(Artwork& artwork, const ArtworkLength& length, VideoWriter& writer, ProgressLine& progress);
