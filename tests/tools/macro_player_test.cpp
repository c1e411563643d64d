#include "macro_player.h"

#include "support/bytes.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

TEST(MacroPlayerTest, LoadsTheStationsFormat)
{
    TTempFolder dir;
    const std::string path =
        dir.Write("demo.macro", "250 FF 01 00 02 20 00 23\r\n0 FF 01 00 00 00 00 01\n500 \rFF 01\r\n");
    std::vector<TMacroStep> steps;
    std::string error;
    ASSERT_TRUE(LoadMacroFile(path, steps, error)) << error;
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].DelayMs, 250u);
    EXPECT_EQ(Hex(steps[0].Bytes), "FF 01 00 02 20 00 23");
    EXPECT_EQ(steps[1].DelayMs, 1u) << "every step waits at least 1 ms";
    EXPECT_EQ(steps[2].DelayMs, 500u);
    EXPECT_TRUE(steps[2].Bytes.empty()) << "a delay alone sends nothing";
    EXPECT_EQ(steps[3].DelayMs, 1u);
    EXPECT_EQ(Hex(steps[3].Bytes), "01");
}

TEST(MacroPlayerTest, RefusesWhatIsNoMacroFile)
{
    TTempFolder dir;
    std::vector<TMacroStep> steps{{5, {1}}};
    std::string error;
    EXPECT_FALSE(LoadMacroFile(dir.Path("missing.macro"), steps, error));
    EXPECT_NE(error.find("cannot read the macro file"), std::string::npos) << error;
    EXPECT_FALSE(LoadMacroFile("/dev/zero", steps, error));
    EXPECT_NE(error.find("is not a regular file"), std::string::npos) << error;
    EXPECT_EQ(steps.size(), 1u) << "a failed load leaves the steps alone";

    ASSERT_TRUE(LoadMacroFile(dir.Write("empty.macro", ""), steps, error)) << error;
    EXPECT_TRUE(steps.empty());
}

TEST(MacroPlayerTest, EachStepWaitsItsDelayAfterThePreviousOne)
{
    TMacroPlayer player({{100, Bytes("01")}, {50, Bytes("02")}, {1, Bytes("03")}});
    size_t index = 99;
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(player.TimeUntilNext(0, 1000), 1000u);
    EXPECT_EQ(player.TakeDue(0, index), nullptr);

    player.Start(1000);
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(player.TimeUntilNext(1000, 1000), 100u);
    EXPECT_EQ(player.TakeDue(1099, index), nullptr);
    const TMacroStep* step = player.TakeDue(1120, index); // sent 20 ms late
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(Hex(step->Bytes), "01");
    EXPECT_EQ(player.TimeUntilNext(1120, 1000), 50u) << "the next delay counts from when the step went out";
    EXPECT_EQ(player.TakeDue(1169, index), nullptr);
    ASSERT_NE(player.TakeDue(1170, index), nullptr);
    EXPECT_EQ(index, 1u);
    ASSERT_NE(player.TakeDue(1171, index), nullptr);
    EXPECT_EQ(index, 2u);
    EXPECT_FALSE(player.IsPlaying()) << "played once";
    EXPECT_EQ(player.TakeDue(5000, index), nullptr);

    player.Start(6000);
    ASSERT_NE(player.TakeDue(6100, index), nullptr);
    EXPECT_EQ(index, 0u) << "a new connection plays from the start";
    player.Stop();
    EXPECT_EQ(player.TakeDue(7000, index), nullptr);
}

TEST(MacroPlayerTest, AnEmptyMacroNeverPlays)
{
    TMacroPlayer player({});
    player.Start(0);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(player.TimeUntilNext(0, 250), 250u);
}

} // namespace
