// SPDX-License-Identifier: MIT
#include "kvq/common/progress_line.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

ProgressLine::ProgressLine(std::string_view verb, std::optional<std::uint64_t> total)
    : verb_(verb), total_(total), shown_(::isatty(STDERR_FILENO) == 1), started_(std::chrono::steady_clock::now())
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
    if (total_) {
        text.append("/").append(std::to_string(*total_));
        // A total taken from a file's own duration may fall a little short of the frames.
        if (frames_done > 0 && frames_done <= *total_) {
            const double elapsed = std::chrono::duration<double>(now - started_).count();
            const double left = elapsed * static_cast<double>(*total_ - frames_done) / static_cast<double>(frames_done);
            char figures[48];
            std::snprintf(figures, sizeof figures, " (%d%%, %.0f s left)",
                          static_cast<int>(100 * frames_done / *total_), left);
            text.append(figures);
        }
    }
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
