// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "scene/ansi_interpreter.h"
#include "scene/sauce_record.h"
#include "scene/scene_piece.h"

// The formats that are text with codes in it, read by one interpreter: ANSI (and plain text) and
// PCBoard. `art` is the file's bytes before its SAUCE record.
ScenePiece readAnsi(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options);
ScenePiece readPcboard(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options);

// Either of them: the piece's settings, then its bytes through the interpreter into a still picture.
ScenePiece readTextPiece(SceneFormat format, std::span<const std::uint8_t> art, const SauceSplit& split,
                         const SceneOptions& options);

// How a text piece is interpreted, from the options first and SAUCE second: its width (80 where
// neither says) and its iCE colours. Shared with typing out.
AnsiSettings textSettings(const ScenePiece& piece, const SceneOptions& options);
