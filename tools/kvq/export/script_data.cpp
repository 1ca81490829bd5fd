// SPDX-License-Identifier: MIT
#include "kvq/export/script_data.h"

void appendScriptData(std::span<const std::uint8_t> bytes, std::string& text)
{
    text.reserve(text.size() + bytes.size() + bytes.size() / 64);
    for (const std::uint8_t byte : bytes) {
        int escaped = -1;
        switch (byte) {
        case 0x00:
            escaped = 0;
            break;
        case '\r':
            escaped = 1;
            break;
        case '<':
            escaped = 2;
            break;
        case kScriptDataEscape:
            escaped = 3;
            break;
        default:
            break;
        }
        if (escaped < 0) {
            text.push_back(static_cast<char>(byte));
        } else {
            text.push_back(kScriptDataEscape);
            text.push_back(static_cast<char>('0' + escaped));
        }
    }
}

void appendBase64(std::span<const std::uint8_t> bytes, std::string& text)
{
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    text.reserve(text.size() + (bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6) text.push_back(kDigits[(group >> shift) & 63]);
    }
    const std::size_t left = bytes.size() - i;
    if (left == 0) return;
    const std::uint32_t group = (std::uint32_t{bytes[i]} << 16) | (left == 2 ? std::uint32_t{bytes[i + 1]} << 8 : 0);
    text.push_back(kDigits[(group >> 18) & 63]);
    text.push_back(kDigits[(group >> 12) & 63]);
    text.push_back(left == 2 ? kDigits[(group >> 6) & 63] : '=');
    text.push_back('=');
}
