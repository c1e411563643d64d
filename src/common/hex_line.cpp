#include "common/hex_line.h"

std::string HexEchoLine(std::string_view prefix, const uint8_t* bytes, size_t count)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string line(prefix);
    line.reserve(prefix.size() + 3 * count);
    for (size_t i = 0; i < count; ++i) {
        line += ' ';
        line += kDigits[bytes[i] >> 4];
        line += kDigits[bytes[i] & 0x0F];
    }
    return line;
}
