// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "content/player_file.h"

// A regular file opened for reading (a FIFO or device is refused, never waited on), whose size
// comes from the file system rather than from anything written inside it. Every failure is a
// ToolError naming the file.
class InputFile {
public:
    explicit InputFile(std::string path);

    const std::string& path() const { return path_; }
    std::uint64_t sizeBytes() const { return size_bytes_; }

    // Fills `into` from `offset` on; fewer bytes only where the file ends. Returns the count.
    std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> into);

private:
    std::string path_;
    FileOwner file_;
    std::uint64_t size_bytes_ = 0;
};
