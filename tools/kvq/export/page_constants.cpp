// SPDX-License-Identifier: MIT
#include "kvq/export/page_constants.h"

#include <cstdio>

#include "content/player_folder.h"
#include "kvq/export/html_page.h"
#include "kvq/play/transport.h"
#include "render/colours.h"

namespace {

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

}  // namespace

std::string pageConstantsScript()
{
    std::string speeds;
    for (const double speed : Transport::kSpeeds) {
        if (!speeds.empty()) speeds += ',';
        speeds += number(speed);
    }
    std::string keys;
    for (const PageKey& row : kPageKeys) {
        std::string page;
        for (const std::string_view key : row.page) {
            if (key.empty()) continue;
            if (!page.empty()) page += ',';
            page += jsonString(std::string(key));
        }
        if (!keys.empty()) keys += ',';
        keys += "{\"action\":" + jsonString(std::string(row.action)) + ",\"page\":[" + page + "]}";
    }
    return "const KVQ_SHARED = Object.freeze({\"inkColour\":" + std::to_string(kInkColour) +
           ",\"paperColour\":" + std::to_string(kPaperColour) +
           ",\"framesPerSecond\":" + std::to_string(kFramesPerSecond) + ",\"speeds\":[" + speeds + "]" +
           ",\"seekSeconds\":" + number(Transport::kSeekStepSeconds) +
           ",\"clockJumpSeconds\":" + number(kPageClockJumpSeconds) + ",\"clockPull\":" + number(kPageClockPull) +
           ",\"keys\":[" + keys + "]" + ",\"blinkRefreshHz\":" + number(kBlinkRefreshHz) +
           ",\"blinkRefreshesPerHalf\":" + number(kBlinkRefreshesPerHalf) + "});";
}
