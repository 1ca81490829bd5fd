// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// "VERB: frame N/TOTAL (P%, S s left)" (or "VERB: frame N" when the total is not known beforehand), then any
// detail, on standard error, rewritten in place; but only for a person at a terminal, since a log
// or a test would collect every step of it. Wiped again when done, so that whatever comes next,
// the summary or an error, stands on a line of its own.
class ProgressLine {
public:
    ProgressLine(std::string_view verb, std::optional<std::uint64_t> total);
    ~ProgressLine() { clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Shown at most ten times a second, but always when the total is reached.
    void update(std::uint64_t frames_done, std::string_view detail = {});
    void clear();

private:
    std::string verb_;
    std::optional<std::uint64_t> total_;
    bool shown_;
    std::size_t width_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point last_shown_{};
};
