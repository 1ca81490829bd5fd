// SPDX-License-Identifier: MIT
// iCE Draw (IDF): its header's edges, run-length cells, font and palette.
#include "scene/binary_readers.h"
#include "scene_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzSceneReader(data, size, [](auto art, const SauceSplit& split, const SceneOptions& options) {
        return readIceDraw(art, split, options);
    });
}
