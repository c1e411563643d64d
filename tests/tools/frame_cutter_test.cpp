#include "frame_cutter.h"

#include "support/bytes.h"

#include <gtest/gtest.h>

namespace {

// What a stream came apart into, independent of how garbage runs were
// grouped: the frames, the faults and the number of garbage bytes.
struct TCutResult {
    std::vector<std::string> Frames;
    std::vector<std::string> Faults;
    size_t GarbageBytes = 0;
    size_t Pending = 0;
};

void Collect(const std::vector<TCutPiece>& pieces, TCutResult& result)
{
    for (const TCutPiece& piece : pieces) {
        switch (piece.Kind) {
        case TCutPiece::TKind::Frame: result.Frames.push_back(Hex(piece.Bytes)); break;
        case TCutPiece::TKind::Fault:
            result.Faults.push_back(Hex(piece.Bytes));
            result.GarbageBytes += TFrameCutter::ConsumedBytes(piece);
            break;
        case TCutPiece::TKind::Garbage: result.GarbageBytes += piece.Bytes.size(); break;
        }
    }
}

TCutResult CutInChunks(const std::vector<uint8_t>& stream, const std::vector<size_t>& chunkEnds)
{
    TFrameCutter cutter;
    TCutResult result;
    size_t begin = 0;
    for (const size_t end : chunkEnds) {
        std::vector<TCutPiece> pieces;
        cutter.Feed(std::span(stream).subspan(begin, end - begin), pieces);
        Collect(pieces, result);
        begin = end;
    }
    result.Pending = cutter.PendingBytes();
    return result;
}

TCutResult CutWhole(const std::string& hex)
{
    const auto stream = Bytes(hex);
    return CutInChunks(stream, {stream.size()});
}

// Garbage, a Pelco-D frame, a bad checksum, a Pelco-P frame, a missing
// footer and one more frame of each protocol.
const std::string kMixedStream = "12 34 FF 01 00 02 20 00 23 FF 01 00 02 20 00 24 A0 00 00 07 00 05 AF 0D "
                                 "A0 00 00 02 20 00 00 2D 56 FF 02 00 00 00 00 02 A0 01 00 00 00 00 AF 0E";

TEST(FrameCutterTest, SeveralFramesOfBothProtocolsInOneChunk)
{
    const TCutResult r = CutWhole("FF 01 00 00 00 00 01 A0 00 00 02 20 00 AF 2D FF 01 00 07 00 05 0D");
    EXPECT_EQ(r.Frames, (std::vector<std::string>{"FF 01 00 00 00 00 01", "A0 00 00 02 20 00 AF 2D",
                                                  "FF 01 00 07 00 05 0D"}));
    EXPECT_TRUE(r.Faults.empty());
    EXPECT_EQ(r.GarbageBytes, 0u);
    EXPECT_EQ(r.Pending, 0u);
}

TEST(FrameCutterTest, GarbageAndFaultsAreCountedAndTheSearchResumes)
{
    struct TCase {
        const char* Name;
        std::string Stream;
        std::vector<std::string> Frames;
        std::vector<std::string> Faults;
        size_t GarbageBytes;
        size_t Pending;
    };
    const TCase cases[] = {
        {"noise before a frame", "12 34 FF 01 00 00 00 00 01", {"FF 01 00 00 00 00 01"}, {}, 2, 0},
        {"noise only", "00 11 22 AF 7F", {}, {}, 5, 0},
        // The bad candidate gives up its start byte; its other six bytes are
        // scanned again and found to be noise.
        {"bad checksum", "FF 01 00 02 20 00 24 FF 01 00 00 00 00 01", {"FF 01 00 00 00 00 01"},
         {"FF 01 00 02 20 00 24"}, 7, 0},
        {"missing Pelco-P footer", "A0 00 00 02 20 00 00 2D A0 00 00 00 00 00 AF 0F", {"A0 00 00 00 00 00 AF 0F"},
         {"A0 00 00 02 20 00 00 2D"}, 8, 0},
        // A real frame that starts inside a rejected candidate is still found.
        {"frame inside a bad candidate", "FF A0 00 00 00 00 00 AF 0F", {"A0 00 00 00 00 00 AF 0F"},
         {"FF A0 00 00 00 00 00"}, 1, 0},
        {"start bytes only", "FF FF FF FF FF FF FF FF", {}, {"FF FF FF FF FF FF FF", "FF FF FF FF FF FF FF"}, 2, 6},
        {"incomplete frame waits", "33 FF 01 00", {}, {}, 1, 3},
        {"the mixed stream", kMixedStream,
         {"FF 01 00 02 20 00 23", "A0 00 00 07 00 05 AF 0D", "FF 02 00 00 00 00 02", "A0 01 00 00 00 00 AF 0E"},
         {"FF 01 00 02 20 00 24", "A0 00 00 02 20 00 00 2D"}, 2 + 7 + 8 + 1, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TCutResult r = CutWhole(c.Stream);
        EXPECT_EQ(r.Frames, c.Frames);
        EXPECT_EQ(r.Faults, c.Faults);
        EXPECT_EQ(r.GarbageBytes, c.GarbageBytes);
        EXPECT_EQ(r.Pending, c.Pending);
    }
}

TEST(FrameCutterTest, FaultsCarryTheDecodersReason)
{
    TFrameCutter cutter;
    std::vector<TCutPiece> pieces;
    cutter.Feed(Bytes("FF 01 00 02 20 00 24 A0 00 00 02 20 00 00 2D"), pieces);
    std::vector<TFrameFault> faults;
    for (const TCutPiece& piece : pieces)
        if (piece.Kind == TCutPiece::TKind::Fault)
            faults.push_back(piece.Analysis.Fault);
    EXPECT_EQ(faults, (std::vector<TFrameFault>{TFrameFault::ChecksumIncorrect, TFrameFault::FooterMissing}));
}

TEST(FrameCutterTest, SplittingAtEveryBytePositionChangesNothing)
{
    const auto stream = Bytes(kMixedStream);
    const TCutResult whole = CutInChunks(stream, {stream.size()});
    for (size_t split = 0; split <= stream.size(); ++split) {
        SCOPED_TRACE("split at " + std::to_string(split));
        const TCutResult r = CutInChunks(stream, {split, stream.size()});
        EXPECT_EQ(r.Frames, whole.Frames);
        EXPECT_EQ(r.Faults, whole.Faults);
        EXPECT_EQ(r.GarbageBytes, whole.GarbageBytes);
    }
    std::vector<size_t> everyByte;
    for (size_t end = 1; end <= stream.size(); ++end)
        everyByte.push_back(end);
    const TCutResult byteByByte = CutInChunks(stream, everyByte);
    EXPECT_EQ(byteByByte.Frames, whole.Frames);
    EXPECT_EQ(byteByByte.Faults, whole.Faults);
    EXPECT_EQ(byteByByte.GarbageBytes, whole.GarbageBytes);
}

TEST(FrameCutterTest, FlushHandsOutAnIncompleteFrameAsGarbage)
{
    TFrameCutter cutter;
    std::vector<TCutPiece> pieces;
    cutter.Feed(Bytes("FF 01 00 02"), pieces);
    EXPECT_TRUE(pieces.empty());
    EXPECT_EQ(cutter.PendingBytes(), 4u);
    cutter.Flush(pieces);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].Kind, TCutPiece::TKind::Garbage);
    EXPECT_EQ(Hex(pieces[0].Bytes), "FF 01 00 02");
    EXPECT_EQ(cutter.PendingBytes(), 0u);

    // A new connection starts clean.
    pieces.clear();
    cutter.Feed(Bytes("FF 01 00 00 00 00 01"), pieces);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].Kind, TCutPiece::TKind::Frame);
}

TEST(FrameCutterTest, NeighbouringGarbageIsOneRun)
{
    TFrameCutter cutter;
    std::vector<TCutPiece> pieces;
    cutter.Feed(Bytes("01 02 03 FF 01 00 00 00 00 01 04 05"), pieces);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(Hex(pieces[0].Bytes), "01 02 03");
    EXPECT_EQ(pieces[1].Kind, TCutPiece::TKind::Frame);
    EXPECT_EQ(Hex(pieces[2].Bytes), "04 05");
}

} // namespace
