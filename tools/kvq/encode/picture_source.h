// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Where the encoder's pictures come from: 640x480 luminance pictures at 24 per second, the
// source's own shape kept inside with black bars.
class PictureSource {
public:
    virtual ~PictureSource() = default;
    // The next picture into `luminance` (resized to 640x480 bytes); false when there are no more.
    virtual bool next(std::vector<std::uint8_t>& luminance) = 0;
};

// Any video the ffmpeg program reads. Throws a ToolError when ffmpeg is missing or cannot start.
// With `every` above 1, only every so many pictures come: a quick look over the whole video.
std::unique_ptr<PictureSource> openVideoSource(const std::string& path, int every = 1);
// The PNG images of a folder, in name order. Throws a ToolError when it holds none.
std::unique_ptr<PictureSource> openPngFolderSource(const std::string& folder, int every = 1);
// How many pictures the folder holds.
std::size_t pngFolderPictureCount(const std::string& folder);
