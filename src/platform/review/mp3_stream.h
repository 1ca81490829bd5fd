// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>

// An MP3 file decoded as it is read, never whole: stereo 32-bit float frames at the file's own
// rate (a mono file comes out on both channels), with sample-exact seeks.
class Mp3Stream {
public:
    Mp3Stream();
    ~Mp3Stream();
    Mp3Stream(const Mp3Stream&) = delete;
    Mp3Stream& operator=(const Mp3Stream&) = delete;

    // false when the file cannot be read or holds no MPEG audio.
    bool open(const char* path);
    int rateHz() const { return rate_hz_; }
    // In frames (a sample for each channel); exact, since open() scans the whole file.
    std::int64_t lengthFrames() const { return length_frames_; }
    // Decodes up to `frames` frames into `out` (2 floats each); 0 at the end or on an error.
    int read(float* out, int frames);
    bool seek(std::int64_t frame);

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
    int rate_hz_ = 0;
    std::int64_t length_frames_ = 0;
};
