// SPDX-License-Identifier: MIT
#include <charconv>
#include <vector>

#include "atomic_file.h"
#include "command_line.h"
#include "commands.h"
#include "content/glyph_table.h"
#include "file_identity.h"
#include "font_file.h"
#include "frame_reader.h"
#include "png_writer.h"
#include "tool_error.h"

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
    "  -o, --output OUT   the PNG file to write\n";

std::uint64_t frameNumber(const std::string& text)
{
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        throw UsageError("--frame takes a frame number from 0 on, not '" + text + "'");
    }
    return value;
}

int run(std::span<const std::string> arguments, std::ostream& out)
{
    const ParsedArguments parsed = parseArguments(arguments, {{"font", ""}, {"frame", ""}, {"output", "o"}});
    if (parsed.help) {
        out << kHelp;
        return 0;
    }
    requirePositionalCount(parsed, 1, "the frame file to draw from");
    const std::string& animation = parsed.positional[0];
    const std::string& font = parsed.required("font");
    const std::uint64_t index = frameNumber(parsed.required("frame"));
    const std::string& output = parsed.required("output");

    refuseToReplaceInput(output, animation);
    refuseToReplaceInput(output, font);
    const GlyphTable glyphs = loadFontFile(font);
    const TextFrame frame = readFrame(animation, index);

    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(TextFrame::kWidthPixels) * TextFrame::kHeightPixels);
    frame.draw({reinterpret_cast<std::uint8_t*>(pixels.data()), TextFrame::kWidthPixels * 4}, glyphs);
    writeFileAtomically(output, encodeRgbPng(pixels, TextFrame::kWidthPixels, TextFrame::kHeightPixels));
    return 0;
}

}  // namespace

const Command& renderCommand()
{
    static const Command command{"render", "draw one frame of a frame file as a PNG picture", kHelp, run};
    return command;
}
