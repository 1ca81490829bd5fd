// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "devices/terminal_link.h"
#include "kvq/play/terminal/terminal_capabilities.h"

class TerminalInput;

// The queries that ask a terminal what it can draw, ended by the one every terminal answers
// (primary device attributes), so that its reply says all the others have come that will.
std::string terminalQueries();
// What the replies say, with the size the link reports (its pixels, where the terminal gives none
// by reply) and $COLORTERM.
TerminalCapabilities capabilitiesFrom(const std::vector<std::string>& replies, const TerminalSize& size,
                                      const char* colorterm);
// Sends the queries and waits, at most `timeout_ms`, for the last one's reply; keys typed meanwhile
// stay in `input`, fed at std::chrono::steady_clock's seconds.
TerminalCapabilities probeTerminal(TerminalLink& link, TerminalInput& input, int timeout_ms);
