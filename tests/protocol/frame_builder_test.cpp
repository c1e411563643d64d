#include "protocol/frame_builder.h"

#include "support/bytes.h"

#include <gtest/gtest.h>

namespace {

std::string Command(bool pelcoD, uint8_t code, uint8_t value, uint8_t id)
{
    TFrame frame;
    frame.fill(0xEE);
    BuildCommandFrame(frame, pelcoD, code, value, id);
    return Hex(frame.data(), FrameLength(pelcoD));
}

std::string PanTilt(bool pelcoD, uint8_t id, int pan, int tilt)
{
    TFrame frame;
    BuildPanTiltFrame(frame, pelcoD, id, pan, tilt);
    return Hex(frame.data(), FrameLength(pelcoD));
}

struct TFrameCase {
    uint8_t Code;
    uint8_t Value;
    uint8_t Id;
    const char* PelcoD;
    const char* PelcoP;
};

void PrintTo(const TFrameCase& c, std::ostream* os)
{
    *os << "code " << int(c.Code) << " value " << int(c.Value) << " id " << int(c.Id);
}

class CommandFrameTest : public ::testing::TestWithParam<TFrameCase> {};

TEST_P(CommandFrameTest, BuildsBothProtocols)
{
    const TFrameCase& c = GetParam();
    EXPECT_EQ(Command(true, c.Code, c.Value, c.Id), c.PelcoD);
    EXPECT_EQ(Command(false, c.Code, c.Value, c.Id), c.PelcoP);
}

// The worked frames, then one row per code with a value byte that must or
// must not reach bytes 4 and 5.
INSTANTIATE_TEST_SUITE_P(
    Codes, CommandFrameTest,
    ::testing::Values(TFrameCase{0, 0x33, 1, "FF 01 00 00 00 00 01", "A0 00 00 00 00 00 AF 0F"},
                      TFrameCase{2, 0x20, 1, "FF 01 00 02 20 00 23", "A0 00 00 02 20 00 AF 2D"},
                      TFrameCase{17, 5, 1, "FF 01 00 07 00 05 0D", "A0 00 00 07 00 05 AF 0D"},
                      TFrameCase{11, 9, 1, "FF 01 00 80 00 00 81", "A0 00 01 00 00 00 AF 0E"},
                      TFrameCase{12, 9, 1, "FF 01 01 00 00 00 02", "A0 00 02 00 00 00 AF 0D"},
                      TFrameCase{13, 9, 1, "FF 01 02 00 00 00 03", "A0 00 04 00 00 00 AF 0B"},
                      TFrameCase{14, 9, 1, "FF 01 04 00 00 00 05", "A0 00 08 00 00 00 AF 07"},
                      TFrameCase{1, 0xFF, 1, "FF 01 00 04 FF 00 04", "A0 00 00 04 FF 00 AF F4"},
                      TFrameCase{3, 0x10, 2, "FF 02 00 08 00 10 1A", "A0 01 00 08 00 10 AF 16"},
                      TFrameCase{4, 0x10, 2, "FF 02 00 10 00 10 22", "A0 01 00 10 00 10 AF 0E"},
                      TFrameCase{5, 0x21, 1, "FF 01 00 0C 21 21 4F", "A0 00 00 0C 21 21 AF 03"},
                      TFrameCase{6, 0x21, 1, "FF 01 00 14 21 21 57", "A0 00 00 14 21 21 AF 1B"},
                      TFrameCase{7, 0x21, 1, "FF 01 00 0A 21 21 4D", "A0 00 00 0A 21 21 AF 05"},
                      TFrameCase{8, 0x21, 1, "FF 01 00 12 21 21 55", "A0 00 00 12 21 21 AF 1D"},
                      TFrameCase{9, 0x77, 1, "FF 01 00 20 00 00 21", "A0 00 00 20 00 00 AF 2F"},
                      TFrameCase{10, 0x77, 1, "FF 01 00 40 00 00 41", "A0 00 00 40 00 00 AF 4F"},
                      TFrameCase{15, 3, 1, "FF 01 00 03 00 03 07", "A0 00 00 03 00 03 AF 0F"},
                      TFrameCase{16, 3, 1, "FF 01 00 05 00 03 09", "A0 00 00 05 00 03 AF 09"},
                      // Device 0 is address 0xFF in Pelco-P; the checksum wraps in Pelco-D.
                      TFrameCase{0, 0, 0, "FF 00 00 00 00 00 00", "A0 FF 00 00 00 00 AF F0"},
                      TFrameCase{17, 0xFF, 0xFF, "FF FF 00 07 00 FF 05", "A0 FE 00 07 00 FF AF 09"}));

TEST(CommandFrameTest, CodesOutsideTheTableCarryZeroCommandBytes)
{
    EXPECT_EQ(Command(true, 18, 0x44, 1), "FF 01 00 00 00 00 01");
    EXPECT_EQ(Command(false, 255, 0x44, 1), "A0 00 00 00 00 00 AF 0F");
}

TEST(CommandFrameTest, PelcoDLeavesTheEighthByteZero)
{
    TFrame frame;
    frame.fill(0xEE);
    BuildCommandFrame(frame, true, 0, 0, 1);
    EXPECT_EQ(frame[7], 0);
}

TEST(PanTiltFrameTest, SignsPickDirectionsAndMagnitudesTheSpeeds)
{
    EXPECT_EQ(PanTilt(true, 3, -20, 10), "FF 03 00 14 14 0A 35");
    EXPECT_EQ(PanTilt(true, 1, 255, -255), "FF 01 00 0A FF FF 09");
    EXPECT_EQ(PanTilt(true, 1, 32, 0), "FF 01 00 02 20 00 23");
    EXPECT_EQ(PanTilt(true, 1, 0, -63), "FF 01 00 08 00 3F 48");
    EXPECT_EQ(PanTilt(true, 1, 0, 0), Command(true, 0, 0, 1));
    EXPECT_EQ(PanTilt(false, 1, 0, 0), Command(false, 0, 0, 1));
    EXPECT_EQ(PanTilt(false, 1, 32, 0), "A0 00 00 02 20 00 AF 2D");
}

TEST(ChecksumTest, PelcoDSumsBytesOneToFiveAndPelcoPXorsZeroToSix)
{
    const auto d = Bytes("FF 80 80 80 80 80");
    EXPECT_EQ(PelcoDChecksum(d), 0x80); // 5 * 0x80 = 0x280, wrapped
    const auto p = Bytes("A0 00 00 00 00 00 AF");
    EXPECT_EQ(PelcoPChecksum(p), 0x0F); // start and end bytes included
}

} // namespace
