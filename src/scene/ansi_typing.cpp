// SPDX-License-Identifier: MIT
#include "scene/ansi_typing.h"

#include <algorithm>

#include "scene/ansi_interpreter.h"
#include "scene/text_readers.h"

namespace {

constexpr std::uint64_t kFramesPerSecond = 24;
constexpr std::uint64_t kMinInterval = 4096;
constexpr std::uint64_t kMaxCheckpoints = 256;

}  // namespace

// The interpreter's state every `interval` bytes, made as they are first needed, so that any
// screen is at most one interval of bytes away from a copy.
struct AnsiTyping::State {
    std::vector<std::uint8_t> art;
    std::uint64_t interval = kMinInterval;
    std::vector<AnsiInterpreter> checkpoints;  // [i]: after i * interval bytes
    AnsiInterpreter current;
    std::uint64_t position = 0;
    CellPicture shown;  // the screen with a sequence still arriving given up

    State(std::vector<std::uint8_t> bytes, const AnsiSettings& settings)
        : art(std::move(bytes)), checkpoints{AnsiInterpreter(settings)}, current(settings)
    {
        interval = std::max(kMinInterval, art.size() / kMaxCheckpoints + 1);
    }

    void advance(AnsiInterpreter& interpreter, std::uint64_t from, std::uint64_t to)
    {
        interpreter.feed(std::span<const std::uint8_t>(art).subspan(from, to - from));
    }

    void seek(std::uint64_t bytes)
    {
        if (bytes < position || bytes - position > interval) {
            const std::uint64_t wanted = bytes / interval;
            while (checkpoints.size() <= wanted) {
                AnsiInterpreter next = checkpoints.back();
                const std::uint64_t from = (checkpoints.size() - 1) * interval;
                advance(next, from, from + interval);
                checkpoints.push_back(std::move(next));
            }
            current = checkpoints[wanted];
            position = wanted * interval;
        }
        advance(current, position, bytes);
        position = bytes;
    }
};

AnsiTyping::AnsiTyping(const ScenePiece& piece)
{
    AnsiSettings settings = textSettings(piece, SceneOptions{});
    settings.columns = piece.picture.columns;
    settings.screen_rows = kScreenRows;
    std::vector<std::uint8_t> art = piece.art;
    // The art ends at its SUB; what follows is never typed.
    art.erase(std::find(art.begin(), art.end(), std::uint8_t{0x1A}), art.end());
    state_ = std::make_unique<State>(std::move(art), settings);
}

AnsiTyping::~AnsiTyping() = default;

bool AnsiTyping::everBlinks()
{
    state_->seek(state_->art.size());
    return state_->current.wroteBlinkingCell();
}

std::uint64_t AnsiTyping::byteCount() const { return state_->art.size(); }

const CellPicture& AnsiTyping::screenAfter(std::uint64_t bytes)
{
    state_->seek(std::min<std::uint64_t>(bytes, state_->art.size()));
    if (!state_->current.midSequence()) return state_->current.cells();
    // The screen shows the bytes received so far as a converter draws a file of them: a sequence
    // still arriving is drawn as one cut off, while the typing goes on from the state that waits.
    AnsiInterpreter shown = state_->current;
    shown.endOfInput();
    state_->shown = shown.cells();
    return state_->shown;
}

std::uint64_t AnsiTyping::bytesAtFrame(std::uint64_t frame, int baud)
{
    // floor(frame / 24 * baud / 10), without overflow for any frame a piece can have.
    const std::uint64_t per = kFramesPerSecond * kBitsPerByte;
    const auto rate = static_cast<std::uint64_t>(std::max(baud, 1));
    return frame / per * rate + frame % per * rate / per;
}

std::uint64_t AnsiTyping::framesFor(std::uint64_t bytes, int baud)
{
    const std::uint64_t per = kFramesPerSecond * kBitsPerByte;
    const auto rate = static_cast<std::uint64_t>(std::max(baud, 1));
    // The first frame that shows every byte, then one more: frames are counted from 0.
    const std::uint64_t last = bytes / rate * per + (bytes % rate * per + rate - 1) / rate;
    return last + 1;
}
