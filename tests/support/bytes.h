#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

// "FF 01 00" <-> bytes, for readable expectations in tests.
inline std::vector<uint8_t> Bytes(const std::string& hex)
{
    std::vector<uint8_t> out;
    std::istringstream in(hex);
    std::string token;
    while (in >> token)
        out.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
    return out;
}

inline std::string Hex(const uint8_t* data, size_t count)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0)
            out += ' ';
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 0x0F];
    }
    return out;
}

template <typename Container>
std::string Hex(const Container& bytes)
{
    return Hex(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}
