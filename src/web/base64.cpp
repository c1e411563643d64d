#include "web/base64.h"

#include <algorithm>

namespace {

constexpr size_t kGroupChars = 4;
constexpr size_t kGroupBytes = 3;

// The value of an alphabet character, -1 for padding, -2 for anything else.
int SextetOf(char c)
{
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    if (c == '=') return -1;
    return -2;
}

} // namespace

std::array<uint8_t, 3> Base64DecodeGroup(char c1, char c2, char c3, char c4)
{
    uint32_t accumulator = 0;
    for (char c : {c1, c2, c3, c4}) {
        const int value = SextetOf(c);
        if (value >= 0)
            accumulator = (accumulator << 6) + static_cast<uint32_t>(value);
        else if (value == -1)
            accumulator <<= 6;
    }
    return {static_cast<uint8_t>(accumulator >> 16), static_cast<uint8_t>(accumulator >> 8),
            static_cast<uint8_t>(accumulator)};
}

std::optional<std::string> Base64Decode(std::string_view text)
{
    const size_t n = std::min(text.find('='), text.size());
    size_t pad = 0;
    if (n < text.size()) {
        pad = 1;
        if (n + 1 < text.size() && text[n + 1] == '=')
            pad = 2;
    }
    const size_t groups = (n + pad) / kGroupChars;
    if (groups == 0)
        return std::nullopt;

    std::string out;
    out.reserve(groups * kGroupBytes);
    for (size_t g = 0; g < groups; ++g) {
        const char* c = text.data() + g * kGroupChars;
        const std::array<uint8_t, 3> bytes = Base64DecodeGroup(c[0], c[1], c[2], c[3]);
        const size_t keep = g + 1 < groups ? kGroupBytes : kGroupBytes - pad;
        out.append(reinterpret_cast<const char*>(bytes.data()), keep);
    }
    return out;
}

bool Base64DecodeString(std::string& text)
{
    std::optional<std::string> decoded = Base64Decode(text);
    if (!decoded)
        return false;
    text = std::move(*decoded);
    return true;
}
