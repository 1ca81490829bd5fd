// SPDX-License-Identifier: MIT
// A PSF1 or PSF2 console font: its glyphs and Unicode table, and the conversion to the player's
// font. The gzip target reads the same code through compressed input.
#include "kvq/font/psf_font.h"
#include "fuzz_input.h"
#include "kvq/common/tool_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const MemoryFile file({data, size});
    try {
        const PsfGlyphs glyphs = readPsfGlyphs(file.path());
        if (glyphs.bytes.size() != std::size_t{glyphs.count} * glyphs.height * glyphs.row_bytes) __builtin_trap();
        touch(glyphs.bytes);
    } catch (const ToolError&) {
    }
    try {
        touch(convertPsfFont(file.path()));
    } catch (const ToolError&) {
    }
    return 0;
}
