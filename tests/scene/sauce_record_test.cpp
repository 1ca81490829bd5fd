// SPDX-License-Identifier: MIT
#include "scene/sauce_record.h"

#include <gtest/gtest.h>

#include "scene_test_support.h"

namespace {

TEST(SauceRecord, FieldsRead)
{
    SauceFields fields;
    fields.title = "Burps";
    fields.author = "An Artist";
    fields.info1 = 132;
    fields.flags = 0x01 | 0x04;  // iCE colours, 9-pixel letters
    fields.font_name = "IBM VGA50";
    fields.comments = {"first line", "second line"};
    const SauceSplit split = splitSauce(withSauce(bytesOf("art"), fields));
    ASSERT_TRUE(split.record);
    EXPECT_EQ(split.art_size, 3u);
    EXPECT_EQ(split.record->title, "Burps");
    EXPECT_EQ(split.record->author, "An Artist");
    EXPECT_EQ(split.record->group, "Group");
    EXPECT_EQ(split.record->date, "19960101");
    EXPECT_EQ(split.record->file_size, 3u);
    EXPECT_EQ(split.record->info1, 132);
    EXPECT_EQ(split.record->info2, 25);
    EXPECT_TRUE(split.record->iceColours());
    EXPECT_EQ(split.record->letterSpacing(), 9);
    EXPECT_EQ(split.record->font_name, "IBM VGA50") << "NUL padding removed";
    EXPECT_EQ(split.record->comments, (std::vector<std::string>{"first line", "second line"}));
    for (const auto& [flags, spacing] : std::vector<std::pair<std::uint8_t, int>>{{0x00, 0}, {0x02, 8}, {0x06, 0}}) {
        fields.flags = flags;
        EXPECT_EQ(splitSauce(withSauce(bytesOf("x"), fields)).record->letterSpacing(), spacing) << int(flags);
        EXPECT_FALSE(splitSauce(withSauce(bytesOf("x"), fields)).record->iceColours());
    }
}

// Art without a SUB or comments, a record alone, and no record at all.
TEST(SauceRecord, WhereTheArtEnds)
{
    const SauceSplit bare = splitSauce(withSauce(bytesOf("abcd"), SauceFields{}, false));
    ASSERT_TRUE(bare.record);
    EXPECT_EQ(bare.art_size, 4u);
    EXPECT_TRUE(bare.record->comments.empty());
    const SauceSplit alone = splitSauce(withSauce({}, SauceFields{}, false));
    ASSERT_TRUE(alone.record);
    EXPECT_EQ(alone.art_size, 0u);
    const SauceSplit none = splitSauce(bytesOf(std::string(300, 'a')));
    EXPECT_FALSE(none.record);
    EXPECT_EQ(none.art_size, 300u);
    EXPECT_FALSE(splitSauce(bytesOf("SAUCE")).record) << "shorter than a record";
    EXPECT_EQ(splitSauce({}).art_size, 0u);
}

TEST(SauceRecord, LiesAreNotBelieved)
{
    SauceFields fields;
    fields.file_size = 0xFFFFFFFF;
    fields.stated_comment_count = 255;  // far more than the file holds
    const SauceSplit split = splitSauce(withSauce(bytesOf("art"), fields));
    ASSERT_TRUE(split.record);
    EXPECT_EQ(split.art_size, 3u);
    EXPECT_TRUE(split.record->comments.empty());
    EXPECT_EQ(split.record->file_size, 0xFFFFFFFFu) << "kept as stated, used for nothing";
    // A count that fits the file but finds no block: the comments are left unread, the art whole.
    fields.stated_comment_count = 1;
    const SauceSplit unread = splitSauce(withSauce(bytesOf(std::string(100, 'x')), fields, false));
    EXPECT_TRUE(unread.record->comments.empty());
    EXPECT_EQ(unread.art_size, 100u);
}

}  // namespace
