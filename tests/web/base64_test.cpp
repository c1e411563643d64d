#include "web/base64.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/bytes.h"

namespace {

TEST(Base64Test, DecodeGroupMapsTheWholeAlphabet)
{
    EXPECT_EQ(Hex(Base64DecodeGroup('T', 'W', 'F', 'u')), "4D 61 6E"); // "Man"
    EXPECT_EQ(Hex(Base64DecodeGroup('A', 'A', 'A', 'A')), "00 00 00");
    EXPECT_EQ(Hex(Base64DecodeGroup('/', '/', '/', '/')), "FF FF FF");
    EXPECT_EQ(Hex(Base64DecodeGroup('+', '+', '+', '+')), "FB EF BE");
    EXPECT_EQ(Hex(Base64DecodeGroup('a', 'z', '0', '9')), "6B 3D 3D");
}

TEST(Base64Test, DecodeGroupShiftsForPaddingAndSkipsForeignCharacters)
{
    EXPECT_EQ(Hex(Base64DecodeGroup('Y', 'Q', '=', '=')), "61 00 00");
    // '*' is not in the alphabet: the other three fill the low 18 bits.
    EXPECT_EQ(Hex(Base64DecodeGroup('Y', 'W', '*', 'J')), "01 85 89");
}

struct DecodeCase {
    const char* Name;
    std::string Text;
    std::optional<std::string> Expected;
};

class Base64DecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(Base64DecodeTest, Decodes)
{
    const DecodeCase& c = GetParam();
    const std::optional<std::string> decoded = Base64Decode(c.Text);
    ASSERT_EQ(decoded.has_value(), c.Expected.has_value());
    if (decoded) {
        EXPECT_EQ(Hex(*decoded), Hex(*c.Expected));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Base64DecodeTest,
    testing::Values(
        DecodeCase{"Credentials", "YWRtaW46dmV4dG8=", std::string("admin:vexto")},
        DecodeCase{"NoPadding", "YWJj", std::string("abc")},
        DecodeCase{"OnePad", "YWI=", std::string("ab")},
        DecodeCase{"TwoPads", "YQ==", std::string("a")},
        DecodeCase{"LoneColon", "Og==", std::string(":")},
        DecodeCase{"ZeroBytesKept", "AAAA", std::string(3, '\0')},
        DecodeCase{"HighBytes", "6fP/", std::string("\xE9\xF3\xFF")},
        DecodeCase{"Empty", "", std::nullopt},
        DecodeCase{"ThreeCharacters", "YWI", std::nullopt},
        DecodeCase{"ShortWithPadding", "YQ=", std::nullopt},
        DecodeCase{"OnlyPadding", "==", std::nullopt},
        DecodeCase{"OneCharacterThreePads", "Y===", std::nullopt},
        DecodeCase{"IncompleteLastGroupDropped", "YWJjZA", std::string("abc")},
        DecodeCase{"IncompleteGroupAfterTwoGroups", "YWJjZGVmZ", std::string("abcdef")},
        DecodeCase{"TextAfterPaddingIgnored", "YQ==YWJj", std::string("a")},
        DecodeCase{"GarbageCorruptsOnlyItsGroup", "YW*JYWJj", std::string("\x01\x85\x89" "abc")},
        DecodeCase{"BlankIsGarbageToo", "YW Jj", std::string("\x01\x85\x89")}),
    [](const testing::TestParamInfo<DecodeCase>& testCase) { return std::string(testCase.param.Name); });

TEST(Base64Test, DecodeStringReplacesTextOnlyOnSuccess)
{
    std::string text = "dXNlcjpwYTpzcw==";
    ASSERT_TRUE(Base64DecodeString(text));
    EXPECT_EQ(text, "user:pa:ss");

    std::string shortText = "YWI";
    EXPECT_FALSE(Base64DecodeString(shortText));
    EXPECT_EQ(shortText, "YWI");

    std::string empty;
    EXPECT_FALSE(Base64DecodeString(empty));
    EXPECT_TRUE(empty.empty());
}

TEST(Base64Test, DecodesALongTextGroupByGroup)
{
    // 3000 'x' bytes encode to 1000 groups of "eHh4".
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "eHh4";
    const std::optional<std::string> decoded = Base64Decode(text);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, std::string(3000, 'x'));
}

} // namespace
