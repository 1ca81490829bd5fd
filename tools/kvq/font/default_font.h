// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <vector>

#include "kvq/font/psf_font.h"

// Where kvq looks for the font it uses where none is given, in order: the copy installed with it
// (PREFIX/share/kvqplay/Lat15-VGA16.font, for kvq in PREFIX/bin), then the console font Lat15-VGA16
// that Debian's console-setup-linux installs.
std::vector<std::filesystem::path> defaultFontPlaces(const std::filesystem::path& program);

// That font as the player's font file. Throws a ToolError that says how to install it when it is
// in neither place.
FontFileBytes defaultConsoleFont();
