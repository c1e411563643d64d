#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A JSON string literal, quotes included. Valid UTF-8 passes through; any
// other byte is taken as the 8-bit character it is (\u00XX), so the output
// is valid JSON whatever a path or a peer's name holds.
[[nodiscard]] std::string JsonString(std::string_view text);

// Builds one JSON object, member by member, in the order added.
class TJsonObject {
public:
    TJsonObject& String(std::string_view key, std::string_view value);
    TJsonObject& Integer(std::string_view key, int64_t value);
    TJsonObject& Unsigned(std::string_view key, uint64_t value);
    // Fixed-point with `decimals` digits; JSON has no NaN or infinity, so
    // those become null.
    TJsonObject& Number(std::string_view key, double value, int decimals);
    TJsonObject& Boolean(std::string_view key, bool value);
    TJsonObject& Null(std::string_view key);
    // `json` must already be a JSON value (an object or an array).
    TJsonObject& Raw(std::string_view key, std::string_view json);

    [[nodiscard]] std::string Text() const { return Body + "}"; }

private:
    void Key(std::string_view key);

    std::string Body = "{";
};
