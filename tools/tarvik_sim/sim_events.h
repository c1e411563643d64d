#pragma once

#include "positioner_state.h"
#include "protocol/frame_decoder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// What the simulator reports, one line of output each. Times are milliseconds
// since the simulator started.

struct TFrameEvent {
    uint32_t TimeMs = 0;
    std::vector<uint8_t> Bytes;
    TFrameAnalysis Analysis;
    bool ForMe = true;
    TPresetOutcome Preset = TPresetOutcome::None;
    TPositionerState State; // after the frame was applied
};

struct TFaultEvent {
    uint32_t TimeMs = 0;
    std::vector<uint8_t> Bytes; // the rejected candidate
    TFrameAnalysis Analysis;
};

struct TGarbageEvent {
    uint32_t TimeMs = 0;
    std::vector<uint8_t> Bytes;
};

// One macro step written towards the station.
struct TSentEvent {
    uint32_t TimeMs = 0;
    std::vector<uint8_t> Bytes;
    TFrameAnalysis Analysis; // Protocol None when the step is not one frame
    size_t Step = 0;         // counted from 1
    size_t Steps = 0;
    bool Written = true;
};

// Start-up, connection and playback news. `Kind` names the event for
// scripts ("listening", "connected", ...); `Fields` are its details.
struct TStatusEvent {
    uint32_t TimeMs = 0;
    std::string Kind;
    std::string Message;
    std::vector<std::pair<std::string, std::string>> Fields;
    bool Setup = false; // what the user needs to connect: shown even when quiet
};

using TSimEvent = std::variant<TFrameEvent, TFaultEvent, TGarbageEvent, TSentEvent, TStatusEvent>;
