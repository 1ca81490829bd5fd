// SPDX-License-Identifier: MIT
#include "kvq/export/gif_writer.h"

#include <algorithm>
#include <cstring>

#include "content/player_files.h"
#include "kvq/export/gif_lzw.h"
#include "render/colours.h"
#include "render/packed_picture.h"

namespace {

constexpr int kWidth = kPictureWidth;
constexpr int kHeight = kPictureHeight;
constexpr std::uint8_t kPaperIndex = 0;
constexpr std::uint8_t kInkIndex = 1;

void putLittleEndian16(std::vector<std::uint8_t>& bytes, int value)
{
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void putColour(std::vector<std::uint8_t>& bytes, std::uint32_t colour)
{
    bytes.push_back(static_cast<std::uint8_t>(colour >> 16));
    bytes.push_back(static_cast<std::uint8_t>(colour >> 8));
    bytes.push_back(static_cast<std::uint8_t>(colour));
}

// The smallest rectangle holding every pixel that differs between two frames.
struct Rectangle {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

Rectangle changedRectangle(const std::uint32_t* before, const std::uint32_t* after)
{
    const auto row = [](const std::uint32_t* frame, int y) { return frame + static_cast<std::ptrdiff_t>(y) * kWidth; };
    const auto rowsDiffer = [&](int y) { return std::memcmp(row(before, y), row(after, y), kWidth * 4) != 0; };
    int top = 0;
    while (top < kHeight && !rowsDiffer(top)) ++top;
    if (top == kHeight) return {};
    int bottom = kHeight - 1;
    while (!rowsDiffer(bottom)) --bottom;
    int left = kWidth;
    int right = -1;
    for (int y = top; y <= bottom; ++y) {
        const std::uint32_t* old_row = row(before, y);
        const std::uint32_t* new_row = row(after, y);
        for (int x = 0; x < left; ++x) {
            if (old_row[x] != new_row[x]) {
                left = x;
                break;
            }
        }
        for (int x = kWidth - 1; x > right; --x) {
            if (old_row[x] != new_row[x]) {
                right = x;
                break;
            }
        }
    }
    return {left, top, right - left + 1, bottom - top + 1};
}

}  // namespace

int gifFrameDelayHundredths(std::uint64_t index)
{
    // Half up: the frame's start time in hundredths, 100 * index / 24, rounded to the nearest.
    const auto start = [](std::uint64_t frame) { return (frame * 100 + kFramesPerSecond / 2) / kFramesPerSecond; };
    return static_cast<int>(start(index + 1) - start(index));
}

GifWriter::GifWriter(const std::string& path) : file_(path)
{
    bytes_.reserve(64 * 1024);
    const std::uint8_t header[] = {'G', 'I', 'F', '8', '9', 'a'};
    bytes_.insert(bytes_.end(), std::begin(header), std::end(header));
    putLittleEndian16(bytes_, kWidth);
    putLittleEndian16(bytes_, kHeight);
    // A global colour table (bit 7) of 2 entries (size field 0), 8 bits per primary (bits 4-6).
    bytes_.push_back(0x80 | 0x70 | 0x00);
    bytes_.push_back(kPaperIndex);  // background
    bytes_.push_back(0);            // square pixels
    putColour(bytes_, kPaperColour);
    putColour(bytes_, kInkColour);
    // No NETSCAPE looping extension: the player shows an animation once and stops on its last
    // frame, and a GIF without one does the same in the viewers that honour the format.
    file_.write(bytes_);
}

void GifWriter::addFrame(std::span<const std::uint32_t> pixels)
{
    Rectangle area{0, 0, kWidth, kHeight};
    if (!previous_.empty()) {
        area = changedRectangle(previous_.data(), pixels.data());
        // A frame like the one before still needs its place in time; one unchanged pixel holds it.
        if (area.width == 0) area = {0, 0, 1, 1};
    }

    bytes_.clear();
    // Graphic control extension: leave the frame in place (disposal 1) for the next to draw over.
    const int delay = gifFrameDelayHundredths(frame_index_);
    bytes_.insert(bytes_.end(), {0x21, 0xF9, 0x04, 1 << 2});
    putLittleEndian16(bytes_, delay);
    bytes_.insert(bytes_.end(), {0x00, 0x00});
    // Image descriptor: no local colour table, not interlaced.
    bytes_.push_back(0x2C);
    putLittleEndian16(bytes_, area.left);
    putLittleEndian16(bytes_, area.top);
    putLittleEndian16(bytes_, area.width);
    putLittleEndian16(bytes_, area.height);
    bytes_.push_back(0x00);

    indices_.resize(static_cast<std::size_t>(area.width) * static_cast<std::size_t>(area.height));
    std::uint8_t* index = indices_.data();
    for (int y = area.top; y < area.top + area.height; ++y) {
        const std::uint32_t* row = pixels.data() + static_cast<std::ptrdiff_t>(y) * kWidth + area.left;
        // The rasteriser draws ink and paper only, so anything that is not ink is paper.
        for (int x = 0; x < area.width; ++x) *index++ = row[x] == kInkColour ? kInkIndex : kPaperIndex;
    }
    appendGifImageData(indices_, bytes_);
    file_.write(bytes_);

    previous_.assign(pixels.begin(), pixels.end());
    ++frame_index_;
}

void GifWriter::finish()
{
    const std::uint8_t trailer = 0x3B;
    file_.write({&trailer, 1});
    file_.commit();
}
