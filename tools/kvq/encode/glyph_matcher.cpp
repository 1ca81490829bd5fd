// SPDX-License-Identifier: MIT
#include "kvq/encode/glyph_matcher.h"

#include <cstring>

#include "kvq/encode/luminance.h"
#include "render/colours.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::int64_t kInk = luminanceOf(kInkColour);
constexpr std::int64_t kPaper = luminanceOf(kPaperColour);
constexpr std::int64_t kStep = kInk - kPaper;
// error(c) = sum x^2 - 2 sum x r + sum r^2, with r = paper + step on ink pixels; dropping what is
// the same for every code leaves these two weights.
constexpr std::int64_t kInkSumWeight = -2 * kStep;
constexpr std::int64_t kInkCountWeight = 2 * kPaper * kStep + kStep * kStep;

// The sum of the cell's luminance under a 0x00/0xFF mask of 128 bytes.
std::uint32_t maskedSum(const std::uint8_t* mask, const std::uint8_t* pixels)
{
#if defined(__SSE2__)
    __m128i total = _mm_setzero_si128();
    for (int offset = 0; offset < 128; offset += 16) {
        const __m128i m = _mm_load_si128(reinterpret_cast<const __m128i*>(mask + offset));
        const __m128i x = _mm_load_si128(reinterpret_cast<const __m128i*>(pixels + offset));
        total = _mm_add_epi64(total, _mm_sad_epu8(_mm_and_si128(m, x), _mm_setzero_si128()));
    }
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(total) + _mm_cvtsi128_si32(_mm_srli_si128(total, 8)));
#else
    std::uint32_t total = 0;
    for (int i = 0; i < 128; ++i) total += mask[i] & pixels[i];
    return total;
#endif
}

}  // namespace

GlyphMatcher::GlyphMatcher(const GlyphTable& glyphs)
{
    inverse_upper_half_ = true;
    for (int code = 0; code < 256; ++code) {
        const Glyph& glyph = glyphs[code];
        int count = 0;
        for (int row = 0; row < 16; ++row) {
            for (int x = 0; x < 8; ++x) {
                const bool ink = isInk(glyph, x, row);
                ink_masks_[static_cast<std::size_t>(code)][static_cast<std::size_t>(row * 8 + x)] = ink ? 0xFF : 0x00;
                count += ink;
            }
        }
        ink_counts_[static_cast<std::size_t>(code)] = count;
        if (code >= 128) {
            for (int row = 0; row < 16; ++row) {
                if (glyph[static_cast<std::size_t>(row)] !=
                    static_cast<std::uint8_t>(~glyphs[code - 128][static_cast<std::size_t>(row)])) {
                    inverse_upper_half_ = false;
                }
            }
        }
    }
}

std::uint8_t GlyphMatcher::bestCode(const std::uint8_t* cell, std::ptrdiff_t row_bytes) const
{
    alignas(16) std::uint8_t pixels[128];
    std::uint32_t total = 0;
    for (int row = 0; row < 16; ++row) {
        std::memcpy(pixels + row * 8, cell + row * row_bytes, 8);
        for (int x = 0; x < 8; ++x) total += pixels[row * 8 + x];
    }

    std::int64_t best_error = 0;
    int best = -1;
    auto consider = [&](int code, std::uint32_t ink_sum) {
        const std::int64_t error =
            kInkSumWeight * ink_sum + kInkCountWeight * ink_counts_[static_cast<std::size_t>(code)];
        if (best < 0 || error < best_error) {
            best_error = error;
            best = code;
        }
    };
    if (inverse_upper_half_) {
        // The sums of the lower half are kept so the upper half, visited second, keeps the
        // ascending order that makes the lowest code win a tie.
        std::uint32_t lower_sums[128];
        for (int code = 0; code < 128; ++code) {
            lower_sums[code] = maskedSum(ink_masks_[static_cast<std::size_t>(code)].data(), pixels);
            consider(code, lower_sums[code]);
        }
        for (int code = 128; code < 256; ++code) consider(code, total - lower_sums[code - 128]);
    } else {
        for (int code = 0; code < 256; ++code)
            consider(code, maskedSum(ink_masks_[static_cast<std::size_t>(code)].data(), pixels));
    }
    return static_cast<std::uint8_t>(best);
}
