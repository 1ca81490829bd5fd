// SPDX-License-Identifier: MIT
// PCBoard art: @X colour codes and the rest of its @-codes, through the same interpreter as ANSI.
#include "scene/text_readers.h"
#include "scene_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzSceneReader(data, size, [](auto art, const SauceSplit& split, const SceneOptions& options) {
        return readPcboard(art, split, options);
    });
}
