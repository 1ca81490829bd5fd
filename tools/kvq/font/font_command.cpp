// SPDX-License-Identifier: MIT
#include "kvq/common/command.h"
#include "kvq/files/atomic_file.h"
#include "kvq/files/file_identity.h"
#include "kvq/font/psf_font.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: kvq font IN -o OUT\n"
    "\n"
    "Converts an 8x16 console font in PSF1 or PSF2 format, gzip-compressed (.psf.gz) or not,\n"
    "into the player's 8192-byte font file: 256 slots of 32 bytes, the 16 rows of glyph i in\n"
    "the first 16 bytes of slot i and zeros after them. Glyphs past the 256th are dropped; a\n"
    "font with fewer leaves the remaining slots zero. The player draws codes 0-127 from slots\n"
    "0-127 and codes 128-255 as their inverses, so the font's first 128 glyphs are the ones seen.\n"
    "\n"
    "A font that is not 8 pixels wide and 16 high, a truncated file or a file that is not a PSF\n"
    "font is refused, and OUT is then left as it was.\n"
    "\n"
    "  -o, --output OUT   the font file to write (- for standard output); the player reads it as 'test'\n"
    "\n"
    "Example: kvq font /usr/share/consolefonts/Lat15-VGA16.psf.gz -o test\n";

constexpr ValueOption kOptions[] = {{"output", "o"}};

int run(const ParsedArguments& parsed, std::ostream&)
{
    parsed.requirePositionalCount(1, "the PSF font to convert");
    const std::string& input = parsed.positional[0];
    const std::string& output = parsed.required("output");

    refuseToReplaceInput(output, input);
    const FontFileBytes font = convertPsfFont(input);
    writeFileAtomically(output, font);
    return 0;
}

const Command kCommand{"font", "convert an 8x16 PSF console font into the player's font file", kHelp, kOptions, run};

}  // namespace

const Command& fontCommand() { return kCommand; }
