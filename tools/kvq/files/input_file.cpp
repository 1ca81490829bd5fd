// SPDX-License-Identifier: MIT
#include "kvq/files/input_file.h"

#include <cerrno>
#include <limits>

#include "kvq/cli/tool_error.h"

InputFile::InputFile(std::string path) : path_(std::move(path))
{
    // The player's own opening: a FIFO or a device is refused without waiting for a writer.
    FileProblem problem;
    RegularFile opened = openRegularFile(path_.c_str(), problem);
    if (problem.kind == FileProblem::Kind::not_regular) throw ToolError(path_ + ": not a regular file");
    if (!opened.file) throw ToolError(systemErrorMessage(path_, "cannot open", problem.error_number));
    file_ = std::move(opened.file);
    size_bytes_ = opened.size_bytes;
}

std::size_t InputFile::readAt(std::uint64_t offset, std::span<std::uint8_t> into)
{
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) ||
        ::fseeko(file_.get(), static_cast<off_t>(offset), SEEK_SET) != 0) {
        throw ToolError(systemErrorMessage(path_, "cannot seek", errno));
    }
    const std::size_t got = std::fread(into.data(), 1, into.size(), file_.get());
    if (got < into.size() && std::ferror(file_.get())) throw ToolError(systemErrorMessage(path_, "cannot read", errno));
    return got;
}
