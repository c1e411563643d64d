#include "positioner_state.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kFullTurn = 360.0;
constexpr double kLensMin = 0.0;
constexpr double kLensMax = 100.0;
constexpr uint32_t kMaxElapsedMs = 0x7FFFFFFF;

int Motion(bool increase, bool decrease)
{
    // Both bits at once cancel out: a head cannot drive a motor both ways.
    return (increase ? 1 : 0) - (decrease ? 1 : 0);
}

double MoveLens(double position, int motion, double seconds)
{
    return std::clamp(position + motion * TPositioner::kLensPercentPerSecond * seconds, kLensMin, kLensMax);
}

} // namespace

void TPositioner::Advance(uint32_t nowMs)
{
    const uint32_t elapsedMs = nowMs - LastTick;
    // A tick older than the last one (a caller's stale reading) must not
    // read as seven weeks of motion.
    if (elapsedMs == 0 || elapsedMs > kMaxElapsedMs)
        return;
    LastTick = nowMs;
    const double seconds = elapsedMs / 1000.0;
    double pan = std::fmod(Current.Pan + Current.PanSpeed * seconds, kFullTurn);
    if (pan < 0.0)
        pan += kFullTurn;
    // fmod of a tiny negative value plus a full turn may round up to 360 itself.
    Current.Pan = pan >= kFullTurn ? 0.0 : pan;
    Current.Tilt = std::clamp(Current.Tilt + Current.TiltSpeed * seconds, -kTiltLimit, kTiltLimit);
    Current.Zoom = MoveLens(Current.Zoom, Current.ZoomMotion, seconds);
    Current.Focus = MoveLens(Current.Focus, Current.FocusMotion, seconds);
    Current.Iris = MoveLens(Current.Iris, Current.IrisMotion, seconds);
}

TPresetOutcome TPositioner::Apply(const TFrameAnalysis& analysis, uint32_t nowMs)
{
    Advance(nowMs);
    if (!analysis.Valid || !analysis.Recognised)
        return TPresetOutcome::None;
    if (analysis.Stop) {
        StopAll();
        return TPresetOutcome::None;
    }
    if (analysis.PresetAction != TPresetAction::None)
        return ApplyPreset(analysis);

    // The decoder's vector is negative for left and for up.
    Current.PanSpeed = analysis.Pan;
    Current.TiltSpeed = -analysis.Tilt;
    Current.ZoomMotion = Motion(analysis.ZoomIn, analysis.ZoomOut);
    Current.FocusMotion = Motion(analysis.FocusFar, analysis.FocusNear);
    Current.IrisMotion = Motion(analysis.IrisOpen, analysis.IrisClose);
    return TPresetOutcome::None;
}

TPresetOutcome TPositioner::ApplyPreset(const TFrameAnalysis& analysis)
{
    const uint8_t number = analysis.PresetNumber;
    switch (analysis.PresetAction) {
    case TPresetAction::Set: {
        const bool existed = StoredPresets.contains(number);
        StoredPresets[number] = {Current.Pan, Current.Tilt, Current.Zoom, Current.Focus, Current.Iris};
        return existed ? TPresetOutcome::Replaced : TPresetOutcome::Stored;
    }
    case TPresetAction::Clear:
        return StoredPresets.erase(number) > 0 ? TPresetOutcome::Cleared : TPresetOutcome::NotStored;
    case TPresetAction::Goto: {
        const auto found = StoredPresets.find(number);
        if (found == StoredPresets.end())
            return TPresetOutcome::NotStored;
        StopAll();
        Current.Pan = found->second.Pan;
        Current.Tilt = found->second.Tilt;
        Current.Zoom = found->second.Zoom;
        Current.Focus = found->second.Focus;
        Current.Iris = found->second.Iris;
        return TPresetOutcome::Recalled;
    }
    case TPresetAction::None:
        break;
    }
    return TPresetOutcome::None;
}

void TPositioner::StopAll()
{
    Current.PanSpeed = 0;
    Current.TiltSpeed = 0;
    Current.ZoomMotion = 0;
    Current.FocusMotion = 0;
    Current.IrisMotion = 0;
}

TPositionerState TPositioner::State() const
{
    TPositionerState state = Current;
    state.Presets.clear();
    for (const auto& entry : StoredPresets)
        state.Presets.push_back(entry.first);
    return state;
}
