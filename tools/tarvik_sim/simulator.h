#pragma once

#include "frame_cutter.h"
#include "positioner_state.h"
#include "sim_events.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The commands counted in the summary; a frame may carry several.
enum class TSimCommand : uint8_t {
    Stop,
    Left,
    Right,
    Up,
    Down,
    ZoomIn,
    ZoomOut,
    FocusNear,
    FocusFar,
    IrisOpen,
    IrisClose,
    PresetSet,
    PresetClear,
    PresetGoto,
    NotRecognised,
};

constexpr size_t kSimCommandCount = static_cast<size_t>(TSimCommand::NotRecognised) + 1;

// The commands of a valid frame, in the order above; NotRecognised alone
// when it carries none.
[[nodiscard]] std::vector<TSimCommand> CommandsOf(const TFrameAnalysis& analysis);

// The device ID a valid frame is for: Pelco-D carries the ID itself, Pelco-P
// the ID minus one.
[[nodiscard]] uint8_t DeviceIdOf(const TFrameAnalysis& analysis);

struct TSimStats {
    uint64_t Frames = 0; // well-formed frames, including those for other devices
    uint64_t PelcoDFrames = 0;
    uint64_t PelcoPFrames = 0;
    uint64_t NotForMe = 0;
    uint64_t GarbageBytes = 0; // bytes that belong to no well-formed frame
    uint64_t ChecksumFaults = 0;
    uint64_t FooterFaults = 0;
    uint64_t Connections = 0;
    uint64_t StepsSent = 0;
    uint64_t WriteFailures = 0; // echoes and macro steps the station did not take
    std::array<uint64_t, kSimCommandCount> Commands{};
};

struct TSimSettings {
    std::optional<uint8_t> Address; // answer only this device ID; all when empty
    bool Echo = false;
};

// The device side without its transport: cuts frames out of what arrives,
// filters them by address, drives the positioner and keeps the counts.
class TSimulator {
public:
    TSimulator(const TSimSettings& settings, uint32_t startTick);

    // Appends one event per piece of the stream and, with echo on, the frames
    // for this device to `echo`, to be written back as they came.
    void Receive(std::span<const uint8_t> bytes, uint32_t nowTick, std::vector<TSimEvent>& events,
                 std::vector<uint8_t>& echo);
    // The connection ended: a frame still incomplete will never be finished.
    void EndOfStream(uint32_t nowTick, std::vector<TSimEvent>& events);

    void NoteConnection() { Stats.Connections++; }
    void NoteSent(bool written);
    void NoteWriteFailure() { Stats.WriteFailures++; }

    [[nodiscard]] bool IsForMe(const TFrameAnalysis& analysis) const;
    [[nodiscard]] const TSimStats& Counts() const { return Stats; }
    [[nodiscard]] TPositionerState State(uint32_t nowTick);
    [[nodiscard]] uint32_t ElapsedMs(uint32_t nowTick) const { return nowTick - StartTick; }

private:
    void TakePieces(uint32_t nowTick, std::vector<TSimEvent>& events, std::vector<uint8_t>* echo);

    TSimSettings Settings;
    uint32_t StartTick;
    TFrameCutter Cutter;
    TPositioner Positioner;
    TSimStats Stats;
    std::vector<TCutPiece> Pieces; // reused between calls
};
