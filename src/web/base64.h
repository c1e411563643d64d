#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Base64 decoding (RFC 4648 alphabet, "=" padding) for the credentials of an
// "Authorization: Basic" header. Nothing here encodes.

// Three bytes from four characters. A character outside the alphabet leaves
// the accumulator as it is, so it only corrupts the bytes of its own group.
[[nodiscard]] std::array<uint8_t, 3> Base64DecodeGroup(char c1, char c2, char c3, char c4);

// The decoded bytes, or nothing when the text holds less than one whole group
// (padding included). Characters after the padding, and an incomplete last
// group, are ignored.
[[nodiscard]] std::optional<std::string> Base64Decode(std::string_view text);

// Decodes `text` in place; on failure it is left unchanged and false returned.
[[nodiscard]] bool Base64DecodeString(std::string& text);
