// SPDX-License-Identifier: MIT
#pragma once

#include <ostream>
#include <string>

enum class FileKind { Guess, Frames, Font };

// How `kvq info` tells the two kinds of file apart when not told; its help repeats this.
inline constexpr const char* kFileKindGuessRule =
    "A name ending in .kvq is read as frames. Otherwise a file of exactly 8192 bytes, or one\n"
    "named 'test' (the name the player loads its font from), is read as a font, and a file whose\n"
    "size is a whole number of 2400-byte frames is read as frames. Anything else is reported as\n"
    "unknown; --as frames or --as font decides instead.";

// Writes what the player makes of the file: frames, length and trailing bytes for a frame
// file; size and glyphs for a font. Throws a ToolError naming the file when it cannot be read,
// or when guessing and its kind cannot be told.
void describeFile(const std::string& path, FileKind kind, std::ostream& out);
