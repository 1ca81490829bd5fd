// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "render/cell_drawing.h"
#include "scene/cell_font.h"
#include "scene/cell_picture.h"

// Debian's ansilove as the reference for the scene's formats: a file rendered by it, and the fonts
// it draws with, so that our drawing can be given the same glyphs and compared pixel for pixel.
struct ReferencePicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row after row
};

struct AnsiloveOptions {
    int columns = 0;   // -c, when not 0
    bool ice = false;  // -i
    int bits = 8;      // -b
    std::string font;  // -f, when not empty
    std::string type;  // -t, when not empty
};

// Whether ansilove is installed; the tests that need it skip otherwise.
bool ansiloveInstalled();

// ansilove's render of `path`. Throws std::runtime_error when it fails or writes no picture.
ReferencePicture ansiloveRender(const std::string& path, const AnsiloveOptions& options);

// The 8x16 ("80x25") or 8x8 ("80x50") font ansilove draws with, read back from its render of every
// code as a binary file, white on black.
CellFont ansiloveFont(int height);

// A picture as drawCells draws it.
ReferencePicture drawnPicture(const CellPicture& picture, const CellFont& font, int letter_spacing);

// Ours against theirs; where they differ, the first pixel and its cell, as a person would look for it.
// Where ours is `rows_beyond` pixel rows taller, those rows must be black.
::testing::AssertionResult samePixels(const ReferencePicture& ours, const ReferencePicture& theirs, int cell_width = 8,
                                      int cell_height = 16, int rows_beyond = 0);
