// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "atomic_file.h"
#include "kvq_test_support.h"
#include "tool_error.h"

namespace {

const std::vector<std::uint8_t> kOld = {'o', 'l', 'd'};
const std::vector<std::uint8_t> kNew = {'n', 'e', 'w', ' ', 'b', 'y', 't', 'e', 's'};

}  // namespace

TEST(AtomicFile, OldContentStaysUntilCommitThenNewContentAppearsWhole)
{
    TempDir dir;
    const std::string path = dir.write("out", kOld);
    {
        AtomicFile file(path);
        file.write(kNew);
        EXPECT_EQ(readBytes(path), kOld);
        // The bytes wait beside the target, in the same folder, so the rename stays on one file system.
        EXPECT_EQ(std::filesystem::path(file.temporaryPath()).parent_path(), dir.path());
        EXPECT_EQ(readBytes(file.temporaryPath()), kNew);
        file.commit();
    }
    EXPECT_EQ(readBytes(path), kNew);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out"});
}

TEST(AtomicFile, DroppedWithoutCommitLeavesNoTrace)
{
    TempDir dir;
    const std::string path = dir.write("out", kOld);
    {
        AtomicFile file(path);
        file.write(kNew);
    }
    EXPECT_EQ(readBytes(path), kOld);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out"});

    {
        AtomicFile file(dir.file("fresh"));
        file.write(kNew);
    }
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out"});
}

TEST(AtomicFile, FailuresNameTheFileAndLeaveNothingBehind)
{
    TempDir dir;
    const std::string in_missing_folder = dir.file("no/such/folder/out");
    try {
        AtomicFile file(in_missing_folder);
        ADD_FAILURE() << "created a file in a missing folder";
    } catch (const ToolError& error) {
        EXPECT_NE(std::string(error.what()).find(in_missing_folder), std::string::npos) << error.what();
    }

    // A folder in the way is found only at the rename; the written bytes must not stay.
    std::filesystem::create_directory(dir.file("taken"));
    std::filesystem::create_directory(dir.file("taken/inner"));
    EXPECT_THROW(writeFileAtomically(dir.file("taken"), kNew), ToolError);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"taken"});
}
