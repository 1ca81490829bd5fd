// SPDX-License-Identifier: MIT
#include "platform/terminal/terminal_mode.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "platform/terminal/posix_terminal_link.h"

namespace {

// Alternate screen on, cursor hidden.
constexpr std::string_view kEnterScreen = "\x1b[?1049h\x1b[?25l";
// Ends any string sequence a cut-off frame left open, so that what follows is read as commands.
constexpr std::string_view kEndString = "\x1b\\";
// Colours reset, cursor shown, the alternate screen left.
constexpr std::string_view kLeaveScreen = "\x1b[0m\x1b[?25h\x1b[?1049l";
// How long the end waits for a terminal that reads slowly (over a slow link) to take its bytes.
constexpr int kRestoreWaitMs = 2000;

}  // namespace

std::string RawTerminalMode::enter()
{
    if (entered_) return {};
    const int tty = link_.descriptor();
    if (tty < 0 || tcgetattr(tty, &saved_) != 0)
        return std::string("cannot read the terminal's modes: ") + std::strerror(tty < 0 ? EBADF : errno);
    termios raw = saved_;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    raw.c_lflag |= ISIG;
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    raw.c_cc[VSUSP] = _POSIX_VDISABLE;
    raw.c_cc[VQUIT] = _POSIX_VDISABLE;
    // Armed first: from the moment the modes change, a crash puts them back.
    rescue_ = std::make_unique<TerminalRescue>(tty, saved_, restoreBytes());
    if (tcsetattr(tty, TCSAFLUSH, &raw) != 0) {
        const std::string reason = std::strerror(errno);
        rescue_.reset();
        return "cannot set the terminal's modes: " + reason;
    }
    entered_ = true;
    link_.write(kEnterScreen);
    return {};
}

void RawTerminalMode::setFarewell(std::string bytes)
{
    farewell_ = std::move(bytes);
    if (rescue_)
        rescue_->setBytes(restoreBytes().size() <= TerminalRescue::kMaxBytes
                              ? restoreBytes()
                              : std::string(kEndString) + std::string(kLeaveScreen));
}

std::string RawTerminalMode::restoreBytes() const
{
    return std::string(kEndString) + farewell_ + std::string(kLeaveScreen);
}

void RawTerminalMode::restore()
{
    if (!entered_) return;
    entered_ = false;
    link_.discardUnsent();
    const bool sent = link_.writeNow(restoreBytes(), kRestoreWaitMs);
    // Draining waits for the terminal to have taken the bytes above, so that the modes change after
    // them; where it would not take them, it would wait forever.
    const int tty = link_.descriptor();
    while (tcsetattr(tty, sent ? TCSADRAIN : TCSANOW, &saved_) != 0 && errno == EINTR) {}
    rescue_.reset();
}
