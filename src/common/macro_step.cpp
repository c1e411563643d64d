#include "common/macro_step.h"

#include "common/hex_line.h"
#include "common/str_to_int.h"

#include <charconv>

namespace {

constexpr uint32_t kMsPerSecond = 1000;
constexpr uint32_t kMsPerMinute = 60 * kMsPerSecond;
constexpr uint32_t kMsPerHour = 60 * kMsPerMinute;
constexpr uint32_t kHoursPerDay = 24;
constexpr size_t kCharactersPerByte = 3; // "XX" and the blank before the next one

// Blanks and control characters, as the 8-bit trim of the original platform counts them.
bool IsTrimmed(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsTrimmed(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsTrimmed(text.back()))
        text.remove_suffix(1);
    return text;
}

void AppendTwoDigits(std::string& text, uint32_t value)
{
    text += static_cast<char>('0' + value / 10);
    text += static_cast<char>('0' + value % 10);
}

} // namespace

uint32_t MacroStepDelay(std::string_view step)
{
    constexpr uint32_t kShortestDelay = 1;
    const size_t blank = step.find(' ');
    if (blank == std::string_view::npos || blank == 0)
        return kShortestDelay;
    const std::string_view text = step.substr(0, blank);
    // Digits only: a sign would let a hand-edited "-1" become a wait of weeks.
    uint32_t delay = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), delay);
    if (error != std::errc{} || end != text.data() + text.size() || delay == 0)
        return kShortestDelay;
    return delay;
}

std::vector<uint8_t> MacroStepBytes(std::string_view step)
{
    const size_t blank = step.find(' ');
    std::string_view rest = blank == std::string_view::npos ? step : step.substr(blank + 1);
    std::vector<uint8_t> bytes;
    bytes.reserve(rest.size() / kCharactersPerByte + 1);
    while (!rest.empty()) {
        const std::string_view chunk = rest.substr(0, kCharactersPerByte);
        bytes.push_back(static_cast<uint8_t>(HexToInt(Trimmed(chunk), 0) & 0xFF));
        rest.remove_prefix(chunk.size());
    }
    return bytes;
}

std::string MakeMacroStep(uint32_t delayMs, const uint8_t* bytes, size_t count)
{
    return HexEchoLine(std::to_string(delayMs), bytes, count);
}

std::vector<std::string> SplitMacroLines(std::string_view text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

std::string MacroFileText(const std::vector<std::string>& steps)
{
    std::string text;
    for (const std::string& step : steps) {
        text += step;
        text += "\r\n";
    }
    return text;
}

std::string MacroTimeText(uint32_t milliseconds)
{
    const uint32_t minutes = milliseconds / kMsPerMinute % 60;
    const uint32_t seconds = milliseconds / kMsPerSecond % 60;
    std::string text;
    if (milliseconds >= kMsPerHour) {
        AppendTwoDigits(text, milliseconds / kMsPerHour % kHoursPerDay);
        text += ':';
    }
    AppendTwoDigits(text, minutes);
    text += ':';
    AppendTwoDigits(text, seconds);
    return text;
}
