#include "common/str_to_int.h"

#include <gtest/gtest.h>

namespace {

struct TCase {
    const char* Text;
    int32_t Expected;
};

class StrToIntDefTest : public ::testing::TestWithParam<TCase> {};

TEST_P(StrToIntDefTest, FollowsTheGrammar)
{
    EXPECT_EQ(StrToIntDef(GetParam().Text, -99), GetParam().Expected) << '"' << GetParam().Text << '"';
}

INSTANTIATE_TEST_SUITE_P(Cases, StrToIntDefTest,
                         ::testing::Values(TCase{"12", 12}, TCase{"  12", 12}, TCase{"+7", 7}, TCase{"-7", -7},
                                           TCase{"007", 7}, TCase{"$1F", 31}, TCase{"x1F", 31},
                                           TCase{"X1f", 31}, TCase{"0x1f", 31}, TCase{"0X1F", 31},
                                           TCase{"-$10", -16}, TCase{"2147483647", 2147483647},
                                           TCase{"-2147483648", INT32_MIN}, TCase{"2147483648", -99},
                                           TCase{"-2147483649", -99}, TCase{"99999999999999999999", -99},
                                           TCase{"12 ", -99}, TCase{"", -99}, TCase{" ", -99},
                                           TCase{"1 2", -99}, TCase{"0x", -99}, TCase{"$", -99},
                                           TCase{"-", -99}, TCase{"+-1", -99}, TCase{"abc", -99},
                                           TCase{"12a", -99}, TCase{"0x1G", -99}, TCase{"1.5", -99}));

TEST(HexToIntTest, ReadsOneToEightHexDigits)
{
    EXPECT_EQ(HexToInt("7", -1), 7);
    EXPECT_EQ(HexToInt("1F", -1), 31);
    EXPECT_EQ(HexToInt("1f", -1), 31);
    EXPECT_EQ(HexToInt("FFFFFFFF", 0), -1);
    EXPECT_EQ(HexToInt("G1", -5), -5);
    EXPECT_EQ(HexToInt("", -5), -5);
    EXPECT_EQ(HexToInt("123456789", -5), -5);
    EXPECT_EQ(HexToInt(" 1", -5), -5);
}

} // namespace
