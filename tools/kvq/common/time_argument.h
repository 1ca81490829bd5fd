// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

// A moment in an animation as a person types it, and as the web page writes it: seconds ("75",
// "75.5"), minutes and seconds ("1:15", "1:15.5") or hours, minutes and seconds ("1:00:00"). A
// UsageError quoting the whole of `text` for anything else, a sign, an exponent or an infinite
// time included; `option` names the option in it ("--start").
double timeArgumentSeconds(const std::string& text, std::string_view option);
