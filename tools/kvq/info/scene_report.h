// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "scene/scene_piece.h"

// SAUCE's text, CP437 as stored, as UTF-8 for a terminal.
std::string cp437Text(const std::string& text);

// Writes what a scene piece is: its format and size in cells, what its SAUCE record says (comments
// included), and with `baud` how long it takes to type out and in how many frames.
void describeScenePiece(const std::string& path, const ScenePiece& piece, std::optional<int> baud, std::ostream& out);
