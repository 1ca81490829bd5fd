// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Another program (ffmpeg) run with a pipe to its standard input or from its standard output.
// Its standard error is kept aside, so that a failure is reported as one line: its last.
class ChildProcess {
public:
    enum class Pipe { from_its_output, to_its_input };

    // Throws a ToolError naming `package` when the program is not installed.
    ChildProcess(const std::vector<std::string>& arguments, Pipe pipe, const std::string& package);
    // A child still running is killed: an error or an exception in the caller stops it too.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Fills `bytes` unless its output ends first; returns how many bytes came.
    std::size_t read(std::span<std::uint8_t> bytes);
    // Throws a ToolError with the child's last word when it has stopped reading.
    void write(std::span<const std::uint8_t> bytes);
    // Closes the pipe, waits for the program and throws a ToolError unless it exited with 0.
    void finish();

private:
    std::string lastErrorLine() const;

    std::string program_;
    pid_t pid_ = -1;
    int pipe_fd_ = -1;
    int error_fd_ = -1;
};

// A file name as ffmpeg and ffprobe must be given it: they read a name that starts with '-' as an
// option and one with ':' in it as a protocol, but "file:" and anything after it as a plain file.
std::string ffmpegFileName(const std::string& path);
