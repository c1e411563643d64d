#include "sim_output.h"

#include "common/hex_line.h"
#include "json_writer.h"

#include <cstdio>
#include <algorithm>
#include <cstdint>

namespace {

// A long run of noise is shortened on screen; JSON keeps every byte.
constexpr size_t kMaxTextBytes = 48;

struct TCommandName {
    std::string_view Text;
    std::string_view Key;
};

constexpr TCommandName kCommandNames[kSimCommandCount] = {
    {"stop", "stop"},
    {"left", "left"},
    {"right", "right"},
    {"up", "up"},
    {"down", "down"},
    {"zoom in", "zoom_in"},
    {"zoom out", "zoom_out"},
    {"focus near", "focus_near"},
    {"focus far", "focus_far"},
    {"iris open", "iris_open"},
    {"iris close", "iris_close"},
    {"preset set", "preset_set"},
    {"preset clear", "preset_clear"},
    {"preset go to", "preset_goto"},
    {"not recognised", "not_recognised"},
};

std::string Printf(const char* format, auto... args)
{
    const int length = std::snprintf(nullptr, 0, format, args...);
    if (length <= 0)
        return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(static_cast<size_t>(length));
    return text;
}

// "FF 01 00", without the leading blank of the echo line.
std::string HexText(const std::vector<uint8_t>& bytes, size_t limit = SIZE_MAX)
{
    const size_t shown = std::min(bytes.size(), limit);
    std::string text = HexEchoLine("", bytes.data(), shown);
    if (!text.empty())
        text.erase(0, 1);
    if (shown < bytes.size())
        text += " ...";
    return text;
}

std::string TimeText(uint32_t timeMs) { return Printf("[%9.3f]", timeMs / 1000.0); }

double Seconds(uint32_t timeMs) { return timeMs / 1000.0; }

std::string_view ProtocolName(TProtocol protocol)
{
    switch (protocol) {
    case TProtocol::PelcoD: return "Pelco-D";
    case TProtocol::PelcoP: return "Pelco-P";
    case TProtocol::None: break;
    }
    return "none";
}

std::string_view PresetOutcomeKey(TPresetOutcome outcome)
{
    switch (outcome) {
    case TPresetOutcome::Stored: return "stored";
    case TPresetOutcome::Replaced: return "replaced";
    case TPresetOutcome::Cleared: return "cleared";
    case TPresetOutcome::Recalled: return "recalled";
    case TPresetOutcome::NotStored: return "not stored";
    case TPresetOutcome::None: break;
    }
    return "";
}

std::string_view FaultKey(TFrameFault fault)
{
    switch (fault) {
    case TFrameFault::FooterMissing: return "footer missing";
    case TFrameFault::ChecksumIncorrect: return "checksum incorrect";
    case TFrameFault::None: break;
    }
    return "none";
}

std::string FrameHeading(const TFrameAnalysis& analysis)
{
    return Printf("%s id %u", std::string(ProtocolName(analysis.Protocol)).c_str(),
                  static_cast<unsigned>(DeviceIdOf(analysis)));
}

std::string SignedSpeed(int speed) { return Printf("%+d/s", speed); }

std::string_view LensMotion(int motion, std::string_view up, std::string_view down)
{
    return motion > 0 ? up : (motion < 0 ? down : std::string_view());
}

std::string MotionText(const TPositionerState& state)
{
    std::string text;
    const auto add = [&text](std::string_view part) {
        if (part.empty())
            return;
        if (!text.empty())
            text += ", ";
        text += part;
    };
    if (state.PanSpeed != 0)
        add("pan " + SignedSpeed(state.PanSpeed));
    if (state.TiltSpeed != 0)
        add("tilt " + SignedSpeed(state.TiltSpeed));
    add(LensMotion(state.ZoomMotion, "zoom in", "zoom out"));
    add(LensMotion(state.FocusMotion, "focus far", "focus near"));
    add(LensMotion(state.IrisMotion, "iris open", "iris close"));
    return text;
}

std::string StateJson(const TPositionerState& state)
{
    std::string presets = "[";
    for (size_t i = 0; i < state.Presets.size(); ++i) {
        if (i > 0)
            presets += ',';
        presets += std::to_string(state.Presets[i]);
    }
    presets += ']';
    return TJsonObject()
        .Number("pan", state.Pan, 2)
        .Number("tilt", state.Tilt, 2)
        .Number("zoom", state.Zoom, 2)
        .Number("focus", state.Focus, 2)
        .Number("iris", state.Iris, 2)
        .Integer("pan_speed", state.PanSpeed)
        .Integer("tilt_speed", state.TiltSpeed)
        .Integer("zoom_motion", state.ZoomMotion)
        .Integer("focus_motion", state.FocusMotion)
        .Integer("iris_motion", state.IrisMotion)
        .Boolean("moving", state.Moving())
        .Raw("presets", presets)
        .Text();
}

std::string CommandsJson(const TFrameAnalysis& analysis)
{
    std::string list = "[";
    for (const TSimCommand command : CommandsOf(analysis)) {
        if (list.size() > 1)
            list += ',';
        list += JsonString(CommandKey(command));
    }
    return list + "]";
}

// The decoded fields a frame and a sent step have in common.
void AddFrameFields(TJsonObject& json, const TFrameAnalysis& analysis, const std::vector<uint8_t>& bytes,
                    TPresetOutcome preset)
{
    json.String("protocol", ProtocolName(analysis.Protocol))
        .Unsigned("address", analysis.Address)
        .Unsigned("id", DeviceIdOf(analysis))
        .Boolean("recognised", analysis.Recognised)
        .Raw("commands", CommandsJson(analysis))
        .Integer("pan", analysis.Pan)
        .Integer("tilt", analysis.Tilt);
    if (analysis.PresetAction != TPresetAction::None)
        json.Unsigned("preset", analysis.PresetNumber);
    else
        json.Null("preset");
    if (preset != TPresetOutcome::None)
        json.String("preset_result", PresetOutcomeKey(preset));
    json.String("description", DescribeCommand(analysis, bytes, preset));
}

std::string Text(const TFrameEvent& e)
{
    std::string line = TimeText(e.TimeMs) + " << " + HexText(e.Bytes) + "  " + FrameHeading(e.Analysis) + ": " +
                       DescribeCommand(e.Analysis, e.Bytes, e.Preset);
    if (!e.ForMe)
        line += " - not for me";
    return line + " | " + DescribeState(e.State);
}

std::string Text(const TFaultEvent& e)
{
    return TimeText(e.TimeMs) + " << " + HexText(e.Bytes) + "  " + std::string(FaultMessage(e.Analysis.Fault));
}

std::string Text(const TGarbageEvent& e)
{
    return TimeText(e.TimeMs) + " << " + HexText(e.Bytes, kMaxTextBytes) +
           Printf("  garbage, %zu byte%s", e.Bytes.size(), e.Bytes.size() == 1 ? "" : "s");
}

std::string Text(const TSentEvent& e)
{
    std::string line = TimeText(e.TimeMs) + " >> " + HexText(e.Bytes, kMaxTextBytes) + "  ";
    if (e.Analysis.Valid)
        line += FrameHeading(e.Analysis) + ": " + DescribeCommand(e.Analysis, e.Bytes) + " ";
    line += Printf("(macro step %zu of %zu%s)", e.Step, e.Steps, e.Written ? "" : ", not written");
    return line;
}

std::string Text(const TStatusEvent& e) { return TimeText(e.TimeMs) + " " + e.Message; }

std::string Json(const TFrameEvent& e)
{
    TJsonObject json;
    json.String("type", "frame").Number("time", Seconds(e.TimeMs), 3).String("bytes", HexText(e.Bytes));
    AddFrameFields(json, e.Analysis, e.Bytes, e.Preset);
    json.Boolean("for_me", e.ForMe).Raw("state", StateJson(e.State));
    return json.Text();
}

std::string Json(const TFaultEvent& e)
{
    return TJsonObject()
        .String("type", "fault")
        .Number("time", Seconds(e.TimeMs), 3)
        .String("bytes", HexText(e.Bytes))
        .String("protocol", ProtocolName(e.Analysis.Protocol))
        .String("fault", FaultKey(e.Analysis.Fault))
        .String("message", FaultMessage(e.Analysis.Fault))
        .Text();
}

std::string Json(const TGarbageEvent& e)
{
    return TJsonObject()
        .String("type", "garbage")
        .Number("time", Seconds(e.TimeMs), 3)
        .String("bytes", HexText(e.Bytes))
        .Unsigned("count", e.Bytes.size())
        .Text();
}

std::string Json(const TSentEvent& e)
{
    TJsonObject json;
    json.String("type", "sent")
        .Number("time", Seconds(e.TimeMs), 3)
        .String("bytes", HexText(e.Bytes))
        .Unsigned("step", e.Step)
        .Unsigned("steps", e.Steps)
        .Boolean("written", e.Written)
        .Boolean("frame", e.Analysis.Valid);
    if (e.Analysis.Valid)
        AddFrameFields(json, e.Analysis, e.Bytes, TPresetOutcome::None);
    return json.Text();
}

std::string Json(const TStatusEvent& e)
{
    TJsonObject json;
    json.String("type", e.Kind).Number("time", Seconds(e.TimeMs), 3);
    for (const auto& [key, value] : e.Fields)
        json.String(key, value);
    json.String("message", e.Message);
    return json.Text();
}

} // namespace

std::string_view CommandText(TSimCommand command) { return kCommandNames[static_cast<size_t>(command)].Text; }

std::string_view CommandKey(TSimCommand command) { return kCommandNames[static_cast<size_t>(command)].Key; }

std::string DescribeCommand(const TFrameAnalysis& analysis, std::span<const uint8_t> frame, TPresetOutcome preset)
{
    if (!analysis.Valid || frame.size() < 6)
        return "not a frame";
    const unsigned panByte = frame[4];
    const unsigned tiltByte = frame[5];
    std::string text;
    for (const TSimCommand command : CommandsOf(analysis)) {
        if (!text.empty())
            text += ", ";
        text += CommandText(command);
        switch (command) {
        case TSimCommand::Left:
        case TSimCommand::Right: text += Printf(" %u", panByte); break;
        case TSimCommand::Up:
        case TSimCommand::Down: text += Printf(" %u", tiltByte); break;
        case TSimCommand::PresetSet:
        case TSimCommand::PresetClear:
        case TSimCommand::PresetGoto: text += Printf(" %u", static_cast<unsigned>(analysis.PresetNumber)); break;
        case TSimCommand::NotRecognised:
            text += Printf(" (command %02X %02X)", static_cast<unsigned>(frame[2]), static_cast<unsigned>(frame[3]));
            break;
        default: break;
        }
    }
    if (preset != TPresetOutcome::None)
        text += " (" + std::string(PresetOutcomeKey(preset)) + ")";
    return text;
}

std::string DescribeState(const TPositionerState& state)
{
    std::string text = Printf("pan %.1f tilt %.1f zoom %.0f focus %.0f iris %.0f", state.Pan, state.Tilt, state.Zoom,
                              state.Focus, state.Iris);
    const std::string motion = MotionText(state);
    text += motion.empty() ? " | still" : " | moving: " + motion;
    if (!state.Presets.empty()) {
        text += " | presets:";
        for (const uint8_t number : state.Presets)
            text += " " + std::to_string(number);
    }
    return text;
}

std::string FormatEventText(const TSimEvent& event)
{
    return std::visit([](const auto& e) { return Text(e); }, event);
}

std::string FormatEventJson(const TSimEvent& event)
{
    return std::visit([](const auto& e) { return Json(e); }, event);
}

std::string FormatSummaryText(const TSimStats& stats, const TPositionerState& state, uint32_t timeMs)
{
    std::string commands;
    for (size_t i = 0; i < kSimCommandCount; ++i) {
        if (stats.Commands[i] == 0)
            continue;
        if (!commands.empty())
            commands += ", ";
        commands += Printf("%s %llu", std::string(CommandText(static_cast<TSimCommand>(i))).c_str(),
                           static_cast<unsigned long long>(stats.Commands[i]));
    }
    const auto count = [](uint64_t n) { return static_cast<unsigned long long>(n); };
    std::string text = Printf("Summary after %.1f s:\n", Seconds(timeMs));
    text += Printf("  Frames: %llu (Pelco-D %llu, Pelco-P %llu), not for me: %llu\n", count(stats.Frames),
                   count(stats.PelcoDFrames), count(stats.PelcoPFrames), count(stats.NotForMe));
    text += "  Commands: " + (commands.empty() ? std::string("none") : commands) + "\n";
    text += Printf("  Garbage bytes: %llu, checksum faults: %llu, footer faults: %llu\n", count(stats.GarbageBytes),
                   count(stats.ChecksumFaults), count(stats.FooterFaults));
    text += Printf("  Connections: %llu, macro steps sent: %llu, write failures: %llu\n", count(stats.Connections),
                   count(stats.StepsSent), count(stats.WriteFailures));
    text += "  State: " + DescribeState(state);
    return text;
}

std::string FormatSummaryJson(const TSimStats& stats, const TPositionerState& state, uint32_t timeMs)
{
    TJsonObject commands;
    for (size_t i = 0; i < kSimCommandCount; ++i)
        commands.Unsigned(CommandKey(static_cast<TSimCommand>(i)), stats.Commands[i]);
    return TJsonObject()
        .String("type", "summary")
        .Number("time", Seconds(timeMs), 3)
        .Unsigned("frames", stats.Frames)
        .Unsigned("pelco_d_frames", stats.PelcoDFrames)
        .Unsigned("pelco_p_frames", stats.PelcoPFrames)
        .Unsigned("not_for_me", stats.NotForMe)
        .Unsigned("garbage_bytes", stats.GarbageBytes)
        .Unsigned("checksum_faults", stats.ChecksumFaults)
        .Unsigned("footer_faults", stats.FooterFaults)
        .Unsigned("connections", stats.Connections)
        .Unsigned("steps_sent", stats.StepsSent)
        .Unsigned("write_failures", stats.WriteFailures)
        .Raw("commands", commands.Text())
        .Raw("state", StateJson(state))
        .Text();
}

void TSimOutput::Write(const TSimEvent& event)
{
    if (Mode.Quiet) {
        const auto* status = std::get_if<TStatusEvent>(&event);
        if (!status || !status->Setup)
            return;
    }
    WriteLine(Mode.Json ? FormatEventJson(event) : FormatEventText(event));
}

void TSimOutput::WriteSummary(const TSimStats& stats, const TPositionerState& state, uint32_t timeMs)
{
    WriteLine(Mode.Json ? FormatSummaryJson(stats, state, timeMs) : FormatSummaryText(stats, state, timeMs));
}

void TSimOutput::WriteLine(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), Stream);
    std::fputc('\n', Stream);
    std::fflush(Stream);
}
