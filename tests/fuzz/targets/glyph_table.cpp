// SPDX-License-Identifier: MIT
// The player's font file: 128 glyphs and their inverses from the first 8192 bytes.
#include "content/glyph_table.h"
#include "content/regular_file.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const MemoryFile file({data, size});
    GlyphTable glyphs;
    FileProblem problem;
    glyphs.load(file.path().c_str(), &problem);
    // And straight from bytes of exactly the input's length, so that reading one past them shows.
    GlyphTable from_bytes;
    from_bytes.fillFrom(data, size);
    // The inverse half is the exact complement of the first: a load that broke it would show.
    for (int code = 0; code < GlyphTable::kFileGlyphs; ++code)
        for (int y = 0; y < 16; ++y)
            if ((glyphs[code][static_cast<std::size_t>(y)] ^ glyphs[code + 128][static_cast<std::size_t>(y)]) != 0xFF)
                __builtin_trap();
    return 0;
}
