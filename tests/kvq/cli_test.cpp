// SPDX-License-Identifier: MIT
#include "kvq/cli/command.h"
#include "kvq/cli/tool_error.h"
#include "kvq/files/atomic_file.h"
#include "kvq_test_support.h"

using Cases = std::vector<std::pair<std::vector<std::string>, std::string>>;

TEST(KvqCommandLine, EveryCommandAnswersHelpFromItsOwnEntry)
{
    for (const Command* command : allCommands()) {
        const std::string name(command->name);
        EXPECT_EQ(command->help.rfind("Usage: kvq " + name, 0), 0u) << command->help;
        for (const auto& arguments : std::vector<std::vector<std::string>>{{"help", name}, {name, "-h"}, {name, "x", "--help"}}) {
            const KvqRun run = kvq(arguments);
            EXPECT_EQ(run.status, 0) << name;
            EXPECT_EQ(run.out, command->help) << name;
        }
    }
}

TEST(KvqCommandLine, MisuseIsOneLineAndStatusTwo)
{
    TempDir dir;
    const std::string out = dir.file("out");
    for (const auto& [arguments, cause] : Cases{
             {{"nonsense"}, "no command 'nonsense'"},
             {{"font", "in"}, "missing --output"},
             {{"demo", "--bogus", "--help", "-o", out}, "unknown option --bogus"},
             {{"export", "a", "--font", "f", "-o", dir.file("out.gif.tmp")}, "must end in .gif, .y4m, .mp4, .webm or .mkv"},
             {{"export", "a", "--font", "f", "--audio", "a", "-o", dir.file("o.gif")}, "--audio goes only"}}) {
        expectRefused(dir.path(), arguments, cause, 2);
    }
}

TEST(KvqCommandLine, FailuresAreOneLineStatusOneAndWriteNothing)
{
    TempDir dir;
    const std::string anim = dir.write("anim.kvq", randomBytes(2 * kFrame + 10, 2));
    const std::string font = dir.write("test", randomBytes(8192, 2));
    const std::string tiny = dir.write("tiny.kvq", randomBytes(29, 2));
    std::filesystem::create_directories(dir.path() / "broken");
    std::filesystem::create_directories(dir.path() / "out");
    dir.write("broken/1.png", randomBytes(500, 1));
    const std::string out = dir.file("out");
    const std::string none = dir.file("none.kvq");
    for (const auto& [arguments, cause] : Cases{
             {{"font", dir.file("missing.psf"), "-o", dir.file("f")}, "missing.psf: cannot open"},
             {{"info", dir.write("blob", randomBytes(1000, 1))}, "blob: cannot tell a frame file from a font"},
             {{"info", out}, "out: not a regular file"},
             {{"render", tiny, "--font", font, "--frame", "0", "-o", dir.file("x.png")}, "tiny.kvq: holds no frames"},
             {{"encode", dir.file("missing.mp4"), "--font", font, "-o", out}, "missing.mp4: no such file"},
             {{"encode", dir.file("broken"), "--font", font, "-o", out}, "1.png: not a readable PNG picture"},
             {{"export", dir.write("empty.kvq", {}), "--font", font, "-o", dir.file("o.mp4")}, "empty.kvq: holds no frames"},
             {{"export", anim, "--font", font, "--audio", none, "-o", dir.file("o.webm")}, "none.kvq: cannot open"}}) {
        expectRefused(dir.path(), arguments, cause);
        EXPECT_TRUE(folderEntries(out).empty());
    }
}

TEST(OutputWholeOrNotAtAll, OldContentStaysUntilCommitAndAnythingShortOfOneLeavesNoTrace)
{
    TempDir dir;
    const std::string path = dir.write("out", {'o', 'l', 'd'});
    for (const std::string& target : {path, dir.file("fresh")}) AtomicFile(target).write(std::vector<std::uint8_t>(100000, 7));
    // A folder in the way is found only at the rename; the written bytes must not stay.
    std::filesystem::create_directories(dir.path() / "taken" / "inner");
    EXPECT_THROW(writeFileAtomically(dir.file("taken"), std::vector<std::uint8_t>{1}), ToolError);
    // A command that fails keeps the output it would have replaced.
    expectRefused(dir.path(), {"font", dir.file("taken"), "-o", path}, "folder");
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"out", "taken"}));
    EXPECT_EQ(readBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));

    AtomicFile file(path);
    file.write(std::vector<std::uint8_t>{'n', 'e', 'w'});
    EXPECT_EQ(readBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    // Beside the target, so that the rename never crosses file systems.
    EXPECT_EQ(std::filesystem::path(file.temporaryPath()).parent_path(), dir.path());
    file.commit();
    EXPECT_EQ(readBytes(path), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"out", "taken"}));
}

TEST(NeverReplacesInput, EveryCommandRefusesToWriteOverWhatItReads)
{
    TempDir dir;
    // Inputs named like outputs, so that only the sameness of the files stops each command.
    const auto bytes = randomBytes(8192, 3);
    const std::string font = dir.write("font.gif", bytes);
    const std::string frames = dir.write("frames.y4m", bytes);
    const std::string sound = dir.write("sound.mkv", bytes);
    std::filesystem::create_symlink(font, dir.file("link.mp4"));
    std::filesystem::create_hard_link(frames, dir.file("hard.png"));
    std::filesystem::create_directory(dir.path() / "show");
    const std::string in_show = dir.write("show/test", bytes);
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"font", font, "-o", font},
             {"font", font, "-o", dir.file("link.mp4")},
             {"render", frames, "--font", font, "--frame", "0", "-o", dir.file("hard.png")},
             {"render", frames, "--font", font, "--frame", "0", "-o", font},
             {"export", frames, "--font", font, "-o", frames},
             {"export", frames, "--font", font, "-o", dir.file("link.mp4")},
             {"export", frames, "--font", font, "--audio", sound, "-o", sound},
             {"encode", in_show, "-o", dir.file("show")}}) {
        expectRefused(dir.path(), arguments, "refusing to overwrite");
    }
    for (const std::string& path : {font, frames, sound, in_show}) EXPECT_EQ(readBytes(path), bytes) << path;
}
