// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "scene/cell_font.h"
#include "scene/cell_picture.h"
#include "scene/sauce_record.h"

// The scene's file formats this reads.
enum class SceneFormat { ansi, pcboard, bin, xbin, artworx, icedraw, tundra };
const char* formatName(SceneFormat format);  // "ANSI", "XBIN", ... as a person names them

// What the person asks for beyond what the file says; unset fields follow the file and its SAUCE.
struct SceneOptions {
    std::optional<int> columns;         // the width of ANSI, PCBoard and BIN art
    std::optional<bool> ice_colours;    // blink as a bright background
    std::optional<int> letter_spacing;  // 8 or 9
};

// A piece read whole: its picture, the font and letter spacing it asks for, and for the formats that
// are typed out (ANSI, PCBoard) the bytes of the art itself.
struct ScenePiece {
    SceneFormat format = SceneFormat::ansi;
    CellPicture picture;
    std::optional<CellFont> font;  // the file's own (XBIN, ADF, IDF)
    std::string font_name;         // what SAUCE names, empty when nothing
    int letter_spacing = 8;        // 8 or 9
    bool ice_colours = false;
    std::optional<SauceRecord> sauce;
    std::vector<std::uint8_t> art;  // the bytes before SAUCE; what typing out sends
};

// Whether the bytes (and, second, the file's name) look like a scene piece at all; kvq's own frame
// files and fonts are not.
std::optional<SceneFormat> recogniseScene(std::span<const std::uint8_t> file, const std::string& name);

// Reads a whole piece. Throws SceneError with one line that says what is wrong with a damaged file.
ScenePiece readScenePiece(std::span<const std::uint8_t> file, const std::string& name, const SceneOptions& options);
