// SPDX-License-Identifier: MIT
#include "kvq/files/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "kvq/cli/tool_error.h"
#include "kvq/files/write_all.h"

extern char** environ;

namespace {

void closeIfOpen(int& fd)
{
    if (fd >= 0) close(fd);
    fd = -1;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, Pipe pipe, const std::string& package)
    : program_(arguments.at(0))
{
    // A program that stops reading must give a write error here, not end this process.
    std::signal(SIGPIPE, SIG_IGN);

    std::FILE* errors = std::tmpfile();
    if (!errors) throw ToolError(systemErrorMessage(program_, "cannot keep its messages", errno));
    error_fd_ = fcntl(fileno(errors), F_DUPFD_CLOEXEC, 0);
    std::fclose(errors);

    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) throw ToolError(systemErrorMessage(program_, "cannot make a pipe", errno));
    const bool reading = pipe == Pipe::from_its_output;
    const int child_end = reading ? ends[1] : ends[0];
    pipe_fd_ = reading ? ends[0] : ends[1];

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, child_end, reading ? STDOUT_FILENO : STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, error_fd_, STDERR_FILENO);
    if (reading) posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int spawned = posix_spawnp(&pid_, program_.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(child_end);
    if (spawned != 0) {
        pid_ = -1;
        closeIfOpen(pipe_fd_);
        closeIfOpen(error_fd_);
        if (spawned == ENOENT) {
            throw ToolError(program_ + " is not installed; install it with: sudo apt-get install " + package);
        }
        throw ToolError(systemErrorMessage(program_, "cannot start it", spawned));
    }
}

ChildProcess::~ChildProcess()
{
    closeIfOpen(pipe_fd_);
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    closeIfOpen(error_fd_);
}

std::size_t ChildProcess::read(std::span<std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(pipe_fd_, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void ChildProcess::write(std::span<const std::uint8_t> bytes)
{
    if (writeAll(pipe_fd_, bytes) != 0) {
        finish();  // throws with what the program said
        throw ToolError(program_ + " stopped reading its input");
    }
}

void ChildProcess::finish()
{
    closeIfOpen(pipe_fd_);
    if (pid_ <= 0) return;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
    const std::string said = lastErrorLine();
    throw ToolError(program_ + " failed" + (said.empty() ? "" : ": " + said));
}

std::string ChildProcess::lastErrorLine() const
{
    std::string text;
    char chunk[4096];
    for (off_t offset = 0;;) {
        const ssize_t got = pread(error_fd_, chunk, sizeof chunk, offset);
        if (got <= 0) break;
        text.append(chunk, static_cast<std::size_t>(got));
        offset += got;
        if (text.size() > 65536) text.erase(0, text.size() - 4096);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const std::size_t start = text.find_last_of("\r\n");
    return start == std::string::npos ? text : text.substr(start + 1);
}
