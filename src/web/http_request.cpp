#include "web/http_request.h"

#include "common/tick.h"
#include "transport/tipsocket.h"
#include "web/base64.h"

namespace {

constexpr std::string_view kLineTerminator = "\r\n";
constexpr std::string_view kGetPrefix = "GET ";
constexpr std::string_view kAuthorizationPrefix = "Authorization: Basic ";

bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

enum class LineResult {
    Line,     // a whole line, possibly blank
    Ended,    // nothing of a new line before the budget ran out, or the peer closed
    Cut,      // the budget ran out in the middle of a line
    Overflow, // the line is longer than allowed
};

// One line without its CR LF. Every byte waits only for what is left of the
// request's budget, so the budget bounds the line as a whole.
LineResult ReadRequestLine(TIPSocket& socket, uint32_t start, uint32_t budgetMs, std::string& line)
{
    line.clear();
    for (;;) {
        const uint32_t elapsed = GetTickCount() - start;
        if (elapsed > budgetMs)
            return line.empty() ? LineResult::Ended : LineResult::Cut;
        char byte = 0;
        if (socket.Receive(&byte, 1, budgetMs - elapsed) != 1) {
            // A closed connection ends the request like silence does; a line
            // still arriving when the budget runs out is a client too slow.
            if (!socket.IsOpen() || line.empty())
                return LineResult::Ended;
            return LineResult::Cut;
        }
        line += byte;
        if (line.ends_with(kLineTerminator)) {
            line.resize(line.size() - kLineTerminator.size());
            return LineResult::Line;
        }
        // A CR just past the limit may still be the start of the terminator.
        const bool terminatorPending = line.size() == kMaxRequestLineLength + 1 && line.back() == '\r';
        if (line.size() > kMaxRequestLineLength && !terminatorPending)
            return LineResult::Overflow;
    }
}

void TakeRequestLine(std::string_view rest, THTTPRequest& request)
{
    request.Target.Url = std::string(rest.substr(0, rest.find(' ')));
    request.Target.Parse();
}

void TakeAuthorization(std::string_view value, THTTPRequest& request)
{
    std::string credentials(value);
    if (!Base64DecodeString(credentials))
        return;
    const size_t colon = credentials.find(':');
    if (colon == std::string::npos)
        return;
    request.HasAuthorization = true;
    request.AuthUser = credentials.substr(0, colon);
    request.AuthPassword = credentials.substr(colon + 1);
}

} // namespace

bool ReadHTTPRequest(TIPSocket& socket, THTTPRequest& request, uint32_t budgetMs)
{
    // Elapsed time, not a deadline, is compared, so the wrap of the tick
    // count cannot end the request early.
    const uint32_t start = GetTickCount();
    std::string line;
    int lineCount = 0;
    for (;;) {
        if (GetTickCount() - start > budgetMs)
            return false;
        switch (ReadRequestLine(socket, start, budgetMs, line)) {
        case LineResult::Line:
            break;
        case LineResult::Ended:
            return !request.Target.Url.empty();
        case LineResult::Cut:
            return false;
        case LineResult::Overflow:
            socket.Close();
            return false;
        }
        if (line.empty())
            return !request.Target.Url.empty();
        if (++lineCount > kMaxRequestLines) {
            socket.Close();
            return false;
        }

        const std::string_view text = line;
        if (StartsWithIgnoringAsciiCase(text, kGetPrefix)) {
            const std::string_view rest = text.substr(kGetPrefix.size());
            if (rest.substr(0, rest.find(' ')).empty())
                return false;
            TakeRequestLine(rest, request);
        } else if (StartsWithIgnoringAsciiCase(text, kAuthorizationPrefix)) {
            TakeAuthorization(text.substr(kAuthorizationPrefix.size()), request);
        }
    }
}
