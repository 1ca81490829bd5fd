// SPDX-License-Identifier: MIT
#include <zlib.h>

#include <tuple>

#include "kvq_test_support.h"

namespace {

// Rows that differ between glyphs and between rows, so that a misplaced row shows.
std::uint8_t glyphRow(std::uint32_t glyph, std::uint32_t row) { return std::uint8_t((glyph * 37 + row * 11) ^ (glyph >> 3)); }

// A PSF1 (`version` 1) or PSF2 font; a PSF2 `header` above 32 bytes pads it, as later versions may.
std::vector<std::uint8_t> psf(int version, std::uint32_t glyphs, std::uint32_t width = 8, std::uint32_t height = 16,
                              std::uint32_t header = 32)
{
    std::vector<std::uint8_t> font = {0x72, 0xb5, 0x4a, 0x86};
    const std::uint32_t glyph_bytes = (width + 7) / 8 * height;
    if (version == 1) font = {0x36, 0x04, static_cast<std::uint8_t>(glyphs == 512), static_cast<std::uint8_t>(height)};
    for (const std::uint32_t value : {0u, header, 0u, glyphs, glyph_bytes, height, width}) {
        for (int shift = 0; version == 2 && shift < 32; shift += 8) font.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    if (version == 2) font.resize(header, 0xEE);
    for (std::uint32_t at = 0; at < glyphs * glyph_bytes; ++at) font.push_back(glyphRow(at / glyph_bytes, at % glyph_bytes));
    return font;
}

// The player's font file of the first 256 such glyphs, zeros after each glyph and past the last.
std::vector<std::uint8_t> fontFile(std::uint32_t glyphs)
{
    std::vector<std::uint8_t> file(8192, 0);
    for (std::uint32_t at = 0; at < std::min(glyphs, 256u) * 16; ++at) file[at / 16 * 32 + at % 16] = glyphRow(at / 16, at % 16);
    return file;
}

std::vector<std::uint8_t> gzipped(const TempDir& dir, const std::vector<std::uint8_t>& bytes)
{
    gzFile file = gzopen(dir.file("gz").c_str(), "wb9");
    gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(file);
    return readBytes(dir.file("gz"));
}

}  // namespace

TEST(FontConversion, Psf1AndPsf2GzippedOrNotFillTheFirst16BytesOfEachSlot)
{
    TempDir dir;
    auto unicode_table = psf(2, 256);
    unicode_table.insert(unicode_table.end(), {0x41, 0x00, 0xFF});
    for (const auto& [font, glyphs] : std::vector<std::pair<std::vector<std::uint8_t>, std::uint32_t>>{
             {psf(1, 256), 256}, {psf(1, 512), 512}, {psf(2, 256), 256}, {psf(2, 256, 8, 16, 48), 256},
             {psf(2, 700), 700}, {psf(2, 100), 100}, {unicode_table, 256}, {gzipped(dir, psf(1, 512)), 512},
             {gzipped(dir, psf(2, 300, 8, 16, 40)), 300}}) {
        const KvqRun run = kvq({"font", dir.write("in", font), "-o", dir.file("out")});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(readBytes(dir.file("out")), fontFile(glyphs)) << glyphs << " glyphs";
    }
}

TEST(FontConversion, RefusesAnythingButAComplete8x16PsfFont)
{
    TempDir dir;
    auto inconsistent = psf(2, 256);
    inconsistent[20] = 32;  // bytes per glyph
    auto huge = psf(2, 16);
    std::fill(huge.begin() + 16, huge.begin() + 20, 0xFF);  // four billion glyphs, claimed
    const auto gz = gzipped(dir, psf(1, 256));
    const auto cut = [](std::vector<std::uint8_t> bytes, std::size_t size) { return bytes.resize(size), bytes; };
    for (const auto& [name, font, cause] : std::vector<std::tuple<std::string, std::vector<std::uint8_t>, std::string>>{
             {"v1-8x14", psf(1, 256, 8, 14), "glyphs are 8x14"},
             {"v2-9x16", psf(2, 256, 9, 16), "glyphs are 9x16"},
             {"v2-16x32", psf(2, 256, 16, 32), "glyphs are 16x32"},
             {"v1-512-cut", cut(psf(1, 512), 4 + 300 * 16 + 5), "truncated"},
             {"v1-header", cut(psf(1, 256), 3), "truncated"},
             {"v2-header", cut(psf(2, 256), 20), "truncated"},
             {"v2-past-256", cut(psf(2, 512), 32 + 512 * 16 - 1), "truncated"},
             {"v2-huge", huge, "truncated"},
             {"cut.gz", cut(gz, gz.size() / 2), "truncated"},
             {"inconsistent", inconsistent, "inconsistent"},
             {"text", {'h', 'i', '\n'}, "not a PSF font"},
             {"empty", {}, "empty"}}) {
        expectRefused(dir.path(), {"font", dir.write(name, font), "-o", dir.file("font.out")}, name + ": " + cause);
    }
}

TEST(FileInfo, FramesLengthAndTrailingBytesAsThePlayerCountsThem)
{
    TempDir dir;
    for (const auto& [name, size, as, says] : std::vector<std::tuple<std::string, std::size_t, std::string, std::string>>{
             {"a.kvq", 300 * kFrame + 100, "", "frames: 301 (300 whole, 1 from the trailing bytes)\n  length: 12.54 s"},
             {"b.kvq", 2 * kFrame + 29, "", "frames: 2\n  length: 0.08 s at 24 frames per second\n  trailing bytes: 29"},
             {"c.bin", 3 * kFrame, "", "frames: 3\n  length: 0.12 s at 24 frames per second\n  trailing bytes: none"},
             {"d.kvq", 8192, "", "frames: 4 (3 whole, 1 from"},
             {"blob", 1000, "frames", "frames: 1 (0 whole, 1 from"},
             {"test", 3 * kFrame, "", "font file, 7200 bytes: shorter than the expected 8192"},
             {"f.bin", 8192, "", "font file, 8192 bytes: the expected size"},
             {"blob", 1000, "font", "glyphs 0-30 are complete"},
             {"g", 0, "", "empty file"}}) {
        const std::string path = dir.write(name, randomBytes(size, 1));
        const KvqRun run = as.empty() ? kvq({"info", path}) : kvq({"info", "--as", as, path});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(says), std::string::npos) << "wanted '" << says << "' in:\n" << run.out;
    }
}
