// SPDX-License-Identifier: MIT
#include "kvq/encode/soundtrack_extract.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <sstream>
#include <string>

#include "kvq/files/child_process.h"

StreamKinds probeStreams(const std::string& video)
{
    ChildProcess ffprobe({"ffprobe", "-v", "error", "-show_entries", "stream=codec_type:format=duration", "-of",
                          "csv=p=0", "-i", ffmpegFileName(video)},
                         ChildProcess::Pipe::from_its_output, "ffmpeg");
    std::string answer;
    std::array<std::uint8_t, 4096> chunk{};
    for (std::size_t got = chunk.size(); got == chunk.size();) {
        got = ffprobe.read(chunk);
        answer.append(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
    }
    ffprobe.finish();
    StreamKinds kinds;
    std::istringstream lines(answer);
    for (std::string line; std::getline(lines, line);) {
        kinds.video |= line == "video";
        kinds.sound |= line == "audio";
        double seconds = 0;
        const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), seconds);
        if (error == std::errc() && end == line.data() + line.size() && seconds > 0) kinds.seconds = seconds;
    }
    return kinds;
}

void extractSoundtrack(const std::string& video, double seconds, const std::string& mp3_target)
{
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.3f", seconds);
    ChildProcess ffmpeg({"ffmpeg", "-nostdin", "-v",    "error", "-y",     "-i",      ffmpegFileName(video), "-vn",
                         "-sn",    "-map",     "0:a:0", "-t",    duration, "-c:a",    "libmp3lame",          "-q:a",
                         "4",      "-ar",      "44100", "-f",    "mp3",    mp3_target},
                        ChildProcess::Pipe::from_its_output, "ffmpeg");
    std::array<std::uint8_t, 4096> ignored{};
    while (ffmpeg.read(ignored) == ignored.size()) {}
    ffmpeg.finish();
}
