#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// A frame buffer: 7 bytes of Pelco-D or 8 bytes of Pelco-P.
using TFrame = std::array<uint8_t, 8>;

constexpr size_t kPelcoDFrameLength = 7;
constexpr size_t kPelcoPFrameLength = 8;
constexpr uint8_t kPelcoDStartByte = 0xFF;
constexpr uint8_t kPelcoPStartByte = 0xA0;
constexpr uint8_t kPelcoPEndByte = 0xAF;

// The standard command codes that the rest of the system names commands by.
enum TCommandCode : uint8_t {
    cmdStop = 0,
    cmdLeft = 1,
    cmdRight = 2,
    cmdUp = 3,
    cmdDown = 4,
    cmdLeftUp = 5,
    cmdLeftDown = 6,
    cmdRightUp = 7,
    cmdRightDown = 8,
    cmdZoomTele = 9,
    cmdZoomWide = 10,
    cmdFocusFarBit = 11,
    cmdFocusNearBit = 12,
    cmdIrisOpen = 13,
    cmdIrisClose = 14,
    cmdPresetSet = 15,
    cmdPresetClear = 16,
    cmdPresetGoto = 17,
};

constexpr uint8_t kLastCommandCode = cmdPresetGoto;

[[nodiscard]] constexpr size_t FrameLength(bool pelcoD) { return pelcoD ? kPelcoDFrameLength : kPelcoPFrameLength; }

// Codes outside 0..17 get zero command bytes, so a frame never carries stale buffer contents.
void BuildCommandFrame(TFrame& buffer, bool pelcoD, uint8_t code, uint8_t value, uint8_t deviceId);

// Negative pan is left, negative tilt is up; the low 8 bits of each magnitude are sent.
void BuildPanTiltFrame(TFrame& buffer, bool pelcoD, uint8_t deviceId, int pan, int tilt);

// Sum of bytes 1 to 5, modulo 256.
[[nodiscard]] uint8_t PelcoDChecksum(std::span<const uint8_t> frame);

// Exclusive OR of bytes 0 to 6.
[[nodiscard]] uint8_t PelcoPChecksum(std::span<const uint8_t> frame);
