// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "scene/cell_picture.h"
#include "scene/scene_piece.h"

// An ANSI (or PCBoard) piece typed out at a line's speed: the screen of the art's width and 25 rows
// that a terminal shows after the first n bytes, scrolled as ANSI.SYS scrolls it.
class AnsiTyping {
public:
    static constexpr int kScreenRows = 25;
    static constexpr int kBitsPerByte = 10;

    explicit AnsiTyping(const ScenePiece& piece);
    ~AnsiTyping();

    std::uint64_t byteCount() const;  // the art's bytes, up to the SUB that ends it
    // The screen after the first `bytes` bytes; quick for any order of calls.
    const CellPicture& screenAfter(std::uint64_t bytes);
    // Whether any screen on the way has a blinking cell, where the finished picture may have none.
    bool everBlinks();

    // Bytes received by frame `frame` at `baud` bits a second and 24 frames a second.
    static std::uint64_t bytesAtFrame(std::uint64_t frame, int baud);
    // Frames until every byte has arrived, the last one included.
    static std::uint64_t framesFor(std::uint64_t bytes, int baud);

private:
    struct State;
    std::unique_ptr<State> state_;
};
