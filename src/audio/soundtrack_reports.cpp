// SPDX-License-Identifier: MIT
#include "audio/soundtrack_reports.h"

std::vector<std::string> soundtrackReports(const std::string& name, const SoundtrackStart& sound)
{
    std::vector<std::string> lines;
    if (sound.file.kind != FileProblem::Kind::none)
        lines.push_back(name + ": " + describe(sound.file) + "; playing silent");
    if (!sound.output_open) lines.push_back("no sound output could be opened; playing silent");
    if (sound.output_open && sound.file.kind == FileProblem::Kind::none && !sound.playing) {
        lines.push_back(name + ": cannot be decoded; playing silent");
    }
    return lines;
}
