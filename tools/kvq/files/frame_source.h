// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

#include "content/frame_list.h"
#include "content/text_frame.h"
#include "kvq/files/frame_file.h"

// The frames a review shows, by index: a list already in memory, or a file read as it plays.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    virtual std::size_t size() const = 0;
    // The frame at `index`, valid until the next call; null when it cannot be had (a file cut
    // short since it was opened), and the picture on the screen then stays.
    virtual const TextFrame* frame(std::size_t index) = 0;
};

// A frame list loaded whole.
class LoadedFrames final : public FrameSource {
public:
    explicit LoadedFrames(const FrameList& frames) : frames_(frames) {}
    std::size_t size() const override { return frames_.size(); }
    const TextFrame* frame(std::size_t index) override { return index < frames_.size() ? &frames_[index] : nullptr; }

private:
    const FrameList& frames_;
};

// A frame file read as it plays.
class FileFrames final : public FrameSource {
public:
    explicit FileFrames(FrameFile& file) : file_(file) {}
    std::size_t size() const override { return static_cast<std::size_t>(file_.frameCount()); }
    const TextFrame* frame(std::size_t index) override { return file_.frame(index); }

private:
    FrameFile& file_;
};
