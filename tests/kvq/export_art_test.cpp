// SPDX-License-Identifier: MIT
// kvq export of the scene's art: how long a still piece lasts and how it blinks, GIFs in the
// piece's own colours (and past a table's 255), pictures of any size for the encoders, pages of
// colour cells, and the options that go with art alone.
#include <cmath>
#include <cstdio>
#include <string>

#include "content/player_folder.h"
#include "kvq/export/artwork_export.h"
#include "kvq/export/gif_writer.h"
#include "kvq/export/html_page.h"
#include "kvq/export/page_constants.h"
#include "render/cell_drawing.h"
#include "support/kvq_test_support.h"

namespace {

// One still picture of cells, some blinking, with a font of solid glyphs.
class StillArt : public Artwork {
public:
    StillArt()
    {
        picture_.columns = 4;
        picture_.rows = 2;
        picture_.cells.assign(8, Cell{0x41, 15, 1, 0});
        picture_.cells[5].flags = Cell::kBlinks;
        font_.height = 8;
        font_.rows.assign(256 * 8, 0);
        for (int y = 0; y < 8; y += 2) font_.rows[0x41 * 8 + y] = 0xF0;
    }
    std::string description() const override { return "still"; }
    int widthPixels() const override { return 32; }
    int heightPixels() const override { return 16; }
    std::uint64_t frameCount() const override { return 1; }
    bool blinks() const override { return true; }
    const CellPicture* cells(std::uint64_t) override { return &picture_; }
    const CellFont& font() const override { return font_; }
    int letterSpacing() const override { return 8; }

private:
    CellPicture picture_;
    CellFont font_;
};

// ANSI art written by the test: every foreground on every background, bold, blinking.
std::string colourPiece(const TempDir& dir)
{
    std::string art;
    for (int background = 0; background < 8; ++background) {
        for (int foreground = 0; foreground < 16; ++foreground) {
            art += "\x1b[0;" + std::string(foreground >= 8 ? "1;" : "") + std::to_string(30 + foreground % 8) + ";" +
                   std::to_string(40 + background) + (foreground == 3 ? ";5" : "") + "m\xdb\xb1" +
                   char('a' + foreground);
        }
        art += "\r\n";
    }
    return dir.write("colours.ans", std::vector<std::uint8_t>(art.begin(), art.end()));
}

}  // namespace

TEST(ArtExport, StillArtLastsAsLongAsItsSoundOrFiveSecondsAndBlinksByEachFramesTime)
{
    StillArt art;
    EXPECT_EQ(artworkLength(art, std::nullopt, true).frames, 120u);
    EXPECT_TRUE(artworkLength(art, std::nullopt, true).still);
    EXPECT_EQ(artworkLength(art, std::nullopt, false).frames, 1u);
    EXPECT_EQ(artworkLength(art, 2.01, false).frames, 49u);  // frames enough to cover the sound
    const ArtworkLength length = artworkLength(art, std::nullopt, true);
    std::vector<std::uint32_t> pixels;
    int lit_frames = 0;
    for (std::uint64_t frame = 0; frame < length.frames; ++frame) {
        ASSERT_TRUE(drawExportFrame(art, length, frame, pixels));
        ASSERT_EQ(pixels.size(), 32u * 16u);
        // The blinking cell (row 1, column 1) shows its glyph's top row only while lit.
        const bool lit = pixels[8 * 32 + 8] == kVgaPalette[15];
        EXPECT_EQ(lit, blinkLitAt(static_cast<double>(frame) / kFramesPerSecond)) << "frame " << frame;
        lit_frames += lit ? 1 : 0;
        EXPECT_EQ(pixels[0], kVgaPalette[15]) << "a cell that does not blink is always drawn";
    }
    EXPECT_GT(lit_frames, 40);
    EXPECT_LT(lit_frames, 80);
}

TEST(FfmpegArtExport, GifHoldsThePiecesOwnColoursAndDecodesToItsPicturesExactly)
{
    TempDir dir;
    const std::string piece = colourPiece(dir);
    const KvqRun run = kvq({"export", piece, "-o", dir.file("out.gif")});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(kvq({"export", piece, "-o", dir.file("lit.png")}).status, 0);
    const std::vector<std::uint8_t> gif = readBytes(dir.file("out.gif"));
    // The global table: the VGA sixteen in their order, then the transparent index's entry.
    ASSERT_GE(gif.size(), 13u + 32 * 3);
    EXPECT_EQ(gif[10] & 0x87, 0x84);  // a global table of 32 entries
    for (std::size_t index = 0; index < 16; ++index) {
        const std::uint32_t colour =
            std::uint32_t(gif[13 + index * 3]) << 16 | gif[14 + index * 3] << 8 | gif[15 + index * 3];
        EXPECT_EQ(colour, kVgaPalette[index]) << "entry " << index;
    }
    // Every picture is the piece drawn with its blinking cells lit, or dark, by turns.
    const std::string lit = commandOutput("convert '" + dir.file("lit.png") + "' -depth 8 rgb:-");
    const std::string pictures = commandOutput("ffmpeg -v error -nostdin -i '" + dir.file("out.gif") +
                                               "' -fps_mode passthrough -f rawvideo -pix_fmt rgb24 -");
    ASSERT_EQ(lit.size(), std::size_t{640} * 16 * 8 * 3);  // 80 columns, as ANSI is without SAUCE
    ASSERT_GE(pictures.size(), 2 * lit.size());
    EXPECT_EQ(pictures.substr(0, lit.size()), lit);
    const std::string dark = pictures.substr(lit.size(), lit.size());
    std::size_t changed = 0;
    for (std::size_t at = 0; at < lit.size(); ++at) changed += lit[at] != dark[at];
    EXPECT_GT(changed, 0u) << "the blinking cells went dark";
    EXPECT_LT(changed, lit.size() / 8) << "and only they";
}

TEST(FfmpegArtExport, GifColoursPastTheTableAreDrawnAsTheNearestKept)
{
    TempDir dir;
    std::vector<std::uint32_t> palette;
    for (std::uint32_t i = 0; i < 300; ++i) palette.push_back(i < 255 ? i << 16 : (i - 255) << 16 | 0x6400);
    {
        GifWriter writer(dir.file("many.gif"), 300, 1, palette);
        writer.addFrame(palette);
        writer.finish();
    }
    const std::string rgb =
        commandOutput("ffmpeg -v error -nostdin -i '" + dir.file("many.gif") + "' -f rawvideo -pix_fmt rgb24 -");
    ASSERT_EQ(rgb.size(), 900u);
    for (std::size_t x = 0; x < 300; ++x) {
        const std::uint32_t expected = x < 255 ? palette[x] : palette[x - 255];  // (r, 100, 0) is nearest (r, 0, 0)
        const std::uint32_t got = std::uint32_t(static_cast<unsigned char>(rgb[3 * x])) << 16 |
                                  std::uint32_t(static_cast<unsigned char>(rgb[3 * x + 1])) << 8 |
                                  static_cast<unsigned char>(rgb[3 * x + 2]);
        EXPECT_EQ(got, expected) << "pixel " << x;
    }
}

TEST(FfmpegArtExport, OddSizedPiecesArePaddedWithBlackForTheEncodersAndY4mKeepsTheirSize)
{
    TempDir dir;
    const std::string art = "\x1b[1;37;41mab\x1b[0mc\r\n";
    const std::string piece = dir.write("odd.ans", std::vector<std::uint8_t>(art.begin(), art.end()));
    const std::vector<std::string> odd = {"--columns", "3", "--letter-spacing", "9"};
    std::vector<std::string> arguments = {"export", piece, "-o", dir.file("odd.mp4")};
    arguments.insert(arguments.end(), odd.begin(), odd.end());
    ASSERT_EQ(kvq(arguments).status, 0);
    EXPECT_EQ(commandOutput("ffprobe -v error -show_entries stream=width,height,nb_frames -of csv=p=0 '" +
                            dir.file("odd.mp4") + "'"),
              "28,16,120\n");
    arguments[3] = dir.file("odd.y4m");
    ASSERT_EQ(kvq(arguments).status, 0);
    const std::vector<std::uint8_t> y4m = readBytes(dir.file("odd.y4m"));
    EXPECT_EQ(std::string(y4m.begin(), y4m.begin() + 20), "YUV4MPEG2 W27 H16 F2");
}

TEST(ArtExport, PagesOfArtCarryTheirCellsPaletteAndLayout)
{
    TempDir dir;
    const std::string piece = colourPiece(dir);
    ASSERT_EQ(kvq({"export", piece, "--letter-spacing", "9", "-o", dir.file("still.html")}).status, 0);
    const std::vector<std::uint8_t> page = readBytes(dir.file("still.html"));
    const std::string html(page.begin(), page.end());
    for (const std::string field :
         {"\"format\":2", "\"still\":true", "\"frames\":1,", "\"columns\":80,", "\"rows\":8,", "\"fontHeight\":16,",
          "\"glyphs\":256,", "\"letterSpacing\":9,", "\"blinks\":true", "\"palette\":[0,170,43520,43690,11141120,"}) {
        EXPECT_NE(html.find(field), std::string::npos) << field << " in " << html.substr(html.find("kvq-meta"), 700);
    }
    ASSERT_EQ(kvq({"export", piece, "--baud", "9600", "-o", dir.file("typed.html")}).status, 0);
    const std::vector<std::uint8_t> typed = readBytes(dir.file("typed.html"));
    const std::string typed_html(typed.begin(), typed.end());
    EXPECT_NE(typed_html.find("\"still\":false"), std::string::npos);
    EXPECT_NE(typed_html.find("\"rows\":25,"), std::string::npos) << "a typed-out piece is a screen of 25 rows";
}

TEST(ArtExport, CellFramesArePackedPlaneByPlane)
{
    CellPicture picture;
    picture.columns = 2;
    picture.rows = 1;
    picture.cells = {Cell{0x1C4, 0x102, 0x203, Cell::kBlinks}, Cell{0x41, 7, 0, 0}};
    std::vector<std::uint8_t> packed;
    packCellFrame(picture, packed);
    EXPECT_EQ(packed.size(), cellFrameBytes(2, 1));
    EXPECT_EQ(packed, (std::vector<std::uint8_t>{0xC4, 0x41, 3, 0, 0x02, 7, 0x01, 0, 0x03, 0, 0x02, 0}));
}

TEST(ArtExport, OptionsOfArtAreRefusedForFramesAndBadValuesInOneLine)
{
    TempDir dir;
    const std::string frames = dir.write("anim.kvq", std::vector<std::uint8_t>(2400, 0x41));
    const std::string font = dir.write("test", randomBytes(8192, 3));
    expectRefused(dir.path(), {"export", frames, "--font", font, "--baud", "2400", "-o", dir.file("x.gif")},
                  "--baud goes only with a piece", 2);
    const std::string piece = colourPiece(dir);
    expectRefused(dir.path(), {"export", piece, "--baud", "0", "-o", dir.file("x.gif")}, "--baud takes", 2);
    expectRefused(dir.path(), {"export", piece, "--letter-spacing", "10", "-o", dir.file("x.gif")},
                  "--letter-spacing takes 8 or 9", 2);
    expectRefused(dir.path(), {"export", piece, "--title", "t", "-o", dir.file("x.gif")}, "--title goes only", 2);
    // A frame file's picture is its first frame as kvq render draws it.
    ASSERT_EQ(kvq({"export", frames, "--font", font, "-o", dir.file("frame.png")}).status, 0);
    ASSERT_EQ(kvq({"render", frames, "--font", font, "--frame", "0", "-o", dir.file("render.png")}).status, 0);
    EXPECT_EQ(commandOutput("compare -metric AE '" + dir.file("frame.png") + "' '" + dir.file("render.png") +
                            "' null: 2>&1; true"),
              "0");
}

TEST(ArtExport, ThePagesBlinkIsTheRasterisersToTheFrame)
{
    // The page computes floor(t * Hz / refreshes) % 2 from the numbers it is given; every frame's time
    // of an hour must light the same as blinkLitAt does.
    for (std::uint64_t frame = 0; frame < 3600 * 24; ++frame) {
        const double seconds = static_cast<double>(frame) / kFramesPerSecond;
        const bool page =
            static_cast<long long>(std::floor(seconds * kBlinkRefreshHz / kBlinkRefreshesPerHalf)) % 2 == 0;
        ASSERT_EQ(page, blinkLitAt(seconds)) << "frame " << frame;
    }
}
