// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// The character a terminal is sent for code `code` of code page 437 (0-255; taken modulo 256): what a
// PC's screen shows, the control codes as their pictures (0x01 a smiling face, 0x7F a house), and the
// blanks 0x00 and 0xFF as a plain space, which every terminal font has.
char32_t cp437Unicode(int code);

// `character` appended to `out` as UTF-8 (anything outside Unicode as U+FFFD).
void appendUtf8(std::string& out, char32_t character);
