// SPDX-License-Identifier: MIT
// A PNG picture as the encoder reads each one of a folder: any PNG, as 8-bit RGB, refused above a
// side length before it is decoded. The limit is the input's choice up to 1024 (the encoder's is
// larger), so that a few bytes of zlib cannot make every run decode a picture of 16384 squared.
// Every chunk's CRC is made right before the read: libpng refuses a header whose CRC fails, so
// without it no mutation of a picture's size or kind would ever reach the size checks.
#include <array>
#include <vector>

#include "fuzz_input.h"
#include "kvq/common/tool_error.h"
#include "kvq/files/png_file.h"

namespace {

std::uint32_t crc32(const std::uint8_t* bytes, std::size_t size)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// Walks the chunks after the 8-byte signature: length, type, data, CRC, each CRC rewritten.
std::vector<std::uint8_t> withChunkCrcs(std::span<const std::uint8_t> file)
{
    std::vector<std::uint8_t> bytes(file.begin(), file.end());
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        const std::size_t length = std::size_t{bytes[at]} << 24 | std::size_t{bytes[at + 1]} << 16 |
                                   std::size_t{bytes[at + 2]} << 8 | bytes[at + 3];
        if (length > bytes.size() - at - 12) break;
        const std::uint32_t crc = crc32(&bytes[at + 4], 4 + length);
        for (int i = 0; i < 4; ++i) bytes[at + 8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        at += 12 + length;
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const std::uint32_t max_side = 1 + input.word() % 1024;
    const MemoryFile file(withChunkCrcs(input.rest()));
    try {
        const RgbPicture picture = readPngRgb(file.path(), max_side);
        if (picture.width < 1 || picture.height < 1 || static_cast<std::uint32_t>(picture.width) > max_side ||
            static_cast<std::uint32_t>(picture.height) > max_side)
            __builtin_trap();
        if (picture.rgb.size() != static_cast<std::size_t>(picture.width) * picture.height * 3) __builtin_trap();
        // What was read, written as kvq writes its pictures and read again, is the same picture.
        std::vector<std::uint32_t> pixels(picture.rgb.size() / 3);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = std::uint32_t{picture.rgb[3 * i]} << 16 | std::uint32_t{picture.rgb[3 * i + 1]} << 8 |
                        picture.rgb[3 * i + 2];
        const MemoryFile written(encodeRgbPng(pixels, picture.width, picture.height));
        const RgbPicture again = readPngRgb(written.path(), max_side);
        if (again.width != picture.width || again.height != picture.height || again.rgb != picture.rgb)
            __builtin_trap();
    } catch (const ToolError&) {
    }
    return 0;
}
