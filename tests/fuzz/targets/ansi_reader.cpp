// SPDX-License-Identifier: MIT
// ANSI art: the escape-sequence interpreter drawing a still picture, as wide as SAUCE or the options
// say, or (a .diz) as wide as its text.
#include "scene/text_readers.h"
#include "scene_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The options byte's spare bit: read as a .diz.
    const bool content_width = size > 0 && (data[0] & 0x20) != 0;
    return fuzzSceneReader(data, size, [&](auto art, const SauceSplit& split, const SceneOptions& options) {
        return readAnsi(art, split, options, content_width);
    });
}
