// SPDX-License-Identifier: MIT
// Frames in, what a page made by kvq export holds for them out, for the web page's round-trip fuzzer
// (web/fuzz/fuzz.js); and, for its damaged-data fuzzer, what liblzma makes of a chunk, which is what
// the page's own decoder must agree with. One process serves a whole run, so each request is
// length-prefixed (numbers little-endian):
//   in:  u32 payload length, u8 kind, the payload
//        kind 0 or 1: the frames, to pack (0 one byte a character, 1 base64)
//        kind 2: u8 properties, u32 size, a packed chunk, to unpack to `size` bytes
//   out: u8, u32, u32 text length, the text:
//        packed: the properties, the CRC-32 of the frames, the text of the packed chunk
//        unpacked: 0 and the bytes, or 1 where liblzma refuses them or the chunk ends short
// It ends at the end of its input; a request cut short is an error (exit status 1).
#include <lzma.h>
#include <zlib.h>

#include <algorithm>
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

// The first `size` bytes liblzma unpacks from a raw LZMA1 stream, or nothing if it cannot.
bool unpackChunk(std::uint8_t properties, std::uint32_t size, const std::vector<std::uint8_t>& packed,
                 std::vector<std::uint8_t>& out)
{
    lzma_options_lzma options{};
    if (properties >= 225) return false;
    options.lc = properties % 9;
    options.lp = properties / 9 % 5;
    options.pb = properties / 45;
    options.dict_size = std::max<std::uint32_t>(size, LZMA_DICT_SIZE_MIN);
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_raw_decoder(&stream, filters) != LZMA_OK) return false;
    out.resize(size);
    stream.next_in = packed.data();
    stream.avail_in = packed.size();
    stream.next_out = out.data();
    stream.avail_out = out.size();
    // liblzma may look at the symbol after the last byte asked for (the end marker, which the page
    // never reads) and refuse that: what it wrote before counts.
    const lzma_ret result = lzma_code(&stream, LZMA_RUN);
    const bool whole = stream.total_out == size && result != LZMA_MEM_ERROR && result != LZMA_OPTIONS_ERROR;
    lzma_end(&stream);
    return whole;
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
            if (header[4] == 2) {
                std::vector<std::uint8_t> out;
                const bool whole = frames.size() >= 5 &&
                                   unpackChunk(frames[0], readU32(&frames[1]), {frames.begin() + 5, frames.end()}, out);
                reply.assign(1, whole ? '\0' : '\1');
                appendU32(0, reply);
                appendU32(whole ? static_cast<std::uint32_t>(out.size()) : 0, reply);
                if (whole) reply.append(out.begin(), out.end());
                if (std::fwrite(reply.data(), 1, reply.size(), stdout) != reply.size() || std::fflush(stdout) != 0)
                    return 1;
                continue;
            }
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
            if (std::fwrite(reply.data(), 1, reply.size(), stdout) != reply.size() || std::fflush(stdout) != 0)
                return 1;
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "page_packer: %s\n", error.what());
        return 1;
    }
}
