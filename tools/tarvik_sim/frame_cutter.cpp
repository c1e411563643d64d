#include "frame_cutter.h"

#include "protocol/frame_builder.h"

#include <algorithm>

namespace {

bool IsStartByte(uint8_t byte) { return byte == kPelcoDStartByte || byte == kPelcoPStartByte; }

void AddGarbage(std::vector<TCutPiece>& pieces, const uint8_t* begin, const uint8_t* end)
{
    if (begin == end)
        return;
    // Neighbouring garbage is reported as one run, not byte by byte.
    if (!pieces.empty() && pieces.back().Kind == TCutPiece::TKind::Garbage) {
        pieces.back().Bytes.insert(pieces.back().Bytes.end(), begin, end);
        return;
    }
    TCutPiece piece;
    piece.Kind = TCutPiece::TKind::Garbage;
    piece.Bytes.assign(begin, end);
    pieces.push_back(std::move(piece));
}

} // namespace

void TFrameCutter::Feed(std::span<const uint8_t> bytes, std::vector<TCutPiece>& pieces)
{
    Pending.insert(Pending.end(), bytes.begin(), bytes.end());
    const uint8_t* const data = Pending.data();
    const size_t size = Pending.size();
    size_t pos = 0;
    while (pos < size) {
        const uint8_t* start = std::find_if(data + pos, data + size, IsStartByte);
        AddGarbage(pieces, data + pos, start);
        pos = static_cast<size_t>(start - data);
        if (pos == size)
            break;

        const bool pelcoD = data[pos] == kPelcoDStartByte;
        const size_t length = FrameLength(pelcoD);
        if (size - pos < length)
            break; // wait for the rest

        TCutPiece piece;
        piece.Analysis = AnalyzeFrame(pelcoD ? TProtocol::PelcoD : TProtocol::PelcoP,
                                      std::span<const uint8_t>(data + pos, length));
        piece.Bytes.assign(data + pos, data + pos + length);
        piece.Kind = piece.Analysis.Valid ? TCutPiece::TKind::Frame : TCutPiece::TKind::Fault;
        pos += ConsumedBytes(piece);
        pieces.push_back(std::move(piece));
    }
    Pending.erase(Pending.begin(), Pending.begin() + static_cast<std::ptrdiff_t>(pos));
}

void TFrameCutter::Flush(std::vector<TCutPiece>& pieces)
{
    AddGarbage(pieces, Pending.data(), Pending.data() + Pending.size());
    Pending.clear();
}

size_t TFrameCutter::ConsumedBytes(const TCutPiece& piece)
{
    return piece.Kind == TCutPiece::TKind::Fault ? 1 : piece.Bytes.size();
}
