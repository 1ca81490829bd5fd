// SPDX-License-Identifier: MIT
#include "kvq/files/file_kind.h"

#include <filesystem>

#include "content/frame_file_shape.h"
#include "content/glyph_table.h"
#include "content/player_folder.h"

LikelyKind likelyKind(const std::string& path, std::uint64_t size_bytes)
{
    const std::filesystem::path name(path);
    if (name.extension() == ".kvq") return LikelyKind::frames;
    if (size_bytes == GlyphTable::kFileBytesRead || name.filename() == kFontFileName) return LikelyKind::font;
    if (size_bytes % FrameFileShape::kFrameBytes == 0) return LikelyKind::frames;
    return LikelyKind::unknown;
}
