// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "content/text_frame.h"

// Frame `index` (from 0) of a frame file, exactly as the player shows it. Only that frame and
// the one before it are read, so a file of any size costs the same. Throws a ToolError naming
// the file when it cannot be read or has no such frame.
TextFrame readFrame(const std::string& path, std::uint64_t index);
