// SPDX-License-Identifier: MIT
// The soundtrack as a page export cuts it: frame headers walked, the Xing/VBRI frame read, the kept
// frames and a rewritten Xing frame written out.
#include "fuzz_input.h"
#include "kvq/common/tool_error.h"
#include "kvq/export/soundtrack_cut.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const double seconds = input.word() / 256.0;
    const MemoryFile file(input.rest());
    try {
        const SoundtrackCut cut = cutSoundtrack(file.path(), seconds);
        touch(cut.bytes);
    } catch (const ToolError&) {
    }
    return 0;
}
