// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "kvq/cli/command_table.h"
#include "kvq/common/number_argument.h"
#include "kvq/common/time_argument.h"
#include "kvq/common/tool_error.h"
#include "kvq/files/atomic_file.h"
#include "kvq/files/png_file.h"
#include "support/kvq_test_support.h"

using Cases = std::vector<std::pair<std::vector<std::string>, std::string>>;

TEST(KvqCommandLine, EveryCommandAnswersHelpFromItsOwnEntry)
{
    for (const Command* command : allCommands()) {
        const std::string name(command->name);
        EXPECT_EQ(command->help.rfind("Usage: kvq " + name, 0), 0u) << command->help;
        for (const auto& arguments :
             std::vector<std::vector<std::string>>{{"help", name}, {name, "-h"}, {name, "x", "--help"}}) {
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
             {{"export", "a", "--font", "f", "-o", dir.file("out.gif.tmp")},
              "must end in .gif, .y4m, .mp4, .webm, .mkv or .html"},
             {{"export", "a", "--font", "f", "--loop", "-o", dir.file("o.gif")}, "--loop goes only with a web page"},
             {{"export", "a", "--font", "f", "--poster", "1:75", "-o", dir.file("o.html")},
              "--poster takes seconds (75.5), minutes:seconds (1:15.5) or hours:minutes:seconds (1:00:00), not '1:75'"},
             {{"play", "a", "--start", "1:2:3:4"}, "not '1:2:3:4'"},
             {{"play", "a", "--scroll-speed", "65"}, "--scroll-speed"},
             {{"play", "a", "--baud", "9600"}, "--baud goes only with a piece of the scene's art"},
             {{"render", "a", "--font", "f", "--frame", "99999999999999999999", "-o", "-"},
              "--frame takes a frame number from 0 on"},
             {{"export", "a", "--font", "f", "--audio", "a", "-o", dir.file("o.gif")}, "--audio goes only"},
             {{"help", "font", "extra"}, "unexpected argument 'extra'"},
             {{"render", "a", "--font", "f", "--frame", "0", "-o", dir.file("a.jpg")}, "must end in .png"}}) {
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
    std::filesystem::create_directories(dir.path() / "taken" / "quorva2.kvq");
    const std::string pictures = dir.write("pictures.png", encodeRgbPng(PackedPicture(640 * 480), 640, 480));
    std::filesystem::create_directories(dir.path() / "pictures");
    std::filesystem::rename(pictures, dir.file("pictures/1.png"));
    auto gz = gzipped(dir, psf(1, 256)), bad_gz = gz;
    bad_gz[2] = 7;  // an unknown compression method
    gz.resize(gz.size() - 8);
    std::filesystem::remove(dir.file("gz"));
    const std::string out = dir.file("out");
    const std::string none = dir.file("none.kvq");
    ASSERT_EQ(mkfifo(dir.file("fifo.kvq").c_str(), 0600), 0);  // nobody writes: reading it would wait for ever
    for (const auto& [arguments, cause] :
         Cases{{{"font", dir.file("missing.psf"), "-o", dir.file("f")}, "missing.psf: cannot open"},
               {{"info", dir.write("blob", randomBytes(1000, 1))}, "blob: cannot tell a frame file from a font"},
               {{"info", out}, "out: not a regular file"},
               {{"render", dir.file("fifo.kvq"), "--font", font, "--frame", "0", "-o", dir.file("x.png")},
                "fifo.kvq: not a regular file"},
               {{"font", dir.file("fifo.kvq"), "-o", dir.file("f")}, "fifo.kvq: not a regular file"},
               {{"render", tiny, "--font", font, "--frame", "0", "-o", dir.file("x.png")}, "tiny.kvq: holds no frames"},
               {{"encode", dir.file("missing.mp4"), "--font", font, "-o", out}, "missing.mp4: no such file"},
               {{"encode", dir.file("broken"), "--font", font, "-o", out}, "1.png: not a readable PNG picture"},
               {{"encode", dir.file("broken"), "--font", font, "-o", dir.file("made/deeper")}, "1.png: not a readable"},
               {{"encode", dir.file("pictures"), "--font", font, "-o", dir.file("taken")}, "quorva2.kvq: is a folder"},
               {{"font", dir.write("bad.gz", bad_gz), "-o", dir.file("f")},
                "bad.gz: corrupt compressed data: unknown compression"},
               {{"font", dir.write("cut.gz", gz), "-o", dir.file("f")}, "cut.gz: truncated"},
               {{"render", anim, "--font", font, "--frame", "18446744073709551615", "-o", "-"}, "there is no frame"},
               {{"export", dir.write("empty.kvq", {}), "--font", font, "-o", dir.file("o.mp4")},
                "empty.kvq: holds no frames"},
               {{"export", anim, "--font", font, "--audio", none, "-o", dir.file("o.webm")}, "none.kvq: cannot open"},
               {{"export", anim, "--font", font, "--audio", none, "-o", dir.file("o.html")}, "none.kvq: cannot open"},
               {{"export", anim, "--font", dir.file("fifo.kvq"), "-o", dir.file("o.html")},
                "fifo.kvq: not a regular file"},
               {{"encode", dir.file("pictures"), "--font", anim, "-o", out},
                "anim.kvq: neither a font made by 'kvq font' (8192 bytes) nor a PSF console font; --font also takes "
                "'tones' or 'learn'"}}) {
        expectRefused(dir.path(), arguments, cause);
        EXPECT_TRUE(folderEntries(out).empty());
    }
    EXPECT_EQ(folderEntries(dir.path() / "taken"), std::vector<std::string>{"quorva2.kvq"});
}

TEST(OutputKinds, DevicesFifosAndLinksAreWrittenThroughAndAReplacedFileKeepsItsMode)
{
    TempDir dir;
    const std::string font = dir.write("in.psf", psf(1, 256)), target = dir.write("target", {1}), name(250, 'n');
    ::chmod(target.c_str(), 0600);
    std::filesystem::create_symlink("target", dir.file("link"));
    // A reader already waiting, so that the writer's open goes through; what it got is read afterwards.
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const int reader = ::open(dir.file("fifo").c_str(), O_RDONLY | O_NONBLOCK);
    std::vector<std::string> outputs = {dir.file("fifo"), dir.file("link"), dir.file(name)};
    // Device nodes of one's own, not the system's: the code before this wrote files over them.
    if (::mknod(dir.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 &&
        ::mknod(dir.file("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
        outputs.push_back(dir.file("null"));
        expectRefused(dir.path(), {"font", font, "-o", dir.file("full")}, "full: cannot write");
    }
    for (const std::string& output : outputs) EXPECT_EQ(kvq({"font", font, "-o", output}).status, 0) << output;
    std::vector<std::uint8_t> received(10000);
    received.resize(static_cast<std::size_t>(std::max<ssize_t>(0, ::read(reader, received.data(), received.size()))));
    ::close(reader);
    EXPECT_EQ(received, fontFile(256));
    EXPECT_EQ(readBytes(target), fontFile(256));
    EXPECT_EQ(readBytes(dir.file(name)), fontFile(256));
    EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0600));
    EXPECT_TRUE(std::filesystem::is_fifo(dir.file("fifo")) && std::filesystem::is_symlink(dir.file("link")));
    for (const char* device : {"null", "full"}) EXPECT_FALSE(std::filesystem::is_regular_file(dir.file(device)));
}

TEST(OutputWholeOrNotAtAll, OldContentStaysUntilCommitAndAnythingShortOfOneLeavesNoTrace)
{
    TempDir dir;
    const std::string path = dir.write("out", {'o', 'l', 'd'});
    for (const std::string& target : {path, dir.file("fresh")})
        AtomicFile(target).write(std::vector<std::uint8_t>(100000, 7));
    // A folder in the way is refused before anything is written.
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
    std::filesystem::create_symlink(sound, dir.file("sound.html"));
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
             {"export", frames, "--font", font, "--audio", sound, "-o", dir.file("sound.html")},
             {"encode", in_show, "-o", dir.file("show")}}) {
        expectRefused(dir.path(), arguments, "refusing to overwrite");
    }
    for (const std::string& path : {font, frames, sound, in_show}) EXPECT_EQ(readBytes(path), bytes) << path;
}

TEST(TimeArgument, SecondsOrMinutesAndSecondsAndNothingElse)
{
    EXPECT_EQ(timeArgumentSeconds("75", "--start"), 75.0);
    EXPECT_EQ(timeArgumentSeconds("75.5", "--start"), 75.5);
    EXPECT_EQ(timeArgumentSeconds("1:15", "--start"), 75.0);
    EXPECT_EQ(timeArgumentSeconds("1:15.5", "--start"), 75.5);
    EXPECT_EQ(timeArgumentSeconds("0:05", "--start"), 5.0);
    EXPECT_EQ(timeArgumentSeconds("90:00", "--start"), 5400.0);
    EXPECT_EQ(timeArgumentSeconds("1:00:00", "--start"), 3600.0);
    EXPECT_EQ(timeArgumentSeconds("2:03:04.5", "--start"), 7384.5);
    EXPECT_EQ(timeArgumentSeconds("0:0:07", "--start"), 7.0);
    for (const std::string text : {"", "-1", "inf", "nan", "1e309", "1e3", "+5", "1:60", "1.5:00", "1:60:00", "1:2:60",
                                   "1:2:3:4", "1.5:2:3", "::5", ":5", "5:", "1: 5", "1:5e1", "x"}) {
        try {
            timeArgumentSeconds(text, "--poster");
            ADD_FAILURE() << "took '" << text << "'";
        } catch (const UsageError& error) {
            EXPECT_NE(std::string(error.what())
                          .find("--poster takes seconds (75.5), minutes:seconds (1:15.5) or hours:minutes:seconds "
                                "(1:00:00), not '" +
                                text + "'"),
                      std::string::npos)
                << error.what();
        }
    }
}

TEST(NumberArgument, TheWholeArgumentInRangeAndNothingElse)
{
    EXPECT_EQ(numberArgument("0.25", "--speed", 0.25, 4, "0.25 to 4"), 0.25);
    EXPECT_EQ(numberArgument("4", "--speed", 0.25, 4, "0.25 to 4"), 4.0);
    EXPECT_EQ(numberArgument("1.5e0", "--speed", 0.25, 4, "0.25 to 4"), 1.5);
    EXPECT_EQ(wholeNumberArgument("1", "--scale", 1, 16, "1 to 16"), 1u);
    EXPECT_EQ(wholeNumberArgument("16", "--scale", 1, 16, "1 to 16"), 16u);
    EXPECT_EQ(wholeNumberArgument("18446744073709551615", "--frame", 0, UINT64_MAX, "from 0 on"), UINT64_MAX);
    const auto expectRefusal = [](const std::string& text, auto parse) {
        try {
            parse(text);
            ADD_FAILURE() << "took '" << text << "'";
        } catch (const UsageError& error) {
            EXPECT_EQ(std::string(error.what()), "--x takes its range, not '" + text + "'");
        }
    };
    for (const std::string text :
         {"", "0.24", "4.01", "-1", "2x", "2 ", " 2", "+2", "nan", "NaN", "inf", "-inf", "1e400", "0x2", "2,5"}) {
        expectRefusal(text, [](const std::string& t) { numberArgument(t, "--x", 0.25, 4, "its range"); });
    }
    for (const std::string text : {"", "0", "17", "-1", "-0", "2.5", "1e1", "2x", " 2", "+2", "nan", "inf",
                                   "18446744073709551616", "99999999999999999999"}) {
        expectRefusal(text, [](const std::string& t) { wholeNumberArgument(t, "--x", 1, 16, "its range"); });
    }
}
