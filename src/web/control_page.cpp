#include "web/control_page.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace {

// The file's bytes, or "" when it cannot be read as a whole.
std::string ReadWholeFile(const std::filesystem::path& file)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return {};
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return {};
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return {};
    return bytes;
}

// Lines end at CR LF, LF or a lone CR; each comes out followed by CR LF.
std::string WithCrLfLines(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            out.append(text.substr(pos));
            out.append("\r\n");
            break;
        }
        out.append(text.substr(pos, end - pos));
        out.append("\r\n");
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return out;
}

} // namespace

std::string ReplaceAll(std::string_view text, std::string_view token, std::string_view replacement)
{
    if (token.empty())
        return std::string(text);
    std::string out;
    size_t pos = 0;
    for (;;) {
        const size_t found = text.find(token, pos);
        if (found == std::string_view::npos)
            break;
        out.append(text.substr(pos, found - pos));
        out.append(replacement);
        pos = found + token.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string LoadControlPage(const std::string& serverName, const std::filesystem::path& file)
{
    std::string page = WithCrLfLines(ReadWholeFile(file));
    if (page.empty())
        page = std::string(EmbeddedControlPage());
    return ReplaceAll(page, kServerNameToken, serverName);
}
