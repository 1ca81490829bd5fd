// SPDX-License-Identifier: MIT
#include "kvq/files/cell_font_file.h"

#include <algorithm>
#include <array>

#include "kvq/common/tool_error.h"
#include "kvq/files/input_file.h"
#include "kvq/font/psf_font.h"

namespace {

constexpr int kGlyphs = 256;

CellFont fromPsf(const std::string& path)
{
    const PsfGlyphs psf = readPsfGlyphs(path);
    if (psf.width != 8 || psf.height > CellFont::kMaxHeight) {
        throw ToolError(path + ": glyphs are " + std::to_string(psf.width) + "x" + std::to_string(psf.height) +
                        "; cells are drawn with glyphs 8 pixels wide and at most 32 high");
    }
    CellFont font;
    font.height = psf.height;
    font.rows.assign(static_cast<std::size_t>(kGlyphs) * psf.height, 0);
    const std::uint32_t kept = std::min<std::uint32_t>(psf.count, kGlyphs);
    std::copy_n(psf.bytes.begin(), static_cast<std::size_t>(kept) * psf.height, font.rows.begin());
    return font;
}

}  // namespace

CellFont readCellFont(const std::string& path)
{
    InputFile file(path);
    std::array<std::uint8_t, 4> start{};
    const std::size_t got = file.readAt(0, start);
    const bool gzip = got >= 2 && start[0] == 0x1f && start[1] == 0x8b;
    if (gzip || startsLikePsfFont(std::span(start.data(), got))) return fromPsf(path);

    const std::uint64_t size = file.sizeBytes();
    CellFont font;
    if (size == GlyphTable::kFileBytesRead) {
        // The player's font: 256 slots of 32 bytes, the glyph in the first 16.
        std::vector<std::uint8_t> slots(size);
        if (file.readAt(0, slots) < size) throw ToolError(path + ": truncated while reading");
        font.height = 16;
        font.rows.resize(static_cast<std::size_t>(kGlyphs) * 16);
        for (int code = 0; code < kGlyphs; ++code) {
            std::copy_n(slots.begin() + code * GlyphTable::kSlotBytes, 16, font.rows.begin() + code * 16);
        }
        return font;
    }
    if (size == 0 || size % kGlyphs != 0 || size / kGlyphs > CellFont::kMaxHeight) {
        throw ToolError(path +
                        ": not a font: neither a PSF console font, the player's 8192-byte font, nor 256 "
                        "raw glyphs of 1 to 32 rows (" +
                        std::to_string(size) + " bytes)");
    }
    font.height = static_cast<int>(size / kGlyphs);
    font.rows.resize(size);
    if (file.readAt(0, font.rows) < size) throw ToolError(path + ": truncated while reading");
    return font;
}

CellFont cellFontOf(const GlyphTable& glyphs)
{
    CellFont font;
    font.height = 16;
    font.rows.resize(static_cast<std::size_t>(kGlyphs) * 16);
    for (int code = 0; code < kGlyphs; ++code) std::copy_n(glyphs[code].begin(), 16, font.rows.begin() + code * 16);
    return font;
}
