// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/terminal_review.h"

#include "kvq/common/tool_error.h"
#include "kvq/play/terminal/terminal_probe.h"
#include "platform/review/monotonic_clock.h"
#include "platform/terminal/posix_terminal_link.h"
#include "platform/terminal/terminal_mode.h"

namespace {

// Long enough for a terminal at the far end of a slow link to answer; one that says nothing is drawn
// in text.
constexpr int kProbeMs = 3000;

}  // namespace

int reviewInTerminal(Artwork& artwork, const GlyphTable& text_font, const ReviewSettings& settings,
                     AudioOutput* soundtrack, const std::atomic<int>& stop, std::FILE* trace,
                     std::optional<TerminalProtocol> protocol, void (*report)(const std::string&))
{
    PosixTerminalLink link;
    if (const std::string error = link.open(); !error.empty()) throw ToolError("cannot open the terminal: " + error);
    std::string notice;
    int status = 0;
    {
        RawTerminalMode mode(link);
        if (const std::string error = mode.enter(); !error.empty()) {
            throw ToolError("cannot take the terminal over: " + error);
        }
        TerminalInput input;
        const TerminalCapabilities capabilities = probeTerminal(link, input, kProbeMs);
        const TerminalProtocol chosen = protocol.value_or(protocolFor(capabilities));
        if (chosen != TerminalProtocol::text && (capabilities.cell_width <= 0 || capabilities.cell_height <= 0)) {
            throw ToolError("the terminal does not say how many pixels its cells have; try --protocol text");
        }
        MonotonicClock clock;
        TerminalSurface surface(link, input, chosen, capabilities, text_font, artwork.font(), artwork.letterSpacing(),
                                clock, trace);
        mode.setFarewell(surface.farewell());
        ReviewDevices devices{surface, soundtrack, clock, &stop, trace};
        status = review(artwork, settings, devices);
        notice = surface.notice();
        mode.setFarewell(surface.farewell());
        mode.restore();
    }
    if (!notice.empty()) report(notice);
    return status;
}
