// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "devices/review_window.h"

// The bytes a terminal sends, taken apart: keys as the review's events, the terminal's answers to
// "are you there" (ESC[5n, answered ESC[0n) counted, and its other replies kept whole. A sequence
// may arrive in pieces; a lone ESC is the Escape key once nothing has followed it for a moment.
class TerminalInput {
public:
    // How long an ESC waits for the rest of a sequence before it is the Escape key.
    static constexpr double kEscapeWaitSeconds = 0.05;
    // Bounds on what is held, so that a terminal sending garbage cannot grow memory: a longer
    // sequence is read to its end and dropped; keys and replies beyond these are dropped.
    static constexpr std::size_t kMaxSequenceBytes = 4096;
    static constexpr std::size_t kMaxHeldKeys = 256;
    static constexpr std::size_t kMaxHeldReplies = 64;

    void feed(std::string_view bytes, double now_seconds);
    // The next whole key, if any.
    bool next(ReviewEvent& event, double now_seconds);
    // When an ESC is waiting to be told apart: the time next() would make it Escape; else negative.
    double escapeDueAt() const;
    // ESC[0n replies since the last call.
    int takeStatusReplies();
    // Other replies (device attributes, window reports, graphics answers) since the last call, each a
    // whole sequence from its ESC.
    std::vector<std::string> takeReplies();

private:
    enum class State {
        ground,
        escape,       // an ESC, nothing after it yet
        csi,          // ESC [
        ss3,          // ESC O
        text,         // a string sequence (ESC P, ESC _, ESC ], ESC X, ESC ^) up to its terminator
        text_escape,  // an ESC inside one: the terminator's first half, or a new sequence
    };

    void take(char byte);
    void takeGround(char byte);
    void afterEscape(char byte);
    void store(char byte);
    void finishCsi();
    void finishSs3();
    void finishText();
    void resolveLoneEscape(double now_seconds);
    void push(ReviewKey key, bool shift = false, int digit = 0);

    State state_ = State::ground;
    std::string sequence_;     // the sequence being read, from its ESC
    bool overflowed_ = false;  // it outgrew kMaxSequenceBytes: read on to its end, then dropped
    double escape_at_ = 0;     // when the lone ESC came
    std::deque<ReviewEvent> keys_;
    std::vector<std::string> replies_;
    int status_replies_ = 0;
};
