// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "devices/review_window.h"

// What the web page shares with the players here: its colours, frame rate and speeds are theirs,
// and its keys are kvq play's. The page's copy is written from these into every page, so that the
// two cannot drift; where the page differs on purpose, the row says why.

// The page's clock is drawn towards the <audio> element's reading, which browsers update more
// coarsely (and Firefox rounds on purpose) than kvq play's mixer reports its buffers: with kvq
// play's 0.1 s and 0.1, every rounding step would be taken for a jump, and the picture would stutter.
inline constexpr double kPageClockJumpSeconds = 0.25;
inline constexpr double kPageClockPull = 0.25;

struct PageKey {
    ReviewKey review;                       // kvq play's key
    std::string_view action;                // what the page does
    std::array<std::string_view, 10> page;  // KeyboardEvent.key values on the page ("" unused)
    std::string_view why;                   // where the page differs, why
};

inline constexpr std::array kPageKeys{
    PageKey{ReviewKey::space, "toggle", {" ", "k", "K"}, "K too: the key video pages use"},
    PageKey{ReviewKey::left, "back", {"ArrowLeft"}, ""},
    PageKey{ReviewKey::right, "forward", {"ArrowRight"}, ""},
    PageKey{ReviewKey::up, "lineUp", {"ArrowUp"}, ""},
    PageKey{ReviewKey::down, "lineDown", {"ArrowDown"}, ""},
    PageKey{ReviewKey::page_up, "screenUp", {"PageUp"}, ""},
    PageKey{ReviewKey::page_down, "screenDown", {"PageDown"}, ""},
    PageKey{ReviewKey::home, "start", {"Home"}, ""},
    PageKey{ReviewKey::end, "end", {"End"}, ""},
    PageKey{
        ReviewKey::comma, "previousFrame", {",", "<"}, "the page reads characters: '<' is Shift+',' on US keyboards"},
    PageKey{ReviewKey::period, "nextFrame", {".", ">"}, "the page reads characters: '>' is Shift+'.'"},
    PageKey{ReviewKey::bracket_left, "slower", {"["}, ""},
    PageKey{ReviewKey::bracket_right, "faster", {"]"}, ""},
    PageKey{ReviewKey::digit, "tenths", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}, ""},
    PageKey{ReviewKey::l, "loop", {"l", "L"}, ""},
    PageKey{ReviewKey::m, "mute", {"m", "M"}, ""},
    PageKey{ReviewKey::s, "autoScroll", {"s", "S"}, "not yet: the page scrolls by hand and the wheel"},
    PageKey{ReviewKey::minus, "scrollSlower", {"-"}, "not yet: no scrolling of its own to slow"},
    PageKey{ReviewKey::plus, "scrollFaster", {"=", "+"}, "not yet: no scrolling of its own to speed up"},
    PageKey{ReviewKey::h, "help", {"h", "H"}, "not yet: the page has no help overlay; F1 is the browser's"},
    PageKey{ReviewKey::f, "fullscreen", {"f", "F"}, ""},
    PageKey{ReviewKey::f11, "fullscreen", {}, "F11 is the browser's own full screen key"},
    PageKey{ReviewKey::q, "quit", {}, "a page cannot close itself"},
    PageKey{ReviewKey::escape, "quit", {}, "Escape is the browser's, to leave full screen"},
};

// VGA's blink, as blinkLitAt draws it: lit for kBlinkRefreshesPerHalf refreshes at kBlinkRefreshHz,
// then dark as long. The page computes it as blinkLitAt does, from the same numbers.
inline constexpr double kBlinkRefreshHz = 70.0;
inline constexpr double kBlinkRefreshesPerHalf = 16.0;

// Every key kvq play acts on has its one row (escape is the enum's last).
constexpr bool everyReviewKeyOnce()
{
    for (int key = static_cast<int>(ReviewKey::other) + 1; key <= static_cast<int>(ReviewKey::escape); ++key) {
        int rows = 0;
        for (const PageKey& row : kPageKeys) rows += static_cast<int>(row.review) == key ? 1 : 0;
        if (rows != 1) return false;
    }
    return true;
}
static_assert(everyReviewKeyOnce(), "a key of kvq play's has no row (or two) in kPageKeys");

// `const KVQ_SHARED = {...};`: the page's copy of all the above, for its script.
std::string pageConstantsScript();
