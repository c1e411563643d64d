#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "transport/connection_limiter.h"
#include "transport/tipsocket.h"
#include "transport/wake_event.h"

// What the server shares with its connections. Defined by the web panel;
// this layer only passes it along.
struct TClientData;
class TClientThread;

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
    // Sets Terminated and waits for the accept loop to end. The loop's wait is
    // woken at once; at the latest it ends within one AcceptWaitMs.
    bool Stop();

    // Connections being served now, this server's and those it left running.
    // Any thread; takes the limiter's lock.
    [[nodiscard]] int ConnectionCount() const { return Limiter->Count(); }

    std::atomic<uint32_t> AcceptWaitMs{1000};

private:
    void AcceptLoop();

    TIPSocket& ListenSocket;
    // Declared before Handle: the accept thread polls it until Stop joins.
    TWakeEvent Wake;
    std::thread Handle;
    std::atomic<bool> Terminated{false};
    TClientCallback OnClient;
    std::shared_ptr<TClientData> Data;
    std::shared_ptr<TConnectionLimiter> Limiter;
};

// One accepted connection on a detached thread that owns itself: it runs
// the callback, closes the connection and destroys itself.
class TClientThread {
    struct TPassKey {
        explicit TPassKey() = default;
    };

public:
    // Starts the thread; on failure (no thread, or no free place in `limiter`)
    // the connection is closed and `false` returned.
    static bool Launch(std::unique_ptr<TIPSocket> socket, const TClientCallback& onClient,
                       std::shared_ptr<TClientData> data, std::shared_ptr<TConnectionLimiter> limiter);

    // Only Launch can make one (the key is private to this class).
    TClientThread(TPassKey, std::unique_ptr<TIPSocket> socket, TClientCallback onClient,
                  std::shared_ptr<TClientData> data, TConnectionSlot slot);
    ~TClientThread();
    TClientThread(const TClientThread&) = delete;
    TClientThread& operator=(const TClientThread&) = delete;

    std::unique_ptr<TIPSocket> Socket;
    std::shared_ptr<TClientData> Data; // shared, so it outlives the window that made it

private:
    void Run();

    TClientCallback OnClient;
    TConnectionSlot Slot;
};
