// SPDX-License-Identifier: MIT
#include <tuple>

#include "support/kvq_test_support.h"

TEST(FontConversion, Psf1AndPsf2GzippedOrNotFillTheFirst16BytesOfEachSlot)
{
    TempDir dir;
    auto unicode_table = psf(2, 256);
    unicode_table.insert(unicode_table.end(), {0x41, 0x00, 0xFF});
    for (const auto& [font, glyphs] : std::vector<std::pair<std::vector<std::uint8_t>, std::uint32_t>>{
             {psf(1, 256), 256},
             {psf(1, 512), 512},
             {psf(2, 256), 256},
             {psf(2, 256, 8, 16, 48), 256},
             {psf(2, 700), 700},
             {psf(2, 100), 100},
             {unicode_table, 256},
             {gzipped(dir, psf(1, 512)), 512},
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
    for (const auto& [name, size, as, says] :
         std::vector<std::tuple<std::string, std::size_t, std::string, std::string>>{
             {"a.kvq", 300 * kFrame + 100, "", "frames: 301 (300 whole, 1 from the trailing bytes)\n  length: 12.54 s"},
             {"b.kvq", 2 * kFrame + 29, "",
              "frames: 2\n  length: 0.08 s at 24 frames per second\n  trailing bytes: 29"},
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
