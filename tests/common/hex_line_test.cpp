#include "common/hex_line.h"

#include <gtest/gtest.h>

namespace {

TEST(HexEchoLineTest, PrefixThenBlankAndTwoUpperCaseDigitsPerByte)
{
    const uint8_t frame[] = {0xFF, 0x01, 0x00, 0x02, 0x20, 0x00, 0x23};
    EXPECT_EQ(HexEchoLine(">>", frame, 7), ">> FF 01 00 02 20 00 23");
    const uint8_t low[] = {0x0a, 0xbc};
    EXPECT_EQ(HexEchoLine("<<", low, 2), "<< 0A BC");
}

TEST(HexEchoLineTest, NoBytesGivesThePrefixAlone)
{
    EXPECT_EQ(HexEchoLine(">>", nullptr, 0), ">>");
}

} // namespace
