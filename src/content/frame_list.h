// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "content/text_frame.h"

class PlayerBoundary;

// Leaves elements default-initialised on resize, so that growing the list ahead of a bulk read
// does not zero hundreds of megabytes that the read overwrites anyway.
template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    using std::allocator<T>::allocator;
    template <typename U>
    void construct(U* place) noexcept
    {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Args>
    void construct(U* place, Args&&... args)
    {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

class FrameList {
public:
    static constexpr std::size_t kUnitBytes = 30;  // a trailing block shorter than this is ignored

    // Appends every frame of the file. 0 when the file could be opened, -1 when not (the list is
    // then untouched). A read error or running out of memory ends loading; the frames read stay.
    int load(const char* path);

    // Shows the frames at 24 per second of the boundary's clock until the last one has had its
    // time or Escape is down. Returns 0, or the number of a termination signal that ended it.
    int play(PlayerBoundary& boundary) const;

    std::size_t size() const { return frames_.size(); }
    bool empty() const { return frames_.empty(); }
    const TextFrame& operator[](std::size_t index) const { return frames_[index]; }
    void append(const TextFrame& frame) { frames_.push_back(frame); }
    void clear()
    {
        frames_.clear();
        frames_.shrink_to_fit();
    }

private:
    std::vector<TextFrame, DefaultInitAllocator<TextFrame>> frames_;
};
