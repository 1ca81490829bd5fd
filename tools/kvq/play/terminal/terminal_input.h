// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "devices/review_window.h"

// The bytes a terminal sends, taken apart: keys as the review's events, the terminal's answers to
// "are you there" (ESC[5n, answered ESC[0n) counted, and its other replies kept whole. A sequence
// may arrive in pieces; a lone ESC is the Escape key once nothing has followed it for a moment.
class TerminalInput {
public:
    // How long an ESC waits for the rest of a sequence before it is the Escape key.
    static constexpr double kEscapeWaitSeconds = 0.05;

    void feed(std::string_view bytes, double now_seconds);
    // The next whole key, if any.
    bool next(ReviewEvent& event, double now_seconds);
    // When an ESC is waiting to be told apart: the time next() would make it Escape; else negative.
    double escapeDueAt() const;
    // ESC[0n replies since the last call.
    int takeStatusReplies();
    // Other replies (device attributes, window reports, graphics answers) since the last call, each a
    // whole sequence from its ESC.
    std::vector<std::string> takeReplies();
};
