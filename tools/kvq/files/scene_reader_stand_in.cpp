// SPDX-License-Identifier: MIT
// Stands in for the scene's readers until their library is built: no file is taken for a scene
// piece, so kvq reads its own frame files exactly as before.
#include "scene/ansi_typing.h"
#include "scene/scene_error.h"
#include "scene/scene_piece.h"

const char* formatName(SceneFormat) { return "scene art"; }

std::optional<SceneFormat> recogniseScene(std::span<const std::uint8_t>, const std::string&) { return std::nullopt; }

ScenePiece readScenePiece(std::span<const std::uint8_t>, const std::string&, const SceneOptions&)
{
    throw SceneError("scene files cannot be read by this build");
}

struct AnsiTyping::State {};
AnsiTyping::AnsiTyping(const ScenePiece&) { throw SceneError("scene files cannot be read by this build"); }
AnsiTyping::~AnsiTyping() = default;
std::uint64_t AnsiTyping::byteCount() const { return 0; }
const CellPicture& AnsiTyping::screenAfter(std::uint64_t)
{
    throw SceneError("scene files cannot be read by this build");
}
std::uint64_t AnsiTyping::bytesAtFrame(std::uint64_t, int) { return 0; }
std::uint64_t AnsiTyping::framesFor(std::uint64_t, int) { return 0; }
