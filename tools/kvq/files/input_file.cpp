// SPDX-License-Identifier: MIT
#include "kvq/files/input_file.h"

#include <unistd.h>

#include <cerrno>
#include <limits>

#include "kvq/common/tool_error.h"

void throwFileProblem(const std::string& path, const FileProblem& problem)
{
    if (problem.kind == FileProblem::Kind::not_regular) throw ToolError(path + ": not a regular file");
    throw ToolError(systemErrorMessage(path, "cannot open", problem.error_number));
}

InputFile::InputFile(std::string path, FileProblem& problem) : path_(std::move(path))
{
    // The player's own opening: a FIFO or a device is refused without waiting for a writer.
    file_ = openRegularFile(path_.c_str(), problem);
}

InputFile::InputFile(std::string path) : path_(std::move(path))
{
    FileProblem problem;
    file_ = openRegularFile(path_.c_str(), problem);
    if (!file_.file) throwFileProblem(path_, problem);
}

std::size_t InputFile::readAvailable(std::uint64_t offset, std::span<std::uint8_t> into)
{
    last_error_ = 0;
    const auto last_offset = std::numeric_limits<off_t>::max() - static_cast<off_t>(into.size());
    if (offset > static_cast<std::uint64_t>(last_offset)) {
        last_error_ = EOVERFLOW;
        return 0;
    }
    const int fd = fileno(file_.file.get());
    std::size_t got = 0;
    while (got < into.size()) {
        const ssize_t n = ::pread(fd, into.data() + got, into.size() - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) last_error_ = errno;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

std::size_t InputFile::readAt(std::uint64_t offset, std::span<std::uint8_t> into)
{
    const std::size_t got = readAvailable(offset, into);
    if (last_error_ != 0) throw ToolError(systemErrorMessage(path_, "cannot read", last_error_));
    return got;
}
