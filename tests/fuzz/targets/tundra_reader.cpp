// SPDX-License-Identifier: MIT
// TundraDraw: pen moves and 24-bit colours, every colour kept as itself.
#include "scene/binary_readers.h"
#include "scene_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzSceneReader(data, size, [](auto art, const SauceSplit& split, const SceneOptions& options) {
        return readTundra(art, split, options);
    });
}
