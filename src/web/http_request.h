#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "web/url.h"

class TIPSocket;

struct THTTPRequest {
    TURL Target;
    bool HasAuthorization = false;
    std::string AuthUser;
    std::string AuthPassword;
};

// Limits on what one request may send before its blank line; beyond either
// the request is dropped unanswered.
constexpr size_t kMaxRequestLineLength = 8192; // bytes, without CR LF
constexpr int kMaxRequestLines = 100;          // request line and headers together

// Reads one request (a "GET " line and an "Authorization: Basic " header are
// all it looks at) up to its blank line. `budgetMs` bounds the whole request,
// every byte included, so a client trickling bytes cannot hold the thread
// longer. True when a target was read and the request ended in time: by its
// blank line, by silence until the budget ran out, or by the peer closing.
// False for no target, an empty target, a line cut off by the budget, a line
// over kMaxRequestLineLength or more than kMaxRequestLines lines.
[[nodiscard]] bool ReadHTTPRequest(TIPSocket& socket, THTTPRequest& request, uint32_t budgetMs);
