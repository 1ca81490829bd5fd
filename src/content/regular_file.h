// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// Why one of the player's files could not be used, or not all of it.
struct FileProblem {
    enum class Kind {
        none,
        cannot_open,    // error_number says why
        not_regular,    // a FIFO, device, socket or folder: never read, so nothing can block
        short_file,     // bytes says how much there was
        out_of_memory,  // loading stopped; what was read is kept
        interrupted,    // a termination signal stopped loading
    };
    Kind kind = Kind::none;
    int error_number = 0;
    std::uint64_t bytes = 0;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileOwner = std::unique_ptr<std::FILE, FileCloser>;

// A regular file open for binary reading, with its size as the file system gives it.
struct RegularFile {
    FileOwner file;
    std::uint64_t size_bytes = 0;
};

// Opens a file for binary reading if it is a regular file. Whatever else the name stands for is
// refused without waiting: opening a FIFO that has no writer would otherwise block for ever. The
// file is null when it cannot be used, and `problem` says why.
RegularFile openRegularFile(const char* path, FileProblem& problem);

// "cannot open it (No such file or directory)", "not a regular file", ...; empty for none.
std::string describe(const FileProblem& problem);
