#pragma once

#include "protocol/frame_decoder.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// One piece of the received byte stream: a well-formed frame, a candidate
// that began with a start byte but failed its footer or checksum, or bytes
// that belong to no frame.
struct TCutPiece {
    enum class TKind : uint8_t { Frame, Fault, Garbage };

    TKind Kind = TKind::Garbage;
    std::vector<uint8_t> Bytes;  // a fault carries its whole candidate for display
    TFrameAnalysis Analysis;     // Frame and Fault only
};

// Cuts Pelco-D (0xFF, 7 bytes) and Pelco-P (0xA0, 8 bytes) frames out of a
// byte stream that may arrive in any chunks and may hold noise. A candidate
// that fails its footer or checksum costs only its start byte: the search
// resumes at the byte after it, so a real frame that began inside the bad
// candidate is still found.
class TFrameCutter {
public:
    void Feed(std::span<const uint8_t> bytes, std::vector<TCutPiece>& pieces);
    // Hands out a held incomplete frame as garbage; for the end of a
    // connection, where it can never be completed.
    void Flush(std::vector<TCutPiece>& pieces);
    [[nodiscard]] size_t PendingBytes() const { return Pending.size(); }

    // The bytes a piece took from the stream: a failed candidate gives up only
    // its start byte; the rest is scanned again.
    [[nodiscard]] static size_t ConsumedBytes(const TCutPiece& piece);

private:
    std::vector<uint8_t> Pending;
};
