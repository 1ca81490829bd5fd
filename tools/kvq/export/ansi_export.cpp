// SPDX-License-Identifier: MIT
#include "kvq/export/ansi_export.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <filesystem>

#include "kvq/common/number_argument.h"
#include "kvq/common/tool_error.h"
#include "kvq/export/ansi_writer.h"
#include "kvq/export/frame_stream.h"
#include "kvq/files/artwork.h"
#include "kvq/files/atomic_file.h"
#include "kvq/files/file_identity.h"
#include "kvq/files/font_file.h"
#include "kvq/font/default_font.h"
#include "scene/ansi_typing.h"

namespace {

std::string today()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d", &local);
    return text;
}

}  // namespace

bool isAnsiOutput(const std::string& output)
{
    std::string ending = std::filesystem::path(output).extension().string();
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return std::tolower(c); });
    return ending == ".ans";
}

int exportAnsimation(const ParsedArguments& parsed, std::ostream& out)
{
    parsed.requirePositionalCount(1, "the frame file to export");
    const std::string& animation = parsed.positional[0];
    const std::string& output = parsed.required("output");
    for (const std::string_view other : {"audio", "title", "poster", "loop", "autoplay", "ascii"}) {
        if (parsed.option(other))
            throw UsageError("--" + std::string(other) + " does not go with an ANSImation (.ans)");
    }
    std::optional<int> baud;
    if (const auto text = parsed.option("baud"))
        baud = static_cast<int>(wholeNumberArgument(*text, "--baud", 1, 1'000'000, "a whole number from 1 to 1000000"));
    const std::optional<std::string> font = parsed.option("font");
    refuseToReplaceInput(output, animation);
    if (font) refuseToReplaceInput(output, *font);

    // Scene art is ANSI already, or is drawn in colours this does not send.
    if (const std::optional<ScenePiece> piece = readSceneFile(animation, {}))
        throw ToolError(animation + ": is " + formatName(piece->format) +
                        " art, not a frame file; only frame files become ANSImations here");
    FrameStream frames(animation);
    if (frames.frameCount() == 0) throw ToolError(animation + ": holds no frames, so there is nothing to export");
    GlyphTable glyphs;
    if (font) {
        glyphs = loadFontFile(*font);
    } else {
        const FontFileBytes bytes = defaultConsoleFont();
        glyphs.fillFrom(bytes.data(), bytes.size());
    }

    AnsimationWriter writer(glyphs, baud);
    TextFrame frame;
    while (frames.next(frame)) writer.addFrame(frame);
    const std::vector<std::uint8_t> bytes =
        writer.finish(std::filesystem::path(animation).filename().string(), today());
    writeFileAtomically(output, bytes);

    out << output << ": " << frames.frameCount() << " frames as an ANSImation of " << bytes.size() << " bytes";
    if (baud)
        out << ", " << AnsiTyping::framesFor(writer.frameEnds().back(), *baud) << " frames long at " << *baud
            << " baud";
    if (writer.nearCells() > 0)
        out << "; " << writer.nearCells() << " cells with a near glyph (the font has none a terminal draws alike)";
    out << "\n";
    return 0;
}
