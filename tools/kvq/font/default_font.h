// SPDX-License-Identifier: MIT
#pragma once

#include "kvq/font/psf_font.h"

// The console font kvq uses where none is given (Lat15-VGA16, which Debian's console-setup-linux
// installs), converted to the player's font file. Throws a ToolError that says how to install it
// when it is missing.
FontFileBytes defaultConsoleFont();
