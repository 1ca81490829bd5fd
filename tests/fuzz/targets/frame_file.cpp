// SPDX-License-Identifier: MIT
// kvq's frame file, read a block at a time as frames are asked for, in an order the input chooses.
#include <algorithm>

#include "fuzz_input.h"
#include "kvq/common/tool_error.h"
#include "kvq/files/frame_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const std::uint64_t block_frames = 1 + input.byte() % 4;
    std::uint8_t asks[6];
    for (auto& ask : asks) ask = input.byte();
    const std::uint8_t cut = input.byte();
    const std::span<const std::uint8_t> bytes = input.rest();
    const MemoryFile file(bytes);
    try {
        FrameFile frames(file.path(), block_frames);
        for (const std::uint8_t ask : asks) {
            if (const TextFrame* frame = frames.frame(ask % (frames.frameCount() + 2))) touch(frame->cells);
        }
        if (frames.frameCount() > 0) touch(frames.existingFrame(frames.frameCount() - 1).cells);
        // A frame past the end is refused in words, never read.
        bool refused = false;
        try {
            frames.existingFrame(frames.frameCount() + asks[0]);
        } catch (const ToolError&) {
            refused = true;
        }
        if (!refused) __builtin_trap();
        // Opened the way that reports rather than throws, and one frame read alone: the same count.
        FileProblem problem;
        FrameFile reported(file.path(), problem);
        if (reported.frameCount() != frames.frameCount()) __builtin_trap();
        if (frames.frameCount() > 0) touch(readFrame(file.path(), asks[1] % frames.frameCount()).cells);

        // Cut short after it was opened: the whole frames before the cut are still read as they
        // are; the others are missing, or refused in words, never noise.
        if (cut != 0) {
            FrameFile shrinking(file.path(), block_frames);
            const std::size_t left = bytes.size() * cut / 256;
            file.shrinkTo(left);
            for (const std::uint8_t ask : asks) {
                const std::uint64_t index = ask % (shrinking.frameCount() + 1);
                const TextFrame* frame = shrinking.frame(index);
                const std::size_t start = static_cast<std::size_t>(index) * TextFrame::kCells;
                const bool whole = start + TextFrame::kCells <= left && index + 1 < shrinking.frameCount();
                if (whole && (!frame || !std::equal(frame->cells.begin(), frame->cells.end(), bytes.begin() + start)))
                    __builtin_trap();
                // A frame needs its own bytes, or the short last frame's, all before the cut.
                const std::size_t needed =
                    start < bytes.size() ? std::min<std::size_t>(TextFrame::kCells, bytes.size() - start) : 1;
                if (frame && start + needed > left) __builtin_trap();
                if (frame) touch(frame->cells);
            }
            if (shrinking.frameCount() > 0) shrinking.existingFrame(shrinking.frameCount() - 1);
        }
    } catch (const ToolError&) {
    }
    return 0;
}
