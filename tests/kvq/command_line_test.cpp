// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "command_line.h"
#include "kvq_test_support.h"
#include "tool_error.h"

namespace {

ParsedArguments parse(const std::vector<std::string>& arguments)
{
    return parseArguments(arguments, {{"output", "o"}, {"frame", ""}});
}

}  // namespace

TEST(CommandLineParsing, OptionsMayComeAnywhereInEitherForm)
{
    const ParsedArguments parsed = parse({"a", "--frame", "7", "b", "-o", "out", "--", "-c"});
    EXPECT_EQ(parsed.positional, (std::vector<std::string>{"a", "b", "-c"}));
    EXPECT_EQ(parsed.option("frame"), "7");
    EXPECT_EQ(parsed.option("output"), "out");
    EXPECT_FALSE(parsed.help);

    const ParsedArguments joined = parse({"--output=x=y", "-"});
    EXPECT_EQ(joined.option("output"), "x=y");
    EXPECT_EQ(joined.positional, std::vector<std::string>{"-"});
    EXPECT_TRUE(parse({"x", "-h"}).help);
    EXPECT_FALSE(parse({}).option("frame").has_value());
    EXPECT_THROW(parse({}).required("frame"), UsageError);
}

TEST(CommandLineParsing, MalformedOptionsAreUsageErrors)
{
    EXPECT_THROW(parse({"--colour", "red"}), UsageError);
    EXPECT_THROW(parse({"-x"}), UsageError);
    EXPECT_THROW(parse({"--frame"}), UsageError);
    EXPECT_THROW(parse({"-o", "a", "--output", "b"}), UsageError);
}

TEST(KvqHelp, OverviewListsEveryCommand)
{
    for (const auto& arguments : {std::vector<std::string>{"--help"}, {"-h"}, {"help"}}) {
        const KvqRun run = runKvqWith(arguments);
        EXPECT_EQ(run.status, 0);
        for (const char* command : {"font", "info", "render", "demo", "help"}) {
            EXPECT_NE(run.out.find(std::string("  ") + command + " "), std::string::npos) << command;
        }
    }
    // With no command at all the overview goes to standard error and the status says misuse.
    const KvqRun bare = runKvqWith({});
    EXPECT_EQ(bare.status, 2);
    EXPECT_NE(bare.err.find("Usage: kvq"), std::string::npos);
}

TEST(KvqHelp, EachCommandHasItsOwnHelpBothWays)
{
    for (const char* name : {"font", "info", "render", "demo"}) {
        const std::string command = name;
        const KvqRun help = runKvqWith({"help", command});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out.rfind("Usage: kvq " + command, 0), 0u) << help.out;
        const KvqRun flag = runKvqWith({command, "--help"});
        EXPECT_EQ(flag.status, 0) << command;
        EXPECT_EQ(flag.out, help.out) << command;
    }
    EXPECT_NE(runKvqWith({"help", "info"}).out.find(".kvq"), std::string::npos) << "info's help states its guess";
    EXPECT_EQ(runKvqWith({"help", "nonsense"}).status, 2);
}

TEST(KvqHelp, MisuseIsOneLineAndStatusTwo)
{
    TempDir dir;
    const std::vector<std::vector<std::string>> misuses = {
        {"nonsense"},
        {"font", dir.file("in")},
        {"font", "-o", dir.file("out")},
        {"font", "a", "b", "-o", dir.file("out")},
        {"render", "anim", "--font", "f", "--frame", "-1", "-o", dir.file("out")},
        {"render", "anim", "--font", "f", "--frame", "3x", "-o", dir.file("out")},
        {"info", "--as", "picture", "x"},
        {"demo", "--bogus", "-o", dir.file("out")},
    };
    for (const auto& arguments : misuses) {
        const KvqRun run = runKvqWith(arguments);
        EXPECT_EQ(run.status, 2) << arguments[0] << " " << run.err;
        EXPECT_TRUE(isOneLine(run.err)) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}
