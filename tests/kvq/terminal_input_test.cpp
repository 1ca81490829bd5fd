// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kvq/play/terminal/terminal_input.h"
#include "kvq/play/terminal/terminal_probe.h"

namespace {

// Every key the bytes make once no more are coming, as "name" or "name+shift" or "digit3".
std::vector<std::string> keysOf(TerminalInput& input, double now = 100.0)
{
    static const char* const names[] = {
        "other", "space", "left", "right", "up", "down",  "page_up", "page_down", "home", "end", "comma", "period", "[",
        "]",     "digit", "l",    "m",     "s",  "minus", "plus",    "h",         "f",    "f11", "q",     "escape"};
    std::vector<std::string> keys;
    ReviewEvent event;
    while (input.next(event, now)) {
        EXPECT_EQ(event.kind, ReviewEvent::Kind::key);
        std::string name = names[static_cast<int>(event.key)];
        if (event.key == ReviewKey::digit) name += std::to_string(event.digit);
        if (event.shift) name += "+shift";
        keys.push_back(name);
    }
    return keys;
}

std::vector<std::string> keysOf(std::string_view bytes)
{
    TerminalInput input;
    input.feed(bytes, 0.0);
    return keysOf(input);
}

using Keys = std::vector<std::string>;

TEST(TerminalInput, KeysFromTheirSequences)
{
    EXPECT_EQ(keysOf("\x1b[A\x1b[B\x1b[C\x1b[D\x1bOA\x1bOB\x1bOC\x1bOD"),
              (Keys{"up", "down", "right", "left", "up", "down", "right", "left"}));
    EXPECT_EQ(keysOf("\x1b[1;2D\x1b[1;2C\x1b[1;5D\x1b[5;2~"),
              (Keys{"left+shift", "right+shift", "left", "page_up+shift"}));
    EXPECT_EQ(keysOf("\x1b[H\x1b[1~\x1bOH\x1b[7~\x1b[F\x1b[4~\x1bOF\x1b[8~"),
              (Keys{"home", "home", "home", "home", "end", "end", "end", "end"}));
    EXPECT_EQ(keysOf("\x1b[5~\x1b[6~\x1bOP\x1b[11~\x1b[23~\x1b[2~\x1b[3~"),
              (Keys{"page_up", "page_down", "h", "h", "f11"}));
    EXPECT_EQ(keysOf(" 07,.[]-=+lLmMsShHfFqQ\r\nxZ\x7f\x03"),
              (Keys{"space", "digit0", "digit7", "comma", "period", "[", "]", "minus", "plus", "plus", "l", "l",
                    "m",     "m",      "s",      "s",     "h",      "h", "f", "f",     "q",    "q",    "q"}));
    // The bytes of a character beyond ASCII are no key.
    EXPECT_EQ(keysOf("\xc3\xa9q"), Keys{"q"});
}

TEST(TerminalInput, SequencesSplitAnywhereMakeTheSameKeys)
{
    const std::string bytes = "\x1b[1;2D\x1bOP\x1b[23~ \x1b[?62;c\x1b_Gi=31;OK\x1b\\q\x1b[0n";
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        for (std::size_t cut2 = cut; cut2 <= bytes.size(); cut2 += 3) {
            TerminalInput input;
            input.feed(bytes.substr(0, cut), 0.0);
            input.feed(bytes.substr(cut, cut2 - cut), 0.01);
            input.feed(bytes.substr(cut2), 0.02);
            EXPECT_EQ(keysOf(input), (Keys{"left+shift", "h", "f11", "space", "q"})) << cut << " " << cut2;
            EXPECT_EQ(input.takeReplies(), (std::vector<std::string>{"\x1b[?62;c", "\x1b_Gi=31;OK\x1b\\"}));
            EXPECT_EQ(input.takeStatusReplies(), 1);
        }
    }
}

TEST(TerminalInput, ALoneEscapeIsTheKeyOnceNothingFollowsInTime)
{
    TerminalInput input;
    EXPECT_LT(input.escapeDueAt(), 0);
    input.feed("\x1b", 10.0);
    EXPECT_DOUBLE_EQ(input.escapeDueAt(), 10.0 + TerminalInput::kEscapeWaitSeconds);
    ReviewEvent event;
    EXPECT_FALSE(input.next(event, 10.0 + TerminalInput::kEscapeWaitSeconds / 2));
    EXPECT_EQ(keysOf(input, 10.0 + TerminalInput::kEscapeWaitSeconds), Keys{"escape"});
    EXPECT_LT(input.escapeDueAt(), 0);

    // The rest of a sequence in time is that sequence; after the wait, what follows is new keys.
    input.feed("\x1b", 20.0);
    input.feed("[D", 20.0 + TerminalInput::kEscapeWaitSeconds / 2);
    EXPECT_EQ(keysOf(input, 30.0), Keys{"left"});
    input.feed("\x1b", 40.0);
    input.feed("[D", 40.0 + 2 * TerminalInput::kEscapeWaitSeconds);
    EXPECT_EQ(keysOf(input, 50.0), (Keys{"escape", "["}));

    // An ESC that starts nothing is Escape then that key, at once; two are two.
    EXPECT_EQ(keysOf("\x1b \x1bq"), (Keys{"escape", "space", "escape", "q"}));
    TerminalInput twice;
    twice.feed("\x1b\x1b", 0.0);
    EXPECT_EQ(keysOf(twice, 0.0), Keys{"escape"});
    EXPECT_EQ(keysOf(twice, 1.0), Keys{"escape"});
}

TEST(TerminalInput, RepliesAreNeverKeys)
{
    const std::vector<std::string> replies = {"\x1b[?63;1;2;4;6;9;15;16;22;28c",
                                              "\x1b[>41;379;0c",
                                              "\x1b[4;312;480t",
                                              "\x1b[6;13;6t",
                                              "\x1b[?1;0;1024S",
                                              "\x1b[?2;0;480;312S",
                                              "\x1b[?2026;0$y",
                                              "\x1b[12;40R",
                                              "\x1bP1$r0;38:2::23:20:16;48:2::232:204:160m\x1b\\",
                                              "\x1b_Gi=31;OK\x1b\\",
                                              "\x1b]11;rgb:0000/0000/0000\x07"};
    std::string bytes;
    for (const std::string& reply : replies) bytes += reply + "\x1b[0n";
    TerminalInput input;
    input.feed(bytes, 0.0);
    EXPECT_EQ(keysOf(input), Keys{});
    EXPECT_EQ(input.takeReplies(), replies);
    EXPECT_EQ(input.takeReplies(), std::vector<std::string>{});
    EXPECT_EQ(input.takeStatusReplies(), static_cast<int>(replies.size()));
    EXPECT_EQ(input.takeStatusReplies(), 0);
}

TEST(TerminalInput, GarbageIsBoundedAndTheKeysAfterItStillCount)
{
    TerminalInput input;
    // A device control string far longer than any reply, then keys: it is dropped whole, its
    // letters are not keys, and what follows it is read.
    input.feed("\x1bP", 0.0);
    const std::string filler(1000, 'q');
    for (int i = 0; i < 100; ++i) input.feed(filler, 0.0);
    input.feed("\x1b\\ q", 0.0);
    EXPECT_EQ(keysOf(input), (Keys{"space", "q"}));
    EXPECT_EQ(input.takeReplies(), std::vector<std::string>{});
    // So is an endless control sequence.
    input.feed("\x1b[", 0.0);
    for (int i = 0; i < 100; ++i) input.feed(std::string(1000, '1'), 0.0);
    input.feed("c,", 0.0);
    EXPECT_EQ(keysOf(input), Keys{"comma"});
    EXPECT_EQ(input.takeReplies(), std::vector<std::string>{});
    // Keys and replies nobody takes are held up to a bound.
    for (int i = 0; i < 1000; ++i) input.feed("q\x1b[?62;c", 0.0);
    EXPECT_EQ(keysOf(input).size(), TerminalInput::kMaxHeldKeys);
    EXPECT_EQ(input.takeReplies().size(), TerminalInput::kMaxHeldReplies);
    // A sequence cut short by another is dropped, and the other read.
    input.feed("\x1b[12\x1b[B\x1bP1$r0m\x1b[A", 0.0);
    EXPECT_EQ(keysOf(input), (Keys{"down", "up"}));
}

// Replies recorded from real terminals on this system.
const std::vector<std::string> kXtermDefault = {"\x1b[?1;0;1024S", "\x1b[?2;0;480;312S", "\x1bP1$r0;48:2::1:2:3m\x1b\\",
                                                "\x1b[?64;1;2;6;9;15;16;17;18;21;22;28c"};
const std::vector<std::string> kXtermVt340 = {"\x1b[4;312;480t",
                                              "\x1b[6;13;6t",
                                              "\x1b[?1;0;1024S",
                                              "\x1b[?2;0;480;312S",
                                              "\x1bP1$r0;48:2::1:2:3m\x1b\\",
                                              "\x1b[?63;1;2;4;6;9;15;16;22;28c"};
const std::vector<std::string> kKitty = {"\x1b_Gi=31;OK\x1b\\", "\x1b[4;595;800t", "\x1b[6;17;8t",
                                         "\x1bP1$r48;2;1;2;3m\x1b\\", "\x1b[?62;c"};

TEST(TerminalProbe, CapabilitiesFromRecordedReplies)
{
    const TerminalSize size{80, 24, 484, 316};
    const TerminalCapabilities xterm = capabilitiesFrom(kXtermDefault, size, nullptr);
    EXPECT_TRUE(xterm.answered);
    EXPECT_FALSE(xterm.sixel);
    EXPECT_FALSE(xterm.kitty_graphics);
    EXPECT_TRUE(xterm.direct_colour);
    EXPECT_EQ(xterm.colour_registers, 1024);
    EXPECT_EQ(xterm.max_sixel_width, 480);
    EXPECT_EQ(xterm.max_sixel_height, 312);
    EXPECT_EQ(xterm.cell_width, 6);  // no window reports: the tty's pixels over its cells
    EXPECT_EQ(xterm.cell_height, 13);

    const TerminalCapabilities vt340 = capabilitiesFrom(kXtermVt340, {80, 24, 0, 0}, nullptr);
    EXPECT_TRUE(vt340.sixel);
    EXPECT_EQ(vt340.cell_width, 6);
    EXPECT_EQ(vt340.cell_height, 13);

    const TerminalCapabilities kitty = capabilitiesFrom(kKitty, {100, 35, 800, 595}, nullptr);
    EXPECT_TRUE(kitty.answered);
    EXPECT_TRUE(kitty.kitty_graphics);
    EXPECT_FALSE(kitty.sixel);
    EXPECT_TRUE(kitty.direct_colour);
    EXPECT_EQ(kitty.cell_width, 8);
    EXPECT_EQ(kitty.cell_height, 17);
    EXPECT_EQ(kitty.colour_registers, 0);
}

TEST(TerminalProbe, CapabilitiesWhereTheRepliesSayLess)
{
    // The cell from the text area's report when the cell's own is missing.
    const TerminalCapabilities area = capabilitiesFrom({"\x1b[4;312;480t", "\x1b[?62;c"}, {80, 24, 999, 999}, nullptr);
    EXPECT_EQ(area.cell_width, 6);
    EXPECT_EQ(area.cell_height, 13);
    // A colour read back as something else, or a refusal, is no direct colour; $COLORTERM is.
    const std::vector<std::string> refused = {
        "\x1bP0$r\x1b\\", "\x1bP1$r0;48;5;1m\x1b\\", "\x1bP1$r0;48;2;1;2;34m\x1b\\", "\x1b_Gi=31;ENOENT\x1b\\",
        "\x1b[?1;3;0S",   "\x1b[?64;14;22c"};
    const TerminalCapabilities plain = capabilitiesFrom(refused, {80, 24, 0, 0}, "");
    EXPECT_TRUE(plain.answered);
    EXPECT_FALSE(plain.direct_colour);
    EXPECT_FALSE(plain.kitty_graphics);
    EXPECT_FALSE(plain.sixel);
    EXPECT_EQ(plain.colour_registers, 0);
    EXPECT_EQ(plain.cell_width, 0);
    // The first number is the terminal's class (4: a VT132), not a feature.
    EXPECT_FALSE(capabilitiesFrom({"\x1b[?4;6c"}, {}, nullptr).sixel);
    EXPECT_TRUE(capabilitiesFrom(refused, {}, "truecolor").direct_colour);
    EXPECT_TRUE(capabilitiesFrom(refused, {}, "24bit").direct_colour);
    // No reply at all: nothing is assumed.
    const TerminalCapabilities silent = capabilitiesFrom({}, {80, 24, 640, 480}, "truecolor");
    EXPECT_FALSE(silent.answered);
    EXPECT_FALSE(silent.direct_colour);
    EXPECT_EQ(silent.cell_width, 0);
}

// A terminal that answers the queries in pieces, after keys typed meanwhile.
class AnsweringLink : public TerminalLink {
public:
    explicit AnsweringLink(std::vector<std::string> pieces) : pieces_(std::move(pieces)) {}
    TerminalSize size() const override { return {80, 24, 480, 312}; }
    void write(std::string_view bytes) override { written += bytes; }
    std::size_t unsent() const override { return 0; }
    Happened wait(std::string& input, int) override
    {
        ++waits;
        if (next_ == pieces_.size()) return Happened::timeout;
        input += pieces_[next_++];
        return Happened::input;
    }
    std::string written;
    int waits = 0;

private:
    std::vector<std::string> pieces_;
    std::size_t next_ = 0;
};

TEST(TerminalProbe, ProbeSendsTheQueriesAndStopsAtTheLastReply)
{
    const std::string queries = terminalQueries();
    EXPECT_TRUE(queries.ends_with("\x1b[c"));
    EXPECT_NE(queries.find("\x1b_Gi=31,s=1,v=1,a=q,t=d,f=24;AAAA\x1b\\"), std::string::npos);
    EXPECT_NE(queries.find("\x1b[48;2;1;2;3m\x1bP$qm\x1b\\\x1b[0m"), std::string::npos);

    AnsweringLink link({"q\x1b[6;13;", "6t\x1b[?63;4c", "\x1b[?1;0;256S"});
    TerminalInput input;
    const TerminalCapabilities caps = probeTerminal(link, input, 60000);
    EXPECT_EQ(link.written, queries);
    EXPECT_EQ(link.waits, 2);  // not a wait after the last reply came
    EXPECT_TRUE(caps.answered);
    EXPECT_TRUE(caps.sixel);
    EXPECT_EQ(caps.cell_width, 6);
    EXPECT_EQ(caps.colour_registers, 0);
    EXPECT_EQ(keysOf(input), Keys{"q"});

    AnsweringLink silent({});
    EXPECT_FALSE(probeTerminal(silent, input, 0).answered);
}

}  // namespace
