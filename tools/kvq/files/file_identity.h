// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// True when both names lead to one existing file: the same name, a hard link or a symbolic link.
bool isSameExistingFile(const std::string& first, const std::string& second);

// Throws a ToolError when writing `output` would replace the file `input`: a tool reads its input
// before writing, but a rename over it would still lose the original for good.
void refuseToReplaceInput(const std::string& output, const std::string& input);
