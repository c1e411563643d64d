#include "json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// The length of the valid UTF-8 sequence at `text[pos]`, or 0.
size_t Utf8SequenceLength(std::string_view text, size_t pos)
{
    const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    size_t length = 0;
    unsigned minimum = 0;
    unsigned codePoint = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - pos < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(pos + i) & 0x3F);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < minimum || codePoint > 0x10FFFF || surrogate)
        return 0;
    return length;
}

void AppendEscaped(std::string& out, unsigned char c)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\u%04X", c);
    out += buffer;
}

} // namespace

std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    for (size_t pos = 0; pos < text.size();) {
        const auto c = static_cast<unsigned char>(text[pos]);
        if (c >= 0x80) {
            const size_t length = Utf8SequenceLength(text, pos);
            if (length == 0) {
                AppendEscaped(out, c);
                ++pos;
            } else {
                out.append(text.substr(pos, length));
                pos += length;
            }
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F)
                AppendEscaped(out, c);
            else
                out += static_cast<char>(c);
        }
        ++pos;
    }
    out += '"';
    return out;
}

void TJsonObject::Key(std::string_view key)
{
    if (Body.size() > 1)
        Body += ',';
    Body += JsonString(key);
    Body += ':';
}

TJsonObject& TJsonObject::String(std::string_view key, std::string_view value)
{
    Key(key);
    Body += JsonString(value);
    return *this;
}

TJsonObject& TJsonObject::Integer(std::string_view key, int64_t value)
{
    Key(key);
    Body += std::to_string(value);
    return *this;
}

TJsonObject& TJsonObject::Unsigned(std::string_view key, uint64_t value)
{
    Key(key);
    Body += std::to_string(value);
    return *this;
}

TJsonObject& TJsonObject::Number(std::string_view key, double value, int decimals)
{
    Key(key);
    if (!std::isfinite(value)) {
        Body += "null";
        return *this;
    }
    char text[400]; // enough for any finite double in fixed notation
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    Body.append(text, result.ptr);
    return *this;
}

TJsonObject& TJsonObject::Boolean(std::string_view key, bool value)
{
    Key(key);
    Body += value ? "true" : "false";
    return *this;
}

TJsonObject& TJsonObject::Null(std::string_view key)
{
    Key(key);
    Body += "null";
    return *this;
}

TJsonObject& TJsonObject::Raw(std::string_view key, std::string_view json)
{
    Key(key);
    Body += json;
    return *this;
}
