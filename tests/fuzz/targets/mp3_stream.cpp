// SPDX-License-Identifier: MIT
// The decoder the review player streams its soundtrack from: open (with its scan of every frame
// header), reads and seeks where the input says.
#include "platform/review/mp3_stream.h"
#include "fuzz_input.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    std::uint16_t seeks[3];
    for (auto& seek : seeks) seek = input.word();
    const MemoryFile file(input.rest());
    Mp3Stream stream;
    if (!stream.open(file.path().c_str())) return 0;
    if (stream.rateHz() <= 0 || stream.lengthFrames() <= 0) __builtin_trap();
    std::vector<float> samples(2 * 1152);
    for (const std::uint16_t seek : seeks) {
        stream.seek(static_cast<std::int64_t>(seek) * stream.lengthFrames() / 65535);
        const int got = stream.read(samples.data(), 1152);
        if (got < 0 || got > 1152) __builtin_trap();
    }
    return 0;
}
