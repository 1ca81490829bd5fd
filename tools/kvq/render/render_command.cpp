// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>

#include "kvq/common/command.h"
#include "kvq/common/number_argument.h"
#include "kvq/common/tool_error.h"
#include "kvq/files/atomic_file.h"
#include "kvq/files/file_identity.h"
#include "kvq/files/font_file.h"
#include "kvq/files/frame_file.h"
#include "kvq/files/png_file.h"
#include "render/packed_picture.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: kvq render ANIMATION --font FONT --frame N -o OUT.png\n"
    "\n"
    "Draws frame N (counted from 0) of the frame file ANIMATION with the font file FONT, as\n"
    "the player would show it, and writes it as a 640x480 8-bit RGB PNG picture. Only frame N\n"
    "and the one before it are read, so files of any size render equally fast.\n"
    "\n"
    "  --font FONT        the player's font file (as made by 'kvq font')\n"
    "  --frame N          which frame; 'kvq info ANIMATION' tells how many there are\n"
    "  -o, --output OUT   the PNG file to write, ending in .png, or - for standard output\n";

// PNG is all it writes, so a name that promises another kind is refused; standard output, a
// device or a FIFO carries no ending to check.
void requirePngName(const std::string& output)
{
    std::error_code error;
    const auto status = std::filesystem::status(output, error);
    if (output == "-" || (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
                          !std::filesystem::is_directory(status))) {
        return;
    }
    std::string ending = std::filesystem::path(output).extension().string();
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ending != ".png") throw UsageError("the picture is a PNG, so OUT must end in .png, not '" + output + "'");
}

constexpr ValueOption kOptions[] = {{"font", ""}, {"frame", ""}, {"output", "o"}};

int run(const ParsedArguments& parsed, std::ostream&)
{
    parsed.requirePositionalCount(1, "the frame file to draw from");
    const std::string& animation = parsed.positional[0];
    const std::string& font = parsed.required("font");
    const std::uint64_t index = wholeNumberArgument(
        parsed.required("frame"), "--frame", 0, std::numeric_limits<std::uint64_t>::max(), "a frame number from 0 on");
    const std::string& output = parsed.required("output");

    refuseToReplaceInput(output, animation);
    refuseToReplaceInput(output, font);
    requirePngName(output);
    const GlyphTable glyphs = loadFontFile(font);
    const PackedPicture picture = renderFrame(readFrame(animation, index), glyphs);
    writeFileAtomically(output, encodeRgbPng(picture, kPictureWidth, kPictureHeight));
    return 0;
}

const Command kCommand{"render", "draw one frame of a frame file as a PNG picture", kHelp, kOptions, run};

}  // namespace

const Command& renderCommand() { return kCommand; }
