// SPDX-License-Identifier: MIT
#include "kvq/files/font_file.h"

#include "kvq/files/input_file.h"

std::vector<std::uint8_t> readFontFileBytes(const std::string& path)
{
    InputFile file(path);
    std::vector<std::uint8_t> bytes(GlyphTable::kFileBytesRead);
    bytes.resize(file.readAt(0, bytes));
    return bytes;
}

GlyphTable loadFontFile(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = readFontFileBytes(path);
    GlyphTable glyphs;
    glyphs.fillFrom(bytes.data(), bytes.size());
    return glyphs;
}
