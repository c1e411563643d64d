#pragma once

// Real loopback sockets for the web panel tests: a plain POSIX client, an
// accepted TIPSocket to read requests from, and a running web server.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "support/elapsed.h"
#include "transport/server_thread.h"
#include "transport/tipsocket.h"
#include "web/client_data.h"
#include "web/request_handler.h"

namespace webtest {

using Clock = std::chrono::steady_clock;
using ::MillisecondsSince;

// A client connection made with the system's calls alone, so the tests do
// not lean on the socket class they exercise.
class RawClient {
public:
    explicit RawClient(uint16_t port)
    {
        Fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        Connected = Fd >= 0 && connect(Fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        const int one = 1;
        if (Connected)
            setsockopt(Fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    ~RawClient()
    {
        if (Fd >= 0)
            close(Fd);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    [[nodiscard]] bool IsConnected() const { return Connected; }

    // False once the peer has gone (reset or closed).
    bool Send(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t sent = send(Fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            bytes.remove_prefix(static_cast<size_t>(sent));
        }
        return true;
    }

    void ShutdownSending() { shutdown(Fd, SHUT_WR); }

    // Everything until the server closes (or resets) the connection, or until
    // `timeoutMs` of silence. `closed` tells whether the connection ended.
    std::string ReadAll(int timeoutMs, bool* closed = nullptr)
    {
        std::string received;
        bool ended = false;
        for (;;) {
            pollfd fd{Fd, POLLIN, 0};
            if (poll(&fd, 1, timeoutMs) <= 0)
                break;
            char buffer[4096];
            const ssize_t got = recv(Fd, buffer, sizeof buffer, 0);
            if (got <= 0) {
                ended = true;
                break;
            }
            received.append(buffer, static_cast<size_t>(got));
        }
        if (closed != nullptr)
            *closed = ended;
        return received;
    }

private:
    int Fd = -1;
    bool Connected = false;
};

// A listening TIPSocket on 127.0.0.1 with a port the system chose.
inline std::unique_ptr<TIPSocket> ListenOnLoopback(uint16_t& port)
{
    auto listener = std::make_unique<TIPSocket>();
    TIPEndpoint endpoint;
    if (!endpoint.Parse("127.0.0.1") || !listener->CreateSocket() || !listener->Bind(endpoint) ||
        !listener->Listen(10) || !listener->LocalEndpoint(endpoint))
        return nullptr;
    port = endpoint.Port;
    return listener;
}

// One accepted connection, the server side as a TIPSocket and the client side raw.
struct Connection {
    std::unique_ptr<TIPSocket> Listener;
    std::unique_ptr<RawClient> Client;
    std::unique_ptr<TIPSocket> Server;

    Connection()
    {
        uint16_t port = 0;
        Listener = ListenOnLoopback(port);
        if (!Listener)
            return;
        Client = std::make_unique<RawClient>(port);
        if (Client->IsConnected() && Listener->WaitReadable(5000))
            Server = Listener->Accept();
    }
    [[nodiscard]] bool IsReady() const { return Server != nullptr; }
};

// HandleWebRequest served on loopback by a real accept thread.
class WebServer {
public:
    explicit WebServer(std::shared_ptr<TClientData> data) : Data(std::move(data))
    {
        Listener = ListenOnLoopback(Port);
        if (Listener)
            Server = std::make_unique<TServerThread>(*Listener, HandleWebRequest, true, Data);
    }
    ~WebServer()
    {
        Server.reset(); // the accept thread stops before its socket closes
        Listener.reset();
    }
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    [[nodiscard]] bool IsRunning() const { return Server != nullptr; }

    // Sends `request` and returns what came back before the server closed.
    std::string Exchange(std::string_view request, int timeoutMs = 5000) const
    {
        RawClient client(Port);
        EXPECT_TRUE(client.IsConnected());
        client.Send(request);
        return client.ReadAll(timeoutMs);
    }

    std::shared_ptr<TClientData> Data;
    uint16_t Port = 0;

private:
    std::unique_ptr<TIPSocket> Listener;
    std::unique_ptr<TServerThread> Server;
};

} // namespace webtest
