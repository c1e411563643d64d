#include "controller/display_math.h"

#include <algorithm>

TColorValue BlendColors(TColorValue a, TColorValue b, int weight, int total)
{
    if (total <= 0)
        return a & 0x00FFFFFFu;
    weight = std::clamp(weight, 0, total);
    TColorValue result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int byteA = static_cast<int>((a >> shift) & 0xFFu);
        const int byteB = static_cast<int>((b >> shift) & 0xFFu);
        const int mixed = (byteA * (total - weight) + byteB * weight) / total;
        result |= static_cast<TColorValue>(mixed) << shift;
    }
    return result;
}

TJoystickAxis JoystickAxis(int delta)
{
    int displacement = std::clamp(delta, -kJoystickReach, kJoystickReach);
    int beyond = 0;
    if (displacement > kJoystickDeadZone)
        beyond = displacement - kJoystickDeadZone;
    else if (displacement < -kJoystickDeadZone)
        beyond = displacement + kJoystickDeadZone;
    else
        displacement = 0;

    // 64/75 maps the 75 pixels beyond the dead zone onto 0..64; only the
    // full reach exceeds 63 and is sent as the full 255.
    int speed = beyond * 64 / 75;
    if (speed > 63)
        speed = 255;
    else if (speed < -63)
        speed = -255;
    return {displacement, speed};
}

int MarkerPosition(int speed)
{
    return kJoystickHome + speed * kJoystickReach / 63;
}
