// SPDX-License-Identifier: MIT
#include <string>

#include "kvq/common/command.h"
#include "kvq/common/number_argument.h"
#include "kvq/common/tool_error.h"
#include "kvq/files/artwork.h"
#include "kvq/info/file_report.h"
#include "kvq/info/scene_report.h"

namespace {

const std::string kHelp =
    std::string(
        "Usage: kvq info [--as frames|font] [--baud N] FILE\n"
        "\n"
        "Tells what the player makes of a file. For a frame file: the number of frames, the\n"
        "length at 24 frames per second, and any trailing bytes that do not make a whole\n"
        "2400-byte frame, with what the player does with them (30 or more become one more frame\n"
        "whose remaining cells repeat the previous frame; fewer are ignored). For a font file:\n"
        "whether it has the expected 8192 bytes, and what a shorter or longer one means.\n"
        "\n"
        "Scene art (ANSI, PCBoard, BIN, XBIN, ArtWorx ADF, iCE Draw IDF, TundraDraw) is told by\n"
        "its content first and its name second: its format, its size in cells and what its SAUCE\n"
        "record says (title, author, group, date, font, comments), the letter spacing and iCE\n"
        "colours it is drawn with; with --baud N, how long it takes to type out at N bits a\n"
        "second (10 bits a byte) as h:mm:ss.ss, and in how many frames at 24 a second.\n"
        "\n"
        "  --as frames|font   read FILE as this kind instead of guessing\n"
        "  --baud N           for ANSI and PCBoard art: the time to type it out\n"
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

constexpr ValueOption kOptions[] = {{"as", ""}, {"baud", ""}};

int run(const ParsedArguments& parsed, std::ostream& out)
{
    parsed.requirePositionalCount(1, "the file to describe");
    const FileKind kind = kindNamed(parsed.option("as"));
    std::optional<int> baud;
    if (const auto text = parsed.option("baud")) {
        baud =
            static_cast<int>(wholeNumberArgument(*text, "--baud", 1, 100'000'000, "bits a second from 1 to 100000000"));
    }
    const std::string& path = parsed.positional[0];
    if (kind == FileKind::Guess) {
        if (const std::optional<ScenePiece> piece = readSceneFile(path, {})) {
            if (baud && piece->format != SceneFormat::ansi && piece->format != SceneFormat::pcboard) {
                throw ToolError(path + ": --baud types out ANSI and PCBoard art, and this is " +
                                formatName(piece->format));
            }
            describeScenePiece(path, *piece, baud, out);
            return 0;
        }
    }
    if (baud) throw UsageError("--baud goes only with scene art");
    describeFile(path, kind, out);
    return 0;
}

const Command kCommand{"info", "tell what a frame file, a font file or scene art holds", kHelp, kOptions, run};

}  // namespace

const Command& infoCommand() { return kCommand; }
