// SPDX-License-Identifier: MIT
#include "platform/terminal/terminal_rescue.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <poll.h>
#include <unistd.h>

namespace {

constexpr int kFaults[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kStops[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = 65;

// The globals: a handler for a crash has nothing but process-wide state to read, and what it reads
// must be ready beforehand (it may not allocate). `armed` guards the rest: they are written only
// while it is false, and a handler reads them only when it is true.
struct Rescue {
    int tty = -1;
    termios saved{};
    char bytes[TerminalRescue::kMaxBytes] = {};
    std::size_t length = 0;
    struct sigaction previous[kSignalCount] = {};
    // A stop signal's first arrival goes to the handler that was there before (the player's own,
    // which ends playback in order); whether that has happened, by signal.
    std::atomic<bool> first_passed[kSignalCount] = {};
};
Rescue rescue;
std::atomic<bool> armed{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// Writes, then puts the modes back: each step safe in a handler, none waits long.
void putTerminalBack()
{
    if (!armed.exchange(false)) return;
    std::size_t done = 0;
    for (int tries = 0; done < rescue.length && tries < 20;) {
        const ssize_t n = ::write(rescue.tty, rescue.bytes + done, rescue.length - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd fd{rescue.tty, POLLOUT, 0};
            poll(&fd, 1, 50);
            ++tries;
        } else {
            break;
        }
    }
    // Not TCSADRAIN: a terminal that does not read must not keep a dying process alive.
    tcsetattr(rescue.tty, TCSANOW, &rescue.saved);
}

extern "C" void onFault(int signal_number)
{
    const int saved_errno = errno;
    putTerminalBack();
    errno = saved_errno;
    // SA_RESETHAND has put the default back; SA_NODEFER lets it through at once.
    raise(signal_number);
}

extern "C" void onStop(int signal_number)
{
    const int saved_errno = errno;
    const struct sigaction& before = rescue.previous[signal_number];
    const bool has_handler =
        !(before.sa_flags & SA_SIGINFO) && before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN;
    const bool once = (before.sa_flags & SA_RESETHAND) != 0;
    if (has_handler && (!once || !rescue.first_passed[signal_number].exchange(true))) {
        before.sa_handler(signal_number);
        errno = saved_errno;
        return;
    }
    if (before.sa_handler == SIG_IGN && !(before.sa_flags & SA_SIGINFO)) return;
    putTerminalBack();
    signal(signal_number, SIG_DFL);
    errno = saved_errno;
    raise(signal_number);
}

void copyBytes(std::string_view bytes)
{
    const std::size_t length = bytes.size() <= TerminalRescue::kMaxBytes ? bytes.size() : 0;
    std::memcpy(rescue.bytes, bytes.data(), length);
    rescue.length = length;
}

}  // namespace

TerminalRescue::TerminalRescue(int tty, const termios& saved, std::string_view restore_bytes)
{
    armed.store(false);
    rescue.tty = tty;
    rescue.saved = saved;
    copyBytes(restore_bytes);
    for (auto& passed : rescue.first_passed) passed.store(false);

    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = onFault;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (int signal_number : kFaults) sigaction(signal_number, &action, &rescue.previous[signal_number]);
    action.sa_handler = onStop;
    action.sa_flags = 0;  // no restart: the player's waits wake up to see the stop
    for (int signal_number : kStops) sigaction(signal_number, &action, &rescue.previous[signal_number]);
    armed.store(true);
}

TerminalRescue::~TerminalRescue()
{
    armed.store(false);
    for (int signal_number : kFaults) sigaction(signal_number, &rescue.previous[signal_number], nullptr);
    for (int signal_number : kStops) {
        // A stop handler installed with SA_RESETHAND that has had its one signal is spent.
        struct sigaction before = rescue.previous[signal_number];
        if (rescue.first_passed[signal_number].load() && (before.sa_flags & SA_RESETHAND)) {
            before.sa_handler = SIG_DFL;
            before.sa_flags = 0;
        }
        sigaction(signal_number, &before, nullptr);
    }
}

void TerminalRescue::setBytes(std::string_view restore_bytes)
{
    armed.store(false);
    copyBytes(restore_bytes);
    armed.store(true);
}
