// SPDX-License-Identifier: MIT
#include "scene/sauce_record.h"

#include <gtest/gtest.h>

#include "sauce_test_support.h"
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
    const auto file = withSauce(bytesOf("art"), fields);
    const SauceSplit split = splitSauce(file);
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
}

TEST(SauceRecord, LetterSpacingFromTheFlags)
{
    SauceFields fields;
    const auto spacing = [&](std::uint8_t flags) {
        fields.flags = flags;
        return splitSauce(withSauce(bytesOf("x"), fields)).record->letterSpacing();
    };
    EXPECT_EQ(spacing(0x00), 0);
    EXPECT_EQ(spacing(0x02), 8);
    EXPECT_EQ(spacing(0x04), 9);
    EXPECT_EQ(spacing(0x06), 0);
    EXPECT_FALSE(splitSauce(withSauce(bytesOf("x"), fields)).record->iceColours());
}

TEST(SauceRecord, WithoutSubOrComments)
{
    const auto file = withSauce(bytesOf("abcd"), SauceFields{}, false);
    const SauceSplit split = splitSauce(file);
    ASSERT_TRUE(split.record);
    EXPECT_EQ(split.art_size, 4u);
    EXPECT_TRUE(split.record->comments.empty());
}

TEST(SauceRecord, NoRecord)
{
    const auto file = bytesOf(std::string(300, 'a'));
    const SauceSplit split = splitSauce(file);
    EXPECT_FALSE(split.record);
    EXPECT_EQ(split.art_size, 300u);
    EXPECT_FALSE(splitSauce(bytesOf("SAUCE")).record) << "shorter than a record";
    EXPECT_EQ(splitSauce({}).art_size, 0u);
}

TEST(SauceRecord, LiesAreNotBelieved)
{
    SauceFields fields;
    fields.file_size = 0xFFFFFFFF;
    fields.stated_comment_count = 255;  // far more than the file holds
    const auto file = withSauce(bytesOf("art"), fields);
    const SauceSplit split = splitSauce(file);
    ASSERT_TRUE(split.record);
    EXPECT_EQ(split.art_size, 3u);
    EXPECT_TRUE(split.record->comments.empty());
    EXPECT_EQ(split.record->file_size, 0xFFFFFFFFu) << "kept as stated, used for nothing";

    // A count that fits the file but finds no block: the comments are left unread, the art whole.
    fields.stated_comment_count = 1;
    const auto no_block = withSauce(bytesOf(std::string(100, 'x')), fields, false);
    const SauceSplit unread = splitSauce(no_block);
    EXPECT_TRUE(unread.record->comments.empty());
    EXPECT_EQ(unread.art_size, 100u);
}

TEST(SauceRecord, RecordAloneIsAllThereIs)
{
    const auto file = withSauce({}, SauceFields{}, false);
    const SauceSplit split = splitSauce(file);
    ASSERT_TRUE(split.record);
    EXPECT_EQ(split.art_size, 0u);
}

}  // namespace
