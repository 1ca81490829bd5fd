// SPDX-License-Identifier: MIT
#include "platform/terminal/posix_terminal_link.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The one global: SIGWINCH's handler has nowhere else to tell the link that the size changed. It
// holds the write end of the link's self-pipe, or -1; a lock-free atomic is safe in a handler.
std::atomic<int> resize_pipe{-1};
static_assert(std::atomic<int>::is_always_lock_free);
// What SIGWINCH did before the link, put back when it closes.
struct sigaction previous_resize_action {};

extern "C" void noteResize(int)
{
    const int saved_errno = errno;
    const int fd = resize_pipe.load();
    if (fd >= 0) {
        const char byte = 'w';
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);  // a full pipe has the news already
    }
    errno = saved_errno;
}

using Clock = std::chrono::steady_clock;

int millisecondsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

}  // namespace

PosixTerminalLink::~PosixTerminalLink() { close(); }

std::string PosixTerminalLink::open()
{
    if (tty_ >= 0) return {};
    if (resize_pipe.load() >= 0) return "the terminal is in use already";
    tty_ = ::open("/dev/tty", O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (tty_ < 0) return std::string("no terminal to draw in (/dev/tty: ") + std::strerror(errno) + ")";
    if (!isatty(tty_)) {
        close();
        return "no terminal to draw in (/dev/tty is not one)";
    }
    int pipe_ends[2];
    if (pipe2(pipe_ends, O_NONBLOCK | O_CLOEXEC) != 0) {
        const std::string reason = std::strerror(errno);
        close();
        return "cannot watch the terminal's size: " + reason;
    }
    wake_read_ = pipe_ends[0];
    wake_write_ = pipe_ends[1];
    resize_pipe.store(wake_write_);
    struct sigaction action {};
    action.sa_handler = noteResize;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGWINCH, &action, &previous_resize_action);
    handler_installed_ = true;
    refreshSize();
    return {};
}

void PosixTerminalLink::close()
{
    if (handler_installed_) {
        sigaction(SIGWINCH, &previous_resize_action, nullptr);
        resize_pipe.store(-1);
        handler_installed_ = false;
    }
    for (int* fd : {&tty_, &wake_read_, &wake_write_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

bool PosixTerminalLink::refreshSize()
{
    winsize ws{};
    if (tty_ < 0 || ioctl(tty_, TIOCGWINSZ, &ws) != 0) return false;
    const TerminalSize now{ws.ws_col, ws.ws_row, ws.ws_xpixel, ws.ws_ypixel};
    if (now == size_) return false;
    size_ = now;
    return true;
}

void PosixTerminalLink::write(std::string_view bytes)
{
    if (closed_ || tty_ < 0) return;
    queue_.append(bytes);
    flushSome();
}

void PosixTerminalLink::discardUnsent()
{
    queue_.clear();
    sent_ = 0;
}

void PosixTerminalLink::flushSome()
{
    while (!closed_ && sent_ < queue_.size()) {
        const ssize_t n = ::write(tty_, queue_.data() + sent_, queue_.size() - sent_);
        if (n > 0) {
            sent_ += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            closed_ = true;  // EIO after a hang-up: nobody reads any more
            discardUnsent();
        }
    }
    if (sent_ == queue_.size()) {
        queue_.clear();
        sent_ = 0;
    } else if (sent_ > (1u << 20) && sent_ > queue_.size() / 2) {
        queue_.erase(0, sent_);
        sent_ = 0;
    }
}

TerminalLink::Happened PosixTerminalLink::wait(std::string& input, int timeout_ms)
{
    if (closed_ || tty_ < 0) return Happened::closed;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
    bool interrupted = false;
    for (;;) {
        flushSome();
        if (closed_) return Happened::closed;
        pollfd fds[2] = {{tty_, static_cast<short>(POLLIN | (unsent() > 0 ? POLLOUT : 0)), 0}, {wake_read_, POLLIN, 0}};
        const int ready = poll(fds, 2, interrupted ? 0 : millisecondsUntil(deadline));
        if (ready < 0) {
            if (errno != EINTR || interrupted) return Happened::timeout;
            // A signal: look once more without waiting, so that a resize or a stop is seen now.
            interrupted = true;
            continue;
        }
        if (fds[0].revents & POLLIN) {
            const std::size_t before = input.size();
            char buffer[4096];
            for (int reads = 0; reads < 16; ++reads) {
                const ssize_t n = ::read(tty_, buffer, sizeof buffer);
                if (n > 0) {
                    input.append(buffer, static_cast<std::size_t>(n));
                    continue;
                }
                if (n < 0 && errno == EINTR) continue;
                if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                    if (input.size() == before) closed_ = true;  // the end of input, or a hang-up
                }
                break;
            }
            if (input.size() > before) return Happened::input;
            if (closed_) return Happened::closed;
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            closed_ = true;
            return Happened::closed;
        }
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (::read(wake_read_, drain, sizeof drain) > 0) {}
            if (refreshSize()) return Happened::resized;
        }
        if (ready == 0 || interrupted || millisecondsUntil(deadline) == 0) return Happened::timeout;
    }
}

bool PosixTerminalLink::writeNow(std::string_view bytes, int timeout_ms)
{
    if (closed_ || tty_ < 0) return false;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
    queue_.append(bytes);
    for (;;) {
        flushSome();
        if (closed_) return false;
        if (unsent() == 0) return true;
        const int left = millisecondsUntil(deadline);
        if (left == 0) return false;
        pollfd fd{tty_, POLLOUT, 0};
        if (poll(&fd, 1, left) < 0 && errno != EINTR) return false;
        if (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            closed_ = true;
            return false;
        }
    }
}
