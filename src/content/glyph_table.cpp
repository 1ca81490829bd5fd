// SPDX-License-Identifier: MIT
#include "content/glyph_table.h"

#include "content/regular_file.h"

int GlyphTable::load(const char* path, FileProblem* problem)
{
    FileProblem opened;
    const FileOwner file = openRegularFile(path, opened).file;
    if (problem) *problem = opened;
    if (!file) return -1;
    // One read of at most 256 slots; a short or failed read is not an error, it only leaves the
    // undelivered rows blank.
    std::array<std::uint8_t, kFileBytesRead> block{};
    const std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
    fillFrom(block.data(), got);
    constexpr std::size_t kBytesDrawn = kFileGlyphs * kSlotBytes;
    if (problem && got < kBytesDrawn) *problem = {FileProblem::Kind::short_file, 0, got};
    return 0;
}

void GlyphTable::fillFrom(const std::uint8_t* bytes, std::size_t size)
{
    for (int code = 0; code < kFileGlyphs; ++code) {
        for (int row = 0; row < 16; ++row) {
            const std::size_t offset = static_cast<std::size_t>(code * kSlotBytes + row);
            const std::uint8_t bits = offset < size ? bytes[offset] : 0;
            glyphs_[static_cast<std::size_t>(code)][static_cast<std::size_t>(row)] = bits;
            glyphs_[static_cast<std::size_t>(code + kFileGlyphs)][static_cast<std::size_t>(row)] =
                static_cast<std::uint8_t>(~bits);
        }
    }
}
