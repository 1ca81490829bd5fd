// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "content/regular_file.h"
#include "content/text_frame.h"

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

// The player's rule for a frame file's short last block of `trailing_bytes` codes (at least one
// 30-byte unit, fewer than a frame): it is one more frame, `frame`, whose cells past those codes
// repeat `previous`'s, as the player's reused block buffer leaves them; with no frame before it
// (`previous` null) they are 0. Every reader of frame files completes the short frame here.
void completeShortFrame(TextFrame& frame, std::size_t trailing_bytes, const TextFrame* previous);

// Every frame of a frame file, in file order, all in memory at once.
class FrameList {
public:
    // Appends every frame of the file. 0 when the file could be opened, -1 when not (the list is
    // then untouched). A read error, running out of memory or a non-zero `stop` (checked every few
    // megabytes) ends loading; the frames read stay. `problem`, when given, says what went wrong.
    int load(const char* path, FileProblem* problem = nullptr, const std::atomic<int>* stop = nullptr);
    // The same for a frame file already in memory.
    void loadBytes(std::span<const std::uint8_t> bytes);

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
    template <typename Read>
    FileProblem appendBlocks(std::size_t expected_frames, Read read, const std::atomic<int>* stop);

    std::vector<TextFrame, DefaultInitAllocator<TextFrame>> frames_;
};
