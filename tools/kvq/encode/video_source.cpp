// SPDX-License-Identifier: MIT
#include <filesystem>

#include "child_process.h"
#include "glyph_matcher.h"
#include "luminance.h"
#include "picture_source.h"
#include "tool_error.h"

namespace {

// ffmpeg does the decoding, the 24-per-second timing and the fitting; the luminance is ours, so
// that video and images are measured alike.
class VideoSource final : public PictureSource {
public:
    explicit VideoSource(const std::string& path)
        : ffmpeg_({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-an", "-sn", "-vf",
                   "fps=24,scale=640:480:force_original_aspect_ratio=decrease:flags=area,"
                   "pad=640:480:(ow-iw)/2:(oh-ih)/2:black",
                   "-f", "rawvideo", "-pix_fmt", "rgb24", "-"},
                  ChildProcess::Pipe::from_its_output, "ffmpeg"),
          rgb_(kPictureBytes * 3)
    {
    }

    bool next(std::vector<std::uint8_t>& luminance) override
    {
        if (ended_) return false;
        if (ffmpeg_.read(rgb_) < rgb_.size()) {
            ended_ = true;
            ffmpeg_.finish();  // throws with ffmpeg's own words when the video could not be read
            return false;
        }
        luminance.resize(kPictureBytes);
        for (std::size_t i = 0; i < kPictureBytes; ++i) {
            luminance[i] = static_cast<std::uint8_t>(luminanceOf(rgb_[3 * i], rgb_[3 * i + 1], rgb_[3 * i + 2]));
        }
        return true;
    }

private:
    ChildProcess ffmpeg_;
    std::vector<std::uint8_t> rgb_;
    bool ended_ = false;
};

}  // namespace

std::unique_ptr<PictureSource> openVideoSource(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) throw ToolError(path + ": no such video file");
    return std::make_unique<VideoSource>(path);
}
