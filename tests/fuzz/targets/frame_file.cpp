// SPDX-License-Identifier: MIT
// kvq's frame file, read a block at a time as frames are asked for, in an order the input chooses.
#include "kvq/files/frame_file.h"
#include "fuzz_input.h"
#include "kvq/common/tool_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const std::uint64_t block_frames = 1 + input.byte() % 4;
    std::uint8_t asks[6];
    for (auto& ask : asks) ask = input.byte();
    const MemoryFile file(input.rest());
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
    } catch (const ToolError&) {
    }
    return 0;
}
