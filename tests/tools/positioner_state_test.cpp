#include "positioner_state.h"

#include "protocol/frame_builder.h"
#include "support/bytes.h"

#include <gtest/gtest.h>

namespace {

TFrameAnalysis Command(uint8_t code, uint8_t value, bool pelcoD = true)
{
    TFrame frame{};
    BuildCommandFrame(frame, pelcoD, code, value, 1);
    return AnalyzeFrame(pelcoD ? TProtocol::PelcoD : TProtocol::PelcoP,
                        std::span<const uint8_t>(frame.data(), FrameLength(pelcoD)));
}

TFrameAnalysis PanTilt(int pan, int tilt)
{
    TFrame frame{};
    BuildPanTiltFrame(frame, true, 1, pan, tilt);
    return AnalyzeFrame(TProtocol::PelcoD, std::span<const uint8_t>(frame.data(), kPelcoDFrameLength));
}

TEST(PositionerStateTest, PanAndTiltMoveOneDegreePerSecondPerSpeedStep)
{
    struct TCase {
        const char* Name;
        TFrameAnalysis Frame;
        uint32_t DurationMs;
        double Pan;
        double Tilt;
    };
    const TCase cases[] = {
        {"right 32 for 1 s", Command(cmdRight, 32), 1000, 32.0, 0.0},
        {"left 10 for 2 s wraps below 0", Command(cmdLeft, 10), 2000, 340.0, 0.0},
        {"right 63 for 6 s wraps past 360", Command(cmdRight, 63), 6000, 18.0, 0.0},
        {"up 45 for 1 s", Command(cmdUp, 45), 1000, 0.0, 45.0},
        {"down 20 for 0.5 s", Command(cmdDown, 20), 500, 0.0, -10.0},
        {"down 63 for 2 s stops at -90", Command(cmdDown, 63), 2000, 0.0, -90.0},
        {"up 63 for 2 s stops at +90", Command(cmdUp, 63), 2000, 0.0, 90.0},
        {"turbo 0x40 counts as 63", Command(cmdRight, 0x40), 1000, 63.0, 0.0},
        {"0xFF counts as 63", Command(cmdRight, 0xFF), 1000, 63.0, 0.0},
        {"speed 0 does not move", Command(cmdRight, 0), 1000, 0.0, 0.0},
        {"right and up 20 for 0.5 s", Command(cmdRightUp, 20), 500, 10.0, 10.0},
        {"left and down 8 for 1 s", Command(cmdLeftDown, 8), 1000, 352.0, -8.0},
        {"joystick pan -20 tilt +10", PanTilt(-20, 10), 1000, 340.0, -10.0},
        {"Pelco-P right 32", Command(cmdRight, 32, false), 1000, 32.0, 0.0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TPositioner positioner(1000);
        EXPECT_EQ(positioner.Apply(c.Frame, 1000), TPresetOutcome::None);
        positioner.Advance(1000 + c.DurationMs);
        const TPositionerState state = positioner.State();
        EXPECT_NEAR(state.Pan, c.Pan, 1e-6);
        EXPECT_NEAR(state.Tilt, c.Tilt, 1e-6);
        EXPECT_GE(state.Pan, 0.0);
        EXPECT_LT(state.Pan, 360.0);
    }
}

TEST(PositionerStateTest, LensMovesWhileItsCommandLastsWithinItsTravel)
{
    struct TCase {
        const char* Name;
        TFrameAnalysis Frame;
        uint32_t DurationMs;
        double Zoom;
        double Focus;
        double Iris;
    };
    // Code 11 carries the focus-far bit and code 12 the focus-near bit.
    const TCase cases[] = {
        {"zoom in 2 s", Command(cmdZoomTele, 0), 2000, 40.0, 50.0, 50.0},
        {"zoom in 10 s stops at 100", Command(cmdZoomTele, 0), 10000, 100.0, 50.0, 50.0},
        {"zoom out from 0 stays at 0", Command(cmdZoomWide, 0), 1000, 0.0, 50.0, 50.0},
        {"focus far bit 1 s", Command(cmdFocusFarBit, 0), 1000, 0.0, 70.0, 50.0},
        {"focus near bit 1 s", Command(cmdFocusNearBit, 0), 1000, 0.0, 30.0, 50.0},
        {"Pelco-P focus near bit", Command(cmdFocusNearBit, 0, false), 1000, 0.0, 30.0, 50.0},
        {"iris open 1 s", Command(cmdIrisOpen, 0), 1000, 0.0, 50.0, 70.0},
        {"iris close 5 s stops at 0", Command(cmdIrisClose, 0), 5000, 0.0, 50.0, 0.0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TPositioner positioner(0);
        positioner.Apply(c.Frame, 0);
        positioner.Advance(c.DurationMs);
        const TPositionerState state = positioner.State();
        EXPECT_NEAR(state.Zoom, c.Zoom, 1e-6);
        EXPECT_NEAR(state.Focus, c.Focus, 1e-6);
        EXPECT_NEAR(state.Iris, c.Iris, 1e-6);
    }
}

TEST(PositionerStateTest, StopStopsEverything)
{
    TPositioner positioner(0);
    const auto frame = Bytes("FF 01 03 2A 10 08 46"); // focus near, iris open, right 16, up 8, zoom in
    const TFrameAnalysis moving = AnalyzeFrame(TProtocol::PelcoD, frame);
    ASSERT_TRUE(moving.Valid);
    positioner.Apply(moving, 0);
    EXPECT_TRUE(positioner.State().Moving());

    positioner.Apply(Command(cmdStop, 0), 1000);
    const TPositionerState stopped = positioner.State();
    EXPECT_FALSE(stopped.Moving());
    positioner.Advance(5000);
    const TPositionerState later = positioner.State();
    EXPECT_DOUBLE_EQ(later.Pan, stopped.Pan);
    EXPECT_DOUBLE_EQ(later.Tilt, stopped.Tilt);
    EXPECT_DOUBLE_EQ(later.Zoom, stopped.Zoom);
    EXPECT_DOUBLE_EQ(later.Focus, stopped.Focus);
    EXPECT_DOUBLE_EQ(later.Iris, stopped.Iris);
    EXPECT_NEAR(stopped.Pan, 16.0, 1e-6);
    EXPECT_NEAR(stopped.Tilt, 8.0, 1e-6);
    EXPECT_NEAR(stopped.Zoom, 20.0, 1e-6);
    EXPECT_NEAR(stopped.Focus, 30.0, 1e-6);
    EXPECT_NEAR(stopped.Iris, 70.0, 1e-6);
}

TEST(PositionerStateTest, EachMovementFrameReplacesTheWholeMotion)
{
    TPositioner positioner(0);
    positioner.Apply(Command(cmdRight, 10), 0);
    positioner.Apply(Command(cmdZoomTele, 0), 1000); // pan stops, zoom starts
    positioner.Advance(2000);
    const TPositionerState state = positioner.State();
    EXPECT_NEAR(state.Pan, 10.0, 1e-6);
    EXPECT_NEAR(state.Zoom, 20.0, 1e-6);
    EXPECT_EQ(state.PanSpeed, 0);
    EXPECT_EQ(state.ZoomMotion, 1);
}

TEST(PositionerStateTest, PresetsAreStoredClearedAndRecalled)
{
    TPositioner positioner(0);
    positioner.Apply(Command(cmdRight, 30), 0);
    EXPECT_EQ(positioner.Apply(Command(cmdPresetSet, 5), 1000), TPresetOutcome::Stored);
    EXPECT_EQ(positioner.State().Presets, std::vector<uint8_t>{5});
    EXPECT_TRUE(positioner.State().Moving()) << "storing a preset leaves the motion alone";
    EXPECT_EQ(positioner.Apply(Command(cmdPresetSet, 9), 2000), TPresetOutcome::Stored);
    EXPECT_EQ(positioner.Apply(Command(cmdPresetSet, 9, false), 2000), TPresetOutcome::Replaced);

    positioner.Apply(Command(cmdUp, 20), 2000);
    positioner.Advance(3000);
    EXPECT_NEAR(positioner.State().Tilt, 20.0, 1e-6);

    EXPECT_EQ(positioner.Apply(Command(cmdPresetGoto, 5), 3000), TPresetOutcome::Recalled);
    TPositionerState state = positioner.State();
    EXPECT_NEAR(state.Pan, 30.0, 1e-6);
    EXPECT_NEAR(state.Tilt, 0.0, 1e-6);
    EXPECT_FALSE(state.Moving()) << "going to a preset ends the manual motion";

    EXPECT_EQ(positioner.Apply(Command(cmdPresetClear, 5), 3000), TPresetOutcome::Cleared);
    EXPECT_EQ(positioner.State().Presets, std::vector<uint8_t>{9});
    EXPECT_EQ(positioner.Apply(Command(cmdPresetClear, 5), 3000), TPresetOutcome::NotStored);

    positioner.Apply(Command(cmdLeft, 10), 3000);
    EXPECT_EQ(positioner.Apply(Command(cmdPresetGoto, 5), 4000), TPresetOutcome::NotStored);
    state = positioner.State();
    EXPECT_NEAR(state.Pan, 20.0, 1e-6) << "an unknown preset moves nothing";
    EXPECT_EQ(state.PanSpeed, -10) << "and leaves the motion alone";

    EXPECT_EQ(positioner.Apply(Command(cmdPresetGoto, 9), 4000), TPresetOutcome::Recalled);
    EXPECT_NEAR(positioner.State().Pan, 60.0, 1e-6);
}

TEST(PositionerStateTest, FramesWithoutACommandChangeNothing)
{
    const std::string frames[] = {
        "FF 01 08 00 00 00 09", // only an ignored bit
        "FF 01 01 03 00 05 0A", // an extended word that is no preset command
        "FF 01 00 02 20 00 24", // bad checksum
    };
    for (const std::string& hex : frames) {
        SCOPED_TRACE(hex);
        TPositioner positioner(0);
        positioner.Apply(Command(cmdRight, 10), 0);
        const auto bytes = Bytes(hex);
        positioner.Apply(AnalyzeFrame(TProtocol::PelcoD, bytes), 1000);
        positioner.Advance(2000);
        EXPECT_NEAR(positioner.State().Pan, 20.0, 1e-6);
    }
}

TEST(PositionerStateTest, TheTickCountWrapsWithoutAJump)
{
    TPositioner positioner(0xFFFFFE0C); // 500 ms before the wrap
    positioner.Apply(Command(cmdRight, 10), 0xFFFFFE0C);
    positioner.Advance(500); // 1000 ms later
    EXPECT_NEAR(positioner.State().Pan, 10.0, 1e-6);
    positioner.Advance(400); // a stale tick: no motion backwards, no seven weeks forwards
    EXPECT_NEAR(positioner.State().Pan, 10.0, 1e-6);
}

} // namespace
