#pragma once

#include "protocol/frame_decoder.h"

#include <cstdint>
#include <map>
#include <vector>

// Where the simulated positioner points and what it is doing. Pan runs from 0
// up to (not including) 360 degrees, right is positive; tilt from -90 to +90,
// up is positive. Zoom (0 wide, 100 tele), focus (0 near, 100 far) and iris
// (0 closed, 100 open) are percentages of their travel.
struct TPositionerState {
    double Pan = 0.0;
    double Tilt = 0.0;
    double Zoom = 0.0;
    double Focus = 50.0;
    double Iris = 50.0;
    int PanSpeed = 0;   // degrees per second, positive right
    int TiltSpeed = 0;  // degrees per second, positive up
    int ZoomMotion = 0; // -1, 0 or +1 along the travel
    int FocusMotion = 0;
    int IrisMotion = 0;
    std::vector<uint8_t> Presets; // stored preset numbers, ascending

    [[nodiscard]] bool Moving() const
    {
        return PanSpeed != 0 || TiltSpeed != 0 || ZoomMotion != 0 || FocusMotion != 0 || IrisMotion != 0;
    }
};

// What a preset command did.
enum class TPresetOutcome : uint8_t { None, Stored, Replaced, Cleared, Recalled, NotStored };

// The motion model. Speeds: one degree per second per speed step, so the
// Pelco speed bytes 0x00..0x3F give 0..63 degrees per second, and 0x40
// (turbo) and above count as 63, as the decoder clamps them. The lens runs
// at kLensPercentPerSecond while its command lasts. Each movement frame
// replaces the whole motion, as a real head treats it: a zoom-only frame stops
// pan and tilt. Go to preset moves to the stored position at once and stops
// everything; travel time is not modelled.
class TPositioner {
public:
    static constexpr double kLensPercentPerSecond = 20.0;
    static constexpr double kTiltLimit = 90.0;

    explicit TPositioner(uint32_t nowMs) : LastTick(nowMs) {}

    // Moves everything to where it is at `nowMs` (milliseconds of a wrapping
    // 32-bit tick count), then applies a valid frame's command.
    TPresetOutcome Apply(const TFrameAnalysis& analysis, uint32_t nowMs);
    void Advance(uint32_t nowMs);

    [[nodiscard]] TPositionerState State() const;

private:
    struct TPosition {
        double Pan = 0.0;
        double Tilt = 0.0;
        double Zoom = 0.0;
        double Focus = 0.0;
        double Iris = 0.0;
    };

    void StopAll();
    TPresetOutcome ApplyPreset(const TFrameAnalysis& analysis);

    TPositionerState Current;
    std::map<uint8_t, TPosition> StoredPresets;
    uint32_t LastTick;
};
