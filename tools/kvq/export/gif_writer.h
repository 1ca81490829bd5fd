// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "kvq/export/video_writer.h"
#include "kvq/files/atomic_file.h"
#include "render/packed_picture.h"

// How long frame `index` (from 0) stays up in a GIF, in the hundredths of a second the format
// counts in: the whole hundredths between its start and the next frame's, each rounded to the
// nearest, so that n frames together last n/24 s to within half a hundredth.
int gifFrameDelayHundredths(std::uint64_t index);

// The most colours a GIF's table holds beside the index that stands for transparency.
inline constexpr std::size_t kMaxGifColours = 255;

// An animated GIF of the two colours the rasteriser draws, ink and paper, as the palette, or of
// the colours of `palette`: the first kMaxGifColours different ones, any other drawn as the nearest
// of those.
// Each frame after the first holds only the rectangle that changed since the frame before, in
// which unchanged pixels may be transparent, leaving the earlier frame showing through; a frame
// like the one before adds its time to that one's delay.
class GifWriter : public VideoWriter {
public:
    explicit GifWriter(const std::string& path, int width = kPictureWidth, int height = kPictureHeight,
                       std::span<const std::uint32_t> palette = {});

    void addFrame(std::span<const std::uint32_t> pixels) override;
    void finish() override;

private:
    void writeHeldImage();
    std::uint8_t indexOf(std::uint32_t colour);

    AtomicFile file_;
    int width_;
    int height_;
    std::vector<std::uint32_t> colours_;
    std::unordered_map<std::uint32_t, std::uint8_t> index_of_;
    bool two_colours_ = true;
    std::uint8_t transparent_index_ = 2;
    int table_bits_ = 2;
    std::uint64_t frame_index_ = 0;
    std::vector<std::uint8_t> previous_;  // palette indices of the frame before
    std::vector<std::uint8_t> current_;
    std::vector<std::uint8_t> indices_;  // the rectangle's pixels as the image holds them
    std::vector<std::uint8_t> image_data_;
    std::vector<std::uint8_t> other_image_data_;
    // The last image, held back until the next frame shows whether that one adds to its delay.
    std::vector<std::uint8_t> held_image_;
    int held_delay_hundredths_ = 0;
};
