// SPDX-License-Identifier: MIT
#include "kvq/encode/parallel_encoder.h"

#include <algorithm>
#include <atomic>
#include <thread>

FrameEncoder::FrameEncoder(const GlyphTable& glyphs, MatchMode mode, const ToneLevels& levels, float hold)
    : glyphs_(glyphs), mode_(mode), levels_(levels), hold_(hold), pixel_(glyphs_), perceptual_(glyphs_, objective_)
{
    for (std::size_t level = 0; level < offsets_.size(); ++level) offsets_[level] = cellOffset(levels_.target[level]);
}

void FrameEncoder::encodeRows(const std::uint8_t* luminance, const TextFrame* previous, TextFrame& frame, int begin,
                              int end) const
{
    alignas(32) CellOffsets cell_offsets;
    for (int row = begin; row < end; ++row) {
        for (int column = 0; column < TextFrame::kColumns; ++column) {
            const auto cell = static_cast<std::size_t>(row * TextFrame::kColumns + column);
            const std::uint8_t* top_left = luminance + (row * 16) * kPictureWidth + column * 8;
            if (mode_ == MatchMode::pixel) {
                frame.cells[cell] = pixel_.bestCode(top_left, kPictureWidth);
                continue;
            }
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 8; ++x)
                    cell_offsets[static_cast<std::size_t>(y * 8 + x)] = offsets_[top_left[y * kPictureWidth + x]];
            }
            frame.cells[cell] = perceptual_.choose(cell_offsets, previous ? previous->cells[cell] : -1, hold_);
        }
    }
}

namespace {

void runOnThreads(int threads, const auto& work)
{
    std::vector<std::jthread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(work, t);
    work(0);
}

}  // namespace

void encodePictures(const FrameEncoder& encoder, std::span<const std::vector<std::uint8_t>> pictures,
                    const TextFrame* previous, std::span<TextFrame> frames, std::span<FrameFigures> figures,
                    int threads)
{
    if (pictures.empty()) return;
    const int bands = std::clamp(threads, 1, TextFrame::kRows);
    runOnThreads(bands, [&](int band) {
        const int begin = band * TextFrame::kRows / bands;
        const int end = (band + 1) * TextFrame::kRows / bands;
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            encoder.encodeRows(pictures[i].data(), i ? &frames[i - 1] : previous, frames[i], begin, end);
        }
    });
    // Measuring needs whole frames; they are independent, so handed out one at a time.
    std::atomic<std::size_t> next{0};
    runOnThreads(std::clamp(threads, 1, static_cast<int>(pictures.size())), [&](int) {
        for (std::size_t i = next++; i < pictures.size(); i = next++) {
            figures[i] = measureFrame(frames[i], i ? &frames[i - 1] : previous, encoder.glyphs(), pictures[i].data(),
                                      encoder.levels());
        }
    });
}
