// SPDX-License-Identifier: MIT
// Stand-ins until the binary readers land; they are removed with them.
#include "scene/binary_readers.h"

#include "scene/scene_error.h"

ScenePiece readBin(std::span<const std::uint8_t>, const SauceSplit&, const SceneOptions&)
{
    throw SceneError("not read yet");
}
ScenePiece readXbin(std::span<const std::uint8_t>, const SauceSplit&, const SceneOptions&)
{
    throw SceneError("not read yet");
}
ScenePiece readArtworx(std::span<const std::uint8_t>, const SauceSplit&, const SceneOptions&)
{
    throw SceneError("not read yet");
}
ScenePiece readIceDraw(std::span<const std::uint8_t>, const SauceSplit&, const SceneOptions&)
{
    throw SceneError("not read yet");
}
ScenePiece readTundra(std::span<const std::uint8_t>, const SauceSplit&, const SceneOptions&)
{
    throw SceneError("not read yet");
}
