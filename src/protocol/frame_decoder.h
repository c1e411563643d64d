#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The order matches the items of the protocol combo box after None.
enum class TProtocol : uint8_t { None, PelcoD, PelcoP };
enum class TFrameFault : uint8_t { None, FooterMissing, ChecksumIncorrect };
enum class TPresetAction : uint8_t { None, Set, Clear, Goto };
enum class TMarker : uint8_t { Keep, Centre, Place };

// What one received frame carries. Everything below `Valid` is meaningful
// only when `Valid` is set.
struct TFrameAnalysis {
    TProtocol Protocol = TProtocol::None;
    TFrameFault Fault = TFrameFault::None;
    bool Valid = false;
    uint8_t Address = 0;
    bool Stop = false;
    bool Left = false;
    bool Right = false;
    bool Up = false;
    bool Down = false;
    bool LeftUp = false;
    bool RightUp = false;
    bool LeftDown = false;
    bool RightDown = false;
    bool ZoomIn = false;
    bool ZoomOut = false;
    bool FocusNear = false;
    bool FocusFar = false;
    bool IrisOpen = false;
    bool IrisClose = false;
    TPresetAction PresetAction = TPresetAction::None;
    uint8_t PresetNumber = 0;
    int Pan = 0;  // -63..63, negative is left
    int Tilt = 0; // -63..63, negative is up
    TMarker Marker = TMarker::Keep;
    bool Recognised = false;
};

// `frame` holds exactly one frame: 7 bytes for Pelco-D, 8 for Pelco-P; a
// shorter span is reported as not a frame of that protocol.
[[nodiscard]] TFrameAnalysis AnalyzeFrame(TProtocol protocol, std::span<const uint8_t> frame);

// The log line for a fault; empty for none.
[[nodiscard]] std::string_view FaultMessage(TFrameFault fault);
