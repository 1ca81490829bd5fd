// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>

#include "content/regular_file.h"

// What is said of a file that cannot be used, or only in part, and what follows from it: a line
// each, without the program's name; nothing when all is well. `name` is the file as the person
// knows it. The player and the review player say the same (audio/soundtrack_reports.h for the
// soundtrack).
std::string fontReport(const std::string& name, const FileProblem& problem);
std::string framesReport(const std::string& name, const FileProblem& problem, std::size_t frames_kept);
