// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <chrono>
#include <mutex>

// Where in the soundtrack the buffer last filled began, how much of it the buffer held and when it
// was filled: the buffer filled is what is heard next, so the position heard runs on from its start
// at the playing speed. Written on the audio thread, read on the caller's.
class HeardTimeline {
public:
    void record(double start_seconds, double length_seconds, double speed = 1)
    {
        const std::lock_guard lock(mutex_);
        known_ = true;
        start_ = start_seconds;
        length_ = length_seconds;
        speed_ = speed;
        filled_at_ = std::chrono::steady_clock::now();
    }
    void forget()
    {
        const std::lock_guard lock(mutex_);
        known_ = false;
    }
    // Seconds into the soundtrack heard now, never before its start; negative when nothing plays.
    double heardSeconds() const
    {
        const std::lock_guard lock(mutex_);
        if (!known_) return -1;
        const double since = std::chrono::duration<double>(std::chrono::steady_clock::now() - filled_at_).count();
        return std::max(0.0, start_ + std::clamp(since * speed_, 0.0, length_));
    }

private:
    mutable std::mutex mutex_;
    bool known_ = false;
    double start_ = 0;
    double length_ = 0;
    double speed_ = 1;
    std::chrono::steady_clock::time_point filled_at_{};
};
