// SPDX-License-Identifier: MIT
#include "kvq/encode/soundtrack_extract.h"

#include <array>
#include <cstdio>

#include "kvq/files/child_process.h"

bool videoHasSound(const std::string& video)
{
    ChildProcess ffprobe({"ffprobe", "-v", "error", "-select_streams", "a", "-show_entries", "stream=codec_type", "-of",
                          "csv=p=0", video},
                         ChildProcess::Pipe::from_its_output, "ffmpeg");
    std::array<std::uint8_t, 256> answer{};
    const std::size_t got = ffprobe.read(answer);
    ffprobe.finish();
    return std::string(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(got)).find("audio") != std::string::npos;
}

void extractSoundtrack(const std::string& video, double seconds, const std::string& mp3_path)
{
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.3f", seconds);
    ChildProcess ffmpeg({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", video, "-vn", "-sn", "-map", "0:a:0", "-t",
                         duration, "-c:a", "libmp3lame", "-q:a", "4", "-ar", "44100", "-f", "mp3", mp3_path},
                        ChildProcess::Pipe::from_its_output, "ffmpeg");
    std::array<std::uint8_t, 4096> ignored{};
    while (ffmpeg.read(ignored) == ignored.size()) {
    }
    ffmpeg.finish();
}
