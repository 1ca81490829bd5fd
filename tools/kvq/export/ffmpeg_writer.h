// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kvq/export/video_writer.h"
#include "kvq/files/atomic_file.h"
#include "kvq/files/child_process.h"
#include "render/packed_picture.h"

// The compressed video files that ffmpeg writes for `kvq export`.
enum class VideoContainer { mp4, webm, matroska };

// A compressed video made by the ffmpeg program, fed raw RGB frames through a pipe. With a
// soundtrack, its sound is muxed in and cut to the length of `frame_count` frames. A picture with
// an odd side is padded with black to the even size the encoders take. ffmpeg writes
// to the temporary file of an AtomicFile, so a failure or an interruption leaves nothing behind.
class FfmpegWriter : public VideoWriter {
public:
    // Throws a ToolError naming the Debian package when ffmpeg is not installed.
    FfmpegWriter(VideoContainer container, const std::string& path, const std::optional<std::string>& soundtrack,
                 std::uint64_t frame_count, int width = kPictureWidth, int height = kPictureHeight);

    void addFrame(std::span<const std::uint32_t> pixels) override;
    void finish() override;

private:
    AtomicFile file_;  // before the child, so that a child still running is stopped before its file goes
    ChildProcess ffmpeg_;
    int width_;
    int height_;
    std::vector<std::uint8_t> rgb_;
};
