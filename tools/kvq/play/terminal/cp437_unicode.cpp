// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/cp437_unicode.h"

#include "kvq/font/cp437_font.h"

char32_t cp437Unicode(int code)
{
    const char32_t character = kCp437Characters[static_cast<std::size_t>(code & 0xFF)];
    // The table keeps 0x00 as NUL and 0xFF as a no-break space; a terminal shows neither better than a space.
    if (character == 0 || character == 0xA0) return U' ';
    return character;
}

void appendUtf8(std::string& out, char32_t character)
{
    if (character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) character = 0xFFFD;
    if (character < 0x80) {
        out += static_cast<char>(character);
    } else if (character < 0x800) {
        out += static_cast<char>(0xC0 | (character >> 6));
        out += static_cast<char>(0x80 | (character & 0x3F));
    } else if (character < 0x10000) {
        out += static_cast<char>(0xE0 | (character >> 12));
        out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (character >> 18));
        out += static_cast<char>(0x80 | ((character >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    }
}
