// SPDX-License-Identifier: MIT
#include "scene/scene_piece.h"

#include <gtest/gtest.h>

#include "scene_test_support.h"

namespace {

std::vector<std::uint8_t> prefixed(const std::string& prefix, std::size_t size)
{
    std::vector<std::uint8_t> bytes = bytesOf(prefix);
    bytes.resize(size, 0x07);
    return bytes;
}

TEST(RecogniseScene, ByContentFirst)
{
    EXPECT_EQ(recogniseScene(prefixed("XBIN\x1a", 100), "art.ans"), SceneFormat::xbin);
    EXPECT_EQ(recogniseScene(prefixed("\x18TUNDRA24", 100), "art.txt"), SceneFormat::tundra);
    EXPECT_EQ(recogniseScene(prefixed("\0041.4", 100), "x"), SceneFormat::icedraw);
    EXPECT_EQ(recogniseScene(prefixed("\0041.0", 100), "x"), SceneFormat::icedraw);
    EXPECT_EQ(recogniseScene(prefixed("\x01", 1 + 192 + 4096 + 160), "noname"), SceneFormat::artworx);
    EXPECT_EQ(recogniseScene(prefixed("\x01", 1 + 192 + 4096 + 160), "art.adf"), SceneFormat::artworx);
    // A version byte of 1 is a smiley in a text piece: the name decides.
    EXPECT_EQ(recogniseScene(prefixed("\x01", 1 + 192 + 4096 + 160), "smile.ans"), SceneFormat::ansi);
    EXPECT_EQ(recogniseScene(prefixed("\x01", 1 + 192 + 4096 + 161), "noname"), std::nullopt);
}

TEST(RecogniseScene, BySauceSecond)
{
    SauceFields fields;
    const auto typed = [&](std::uint8_t data, std::uint8_t file) {
        fields.data_type = data;
        fields.file_type = file;
        return recogniseScene(withSauce(bytesOf("art"), fields), "piece.dat");
    };
    for (const auto& [data, file, format] :
         std::vector<std::tuple<int, int, std::optional<SceneFormat>>>{{1, 0, SceneFormat::ansi},
                                                                       {1, 2, SceneFormat::ansi},
                                                                       {1, 4, SceneFormat::pcboard},
                                                                       {1, 8, SceneFormat::tundra},
                                                                       {5, 80, SceneFormat::bin},
                                                                       {6, 0, SceneFormat::xbin},
                                                                       {8, 0, std::nullopt}})
        EXPECT_EQ(typed(data, file), format) << data << " " << file;
    fields.data_type = 1;
    fields.file_type = 4;
    EXPECT_EQ(recogniseScene(withSauce(bytesOf("art"), fields), "piece.ans"), SceneFormat::pcboard)
        << "the record before the name";
}

TEST(RecogniseScene, ByExtensionLast)
{
    const auto art = bytesOf("hello\r\n");
    for (const char* name : {"a.ans", "a.ASC", "FILE_ID.DIZ", "a.nfo", "a.txt", "dir.x/a.Ans"})
        EXPECT_EQ(recogniseScene(art, name), SceneFormat::ansi) << name;
    for (const auto& [name, format] : std::vector<std::pair<const char*, SceneFormat>>{{"a.pcb", SceneFormat::pcboard},
                                                                                       {"a.bin", SceneFormat::bin},
                                                                                       {"a.xb", SceneFormat::xbin},
                                                                                       {"a.adf", SceneFormat::artworx},
                                                                                       {"a.idf", SceneFormat::icedraw},
                                                                                       {"a.tnd", SceneFormat::tundra}})
        EXPECT_EQ(recogniseScene(art, name), format) << name;
    for (const char* name : {"quorva2.kvq", "test", "a.png", "ans", "dir.ans/file", "a."})
        EXPECT_EQ(recogniseScene(art, name), std::nullopt) << name;
}

// kvq's own frames are whole 2400-byte frames of codes, without a record, an escape or a line feed.
TEST(RecogniseScene, OwnFramesAreNotScene)
{
    std::vector<std::uint8_t> frames = randomBytes(4800, 7);
    for (std::uint8_t& byte : frames)
        if (byte == 0x1B || byte == 0x0A) byte = 0x20;
    EXPECT_EQ(recogniseScene(frames, "frames.txt"), std::nullopt);
    EXPECT_EQ(recogniseScene(frames, "quorva2.kvq"), std::nullopt);
    frames[100] = 0x0A;
    EXPECT_EQ(recogniseScene(frames, "frames.txt"), SceneFormat::ansi) << "a text of that size";
    frames.pop_back();
    frames[100] = 0x20;
    EXPECT_EQ(recogniseScene(frames, "frames.txt"), SceneFormat::ansi) << "not whole frames";
}

TEST(ReadScenePiece, AnsiWithItsSauceUnlessOptionsOverride)
{
    SauceFields fields;
    fields.info1 = 40;
    fields.flags = 0x01 | 0x04;
    fields.title = "Piece";
    fields.font_name = "IBM VGA50";
    const auto file = withSauce(bytesOf("\x1b[5;41mab"), fields);
    const ScenePiece piece = readScenePiece(file, "p.ans", SceneOptions{});
    EXPECT_EQ(piece.format, SceneFormat::ansi);
    EXPECT_EQ(piece.picture.columns, 40);
    EXPECT_EQ(piece.picture.rows, 1);
    EXPECT_TRUE(piece.ice_colours);
    EXPECT_EQ(piece.picture.at(0, 0).background, 12);
    EXPECT_EQ(piece.letter_spacing, 9);
    EXPECT_EQ(piece.font_name, "IBM VGA50");
    ASSERT_TRUE(piece.sauce);
    EXPECT_EQ(piece.sauce->title, "Piece");
    EXPECT_EQ(piece.art, bytesOf("\x1b[5;41mab")) << "the bytes before SUB and the record";
    const ScenePiece chosen = readScenePiece(file, "p.ans", SceneOptions{100, false, 8});
    EXPECT_EQ(chosen.picture.columns, 100);
    EXPECT_FALSE(chosen.ice_colours);
    EXPECT_EQ(chosen.picture.at(0, 0).background, 4);
    EXPECT_EQ(chosen.picture.at(0, 0).flags, Cell::kBlinks);
    EXPECT_EQ(chosen.letter_spacing, 8);
}

// Without a SUB before it, ansilove draws a comment block and the record as text, and without
// comments it drops the art's last byte; the record is never art, and every byte of the art is.
TEST(ReadScenePiece, RecordWithoutSubIsNotArt)
{
    SauceFields fields;
    fields.comments = {"hello"};
    const ScenePiece commented = readScenePiece(withSauce(bytesOf("abc"), fields, false), "p.ans", {});
    EXPECT_EQ(commented.picture.rows, 1);
    EXPECT_EQ(rowText(commented.picture, 0), "abc");
    const ScenePiece bare = readScenePiece(withSauce(bytesOf("abc"), SauceFields{}, false), "p.ans", {});
    EXPECT_EQ(rowText(bare.picture, 0), "abc");
}

TEST(ReadScenePiece, SauceThatLiesAboutTheWidth)
{
    SauceFields fields;
    fields.info1 = 65535;
    EXPECT_EQ(readScenePiece(withSauce(bytesOf("ab"), fields), "p.ans", {}).picture.columns, 80);
    fields.info1 = 0;
    EXPECT_EQ(readScenePiece(withSauce(bytesOf("ab"), fields), "p.ans", {}).picture.columns, 80);
}

// One line, no file name, for every kind of bad input.
TEST(ReadScenePiece, RefusalsAreOneLine)
{
    const auto refusal = [](const std::vector<std::uint8_t>& file, const std::string& name,
                            const SceneOptions& options) -> std::string {
        try {
            readScenePiece(file, name, options);
        } catch (const SceneError& error) {
            return error.what();
        }
        return "";
    };
    const std::vector<std::string> messages{
        refusal({}, "empty.ans", {}),
        refusal(withSauce({}, SauceFields{}), "only-a-record.ans", {}),
        refusal(bytesOf("x"), "frames.kvq", {}),
        refusal(bytesOf("x"), "a.ans", SceneOptions{0, {}, {}}),
        refusal(bytesOf("x"), "a.ans", SceneOptions{5000, {}, {}}),
        refusal(bytesOf("x"), "a.ans", SceneOptions{{}, {}, 7}),
    };
    for (const std::string& message : messages) {
        EXPECT_FALSE(message.empty());
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
}

// Truncated or garbled text pieces give a picture, never a refusal or a crash.
TEST(ReadScenePiece, DamagedTextGivesBestEffort)
{
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        const std::vector<std::uint8_t> bytes = randomBytes(3000, seed);
        const ScenePiece piece = readScenePiece(bytes, "noise.ans", {});
        EXPECT_GE(piece.picture.rows, 1);
        EXPECT_EQ(piece.picture.cells.size(), static_cast<std::size_t>(piece.picture.rows) * piece.picture.columns);
        for (const Cell& cell : piece.picture.cells) {
            ASSERT_LT(cell.foreground, piece.picture.palette.size());
            ASSERT_LT(cell.background, piece.picture.palette.size());
        }
    }
    const std::string truncated = "\x1b[1;31mab\x1b[2";
    EXPECT_EQ(rowText(readScenePiece(bytesOf(truncated), "t.ans", {}).picture, 0), "ab") << "ESC [ 2 dropped";
}

}  // namespace
