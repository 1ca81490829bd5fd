// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/terminal_input.h"

#include <climits>
#include <optional>
#include <string>

namespace {

// The keys CSI and SS3 sequences name by their last byte alone: the arrows, Home, End and F1.
std::optional<ReviewKey> keyOfFinal(char final_byte)
{
    switch (final_byte) {
    case 'A':
        return ReviewKey::up;
    case 'B':
        return ReviewKey::down;
    case 'C':
        return ReviewKey::right;
    case 'D':
        return ReviewKey::left;
    case 'H':
        return ReviewKey::home;
    case 'F':
        return ReviewKey::end;
    case 'P':
        return ReviewKey::h;
    default:
        return std::nullopt;
    }
}

constexpr char kEsc = '\x1b';
// Cancel and substitute end any sequence in progress, as a terminal's own parser does.
constexpr char kCan = '\x18';
constexpr char kSub = '\x1a';
constexpr char kBel = '\x07';
constexpr char kInterrupt = '\x03';  // Ctrl+C, when the terminal does not make it a signal

bool isParameter(unsigned char c) { return c >= 0x30 && c <= 0x3f; }
bool isIntermediate(unsigned char c) { return c >= 0x20 && c <= 0x2f; }
bool isFinal(unsigned char c) { return c >= 0x40 && c <= 0x7e; }

// The numbers of a sequence's parameters ("1;2" -> 1, 2); an empty one is 0.
std::vector<int> numbers(std::string_view parameters)
{
    std::vector<int> values{0};
    for (char c : parameters) {
        if (c == ';') {
            values.push_back(0);
        } else if (c >= '0' && c <= '9') {
            int& v = values.back();
            if (v < 100000) v = v * 10 + (c - '0');
        }
    }
    return values;
}

// xterm's modifier parameter is 1 + a bit set, shift being its lowest bit.
bool shiftIn(const std::vector<int>& values)
{
    return values.size() >= 2 && values[1] >= 2 && ((values[1] - 1) & 1) != 0;
}

}  // namespace

void TerminalInput::feed(std::string_view bytes, double now_seconds)
{
    if (bytes.empty()) return;
    // An ESC that has waited its time before these bytes came was the Escape key on its own.
    resolveLoneEscape(now_seconds);
    for (char byte : bytes) {
        take(byte);
        if (state_ == State::escape && sequence_.size() == 1) escape_at_ = now_seconds;
    }
}

bool TerminalInput::next(ReviewEvent& event, double now_seconds)
{
    if (keys_.empty()) resolveLoneEscape(now_seconds);
    if (keys_.empty()) return false;
    event = keys_.front();
    keys_.pop_front();
    return true;
}

double TerminalInput::escapeDueAt() const { return state_ == State::escape ? escape_at_ + kEscapeWaitSeconds : -1.0; }

int TerminalInput::takeStatusReplies()
{
    int count = status_replies_;
    status_replies_ = 0;
    return count;
}

std::vector<std::string> TerminalInput::takeReplies()
{
    std::vector<std::string> taken;
    taken.swap(replies_);
    return taken;
}

void TerminalInput::resolveLoneEscape(double now_seconds)
{
    if (state_ != State::escape || now_seconds < escape_at_ + kEscapeWaitSeconds) return;
    push(ReviewKey::escape);
    sequence_.clear();
    state_ = State::ground;
}

void TerminalInput::push(ReviewKey key, bool shift, int digit)
{
    if (keys_.size() >= kMaxHeldKeys) return;
    ReviewEvent event;
    event.kind = ReviewEvent::Kind::key;
    event.key = key;
    event.shift = shift;
    event.digit = digit;
    keys_.push_back(event);
}

void TerminalInput::store(char byte)
{
    if (sequence_.size() < kMaxSequenceBytes) {
        sequence_.push_back(byte);
    } else {
        overflowed_ = true;
    }
}

void TerminalInput::take(char byte)
{
    const auto c = static_cast<unsigned char>(byte);
    switch (state_) {
    case State::ground:
        takeGround(byte);
        return;
    case State::escape:
        afterEscape(byte);
        return;
    case State::csi:
    case State::ss3:
        if (byte == kEsc) {  // cut short: a new sequence begins
            sequence_.assign(1, kEsc);
            overflowed_ = false;
            state_ = State::escape;
        } else if (byte == kCan || byte == kSub || c >= 0x80) {
            sequence_.clear();
            overflowed_ = false;
            state_ = State::ground;
        } else if (c < 0x20) {
            takeGround(byte);  // a control inside a sequence acts as it would outside
        } else if (isParameter(c) || isIntermediate(c)) {
            store(byte);
        } else if (isFinal(c)) {
            store(byte);
            if (state_ == State::csi) {
                finishCsi();
            } else {
                finishSs3();
            }
        }
        return;
    case State::text:
        if (byte == kEsc) {
            state_ = State::text_escape;
        } else if (byte == kCan || byte == kSub) {
            sequence_.clear();
            overflowed_ = false;
            state_ = State::ground;
        } else if (byte == kBel && sequence_.size() >= 2 && sequence_[1] == ']') {
            store(byte);  // an OSC may end with BEL
            finishText();
        } else {
            store(byte);
        }
        return;
    case State::text_escape:
        if (byte == '\\') {
            store(kEsc);
            store(byte);
            finishText();
        } else {
            // Not a terminator: the string was cut short and this ESC begins something new.
            sequence_.assign(1, kEsc);
            overflowed_ = false;
            state_ = State::escape;
            afterEscape(byte);
        }
        return;
    }
}

void TerminalInput::takeGround(char byte)
{
    if (byte >= '0' && byte <= '9') {
        push(ReviewKey::digit, false, byte - '0');
        return;
    }
    switch (byte) {
    case kEsc:
        sequence_.assign(1, kEsc);
        overflowed_ = false;
        state_ = State::escape;
        return;
    case kInterrupt:
        push(ReviewKey::q);
        return;
    case ' ':
        push(ReviewKey::space);
        return;
    case ',':
        push(ReviewKey::comma);
        return;
    case '.':
        push(ReviewKey::period);
        return;
    case '[':
        push(ReviewKey::bracket_left);
        return;
    case ']':
        push(ReviewKey::bracket_right);
        return;
    case '-':
        push(ReviewKey::minus);
        return;
    case '=':
    case '+':
        push(ReviewKey::plus);
        return;
    case 'l':
    case 'L':
        push(ReviewKey::l);
        return;
    case 'm':
    case 'M':
        push(ReviewKey::m);
        return;
    case 's':
    case 'S':
        push(ReviewKey::s);
        return;
    case 'h':
    case 'H':
        push(ReviewKey::h);
        return;
    case 'f':
    case 'F':
        push(ReviewKey::f);
        return;
    case 'q':
    case 'Q':
        push(ReviewKey::q);
        return;
    default:
        return;  // Enter, other letters, the bytes of other characters: nothing to do
    }
}

void TerminalInput::afterEscape(char byte)
{
    switch (byte) {
    case '[':
        store(byte);
        state_ = State::csi;
        return;
    case 'O':
        store(byte);
        state_ = State::ss3;
        return;
    case 'P':  // device control string
    case '_':  // application program command
    case ']':  // operating system command
    case 'X':  // start of string
    case '^':  // privacy message
        store(byte);
        state_ = State::text;
        return;
    default:
        // Nothing starts here: the ESC was the Escape key, and this byte is what came next.
        push(ReviewKey::escape);
        sequence_.clear();
        state_ = State::ground;
        takeGround(byte);
        return;
    }
}

void TerminalInput::finishCsi()
{
    const std::string sequence = std::move(sequence_);
    const bool overflowed = overflowed_;
    sequence_.clear();
    overflowed_ = false;
    state_ = State::ground;
    if (overflowed) return;

    const char final_byte = sequence.back();
    const std::string_view body = std::string_view(sequence).substr(2, sequence.size() - 3);
    const bool private_marker = !body.empty() && (body[0] == '?' || body[0] == '>' || body[0] == '=');
    bool intermediate = false;
    for (char c : body) intermediate = intermediate || isIntermediate(static_cast<unsigned char>(c));

    if (final_byte == 'n' && body == "0") {
        if (status_replies_ < INT_MAX) ++status_replies_;
        return;
    }
    // Answers: device attributes (c), window reports (t), status and cursor reports (n, R), mode
    // reports ($y), graphics attributes (?...S) and anything with a private marker or an
    // intermediate byte, which no key of ours sends.
    if (private_marker || intermediate || final_byte == 'c' || final_byte == 't' || final_byte == 'n' ||
        final_byte == 'R' || final_byte == 'y') {
        if (replies_.size() < kMaxHeldReplies) replies_.push_back(sequence);
        return;
    }
    if (body.find('<') != std::string_view::npos) return;  // a mouse report; we never ask for one

    const std::vector<int> values = numbers(body);
    const bool shift = shiftIn(values);
    if (const std::optional<ReviewKey> key = keyOfFinal(final_byte)) {
        push(*key, shift);
        return;
    }
    switch (final_byte) {
    case '~':
        switch (values[0]) {
        case 1:
        case 7:
            push(ReviewKey::home, shift);
            return;
        case 4:
        case 8:
            push(ReviewKey::end, shift);
            return;
        case 5:
            push(ReviewKey::page_up, shift);
            return;
        case 6:
            push(ReviewKey::page_down, shift);
            return;
        case 11:
            push(ReviewKey::h, shift);
            return;
        case 23:
            push(ReviewKey::f11, shift);
            return;
        default:
            return;
        }
    default:
        return;
    }
}

void TerminalInput::finishSs3()
{
    const std::string sequence = std::move(sequence_);
    const bool overflowed = overflowed_;
    sequence_.clear();
    overflowed_ = false;
    state_ = State::ground;
    if (overflowed) return;

    // Some terminals put the modifier before the final byte (ESC O 2 A): read it as xterm's second.
    const std::string_view body = std::string_view(sequence).substr(2, sequence.size() - 3);
    std::vector<int> values = numbers(body);
    const bool shift = !body.empty() && values.back() >= 2 && ((values.back() - 1) & 1) != 0;
    if (const std::optional<ReviewKey> key = keyOfFinal(sequence.back())) push(*key, shift);
}

void TerminalInput::finishText()
{
    const bool keep = !overflowed_ && (sequence_[1] == 'P' || sequence_[1] == '_' || sequence_[1] == ']');
    if (keep && replies_.size() < kMaxHeldReplies) replies_.push_back(std::move(sequence_));
    sequence_.clear();
    overflowed_ = false;
    state_ = State::ground;
}
