// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// One independently unpackable piece of a web page's frames: a raw LZMA1 stream, the kind the
// page's own small decoder reads, with the properties byte ((pb * 5 + lp) * 9 + lc) it needs.
struct LzmaChunk {
    std::uint8_t properties = 0;
    std::vector<std::uint8_t> bytes;
};

// Packs `raw` as tightly as liblzma can (its slowest preset); a ToolError if liblzma fails.
LzmaChunk packLzmaChunk(std::span<const std::uint8_t> raw);
