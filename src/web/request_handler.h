#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct TClientData;
struct THTTPRequest;
class TClientThread;

// The whole of one request: read it, check the credentials, queue at most one
// command and answer. A request that cannot be read gets no answer. Runs on
// the connection's thread (the server's callback); it keeps nothing.
void HandleWebRequest(TClientThread& client);

// The response (header block and body) for a request that has been read, and
// the command it asks for appended to data.Commands. Called from connection
// threads; the queue takes its own lock.
[[nodiscard]] std::string AnswerWebRequest(const THTTPRequest& request, const TClientData& data);

// Byte-for-byte equality whose time depends only on the two lengths, never on
// where the texts first differ.
[[nodiscard]] bool ConstantTimeEquals(std::string_view given, std::string_view expected);

constexpr uint32_t kRequestBudgetMs = 10000;
constexpr uint32_t kResponseSendTimeoutMs = 10000;
