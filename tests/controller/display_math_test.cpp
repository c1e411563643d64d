#include <gtest/gtest.h>

#include "controller/display_math.h"

namespace {

struct TBlendCase {
    int Weight;
    TColorValue Expected;
};

TEST(BlendColors, MixesEachByteByWeight)
{
    const TColorValue face = 0x00F0F0F0;  // A
    const TColorValue yellow = 0x0000FFFF; // B: red and green full
    const TBlendCase cases[] = {
        {1000, yellow},
        {0, face},
        {500, 0x0078F7F7},  // red and green (240 + 255) / 2 = 247, blue 240 / 2 = 120
        {-50, face},        // clamped to 0
        {5000, yellow},     // clamped to the total
        {950, 0x000CFEFE},
    };
    for (const TBlendCase& test : cases) {
        EXPECT_EQ(BlendColors(face, yellow, test.Weight, 1000), test.Expected) << test.Weight;
    }
    EXPECT_EQ(BlendColors(0xFF102030, 0xFF000000, 0, 1000), 0x00102030u); // the top byte is 0
    EXPECT_EQ(BlendColors(0x00102030, 0x00FFFFFF, 1, 0), 0x00102030u);
}

TEST(JoystickAxis, DeadZoneScaleAndFullReach)
{
    const std::tuple<int, int, int> cases[] = {
        // delta, knob displacement, speed
        {0, 0, 0},     {6, 0, 0},     {-6, 0, 0},     {7, 7, 0},       {8, 8, 1},         {-8, -8, -1},
        {80, 80, 63},  {-80, -80, -63}, {81, 81, 255}, {-81, -81, -255}, {500, 81, 255}, {-500, -81, -255},
        {40, 40, 29},
    };
    for (const auto& [delta, displacement, speed] : cases) {
        const TJoystickAxis axis = JoystickAxis(delta);
        EXPECT_EQ(axis.Displacement, displacement) << delta;
        EXPECT_EQ(axis.Speed, speed) << delta;
    }
}

TEST(MarkerPosition, SpeedToThePlaneOfThePane)
{
    const std::pair<int, int> cases[] = {{0, 83}, {63, 164}, {-63, 2}, {1, 84}, {-32, 42}, {-1, 82}, {32, 124}};
    for (const auto& [speed, position] : cases)
        EXPECT_EQ(MarkerPosition(speed), position) << speed;
}

} // namespace
