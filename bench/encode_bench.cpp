// SPDX-License-Identifier: MIT
// The encoder's glyph choice alone (the perceptual one, with its hold), for whole 640x480
// pictures: frames per second on one thread and on every processor.
#include <benchmark/benchmark.h>

#include <cmath>
#include <thread>
#include <vector>

#include "kvq/encode/glyph_matcher.h"
#include "kvq/encode/parallel_encoder.h"
#include "kvq/font/psf_font.h"

namespace {

struct Material {
    Material() : pictures(16, std::vector<std::uint8_t>(kPicturePixels))
    {
        const FontFileBytes font = convertPsfFont("/usr/share/consolefonts/Lat15-VGA16.psf.gz");
        glyphs.fillFrom(font.data(), font.size());
        // Soft shapes with edges, different in every picture; the work does not depend on content.
        for (std::size_t p = 0; p < pictures.size(); ++p) {
            for (int y = 0; y < kPictureHeight; ++y) {
                for (int x = 0; x < kPictureWidth; ++x) {
                    const double v =
                        std::sin(x * 0.031 + static_cast<double>(p)) + std::cos(y * 0.047) + std::sin((x + y) * 0.013);
                    pictures[p][static_cast<std::size_t>(y * kPictureWidth + x)] =
                        static_cast<std::uint8_t>(127.5 + 42 * v);
                }
            }
        }
    }
    GlyphTable glyphs;
    std::vector<std::vector<std::uint8_t>> pictures;
};

Material& material()
{
    static Material the_material;
    return the_material;
}

void chooseGlyphsOneThread(benchmark::State& state)
{
    auto& m = material();
    const FrameEncoder encoder(m.glyphs, MatchMode::perceptual, fullLevels(), 0.1f);
    TextFrame frames[2]{};
    std::size_t next = 0;
    for (auto _ : state) {
        encoder.encodeRows(m.pictures[next % m.pictures.size()].data(), &frames[(next + 1) % 2], frames[next % 2], 0,
                           TextFrame::kRows);
        benchmark::DoNotOptimize(frames[next++ % 2].cells.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void chooseGlyphsAllThreads(benchmark::State& state)
{
    auto& m = material();
    const FrameEncoder encoder(m.glyphs, MatchMode::perceptual, fullLevels(), 0.1f);
    const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<TextFrame> frames(m.pictures.size());
    for (auto _ : state) {
        // As the tool does: each thread a band of text rows through every picture in turn.
        std::vector<std::jthread> pool;
        auto work = [&](int band) {
            for (std::size_t i = 0; i < m.pictures.size(); ++i) {
                encoder.encodeRows(m.pictures[i].data(), i ? &frames[i - 1] : nullptr, frames[i],
                                   band * TextFrame::kRows / threads, (band + 1) * TextFrame::kRows / threads);
            }
        };
        for (int i = 1; i < threads; ++i) pool.emplace_back(work, i);
        work(0);
        pool.clear();
        benchmark::DoNotOptimize(frames.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(m.pictures.size()));
    state.counters["threads"] = threads;
}

}  // namespace

BENCHMARK(chooseGlyphsOneThread)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(chooseGlyphsAllThreads)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK_MAIN();
