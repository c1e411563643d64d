#include "protocol/frame_decoder.h"

#include "protocol/frame_builder.h"
#include "support/bytes.h"

#include <gtest/gtest.h>

namespace {

TFrameAnalysis Analyze(const std::string& hex)
{
    const auto bytes = Bytes(hex);
    return AnalyzeFrame(bytes[0] == 0xA0 ? TProtocol::PelcoP : TProtocol::PelcoD, bytes);
}

TEST(FrameDecoderTest, StopFrame)
{
    const TFrameAnalysis a = Analyze("FF 01 00 00 00 00 01");
    EXPECT_TRUE(a.Valid);
    EXPECT_EQ(a.Protocol, TProtocol::PelcoD);
    EXPECT_EQ(a.Address, 1);
    EXPECT_TRUE(a.Stop);
    EXPECT_TRUE(a.Recognised);
    EXPECT_EQ(a.Marker, TMarker::Centre);
}

TEST(FrameDecoderTest, DirectionsAndTheirVector)
{
    TFrameAnalysis a = Analyze("FF 01 00 02 20 00 23");
    EXPECT_TRUE(a.Right);
    EXPECT_FALSE(a.Left);
    EXPECT_EQ(a.Pan, 32);
    EXPECT_EQ(a.Tilt, 0);
    EXPECT_EQ(a.Marker, TMarker::Place);

    a = Analyze("FF 01 00 0C 10 3F 5C");
    EXPECT_TRUE(a.Left && a.Up && a.LeftUp);
    EXPECT_FALSE(a.RightUp || a.LeftDown || a.RightDown || a.Right || a.Down);
    EXPECT_EQ(a.Pan, -16);
    EXPECT_EQ(a.Tilt, -63);

    // Left and right together: both reported, left wins the vector.
    a = Analyze("FF 01 00 06 20 00 27");
    EXPECT_TRUE(a.Left && a.Right && a.Valid);
    EXPECT_EQ(a.Pan, -32);

    // Up and down together: down wins.
    a = Analyze("FF 01 00 18 00 10 29");
    EXPECT_TRUE(a.Up && a.Down);
    EXPECT_EQ(a.Tilt, 16);
}

TEST(FrameDecoderTest, SpeedsAboveSixtyThreeAreClamped)
{
    EXPECT_EQ(Analyze("FF 01 00 02 40 00 43").Pan, 63);
    EXPECT_EQ(Analyze("FF 01 00 02 FF 00 02").Pan, 63);
    EXPECT_EQ(Analyze("FF 01 00 04 FF 00 04").Pan, -63);
    EXPECT_EQ(Analyze("FF 01 00 10 00 FF 10").Tilt, 63);
}

TEST(FrameDecoderTest, LensCommandsCentreTheMarker)
{
    TFrameAnalysis a = Analyze("FF 01 00 20 00 00 21");
    EXPECT_TRUE(a.ZoomIn);
    EXPECT_FALSE(a.ZoomOut);
    EXPECT_TRUE(a.Recognised);
    EXPECT_EQ(a.Marker, TMarker::Centre);
    EXPECT_EQ(a.Pan, 0);
}

TEST(FrameDecoderTest, FocusBitsDifferBetweenProtocols)
{
    // Pelco-D byte 3 bit 7 is focus far; the same bit in Pelco-P is ignored.
    EXPECT_TRUE(Analyze("FF 01 00 80 00 00 81").FocusFar);
    const TFrameAnalysis p = Analyze("A0 00 00 80 00 00 AF 8F");
    EXPECT_TRUE(p.Valid);
    EXPECT_FALSE(p.FocusFar || p.FocusNear);
    EXPECT_FALSE(p.Recognised);
    // Byte 2 bit 0: focus near in Pelco-D, focus far in Pelco-P.
    EXPECT_TRUE(Analyze("FF 01 01 00 00 00 02").FocusNear);
    EXPECT_TRUE(Analyze("A0 00 01 00 00 00 AF 0E").FocusFar);
}

TEST(FrameDecoderTest, PresetWords)
{
    TFrameAnalysis a = Analyze("FF 01 00 03 00 05 09");
    EXPECT_EQ(a.PresetAction, TPresetAction::Set);
    EXPECT_EQ(a.PresetNumber, 5);
    EXPECT_EQ(a.Marker, TMarker::Keep);
    EXPECT_TRUE(a.Recognised);
    EXPECT_EQ(Analyze("FF 01 00 05 00 07 0D").PresetAction, TPresetAction::Clear);
    EXPECT_EQ(Analyze("FF 01 00 07 09 05 16").PresetAction, TPresetAction::Goto); // byte 4 ignored

    // W = 0x0301 is not a preset word: valid, nothing recognised.
    a = Analyze("FF 01 01 03 00 05 0A");
    EXPECT_TRUE(a.Valid);
    EXPECT_FALSE(a.Recognised);
    EXPECT_EQ(a.PresetAction, TPresetAction::None);
}

TEST(FrameDecoderTest, OnlyIgnoredBitsIsValidButNotRecognised)
{
    const TFrameAnalysis a = Analyze("FF 07 08 00 00 00 0F");
    EXPECT_TRUE(a.Valid);
    EXPECT_EQ(a.Address, 7);
    EXPECT_FALSE(a.Recognised);
    EXPECT_EQ(a.Marker, TMarker::Centre);
}

TEST(FrameDecoderTest, FaultsInOrder)
{
    TFrameAnalysis a = Analyze("FF 01 00 00 00 00 02");
    EXPECT_EQ(a.Protocol, TProtocol::PelcoD);
    EXPECT_EQ(a.Fault, TFrameFault::ChecksumIncorrect);
    EXPECT_FALSE(a.Valid);
    EXPECT_EQ(FaultMessage(a.Fault), "Frame checksum incorrect");

    // A missing footer hides a wrong checksum too.
    a = Analyze("A0 00 00 00 00 00 00 55");
    EXPECT_EQ(a.Protocol, TProtocol::PelcoP);
    EXPECT_EQ(a.Fault, TFrameFault::FooterMissing);
    EXPECT_EQ(FaultMessage(a.Fault), "Pelco-P footer not exists");

    a = Analyze("A0 00 00 00 00 00 AF 00");
    EXPECT_EQ(a.Fault, TFrameFault::ChecksumIncorrect);
}

TEST(FrameDecoderTest, WrongStartByteOrShortSpanIsNoFrame)
{
    const auto pelcoP = Bytes("A0 00 00 00 00 00 AF 0F");
    const TFrameAnalysis a = AnalyzeFrame(TProtocol::PelcoD, pelcoP);
    EXPECT_EQ(a.Protocol, TProtocol::None);
    EXPECT_EQ(a.Fault, TFrameFault::None);
    EXPECT_FALSE(a.Valid || a.Recognised);

    const auto shortFrame = Bytes("A0 00 00 00 00 00 AF");
    EXPECT_EQ(AnalyzeFrame(TProtocol::PelcoP, shortFrame).Protocol, TProtocol::None);
}

// Every code, both protocols, several IDs and values: the decoder reads back
// what the builder meant.
TEST(FrameDecoderTest, RoundTripsEveryCommandCode)
{
    for (bool pelcoD : {true, false}) {
        for (int id : {0, 1, 255}) {
            for (int value : {1, 32, 63, 200}) {
                for (int code = 0; code <= kLastCommandCode; ++code) {
                    SCOPED_TRACE(::testing::Message() << "pelcoD=" << pelcoD << " id=" << id << " value=" << value
                                                      << " code=" << code);
                    TFrame frame;
                    BuildCommandFrame(frame, pelcoD, static_cast<uint8_t>(code), static_cast<uint8_t>(value),
                                      static_cast<uint8_t>(id));
                    const TFrameAnalysis a = AnalyzeFrame(pelcoD ? TProtocol::PelcoD : TProtocol::PelcoP,
                                                          std::span(frame.data(), FrameLength(pelcoD)));
                    ASSERT_TRUE(a.Valid);
                    EXPECT_TRUE(a.Recognised);
                    EXPECT_EQ(a.Address, pelcoD ? id : (id + 255) % 256);
                    const int speed = std::min(value, 63);
                    switch (code) {
                    case 0: EXPECT_TRUE(a.Stop); break;
                    case 1: EXPECT_TRUE(a.Left); EXPECT_EQ(a.Pan, -speed); break;
                    case 2: EXPECT_TRUE(a.Right); EXPECT_EQ(a.Pan, speed); break;
                    case 3: EXPECT_TRUE(a.Up); EXPECT_EQ(a.Tilt, -speed); break;
                    case 4: EXPECT_TRUE(a.Down); EXPECT_EQ(a.Tilt, speed); break;
                    case 5: EXPECT_TRUE(a.LeftUp); EXPECT_EQ(a.Pan, -speed); EXPECT_EQ(a.Tilt, -speed); break;
                    case 6: EXPECT_TRUE(a.LeftDown); EXPECT_EQ(a.Pan, -speed); EXPECT_EQ(a.Tilt, speed); break;
                    case 7: EXPECT_TRUE(a.RightUp); EXPECT_EQ(a.Pan, speed); EXPECT_EQ(a.Tilt, -speed); break;
                    case 8: EXPECT_TRUE(a.RightDown); EXPECT_EQ(a.Pan, speed); EXPECT_EQ(a.Tilt, speed); break;
                    case 9: EXPECT_TRUE(a.ZoomIn); break;
                    case 10: EXPECT_TRUE(a.ZoomOut); break;
                    case 11: EXPECT_TRUE(a.FocusFar); EXPECT_FALSE(a.FocusNear); break;
                    case 12: EXPECT_TRUE(a.FocusNear); EXPECT_FALSE(a.FocusFar); break;
                    case 13: EXPECT_TRUE(a.IrisOpen); break;
                    case 14: EXPECT_TRUE(a.IrisClose); break;
                    case 15: EXPECT_EQ(a.PresetAction, TPresetAction::Set); EXPECT_EQ(a.PresetNumber, value); break;
                    case 16: EXPECT_EQ(a.PresetAction, TPresetAction::Clear); EXPECT_EQ(a.PresetNumber, value); break;
                    case 17: EXPECT_EQ(a.PresetAction, TPresetAction::Goto); EXPECT_EQ(a.PresetNumber, value); break;
                    }
                }
            }
        }
    }
}

} // namespace
