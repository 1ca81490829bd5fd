// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/text_frame.h"
#include "kvq/files/input_file.h"

// The frames of a frame file in order, exactly as the player shows them, read a few at a time so
// that a file of any size costs the same memory. Every failure is a ToolError naming the file.
class FrameStream {
public:
    explicit FrameStream(const std::string& path);

    std::uint64_t frameCount() const { return frame_count_; }
    // Fills `frame` with the next frame; false once every frame has been given.
    bool next(TextFrame& frame);

private:
    void readChunk();

    InputFile input_;
    std::uint64_t frame_count_ = 0;
    std::uint64_t whole_frames_ = 0;
    std::uint64_t next_index_ = 0;
    std::vector<std::uint8_t> chunk_;
    std::uint64_t chunk_first_ = 0;   // index of the chunk's first frame
    std::uint64_t chunk_frames_ = 0;  // whole frames held in the chunk
};
