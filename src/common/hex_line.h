#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The hex echo line of the message log: the prefix, then " %.2X" per byte.
// ">>" marks bytes sent, "<<" bytes received.
[[nodiscard]] std::string HexEchoLine(std::string_view prefix, const uint8_t* bytes, size_t count);
