// SPDX-License-Identifier: MIT
#include "kvq/cli/progress_line.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>

ProgressLine::ProgressLine(std::string_view verb, std::optional<std::uint64_t> total)
    : verb_(verb), total_(total), shown_(::isatty(STDERR_FILENO) == 1)
{
}

void ProgressLine::update(std::uint64_t frames_done, std::string_view detail)
{
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (frames_done != total_ && now - last_shown_ < std::chrono::milliseconds(100)) return;
    last_shown_ = now;
    std::string text = verb_;
    text.append(": frame ").append(std::to_string(frames_done));
    if (total_) text.append("/").append(std::to_string(*total_));
    text.append(detail);
    // A shorter line than the last one must still cover all of it.
    const std::size_t length = text.size();
    text.resize(std::max(width_, length), ' ');
    width_ = std::max(width_, length);
    std::cerr << '\r' << text << std::flush;
}

void ProgressLine::clear()
{
    if (!shown_ || width_ == 0) return;
    std::cerr << '\r' << std::string(width_, ' ') << '\r' << std::flush;
    width_ = 0;
}
