// SPDX-License-Identifier: MIT
// kvq render and kvq info on the scene's art, judged against Debian's ansilove given the options
// that SAUCE asks for and the same font.
#include <cmath>
#include <random>

#include "kvq/files/artwork.h"
#include "kvq/files/png_file.h"
#include "kvq/render/scene_picture.h"
#include "render/cell_drawing.h"
#include "scene/ansi_typing.h"
#include "scene/scene_test_support.h"
#include "support/kvq_test_support.h"

namespace {

const std::filesystem::path kExamples = "/usr/share/doc/ansilove/examples";

std::vector<std::string> examplePieces()
{
    std::vector<std::string> pieces;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kExamples, error)) {
        if (entry.path().extension() == ".ans") pieces.push_back(entry.path().string());
    }
    std::sort(pieces.begin(), pieces.end());
    return pieces;
}

// ansilove's glyphs as 256 raw rows, a font kvq's --font reads.
std::string ansiloveFontFile(const TempDir& dir, int height)
{
    const CellFont font = ansiloveFont(height);
    return dir.write("ansilove" + std::to_string(height) + ".font", font.rows);
}

// The options SAUCE asks for, as ansilove takes them.
AnsiloveOptions sauceOptions(const ScenePiece& piece)
{
    AnsiloveOptions options;
    if (piece.sauce && piece.sauce->info1 > 0) options.columns = piece.picture.columns;
    options.ice = piece.ice_colours;
    options.bits = piece.letter_spacing;
    return options;
}

ReferencePicture pngPicture(const std::string& png)
{
    const RgbPicture rgb = readPngRgb(png, 1 << 20);
    ReferencePicture picture{rgb.width, rgb.height, std::vector<std::uint32_t>(rgb.rgb.size() / 3)};
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = std::uint32_t(rgb.rgb[3 * i]) << 16 | rgb.rgb[3 * i + 1] << 8 | rgb.rgb[3 * i + 2];
    return picture;
}

void expectSamePicture(const std::string& png, const ReferencePicture& reference, const std::string& what,
                       int rows_beyond = 0)
{
    EXPECT_TRUE(samePixels(pngPicture(png), reference, 8, 16, rows_beyond)) << what;
}

class SceneRender : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!ansiloveInstalled() || examplePieces().empty()) GTEST_SKIP() << "ansilove and its examples are needed";
    }
    TempDir dir;
};

TEST_F(SceneRender, ExamplePiecesAreAnsilovesPictures)
{
    const std::string font = ansiloveFontFile(dir, 16);
    for (const std::string& path : examplePieces()) {
        const std::optional<ScenePiece> piece = readSceneFile(path, {});
        ASSERT_TRUE(piece) << path;
        const std::string out = dir.file("out.png");
        const KvqRun run = kvq({"render", path, "--font", font, "-o", out});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out + run.err, "");
        expectSamePicture(out, ansiloveRender(path, sauceOptions(*piece)), path);
    }
}

// What the command line overrides, against ansilove given the same: a width, iCE colours, nine
// pixels a cell with the line-drawing codes, and the 8x8 font.
TEST_F(SceneRender, OptionsOverSauceAreAnsilovesOptions)
{
    std::string art = "\x1b[5;44;33mblink\x1b[0m \xc4\xc5\xb3\xdb\xb0 \x1b[1;35mbright\r\n";
    for (int code = 0xB0; code <= 0xE0; ++code) art += static_cast<char>(code);
    art += "\x1b[7mreversed\x1b[27;5;41m\xc0\xc4\xd9";
    const std::string path = dir.write("opts.ans", std::vector<std::uint8_t>(art.begin(), art.end()));
    const std::string font16 = ansiloveFontFile(dir, 16);
    const std::string font8 = ansiloveFontFile(dir, 8);
    for (const auto& [ours, theirs] : std::vector<std::pair<std::vector<std::string>, AnsiloveOptions>>{
             {{"--font", font16, "--columns", "40"}, {40, false, 8, "", ""}},
             {{"--font", font16, "--ice"}, {0, true, 8, "", ""}},
             {{"--font", font16, "--letter-spacing", "9"}, {0, false, 9, "", ""}},
             {{"--font", font8}, {0, false, 8, "80x50", ""}}}) {
        std::vector<std::string> arguments{"render", path, "-o", dir.file("o.png")};
        arguments.insert(arguments.end(), ours.begin(), ours.end());
        const KvqRun run = kvq(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        expectSamePicture(dir.file("o.png"), ansiloveRender(path, theirs), ours[2]);
    }
}

// Typed out, the screen at T is ansilove's picture of the bytes that have arrived by T, for a piece
// that fits one screen; rows the art has not reached yet are black.
TEST_F(SceneRender, ScreenAtTimeIsAnsilovesPictureOfTheBytesReceived)
{
    const std::string font = ansiloveFontFile(dir, 16);
    std::string path;
    for (const std::string& piece : examplePieces()) {
        if (piece.ends_with("cl!-al05.ans")) path = piece;
    }
    ASSERT_FALSE(path.empty());
    const std::vector<std::uint8_t> bytes = readBytes(path);
    for (const double seconds : {0.5, 1.26, 3.0, 5.5}) {
        const std::uint64_t frame = static_cast<std::uint64_t>(std::floor(seconds * 24));
        const std::uint64_t received = AnsiTyping::bytesAtFrame(frame, 9600);
        ASSERT_EQ(received, static_cast<std::uint64_t>(frame * 9600 / 240));
        const std::string prefix = dir.write("prefix.ans", {bytes.begin(), bytes.begin() + std::ptrdiff_t(received)});
        const ReferencePicture reference = ansiloveRender(prefix, {});
        const KvqRun run = kvq({"render", path, "--baud", "9600", "--time", std::to_string(seconds), "--font", font,
                                "-o", dir.file("t.png")});
        ASSERT_EQ(run.status, 0) << run.err;
        expectSamePicture(dir.file("t.png"), reference, std::to_string(seconds) + " s", 25 * 16 - reference.height);
    }
}

// A piece that brings its own font and palette is drawn with them where no --font is given.
TEST_F(SceneRender, XbinWithItsOwnFontAndPaletteIsAnsilovesPicture)
{
    std::vector<std::uint8_t> file{'X', 'B', 'I', 'N', 0x1A, 16, 0, 16, 0, 12, 0x01 | 0x02 | 0x08};
    for (int i = 0; i < 48; ++i) file.push_back(static_cast<std::uint8_t>((i * 23 + 5) % 64));
    for (int i = 0; i < 256 * 12; ++i) file.push_back(static_cast<std::uint8_t>(i * 131 + (i >> 5)));
    for (int i = 0; i < 256; ++i) file.insert(file.end(), {std::uint8_t((i * 37 + 3) & 0xFF), std::uint8_t(i)});
    const std::string path = dir.write("own.xb", file);
    const KvqRun run = kvq({"render", path, "-o", dir.file("x.png")});
    ASSERT_EQ(run.status, 0) << run.err;
    expectSamePicture(dir.file("x.png"), ansiloveRender(path, {}), path);
}

}  // namespace

// Pictures of any palette come out as drawn: indexed up to 256 colours, RGB beyond.
TEST(SceneCommands, PngHoldsThePixelsDrawnForAnyPalette)
{
    for (const std::size_t colours : {2u, 16u, 256u, 300u}) {
        std::mt19937 random(static_cast<unsigned>(colours));
        CellPicture picture;
        picture.columns = 7;
        picture.rows = 19;  // more than a band of rows
        picture.palette.resize(colours);
        for (auto& colour : picture.palette) colour = random() & 0xFFFFFF;
        for (int i = 0; i < picture.columns * picture.rows; ++i) {
            picture.cells.push_back(Cell{std::uint16_t(random() % 256), std::uint16_t(random() % colours),
                                         std::uint16_t(random() % colours), 0});
        }
        CellFont font;
        font.height = 14;
        font.rows.resize(256 * 14);
        for (auto& row : font.rows) row = static_cast<std::uint8_t>(random());
        TempDir dir;
        const std::string png = dir.write("p.png", scenePicturePng(picture, font, 9, "p"));
        expectSamePicture(png, drawnPicture(picture, font, 9), std::to_string(colours) + " colours");
    }
}

TEST(SceneCommands, InfoTellsSauceAndTheTimeToTypeItOut)
{
    TempDir dir;
    SauceFields fields;
    fields.title = "Caf\x82";
    fields.author = "someone";
    fields.group = "a group";
    fields.date = "20240131";
    fields.flags = 0x01 | (2 << 1);  // iCE colours, 9 pixels
    fields.info2 = 0;
    fields.comments = {"first comment"};
    const std::vector<std::uint8_t> file = withSauce(bytesOf("hi\r\n"), fields);
    const std::string path = dir.write("piece.ans", file);
    const KvqRun run = kvq({"info", path, "--baud", "300"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* line : {": ANSI, 80x1 cells\n", "  title: Caf\u00e9\n", "  author: someone\n",
                             "  group: a group\n", "  date: 2024-01-31\n", "  font: IBM VGA\n",
                             "  comment: first comment\n", "  letter spacing: 9 pixels\n", "  iCE colours: yes",
                             // 4 bytes of 10 bits at 300 a second; frame n has floor(1.25 n), so the
                             // last arrives in frame 4.
                             "  typed out at 300 baud: 0:00:00.13, 5 frames at 24 a second\n"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << "wanted '" << line << "' in:\n" << run.out;
    }
}

TEST(SceneCommands, RefusalsAreOneLine)
{
    TempDir dir;
    const std::string art = dir.write("a.ans", {'h', 'i', 0x1B, '[', '5', 'm', '!'});
    const std::string frames = dir.write("f.kvq", std::vector<std::uint8_t>(kFrame, 'x'));
    const std::string font = dir.write("test", fontFile(256));
    const std::string out = dir.file("o.png");
    for (const auto& [arguments, cause, status] : std::vector<std::tuple<std::vector<std::string>, std::string, int>>{
             {{"render", art, "--time", "1", "-o", out}, "--time goes with --baud", 2},
             {{"render", art, "--baud", "0", "-o", out}, "--baud takes bits a second", 2},
             {{"render", art, "--letter-spacing", "10", "-o", out}, "--letter-spacing takes 8 or 9", 2},
             {{"render", art, "--columns", "0", "-o", out}, "--columns takes a width", 2},
             {{"render", art, "--baud", "300", "--frame", "1", "--time", "1", "-o", out}, "give one", 2},
             {{"render", frames, "--baud", "300", "--font", font, "--frame", "0", "-o", out},
              "goes only with scene art",
              2},
             {{"info", frames, "--baud", "300"}, "--baud goes only with scene art", 2},
             {{"render", art, "--frame", "1", "-o", out}, "a.ans: there is no frame 1; still art has one", 1},
             {{"render", art, "--baud", "300", "--frame", "99", "-o", out}, "a.ans: there is no frame 99", 1},
             {{"render", art, "--font", dir.write("odd", std::vector<std::uint8_t>(1000)), "-o", out},
              "odd: not a font",
              1},
             {{"render", art, "--font", dir.file("none"), "-o", out}, "none: cannot open", 1}}) {
        expectRefused(dir.path(), arguments, cause, status);
    }
}

TEST(SceneCommands, TypedOutFramesEndWithTheLastByteAndBlinkLitInStills)
{
    TempDir dir;
    // 7 bytes at 300 baud, 30 a second: frame n has floor(1.25 n) of them, the last in frame 6.
    const std::string art = dir.write("a.ans", {'h', 'i', 0x1B, '[', '5', 'm', '!'});
    ArtworkOptions typed;
    typed.baud = 300;
    const auto artwork = openArtwork(art, typed);
    EXPECT_EQ(artwork->frameCount(), 7u);
    EXPECT_TRUE(artwork->blinks());
    EXPECT_EQ(artwork->heightPixels(), 25 * 16);
    ASSERT_NE(artwork->cells(5), nullptr);
    EXPECT_EQ(artwork->cells(5)->at(0, 2).code, ' ');
    ASSERT_NE(artwork->cells(6), nullptr);
    EXPECT_EQ(artwork->cells(6)->at(0, 2).code, '!');
    EXPECT_EQ(artwork->cells(7), nullptr);
    ASSERT_NE(artwork->cells(0), nullptr);
    EXPECT_EQ(artwork->cells(0)->at(0, 0).code, ' ');
    const auto still = openArtwork(art, {});
    EXPECT_EQ(still->frameCount(), 1u);
    EXPECT_EQ(still->description(), "ANSI, 80x1 cells");
    std::vector<std::uint32_t> lit, dark;
    ASSERT_TRUE(drawArtworkFrame(*still, 0, true, lit));
    ASSERT_TRUE(drawArtworkFrame(*still, 0, false, dark));
    EXPECT_NE(lit, dark);
}
