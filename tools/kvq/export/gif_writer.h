// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kvq/export/video_writer.h"
#include "kvq/files/atomic_file.h"

// How long frame `index` (from 0) stays up in a GIF, in the hundredths of a second the format
// counts in: the whole hundredths between its start and the next frame's, each rounded to the
// nearest, so that n frames together last n/24 s to within half a hundredth.
int gifFrameDelayHundredths(std::uint64_t index);

// An animated GIF of the two colours the rasteriser draws, ink and paper, as the palette.
// Each frame after the first holds only the rectangle that changed since the frame before, in
// which unchanged pixels may be transparent, leaving the earlier frame showing through; a frame
// like the one before adds its time to that one's delay.
class GifWriter : public VideoWriter {
public:
    explicit GifWriter(const std::string& path);

    void addFrame(std::span<const std::uint32_t> pixels) override;
    void finish() override;

private:
    void writeHeldImage();

    AtomicFile file_;
    std::uint64_t frame_index_ = 0;
    std::vector<std::uint8_t> previous_;  // palette indices of the frame before, 640x480
    std::vector<std::uint8_t> current_;
    std::vector<std::uint8_t> indices_;  // the rectangle's pixels as the image holds them
    std::vector<std::uint8_t> image_data_;
    std::vector<std::uint8_t> other_image_data_;
    // The last image, held back until the next frame shows whether that one adds to its delay.
    std::vector<std::uint8_t> held_image_;
    int held_delay_hundredths_ = 0;
};
