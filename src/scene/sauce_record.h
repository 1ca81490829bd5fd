// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The 128-byte record (and its comment block) that the scene appends to a piece to say what it is
// and how to show it.
struct SauceRecord {
    std::string title, author, group;  // trailing spaces and NULs removed, CP437 as read
    std::string date;                  // CCYYMMDD as stored
    std::uint32_t file_size = 0;       // the art's size as the record states it
    std::uint8_t data_type = 0, file_type = 0;
    std::uint16_t info1 = 0, info2 = 0, info3 = 0, info4 = 0;
    std::uint8_t flags = 0;
    std::string font_name;  // TInfoS
    std::vector<std::string> comments;

    bool iceColours() const { return (flags & 0x01) != 0; }
    // 8 or 9 where the record asks for one, 0 where it leaves it open.
    int letterSpacing() const;
};

// The record at the end of `file` with the art's own length (before the record, its comments and the
// SUB before them), or nothing where the file has no valid record.
struct SauceSplit {
    std::optional<SauceRecord> record;
    std::size_t art_size = 0;
};
SauceSplit splitSauce(std::span<const std::uint8_t> file);
