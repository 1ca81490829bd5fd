// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "audio/soundtrack.h"

// What is said of a soundtrack that cannot be heard, a line each, without the program's name;
// nothing when it plays. `name` is the file as the person knows it. The player and the review
// player say the same.
std::vector<std::string> soundtrackReports(const std::string& name, const SoundtrackStart& sound);
