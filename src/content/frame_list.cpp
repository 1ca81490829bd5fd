// SPDX-License-Identifier: MIT
#include "content/frame_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kFrameBytes = TextFrame::kCells;
// Whole chunks are read straight into the list's storage, so frames must lie back to back.
static_assert(sizeof(TextFrame) == kFrameBytes && alignof(TextFrame) == 1);
constexpr std::size_t kChunkFrames = 1024;  // about 2.4 MB per read

class File {
public:
    explicit File(const char* path) : file_(std::fopen(path, "rb")) {}
    ~File()
    {
        if (file_) std::fclose(file_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    std::FILE* get() const { return file_; }

private:
    std::FILE* file_;
};

std::size_t regularFileSize(std::FILE* file)
{
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) return 0;
    return static_cast<std::size_t>(info.st_size);
}

}  // namespace

int FrameList::load(const char* path)
{
    File file(path);
    if (!file.get()) return -1;

    // The player reads the file as 2400-byte blocks into one reused buffer. Reading whole chunks
    // straight into the list gives the same frames without a copy per frame; the one place where
    // the reuse shows is a short last block, handled below.
    try {
        frames_.reserve(frames_.size() + regularFileSize(file.get()) / kFrameBytes + 1);
    } catch (const std::exception&) {
        // Only a hint: growing frame by frame still works, or stops cleanly when memory runs out.
    }

    for (;;) {
        const std::size_t first_new = frames_.size();
        try {
            const std::size_t room = frames_.capacity() - first_new;
            frames_.resize(first_new + std::max<std::size_t>(std::min(room, kChunkFrames), 1));
        } catch (const std::exception&) {
            break;
        }
        const std::size_t wanted = (frames_.size() - first_new) * kFrameBytes;
        auto* destination = reinterpret_cast<unsigned char*>(frames_.data() + first_new);
        const std::size_t got = std::fread(destination, 1, wanted, file.get());

        const std::size_t whole = got / kFrameBytes;
        const std::size_t tail = got % kFrameBytes;
        std::size_t kept = first_new + whole;
        if (tail >= kUnitBytes) {
            // A short last block keeps the codes that the previous frame has past its end, as the
            // reused block buffer would. A file with no previous frame leaves those cells at 0.
            auto& partial = frames_[kept].cells;
            if (kept > 0) {
                std::memcpy(partial.data() + tail, frames_[kept - 1].cells.data() + tail, kFrameBytes - tail);
            } else {
                std::memset(partial.data() + tail, 0, kFrameBytes - tail);
            }
            ++kept;
        }
        frames_.resize(kept);
        if (got < wanted) break;  // end of file, or a read error treated as one
    }
    return 0;
}
