// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// True when ffprobe finds a sound stream in the video.
bool videoHasSound(const std::string& video);
// The video's sound, cut to `seconds`, as an MP3 file at `mp3_path`. Throws a ToolError with
// ffmpeg's last word on failure.
void extractSoundtrack(const std::string& video, double seconds, const std::string& mp3_path);
