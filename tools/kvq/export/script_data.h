// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Binary data as the text of a page's <script type="application/x-kvq"> element. The page is
// declared windows-1252, where every byte is one character, so bytes cost one character each
// instead of base64's four for three. Four bytes cannot stand for themselves: NUL (the parser
// reads it as U+FFFD), CR (it becomes LF), '<' (it could close the element) and the escape '='
// itself. Each is written as '=' and then '0', '1', '2' or '3', in that order.
inline constexpr char kScriptDataEscape = '=';

// Appends `bytes` so escaped to `text`.
void appendScriptData(std::span<const std::uint8_t> bytes, std::string& text);

// Appends `bytes` in base64 (RFC 4648, padded): a third larger, but ASCII, so that a page read in
// any charset, or saved again as UTF-8, still holds them.
void appendBase64(std::span<const std::uint8_t> bytes, std::string& text);
