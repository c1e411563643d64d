#include "protocol/frame_builder.h"

#include <cstdlib>

namespace {

struct TCommandBytes {
    uint8_t Command1;
    uint8_t Command2;
    bool PanSpeed;  // byte 4 takes the value
    bool TiltSpeed; // byte 5 takes the value
};

// Bytes 2 and 3 of each code; codes 11 to 14 differ between the protocols.
constexpr TCommandBytes kPelcoDCommands[] = {
    {0x00, 0x00, false, false}, {0x00, 0x04, true, false},  {0x00, 0x02, true, false},
    {0x00, 0x08, false, true},  {0x00, 0x10, false, true},  {0x00, 0x0C, true, true},
    {0x00, 0x14, true, true},   {0x00, 0x0A, true, true},   {0x00, 0x12, true, true},
    {0x00, 0x20, false, false}, {0x00, 0x40, false, false}, {0x00, 0x80, false, false},
    {0x01, 0x00, false, false}, {0x02, 0x00, false, false}, {0x04, 0x00, false, false},
    {0x00, 0x03, false, true},  {0x00, 0x05, false, true},  {0x00, 0x07, false, true},
};

constexpr TCommandBytes kPelcoPLensCommands[] = {
    {0x01, 0x00, false, false}, // 11
    {0x02, 0x00, false, false}, // 12
    {0x04, 0x00, false, false}, // 13
    {0x08, 0x00, false, false}, // 14
};

void FinishFrame(TFrame& buffer, bool pelcoD, uint8_t deviceId)
{
    if (pelcoD) {
        buffer[0] = kPelcoDStartByte;
        buffer[1] = deviceId;
        buffer[6] = PelcoDChecksum(buffer);
        buffer[7] = 0;
    } else {
        buffer[0] = kPelcoPStartByte;
        buffer[1] = static_cast<uint8_t>(deviceId - 1);
        buffer[6] = kPelcoPEndByte;
        buffer[7] = PelcoPChecksum(buffer);
    }
}

} // namespace

void BuildCommandFrame(TFrame& buffer, bool pelcoD, uint8_t code, uint8_t value, uint8_t deviceId)
{
    buffer.fill(0);
    if (code <= kLastCommandCode) {
        const bool lens = code >= cmdFocusFarBit && code <= cmdIrisClose;
        const TCommandBytes& bytes =
            (!pelcoD && lens) ? kPelcoPLensCommands[code - cmdFocusFarBit] : kPelcoDCommands[code];
        buffer[2] = bytes.Command1;
        buffer[3] = bytes.Command2;
        buffer[4] = bytes.PanSpeed ? value : 0;
        buffer[5] = bytes.TiltSpeed ? value : 0;
    }
    FinishFrame(buffer, pelcoD, deviceId);
}

void BuildPanTiltFrame(TFrame& buffer, bool pelcoD, uint8_t deviceId, int pan, int tilt)
{
    buffer.fill(0);
    if (pan < 0)
        buffer[3] |= 0x04;
    else if (pan > 0)
        buffer[3] |= 0x02;
    if (tilt < 0)
        buffer[3] |= 0x08;
    else if (tilt > 0)
        buffer[3] |= 0x10;
    buffer[4] = static_cast<uint8_t>(std::abs(pan));
    buffer[5] = static_cast<uint8_t>(std::abs(tilt));
    FinishFrame(buffer, pelcoD, deviceId);
}

uint8_t PelcoDChecksum(std::span<const uint8_t> frame)
{
    unsigned sum = 0;
    for (size_t i = 1; i <= 5; ++i)
        sum += frame[i];
    return static_cast<uint8_t>(sum);
}

uint8_t PelcoPChecksum(std::span<const uint8_t> frame)
{
    uint8_t check = 0;
    for (size_t i = 0; i <= 6; ++i)
        check ^= frame[i];
    return check;
}
