// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include <optional>

struct StreamKinds {
    bool video = false;
    bool sound = false;
    std::optional<double> seconds;  // how long the file says it lasts, where it says
};

// What ffprobe finds in the file: a picture stream, a sound stream, a duration. Throws a
// ToolError with ffprobe's last word when it cannot read the file.
StreamKinds probeStreams(const std::string& video);
// The video's sound, cut to `seconds`, as an MP3 file at `mp3_target` (as ffmpeg is to be given
// it). Throws a ToolError with ffmpeg's last word on failure.
void extractSoundtrack(const std::string& video, double seconds, const std::string& mp3_target);
