// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "audio/soundtrack.h"
#include "content/player_file.h"

// What is said of a file that cannot be used, or only in part, and what follows from it: a line
// each, without the program's name; nothing when all is well. `name` is the file as the person
// knows it. The player and the review player say the same.
std::string fontReport(const std::string& name, const FileProblem& problem);
std::string framesReport(const std::string& name, const FileProblem& problem, std::size_t frames_kept);
std::vector<std::string> soundtrackReports(const std::string& name, const SoundtrackStart& sound);
