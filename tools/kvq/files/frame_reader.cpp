// SPDX-License-Identifier: MIT
#include "kvq/files/frame_reader.h"

#include <algorithm>
#include <vector>

#include "content/frame_file_shape.h"
#include "content/frame_list.h"
#include "kvq/cli/tool_error.h"
#include "kvq/files/input_file.h"

TextFrame readFrame(const std::string& path, std::uint64_t index)
{
    InputFile input(path);
    const FrameFileShape shape = FrameFileShape::of(input.sizeBytes());
    if (index >= shape.frames()) {
        if (shape.frames() == 0) throw ToolError(path + ": holds no frames, so there is no frame " + std::to_string(index));
        throw ToolError(path + ": there is no frame " + std::to_string(index) + ": the file holds " +
                        std::to_string(shape.frames()) + " frames, numbered 0 to " + std::to_string(shape.frames() - 1));
    }

    // A short last frame takes its missing cells from the frame before it. Handing the player's
    // own loader just these two frames keeps that rule in one place while reading 4800 bytes,
    // not the whole file.
    constexpr std::uint64_t kFrameBytes = FrameFileShape::kFrameBytes;
    const std::uint64_t first = index > 0 ? index - 1 : 0;
    const std::uint64_t start = first * kFrameBytes;
    const std::uint64_t end = std::min(input.sizeBytes(), (index + 1) * kFrameBytes);
    std::vector<std::uint8_t> window(static_cast<std::size_t>(end - start));
    if (input.readAt(start, window) < window.size()) throw ToolError(path + ": the file got shorter while being read");

    FrameList frames;
    frames.loadBytes(window);
    if (frames.size() != index - first + 1) throw ToolError(path + ": cannot load frame " + std::to_string(index));
    return frames[frames.size() - 1];
}
