// SPDX-License-Identifier: MIT
// Frames in, what a page made by kvq export holds for them out, for the web page's round-trip fuzzer
// (web/fuzz/fuzz.js). One process serves a whole run, so each request is length-prefixed:
//   in:  u32 frame bytes (little-endian), u8 encoding (0 one byte a character, 1 base64), the frames
//   out: u8 properties, u32 CRC-32 of the frames, u32 text length, the text of the packed chunk
// It ends at the end of its input; a request cut short is an error (exit status 1).
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "kvq/export/lzma_chunk.h"
#include "kvq/export/script_data.h"

namespace {

bool readExactly(void* into, std::size_t size) { return std::fread(into, 1, size, stdin) == size; }

std::uint32_t readU32(const std::uint8_t* bytes)
{
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

void appendU32(std::uint32_t value, std::string& out)
{
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xff));
}

}  // namespace

int main()
{
    try {
        std::uint8_t header[5];
        std::vector<std::uint8_t> frames;
        std::string reply;
        while (readExactly(header, 1)) {
            if (!readExactly(header + 1, 4)) return 1;
            frames.resize(readU32(header));
            if (!readExactly(frames.data(), frames.size())) return 1;
            const LzmaChunk chunk = packLzmaChunk(frames);
            std::string text;
            if (header[4] == 1)
                appendBase64(chunk.bytes, text);
            else
                appendScriptData(chunk.bytes, text);
            reply.assign(1, static_cast<char>(chunk.properties));
            appendU32(static_cast<std::uint32_t>(crc32(0L, frames.data(), static_cast<uInt>(frames.size()))), reply);
            appendU32(static_cast<std::uint32_t>(text.size()), reply);
            reply += text;
            if (std::fwrite(reply.data(), 1, reply.size(), stdout) != reply.size() || std::fflush(stdout) != 0) return 1;
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "page_packer: %s\n", error.what());
        return 1;
    }
}
