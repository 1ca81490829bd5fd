// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "content/regular_file.h"

// A regular file opened for reading (a FIFO or device is refused, never waited on), whose size
// comes from the file system rather than from anything written inside it. Reads name their
// place, so no read depends on where another left off.
class InputFile {
public:
    // Every failure is a ToolError naming the file.
    explicit InputFile(std::string path);
    // A file that cannot be used is not open, and `problem` says why; nothing is thrown.
    InputFile(std::string path, FileProblem& problem);

    bool isOpen() const { return file_.file != nullptr; }
    const std::string& path() const { return path_; }
    std::uint64_t sizeBytes() const { return file_.size_bytes; }

    // Fills `into` from `offset` on; fewer bytes only where the file ends. Returns the count. A
    // read error is a ToolError naming the file.
    std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> into);
    // The same, but a read error ends the bytes as the file's end would; the error, if any, stays
    // in lastError() (0 for none).
    std::size_t readAvailable(std::uint64_t offset, std::span<std::uint8_t> into);
    int lastError() const { return last_error_; }

private:
    std::string path_;
    RegularFile file_;
    int last_error_ = 0;
};

// "PATH: cannot open: REASON" or "PATH: not a regular file", as a ToolError.
[[noreturn]] void throwFileProblem(const std::string& path, const FileProblem& problem);
