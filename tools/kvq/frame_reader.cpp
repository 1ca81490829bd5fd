// SPDX-License-Identifier: MIT
#include "frame_reader.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "content/frame_list.h"
#include "frame_file_shape.h"
#include "input_file.h"
#include "tool_error.h"

namespace {

// A file in the temporary folder that is gone again when this goes out of scope.
class ScratchFile {
public:
    ScratchFile()
    {
        path_ = (std::filesystem::temp_directory_path() / "kvq-frame-XXXXXX").string();
        fd_ = ::mkstemp(path_.data());
        if (fd_ < 0) throw ToolError(systemErrorMessage(path_, "cannot create a scratch file", errno));
    }
    ~ScratchFile()
    {
        if (fd_ >= 0) ::close(fd_);
        ::unlink(path_.c_str());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    void writeAll(const std::vector<std::uint8_t>& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t written = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (written < 0 && errno == EINTR) continue;
            if (written < 0) throw ToolError(systemErrorMessage(path_, "cannot write a scratch file", errno));
            done += static_cast<std::size_t>(written);
        }
        ::close(fd_);
        fd_ = -1;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace

TextFrame readFrame(const std::string& path, std::uint64_t index)
{
    InputFile input(path);
    const FrameFileShape shape = frameFileShape(input.sizeBytes());
    if (index >= shape.frames()) {
        if (shape.frames() == 0) throw ToolError(path + ": holds no frames, so there is no frame " + std::to_string(index));
        throw ToolError(path + ": there is no frame " + std::to_string(index) + ": the file holds " +
                        std::to_string(shape.frames()) + " frames, numbered 0 to " + std::to_string(shape.frames() - 1));
    }

    // A short last frame takes its missing cells from the frame before it. Handing the player's
    // own loader just these two frames keeps that rule in one place while reading 4800 bytes,
    // not the whole file.
    const std::uint64_t first = index > 0 ? index - 1 : 0;
    const std::uint64_t start = first * kFrameBytes;
    const std::uint64_t end = std::min(input.sizeBytes(), (index + 1) * kFrameBytes);
    std::vector<std::uint8_t> window(static_cast<std::size_t>(end - start));
    if (input.readAt(start, window) < window.size()) throw ToolError(path + ": the file got shorter while being read");

    ScratchFile scratch;
    scratch.writeAll(window);
    FrameList frames;
    if (frames.load(scratch.path().c_str()) != 0 || frames.size() != index - first + 1) {
        throw ToolError(path + ": cannot load frame " + std::to_string(index));
    }
    return frames[frames.size() - 1];
}
