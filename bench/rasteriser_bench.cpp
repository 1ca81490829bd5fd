// SPDX-License-Identifier: MIT
// Drawing a full frame against the floor of writing the same 1,228,800 bytes with memset, in one
// 64-byte-aligned buffer that stays in the cache between iterations.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>

#include <emmintrin.h>

#include "content/glyph_table.h"
#include "content/text_frame.h"
#include "render/cell_drawing.h"
#include "render/raster_kernel.h"

namespace {

constexpr std::size_t kBytes = 640 * 480 * 4;

struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};

struct Scene {
    Scene() : pixels(static_cast<std::uint8_t*>(std::aligned_alloc(64, kBytes)))
    {
        std::mt19937 generator(42);
        std::uint8_t font[8192];
        for (auto& byte : font) byte = static_cast<std::uint8_t>(generator());
        glyphs.fillFrom(font, sizeof font);
        for (auto& code : frame.cells) code = static_cast<std::uint8_t>(generator());
    }
    GlyphTable glyphs;
    TextFrame frame{};
    std::unique_ptr<std::uint8_t, FreeDeleter> pixels;
};

Scene& scene()
{
    static Scene the_scene;
    return the_scene;
}

void memsetFrame(benchmark::State& state)
{
    auto& s = scene();
    int value = 0;
    for (auto _ : state) {
        std::memset(s.pixels.get(), ++value & 0xFF, kBytes);
        benchmark::DoNotOptimize(s.pixels.get());
        benchmark::ClobberMemory();
    }
}

void drawFrame(benchmark::State& state, RasterKernel kernel)
{
    auto& s = scene();
    if (!rasterKernelAvailable(kernel)) {
        state.SkipWithError("kernel not available on this CPU");
        return;
    }
    for (auto _ : state) {
        drawWithKernel(kernel, s.frame.cells.data(), s.glyphs, RenderTarget{s.pixels.get(), 2560});
        benchmark::DoNotOptimize(s.pixels.get());
        benchmark::ClobberMemory();
    }
}

// The floor for any kernel limited to 16-byte stores (the baseline x86-64 instruction set): the
// same bytes written as a constant, 16 at a time.
void fill16Frame(benchmark::State& state)
{
    auto& s = scene();
    int value = 0;
    for (auto _ : state) {
        const __m128i pattern = _mm_set1_epi32(++value);
        for (std::size_t offset = 0; offset < kBytes; offset += 16) {
            _mm_store_si128(reinterpret_cast<__m128i*>(s.pixels.get() + offset), pattern);
        }
        benchmark::DoNotOptimize(s.pixels.get());
        benchmark::ClobberMemory();
    }
}

// The same 80x30 cells in colour, each with its own pair from the VGA palette, as scene art is drawn:
// what the colour path costs beside the player's.
void drawColourFrame(benchmark::State& state, RasterKernel kernel)
{
    auto& s = scene();
    if (!rasterKernelAvailable(kernel)) {
        state.SkipWithError("kernel not available on this CPU");
        return;
    }
    std::mt19937 generator(7);
    CellPicture picture;
    picture.rows = TextFrame::kRows;
    for (int i = 0; i < TextFrame::kCells; ++i) {
        picture.cells.push_back(Cell{std::uint16_t(generator() % 256), std::uint16_t(generator() % 16),
                                     std::uint16_t(generator() % 16), 0});
    }
    CellFont font;
    font.rows.resize(256 * 16);
    for (auto& row : font.rows) row = static_cast<std::uint8_t>(generator());
    for (auto _ : state) {
        drawCellsWithKernel(kernel, picture, font, CellLayout{}, RenderTarget{s.pixels.get(), 2560});
        benchmark::DoNotOptimize(s.pixels.get());
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(memsetFrame)->MinTime(0.3);
BENCHMARK(fill16Frame)->MinTime(0.3);
BENCHMARK_CAPTURE(drawFrame, plain, RasterKernel::plain)->MinTime(0.3);
BENCHMARK_CAPTURE(drawFrame, avx2, RasterKernel::avx2)->MinTime(0.3);
BENCHMARK_CAPTURE(drawColourFrame, plain, RasterKernel::plain)->MinTime(0.3);
BENCHMARK_CAPTURE(drawColourFrame, avx2, RasterKernel::avx2)->MinTime(0.3);
BENCHMARK_MAIN();
