#pragma once

#include <cstdint>
#include <string_view>

// The one conversion of typed or stored text to a number. Leading blanks, an
// optional sign, then decimal digits or hex digits after "$", "x", "X", "0x"
// or "0X". Anything else, or a value outside the signed 32-bit range, gives
// `fallback`.
[[nodiscard]] int32_t StrToIntDef(std::string_view text, int32_t fallback);

// Reads 1 to 8 hex digits (either case); anything else gives `fallback`.
[[nodiscard]] int32_t HexToInt(std::string_view text, int32_t fallback);
