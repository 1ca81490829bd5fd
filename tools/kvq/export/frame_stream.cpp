// SPDX-License-Identifier: MIT
#include "kvq/export/frame_stream.h"

#include <algorithm>
#include <cstring>

#include "content/frame_file_shape.h"
#include "kvq/cli/tool_error.h"
#include "kvq/files/frame_reader.h"

namespace {

constexpr std::uint64_t kChunkFrames = 64;  // about 150 kB per read
constexpr std::uint64_t kFrameBytes = FrameFileShape::kFrameBytes;

}  // namespace

FrameStream::FrameStream(const std::string& path) : input_(path)
{
    const FrameFileShape shape = FrameFileShape::of(input_.sizeBytes());
    frame_count_ = shape.frames();
    whole_frames_ = shape.whole_frames;
}

void FrameStream::readChunk()
{
    chunk_first_ = next_index_;
    chunk_frames_ = std::min(kChunkFrames, whole_frames_ - next_index_);
    chunk_.resize(static_cast<std::size_t>(chunk_frames_ * kFrameBytes));
    if (input_.readAt(chunk_first_ * kFrameBytes, chunk_) < chunk_.size()) {
        throw ToolError(input_.path() + ": the file got shorter while being read");
    }
}

bool FrameStream::next(TextFrame& frame)
{
    if (next_index_ >= frame_count_) return false;
    if (next_index_ < whole_frames_) {
        if (next_index_ >= chunk_first_ + chunk_frames_) readChunk();
        const std::size_t offset = static_cast<std::size_t>((next_index_ - chunk_first_) * kFrameBytes);
        std::memcpy(frame.cells.data(), chunk_.data() + offset, kFrameBytes);
    } else {
        // A whole frame is just its 2400 bytes; only a short last frame depends on what the
        // player does with the cells it lacks, so that one comes from the player's own loader.
        frame = readFrame(input_.path(), next_index_);
    }
    ++next_index_;
    return true;
}
