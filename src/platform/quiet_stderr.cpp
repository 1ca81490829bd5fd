// SPDX-License-Identifier: MIT
#include "platform/quiet_stderr.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#ifdef _WIN32
constexpr const char* kNowhere = "NUL";
#else
constexpr const char* kNowhere = "/dev/null";
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

QuietStderr::QuietStderr()
{
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    const int null = ::open(kNowhere, O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    if (null >= 0) ::close(null);
}

QuietStderr::~QuietStderr()
{
    std::fflush(stderr);
    if (saved_ >= 0) {
        dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
}
