// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "content/frame_file_shape.h"
#include "content/text_frame.h"
#include "kvq/files/input_file.h"

// The frames of a frame file, exactly as the player shows them, read when they are wanted: by
// index in any order, or one after another. A file of any size opens at once and costs a few
// blocks of frames, wherever it is read. The count comes from the file's size when opened, with
// the player's rule for a trailing partial frame.
class FrameFile {
public:
    // Frames read in one go, and blocks of them kept: enough for a second of playing around each
    // of a few places sought to, or for reading straight through in large reads.
    static constexpr std::uint64_t kBlockFrames = 48;
    static constexpr std::size_t kBlocksKept = 4;

    // A ToolError naming the file when it cannot be opened. `block_frames` smaller than the
    // default suits reading a single frame.
    explicit FrameFile(const std::string& path, std::uint64_t block_frames = kBlockFrames);
    // A file that cannot be used has no frames, and `problem` says why; nothing is thrown.
    FrameFile(const std::string& path, FileProblem& problem);

    const std::string& path() const { return input_.path(); }
    std::uint64_t sizeBytes() const { return input_.sizeBytes(); }
    std::uint64_t frameCount() const { return shape_.frames(); }
    // Every byte read so far: what reading on demand costs.
    std::uint64_t bytesRead() const { return bytes_read_; }

    // The frame at `index` (from 0), valid until the next call; null past the end, or where the
    // file has been cut short since it was opened (only whole frames that arrived are given).
    const TextFrame* frame(std::uint64_t index);
    // The same, but a ToolError naming the file where there is no such frame or it cannot be read.
    const TextFrame& existingFrame(std::uint64_t index);

private:
    struct Block {
        std::uint64_t first = UINT64_MAX;  // none
        std::vector<TextFrame> frames;     // fewer than the block's share where the file was cut short
        std::uint64_t last_used = 0;
    };
    void fill(Block& block, std::uint64_t first);

    InputFile input_;
    FrameFileShape shape_;
    std::uint64_t block_frames_;
    std::array<Block, kBlocksKept> blocks_;
    std::uint64_t uses_ = 0;
    std::uint64_t bytes_read_ = 0;
};

// Frame `index` (from 0) of the frame file at `path`, reading only that frame and, for a short
// last frame, the one before it. A ToolError naming the file when it has no such frame.
TextFrame readFrame(const std::string& path, std::uint64_t index);
