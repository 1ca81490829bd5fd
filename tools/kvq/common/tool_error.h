// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>

// A failure the tool reports as one line: the message names the file and the cause, and the
// command that caught it ends with a non-zero status.
class ToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A command line the tool cannot act on; reported with a pointer to the command's help.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "path: cause: reason" for the errno of a failed system call.
std::string systemErrorMessage(const std::string& path, const std::string& cause, int error_number);
