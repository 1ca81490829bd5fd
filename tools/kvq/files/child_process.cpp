// SPDX-License-Identifier: MIT
#include "kvq/files/child_process.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "kvq/common/tool_error.h"
#include "kvq/files/interrupt_cleanup.h"
#include "kvq/files/write_all.h"

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
    // Where the child tells why it could not start the program: nothing comes when it did.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        close(child_end);
        throw ToolError(systemErrorMessage(program_, "cannot make a pipe", errno));
    }

    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    // Held back until the child is in the registry, so that an interrupt never misses one.
    sigset_t interrupts;
    sigset_t previous;
    sigemptyset(&interrupts);
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupts, signal_number);
    pthread_sigmask(SIG_BLOCK, &interrupts, &previous);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        // Only async-signal-safe calls from here on. The kernel ends the child with this process,
        // even when it is killed outright; a parent that is already gone is caught by the check.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        std::signal(SIGPIPE, SIG_DFL);
        dup2(child_end, reading ? STDOUT_FILENO : STDIN_FILENO);
        dup2(error_fd_, STDERR_FILENO);
        if (reading) {
            const int null_fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (null_fd >= 0) dup2(null_fd, STDIN_FILENO);
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        execvp(argv[0], argv.data());
        const int error_number = errno;
        [[maybe_unused]] const ssize_t ignored = ::write(report[1], &error_number, sizeof error_number);
        _exit(127);
    }
    const int fork_error = errno;
    if (pid_ > 0) rememberChild(pid_);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    close(child_end);
    close(report[1]);
    int start_error = 0;
    if (pid_ < 0) {
        start_error = fork_error;
    } else {
        while (::read(report[0], &start_error, sizeof start_error) < 0 && errno == EINTR) {}
    }
    close(report[0]);
    if (start_error != 0) {
        if (pid_ > 0) {
            waitpid(pid_, nullptr, 0);
            forgetChild(pid_);
        }
        pid_ = -1;
        closeIfOpen(pipe_fd_);
        closeIfOpen(error_fd_);
        if (start_error == ENOENT) {
            throw ToolError(program_ + " is not installed; install it with: sudo apt-get install " + package);
        }
        throw ToolError(systemErrorMessage(program_, "cannot start it", start_error));
    }
}

ChildProcess::~ChildProcess()
{
    closeIfOpen(pipe_fd_);
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        forgetChild(pid_);
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
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
    forgetChild(pid_);
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
    std::string line = start == std::string::npos ? text : text.substr(start + 1);
    // The prefix of ffmpegFileName is ours, not a part of the name the user gave.
    if (line.starts_with("file:")) line.erase(0, 5);
    return line;
}

std::string ffmpegFileName(const std::string& path) { return "file:" + path; }
