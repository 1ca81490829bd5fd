// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "kvq/play/terminal/cell_tiles.h"
#include "kvq/play/terminal/pixel_painter.h"
#include "kvq/play/terminal/sixel_encoder.h"
#include "support/pixel_terminal_model.h"
#include "support/test_files.h"

namespace {

constexpr std::uint32_t kPaper = 0xE8CCA0, kInk = 0x171410;

struct Picture {
    int width, height;
    std::vector<std::uint32_t> pixels;
    std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// Paper with ink strokes and a few other colours, as a frame with the status line's colours has.
Picture makePicture(int width, int height, std::uint32_t seed)
{
    Picture picture{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width * height), kPaper)};
    std::mt19937 random(seed);
    const std::uint32_t others[] = {kInk, 0x000000, 0xFFFFFF, 0x0000AA, 0xAA5500, 0x55FF55, 0x808080, 0x123456};
    for (auto& pixel : picture.pixels) {
        const auto roll = random() % 16;
        if (roll < 4) pixel = others[roll == 3 ? random() % 8 : 0];
    }
    return picture;
}

// Whether a shown colour is the picture's within one level a channel: what sixel's percentages allow.
bool nearlyEqual(std::uint32_t shown, std::uint32_t colour)
{
    for (int shift = 0; shift <= 16; shift += 8) {
        if (std::abs(static_cast<int>((shown >> shift) & 0xFF) - static_cast<int>((colour >> shift) & 0xFF)) > 1) {
            return false;
        }
    }
    return true;
}

struct PaintCase {
    bool kitty;
    int scale, cell_width, cell_height;
};

// Named in test listings as what it is, not as its bytes.
void PrintTo(const PaintCase& c, std::ostream* out)
{
    *out << (c.kitty ? "kitty" : "sixel") << " " << c.scale << "x, cells " << c.cell_width << "x" << c.cell_height;
}

class Painting : public testing::TestWithParam<PaintCase> {
protected:
    void SetUp() override
    {
        painter = GetParam().kitty ? makeKittyPainter() : makeSixelPainter();
        where = {3, 2, GetParam().cell_width, GetParam().cell_height};
    }

    // Paints `picture` from a cursor elsewhere, checks that the cursor is back, and returns the
    // cells that received pixels, counted from the picture's corner.
    std::vector<bool> paint(const Picture& picture)
    {
        model.moveCursor(38, 7);
        const std::string bytes = painter->paint(picture.pixels, picture.width, picture.height, scale(), where);
        model.apply(bytes);
        EXPECT_EQ(model.cursorRow(), 38);
        EXPECT_EQ(model.cursorColumn(), 7);
        std::vector<bool> screen = model.takeTouched(), cells;
        for (int r = 0; r < geometry(picture).rows(); ++r) {
            for (int c = 0; c < geometry(picture).columns(); ++c) {
                cells.push_back(screen[static_cast<std::size_t>((where.row + r) * kColumns + where.column + c)]);
            }
        }
        // Nothing outside the picture's cells.
        EXPECT_EQ(std::count(screen.begin(), screen.end(), true), std::count(cells.begin(), cells.end(), true));
        return cells;
    }

    void expectShown(const Picture& picture)
    {
        const int s = scale();
        int wrong = 0;
        for (int y = 0; y < picture.height * s; ++y) {
            for (int x = 0; x < picture.width * s; ++x) {
                const std::uint32_t shown =
                    model.pixel(where.column * where.cell_width + x, where.row * where.cell_height + y);
                const std::uint32_t colour = picture.pixels[static_cast<std::size_t>(y / s * picture.width + x / s)];
                if (GetParam().kitty ? shown != colour : !nearlyEqual(shown, colour)) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0);
    }

    // The cells to send between two pictures, found pixel by pixel: per cell row, the span from its
    // first cell with a changed pixel to its last.
    std::vector<bool> spansOfChanges(const Picture& before, const Picture& after)
    {
        const CellGeometry g = geometry(after);
        std::vector<bool> changed(static_cast<std::size_t>(g.rows() * g.columns()), false);
        for (int y = 0; y < after.height * scale(); ++y) {
            for (int x = 0; x < after.width * scale(); ++x) {
                const std::size_t at = static_cast<std::size_t>(y / scale() * after.width + x / scale());
                if (before.pixels[at] != after.pixels[at]) {
                    changed[static_cast<std::size_t>(y / g.cell_height * g.columns() + x / g.cell_width)] = true;
                }
            }
        }
        for (int r = 0; r < g.rows(); ++r) {
            const auto row = changed.begin() + r * g.columns();
            const auto first = std::find(row, row + g.columns(), true);
            const auto last =
                std::find(std::make_reverse_iterator(row + g.columns()), std::make_reverse_iterator(row), true);
            if (first != row + g.columns()) std::fill(first, last.base(), true);
        }
        return changed;
    }

    int scale() const { return GetParam().scale; }
    CellGeometry geometry(const Picture& picture) const
    {
        return {picture.width, picture.height, scale(), where.cell_width, where.cell_height};
    }

    static constexpr int kColumns = 100;
    PixelTerminalModel model{kColumns, 40, GetParam().cell_width, GetParam().cell_height};
    std::unique_ptr<PixelPainter> painter;
    PixelPlacement where;
};

TEST_P(Painting, ShowsEachPictureSendingOnlyTheCellsThatChanged)
{
    // Not whole cells wide or high, so that the last column and row of cells are cut.
    Picture picture = makePicture(45, 31, 1);
    std::vector<bool> cells = paint(picture);
    EXPECT_EQ(std::count(cells.begin(), cells.end(), false), 0);
    expectShown(picture);

    const Picture unchanged = picture;
    EXPECT_EQ(painter->paint(picture.pixels, picture.width, picture.height, scale(), where), "");

    std::mt19937 random(2);
    for (int change = 0; change < 12; ++change) {
        const Picture before = picture;
        // A pixel, a stroke along a row, a block; on the edges too.
        const int x = static_cast<int>(random() % 45), y = static_cast<int>(random() % 31);
        picture.at(x, y) ^= 0x00FF00;
        if (change % 3 == 1) {
            for (int i = x; i < std::min(45, x + 9); ++i) picture.at(i, y) = kInk;
        }
        if (change % 3 == 2) {
            for (int j = 0; j < 5; ++j) picture.at(44, std::min(30, y + j)) = 0x0000AA;
            picture.at(0, 30) ^= 0xFFFFFF;
        }
        cells = paint(picture);
        // Every changed row's span is sent, and no row without a change; a lone pixel is its own
        // cells alone.
        const std::vector<bool> spans = spansOfChanges(before, picture);
        const int columns = geometry(picture).columns();
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const auto row = spans.begin() + static_cast<std::ptrdiff_t>(i) / columns * columns;
            EXPECT_TRUE(cells[i] ? std::find(row, row + columns, true) != row + columns : !spans[i])
                << "change " << change << ", cell " << i % columns << "," << i / columns;
        }
        if (change % 3 == 0) {
            EXPECT_EQ(cells, spans) << "change " << change;
        }
        expectShown(picture);
    }

    painter->forget();
    cells = paint(picture);
    EXPECT_EQ(std::count(cells.begin(), cells.end(), false), 0);
    expectShown(picture);
}

TEST_P(Painting, SendsAllAgainWhereThePictureMovesOrChangesSize)
{
    const Picture picture = makePicture(40, 20, 3);
    paint(picture);
    where.column += 4;
    std::vector<bool> cells = paint(picture);
    EXPECT_EQ(std::count(cells.begin(), cells.end(), false), 0);
    expectShown(picture);

    const Picture smaller = makePicture(30, 20, 3);
    cells = paint(smaller);
    EXPECT_EQ(std::count(cells.begin(), cells.end(), false), 0);
    expectShown(smaller);
}

INSTANTIATE_TEST_SUITE_P(Protocols, Painting,
                         testing::Values(PaintCase{false, 1, 8, 16}, PaintCase{false, 2, 6, 13},
                                         PaintCase{false, 3, 7, 15}, PaintCase{true, 1, 8, 16},
                                         PaintCase{true, 2, 6, 13}, PaintCase{true, 3, 7, 15}),
                         [](const auto& info) {
                             return std::string(info.param.kitty ? "Kitty" : "Sixel") + "Scale" +
                                    std::to_string(info.param.scale);
                         });

TEST(KittyPainter, SendsOneImageInPiecesChangesItInCommandsOfOnePieceAndTakesItOffAtTheEnd)
{
    auto painter = makeKittyPainter();
    EXPECT_EQ(painter->farewell(), "");
    // Noise compresses badly, so the image takes several pieces; in 200 colours, a PNG's palette.
    Picture picture{200, 100, std::vector<std::uint32_t>(20000)};
    std::mt19937 random(4);
    for (auto& pixel : picture.pixels) pixel = random() % 200 * 0x010101;
    PixelTerminalModel model(120, 40, 8, 16);
    const PixelPlacement where{1, 1, 8, 16};
    const std::string bytes = painter->paint(picture.pixels, 200, 100, 1, where);
    std::size_t pieces = 0;
    for (std::size_t at = bytes.find("\x1b_G"); at != std::string::npos; at = bytes.find("\x1b_G", at + 1)) ++pieces;
    EXPECT_GT(pieces, 2u);
    model.apply(bytes);
    // Changed noise of more than a piece: sent as changes of one piece each.
    for (int y = 10; y < 50; ++y) {
        for (int x = 0; x < 200; ++x) picture.at(x, y) = random() % 200 * 0x010101;
    }
    auto wrong = [&] {
        int count = 0;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 200; ++x) count += model.pixel(8 + x, 16 + y) != picture.at(x, y);
        }
        return count;
    };
    model.apply(painter->paint(picture.pixels, 200, 100, 1, where));
    EXPECT_EQ(wrong(), 0);
    painter->forget();
    model.apply(painter->paint(picture.pixels, 200, 100, 1, where));
    picture.at(5, 5) ^= 1;
    model.apply(painter->paint(picture.pixels, 200, 100, 1, where));
    EXPECT_EQ(model.images(), 1u);
    EXPECT_EQ(wrong(), 0);
    model.apply(painter->farewell());
    EXPECT_EQ(model.images(), 0u);
}

TEST(KittyPainter, SplitsAChangedRowOfMoreThanAPieceAcross)
{
    // In more colours than a PNG's palette: as compressed RGB.
    auto painter = makeKittyPainter();
    Picture picture{1500, 1, std::vector<std::uint32_t>(1500, kPaper)};
    PixelTerminalModel model(200, 2, 8, 16);
    model.apply(painter->paint(picture.pixels, 1500, 1, 1, {0, 0, 8, 16}));
    std::mt19937 random(6);
    for (auto& pixel : picture.pixels) pixel = random() & 0xFFFFFF;
    model.apply(painter->paint(picture.pixels, 1500, 1, 1, {0, 0, 8, 16}));
    int wrong = 0;
    for (int x = 0; x < 1500; ++x) wrong += model.pixel(x, 0) != picture.at(x, 0);
    EXPECT_EQ(wrong, 0);
}

TEST(SixelPainter, KeepsColoursThatLookAlikeInOneRegisterAndTakesTheNearestPastTheLast)
{
    // Paper, 255 colours twice each and 144 once each, each of these a few levels from one of the
    // 255: more colours than registers, the rarest taking the nearest register.
    Picture picture{32, 32, std::vector<std::uint32_t>(32 * 32, kPaper)};
    std::size_t at = 0;
    auto main = [](int i) { return static_cast<std::uint32_t>((i % 16) * 16 << 16 | (i / 16) * 16 << 8 | 0x40); };
    for (int i = 0; i < 255; ++i) picture.pixels[at++] = main(i), picture.pixels[at++] = main(i);
    for (int i = 0; i < 144; ++i) picture.pixels[at++] = main(i) + 3;
    // And one a level off the paper, which looks the same in percentages: no register of its own.
    picture.pixels.back() = kPaper + 1;

    PixelTerminalModel model(8, 4, 8, 16);
    const std::string bytes = makeSixelPainter()->paint(picture.pixels, 32, 32, 1, {0, 0, 8, 16});
    model.apply(bytes);
    EXPECT_NE(bytes.find("#255;"), std::string::npos);
    // The commonest colour is the background, whose pixels cost nothing.
    std::string paper = "#0;2";
    for (int shift = 16; shift >= 0; shift -= 8) {
        paper.push_back(';');
        paper += std::to_string(sixelPercent(kPaper >> shift & 0xFF));
    }
    EXPECT_NE(bytes.find(paper + "#"), std::string::npos);
    EXPECT_EQ(bytes.find("#256;"), std::string::npos);
    int far = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const std::uint32_t shown = model.pixel(x, y), colour = picture.at(x, y);
            far += !nearlyEqual(shown, colour);
            EXPECT_TRUE(nearlyEqual(shown, colour) || nearlyEqual(shown, colour - 3)) << x << "," << y;
        }
    }
    EXPECT_EQ(far, 144);
}

TEST(CellTiles, CoversCellsAPixelStraddlesAndJoinsRowsWhereFewUnchangedCellsAreAdded)
{
    // 6x13 cells at twice the size: a picture row at 6 is terminal rows 12-13, in two cell rows.
    const CellGeometry straddled{30, 20, 2, 6, 13};
    std::vector<std::uint32_t> before(600, 0), after(600, 0);
    after[6 * 30 + 4] = 1;  // terminal columns 8-9: cell 1
    after[6 * 30 + 2] = 1;  // terminal columns 4-5: cell 0
    EXPECT_EQ(changedCells(before, after, straddled), (std::vector<CellRect>{{0, 0, 2, 2}}));
    EXPECT_EQ(changedCells(after, after, straddled), std::vector<CellRect>{});
    EXPECT_EQ(changedCells({}, after, straddled), (std::vector<CellRect>{{0, 0, 10, 4}}));
    EXPECT_EQ(picturePixels({9, 2, 1, 2}, straddled), (TerminalPixels{54, 26, 6, 14}));

    // 8x16 cells: a cell is 128 picture pixels, so up to 23 unchanged ones join a row to the one above.
    const CellGeometry g{640, 64, 1, 8, 16};
    before.assign(640 * 64, 0);
    after = before;
    after[0] = 1;               // row 0, cell 0
    after[16 * 640 + 639] = 1;  // row 1, cell 79: 78 cells away, apart
    after[32 * 640 + 639] = 1;  // row 2, cell 79: the same span, joined
    after[48 * 640 + 600] = 1;  // row 3, cell 75: 12 cells added, joined
    EXPECT_EQ(changedCells(before, after, g), (std::vector<CellRect>{{0, 0, 1, 1}, {75, 1, 5, 3}}));
}

TEST(SixelEncoder, PicksThePercentShownNearestEachLevel)
{
    for (int level = 0; level < 256; ++level) {
        const int shown = PixelTerminalModel::shownLevel(sixelPercent(static_cast<std::uint8_t>(level)));
        for (int p = 0; p <= 100; ++p) {
            ASSERT_LE(std::abs(shown - level), std::abs(PixelTerminalModel::shownLevel(p) - level)) << level;
        }
        EXPECT_EQ(sixelShownLevel(sixelPercent(static_cast<std::uint8_t>(level))), shown);
    }
    EXPECT_EQ(PixelTerminalModel::shownLevel(sixelPercent(0xA0)), 0xA1);  // the paper's blue cannot be exact
}

TEST(SixelEncoder, WritesRunsAndSkipsTheBackgroundAndTrailingBlankBands)
{
    // 7 x 26: column 0 and a run of 5 in colour 1 in the first band, the second band background
    // only, colours 2 and 1 once each in the third, the last two background only.
    std::vector<std::uint16_t> indices(7 * 26, 0);
    for (int x = 2; x < 7; ++x) indices[static_cast<std::size_t>(x)] = 1;
    indices[7 * 1] = 1;
    indices[7 * 12 + 3] = 2;
    indices[7 * 13 + 3] = 1;
    const std::uint32_t palette[] = {0xFFFFFF, 0x000000, 0xFF0000};
    std::string out = "x";
    appendSixel(indices, 7, 26, palette, out);
    EXPECT_EQ(out,
              "x\x1bP0;0;0q\"1;1;7;26#0;2;100;100;100#1;2;0;0;0#2;2;100;0;0"
              "#1A?!5@--#2???@$#1???A\x1b\\");
}

// Reads an 8-bit RGB or RGBA PNG as 0x00RRGGBB pixels.
std::vector<std::uint32_t> readPng(const std::string& path, int& width, int& height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    width = static_cast<int>(image.width), height = static_cast<int>(image.height);
    std::vector<std::uint32_t> pixels;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        pixels.push_back(std::uint32_t{rgb[i]} << 16 | std::uint32_t{rgb[i + 1]} << 8 | rgb[i + 2]);
    }
    return pixels;
}

// An independent decoder (Debian's libsixel-bin) reads our images as we mean them, but for the
// background.
TEST(SixelEncoder, DecodesWithAnotherDecoder)
{
    if (std::system("command -v sixel2png >/dev/null 2>&1") != 0) GTEST_SKIP() << "sixel2png is not installed";
    TempDir dir;
    const Picture picture = makePicture(53, 29, 5);
    const std::string bytes = makeSixelPainter()->paint(picture.pixels, 53, 29, 1, {0, 0, 53, 29});
    // The image alone, without the cursor moves around it.
    const std::string image = bytes.substr(bytes.find("\x1bP"), bytes.find("\x1b\\") + 2 - bytes.find("\x1bP"));
    std::FILE* file = std::fopen(dir.file("in.six").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(image.data(), 1, image.size(), file);
    std::fclose(file);
    const std::string command = "sixel2png -i " + dir.file("in.six") + " -o " + dir.file("out.png");
    ASSERT_EQ(std::system(command.c_str()), 0);
    int width = 0, height = 0;
    const std::vector<std::uint32_t> decoded = readPng(dir.file("out.png"), width, height);
    ASSERT_EQ(width, 53);
    ASSERT_EQ(height, 29);
    int wrong = 0;
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        // It leaves what no colour sets as it is, where xterm fills it with register 0 (the paper).
        if (picture.pixels[i] == kPaper) continue;
        // libsixel rounds percentages to levels its own way: within two of the picture.
        for (int shift = 0; shift <= 16; shift += 8) {
            wrong += std::abs(static_cast<int>((decoded[i] >> shift) & 0xFF) -
                              static_cast<int>((picture.pixels[i] >> shift) & 0xFF)) > 2;
        }
    }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
