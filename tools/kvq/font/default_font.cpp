// SPDX-License-Identifier: MIT
#include "kvq/font/default_font.h"

#include <filesystem>
#include <string>

#include "kvq/cli/tool_error.h"

namespace {

constexpr const char* kDefaultConsoleFont = "/usr/share/consolefonts/Lat15-VGA16.psf.gz";

}  // namespace

FontFileBytes defaultConsoleFont()
{
    std::error_code error;
    if (!std::filesystem::exists(kDefaultConsoleFont, error)) {
        throw ToolError(std::string(kDefaultConsoleFont) +
                        " is missing: give --font, or install it with: sudo apt-get install console-setup-linux");
    }
    return convertPsfFont(kDefaultConsoleFont);
}
