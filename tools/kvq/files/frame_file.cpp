// SPDX-License-Identifier: MIT
#include "kvq/files/frame_file.h"

#include <algorithm>

#include "content/frame_list.h"
#include "kvq/common/tool_error.h"

// Blocks of frames are read straight into their storage, so frames must lie back to back.
static_assert(sizeof(TextFrame) == TextFrame::kCells && alignof(TextFrame) == 1);

FrameFile::FrameFile(const std::string& path, std::uint64_t block_frames)
    : input_(path),
      shape_(FrameFileShape::of(input_.sizeBytes())),
      block_frames_(std::max<std::uint64_t>(1, block_frames))
{
}

FrameFile::FrameFile(const std::string& path, FileProblem& problem) : input_(path, problem), block_frames_(kBlockFrames)
{
    if (input_.isOpen()) shape_ = FrameFileShape::of(input_.sizeBytes());
}

const TextFrame* FrameFile::frame(std::uint64_t index)
{
    if (index >= frameCount()) return nullptr;
    const std::uint64_t first = index / block_frames_ * block_frames_;
    auto block = std::find_if(blocks_.begin(), blocks_.end(), [&](const Block& b) { return b.first == first; });
    if (block == blocks_.end()) {
        block = std::min_element(blocks_.begin(), blocks_.end(),
                                 [](const Block& a, const Block& b) { return a.last_used < b.last_used; });
        fill(*block, first);
    }
    block->last_used = ++uses_;
    const std::uint64_t at = index - first;
    return at < block->frames.size() ? &block->frames[static_cast<std::size_t>(at)] : nullptr;
}

const TextFrame& FrameFile::existingFrame(std::uint64_t index)
{
    const std::uint64_t count = frameCount();
    if (index >= count) {
        const std::string wanted = "frame " + std::to_string(index);
        if (count == 0) throw ToolError(path() + ": holds no frames, so there is no " + wanted);
        throw ToolError(path() + ": there is no " + wanted + ": the file holds " + std::to_string(count) +
                        " frames, numbered 0 to " + std::to_string(count - 1));
    }
    const TextFrame* found = frame(index);
    if (found) return *found;
    const int error = input_.lastError();
    if (error != 0) throw ToolError(systemErrorMessage(path(), "cannot read", error));
    throw ToolError(path() + ": the file got shorter while being read");
}

void FrameFile::fill(Block& block, std::uint64_t first)
{
    block.first = UINT64_MAX;
    block.last_used = ++uses_;  // so that finding the frame before a partial one never takes this block
    const std::uint64_t count = std::min(block_frames_, shape_.frames() - first);
    const bool holds_partial = shape_.trailingBlockIsFrame() && first + count == shape_.frames();
    const std::uint64_t wanted =
        (holds_partial ? count - 1 : count) * TextFrame::kCells + (holds_partial ? shape_.trailing_bytes : 0);
    block.frames.resize(static_cast<std::size_t>(count));
    const std::size_t got = input_.readAvailable(
        first * TextFrame::kCells,
        std::span(reinterpret_cast<std::uint8_t*>(block.frames.data()), static_cast<std::size_t>(wanted)));
    bytes_read_ += got;
    if (got < wanted) {
        // Only the whole frames that arrived: a frame half read would show noise.
        block.frames.resize(got / TextFrame::kCells);
    } else if (holds_partial) {
        const TextFrame* previous = count > 1   ? &block.frames[block.frames.size() - 2]
                                    : first > 0 ? frame(first - 1)
                                                : nullptr;
        if (first > 0 && !previous) {
            block.frames.pop_back();
        } else {
            const auto trailing = static_cast<std::size_t>(shape_.trailing_bytes);
            completeShortFrame(block.frames.back(), trailing, previous);
        }
    }
    block.first = first;
}

TextFrame readFrame(const std::string& path, std::uint64_t index)
{
    FrameFile file(path, 1);
    return file.existingFrame(index);
}
