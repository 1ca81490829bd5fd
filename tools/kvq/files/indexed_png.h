// SPDX-License-Identifier: MIT
#pragma once

#include <zlib.h>

#include <cstdint>
#include <span>
#include <vector>

// A PNG of palette indices written a band of rows at a time, so that a picture of any height costs
// only its compressed bytes: 4 bits a pixel for 16 colours or fewer (as the scene's converters
// write them), 8 for up to 256. Compressed for speed over size, since one is made per command.
class IndexedPng {
public:
    // Throws a ToolError for a size or palette it cannot write.
    IndexedPng(int width, int height, std::span<const std::uint32_t> palette);
    ~IndexedPng();
    IndexedPng(const IndexedPng&) = delete;
    IndexedPng& operator=(const IndexedPng&) = delete;

    // The next rows, `width` indices each, one byte an index.
    void addRows(std::span<const std::uint8_t> indices);
    // The whole file, once every row has been added.
    std::vector<std::uint8_t> finish();

private:
    void deflateRow(const std::uint8_t* row, int flush);
    void chunk(const char* type, std::span<const std::uint8_t> data);

    int width_, height_, rows_added_ = 0;
    int bits_;
    z_stream stream_{};
    std::vector<std::uint8_t> row_;         // the filter byte and the packed indices
    std::vector<std::uint8_t> compressed_;  // the IDAT data so far, in its first used_ bytes
    std::size_t used_ = 0;
    std::vector<std::uint8_t> file_;
};
