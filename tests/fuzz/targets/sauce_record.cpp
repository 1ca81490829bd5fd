// SPDX-License-Identifier: MIT
// A SAUCE record and its comment block at a file's end, believed only where they fit the file.
#include "scene/sauce_record.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const SauceSplit split = splitSauce({data, size});
    if (split.art_size > size) __builtin_trap();
    if (split.record) {
        const int spacing = split.record->letterSpacing();
        if (spacing != 0 && spacing != 8 && spacing != 9) __builtin_trap();
        if (split.record->comments.size() > 255) __builtin_trap();
        for (const std::string& comment : split.record->comments)
            touch({reinterpret_cast<const std::uint8_t*>(comment.data()), comment.size()});
    }
    return 0;
}
