// SPDX-License-Identifier: MIT
// A gzip-compressed console font, as Debian ships them: a damaged or cut stream, a bad check sum,
// a stream that inflates far beyond any font, through the same reader as an uncompressed one.
#include "fuzz_input.h"
#include "kvq/common/tool_error.h"
#include "kvq/font/psf_font.h"

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
