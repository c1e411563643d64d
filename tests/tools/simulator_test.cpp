#include "simulator.h"

#include "protocol/frame_builder.h"
#include "support/bytes.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Frame(bool pelcoD, uint8_t code, uint8_t value, uint8_t deviceId)
{
    TFrame frame{};
    BuildCommandFrame(frame, pelcoD, code, value, deviceId);
    return {frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(FrameLength(pelcoD))};
}

std::vector<TFrameEvent> FrameEvents(const std::vector<TSimEvent>& events)
{
    std::vector<TFrameEvent> frames;
    for (const TSimEvent& event : events)
        if (const auto* frame = std::get_if<TFrameEvent>(&event))
            frames.push_back(*frame);
    return frames;
}

TEST(SimulatorTest, AddressFilterFollowsEachProtocolsAddressing)
{
    struct TCase {
        std::optional<uint8_t> Address;
        std::string Frame;
        bool ForMe;
    };
    // Pelco-P frames for device N carry N-1 in byte 1.
    const TCase cases[] = {
        {std::nullopt, "FF 07 00 00 00 00 07", true},
        {std::nullopt, "A0 06 00 00 00 00 AF 09", true},
        {1, "FF 01 00 00 00 00 01", true},
        {1, "A0 00 00 00 00 00 AF 0F", true},
        {1, "FF 02 00 00 00 00 02", false},
        {1, "A0 01 00 00 00 00 AF 0E", false},
        {1, "FF 00 00 00 00 00 00", false},
        {2, "A0 01 00 00 00 00 AF 0E", true},
        {0, "FF 00 00 00 00 00 00", true},
        {0, "A0 FF 00 00 00 00 AF F0", true},
        {255, "FF FF 00 00 00 00 FF", true},
        {255, "A0 FE 00 00 00 00 AF F1", true},
        {255, "A0 FF 00 00 00 00 AF F0", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Frame + " with address " + (c.Address ? std::to_string(*c.Address) : "none"));
        TSimulator simulator({c.Address, false}, 0);
        std::vector<TSimEvent> events;
        std::vector<uint8_t> echo;
        simulator.Receive(Bytes(c.Frame), 0, events, echo);
        const auto frames = FrameEvents(events);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].ForMe, c.ForMe);
        EXPECT_EQ(simulator.Counts().NotForMe, c.ForMe ? 0u : 1u);
        EXPECT_EQ(simulator.Counts().Frames, 1u);
    }
}

TEST(SimulatorTest, FramesForOtherDevicesAreIgnoredAndNotEchoed)
{
    TSimulator simulator({3, true}, 0);
    std::vector<uint8_t> stream = Frame(true, cmdRight, 20, 1);
    const auto mine = Frame(false, cmdUp, 10, 3);
    const auto other = Frame(false, cmdLeft, 63, 4);
    stream.insert(stream.end(), mine.begin(), mine.end());
    stream.insert(stream.end(), other.begin(), other.end());

    std::vector<TSimEvent> events;
    std::vector<uint8_t> echo;
    simulator.Receive(stream, 0, events, echo);
    EXPECT_EQ(Hex(echo), Hex(mine)) << "only the frame for device 3 comes back";

    const TPositionerState state = simulator.State(1000);
    EXPECT_EQ(state.PanSpeed, 0);
    EXPECT_EQ(state.TiltSpeed, 10);
    EXPECT_NEAR(state.Tilt, 10.0, 1e-6);

    const TSimStats& stats = simulator.Counts();
    EXPECT_EQ(stats.Frames, 3u);
    EXPECT_EQ(stats.PelcoDFrames, 1u);
    EXPECT_EQ(stats.PelcoPFrames, 2u);
    EXPECT_EQ(stats.NotForMe, 2u);
    EXPECT_EQ(stats.Commands[static_cast<size_t>(TSimCommand::Up)], 1u);
    EXPECT_EQ(stats.Commands[static_cast<size_t>(TSimCommand::Right)], 0u);
    EXPECT_EQ(stats.Commands[static_cast<size_t>(TSimCommand::Left)], 0u);
}

TEST(SimulatorTest, EchoWithoutTheOptionWritesNothing)
{
    TSimulator simulator({std::nullopt, false}, 0);
    std::vector<TSimEvent> events;
    std::vector<uint8_t> echo;
    simulator.Receive(Frame(true, cmdStop, 0, 1), 0, events, echo);
    EXPECT_TRUE(echo.empty());
}

TEST(SimulatorTest, CountsGarbageFaultsAndCommands)
{
    TSimulator simulator({std::nullopt, true}, 0);
    std::vector<TSimEvent> events;
    std::vector<uint8_t> echo;
    simulator.Receive(Bytes("11 22 FF 01 00 02 20 00 24 A0 00 00 02 20 00 00 2D FF 01 00 0A 10 20 3B "
                            "FF 01 00 03 00 05 09 FF 01 00 00 00 00 01 FF 01 08 00 00 00 09 FF 01 00"),
                      0, events, echo);
    simulator.EndOfStream(0, events);

    const TSimStats& stats = simulator.Counts();
    EXPECT_EQ(stats.Frames, 4u);
    EXPECT_EQ(stats.ChecksumFaults, 1u);
    EXPECT_EQ(stats.FooterFaults, 1u);
    EXPECT_EQ(stats.GarbageBytes, 2u + 7u + 8u + 3u) << "noise, both rejected candidates and the unfinished frame";
    const auto count = [&stats](TSimCommand command) { return stats.Commands[static_cast<size_t>(command)]; };
    EXPECT_EQ(count(TSimCommand::Right), 1u);
    EXPECT_EQ(count(TSimCommand::Up), 1u);
    EXPECT_EQ(count(TSimCommand::PresetSet), 1u);
    EXPECT_EQ(count(TSimCommand::Stop), 1u);
    EXPECT_EQ(count(TSimCommand::NotRecognised), 1u);
    EXPECT_EQ(Hex(echo).size(), 4u * 7u * 3u - 1u) << "four good frames echoed";

    const auto frames = FrameEvents(events);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[1].Preset, TPresetOutcome::Stored);
    EXPECT_EQ(frames[1].State.Presets, std::vector<uint8_t>{5});
}

TEST(SimulatorTest, CommandsOfNamesEveryIndication)
{
    struct TCase {
        std::string Frame;
        std::vector<TSimCommand> Commands;
    };
    const TCase cases[] = {
        {"FF 01 00 00 00 00 01", {TSimCommand::Stop}},
        {"FF 01 00 0C 10 3F 5C", {TSimCommand::Left, TSimCommand::Up}},
        {"FF 01 00 60 00 00 61", {TSimCommand::ZoomIn, TSimCommand::ZoomOut}},
        {"FF 01 07 80 00 00 88",
         {TSimCommand::FocusNear, TSimCommand::FocusFar, TSimCommand::IrisOpen, TSimCommand::IrisClose}},
        {"FF 01 00 05 00 03 09", {TSimCommand::PresetClear}},
        {"A0 00 00 07 00 05 AF 0D", {TSimCommand::PresetGoto}},
        {"FF 01 08 00 00 00 09", {TSimCommand::NotRecognised}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Frame);
        const auto bytes = Bytes(c.Frame);
        const TFrameAnalysis a = AnalyzeFrame(bytes[0] == 0xA0 ? TProtocol::PelcoP : TProtocol::PelcoD, bytes);
        ASSERT_TRUE(a.Valid);
        EXPECT_EQ(CommandsOf(a), c.Commands);
    }
}

} // namespace
