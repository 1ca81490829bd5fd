// SPDX-License-Identifier: MIT
// BIN: two bytes a cell, as wide as SAUCE or the options say, a partial last row kept.
#include "scene/binary_readers.h"
#include "scene_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzSceneReader(data, size, [](auto art, const SauceSplit& split, const SceneOptions& options) {
        return readBin(art, split, options);
    });
}
