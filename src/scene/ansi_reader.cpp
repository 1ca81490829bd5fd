// SPDX-License-Identifier: MIT
#include "scene/text_readers.h"

ScenePiece readAnsi(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options,
                    bool content_width)
{
    return readTextPiece(SceneFormat::ansi, art, split, options, content_width);
}
