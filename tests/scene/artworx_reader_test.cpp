// SPDX-License-Identifier: MIT
#include "scene/scene_test_support.h"

namespace {

// The EGA's 64 colours, each distinct, as 6-bit values.
Bytes egaPalette()
{
    Bytes palette;
    for (int i = 0; i < 64; ++i) palette += {i, 63 - i, (i * 5) & 63};
    return palette;
}

Bytes adf(const Bytes& cells)
{
    Bytes file{1};
    file += egaPalette();
    file += distinctFont(256, 16);
    file += cells;
    return file;
}

TEST(ArtworxReader, PaletteFontAndEightyColumnsAsAnsiloveDrawsThem)
{
    Bytes cells;
    for (int i = 0; i < 320; ++i) cells += {(i * 13) & 0xFF, i & 0xFF};
    const Bytes file = adf(cells);
    const ScenePiece piece = readArtworx(file, noSauce(file), {});
    EXPECT_EQ(piece.format, SceneFormat::artworx);
    expectLikeAnsilove(piece, file, "piece.adf");
    SceneOptions options;
    options.letter_spacing = 9;
    EXPECT_EQ(readArtworx(file, noSauce(file), options).letter_spacing, 9);
}

TEST(ArtworxReader, DamagedFilesRefusedInOneLine)
{
    expectReaderRefuses(readArtworx, Bytes{1, 0, 0}, "palette is cut short");
    Bytes no_font{1};
    no_font += egaPalette();
    no_font += distinctFont(255, 16);
    expectReaderRefuses(readArtworx, no_font, "font is cut short");
    expectReaderRefuses(readArtworx, adf({0x41}), "no cells");
}

}  // namespace
