// SPDX-License-Identifier: MIT
#include "scene/sauce_record.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kRecordSize = 128;
constexpr std::size_t kCommentLineSize = 64;
constexpr std::size_t kCommentIdSize = 5;
constexpr std::uint8_t kSub = 0x1A;

// A fixed-width field as text: the scene pads with spaces, some editors with NULs.
std::string field(const std::uint8_t* bytes, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(bytes), size);
    const std::size_t end = text.find_last_not_of(std::string(" \0", 2));
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::uint16_t little16(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8); }

std::uint32_t little32(const std::uint8_t* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

int SauceRecord::letterSpacing() const
{
    switch ((flags >> 1) & 0x03) {
    case 1: return 8;
    case 2: return 9;
    default: return 0;
    }
}

SauceSplit splitSauce(std::span<const std::uint8_t> file)
{
    SauceSplit split;
    split.art_size = file.size();
    if (file.size() < kRecordSize) return split;
    const std::uint8_t* r = file.data() + file.size() - kRecordSize;
    if (std::memcmp(r, "SAUCE", 5) != 0) return split;

    SauceRecord record;
    record.title = field(r + 7, 35);
    record.author = field(r + 42, 20);
    record.group = field(r + 62, 20);
    record.date = field(r + 82, 8);
    record.file_size = little32(r + 90);
    record.data_type = r[94];
    record.file_type = r[95];
    record.info1 = little16(r + 96);
    record.info2 = little16(r + 98);
    record.info3 = little16(r + 100);
    record.info4 = little16(r + 102);
    const std::size_t comment_count = r[104];
    record.flags = r[105];
    record.font_name = field(r + 106, 22);

    std::size_t art_end = file.size() - kRecordSize;
    // The comment block sits just before the record; a count that reaches past the file's start, or
    // a block without its id, is a record that lies, and its comments are left unread.
    const std::size_t block_size = kCommentIdSize + comment_count * kCommentLineSize;
    if (comment_count > 0 && block_size <= art_end &&
        std::memcmp(file.data() + art_end - block_size, "COMNT", kCommentIdSize) == 0) {
        const std::uint8_t* line = file.data() + art_end - block_size + kCommentIdSize;
        for (std::size_t i = 0; i < comment_count; ++i, line += kCommentLineSize)
            record.comments.push_back(field(line, kCommentLineSize));
        art_end -= block_size;
    }
    if (art_end > 0 && file[art_end - 1] == kSub) --art_end;
    split.art_size = art_end;
    split.record = std::move(record);
    return split;
}
