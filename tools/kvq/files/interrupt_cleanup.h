// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

// Ctrl+C, SIGTERM or a hang-up while a command works first ends and reaps its child programs,
// then removes its temporary files, and only then lets the process end as the signal asks: a
// child left running could write its file again after the removal, with nobody to clear it.
void cleanUpOnInterrupt();

// The registry the signal handler reads. Each call is lock-free, so it may be made at any time.
void rememberUnfinishedFile(const char* path);
void forgetUnfinishedFile(const char* path);
void rememberChild(pid_t pid);
void forgetChild(pid_t pid);
