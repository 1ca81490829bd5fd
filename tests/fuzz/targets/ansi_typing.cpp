// SPDX-License-Identifier: MIT
// ANSI art typed out at a baud: the screen after the bytes that arrived by frames the input picks,
// forwards and back, as a player seeks.
#include <iterator>

#include "scene/ansi_typing.h"
#include "scene_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const int kBauds[] = {300, 2400, 9600, 14400, 28800, 57600, 1, 100'000'000};
    FuzzInput input(data, size);
    // The first byte: the baud, and whether the art is PCBoard's rather than ANSI.
    const std::uint8_t first = input.byte();
    const int baud = kBauds[first % std::size(kBauds)];
    const char* name = first & 0x80 ? "art.pcb" : "art.ans";
    std::uint16_t asks[6];
    for (auto& ask : asks) ask = input.word();
    const SceneOptions options = fuzzedSceneOptions(input);
    try {
        const ScenePiece piece = readScenePiece(input.rest(), name, options);
        AnsiTyping typing(piece);
        const std::uint64_t frames = AnsiTyping::framesFor(typing.byteCount(), baud);
        for (const std::uint16_t ask : asks) {
            const std::uint64_t frame = ask % (frames + 2);
            const std::uint64_t bytes = AnsiTyping::bytesAtFrame(frame, baud);
            const CellPicture& screen = typing.screenAfter(bytes);
            if (screen.cells.size() != static_cast<std::size_t>(screen.columns) * screen.rows) __builtin_trap();
            for (const Cell& cell : screen.cells)
                if (cell.foreground >= screen.palette.size() || cell.background >= screen.palette.size())
                    __builtin_trap();
        }
        typing.everBlinks();
    } catch (const SceneError&) {
    }
    return 0;
}
