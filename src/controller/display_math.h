#pragma once

#include <cstdint>

// The arithmetic behind the joystick pane, the analyzer's marker and the
// fading panels, kept apart from the widgets so it can be checked by table.

// A colour as 0x00BBGGRR: red in the low byte, as the settings and the
// panels' colours are compared.
using TColorValue = uint32_t;

// Mixes A and B byte by byte: weight 0 gives A, weight = total gives B.
// The weight is clamped to 0..total; a total of 0 or less gives A.
[[nodiscard]] TColorValue BlendColors(TColorValue a, TColorValue b, int weight, int total);

// The joystick knob's displacement on one axis, limited to the reach.
constexpr int kJoystickReach = 81;
constexpr int kJoystickDeadZone = 6;
constexpr int kJoystickHome = 83;

struct TJoystickAxis {
    int Displacement; // where the knob stands from home, 0 inside the dead zone
    int Speed;        // -255..255: 0 inside the dead zone, 1..63 beyond it, 255 at full reach
};

// The knob's place and the speed sent for a pointer `delta` pixels from the
// press point on one axis.
[[nodiscard]] TJoystickAxis JoystickAxis(int delta);

// The analyzer marker's left or top edge for a pan or tilt speed of -63..63.
[[nodiscard]] int MarkerPosition(int speed);
