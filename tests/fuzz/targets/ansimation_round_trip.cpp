// SPDX-License-Identifier: MIT
// Frames written as an ANSImation and typed out again: at each frame's last byte the screen holds
// that frame, cell for cell (as the writer chose to send each code), and at the end the last one,
// its bottom-right cell too.
#include <optional>
#include <random>
#include <vector>

#include "fuzz_input.h"
#include "kvq/export/ansi_writer.h"
#include "scene/ansi_typing.h"
#include "scene/scene_piece.h"

namespace {

// All glyphs different but a few, so that some codes have an exact stand-in and some none.
GlyphTable fuzzGlyphs()
{
    std::vector<std::uint8_t> font(GlyphTable::kFileBytesRead, 0);
    std::mt19937 random(7);
    for (std::size_t code = 0; code < 128; ++code)
        for (std::size_t y = 0; y < 16; ++y) font[code * 32 + y] = static_cast<std::uint8_t>(random());
    for (std::size_t y = 0; y < 16; ++y) {
        font[0x0A * 32 + y] = font['A' * 32 + y];
        font[0x0D * 32 + y] = static_cast<std::uint8_t>(~font['B' * 32 + y]);
        font[0x1A * 32 + y] = font['C' * 32 + y];
    }
    GlyphTable glyphs;
    glyphs.fillFrom(font.data(), font.size());
    return glyphs;
}

bool screenShows(const CellPicture& screen, const TextFrame& frame, const AnsimationWriter& writer, bool corner)
{
    if (screen.columns != TextFrame::kColumns || screen.rows != TextFrame::kRows) return false;
    for (int cell = 0; cell < TextFrame::kCells - (corner ? 0 : 1); ++cell) {
        const AnsimationWriter::Sent& sent = writer.sentFor(frame.cells[static_cast<std::size_t>(cell)]);
        if (!sent.exact) continue;
        const Cell& shown = screen.cells[static_cast<std::size_t>(cell)];
        const int ink = sent.reversed ? AnsimationWriter::kPaperColour : AnsimationWriter::kInkColour;
        const int paper = sent.reversed ? AnsimationWriter::kInkColour : AnsimationWriter::kPaperColour;
        if (shown.code != sent.code || screen.palette[shown.foreground] != kVgaPalette[static_cast<std::size_t>(ink)] ||
            screen.palette[shown.background] != kVgaPalette[static_cast<std::size_t>(paper)])
            return false;
    }
    return true;
}

}  // namespace

// The input: a baud choice, a first frame (repeated to fill it), then for each later frame a count
// of changes and that many (cell, code) triples.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const GlyphTable glyphs = fuzzGlyphs();
    static const std::optional<int> kBauds[] = {std::nullopt, 2400, 9600, 300};
    FuzzInput input(data, size);
    const std::optional<int> baud = input.pick(kBauds);
    const std::uint8_t first_length = input.byte();
    std::vector<TextFrame> frames(1);
    for (int cell = 0; cell < TextFrame::kCells; ++cell) {
        const auto rest = input.rest();
        frames[0].cells[static_cast<std::size_t>(cell)] =
            rest.empty() || first_length == 0 ? 0x20
                                              : rest[static_cast<std::size_t>(cell % first_length) % rest.size()];
    }
    for (int skip = 0; skip < first_length; ++skip) input.byte();
    while (!input.rest().empty() && frames.size() < 24) {
        TextFrame next = frames.back();
        for (int changes = input.byte() % 32; changes > 0; --changes) {
            const std::uint16_t cell = input.word() % TextFrame::kCells;
            next.cells[cell] = input.byte();
        }
        frames.push_back(next);
    }

    AnsimationWriter writer(glyphs, baud);
    for (const TextFrame& frame : frames) writer.addFrame(frame);
    const std::vector<std::uint8_t> file = writer.finish("fuzz.kvq", "20261208");
    const std::vector<std::uint64_t>& ends = writer.frameEnds();
    if (ends.size() != frames.size()) __builtin_trap();

    const ScenePiece piece = readScenePiece(file, "fuzz.ans", {});
    AnsiTyping typing(piece);
    for (std::size_t i = 0; i < frames.size(); ++i)
        if (!screenShows(typing.screenAfter(ends[i]), frames[i], writer, false)) __builtin_trap();
    if (!screenShows(typing.screenAfter(typing.byteCount()), frames.back(), writer, true)) __builtin_trap();
    // At a baud, a frame whose bytes arrived by its time is on the screen then, padding and all.
    for (std::size_t i = 0; baud && i < frames.size(); ++i) {
        const std::uint64_t due = AnsiTyping::bytesAtFrame(i, *baud);
        if (ends[i] <= due && !screenShows(typing.screenAfter(due), frames[i], writer, false)) __builtin_trap();
    }
    return 0;
}
