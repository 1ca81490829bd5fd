// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "scene/sauce_record.h"
#include "scene/scene_piece.h"

// The readers of the formats that store cells as they are (code and attribute bytes), each in a
// file of its own. `art` is the file's bytes before its SAUCE record (split.art_size of them); the
// record, where there is one, is in `split`. Each throws SceneError with one line for a damaged file.
ScenePiece readBin(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options);
ScenePiece readXbin(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options);
ScenePiece readArtworx(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options);
ScenePiece readIceDraw(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options);
ScenePiece readTundra(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options);
