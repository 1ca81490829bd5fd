// SPDX-License-Identifier: MIT
// The player's whole-file load of an animation, from a file and from memory: every frame, a short
// last frame completed.
#include "content/frame_list.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const MemoryFile file({data, size});
    FrameList frames;
    FileProblem problem;
    frames.load(file.path().c_str(), &problem);
    for (std::size_t i = 0; i < frames.size(); ++i) touch(frames[i].cells);
    // The same bytes from memory make the same frames.
    FrameList from_bytes;
    from_bytes.loadBytes({data, size});
    if (from_bytes.size() != frames.size()) __builtin_trap();
    for (std::size_t i = 0; i < frames.size(); ++i)
        if (from_bytes[i].cells != frames[i].cells) __builtin_trap();
    return 0;
}
