// SPDX-License-Identifier: MIT
#include "content/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

// Where a flag does not exist it has nothing to do: no descriptors are inherited across exec, no
// FIFOs block an open, and every file is binary.
#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#ifndef O_BINARY
#define O_BINARY 0
#endif

RegularFile openRegularFile(const char* path, FileProblem& problem)
{
    problem = {};
    const int fd = ::open(path, O_RDONLY | O_BINARY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        problem = {FileProblem::Kind::cannot_open, errno};
        return {};
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        problem = {FileProblem::Kind::cannot_open, errno};
        ::close(fd);
        return {};
    }
    if (!S_ISREG(info.st_mode)) {
        problem = {FileProblem::Kind::not_regular};
        ::close(fd);
        return {};
    }
    RegularFile opened{FileOwner(fdopen(fd, "rb")), static_cast<std::uint64_t>(info.st_size)};
    if (!opened.file) {
        problem = {FileProblem::Kind::cannot_open, errno};
        ::close(fd);
    }
    return opened;
}

std::string describe(const FileProblem& problem)
{
    switch (problem.kind) {
    case FileProblem::Kind::none:
        return "";
    case FileProblem::Kind::cannot_open:
        return std::string("cannot open it (") + std::strerror(problem.error_number) + ")";
    case FileProblem::Kind::not_regular:
        return "not a regular file";
    case FileProblem::Kind::short_file:
        return "only " + std::to_string(problem.bytes) + " bytes long";
    case FileProblem::Kind::out_of_memory:
        return "out of memory";
    case FileProblem::Kind::interrupted:
        return "interrupted";
    }
    return "";
}
