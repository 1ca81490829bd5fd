// SPDX-License-Identifier: MIT
// XBIN: its header, palette, font of 1-32 rows and 256 or 512 glyphs, and run-length compressed cells.
#include "scene/binary_readers.h"
#include "scene_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzSceneReader(data, size, [](auto art, const SauceSplit& split, const SceneOptions& options) {
        return readXbin(art, split, options);
    });
}
