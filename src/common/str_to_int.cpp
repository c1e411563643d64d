#include "common/str_to_int.h"

#include <limits>

namespace {

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool StartsWithHexPrefix(std::string_view text, size_t& prefixLength)
{
    if (text.starts_with("0x") || text.starts_with("0X")) {
        prefixLength = 2;
        return true;
    }
    if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X')) {
        prefixLength = 1;
        return true;
    }
    return false;
}

} // namespace

int32_t StrToIntDef(std::string_view text, int32_t fallback)
{
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::string_view digits = text.substr(pos);
    unsigned base = 10;
    size_t prefixLength = 0;
    if (StartsWithHexPrefix(digits, prefixLength)) {
        base = 16;
        digits.remove_prefix(prefixLength);
    }
    if (digits.empty())
        return fallback;

    // Accumulate the magnitude in 64 bits and stop as soon as it cannot fit.
    const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
    uint64_t magnitude = 0;
    for (char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0 || static_cast<unsigned>(digit) >= base)
            return fallback;
        magnitude = magnitude * base + static_cast<unsigned>(digit);
        if (magnitude > limit)
            return fallback;
    }
    const int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return static_cast<int32_t>(value);
}

int32_t HexToInt(std::string_view text, int32_t fallback)
{
    if (text.empty() || text.size() > 8)
        return fallback;
    uint32_t value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return fallback;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(value);
}
