// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "content/frame_file_shape.h"
#include "content/player_file.h"
#include "kvq/play/frame_source.h"

// The frames of a frame file, read when they are wanted instead of before the window opens: a
// file of any size opens at once and costs a few hundred kilobytes, wherever it is sought in.
// The count comes from the file's size, with the player's rule for a trailing partial frame.
class FileFrames final : public FrameSource {
public:
    // A file that cannot be used has no frames, and `problem` says why.
    FileFrames(const char* path, FileProblem& problem);

    std::size_t size() const override { return static_cast<std::size_t>(shape_.frames()); }
    std::uint64_t sizeBytes() const { return file_.size_bytes; }
    const TextFrame* frame(std::size_t index) override;

    // Frames read in one go, and blocks of them kept: enough for a second of playing around
    // each of a few places sought to.
    static constexpr std::uint64_t kBlockFrames = 48;
    static constexpr std::size_t kBlocksKept = 4;

private:
    struct Block {
        std::uint64_t first = UINT64_MAX;  // none
        std::vector<TextFrame> frames;    // fewer than the block's share where the file was cut short
        std::uint64_t last_used = 0;
    };
    bool fill(Block& block, std::uint64_t first);

    RegularFile file_;
    FrameFileShape shape_;
    std::array<Block, kBlocksKept> blocks_;
    std::uint64_t uses_ = 0;
};
