// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstdio>
#include <optional>
#include <string>

#include "content/glyph_table.h"
#include "kvq/files/artwork.h"
#include "kvq/play/review_loop.h"
#include "kvq/play/terminal/terminal_surface.h"

class AudioOutput;

// Reviews the artwork in the process's terminal, in `protocol` or what the terminal says it can
// draw, and puts the terminal back as it was on the way out. Lines for the person are given to
// `report` once the terminal is theirs again. Returns the exit status.
int reviewInTerminal(Artwork& artwork, const GlyphTable& text_font, const ReviewSettings& settings,
                     AudioOutput* soundtrack, const std::atomic<int>& stop, std::FILE* trace,
                     std::optional<TerminalProtocol> protocol, void (*report)(const std::string&));
