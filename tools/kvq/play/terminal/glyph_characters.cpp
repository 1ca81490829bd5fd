// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/glyph_characters.h"

#include <array>
#include <exception>
#include <limits>

#include "kvq/font/cp437_font.h"
#include "kvq/play/terminal/cp437_unicode.h"

namespace {

// Glyphs are compared at 16 rows: VGA's height, so that its own glyphs compare exactly.
constexpr int kRows = 16;
constexpr int kPixels = kRows * 8;
using Shape = std::array<float, kPixels>;

bool inFont(const CellFont& font, int code)
{
    return code >= 0 && code < font.glyph_count && font.height > 0 &&
           font.rows.size() >= static_cast<std::size_t>(code + 1) * static_cast<std::size_t>(font.height);
}

// The glyph's ink as coverage 0-1 of each pixel at 16 rows: rows of a taller or shorter glyph are
// averaged over the part of each 16th of its height that they cover.
Shape shapeOf(const CellFont& font, int code)
{
    Shape shape{};
    if (!inFont(font, code)) return shape;
    const int height = font.height;
    for (int y = 0; y < kRows; ++y) {
        // Target row y spans [y*height, (y+1)*height) in 16ths of a source row.
        const int from = y * height, to = (y + 1) * height;
        for (int source = from / kRows; source * kRows < to && source < height; ++source) {
            const int overlap = std::min(to, (source + 1) * kRows) - std::max(from, source * kRows);
            const std::uint8_t bits = font.row(code, source);
            for (int x = 0; x < 8; ++x) {
                if (bits & (0x80 >> x)) shape[static_cast<std::size_t>(y * 8 + x)] += static_cast<float>(overlap);
            }
        }
        for (int x = 0; x < 8; ++x) shape[static_cast<std::size_t>(y * 8 + x)] /= static_cast<float>(height);
    }
    return shape;
}

float distance(const Shape& a, const Shape& b, bool inverse)
{
    float sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const float d = a[i] - (inverse ? 1.0f - b[i] : b[i]);
        sum += d * d;
    }
    return sum;
}

// The codes whose characters may stand for a glyph, in the order preferred where glyphs tie: ASCII
// first (every terminal font has it), the blanks 0x00 and 0xFF left to the space.
std::vector<int> candidateCodes()
{
    std::vector<int> codes;
    for (int code = 0x20; code < 0x7F; ++code) codes.push_back(code);
    for (int code = 0x80; code < 0xFF; ++code) codes.push_back(code);
    for (int code = 0x01; code < 0x20; ++code) codes.push_back(code);
    codes.push_back(0x7F);
    return codes;
}

std::vector<GlyphCharacter> withoutKnownGlyphs(const CellFont& font)
{
    std::vector<GlyphCharacter> characters(static_cast<std::size_t>(std::max(0, font.glyph_count)));
    for (int code = 0; code < font.glyph_count; ++code) {
        GlyphCharacter& out = characters[static_cast<std::size_t>(code)];
        out.character = cp437Unicode(code);
        const int lower = code - 128;
        if (code < 128 || code >= 256 || !inFont(font, code)) continue;
        bool inverted = true;
        for (int y = 0; y < font.height && inverted; ++y) {
            inverted = font.row(code, y) == static_cast<std::uint8_t>(~font.row(lower, y));
        }
        if (inverted) out = {cp437Unicode(lower), true};
    }
    return characters;
}

}  // namespace

std::vector<GlyphCharacter> glyphCharacters(const CellFont& font, const CellFont* known)
{
    if (!known || known->glyph_count < 256) return withoutKnownGlyphs(font);
    const int count = std::max(0, font.glyph_count);
    std::vector<Shape> known_shapes(256);
    for (int code = 0; code < 256; ++code) known_shapes[static_cast<std::size_t>(code)] = shapeOf(*known, code);

    std::vector<Shape> shapes(static_cast<std::size_t>(count));
    for (int code = 0; code < count; ++code) shapes[static_cast<std::size_t>(code)] = shapeOf(font, code);
    std::vector<GlyphCharacter> characters(static_cast<std::size_t>(count));
    const std::vector<int> candidates = candidateCodes();
    for (int code = 0; code < count; ++code) {
        const Shape& shape = shapes[static_cast<std::size_t>(code)];
        float best = std::numeric_limits<float>::max();
        for (const bool inverse : {false, true}) {
            for (const int candidate : candidates) {
                const float d = distance(shape, known_shapes[static_cast<std::size_t>(candidate)], inverse);
                if (d < best) {
                    best = d;
                    characters[static_cast<std::size_t>(code)] = {cp437Unicode(candidate), inverse};
                }
            }
        }
    }

    // A CP437 font keeps its own characters, even where a glyph of it looks more like another one. Its
    // glyphs may be drawn otherwise than the ones known (another height, another hand), so a code counts
    // as its own where its own glyph is among the few nearest.
    constexpr int kNearest = 4;
    const int first = std::min(count, 256);
    int own = 0;
    for (int code = 0; code < first; ++code) {
        const Shape& shape = shapes[static_cast<std::size_t>(code)];
        const float own_distance = distance(shape, known_shapes[static_cast<std::size_t>(code)], false);
        int nearer = 0;
        for (int other = 0; other < 256 && nearer < kNearest; ++other) {
            nearer += distance(shape, known_shapes[static_cast<std::size_t>(other)], false) < own_distance - 1e-4f;
        }
        own += nearer < kNearest;
    }
    if (2 * own > first) {
        for (int code = 0; code < first; ++code)
            characters[static_cast<std::size_t>(code)] = {cp437Unicode(code), false};
    }
    return characters;
}

std::vector<GlyphCharacter> glyphCharacters(const CellFont& font)
{
    CellFont known;
    try {
        // The known glyphs nearest the font's height, so that glyphs drawn alike compare alike.
        known = cp437ConsoleFont(font.height <= 11 ? 8 : 16);
    } catch (const std::exception&) {
        return glyphCharacters(font, nullptr);
    }
    return glyphCharacters(font, &known);
}
