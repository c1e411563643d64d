#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The first line of the control page and of every error page.
constexpr std::string_view kXhtmlDoctype =
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\" \"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">";

// The token in the control page that stands for the server's name.
constexpr std::string_view kServerNameToken = "TARVIK_SERVER";

// The control page compiled into the program, byte for byte.
[[nodiscard]] std::string_view EmbeddedControlPage();

// The page to serve: `file` read as lines of 8-bit text, each line followed by
// CR LF whatever ended it there; the embedded page instead when the file is
// missing, unreadable or empty. Every kServerNameToken is then replaced by
// `serverName`.
[[nodiscard]] std::string LoadControlPage(const std::string& serverName,
                                          const std::filesystem::path& file = "index.html");

// Every `token` in `text` replaced by `replacement`; replaced text is not searched again.
[[nodiscard]] std::string ReplaceAll(std::string_view text, std::string_view token, std::string_view replacement);
