#include "common/macro_step.h"

#include "support/bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

struct TStepCase {
    std::string Step;
    uint32_t Delay;
    std::string Bytes; // as Hex() prints them
};

void PrintTo(const TStepCase& c, std::ostream* os)
{
    *os << '"' << c.Step << '"';
}

class MacroStepTest : public ::testing::TestWithParam<TStepCase> {};

TEST_P(MacroStepTest, ReadsDelayAndBytes)
{
    const TStepCase& c = GetParam();
    EXPECT_EQ(MacroStepDelay(c.Step), c.Delay) << '"' << c.Step << '"';
    EXPECT_EQ(Hex(MacroStepBytes(c.Step)), c.Bytes) << '"' << c.Step << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MacroStepTest,
    ::testing::Values(
        // Well formed.
        TStepCase{"250 FF 01 00 00 00 00 01", 250, "FF 01 00 00 00 00 01"},
        TStepCase{"1 A0 00 00 04 20 00 AF 2B", 1, "A0 00 00 04 20 00 AF 2B"},
        TStepCase{"4294967295 00", 4294967295u, "00"},
        // A delay of 0 or no decimal number waits the shortest time.
        TStepCase{"0 FF 01 00 00 00 00 01", 1, "FF 01 00 00 00 00 01"},
        TStepCase{"FF 01", 1, "01"},
        TStepCase{"-1 FF", 1, "FF"},
        TStepCase{"+5 FF", 1, "FF"},
        TStepCase{"4294967296 FF", 1, "FF"},
        TStepCase{"99999999999999999999 FF", 1, "FF"},
        TStepCase{"0x10 FF", 1, "FF"},
        TStepCase{"12a FF", 1, "FF"},
        TStepCase{"007 FF", 7, "FF"},
        // A delay alone sends nothing.
        TStepCase{"500 ", 500, ""},
        TStepCase{"500", 1, "00"}, // no blank: the whole text is read as bytes
        TStepCase{"", 1, ""},
        // No blank, or a blank first.
        TStepCase{"FF", 1, "FF"},
        TStepCase{" FF 01", 1, "FF 01"},
        // The three-character rule: each chunk trimmed, read as hex, low 8 bits.
        TStepCase{"10 F 1", 10, "00"}, // one chunk "F 1", no number
        TStepCase{"10 F  1", 10, "0F 01"},
        TStepCase{"10 FFF", 10, "FF"},
        TStepCase{"10 ff 0a", 10, "FF 0A"},
        TStepCase{"10 GG 01", 10, "00 01"},
        TStepCase{"10 FF  01", 10, "FF 01"},
        TStepCase{"10 FF   01", 10, "FF 00 01"},
        TStepCase{"10 FF 01 ", 10, "FF 01"},
        TStepCase{"10   ", 10, "00"},
        TStepCase{"10 \t1\x01", 10, "01"},
        TStepCase{"10 \xFF\xFE\xFD", 10, "00"},
        TStepCase{"10 F", 10, "0F"},
        TStepCase{"10 " + std::string(1, '\0') + "1 ", 10, "01"}));

TEST(MacroStepTest, GarbageNeverBreaksTheReaders)
{
    // Every byte value in every position of short lines: the readers must only ever
    // return, with at most one byte per three characters.
    std::string line = "7 ";
    for (int length = 0; length < 8; ++length) {
        for (int value = 0; value < 256; ++value) {
            std::string step = line + std::string(static_cast<size_t>(length), static_cast<char>(value));
            EXPECT_GE(MacroStepDelay(step), 1u);
            EXPECT_LE(MacroStepBytes(step).size(), (step.size() + 2) / 3);
        }
    }
}

TEST(MakeMacroStepTest, WritesDelayThenUpperCaseBytes)
{
    const auto frame = Bytes("FF 01 00 0a 00 00 0b");
    EXPECT_EQ(MakeMacroStep(250, frame.data(), frame.size()), "250 FF 01 00 0A 00 00 0B");
    EXPECT_EQ(MakeMacroStep(0, frame.data(), 1), "0 FF");
    EXPECT_EQ(MakeMacroStep(4294967295u, frame.data(), 0), "4294967295");
}

TEST(MakeMacroStepTest, ReadsBackWhatItWrote)
{
    const auto frame = Bytes("A0 00 00 04 20 00 AF 2B");
    const std::string step = MakeMacroStep(1234, frame.data(), frame.size());
    EXPECT_EQ(MacroStepDelay(step), 1234u);
    EXPECT_EQ(MacroStepBytes(step), frame);
}

struct TSplitCase {
    std::string Text;
    std::vector<std::string> Lines;
};

class SplitMacroLinesTest : public ::testing::TestWithParam<TSplitCase> {};

TEST_P(SplitMacroLinesTest, EndsLinesAtAnyLineEnd)
{
    EXPECT_EQ(SplitMacroLines(GetParam().Text), GetParam().Lines);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitMacroLinesTest,
                         ::testing::Values(TSplitCase{"", {}}, TSplitCase{"a", {"a"}},
                                           TSplitCase{"a\r\n", {"a"}}, TSplitCase{"a\n", {"a"}},
                                           TSplitCase{"a\r", {"a"}}, TSplitCase{"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
                                           TSplitCase{"a\r\n\r\nb\r\n", {"a", "", "b"}},
                                           TSplitCase{"a\r\n\r\n", {"a", ""}}, TSplitCase{"\r\n", {""}},
                                           TSplitCase{"\n\r", {"", ""}}, TSplitCase{"a\n\rb", {"a", "", "b"}},
                                           TSplitCase{"a\r\r\nb", {"a", "", "b"}}));

TEST(MacroFileTextTest, EndsEveryLineWithCrLfAndSplitsBack)
{
    const std::vector<std::string> steps = {"2000 FF 01 00 04 20 00 25", "100 FF 01 00 00 00 00 01", "500 "};
    const std::string text = MacroFileText(steps);
    EXPECT_EQ(text, "2000 FF 01 00 04 20 00 25\r\n100 FF 01 00 00 00 00 01\r\n500 \r\n");
    EXPECT_EQ(SplitMacroLines(text), steps);
    EXPECT_EQ(MacroFileText({}), "");
}

struct TTimeCase {
    uint32_t Milliseconds;
    const char* Text;
};

class MacroTimeTextTest : public ::testing::TestWithParam<TTimeCase> {};

TEST_P(MacroTimeTextTest, ShowsMinutesAndSecondsOrHoursToo)
{
    EXPECT_EQ(MacroTimeText(GetParam().Milliseconds), GetParam().Text) << GetParam().Milliseconds;
}

INSTANTIATE_TEST_SUITE_P(Cases, MacroTimeTextTest,
                         ::testing::Values(TTimeCase{0, "00:00"}, TTimeCase{999, "00:00"}, TTimeCase{1000, "00:01"},
                                           TTimeCase{2300, "00:02"}, TTimeCase{125400, "02:05"},
                                           TTimeCase{3599999, "59:59"}, TTimeCase{3600000, "01:00:00"},
                                           TTimeCase{3661999, "01:01:01"}, TTimeCase{86399999, "23:59:59"},
                                           TTimeCase{86400000, "00:00:00"}, TTimeCase{90000000, "01:00:00"},
                                           TTimeCase{4294967295u, "17:02:47"}));

} // namespace
