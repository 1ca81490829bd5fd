// SPDX-License-Identifier: MIT
#include "kvq/files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string_view>

#include "kvq/common/tool_error.h"
#include "kvq/files/child_process.h"
#include "kvq/files/interrupt_cleanup.h"
#include "kvq/files/write_all.h"

namespace {

constexpr int kCreateAttempts = 100;
constexpr int kMostLinksFollowed = 40;
// Room for ".", ".kvq-", a process id and an attempt number around the output's own name, so
// that a name near the file system's limit still leaves a temporary name within it.
constexpr std::size_t kTemporaryNameExtra = 32;
constexpr std::string_view kTemporaryMark = ".kvq-";

// The file a chain of symbolic links ends at, existing or not.
std::string followLinks(const std::string& path)
{
    std::filesystem::path at(path);
    std::error_code error;
    for (int step = 0; step < kMostLinksFollowed && std::filesystem::is_symlink(at, error); ++step) {
        const std::filesystem::path target = std::filesystem::read_symlink(at, error);
        if (error) break;
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
    return at.string();
}

// "." + the name, cut short on a character boundary where it would not fit, + ".kvq-".
std::string temporaryStem(const std::string& folder, const std::string& name)
{
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    const std::size_t room = (limit > 0 ? static_cast<std::size_t>(limit) : 255) - kTemporaryNameExtra;
    std::size_t keep = std::min(name.size(), room);
    while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    std::string stem = ".";
    stem.append(name, 0, keep).append(kTemporaryMark);
    return stem;
}

// The process that made `name`, when it is named as openTemporary names its files:
// "." + an output's name + ".kvq-" + process id + "-" + attempt; 0 for any other name.
pid_t temporaryFileMaker(const std::string& name)
{
    const std::size_t mark = name.rfind(kTemporaryMark);
    if (!name.starts_with('.') || mark == std::string::npos || mark < 1) return 0;
    const std::string rest = name.substr(mark + kTemporaryMark.size());
    const std::size_t dash = rest.find('-');
    const auto digits = [](std::string_view text) {
        return !text.empty() && text.size() <= 10 && text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (dash == std::string::npos || !digits(std::string_view(rest).substr(0, dash)) ||
        !digits(std::string_view(rest).substr(dash + 1))) {
        return 0;
    }
    const long pid = std::strtol(rest.c_str(), nullptr, 10);
    return pid > 0 && pid <= std::numeric_limits<pid_t>::max() ? static_cast<pid_t>(pid) : 0;
}

// Temporary files that a run killed outright (kill -9, a crash, a power cut) had no chance to
// remove, of any output in this folder: only files named as ours, regular, the user's own, and
// whose process no longer exists, so that nothing a running kvq or anyone else holds is touched.
void sweepLeftovers(const std::string& folder)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, error)) {
        const pid_t maker = temporaryFileMaker(entry.path().filename().string());
        if (maker == 0 || maker == ::getpid()) continue;
        struct stat status {};
        if (::lstat(entry.path().c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid())
            continue;
        if (::kill(maker, 0) != 0 && errno == ESRCH) ::unlink(entry.path().c_str());
    }
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path))
{
    if (path_ == "-") {
        fd_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
        if (fd_ < 0) throw ToolError(systemErrorMessage("standard output", "cannot write", errno));
        return;
    }
    path_ = followLinks(path_);
    const std::filesystem::path target(path_);
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") throw ToolError(path_ + ": not a file name");

    struct stat existing {};
    const bool exists = ::stat(path_.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) throw ToolError(path_ + ": is a folder");
    if (exists && !S_ISREG(existing.st_mode)) {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0) throw ToolError(systemErrorMessage(path_, "cannot open", errno));
        return;
    }
    openTemporary(target.parent_path().string(), name);
    if (exists) {
        // The replacement keeps what the user chose for the file it replaces; the owner can only
        // be kept by root, and anyone else's new file is theirs anyway.
        if (::fchmod(fd_, existing.st_mode & 07777) != 0) {
            throw ToolError(systemErrorMessage(path_, "cannot keep its mode", errno));
        }
        if (::geteuid() == 0 && ::fchown(fd_, existing.st_uid, existing.st_gid) != 0) {
            throw ToolError(systemErrorMessage(path_, "cannot keep its owner", errno));
        }
    }
}

void AtomicFile::openTemporary(const std::string& folder, const std::string& name)
{
    const std::string stem = temporaryStem(folder, name);
    sweepLeftovers(folder);
    // O_EXCL so that a leftover of an earlier run, or another run at the same moment, is never
    // reused; the mode lets the umask decide, as it would for any new file.
    const std::string own_stem = stem + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const std::string candidate = (std::filesystem::path(folder) / (own_stem + std::to_string(attempt))).string();
        fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_path_ = candidate;
            rememberUnfinishedFile(temporary_path_.c_str());
            return;
        }
        if (errno != EEXIST) throw ToolError(systemErrorMessage(path_, "cannot create a file in its folder", errno));
    }
    throw ToolError(path_ + ": cannot create a file in its folder: too many leftover temporary files");
}

std::string AtomicFile::ffmpegTarget() const
{
    if (path_ == "-") return "pipe:1";
    return ffmpegFileName(isDirect() ? path_ : temporary_path_);
}

AtomicFile::~AtomicFile()
{
    closeFile();
    if (!committed_ && !temporary_path_.empty()) ::unlink(temporary_path_.c_str());
    if (!temporary_path_.empty()) forgetUnfinishedFile(temporary_path_.c_str());
}

void AtomicFile::closeFile()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void AtomicFile::write(std::span<const std::uint8_t> bytes)
{
    if (fd_ < 0) throw ToolError(path_ + ": written after it was closed");
    if (const int error_number = writeAll(fd_, bytes))
        throw ToolError(systemErrorMessage(path_, "cannot write", error_number));
}

void AtomicFile::commit()
{
    if (fd_ < 0) throw ToolError(path_ + ": committed twice");
    if (isDirect()) {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) throw ToolError(systemErrorMessage(path_, "cannot write", errno));
        committed_ = true;
        return;
    }
    // On disk before the rename, so that a crash right after it cannot leave a named empty file.
    if (::fsync(fd_) != 0 && errno != EINVAL) throw ToolError(systemErrorMessage(path_, "cannot write", errno));
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw ToolError(systemErrorMessage(path_, "cannot write", errno));
    if (std::rename(temporary_path_.c_str(), path_.c_str()) != 0) {
        throw ToolError(systemErrorMessage(path_, "cannot put the new file in place", errno));
    }
    committed_ = true;
    forgetUnfinishedFile(temporary_path_.c_str());
}

void writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes)
{
    AtomicFile file(path);
    file.write(bytes);
    file.commit();
}
