// SPDX-License-Identifier: MIT
#include "kvq/export/artwork_export.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "content/player_folder.h"
#include "kvq/common/tool_error.h"
#include "kvq/export/gif_writer.h"
#include "render/cell_drawing.h"

ArtworkLength artworkLength(const Artwork& artwork, std::optional<double> soundtrack_seconds, bool video)
{
    if (artwork.frameCount() > 1) return {artwork.frameCount(), false};
    double seconds = 0;
    if (soundtrack_seconds && *soundtrack_seconds > 0)
        seconds = *soundtrack_seconds;
    else if (video)
        seconds = kStillVideoSeconds;
    // Frames enough to cover the sound; an hour's soundtrack is 86400 of them, which is fine.
    const double frames = std::ceil(std::min(seconds, 1e7) * kFramesPerSecond);
    return {std::max<std::uint64_t>(1, static_cast<std::uint64_t>(frames)), true};
}

std::vector<std::uint32_t> artworkColours(Artwork& artwork)
{
    const CellPicture* first = artwork.cells(0);
    if (!first) return {};
    std::vector<std::uint32_t> distinct;
    for (const std::uint32_t colour : first->palette) {
        if (std::find(distinct.begin(), distinct.end(), colour) == distinct.end()) distinct.push_back(colour);
        if (distinct.size() > kMaxGifColours) break;
    }
    if (distinct.size() <= kMaxGifColours) return distinct;
    // A palette of 24-bit colours: the table keeps those the cells use, most used first, so that
    // what must give way to its nearest neighbour is the rarest.
    std::map<std::uint32_t, std::uint64_t> uses;
    for (std::uint64_t frame = 0; frame < artwork.frameCount(); ++frame) {
        const CellPicture* picture = artwork.cells(frame);
        if (!picture) break;
        for (const Cell& cell : picture->cells) {
            for (const std::uint16_t index : {cell.foreground, cell.background}) {
                if (index < picture->palette.size()) ++uses[picture->palette[index]];
            }
        }
    }
    std::vector<std::pair<std::uint64_t, std::uint32_t>> ranked;
    for (const auto& [colour, count] : uses) ranked.emplace_back(count, colour);
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::uint32_t> colours;
    for (const auto& entry : ranked) colours.push_back(entry.second);
    return colours;
}

bool drawExportFrame(Artwork& artwork, const ArtworkLength& length, std::uint64_t frame,
                     std::vector<std::uint32_t>& pixels)
{
    const std::uint64_t shown = length.still ? 0 : std::min(frame, artwork.frameCount() - 1);
    const bool lit = !artwork.blinks() || blinkLitAt(static_cast<double>(frame) / kFramesPerSecond);
    return drawArtworkFrame(artwork, shown, lit, pixels);
}

void writeArtworkVideo(Artwork& artwork, const ArtworkLength& length, VideoWriter& writer, ProgressLine& progress)
{
    std::vector<std::uint32_t> pixels;
    for (std::uint64_t frame = 0; frame < length.frames; ++frame) {
        if (!drawExportFrame(artwork, length, frame, pixels))
            throw ToolError("frame " + std::to_string(frame) + " of the piece cannot be drawn");
        writer.addFrame(pixels);
        progress.update(frame + 1);
    }
    writer.finish();
}
