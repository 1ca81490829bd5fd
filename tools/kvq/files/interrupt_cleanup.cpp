// SPDX-License-Identifier: MIT
#include "kvq/files/interrupt_cleanup.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>

namespace {

// A signal handler may only read what is already there, so names and process ids are kept in
// lock-free slots rather than in containers that allocate.
std::array<std::atomic<const char*>, 32> unfinished_files{};
std::array<std::atomic<pid_t>, 8> children{};

template <typename T, std::size_t N>
void remember(std::array<std::atomic<T>, N>& slots, T value)
{
    for (auto& slot : slots) {
        T empty{};
        if (slot.compare_exchange_strong(empty, value)) return;
    }
}

template <typename T, std::size_t N>
void forget(std::array<std::atomic<T>, N>& slots, T value)
{
    for (auto& slot : slots) {
        T expected = value;
        if (slot.compare_exchange_strong(expected, T{})) return;
    }
}

extern "C" void cleanUpAndDie(int signal_number)
{
    for (auto& slot : children) {
        if (const pid_t pid = slot.load(); pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    for (auto& slot : unfinished_files) {
        if (const char* path = slot.load()) ::unlink(path);
    }
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

}  // namespace

void cleanUpOnInterrupt()
{
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal_number, cleanUpAndDie);
}

void rememberUnfinishedFile(const char* path) { remember(unfinished_files, path); }
void forgetUnfinishedFile(const char* path) { forget(unfinished_files, path); }
void rememberChild(pid_t pid) { remember(children, pid); }
void forgetChild(pid_t pid) { forget(children, pid); }
