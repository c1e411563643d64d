#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// ASCII letters compared without regard to case; other bytes exactly.
[[nodiscard]] bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Cuts `source` at the first `delimiter`: returns the text before it and
// removes that text and the delimiter from `source`. Without the delimiter:
// with `wholeIfMissing` all of `source` is returned and `source` emptied,
// otherwise "" is returned and `source` left as it is.
std::string SplitText(std::string& source, std::string_view delimiter, bool wholeIfMissing);

// A request target taken apart. Bytes are kept as they came: no percent
// decoding, no "+" to space.
class TURL {
public:
    TURL() = default;
    TURL(const TURL&) = delete;
    TURL& operator=(const TURL&) = delete;

    // Fills every other field from Url.
    void Parse();
    // The value of the first query item whose name matches `name` without
    // regard to ASCII case; "" when there is none.
    [[nodiscard]] std::string ParamValue(std::string_view name) const;

    std::string Url;
    std::string Scheme;
    std::string User;
    std::string Password;
    std::string Host;
    int32_t PortNumber = 0;
    std::string Path;
    std::string Document;
    std::vector<std::string> Params; // "name=value" items, in target order
    std::string Fragment;
};
