#include "web/request_handler.h"

#include <algorithm>
#include <memory>

#include "common/str_to_int.h"
#include "protocol/frame_builder.h"
#include "transport/server_thread.h"
#include "transport/tipsocket.h"
#include "web/client_data.h"
#include "web/control_page.h"
#include "web/http_request.h"

namespace {

constexpr std::string_view kStatusOk = "200 OK";
constexpr std::string_view kStatusUnauthorized = "401 Authorization Required";
constexpr std::string_view kStatusNotFound = "404 Not found";
constexpr std::string_view kScriptDocument = "control.js";

struct TResponse {
    std::string_view Status;
    std::string Body;
};

std::string ErrorPage(const std::string& serverName, std::string_view message)
{
    std::string page;
    page.append(kXhtmlDoctype).append("\r\n");
    page.append("<HTML>\r\n");
    page.append("<HEAD>\r\n");
    page.append("<TITLE>").append(serverName).append("</TITLE>");
    page.append("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=ISO-8859-2\">\r\n");
    page.append("</HEAD>\r\n");
    page.append("<BODY>\r\n");
    page.append(message).append("\r\n");
    page.append("</BODY>\r\n");
    page.append("</HTML>\r\n");
    return page;
}

std::string FormatResponse(const TResponse& response, const std::string& serverName)
{
    std::string text;
    text.append("HTTP/1.1 ").append(response.Status).append("\r\n");
    text.append("Server: ").append(serverName).append("\r\n");
    text.append("Cache-Control: no-store, no-cache\r\n");
    text.append("WWW-Authenticate: Basic realm=\"Tarvik Authenticate\"\r\n");
    text.append("Content-Type: text/html\r\n");
    text.append("Content-Length: ").append(std::to_string(response.Body.size())).append("\r\n");
    text.append("Connection: close\r\n");
    text.append("\r\n");
    text.append(response.Body);
    return text;
}

bool IsAuthorized(const THTTPRequest& request, const TClientData& data)
{
    if (!data.Authenticate)
        return true;
    // Both comparisons always run, so the time tells nothing about which failed.
    const bool userMatches = ConstantTimeEquals(request.AuthUser, data.AuthUser);
    const bool passwordMatches = ConstantTimeEquals(request.AuthPassword, data.AuthPassword);
    return request.HasAuthorization && userMatches && passwordMatches;
}

int32_t QueryNumber(const TURL& target, std::string_view key)
{
    return StrToIntDef(target.ParamValue(key), -1);
}

void QueueItem(const TClientData& data, int32_t code, int32_t deviceId, int32_t parameter)
{
    // Only the low 8 bits reach a frame; a code that then names no standard
    // command would only make the dispatcher send an empty frame.
    const auto codeByte = static_cast<uint8_t>(code);
    if (codeByte > kLastCommandCode || !data.Commands)
        return;
    // A full queue drops the item; the browser's answer stays the same.
    (void)data.Commands->Add(std::make_unique<TPelcoCommandItem>(
        TPelcoCommandItem{codeByte, static_cast<uint8_t>(deviceId), static_cast<uint8_t>(parameter)}));
}

// Queues what the query asks for, if anything; returns what "cmd" read as.
int32_t QueueRequestedCommand(const TURL& target, const TClientData& data)
{
    const int32_t cmd = QueryNumber(target, "cmd");
    if (cmd < 0)
        return cmd;
    const int32_t deviceId = QueryNumber(target, "id");
    const int32_t preset = QueryNumber(target, "preset");
    if (preset <= 0) {
        QueueItem(data, cmd, deviceId, QueryNumber(target, "speed"));
        return cmd;
    }
    switch (QueryNumber(target, "pm")) {
    case 0:
        QueueItem(data, cmdPresetGoto, deviceId, preset);
        break;
    case 1:
        QueueItem(data, cmdPresetSet, deviceId, preset);
        break;
    case 2:
        QueueItem(data, cmdPresetClear, deviceId, preset);
        break;
    default:
        break;
    }
    return cmd;
}

} // namespace

bool ConstantTimeEquals(std::string_view given, std::string_view expected)
{
    const size_t length = std::max(given.size(), expected.size());
    unsigned difference = given.size() == expected.size() ? 0U : 1U;
    for (size_t i = 0; i < length; ++i) {
        const auto a = static_cast<unsigned char>(i < given.size() ? given[i] : 0);
        const auto b = static_cast<unsigned char>(i < expected.size() ? expected[i] : 0);
        difference |= static_cast<unsigned>(a ^ b);
    }
    return difference == 0;
}

std::string AnswerWebRequest(const THTTPRequest& request, const TClientData& data)
{
    TResponse response;
    const std::string& document = request.Target.Document;
    if (!IsAuthorized(request, data)) {
        response = {kStatusUnauthorized, ErrorPage(data.ServerName, "<H1>401 Unauthorized.</H1>")};
    } else if (document.empty()) {
        (void)QueueRequestedCommand(request.Target, data);
        response = {kStatusOk, data.Page};
    } else if (document == kScriptDocument) {
        const int32_t cmd = QueueRequestedCommand(request.Target, data);
        response = {kStatusOk, "var pcCmd = " + std::to_string(cmd) + ";\r\n"};
    } else {
        response = {kStatusNotFound, ErrorPage(data.ServerName, "<H1>Document not exists</H1>")};
    }
    return FormatResponse(response, data.ServerName);
}

void HandleWebRequest(TClientThread& client)
{
    if (!client.Socket || !client.Data)
        return;
    TIPSocket& socket = *client.Socket;
    THTTPRequest request;
    if (!ReadHTTPRequest(socket, request, kRequestBudgetMs))
        return;
    const std::string response = AnswerWebRequest(request, *client.Data);
    // A failed or short send has no one to be told about; the connection is closed anyway.
    (void)socket.Send(response.data(), response.size(), kResponseSendTimeoutMs);
    (void)socket.Shutdown(TIPSocket::kShutdownSend);
}
