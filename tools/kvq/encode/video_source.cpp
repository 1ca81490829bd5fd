// SPDX-License-Identifier: MIT
#include <filesystem>
#include <string>

#include "content/player_folder.h"
#include "kvq/common/tool_error.h"
#include "kvq/encode/glyph_matcher.h"
#include "kvq/encode/luminance.h"
#include "kvq/encode/picture_source.h"
#include "kvq/files/child_process.h"

namespace {

// The pictures at the player's rate and size, with the shape kept between black bars.
std::string fitFilter(int every)
{
    const std::string size = std::to_string(kPictureWidth) + ":" + std::to_string(kPictureHeight);
    std::string rate = std::to_string(kFramesPerSecond);
    if (every > 1) rate.append("/").append(std::to_string(every));
    return "fps=" + rate + ",scale=" + size + ":force_original_aspect_ratio=decrease:flags=area,pad=" + size +
           ":(ow-iw)/2:(oh-ih)/2:black";
}

// ffmpeg does the decoding, the 24-per-second timing and the fitting; the luminance is ours, so
// that video and images are measured alike.
class VideoSource final : public PictureSource {
public:
    VideoSource(const std::string& path, int every)
        : ffmpeg_({"ffmpeg", "-nostdin", "-v", "error", "-i", ffmpegFileName(path), "-an", "-sn", "-vf",
                   fitFilter(every), "-f", "rawvideo", "-pix_fmt", "rgb24", "-"},
                  ChildProcess::Pipe::from_its_output, "ffmpeg"),
          rgb_(kPicturePixels * 3)
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
        luminance.resize(kPicturePixels);
        rgbToLuminance(rgb_, luminance);
        return true;
    }

private:
    ChildProcess ffmpeg_;
    std::vector<std::uint8_t> rgb_;
    bool ended_ = false;
};

}  // namespace

std::unique_ptr<PictureSource> openVideoSource(const std::string& path, int every)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) throw ToolError(path + ": no such video file");
    return std::make_unique<VideoSource>(path, every);
}
