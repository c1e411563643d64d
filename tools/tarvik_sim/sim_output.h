#pragma once

#include "positioner_state.h"
#include "sim_events.h"
#include "simulator.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

// The name of a counted command, for people ("zoom in") and for scripts
// ("zoom_in").
[[nodiscard]] std::string_view CommandText(TSimCommand command);
[[nodiscard]] std::string_view CommandKey(TSimCommand command);

// "right 32, up 10", "preset set 5 (stored)", "not recognised"...
// `frame` is the frame the analysis came from; its speed bytes are shown as
// sent, before the decoder's clamp.
[[nodiscard]] std::string DescribeCommand(const TFrameAnalysis& analysis, std::span<const uint8_t> frame,
                                          TPresetOutcome preset = TPresetOutcome::None);
// "pan 12.5 tilt -3.0 zoom 40 focus 50 iris 50 | moving: pan +32/s | presets: 1 5"
[[nodiscard]] std::string DescribeState(const TPositionerState& state);

// One line per event, without its line end.
[[nodiscard]] std::string FormatEventText(const TSimEvent& event);
[[nodiscard]] std::string FormatEventJson(const TSimEvent& event);
// The exit summary: several lines of text, or one JSON object.
[[nodiscard]] std::string FormatSummaryText(const TSimStats& stats, const TPositionerState& state, uint32_t timeMs);
[[nodiscard]] std::string FormatSummaryJson(const TSimStats& stats, const TPositionerState& state, uint32_t timeMs);

struct TOutputMode {
    bool Json = false;
    bool Quiet = false; // only the set-up lines and the summary
};

// Writes events and the summary to a stream, a whole line at a time and
// flushed, so a script reading a pipe sees each line as it happens.
class TSimOutput {
public:
    TSimOutput(std::FILE* stream, TOutputMode mode) : Stream(stream), Mode(mode) {}

    void Write(const TSimEvent& event);
    void WriteSummary(const TSimStats& stats, const TPositionerState& state, uint32_t timeMs);

private:
    void WriteLine(const std::string& text);

    std::FILE* Stream;
    TOutputMode Mode;
};
