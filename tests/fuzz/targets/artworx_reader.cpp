// SPDX-License-Identifier: MIT
// ArtWorx (ADF): its palette, font and cells.
#include "scene/binary_readers.h"
#include "scene_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzSceneReader(data, size, [](auto art, const SauceSplit& split, const SceneOptions& options) {
        return readArtworx(art, split, options);
    });
}
