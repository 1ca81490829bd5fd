// SPDX-License-Identifier: MIT
#include "kvq/encode/parallel_encoder.h"

#include <algorithm>
#include <atomic>
#include <thread>

void encodePictures(const GlyphMatcher& matcher, const GlyphTable& glyphs,
                    std::span<const std::vector<std::uint8_t>> pictures, std::span<TextFrame> frames,
                    std::span<double> quality_db, int threads)
{
    // Frames are independent; handing them out one at a time keeps both cores busy to the end.
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < pictures.size(); i = next++) {
            matcher.encode(pictures[i].data(), frames[i]);
            quality_db[i] = frameQualityDb(frames[i], glyphs, pictures[i].data());
        }
    };
    const int helpers = std::clamp(threads, 1, static_cast<int>(std::max<std::size_t>(pictures.size(), 1))) - 1;
    std::vector<std::jthread> pool;
    for (int i = 0; i < helpers; ++i) pool.emplace_back(work);
    work();
}
