// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kvq/export/video_writer.h"
#include "kvq/files/atomic_file.h"
#include "render/packed_picture.h"

// An uncompressed YUV4MPEG2 stream: 640x480 or any size, 24 frames per second, progressive, square pixels,
// and 4:4:4 sampling so that every pixel keeps its own colour and cell edges stay sharp.
class Y4mWriter : public VideoWriter {
public:
    explicit Y4mWriter(const std::string& path, int width = kPictureWidth, int height = kPictureHeight);

    void addFrame(std::span<const std::uint32_t> pixels) override;
    void finish() override;

private:
    AtomicFile file_;
    std::size_t plane_bytes_;
    std::vector<std::uint8_t> frame_;  // "FRAME\n", then the Y, Cb and Cr planes
};
