#pragma once

// What the caption, the About tab and the version link show.
constexpr double ProgramVersion = 5.6;
constexpr int ProgramYear = 2011;
constexpr const char* kApplicationTitle = "Tarvik";
