// SPDX-License-Identifier: MIT
#include "scene/text_readers.h"

// PCBoard's @X colours and @CLS@ are read by the ANSI interpreter, which leaves ESC as a glyph here.
ScenePiece readPcboard(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options)
{
    return readTextPiece(SceneFormat::pcboard, art, split, options);
}
