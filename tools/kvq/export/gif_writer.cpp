// SPDX-License-Identifier: MIT
#include "kvq/export/gif_writer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "content/player_folder.h"
#include "kvq/export/gif_lzw.h"
#include "render/colours.h"
#include "render/packed_picture.h"

namespace {

constexpr std::uint8_t kPaperIndex = 0;
constexpr std::uint8_t kInkIndex = 1;
constexpr int kMaxDelayHundredths = 0xFFFF;  // the graphic control extension's 16 bits

// Where fewer than a tenth of a rectangle's pixels changed, only stretches of unchanged pixels at
// least a glyph wide go transparent: shorter ones lie inside changed glyphs, whose own colours
// carry on the glyph's pattern and code shorter than a gap in it. Where more changed, the picture
// is busy all over and transparency pays only in long untouched stretches, if at all, so such a
// frame is coded both that way and without, and keeps the shorter. (Chosen on the demo and on
// encoded videos: one minimum stretch for all frames did well on one or the other, not both.)
constexpr std::size_t kBusyShareInverse = 10;
constexpr int kQuietMinimumRun = 8;
constexpr int kBusyMinimumRun = 64;

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

struct Rectangle {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    std::size_t area() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(height); }
};

// The picture's size, and the index its transparent pixels take.
struct Geometry {
    int width = 0;
    int height = 0;
    std::uint8_t transparent = 0;
};

const std::uint8_t* frameRow(const std::vector<std::uint8_t>& frame, const Geometry& size, int y)
{
    return frame.data() + static_cast<std::ptrdiff_t>(y) * size.width;
}

// The smallest rectangle holding every pixel that differs between two frames; empty if none does.
Rectangle changedRectangle(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after,
                           const Geometry& size)
{
    const int width = size.width;
    const int height = size.height;
    const auto rowOf = [&](const std::vector<std::uint8_t>& frame, int y) { return frameRow(frame, size, y); };
    const auto rowsDiffer = [&](int y) {
        return std::memcmp(rowOf(before, y), rowOf(after, y), static_cast<std::size_t>(width)) != 0;
    };
    int top = 0;
    while (top < height && !rowsDiffer(top)) ++top;
    if (top == height) return {};
    int bottom = height - 1;
    while (!rowsDiffer(bottom)) --bottom;
    int left = width;
    int right = -1;
    for (int y = top; y <= bottom; ++y) {
        const std::uint8_t* old_row = rowOf(before, y);
        const std::uint8_t* new_row = rowOf(after, y);
        for (int x = 0; x < left; ++x) {
            if (old_row[x] != new_row[x]) {
                left = x;
                break;
            }
        }
        for (int x = width - 1; x > right; --x) {
            if (old_row[x] != new_row[x]) {
                right = x;
                break;
            }
        }
    }
    return {left, top, right - left + 1, bottom - top + 1};
}

std::size_t changedPixelCount(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after,
                              const Rectangle& area, const Geometry& size)
{
    const auto rowOf = [&](const std::vector<std::uint8_t>& frame, int y) { return frameRow(frame, size, y); };
    std::size_t changed = 0;
    for (int y = area.top; y < area.top + area.height; ++y) {
        const std::uint8_t* old_row = rowOf(before, y) + area.left;
        const std::uint8_t* new_row = rowOf(after, y) + area.left;
        for (int x = 0; x < area.width; ++x) changed += old_row[x] != new_row[x];
    }
    return changed;
}

void copyRectangle(const std::vector<std::uint8_t>& frame, const Rectangle& area, const Geometry& size,
                   std::vector<std::uint8_t>& indices)
{
    const auto rowOf = [&](const std::vector<std::uint8_t>& frame, int y) { return frameRow(frame, size, y); };
    indices.resize(area.area());
    std::uint8_t* index = indices.data();
    for (int y = area.top; y < area.top + area.height; ++y) {
        index = std::copy_n(rowOf(frame, y) + area.left, area.width, index);
    }
}

// The rectangle of `after` with each run of at least `minimum_run` pixels that `before` already
// shows, along a row of the rectangle, made transparent.
void copyChangedPixels(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after,
                       const Rectangle& area, const Geometry& size, int minimum_run, std::vector<std::uint8_t>& indices)
{
    const auto rowOf = [&](const std::vector<std::uint8_t>& frame, int y) { return frameRow(frame, size, y); };
    copyRectangle(after, area, size, indices);
    std::uint8_t* index_row = indices.data();
    for (int y = area.top; y < area.top + area.height; ++y, index_row += area.width) {
        const std::uint8_t* old_row = rowOf(before, y) + area.left;
        const std::uint8_t* new_row = rowOf(after, y) + area.left;
        for (int x = 0; x < area.width;) {
            int same_end = x;
            // Eight at a time first: most of a quiet frame's rectangle is long unchanged stretches.
            while (same_end + 8 <= area.width && std::memcmp(old_row + same_end, new_row + same_end, 8) == 0) {
                same_end += 8;
            }
            while (same_end < area.width && old_row[same_end] == new_row[same_end]) ++same_end;
            if (same_end - x >= minimum_run) std::fill(index_row + x, index_row + same_end, size.transparent);
            x = same_end;
            while (x < area.width && old_row[x] != new_row[x]) ++x;
        }
    }
}

enum class Transparency { none, unchangedRuns };

constexpr std::size_t kDelayOffset = 4;  // of the delay within an image's graphic control extension

// A graphic control extension and image descriptor for `area`, then `image_data`. The delay, at
// kDelayOffset, is filled in when the image is written.
void putImage(const Rectangle& area, Transparency transparency, std::uint8_t transparent_index,
              const std::vector<std::uint8_t>& image_data, std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    // Leave the frame in place (disposal 1) for the next to draw over; its transparent pixels
    // leave the one before showing.
    const bool transparent = transparency == Transparency::unchangedRuns;
    bytes.insert(bytes.end(), {0x21, 0xF9, 0x04, static_cast<std::uint8_t>(1 << 2 | (transparent ? 1 : 0))});
    putLittleEndian16(bytes, 0);
    bytes.push_back(transparent ? transparent_index : std::uint8_t{0});
    bytes.push_back(0x00);
    // Image descriptor: no local colour table, not interlaced.
    bytes.push_back(0x2C);
    putLittleEndian16(bytes, area.left);
    putLittleEndian16(bytes, area.top);
    putLittleEndian16(bytes, area.width);
    putLittleEndian16(bytes, area.height);
    bytes.push_back(0x00);
    bytes.insert(bytes.end(), image_data.begin(), image_data.end());
}

}  // namespace

int gifFrameDelayHundredths(std::uint64_t index)
{
    // Half up: the frame's start time in hundredths, 100 * index / 24, rounded to the nearest.
    const auto start = [](std::uint64_t frame) { return (frame * 100 + kFramesPerSecond / 2) / kFramesPerSecond; };
    return static_cast<int>(start(index + 1) - start(index));
}

GifWriter::GifWriter(const std::string& path, int width, int height, std::span<const std::uint32_t> palette)
    : file_(path), width_(width), height_(height)
{
    // Two colours, ink and paper, unless a palette is given. The transparent index needs an entry
    // of its own past the colours, and the table holds a power of two of at least four entries.
    if (palette.empty()) {
        colours_ = {kPaperColour, kInkColour};
    } else {
        for (const std::uint32_t colour : palette) {
            if (colours_.size() == kMaxGifColours) break;
            if (std::find(colours_.begin(), colours_.end(), colour) == colours_.end()) colours_.push_back(colour);
        }
    }
    two_colours_ = palette.empty();
    transparent_index_ = static_cast<std::uint8_t>(colours_.size());
    table_bits_ = 2;
    while ((1u << table_bits_) < colours_.size() + 1) ++table_bits_;
    std::vector<std::uint8_t> header = {'G', 'I', 'F', '8', '9', 'a'};
    putLittleEndian16(header, width_);
    putLittleEndian16(header, height_);
    // A global colour table (bit 7) of 2^table_bits_ entries, 8 bits per primary (bits 4-6).
    header.push_back(static_cast<std::uint8_t>(0x80 | 0x70 | (table_bits_ - 1)));
    header.push_back(kPaperIndex);  // background
    header.push_back(0);            // square pixels
    for (std::size_t entry = 0; entry < (std::size_t{1} << table_bits_); ++entry) {
        putColour(header, entry < colours_.size() ? colours_[entry] : colours_[0]);
    }
    for (std::size_t index = 0; index < colours_.size(); ++index) {
        index_of_.emplace(colours_[index], static_cast<std::uint8_t>(index));
    }
    // No NETSCAPE looping extension: the player shows an animation once and stops on its last
    // frame, and a GIF without one does the same in the viewers that honour the format.
    file_.write(header);
    const std::size_t frame_pixels = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    previous_.reserve(frame_pixels);
    current_.reserve(frame_pixels);
}

std::uint8_t GifWriter::indexOf(std::uint32_t colour)
{
    const auto found = index_of_.find(colour);
    if (found != index_of_.end()) return found->second;
    // A colour past the table's 255: the nearest one in it stands for it from now on.
    const auto distance = [&](std::uint32_t other) {
        const auto channel = [](std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
        long sum = 0;
        for (const int shift : {16, 8, 0}) {
            const long d = channel(colour, shift) - channel(other, shift);
            sum += d * d;
        }
        return sum;
    };
    std::size_t nearest = 0;
    for (std::size_t index = 1; index < colours_.size(); ++index) {
        if (distance(colours_[index]) < distance(colours_[nearest])) nearest = index;
    }
    index_of_.emplace(colour, static_cast<std::uint8_t>(nearest));
    return static_cast<std::uint8_t>(nearest);
}

void GifWriter::addFrame(std::span<const std::uint32_t> pixels)
{
    const int width = width_;
    const int height = height_;
    const Geometry size{width_, height_, transparent_index_};
    const std::size_t frame_pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    current_.resize(frame_pixels);
    if (two_colours_) {
        // The rasteriser draws ink and paper only, so anything that is not ink is paper. A row at a
        // time through an array of its own, which no pixel can alias, so that the loop vectorises.
        std::vector<std::uint8_t>& row_indices = indices_;
        row_indices.resize(static_cast<std::size_t>(width));
        for (int y = 0; y < height; ++y) {
            const std::uint32_t* row = pixels.data() + static_cast<std::ptrdiff_t>(y) * width;
            for (int x = 0; x < width; ++x)
                row_indices[std::size_t(x)] = row[x] == kInkColour ? kInkIndex : kPaperIndex;
            std::copy(row_indices.begin(), row_indices.end(),
                      current_.begin() + static_cast<std::ptrdiff_t>(y) * width);
        }
    } else {
        // Runs of one colour are the rule in cell art, so the last colour's index is kept at hand.
        std::uint32_t last_colour = pixels.empty() ? 0 : pixels[0];
        std::uint8_t last_index = pixels.empty() ? 0 : indexOf(last_colour);
        for (std::size_t at = 0; at < frame_pixels; ++at) {
            if (pixels[at] != last_colour) {
                last_colour = pixels[at];
                last_index = indexOf(last_colour);
            }
            current_[at] = last_index;
        }
    }
    const int delay = gifFrameDelayHundredths(frame_index_++);
    const int code_size = std::max(2, table_bits_);

    Rectangle area{0, 0, width, height};
    Transparency transparency = Transparency::none;
    if (previous_.empty()) {
        image_data_.clear();
        appendGifImageData(current_, image_data_, code_size);
    } else {
        area = changedRectangle(previous_, current_, size);
        if (area.width == 0 && held_delay_hundredths_ + delay <= kMaxDelayHundredths) {
            held_delay_hundredths_ += delay;
            return;  // previous_ is this frame already
        }
        image_data_.clear();
        if (area.width == 0) {
            // Past the longest delay a GIF can hold; one unchanged pixel holds the frame's place.
            area = {0, 0, 1, 1};
            copyRectangle(current_, area, size, indices_);
            appendGifImageData(indices_, image_data_, code_size);
        } else if (changedPixelCount(previous_, current_, area, size) * kBusyShareInverse < area.area()) {
            transparency = Transparency::unchangedRuns;
            copyChangedPixels(previous_, current_, area, size, kQuietMinimumRun, indices_);
            appendGifImageData(indices_, image_data_, code_size);
        } else {
            transparency = Transparency::unchangedRuns;
            copyChangedPixels(previous_, current_, area, size, kBusyMinimumRun, indices_);
            appendGifImageData(indices_, image_data_, code_size);
            other_image_data_.clear();
            copyRectangle(current_, area, size, indices_);
            appendGifImageData(indices_, other_image_data_, code_size);
            if (other_image_data_.size() < image_data_.size()) {
                transparency = Transparency::none;
                image_data_.swap(other_image_data_);
            }
        }
        writeHeldImage();
    }
    putImage(area, transparency, transparent_index_, image_data_, held_image_);
    held_delay_hundredths_ = delay;
    previous_.swap(current_);
}

void GifWriter::writeHeldImage()
{
    held_image_[kDelayOffset] = static_cast<std::uint8_t>(held_delay_hundredths_ & 0xFF);
    held_image_[kDelayOffset + 1] = static_cast<std::uint8_t>(held_delay_hundredths_ >> 8);
    file_.write(held_image_);
}

void GifWriter::finish()
{
    if (!held_image_.empty()) writeHeldImage();
    const std::uint8_t trailer = 0x3B;
    file_.write({&trailer, 1});
    file_.commit();
}
