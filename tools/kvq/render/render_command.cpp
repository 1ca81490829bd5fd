// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <limits>

#include "kvq/common/command.h"
#include "kvq/common/number_argument.h"
#include "kvq/common/time_argument.h"
#include "kvq/common/tool_error.h"
#include "kvq/files/artwork.h"
#include "kvq/files/atomic_file.h"
#include "kvq/files/file_identity.h"
#include "kvq/files/font_file.h"
#include "kvq/files/frame_file.h"
#include "kvq/files/png_file.h"
#include "kvq/render/scene_picture.h"
#include "render/packed_picture.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: kvq render ANIMATION --font FONT --frame N -o OUT.png\n"
    "       kvq render ART [--baud N [--time T | --frame N]] [--font FONT] -o OUT.png\n"
    "\n"
    "Draws frame N (counted from 0) of the frame file ANIMATION with the font file FONT, as\n"
    "the player would show it, and writes it as a 640x480 8-bit RGB PNG picture. Only frame N\n"
    "and the one before it are read, so files of any size render equally fast.\n"
    "\n"
    "Scene art (ANSI, PCBoard, BIN, XBIN, ArtWorx ADF, iCE Draw IDF, TundraDraw) is drawn whole, in\n"
    "colour, as one picture of any height, with the options its SAUCE record asks for and blinking\n"
    "cells lit. With --baud the piece is typed out at N bits a second (10 bits a byte) on a screen of\n"
    "its width and 25 rows, and the screen at T (or frame N, 24 a second; the end by default) is drawn.\n"
    "\n"
    "  --font FONT          for frames: the player's font file (as made by 'kvq font'); for art: any\n"
    "                       PSF console font 8 pixels wide (gzip or not), the player's font file (all\n"
    "                       256 glyphs) or 256 raw glyphs of 1-32 rows; by default the piece's own\n"
    "                       font, else the CP437 font SAUCE names (8x16, or 8x8 for IBM VGA50/EGA)\n"
    "  --frame N            which frame; 'kvq info FILE' tells how many there are\n"
    "  --baud N             type the art out at N bits a second\n"
    "  --time T             the moment to draw, as 75.5, 1:15.5 or 1:00:00 (with --baud)\n"
    "  --columns N          the width of ANSI, PCBoard and BIN art, whatever SAUCE says\n"
    "  --ice                blinking as a bright background (iCE colours), whatever SAUCE says\n"
    "  --letter-spacing 8|9 pixels a cell; 9 repeats the 8th column of line drawing, as VGA does\n"
    "  -o, --output OUT     the PNG file to write, ending in .png, or - for standard output\n";

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

constexpr ValueOption kOptions[] = {{"font", ""}, {"frame", ""},   {"output", "o"},   {"baud", ""},
                                    {"time", ""}, {"columns", ""}, {"ice", "", true}, {"letter-spacing", ""}};

constexpr std::uint64_t kMostBaud = 100'000'000;
constexpr std::uint64_t kMostColumns = 10'000;

// What the command line asks of scene art, all checked before any file is read.
struct ArtRequest {
    ArtworkOptions artwork;
    std::optional<std::uint64_t> frame;
    std::optional<double> seconds;
};

ArtRequest artRequest(const ParsedArguments& parsed)
{
    ArtRequest request;
    request.artwork.font_path = parsed.option("font");
    if (const auto baud = parsed.option("baud")) {
        request.artwork.baud =
            static_cast<int>(wholeNumberArgument(*baud, "--baud", 1, kMostBaud, "bits a second from 1 to 100000000"));
    }
    if (const auto time = parsed.option("time")) request.seconds = timeArgumentSeconds(*time, "--time");
    if (const auto frame = parsed.option("frame")) {
        request.frame = wholeNumberArgument(*frame, "--frame", 0, std::numeric_limits<std::uint64_t>::max(),
                                            "a frame number from 0 on");
    }
    if (const auto columns = parsed.option("columns")) {
        request.artwork.scene.columns =
            static_cast<int>(wholeNumberArgument(*columns, "--columns", 1, kMostColumns, "a width from 1 to 10000"));
    }
    if (parsed.option("ice")) request.artwork.scene.ice_colours = true;
    if (const auto spacing = parsed.option("letter-spacing")) {
        if (*spacing != "8" && *spacing != "9")
            throw UsageError("--letter-spacing takes 8 or 9, not '" + *spacing + "'");
        request.artwork.scene.letter_spacing = *spacing == "9" ? 9 : 8;
    }
    if (request.seconds && request.frame) throw UsageError("--time and --frame name the same thing; give one");
    return request;
}

void refuseArtOptions(const ParsedArguments& parsed)
{
    for (const char* name : {"baud", "time", "columns", "ice", "letter-spacing"}) {
        if (parsed.option(name)) {
            throw UsageError(std::string("--") + name + " goes only with scene art, and " + parsed.positional[0] +
                             " is a frame file");
        }
    }
}

std::uint64_t chosenFrame(const ArtRequest& request, const Artwork& artwork, const std::string& path)
{
    if (!request.artwork.baud) {
        if (request.seconds) throw UsageError("--time goes with --baud: still art has one picture");
        if (request.frame && *request.frame != 0) {
            throw ToolError(path + ": there is no frame " + std::to_string(*request.frame) +
                            "; still art has one (--baud types it out)");
        }
        return 0;
    }
    const std::uint64_t last = artwork.frameCount() - 1;
    if (request.frame) {
        if (*request.frame > last) {
            throw ToolError(path + ": there is no frame " + std::to_string(*request.frame) + "; typed out it has " +
                            std::to_string(artwork.frameCount()));
        }
        return *request.frame;
    }
    if (request.seconds) {
        const double frame = std::floor(*request.seconds * 24.0);
        return frame >= static_cast<double>(last) ? last : static_cast<std::uint64_t>(frame);
    }
    return last;
}

int run(const ParsedArguments& parsed, std::ostream&)
{
    parsed.requirePositionalCount(1, "the frame file or art to draw");
    const std::string& file = parsed.positional[0];
    const ArtRequest request = artRequest(parsed);
    const std::string& output = parsed.required("output");
    refuseToReplaceInput(output, file);
    if (request.artwork.font_path) refuseToReplaceInput(output, *request.artwork.font_path);
    requirePngName(output);

    std::optional<ScenePiece> piece = readSceneFile(file, request.artwork.scene);
    if (!piece) {
        refuseArtOptions(parsed);
        const std::string& font = parsed.required("font");
        if (!request.frame) parsed.required("frame");
        const GlyphTable glyphs = loadFontFile(font);
        const PackedPicture picture = renderFrame(readFrame(file, *request.frame), glyphs);
        writeFileAtomically(output, encodeRgbPng(picture, kPictureWidth, kPictureHeight));
        return 0;
    }
    const std::unique_ptr<Artwork> artwork = sceneArtwork(std::move(*piece), file, request.artwork);
    const std::uint64_t frame = chosenFrame(request, *artwork, file);
    const CellPicture* cells = artwork->cells(frame);
    if (!cells) throw ToolError(file + ": there is no frame " + std::to_string(frame));
    writeFileAtomically(output, scenePicturePng(*cells, artwork->font(), artwork->letterSpacing(), file));
    return 0;
}

const Command kCommand{"render", "draw a frame of a frame file, or scene art, as a PNG picture", kHelp, kOptions, run};

}  // namespace

const Command& renderCommand() { return kCommand; }
