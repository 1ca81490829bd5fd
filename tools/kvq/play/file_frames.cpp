// SPDX-License-Identifier: MIT
#include "kvq/play/file_frames.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

FileFrames::FileFrames(const char* path, FileProblem& problem)
{
    file_ = openRegularFile(path, problem);
    if (file_.file) shape_ = FrameFileShape::of(file_.size_bytes);
}

const TextFrame* FileFrames::frame(std::size_t index)
{
    if (index >= size()) return nullptr;
    const std::uint64_t first = index / kBlockFrames * kBlockFrames;
    auto block = std::find_if(blocks_.begin(), blocks_.end(), [&](const Block& b) { return b.first == first; });
    if (block == blocks_.end()) {
        block = std::min_element(blocks_.begin(), blocks_.end(),
                                 [](const Block& a, const Block& b) { return a.last_used < b.last_used; });
        if (!fill(*block, first)) return nullptr;
    }
    block->last_used = ++uses_;
    const std::uint64_t at = index - first;
    return at < block->frames.size() ? &block->frames[static_cast<std::size_t>(at)] : nullptr;
}

bool FileFrames::fill(Block& block, std::uint64_t first)
{
    block.first = UINT64_MAX;
    block.last_used = ++uses_;  // so that finding the frame before a partial one never takes this block
    const std::uint64_t count = std::min<std::uint64_t>(kBlockFrames, shape_.frames() - first);
    const bool holds_partial = shape_.trailingBlockIsFrame() && first + count == shape_.frames();
    const std::uint64_t wanted = (holds_partial ? count - 1 : count) * TextFrame::kCells +
                                 (holds_partial ? shape_.trailing_bytes : 0);
    block.frames.resize(static_cast<std::size_t>(count));
    auto* bytes = reinterpret_cast<unsigned char*>(block.frames.data());
    std::uint64_t got = 0;
    const int fd = fileno(file_.file.get());
    while (got < wanted) {
        const ssize_t n = pread(fd, bytes + got, static_cast<std::size_t>(wanted - got),
                                static_cast<off_t>(first * TextFrame::kCells + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the end, or an error: the file was cut short since it was measured
        got += static_cast<std::uint64_t>(n);
    }
    if (got < wanted) {
        // Only the whole frames that arrived: a frame half read would show noise.
        block.frames.resize(static_cast<std::size_t>(got / TextFrame::kCells));
    } else if (holds_partial) {
        // The short last frame is what the player's own loader makes of it after the frame before
        // (none before the first), so the rule for its missing cells stays in one place.
        const TextFrame* before = count > 1 ? &block.frames[block.frames.size() - 2]
                                : first > 0 ? frame(static_cast<std::size_t>(first - 1))
                                            : nullptr;
        if (first > 0 && !before) {
            block.frames.pop_back();
        } else {
            std::vector<std::uint8_t> window;
            if (before) window.assign(before->cells.begin(), before->cells.end());
            const auto& partial = block.frames.back().cells;
            window.insert(window.end(), partial.begin(), partial.begin() + static_cast<std::ptrdiff_t>(shape_.trailing_bytes));
            FrameList loaded;
            loaded.loadBytes(window);
            block.frames.back() = loaded[loaded.size() - 1];
        }
    }
    block.first = first;
    return true;
}
