#include "transport/server_thread.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/elapsed.h"
#include "transport/connection_limiter.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = 5000ms)
{
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// What the tests share with their connections. TClientData belongs to the
// web panel and this layer only carries the pointer along, so the tests
// carry a record of their own under its name.
struct Probe {
    std::atomic<int> Served{0};
    std::atomic<int> Running{0};
    std::atomic<int> MaxRunning{0};
    std::mutex Lock;
    std::vector<std::string> Lines;
};

std::shared_ptr<TClientData> AsClientData(const std::shared_ptr<Probe>& probe)
{
    return {probe, reinterpret_cast<TClientData*>(probe.get())};
}

Probe& ProbeOf(TClientThread& client)
{
    return *reinterpret_cast<Probe*>(client.Data.get());
}

void SendText(TIPSocket& socket, const std::string& text)
{
    socket.Send(text.data(), text.size(), 2000);
}

// Greets, then answers one line with "echo " and the line; the line is kept
// in the probe, reached through the connection's data.
void GreetAndEcho(TClientThread& client)
{
    Probe& probe = ProbeOf(client);
    const int running = ++probe.Running;
    int seen = probe.MaxRunning;
    while (running > seen && !probe.MaxRunning.compare_exchange_weak(seen, running)) {
    }
    SendText(*client.Socket, "hello\r\n");
    const std::string line = client.Socket->ReadLine(10000);
    if (!line.empty()) {
        {
            const std::lock_guard guard(probe.Lock);
            probe.Lines.push_back(line);
        }
        SendText(*client.Socket, "echo " + line + "\r\n");
    }
    ++probe.Served;
    --probe.Running;
}

TIPEndpoint Endpoint(const char* address, uint16_t port)
{
    TIPEndpoint endpoint;
    EXPECT_TRUE(endpoint.Parse(address));
    endpoint.Port = port;
    return endpoint;
}

class ServerThreadTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Listener.CreateSocket());
        ASSERT_TRUE(Listener.Bind(Endpoint("127.0.0.1", 0)));
        ASSERT_TRUE(Listener.Listen(512));
        ASSERT_TRUE(Listener.LocalEndpoint(Address));
    }

    void TearDown() override
    {
        // Connection threads outlive the server; wait until the last one let
        // go of the probe, so nothing runs on into the next test.
        std::weak_ptr<Probe> left = Data;
        Server.reset();
        Data.reset();
        EXPECT_TRUE(WaitUntil([&] { return left.expired(); }));
    }

    void StartServer(TClientCallback onClient)
    {
        Server = std::make_unique<TServerThread>(Listener, std::move(onClient), true, AsClientData(Data));
        Server->AcceptWaitMs = 2000;
    }

    // A client from `from` (any 127.0.0.0/8 address) that has read its greeting.
    std::unique_ptr<TIPSocket> Connect(const char* from = "127.0.0.1")
    {
        auto socket = std::make_unique<TIPSocket>();
        EXPECT_TRUE(socket->CreateSocket());
        EXPECT_TRUE(socket->Bind(Endpoint(from, 0)));
        EXPECT_TRUE(socket->Connect(Address, 2000));
        return socket;
    }

    static bool IsGreeted(TIPSocket& socket) { return socket.ReadLine(3000) == "hello"; }

    // Closed at once: the first read finds the connection closed, not silent.
    static bool IsRefused(TIPSocket& socket)
    {
        char byte = 0;
        return socket.Receive(&byte, 1, 3000) == 0 && !socket.IsOpen();
    }

    TIPSocket Listener;
    TIPEndpoint Address;
    std::shared_ptr<Probe> Data = std::make_shared<Probe>();
    std::unique_ptr<TServerThread> Server;
};

TEST_F(ServerThreadTest, StopWithoutClientsEndsTheAcceptThreadPromptly)
{
    StartServer(GreetAndEcho);
    std::this_thread::sleep_for(50ms);
    const auto start = Clock::now();
    EXPECT_TRUE(Server->Stop());
    EXPECT_LT(MillisecondsSince(start), 3000);
    EXPECT_FALSE(Server->Stop());

    // Nothing accepts any more: the connection waits in the queue unanswered.
    auto client = std::make_unique<TIPSocket>();
    ASSERT_TRUE(client->CreateSocket());
    ASSERT_TRUE(client->Connect(Address, 2000));
    EXPECT_EQ(client->ReadLine(300), "");
    EXPECT_TRUE(client->IsOpen());
}

TEST_F(ServerThreadTest, StartAndStopAnswerForTheThreadTheyFind)
{
    TServerThread server(Listener, GreetAndEcho, false, AsClientData(Data));
    EXPECT_FALSE(server.Stop());
    EXPECT_TRUE(server.Start());
    EXPECT_FALSE(server.Start());
    EXPECT_TRUE(server.Stop());
    EXPECT_TRUE(server.Start()) << "a stopped server can start again";
    auto client = Connect();
    EXPECT_TRUE(IsGreeted(*client));
}

TEST_F(ServerThreadTest, NeverStartedServerIsDestroyedAtOnce)
{
    const auto start = Clock::now();
    { TServerThread server(Listener, GreetAndEcho, false, AsClientData(Data)); }
    EXPECT_LT(MillisecondsSince(start), 500);
}

TEST_F(ServerThreadTest, LoopEndsWhenTheSocketStopsListening)
{
    StartServer(GreetAndEcho);
    // Shutting a listening socket down takes it out of the listening state.
    ASSERT_TRUE(Listener.Shutdown(TIPSocket::kShutdownBoth));
    ASSERT_TRUE(WaitUntil([&] { return !Listener.IsListening(); }));
    std::this_thread::sleep_for(100ms);
    const auto start = Clock::now();
    EXPECT_TRUE(Server->Stop());
    EXPECT_LT(MillisecondsSince(start), 500);
}

TEST_F(ServerThreadTest, ConnectionIsServedWithTheSharedData)
{
    StartServer(GreetAndEcho);
    auto client = Connect();
    ASSERT_TRUE(IsGreeted(*client));
    SendText(*client, "GET / HTTP/1.1\r\n");
    EXPECT_EQ(client->ReadLine(3000), "echo GET / HTTP/1.1");
    EXPECT_TRUE(IsRefused(*client)) << "the connection is closed after the callback";
    ASSERT_TRUE(WaitUntil([&] { return Server->ConnectionCount() == 0; }));
    const std::lock_guard guard(Data->Lock);
    EXPECT_EQ(Data->Lines, std::vector<std::string>{"GET / HTTP/1.1"});
}

TEST_F(ServerThreadTest, TwoClientsAreServedInParallel)
{
    StartServer(GreetAndEcho);
    auto first = Connect();
    ASSERT_TRUE(IsGreeted(*first));
    // The first connection's thread is still waiting for its line.
    auto second = Connect();
    ASSERT_TRUE(IsGreeted(*second));
    EXPECT_EQ(Data->MaxRunning, 2);
    SendText(*second, "two\r\n");
    EXPECT_EQ(second->ReadLine(3000), "echo two");
    SendText(*first, "one\r\n");
    EXPECT_EQ(first->ReadLine(3000), "echo one");
    EXPECT_TRUE(WaitUntil([&] { return Data->Served == 2; }));
}

TEST_F(ServerThreadTest, CallbackThatThrowsStillClosesItsConnection)
{
    StartServer([](TClientThread& client) {
        SendText(*client.Socket, "hello\r\n");
        ++ProbeOf(client).Served;
        throw std::runtime_error("handler failed");
    });
    for (int round = 0; round < 3; ++round) {
        auto client = Connect();
        ASSERT_TRUE(IsGreeted(*client));
        EXPECT_TRUE(IsRefused(*client));
    }
    EXPECT_EQ(Data->Served, 3);
    EXPECT_TRUE(WaitUntil([&] { return Server->ConnectionCount() == 0; }));
}

TEST_F(ServerThreadTest, ConnectionsBeyondTheLimitFromOneAddressAreClosed)
{
    StartServer(GreetAndEcho);
    std::vector<std::unique_ptr<TIPSocket>> held;
    for (int i = 0; i < TServerThread::kMaxConnectionsPerAddress; ++i) {
        held.push_back(Connect("127.0.0.1"));
        ASSERT_TRUE(IsGreeted(*held.back())) << i;
    }
    auto extra = Connect("127.0.0.1");
    EXPECT_TRUE(IsRefused(*extra));

    // Another address is still answered while the first holds its share.
    auto other = Connect("127.0.0.2");
    EXPECT_TRUE(IsGreeted(*other));
    EXPECT_EQ(Server->ConnectionCount(), TServerThread::kMaxConnectionsPerAddress + 1);

    // A place given back can be taken again.
    held.front()->Close();
    ASSERT_TRUE(WaitUntil([&] { return Server->ConnectionCount() == TServerThread::kMaxConnectionsPerAddress; }));
    auto again = Connect("127.0.0.1");
    EXPECT_TRUE(IsGreeted(*again));
}

TEST_F(ServerThreadTest, ConnectionsBeyondTheOverallLimitAreClosed)
{
    StartServer(GreetAndEcho);
    constexpr int kAddresses = TServerThread::kMaxConnections / TServerThread::kMaxConnectionsPerAddress;
    std::vector<std::unique_ptr<TIPSocket>> held;
    for (int address = 1; address <= kAddresses; ++address) {
        const std::string from = "127.0.0." + std::to_string(address);
        for (int i = 0; i < TServerThread::kMaxConnectionsPerAddress; ++i) {
            held.push_back(Connect(from.c_str()));
            ASSERT_TRUE(IsGreeted(*held.back())) << from << " #" << i;
        }
    }
    EXPECT_EQ(Server->ConnectionCount(), TServerThread::kMaxConnections);
    const std::string fresh = "127.0.0." + std::to_string(kAddresses + 1);
    auto extra = Connect(fresh.c_str());
    EXPECT_TRUE(IsRefused(*extra)) << "the 257th connection";

    // The ones held are still served.
    SendText(*held.back(), "still here\r\n");
    EXPECT_EQ(held.back()->ReadLine(3000), "echo still here");
    ASSERT_TRUE(WaitUntil([&] { return Server->ConnectionCount() == TServerThread::kMaxConnections - 1; }));
    auto next = Connect(fresh.c_str());
    EXPECT_TRUE(IsGreeted(*next));
}

TEST_F(ServerThreadTest, ServerAndDataMayGoWhileAClientIsStillConnected)
{
    StartServer(GreetAndEcho);
    auto client = Connect();
    ASSERT_TRUE(IsGreeted(*client));

    // The window goes away: the server stops, the listening socket and the
    // window's own reference to the data are destroyed.
    std::weak_ptr<Probe> left = Data;
    Server.reset();
    Listener.Close();
    Data.reset();
    EXPECT_FALSE(left.expired()) << "the connection still holds the data";

    SendText(*client, "late\r\n");
    EXPECT_EQ(client->ReadLine(3000), "echo late");
    EXPECT_TRUE(IsRefused(*client));
    EXPECT_TRUE(WaitUntil([&] { return left.expired(); }));
}

TEST(ConnectionLimiterTest, CountsInAllAndPerAddress)
{
    TConnectionLimiter limiter(3, 2);
    EXPECT_TRUE(limiter.TryAcquire(1));
    EXPECT_TRUE(limiter.TryAcquire(1));
    EXPECT_FALSE(limiter.TryAcquire(1));
    EXPECT_TRUE(limiter.TryAcquire(2));
    EXPECT_FALSE(limiter.TryAcquire(3));
    EXPECT_EQ(limiter.Count(), 3);
    EXPECT_EQ(limiter.CountFrom(1), 2);
    EXPECT_EQ(limiter.CountFrom(3), 0);
    limiter.Release(1);
    EXPECT_TRUE(limiter.TryAcquire(3));
    limiter.Release(7); // never taken: no effect
    EXPECT_EQ(limiter.Count(), 3);
}

TEST(ConnectionLimiterTest, SlotGivesItsPlaceBackEvenWhenItOutlivesItsOwner)
{
    auto limiter = std::make_shared<TConnectionLimiter>(1, 1);
    std::weak_ptr<TConnectionLimiter> observed = limiter;
    std::optional<TConnectionSlot> slot;
    slot.emplace(limiter, 5);
    EXPECT_TRUE(slot->Held());
    {
        TConnectionSlot refused(limiter, 6);
        EXPECT_FALSE(refused.Held());
    }
    EXPECT_EQ(limiter->Count(), 1);
    TConnectionSlot moved(std::move(*slot));
    slot.reset();
    EXPECT_EQ(limiter->Count(), 1);
    limiter.reset();
    EXPECT_FALSE(observed.expired());
    { TConnectionSlot last(std::move(moved)); }
    EXPECT_TRUE(observed.expired());
}

TEST(ConnectionLimiterTest, SlotWithoutLimiterIsAlwaysHeld)
{
    TConnectionSlot slot(nullptr, 1);
    EXPECT_TRUE(slot.Held());
}

} // namespace
