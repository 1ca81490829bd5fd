// SPDX-License-Identifier: MIT
#include "kvq/export/lzma_chunk.h"

#include <lzma.h>

#include <algorithm>

#include "kvq/common/tool_error.h"

namespace {

// The settings that pack frames best: a frame repeats the one before 2400 bytes back, which no
// position bits can model, and the codes that follow a code are what the literal context sees.
constexpr std::uint32_t kLiteralContextBits = 3;
constexpr std::uint32_t kLiteralPositionBits = 0;
constexpr std::uint32_t kPositionBits = 0;

struct StreamOwner {
    lzma_stream stream = LZMA_STREAM_INIT;
    ~StreamOwner() { lzma_end(&stream); }
};

}  // namespace

LzmaChunk packLzmaChunk(std::span<const std::uint8_t> raw)
{
    lzma_options_lzma options;
    if (lzma_lzma_preset(&options, 9 | LZMA_PRESET_EXTREME)) throw ToolError("liblzma has no preset 9e");
    options.lc = kLiteralContextBits;
    options.lp = kLiteralPositionBits;
    options.pb = kPositionBits;
    // A dictionary no larger than the chunk: the decoder's memory is the chunk itself.
    options.dict_size =
        std::clamp<std::uint32_t>(static_cast<std::uint32_t>(raw.size()), LZMA_DICT_SIZE_MIN, options.dict_size);
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};

    StreamOwner owner;
    if (lzma_raw_encoder(&owner.stream, filters) != LZMA_OK) throw ToolError("liblzma cannot start packing frames");
    LzmaChunk chunk;
    chunk.properties = static_cast<std::uint8_t>((options.pb * 5 + options.lp) * 9 + options.lc);
    chunk.bytes.resize(raw.size() / 2 + 4096);
    owner.stream.next_in = raw.data();
    owner.stream.avail_in = raw.size();
    for (;;) {
        if (owner.stream.total_out == chunk.bytes.size()) chunk.bytes.resize(chunk.bytes.size() * 2);
        owner.stream.next_out = chunk.bytes.data() + owner.stream.total_out;
        owner.stream.avail_out = chunk.bytes.size() - owner.stream.total_out;
        const lzma_ret result = lzma_code(&owner.stream, LZMA_FINISH);
        if (result == LZMA_STREAM_END) break;
        if (result != LZMA_OK)
            throw ToolError("liblzma failed while packing frames (error " + std::to_string(result) + ")");
    }
    chunk.bytes.resize(owner.stream.total_out);
    return chunk;
}
