// SPDX-License-Identifier: MIT
#include "content/file_reports.h"

#include "content/frame_file_shape.h"

std::string fontReport(const std::string& name, const FileProblem& problem)
{
    if (problem.kind == FileProblem::Kind::short_file) {
        return name + ": " + describe(problem) + ", too short for its 128 glyphs; the rest show blank";
    }
    if (problem.kind != FileProblem::Kind::none)
        return name + ": " + describe(problem) + "; every character shows as blank paper";
    return {};
}

std::string framesReport(const std::string& name, const FileProblem& problem, std::size_t frames_kept)
{
    if (problem.kind == FileProblem::Kind::out_of_memory) {
        return name + ": out of memory after " + std::to_string(frames_kept) + " of " +
               std::to_string(FrameFileShape::of(problem.bytes).frames()) + " frames; playing those";
    }
    if (problem.kind == FileProblem::Kind::cannot_open || problem.kind == FileProblem::Kind::not_regular) {
        return name + ": " + describe(problem) + "; nothing to play";
    }
    if (problem.kind == FileProblem::Kind::none && frames_kept == 0) return name + ": holds no frames; nothing to play";
    return {};
}
