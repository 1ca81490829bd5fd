// SPDX-License-Identifier: MIT
#include "content/frame_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "content/frame_file_shape.h"

namespace {

constexpr std::size_t kFrameBytes = FrameFileShape::kFrameBytes;
// Whole chunks are read straight into the list's storage, so frames must lie back to back.
static_assert(sizeof(TextFrame) == kFrameBytes && alignof(TextFrame) == 1);
constexpr std::size_t kChunkFrames = 1024;  // about 2.4 MB per read

}  // namespace

void completeShortFrame(TextFrame& frame, std::size_t trailing_bytes, const TextFrame* previous)
{
    std::uint8_t* rest = frame.cells.data() + trailing_bytes;
    const std::size_t count = kFrameBytes - trailing_bytes;
    if (previous) {
        std::memcpy(rest, previous->cells.data() + trailing_bytes, count);
    } else {
        std::memset(rest, 0, count);
    }
}

// The player reads a file as 2400-byte blocks into one reused buffer. Reading whole chunks
// straight into the list gives the same frames without a copy per frame; the one place where the
// reuse shows is a short last block, handled below. `read(destination, wanted)` delivers up to
// `wanted` bytes and fewer only at the end.
template <typename Read>
FileProblem FrameList::appendBlocks(std::size_t expected_frames, Read read, const std::atomic<int>* stop)
{
    try {
        frames_.reserve(frames_.size() + expected_frames + 1);
    } catch (const std::exception&) {
        // Only a hint: growing chunk by chunk still works, or stops cleanly when memory runs out.
    }

    for (;;) {
        if (stop && stop->load() != 0) return {FileProblem::Kind::interrupted};
        const std::size_t first_new = frames_.size();
        try {
            const std::size_t room = frames_.capacity() - first_new;
            frames_.resize(first_new + std::max<std::size_t>(std::min(room, kChunkFrames), 1));
        } catch (const std::exception&) {
            return {FileProblem::Kind::out_of_memory};
        }
        const std::size_t wanted = (frames_.size() - first_new) * kFrameBytes;
        const std::size_t got = read(reinterpret_cast<unsigned char*>(frames_.data() + first_new), wanted);

        const std::size_t tail = got % kFrameBytes;
        std::size_t kept = first_new + got / kFrameBytes;
        if (tail >= FrameFileShape::kUnitBytes) {
            completeShortFrame(frames_[kept], tail, kept > 0 ? &frames_[kept - 1] : nullptr);
            ++kept;
        }
        frames_.resize(kept);
        if (got < wanted) return {};  // end of file, or a read error treated as one
    }
}

int FrameList::load(const char* path, FileProblem* problem, const std::atomic<int>* stop)
{
    FileProblem outcome;
    const RegularFile opened = openRegularFile(path, outcome);
    std::FILE* file = opened.file.get();
    if (file) {
        outcome = appendBlocks(
            static_cast<std::size_t>(opened.size_bytes / kFrameBytes),
            [&](unsigned char* destination, std::size_t wanted) { return std::fread(destination, 1, wanted, file); },
            stop);
        outcome.bytes = opened.size_bytes;
    }
    if (problem) *problem = outcome;
    return file ? 0 : -1;
}

void FrameList::loadBytes(std::span<const std::uint8_t> bytes)
{
    appendBlocks(
        bytes.size() / kFrameBytes,
        [&](unsigned char* destination, std::size_t wanted) {
            const std::size_t got = std::min(wanted, bytes.size());
            if (got > 0) std::memcpy(destination, bytes.data(), got);
            bytes = bytes.subspan(got);
            return got;
        },
        nullptr);
}
