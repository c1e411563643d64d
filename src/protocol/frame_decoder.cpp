#include "protocol/frame_decoder.h"

#include "protocol/frame_builder.h"

#include <algorithm>

namespace {

constexpr int kMaxVectorSpeed = 63;

bool Has(unsigned word, unsigned mask) { return (word & mask) == mask; }

// Step 7: a preset word, or another extended command that yields nothing.
void DecodePreset(TFrameAnalysis& a, unsigned word, uint8_t presetByte)
{
    switch (word) {
    case 0x0300: a.PresetAction = TPresetAction::Set; break;
    case 0x0500: a.PresetAction = TPresetAction::Clear; break;
    case 0x0700: a.PresetAction = TPresetAction::Goto; break;
    default: return;
    }
    a.PresetNumber = presetByte;
    a.Recognised = true;
}

void DecodeStandard(TFrameAnalysis& a, bool pelcoD, unsigned word, uint8_t panByte, uint8_t tiltByte)
{
    a.FocusFar = Has(word, pelcoD ? 0x8000 : 0x0001);
    a.FocusNear = Has(word, pelcoD ? 0x0001 : 0x0002);
    a.IrisOpen = Has(word, pelcoD ? 0x0002 : 0x0004);
    a.IrisClose = Has(word, pelcoD ? 0x0004 : 0x0008);
    a.LeftUp = Has(word, 0x0C00);
    a.RightUp = Has(word, 0x0A00);
    a.LeftDown = Has(word, 0x1400);
    a.RightDown = Has(word, 0x1200);
    a.Right = Has(word, 0x0200);
    a.Left = Has(word, 0x0400);
    a.Up = Has(word, 0x0800);
    a.Down = Has(word, 0x1000);
    a.ZoomIn = Has(word, 0x2000);
    a.ZoomOut = Has(word, 0x4000);

    if (a.Right) a.Pan = panByte;
    if (a.Left) a.Pan = -panByte;
    if (a.Up) a.Tilt = -tiltByte;
    if (a.Down) a.Tilt = tiltByte;

    if ((word & 0x1E00) != 0) {
        a.Pan = std::clamp(a.Pan, -kMaxVectorSpeed, kMaxVectorSpeed);
        a.Tilt = std::clamp(a.Tilt, -kMaxVectorSpeed, kMaxVectorSpeed);
        a.Marker = TMarker::Place;
    } else {
        a.Marker = TMarker::Centre;
    }
    a.Recognised = a.FocusFar || a.FocusNear || a.IrisOpen || a.IrisClose || a.Right || a.Left || a.Up ||
                   a.Down || a.ZoomIn || a.ZoomOut;
}

} // namespace

TFrameAnalysis AnalyzeFrame(TProtocol protocol, std::span<const uint8_t> frame)
{
    TFrameAnalysis a;
    const bool pelcoD = protocol == TProtocol::PelcoD;
    if (protocol == TProtocol::None || frame.size() < FrameLength(pelcoD))
        return a;
    if (frame[0] != (pelcoD ? kPelcoDStartByte : kPelcoPStartByte))
        return a;
    a.Protocol = protocol;

    if (!pelcoD && frame[6] != kPelcoPEndByte) {
        a.Fault = TFrameFault::FooterMissing;
        return a;
    }
    const uint8_t expected = pelcoD ? PelcoDChecksum(frame) : PelcoPChecksum(frame);
    if (frame[pelcoD ? 6 : 7] != expected) {
        a.Fault = TFrameFault::ChecksumIncorrect;
        return a;
    }

    a.Valid = true;
    a.Address = frame[1];
    const unsigned word = frame[2] + 256u * frame[3];
    if (word == 0) {
        a.Stop = true;
        a.Marker = TMarker::Centre;
        a.Recognised = true;
        return a;
    }
    if ((frame[3] & 0x01) != 0) {
        DecodePreset(a, word, frame[5]);
        return a;
    }
    DecodeStandard(a, pelcoD, word, frame[4], frame[5]);
    return a;
}

std::string_view FaultMessage(TFrameFault fault)
{
    switch (fault) {
    case TFrameFault::FooterMissing: return "Pelco-P footer not exists";
    case TFrameFault::ChecksumIncorrect: return "Frame checksum incorrect";
    case TFrameFault::None: break;
    }
    return {};
}
