#include "protocol/custom_command.h"

#include <gtest/gtest.h>

namespace {

TEST(CustomCommandTest, ConstructsAsGotoPresetOneWithTwelveZeroBytes)
{
    const TCustomCommand c;
    EXPECT_TRUE(c.Caption.empty());
    EXPECT_EQ(c.CommandType, ccPresetGoto);
    EXPECT_EQ(c.ByteCount, 12);
    EXPECT_EQ(c.PresetNumber, 1);
    for (uint8_t b : c.Bytes)
        EXPECT_EQ(b, 0);
}

TEST(CustomCommandTest, AssignCopiesAllTwelveBytesWhateverTheCount)
{
    TCustomCommand source;
    source.Caption = "Wiper";
    source.CommandType = ccUser;
    for (int i = 0; i < kCustomCommandMaxBytes; ++i)
        source.Bytes[i] = static_cast<uint8_t>(0xA0 + i);
    source.ByteCount = 3;
    source.PresetNumber = 77;

    TCustomCommand copy;
    copy.Assign(source);
    EXPECT_EQ(copy.Caption, "Wiper");
    EXPECT_EQ(copy.CommandType, ccUser);
    EXPECT_EQ(copy.Bytes, source.Bytes);
    EXPECT_EQ(copy.ByteCount, 3);
    EXPECT_EQ(copy.PresetNumber, 77);

    copy.SetDefaults();
    EXPECT_EQ(copy.Bytes[11], 0);
    EXPECT_EQ(copy.CommandType, ccPresetGoto);
}

TEST(CustomCommandTest, DefaultTable)
{
    EXPECT_STREQ(kDefaultCommandCaptions[0], "Menu");
    EXPECT_EQ(kDefaultPresetNumbers[0], 90);
    EXPECT_STREQ(kDefaultCommandCaptions[4], "Speed");
    EXPECT_EQ(kDefaultPresetNumbers[4], 51);
    EXPECT_EQ(kDefaultPresetNumbers[8], 52);
    EXPECT_EQ(kDefaultPresetNumbers[12], 53);
    EXPECT_STREQ(kDefaultCommandCaptions[16], "Pattern4");
    EXPECT_EQ(kDefaultPresetNumbers[16], 134);
}

TEST(CustomCommandTest, PresetTypesMapToTheirCommandCodes)
{
    EXPECT_EQ(PresetCommandCodeOf(ccPresetGoto), 17);
    EXPECT_EQ(PresetCommandCodeOf(ccPresetSet), 15);
    EXPECT_EQ(PresetCommandCodeOf(ccPresetClear), 16);
    EXPECT_EQ(PresetCommandCodeOf(ccUser), -1);
    EXPECT_EQ(PresetCommandCodeOf(7), -1);
}

} // namespace
