// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scene/cell_font.h"
#include "scene/cell_picture.h"
#include "scene/scene_piece.h"

// Anything kvq shows: one of our frame files, or a scene piece, still or typed out at a baud. Every
// command reads through this, so each takes every kind of file alike.
//
// Frames come at 24 a second. A still piece is one frame; a typed-out piece has a frame for every
// 24th of a second until its last byte has arrived. Pictures are `widthPixels()` x
// `heightPixels()`, which for still art may be far taller than any screen.
class Artwork {
public:
    virtual ~Artwork() = default;

    virtual std::string description() const = 0;  // "ANSI, 80x213 cells", "frame file", ...
    virtual int widthPixels() const = 0;
    virtual int heightPixels() const = 0;
    virtual std::uint64_t frameCount() const = 0;
    // Whether any cell of any frame blinks, so that a still frame changes with time.
    virtual bool blinks() const = 0;

    // The cells of frame `frame`, the font and the layout they are drawn with; null where the frame
    // cannot be had (a frame file cut short since it was opened). Valid until the next call.
    virtual const CellPicture* cells(std::uint64_t frame) = 0;
    virtual const CellFont& font() const = 0;
    virtual int letterSpacing() const = 0;

    // The scene piece behind it; null for a frame file.
    virtual const ScenePiece* piece() const { return nullptr; }
};

struct ArtworkOptions {
    std::optional<std::string> font_path;  // --font: any font kvq font reads, or the player's font
    std::optional<int> baud;               // --baud: type the piece out
    SceneOptions scene;
};

// Opens any file kvq reads as art; a ToolError naming the file when it cannot.
std::unique_ptr<Artwork> openArtwork(const std::string& path, const ArtworkOptions& options);

// The scene piece in the file at `path`, read whole, or nothing where the file is none (one of our
// frame files, or a font); a ToolError naming the file when it cannot be read or is a damaged piece.
std::optional<ScenePiece> readSceneFile(const std::string& path, const SceneOptions& options);
// A piece already read, as art: with its own font, SAUCE's or --font, typed out at --baud.
std::unique_ptr<Artwork> sceneArtwork(ScenePiece piece, const std::string& path, const ArtworkOptions& options);

// Draws frame `frame` whole, blinking cells lit or not, into `pixels` (widthPixels() * heightPixels()
// of 0x00RRGGBB); false where the frame cannot be had.
bool drawArtworkFrame(Artwork& artwork, std::uint64_t frame, bool blink_lit, std::vector<std::uint32_t>& pixels);
