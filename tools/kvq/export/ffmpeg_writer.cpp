// SPDX-License-Identifier: MIT
#include "kvq/export/ffmpeg_writer.h"

#include <cstdio>

#include "content/player_folder.h"
#include "render/packed_picture.h"

namespace {

// The length of `frame_count` frames, rounded up to a microsecond so that cutting the sound
// there never shortens the picture.
std::string lengthSeconds(std::uint64_t frame_count)
{
    const std::uint64_t microseconds = (frame_count * 1'000'000 + kFramesPerSecond - 1) / kFramesPerSecond;
    char text[48];
    std::snprintf(text, sizeof text, "%llu.%06llu", static_cast<unsigned long long>(microseconds / 1'000'000),
                  static_cast<unsigned long long>(microseconds % 1'000'000));
    return text;
}

// 4:2:0 halves the chroma both ways, so the encoders take even sides only.
int evenSide(int side) { return side + (side & 1); }

std::vector<std::string> ffmpegArguments(VideoContainer container, const AtomicFile& output,
                                         const std::optional<std::string>& soundtrack, std::uint64_t frame_count,
                                         int width, int height)
{
    // Errors only, so that ChildProcess's last line of ffmpeg's messages is the reason it failed.
    std::vector<std::string> arguments = {"ffmpeg",
                                          "-hide_banner",
                                          "-nostdin",
                                          "-loglevel",
                                          "error",
                                          "-y",
                                          "-f",
                                          "rawvideo",
                                          "-pixel_format",
                                          "rgb24",
                                          "-video_size",
                                          std::to_string(evenSide(width)) + "x" + std::to_string(evenSide(height)),
                                          "-framerate",
                                          std::to_string(kFramesPerSecond),
                                          "-i",
                                          "pipe:0"};
    if (soundtrack) {
        // -t on the sound's input cuts only the sound: -shortest would also cut the picture short
        // when the soundtrack ends first.
        arguments.insert(arguments.end(), {"-t", lengthSeconds(frame_count), "-i", ffmpegFileName(*soundtrack)});
    }
    arguments.insert(arguments.end(), {"-map", "0:v:0"});
    if (soundtrack) arguments.insert(arguments.end(), {"-map", "1:a:0"});

    // 4:2:0 because that is what browsers and phones play; ffmpeg converts with the BT.601
    // matrix in studio range, tagged so, as for any picture of this size.
    const std::vector<std::string> picture = {"-pix_fmt", "yuv420p", "-colorspace", "smpte170m", "-color_range", "tv"};
    switch (container) {
    case VideoContainer::mp4:
    case VideoContainer::matroska:
        // "animation" tuning suits large flat areas with hard edges; CRF 18 keeps glyphs crisp.
        arguments.insert(arguments.end(), {"-c:v", "libx264", "-preset", "medium", "-tune", "animation", "-crf", "18"});
        arguments.insert(arguments.end(), picture.begin(), picture.end());
        if (soundtrack) arguments.insert(arguments.end(), {"-c:a", "aac", "-b:a", "160k"});
        if (container == VideoContainer::mp4) {
            // The index at the front lets a browser start playing before the whole file has come;
            // where the output cannot be sought in (a pipe, a device), fragments carry it instead.
            const char* flags = output.isDirect() ? "+frag_keyframe+empty_moov" : "+faststart";
            arguments.insert(arguments.end(), {"-movflags", flags, "-f", "mp4"});
        } else {
            arguments.insert(arguments.end(), {"-f", "matroska"});
        }
        break;
    case VideoContainer::webm:
        // VP9 in constant-quality mode (-b:v 0); row threading and speed 4 keep it from taking
        // minutes over a demo's worth of frames.
        arguments.insert(arguments.end(), {"-c:v", "libvpx-vp9", "-crf", "30", "-b:v", "0", "-deadline", "good",
                                           "-cpu-used", "4", "-row-mt", "1"});
        arguments.insert(arguments.end(), picture.begin(), picture.end());
        if (soundtrack) arguments.insert(arguments.end(), {"-c:a", "libopus", "-b:a", "128k"});
        arguments.insert(arguments.end(), {"-f", "webm"});
        break;
    }
    // The temporary name has no known ending, hence the explicit -f above.
    arguments.push_back(output.ffmpegTarget());
    return arguments;
}

}  // namespace

FfmpegWriter::FfmpegWriter(VideoContainer container, const std::string& path,
                           const std::optional<std::string>& soundtrack, std::uint64_t frame_count, int width,
                           int height)
    : file_(path),
      ffmpeg_(ffmpegArguments(container, file_, soundtrack, frame_count, width, height),
              ChildProcess::Pipe::to_its_input, "ffmpeg"),
      width_(width),
      height_(height),
      rgb_(static_cast<std::size_t>(evenSide(width)) * static_cast<std::size_t>(evenSide(height)) * 3, 0)
{
}

void FfmpegWriter::addFrame(std::span<const std::uint32_t> pixels)
{
    // An odd side gets one black column or row past the picture, which stays black in every frame.
    const std::size_t padded_row = static_cast<std::size_t>(evenSide(width_)) * 3;
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* rgb = rgb_.data() + static_cast<std::size_t>(y) * padded_row;
        const std::uint32_t* row = pixels.data() + static_cast<std::ptrdiff_t>(y) * width_;
        for (int x = 0; x < width_; ++x) {
            const std::uint32_t pixel = row[x];
            rgb[0] = static_cast<std::uint8_t>(pixel >> 16);
            rgb[1] = static_cast<std::uint8_t>(pixel >> 8);
            rgb[2] = static_cast<std::uint8_t>(pixel);
            rgb += 3;
        }
    }
    ffmpeg_.write(rgb_);
}

void FfmpegWriter::finish()
{
    ffmpeg_.finish();
    file_.commit();
}
