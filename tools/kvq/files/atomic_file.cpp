// SPDX-License-Identifier: MIT
#include "kvq/files/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "kvq/cli/tool_error.h"
#include "kvq/files/write_all.h"

namespace {

constexpr int kCreateAttempts = 100;

// The temporary files being written, for a signal handler to remove: it may only read what is
// already there, so the names are kept as plain pointers in lock-free slots.
std::array<std::atomic<const char*>, 32> unfinished{};

void rememberUnfinished(const char* path)
{
    for (auto& slot : unfinished) {
        const char* empty = nullptr;
        if (slot.compare_exchange_strong(empty, path)) return;
    }
}

void forgetUnfinished(const char* path)
{
    for (auto& slot : unfinished) {
        const char* expected = path;
        if (slot.compare_exchange_strong(expected, nullptr)) return;
    }
}

extern "C" void removeUnfinishedAndDie(int signal_number)
{
    for (auto& slot : unfinished) {
        if (const char* path = slot.load()) ::unlink(path);
    }
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

}  // namespace

void removeUnfinishedFilesOnInterrupt()
{
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal_number, removeUnfinishedAndDie);
}

AtomicFile::AtomicFile(std::string path) : path_(std::move(path))
{
    const std::filesystem::path target(path_);
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") throw ToolError(path_ + ": not a file name");

    // O_EXCL so that a leftover of an earlier run, or another run at the same moment, is never
    // reused; the mode lets the umask decide, as it would for any new file.
    const std::string stem = "." + name + ".kvq-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const std::string candidate = (target.parent_path() / (stem + std::to_string(attempt))).string();
        fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_path_ = candidate;
            rememberUnfinished(temporary_path_.c_str());
            return;
        }
        if (errno != EEXIST) throw ToolError(systemErrorMessage(path_, "cannot create a file in its folder", errno));
    }
    throw ToolError(path_ + ": cannot create a file in its folder: too many leftover temporary files");
}

AtomicFile::~AtomicFile()
{
    closeFile();
    if (!committed_ && !temporary_path_.empty()) ::unlink(temporary_path_.c_str());
    if (!temporary_path_.empty()) forgetUnfinished(temporary_path_.c_str());
}

void AtomicFile::closeFile()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void AtomicFile::write(std::span<const std::uint8_t> bytes)
{
    if (fd_ < 0) throw ToolError(path_ + ": written after it was closed");
    if (const int error_number = writeAll(fd_, bytes)) throw ToolError(systemErrorMessage(path_, "cannot write", error_number));
}

void AtomicFile::commit()
{
    if (fd_ < 0) throw ToolError(path_ + ": committed twice");
    // On disk before the rename, so that a crash right after it cannot leave a named empty file.
    if (::fsync(fd_) != 0 && errno != EINVAL) throw ToolError(systemErrorMessage(path_, "cannot write", errno));
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw ToolError(systemErrorMessage(path_, "cannot write", errno));
    if (std::rename(temporary_path_.c_str(), path_.c_str()) != 0) {
        throw ToolError(systemErrorMessage(path_, "cannot put the new file in place", errno));
    }
    committed_ = true;
    forgetUnfinished(temporary_path_.c_str());
}

void writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes)
{
    AtomicFile file(path);
    file.write(bytes);
    file.commit();
}
