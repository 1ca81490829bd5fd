// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/terminal_probe.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string_view>

#include "kvq/play/terminal/terminal_input.h"

namespace {

// The numbers between a CSI reply's private marker and its final byte ("ESC[?1;0;1024S" -> 1, 0, 1024).
std::vector<int> replyNumbers(std::string_view reply)
{
    std::vector<int> values;
    std::size_t i = 2;  // after ESC [
    while (i < reply.size() && (reply[i] == '?' || reply[i] == '>' || reply[i] == '=')) ++i;
    bool in_number = false;
    for (; i + 1 < reply.size(); ++i) {
        const char c = reply[i];
        if (c >= '0' && c <= '9') {
            if (!in_number) values.push_back(0);
            in_number = true;
            if (values.back() < 1000000) values.back() = values.back() * 10 + (c - '0');
        } else if (c == ';') {
            if (!in_number) values.push_back(0);
            in_number = false;
        } else {
            break;
        }
    }
    return values;
}

bool isCsi(std::string_view reply, bool private_marker, char final_byte)
{
    return reply.size() >= 3 && reply[0] == '\x1b' && reply[1] == '[' && reply.back() == final_byte &&
           (reply[2] == '?') == private_marker;
}

// Whether `text` holds `word` as a whole parameter run, between SGR separators or its ends.
bool holdsParameters(std::string_view text, std::string_view word)
{
    for (std::size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
        const bool starts = at == 0 || text[at - 1] == ';' || text[at - 1] == 'r';
        const std::size_t end = at + word.size();
        const bool ends = end == text.size() || text[end] == ';' || text[end] == 'm';
        if (starts && ends) return true;
    }
    return false;
}

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string terminalQueries()
{
    std::string queries;
    queries += "\x1b_Gi=31,s=1,v=1,a=q,t=d,f=24;AAAA\x1b\\";  // kitty graphics: a 1x1 image, checked only
    queries += "\x1b[14t";                                    // the text area in pixels
    queries += "\x1b[16t";                                    // a cell in pixels
    queries += "\x1b[?1;1;0S";                                // sixel colour registers
    queries += "\x1b[?2;1;0S";                                // the largest sixel image
    // Direct colour: set one, ask what is set, and put it back.
    queries += "\x1b[48;2;1;2;3m\x1bP$qm\x1b\\\x1b[0m";
    queries += "\x1b[c";  // primary device attributes, last: every terminal answers it
    return queries;
}

TerminalCapabilities capabilitiesFrom(const std::vector<std::string>& replies, const TerminalSize& size,
                                      const char* colorterm)
{
    TerminalCapabilities caps;
    if (replies.empty()) return caps;  // a terminal that says nothing gets plain text at 16 colours

    int area_width = 0, area_height = 0;
    for (const std::string& reply : replies) {
        const std::string_view r = reply;
        if (isCsi(r, true, 'c')) {
            caps.answered = true;
            const std::vector<int> values = replyNumbers(r);
            // The first number is the terminal's class; the rest are what it has, 4 being sixel.
            caps.sixel =
                std::find(values.begin() + std::min<std::size_t>(1, values.size()), values.end(), 4) != values.end();
        } else if (r.starts_with("\x1b_Gi=31;")) {
            caps.kitty_graphics = r.substr(8).starts_with("OK");
        } else if (r.starts_with("\x1bP") && r.find("$r") != std::string_view::npos) {
            if (holdsParameters(r, "48;2;1;2;3") || holdsParameters(r, "48:2::1:2:3") ||
                holdsParameters(r, "48:2:1:2:3"))
                caps.direct_colour = true;
        } else if (isCsi(r, true, 'S')) {
            const std::vector<int> values = replyNumbers(r);
            if (values.size() >= 3 && values[0] == 1 && values[1] == 0) caps.colour_registers = values[2];
            if (values.size() >= 4 && values[0] == 2 && values[1] == 0) {
                caps.max_sixel_width = values[2];
                caps.max_sixel_height = values[3];
            }
        } else if (isCsi(r, false, 't')) {
            const std::vector<int> values = replyNumbers(r);
            if (values.size() >= 3 && values[0] == 6 && values[1] > 0 && values[2] > 0) {
                caps.cell_height = values[1];
                caps.cell_width = values[2];
            } else if (values.size() >= 3 && values[0] == 4) {
                area_height = values[1];
                area_width = values[2];
            }
        }
    }
    if (colorterm != nullptr) {
        const std::string_view c = colorterm;
        if (c == "truecolor" || c == "24bit") caps.direct_colour = true;
    }
    if (caps.cell_width == 0 && size.columns > 0 && size.rows > 0) {
        // No cell size said: the text area's pixels over its cells, from the reply or else the tty.
        if (area_width <= 0 || area_height <= 0) {
            area_width = size.width_pixels;
            area_height = size.height_pixels;
        }
        caps.cell_width = area_width / size.columns;
        caps.cell_height = area_height / size.rows;
        if (caps.cell_width == 0 || caps.cell_height == 0) caps.cell_width = caps.cell_height = 0;
    }
    return caps;
}

TerminalCapabilities probeTerminal(TerminalLink& link, TerminalInput& input, int timeout_ms)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    link.write(terminalQueries());
    std::vector<std::string> replies;
    bool complete = false;
    while (!complete) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) break;
        std::string bytes;
        const TerminalLink::Happened happened = link.wait(bytes, static_cast<int>(left));
        if (happened == TerminalLink::Happened::closed) break;
        if (bytes.empty()) continue;
        input.feed(bytes, steadySeconds());
        for (std::string& reply : input.takeReplies()) {
            complete = complete || isCsi(reply, true, 'c');
            replies.push_back(std::move(reply));
        }
    }
    return capabilitiesFrom(replies, link.size(), std::getenv("COLORTERM"));
}
