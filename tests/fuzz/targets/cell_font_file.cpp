// SPDX-License-Identifier: MIT
// Any font `--font` takes for the scene's art: PSF1/PSF2 (gzip or not), the player's font, or raw
// glyphs of 1 to 32 rows, told apart by content and size.
#include <algorithm>

#include "fuzz_input.h"
#include "kvq/common/tool_error.h"
#include "kvq/files/cell_font_file.h"

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
    // The same bytes taken as the player's font: its glyphs as a cell font, 16 rows each.
    GlyphTable glyphs;
    glyphs.fillFrom(data, size);
    const CellFont player = cellFontOf(glyphs);
    if (player.height != 16 || player.rows.size() != 256u * 16) __builtin_trap();
    for (int code = 0; code < 256; ++code)
        if (!std::equal(glyphs[code].begin(), glyphs[code].end(), player.rows.begin() + code * 16)) __builtin_trap();
    return 0;
}
