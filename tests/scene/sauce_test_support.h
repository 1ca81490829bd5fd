// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// A SAUCE record as the scene writes one, with the fields the tests vary.
struct SauceFields {
    std::string title = "Title", author = "Author", group = "Group", date = "19960101";
    std::uint32_t file_size = 0;
    std::uint8_t data_type = 1, file_type = 1;
    std::uint16_t info1 = 80, info2 = 25;
    std::uint8_t flags = 0;
    std::string font_name = "IBM VGA";
    std::vector<std::string> comments;
    int stated_comment_count = -1;  // -1: as many as there are
};

inline void putField(std::vector<std::uint8_t>& out, const std::string& text, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ');
}

inline void putLittle(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The art, SUB, the comment block and the record.
inline std::vector<std::uint8_t> withSauce(const std::vector<std::uint8_t>& art, const SauceFields& fields,
                                           bool sub = true)
{
    std::vector<std::uint8_t> out = art;
    if (sub) out.push_back(0x1A);
    if (!fields.comments.empty()) {
        putField(out, "COMNT", 5);
        for (const std::string& line : fields.comments) putField(out, line, 64);
    }
    putField(out, "SAUCE00", 7);
    putField(out, fields.title, 35);
    putField(out, fields.author, 20);
    putField(out, fields.group, 20);
    putField(out, fields.date, 8);
    putLittle(out, fields.file_size ? fields.file_size : static_cast<std::uint32_t>(art.size()), 4);
    out.push_back(fields.data_type);
    out.push_back(fields.file_type);
    putLittle(out, fields.info1, 2);
    putLittle(out, fields.info2, 2);
    putLittle(out, 0, 2);
    putLittle(out, 0, 2);
    const int count = fields.stated_comment_count >= 0 ? fields.stated_comment_count
                                                       : static_cast<int>(fields.comments.size());
    out.push_back(static_cast<std::uint8_t>(count));
    out.push_back(fields.flags);
    std::string font = fields.font_name;
    font.resize(22, '\0');
    putField(out, font, 22);
    return out;
}
