// SPDX-License-Identifier: MIT
#include "scene/text_readers.h"

ScenePiece readAnsi(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options)
{
    return readTextPiece(SceneFormat::ansi, art, split, options);
}
