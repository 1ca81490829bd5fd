// SPDX-License-Identifier: MIT
#include "kvq/play/key_help.h"

std::vector<std::string> keyHelp(bool still, bool scrolls)
{
    std::vector<std::string> lines = {
        "Space       pause / play",
        "Left Right  5 s back / on (Shift: a tenth)",
        "0-9         jump to 0% - 90%",
    };
    if (still) {
        lines.push_back("Home End    top / bottom");
    } else {
        lines.push_back("Home End    first / last frame");
        lines.push_back(",  .        one frame back / on");
    }
    lines.push_back("[  ]        slower / faster");
    if (scrolls) {
        lines.push_back("Up Down     a text row (wheel: three)");
        lines.push_back("PgUp PgDn   a screen");
        lines.push_back("S           steady scroll on / off");
        lines.push_back("-  =        scroll slower / faster");
    }
    lines.push_back("M  L        sound off / on, loop on / off");
    lines.push_back("F  F11      full screen");
    lines.push_back("H  F1       this help on / off");
    lines.push_back("Q  Escape   quit");
    return lines;
}
