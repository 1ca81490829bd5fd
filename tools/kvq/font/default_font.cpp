// SPDX-License-Identifier: MIT
#include "kvq/font/default_font.h"

#include <algorithm>
#include <string>

#include "kvq/common/tool_error.h"
#include "kvq/files/font_file.h"

namespace {

constexpr const char* kInstalledFont = "share/kvqplay/Lat15-VGA16.font";
constexpr const char* kConsoleFont = "/usr/share/consolefonts/Lat15-VGA16.psf.gz";

}  // namespace

std::vector<std::filesystem::path> defaultFontPlaces(const std::filesystem::path& program)
{
    return {program.parent_path().parent_path() / kInstalledFont, kConsoleFont};
}

FontFileBytes defaultConsoleFont()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const auto places = defaultFontPlaces(program);
    if (!error && std::filesystem::is_regular_file(places[0], error)) {
        const std::vector<std::uint8_t> bytes = readFontFileBytes(places[0].string());
        FontFileBytes font{};
        std::copy_n(bytes.begin(), std::min(bytes.size(), font.size()), font.begin());
        return font;
    }
    if (!std::filesystem::exists(kConsoleFont, error)) {
        throw ToolError(std::string(kConsoleFont) +
                        " is missing: give --font, or install it with: sudo apt-get install console-setup-linux");
    }
    return convertPsfFont(kConsoleFont);
}
