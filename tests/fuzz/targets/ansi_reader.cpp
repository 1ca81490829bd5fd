// SPDX-License-Identifier: MIT
// ANSI art: the escape-sequence interpreter drawing a still picture, as wide as SAUCE or the options say.
#include "scene/text_readers.h"
#include "scene_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzSceneReader(data, size, [](auto art, const SauceSplit& split, const SceneOptions& options) {
        return readAnsi(art, split, options);
    });
}
