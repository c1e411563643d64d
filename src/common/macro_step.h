#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A macro step string: the delay in milliseconds since the previous step, then
// " %.2X" per byte, e.g. "250 FF 01 00 00 00 00 01". One step per line of a
// ".macro" file.

// The delay before a step: the text before the first blank as a decimal
// number; no blank, a leading blank, 0 or not a number (a sign, a value
// beyond 32 bits) all give 1.
[[nodiscard]] uint32_t MacroStepDelay(std::string_view step);

// The bytes of a step: everything after the first blank, taken three
// characters at a time, each trimmed and read as hex (invalid gives 0).
[[nodiscard]] std::vector<uint8_t> MacroStepBytes(std::string_view step);

// The step string for bytes sent `delayMs` after the previous step.
[[nodiscard]] std::string MakeMacroStep(uint32_t delayMs, const uint8_t* bytes, size_t count);

// The lines of a macro file; a line ends at CR LF, a lone LF or a lone CR, and
// a line end at the very end of the text makes no extra empty line.
[[nodiscard]] std::vector<std::string> SplitMacroLines(std::string_view text);

// The text of a macro file: every step followed by CR LF.
[[nodiscard]] std::string MacroFileText(const std::vector<std::string>& steps);

// "mm:ss" below one hour, "hh:mm:ss" from one hour on (hours of a day);
// seconds truncated.
[[nodiscard]] std::string MacroTimeText(uint32_t milliseconds);
