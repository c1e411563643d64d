#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "transport/tipsocket.h"

// What the server shares with its connections. Defined by the web panel;
// this layer only passes it along.
struct TClientData;
class TClientThread;
class TConnectionLimiter;

using TClientCallback = std::function<void(TClientThread&)>;

// The accept thread: waits on a listening socket and hands each connection
// to a TClientThread of its own.
class TServerThread {
public:
    // Connections beyond these are closed at once.
    static constexpr int kMaxConnections = 256;
    static constexpr int kMaxConnectionsPerAddress = 32;

    TServerThread(TIPSocket& listenSocket, TClientCallback onClient, bool startNow, std::shared_ptr<TClientData> data);
    ~TServerThread();
    TServerThread(const TServerThread&) = delete;
    TServerThread& operator=(const TServerThread&) = delete;

    bool Start();
    // Sets Terminated and waits for the accept loop to end (within one AcceptWaitMs).
    bool Stop();

    std::atomic<uint32_t> AcceptWaitMs{1000};

private:
    void AcceptLoop();

    TIPSocket& ListenSocket;
    std::thread Handle;
    std::atomic<bool> Terminated{false};
    TClientCallback OnClient;
    std::shared_ptr<TClientData> Data;
    std::shared_ptr<TConnectionLimiter> Limiter;
};

// One accepted connection on a detached thread that owns itself: it runs
// the callback, closes the connection and destroys itself.
class TClientThread {
public:
    // Starts the thread; on failure the connection is closed and `false` returned.
    static bool Launch(std::unique_ptr<TIPSocket> socket, const TClientCallback& onClient,
                       std::shared_ptr<TClientData> data, std::shared_ptr<TConnectionLimiter> limiter);

    std::unique_ptr<TIPSocket> Socket;
    std::shared_ptr<TClientData> Data; // shared, so it outlives the window that made it

private:
    TClientThread(std::unique_ptr<TIPSocket> socket, TClientCallback onClient, std::shared_ptr<TClientData> data,
                  std::shared_ptr<TConnectionLimiter> limiter);
    void Run();

    TClientCallback OnClient;
    std::shared_ptr<TConnectionLimiter> Limiter;
};
