// SPDX-License-Identifier: MIT
#include "kvq/files/input_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <limits>

#include "kvq/cli/tool_error.h"

InputFile::InputFile(std::string path) : path_(std::move(path))
{
    file_ = std::fopen(path_.c_str(), "rb");
    if (!file_) throw ToolError(systemErrorMessage(path_, "cannot open", errno));
    struct stat info {};
    if (::fstat(fileno(file_), &info) != 0) {
        const int error_number = errno;
        std::fclose(file_);
        throw ToolError(systemErrorMessage(path_, "cannot read", error_number));
    }
    if (!S_ISREG(info.st_mode)) {
        std::fclose(file_);
        throw ToolError(path_ + ": not a regular file");
    }
    size_bytes_ = static_cast<std::uint64_t>(info.st_size);
}

InputFile::~InputFile() { std::fclose(file_); }

std::size_t InputFile::readAt(std::uint64_t offset, std::span<std::uint8_t> into)
{
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) ||
        ::fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) {
        throw ToolError(systemErrorMessage(path_, "cannot seek", errno));
    }
    const std::size_t got = std::fread(into.data(), 1, into.size(), file_);
    if (got < into.size() && std::ferror(file_)) throw ToolError(systemErrorMessage(path_, "cannot read", errno));
    return got;
}
