// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "kvq_test_support.h"

namespace {

constexpr std::size_t kFrame = 2400;

KvqRun info(const std::string& path, const std::string& as = "")
{
    if (as.empty()) return runKvqWith({"info", path});
    return runKvqWith({"info", "--as", as, path});
}

void expectSays(const KvqRun& run, std::initializer_list<std::string> phrases)
{
    EXPECT_EQ(run.status, 0) << run.err;
    for (const std::string& phrase : phrases) {
        EXPECT_NE(run.out.find(phrase), std::string::npos) << "wanted '" << phrase << "' in:\n" << run.out;
    }
}

}  // namespace

TEST(InfoFrames, WholeFramesGiveCountAndLength)
{
    TempDir dir;
    expectSays(info(dir.write("a.kvq", randomBytes(300 * kFrame, 1))),
               {"frame file", "frames: 300\n", "length: 12.50 s", "trailing bytes: none"});
    expectSays(info(dir.write("b.kvq", randomBytes(kFrame, 1))), {"frames: 1\n", "length: 0.04 s"});
}

TEST(InfoFrames, TrailingBytesAreExplained)
{
    TempDir dir;
    expectSays(info(dir.write("tail30.kvq", randomBytes(2 * kFrame + 30, 1))),
               {"frames: 3 (2 whole, 1 from the trailing bytes)", "length: 0.12 s", "trailing bytes: 30",
                "becomes one more frame; cells past them repeat the previous frame"});
    const KvqRun short_tail = info(dir.write("tail29.kvq", randomBytes(2 * kFrame + 29, 1)));
    expectSays(short_tail, {"frames: 2\n", "trailing bytes: 29", "ignored"});
    EXPECT_EQ(short_tail.out.find("becomes"), std::string::npos);
    expectSays(info(dir.write("only.kvq", randomBytes(100, 1))),
               {"frames: 1 (0 whole", "becomes the only frame", "code 0"});
    expectSays(info(dir.write("crumbs.kvq", randomBytes(10, 1))), {"frames: 0\n", "ignored", "shows nothing"});
}

TEST(InfoFonts, SizeAgainstTheExpected8192Bytes)
{
    TempDir dir;
    expectSays(info(dir.write("font", expectedFontFile(256))), {"font file", "8192 bytes: the expected size"});
    expectSays(info(dir.write("test", randomBytes(5000, 1))), {"shorter", "all 128 drawn glyphs are complete"});
    // (1000 + 16) / 32: glyphs 0-30 have all 16 rows; 31 on are cut or missing.
    expectSays(info(dir.write("cut", randomBytes(1000, 1)), "font"),
               {"shorter", "glyphs 0-30 are complete", "codes 31-127", "codes 159-255"});
    expectSays(info(dir.write("long", randomBytes(9000, 1)), "font"), {"longer", "the other 808 are ignored"});
}

TEST(InfoFonts, InkIsCountedAndTallGlyphsAreNoticed)
{
    TempDir dir;
    expectSays(info(dir.write("test", expectedFontFile(100))), {"(100 of them with ink)"});
    expectSays(info(dir.write("blank.font", std::vector<std::uint8_t>(8192, 0))), {"(0 of them with ink)"});
    const KvqRun tall = info(dir.write("tall", std::vector<std::uint8_t>(8192, 0x18)), "font");
    expectSays(tall, {"128 of slots 0-127 have bytes after row 15"});
    expectSays(info(dir.write("console.psf", psf2Font(256, 8, 16)), "font"), {"starts like a PSF console font", "kvq font"});
}

TEST(InfoGuess, KindFollowsNameThenSize)
{
    TempDir dir;
    expectSays(info(dir.write("frames.bin", randomBytes(3 * kFrame, 1))), {"frame file", "frames: 3\n"});
    expectSays(info(dir.write("font.bin", randomBytes(8192, 1))), {"font file"});
    expectSays(info(dir.write("test", randomBytes(3 * kFrame, 1))), {"font file"});
    expectSays(info(dir.write("big.kvq", randomBytes(8192, 1))), {"frame file", "frames: 4 (3 whole"});
    expectSays(info(dir.write("empty", {})), {"empty file"});

    const std::string odd = dir.write("blob", randomBytes(1000, 1));
    const KvqRun unknown = info(odd);
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(isOneLine(unknown.err)) << unknown.err;
    EXPECT_NE(unknown.err.find(odd + ": cannot tell"), std::string::npos) << unknown.err;
    expectSays(info(odd, "frames"), {"frame file", "frames: 1 (0 whole"});
}

TEST(InfoErrors, MissingOrUnreadableFilesFail)
{
    TempDir dir;
    const KvqRun missing = info(dir.file("nothing.kvq"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(isOneLine(missing.err)) << missing.err;
    EXPECT_NE(missing.err.find(dir.file("nothing.kvq") + ": cannot open: No such file"), std::string::npos) << missing.err;
    EXPECT_EQ(missing.out, "");

    const KvqRun folder = info(dir.path().string());
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.err.find("not a regular file"), std::string::npos) << folder.err;
}
