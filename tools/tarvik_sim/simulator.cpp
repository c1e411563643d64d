#include "simulator.h"

std::vector<TSimCommand> CommandsOf(const TFrameAnalysis& a)
{
    std::vector<TSimCommand> commands;
    if (!a.Valid)
        return commands;
    const auto add = [&commands](bool present, TSimCommand command) {
        if (present)
            commands.push_back(command);
    };
    add(a.Stop, TSimCommand::Stop);
    add(a.Left, TSimCommand::Left);
    add(a.Right, TSimCommand::Right);
    add(a.Up, TSimCommand::Up);
    add(a.Down, TSimCommand::Down);
    add(a.ZoomIn, TSimCommand::ZoomIn);
    add(a.ZoomOut, TSimCommand::ZoomOut);
    add(a.FocusNear, TSimCommand::FocusNear);
    add(a.FocusFar, TSimCommand::FocusFar);
    add(a.IrisOpen, TSimCommand::IrisOpen);
    add(a.IrisClose, TSimCommand::IrisClose);
    add(a.PresetAction == TPresetAction::Set, TSimCommand::PresetSet);
    add(a.PresetAction == TPresetAction::Clear, TSimCommand::PresetClear);
    add(a.PresetAction == TPresetAction::Goto, TSimCommand::PresetGoto);
    if (commands.empty())
        commands.push_back(TSimCommand::NotRecognised);
    return commands;
}

uint8_t DeviceIdOf(const TFrameAnalysis& analysis)
{
    return analysis.Protocol == TProtocol::PelcoP ? static_cast<uint8_t>(analysis.Address + 1) : analysis.Address;
}

TSimulator::TSimulator(const TSimSettings& settings, uint32_t startTick)
    : Settings(settings), StartTick(startTick), Positioner(startTick)
{
}

bool TSimulator::IsForMe(const TFrameAnalysis& analysis) const
{
    return !Settings.Address || DeviceIdOf(analysis) == *Settings.Address;
}

void TSimulator::Receive(std::span<const uint8_t> bytes, uint32_t nowTick, std::vector<TSimEvent>& events,
                         std::vector<uint8_t>& echo)
{
    Pieces.clear();
    Cutter.Feed(bytes, Pieces);
    TakePieces(nowTick, events, &echo);
}

void TSimulator::EndOfStream(uint32_t nowTick, std::vector<TSimEvent>& events)
{
    Pieces.clear();
    Cutter.Flush(Pieces);
    TakePieces(nowTick, events, nullptr);
}

void TSimulator::NoteSent(bool written)
{
    if (written)
        Stats.StepsSent++;
    else
        Stats.WriteFailures++;
}

TPositionerState TSimulator::State(uint32_t nowTick)
{
    Positioner.Advance(nowTick);
    return Positioner.State();
}

void TSimulator::TakePieces(uint32_t nowTick, std::vector<TSimEvent>& events, std::vector<uint8_t>* echo)
{
    const uint32_t timeMs = ElapsedMs(nowTick);
    for (TCutPiece& piece : Pieces) {
        switch (piece.Kind) {
        case TCutPiece::TKind::Garbage:
            Stats.GarbageBytes += piece.Bytes.size();
            events.emplace_back(TGarbageEvent{timeMs, std::move(piece.Bytes)});
            break;
        case TCutPiece::TKind::Fault:
            // The start byte is all a failed candidate takes from the stream;
            // the bytes after it are counted when they are scanned again.
            Stats.GarbageBytes += TFrameCutter::ConsumedBytes(piece);
            if (piece.Analysis.Fault == TFrameFault::ChecksumIncorrect)
                Stats.ChecksumFaults++;
            else
                Stats.FooterFaults++;
            events.emplace_back(TFaultEvent{timeMs, std::move(piece.Bytes), piece.Analysis});
            break;
        case TCutPiece::TKind::Frame: {
            Stats.Frames++;
            (piece.Analysis.Protocol == TProtocol::PelcoD ? Stats.PelcoDFrames : Stats.PelcoPFrames)++;
            TFrameEvent event;
            event.TimeMs = timeMs;
            event.Analysis = piece.Analysis;
            event.ForMe = IsForMe(piece.Analysis);
            if (event.ForMe) {
                for (const TSimCommand command : CommandsOf(piece.Analysis))
                    Stats.Commands[static_cast<size_t>(command)]++;
                event.Preset = Positioner.Apply(piece.Analysis, nowTick);
                if (echo && Settings.Echo)
                    echo->insert(echo->end(), piece.Bytes.begin(), piece.Bytes.end());
            } else {
                Stats.NotForMe++;
                Positioner.Advance(nowTick);
            }
            event.State = Positioner.State();
            event.Bytes = std::move(piece.Bytes);
            events.emplace_back(std::move(event));
            break;
        }
        }
    }
}
