// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "content/text_frame.h"
#include "kvq/files/frame_file.h"

// The frames of a frame file in order, exactly as the player shows them, read a block at a time
// so that a file of any size costs the same memory. Every failure is a ToolError naming the file.
class FrameStream {
public:
    explicit FrameStream(const std::string& path) : file_(path) {}

    std::uint64_t frameCount() const { return file_.frameCount(); }
    // Fills `frame` with the next frame; false once every frame has been given.
    bool next(TextFrame& frame)
    {
        if (next_index_ >= file_.frameCount()) return false;
        frame = file_.existingFrame(next_index_++);
        return true;
    }

private:
    FrameFile file_;
    std::uint64_t next_index_ = 0;
};
