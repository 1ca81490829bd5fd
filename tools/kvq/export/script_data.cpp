// SPDX-License-Identifier: MIT
#include "kvq/export/script_data.h"

void appendScriptData(std::span<const std::uint8_t> bytes, std::string& text)
{
    text.reserve(text.size() + bytes.size() + bytes.size() / 64);
    for (const std::uint8_t byte : bytes) {
        int escaped = -1;
        switch (byte) {
        case 0x00: escaped = 0; break;
        case '\r': escaped = 1; break;
        case '<': escaped = 2; break;
        case kScriptDataEscape: escaped = 3; break;
        default: break;
        }
        if (escaped < 0) {
            text.push_back(static_cast<char>(byte));
        } else {
            text.push_back(kScriptDataEscape);
            text.push_back(static_cast<char>('0' + escaped));
        }
    }
}
