// SPDX-License-Identifier: MIT
// What every fuzz target shares: the input as a file for readers that open a path, choices taken
// off the front of the input, and the errors a reader may rightly end in.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

// The bytes as a file in memory, opened again by path through /proc, so that a reader sees a real
// regular file without anything touching the disk.
class MemoryFile {
public:
    explicit MemoryFile(std::span<const std::uint8_t> bytes) : fd_(memfd_create("fuzz", MFD_CLOEXEC))
    {
        if (fd_ < 0) std::abort();
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t wrote = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (wrote <= 0) std::abort();
            done += static_cast<std::size_t>(wrote);
        }
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const std::string& path() const { return path_; }
    // The file cut short under a reader that already opened it, as a file being rewritten is.
    void shrinkTo(std::size_t size) const
    {
        if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) std::abort();
    }

private:
    int fd_;
    std::string path_;
};

// Settings drawn from the first bytes, the file from the rest; a short input gives zeros.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : rest_(data, size) {}

    std::uint8_t byte()
    {
        if (rest_.empty()) return 0;
        const std::uint8_t value = rest_[0];
        rest_ = rest_.subspan(1);
        return value;
    }
    std::uint16_t word() { return static_cast<std::uint16_t>(byte() | byte() << 8); }
    template <std::size_t N>
    auto pick(const auto(&choices)[N])
    {
        return choices[byte() % N];
    }
    std::span<const std::uint8_t> rest() const { return rest_; }

private:
    std::span<const std::uint8_t> rest_;
};

// Reads every byte of what a reader returned, so that the sanitizers see any of it that is not
// really there or never set.
inline void touch(std::span<const std::uint8_t> bytes)
{
    std::uint8_t sum = 0;
    for (const std::uint8_t byte : bytes) sum = static_cast<std::uint8_t>(sum + byte);
    volatile std::uint8_t sink = sum;
    (void)sink;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
