// SPDX-License-Identifier: MIT
// Any file a command is given: recognised by content, SAUCE and name, then read by its format's
// reader.
#include <string>

#include "scene_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const char* const kNames[] = {"art.ans", "art.txt", "art.pcb", "art.bin", "art.xb", "art.adf",
                                         "art.idf", "art.tnd", "art.asc", "art.diz", "art",    "art.kvq"};
    FuzzInput input(data, size);
    const std::string name = input.pick(kNames);
    const SceneOptions options = fuzzedSceneOptions(input);
    const std::span<const std::uint8_t> file = input.rest();
    if (!recogniseScene(file, name)) return 0;
    try {
        checkScenePiece(readScenePiece(file, name, options));
    } catch (const SceneError&) {
    }
    return 0;
}
