// SPDX-License-Identifier: MIT
#include <string>

#include "kvq/common/command.h"
#include "kvq/common/tool_error.h"
#include "kvq/info/file_report.h"

namespace {

const std::string kHelp = std::string(
                              "Usage: kvq info [--as frames|font] FILE\n"
                              "\n"
                              "Tells what the player makes of a file. For a frame file: the number of frames, the\n"
                              "length at 24 frames per second, and any trailing bytes that do not make a whole\n"
                              "2400-byte frame, with what the player does with them (30 or more become one more frame\n"
                              "whose remaining cells repeat the previous frame; fewer are ignored). For a font file:\n"
                              "whether it has the expected 8192 bytes, and what a shorter or longer one means.\n"
                              "\n"
                              "  --as frames|font   read FILE as this kind instead of guessing\n"
                              "\n") +
                          kFileKindGuessRule +
                          "\n"
                          "\n"
                          "An empty file is described as such. A missing or unreadable file, or one whose kind\n"
                          "cannot be told, ends with status 1.\n";

FileKind kindNamed(const std::optional<std::string>& name)
{
    if (!name) return FileKind::Guess;
    if (*name == "frames") return FileKind::Frames;
    if (*name == "font") return FileKind::Font;
    throw UsageError("--as takes 'frames' or 'font', not '" + *name + "'");
}

constexpr ValueOption kOptions[] = {{"as", ""}};

int run(const ParsedArguments& parsed, std::ostream& out)
{
    parsed.requirePositionalCount(1, "the file to describe");
    describeFile(parsed.positional[0], kindNamed(parsed.option("as")), out);
    return 0;
}

const Command kCommand{"info", "tell what the player makes of a frame file or a font file", kHelp, kOptions, run};

}  // namespace

const Command& infoCommand() { return kCommand; }
