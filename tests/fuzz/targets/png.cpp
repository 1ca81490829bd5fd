// SPDX-License-Identifier: MIT
// A PNG picture as the encoder reads each one of a folder: any PNG, as 8-bit RGB, refused above a
// side length before it is decoded. The limit is the input's choice up to 1024 (the encoder's is
// larger), so that a few bytes of zlib cannot make every run decode a picture of 16384 squared.
#include "fuzz_input.h"
#include "kvq/common/tool_error.h"
#include "kvq/files/png_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const std::uint32_t max_side = 1 + input.word() % 1024;
    const MemoryFile file(input.rest());
    try {
        const RgbPicture picture = readPngRgb(file.path(), max_side);
        if (picture.width < 1 || picture.height < 1 || static_cast<std::uint32_t>(picture.width) > max_side ||
            static_cast<std::uint32_t>(picture.height) > max_side)
            __builtin_trap();
        if (picture.rgb.size() != static_cast<std::size_t>(picture.width) * picture.height * 3) __builtin_trap();
        touch(picture.rgb);
    } catch (const ToolError&) {
    }
    return 0;
}
