// SPDX-License-Identifier: MIT
// Any font `--font` takes for the scene's art: PSF1/PSF2 (gzip or not), the player's font, or raw
// glyphs of 1 to 32 rows, told apart by content and size.
#include "kvq/files/cell_font_file.h"
#include "fuzz_input.h"
#include "kvq/common/tool_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const MemoryFile file({data, size});
    try {
        const CellFont font = readCellFont(file.path());
        const bool sized = font.height >= 1 && font.height <= CellFont::kMaxHeight &&
                           (font.glyph_count == 256 || font.glyph_count == 512) &&
                           font.rows.size() == static_cast<std::size_t>(font.glyph_count * font.height);
        if (!sized) __builtin_trap();
        touch(font.rows);
    } catch (const ToolError&) {
    }
    return 0;
}
