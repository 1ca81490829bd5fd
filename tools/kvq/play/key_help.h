// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// The keys of kvq play, a line each, as the overlay's help lists them: only those that do something
// for what is shown (the scroll's keys for a piece taller than the window; a still piece's Home and
// End are its top and bottom).
std::vector<std::string> keyHelp(bool still, bool scrolls);
