#include "transport/tipsocket.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/elapsed.h"
#include "transport/system_error.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TIPEndpoint Loopback(uint16_t port, const char* address = "127.0.0.1")
{
    TIPEndpoint endpoint;
    EXPECT_TRUE(endpoint.Parse(address));
    endpoint.Port = port;
    return endpoint;
}

// A listening socket on a free loopback port.
class TListener {
public:
    explicit TListener(int backlog = 16)
    {
        EXPECT_TRUE(Socket.CreateSocket());
        EXPECT_TRUE(Socket.Bind(Loopback(0)));
        EXPECT_TRUE(Socket.Listen(backlog));
        EXPECT_TRUE(Socket.LocalEndpoint(Endpoint));
    }

    std::unique_ptr<TIPSocket> Accept()
    {
        if (!Socket.WaitReadable(2000))
            return nullptr;
        return Socket.Accept();
    }

    TIPSocket Socket;
    TIPEndpoint Endpoint;
};

// A connected pair over loopback: Client made by Connect, Server by Accept.
class ConnectedPairTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Client.CreateSocket());
        ASSERT_TRUE(Client.Connect(Listener.Endpoint, 5000)) << GetSystemErrorText(GetLastSystemError(), "?");
        Server = Listener.Accept();
        ASSERT_NE(Server, nullptr);
    }

    void SendText(TIPSocket& socket, const std::string& text)
    {
        ASSERT_EQ(socket.Send(text.data(), text.size(), 1000), text.size());
    }

    TListener Listener;
    TIPSocket Client;
    std::unique_ptr<TIPSocket> Server;
};

TEST(EndpointTest, ParsesDottedAddresses)
{
    struct Case {
        const char* Text;
        bool Parsed;
        uint32_t HostOrder;
    };
    const Case cases[] = {
        {"0.0.0.0", true, 0},
        {"127.0.0.1", true, 0x7F000001},
        {"10.0.0.5", true, 0x0A000005},
        {"255.255.255.254", true, 0xFFFFFFFE},
        {"255.255.255.255", false, 0},
        {"256.1.1.1", false, 0},
        {"1.2.3.4.5", false, 0},
        {"", false, 0},
        {"host", false, 0},
    };
    for (const Case& entry : cases) {
        TIPEndpoint endpoint;
        EXPECT_EQ(endpoint.Parse(entry.Text), entry.Parsed) << entry.Text;
        if (entry.Parsed) {
            EXPECT_EQ(endpoint.IPAddress, htonl(entry.HostOrder)) << entry.Text;
        }
    }
}

TEST(EndpointTest, PrintsAddressAndPort)
{
    TIPEndpoint endpoint(htonl(0x0A000005));
    endpoint.Port = 4001;
    EXPECT_EQ(endpoint.AddressText(), "10.0.0.5");
    EXPECT_EQ(endpoint.EndpointText(), "10.0.0.5:4001");
    endpoint.Port = 65535;
    EXPECT_EQ(endpoint.EndpointText(), "10.0.0.5:65535");
    EXPECT_EQ(TIPEndpoint().EndpointText(), "0.0.0.0:0");
}

TEST(EndpointTest, ResolvesDottedTextWithoutTheNetwork)
{
    TIPEndpoint endpoint;
    EXPECT_TRUE(endpoint.Resolve("127.0.0.2"));
    EXPECT_EQ(endpoint.AddressText(), "127.0.0.2");
    EXPECT_FALSE(endpoint.Resolve(""));
    EXPECT_EQ(endpoint.IPAddress, 0u);
}

TEST(NetworkLayerTest, StartUpsAreCounted)
{
    ASSERT_FALSE(NetworkReady());
    EXPECT_TRUE(NetworkStartup());
    EXPECT_TRUE(NetworkStartup());
    EXPECT_FALSE(NetworkShutdown());
    EXPECT_TRUE(NetworkReady());
    EXPECT_TRUE(NetworkShutdown());
    EXPECT_FALSE(NetworkReady());
    EXPECT_TRUE(NetworkShutdown());
    EXPECT_FALSE(NetworkReady());
}

TEST(NetworkLayerTest, LocalAddressesAreDottedAndLeaveLoopbackOut)
{
    std::vector<std::string> list = {"stale"};
    const int count = LocalAddresses(list);
    EXPECT_EQ(count, static_cast<int>(list.size()));
    for (const std::string& address : list) {
        TIPEndpoint endpoint;
        EXPECT_TRUE(endpoint.Parse(address)) << address;
        EXPECT_FALSE(address.starts_with("127.")) << address;
    }
}

TEST(SocketTest, ClosedSocketResults)
{
    TIPSocket socket;
    uint8_t buffer[4] = {};
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_EQ(socket.BytesAvailable(), -1);
    EXPECT_FALSE(socket.WaitReadable(0));
    EXPECT_FALSE(socket.WaitWritable(0));
    EXPECT_FALSE(socket.IsListening());
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer, 10), 0u);
    EXPECT_EQ(socket.Send(buffer, sizeof buffer, 10), 0u);
    EXPECT_EQ(socket.ReadLine(10), "");
    EXPECT_EQ(socket.Accept(), nullptr);
    EXPECT_FALSE(socket.Connect(Loopback(1), 100));
    socket.Close();
    socket.Close();
}

TEST(SocketTest, ConnectToAClosedPortFailsPromptly)
{
    // A port that was just free: bound and closed again, nobody listening.
    uint16_t port = 0;
    {
        TListener gone;
        port = gone.Endpoint.Port;
    }
    TIPSocket socket;
    ASSERT_TRUE(socket.CreateSocket());
    const auto start = Clock::now();
    EXPECT_FALSE(socket.Connect(Loopback(port), 5000));
    EXPECT_LT(MillisecondsSince(start), 2000);
    EXPECT_EQ(GetLastSystemError(), ECONNREFUSED);
    EXPECT_TRUE(socket.IsOpen()) << "the caller closes a failed connection";
}

TEST(SocketTest, ConnectGivesUpAfterItsTimeOut)
{
    // A listener that never accepts and whose queue is full drops further
    // handshakes, so the next connect hangs until its time-out.
    TListener listener(0);
    std::vector<std::unique_ptr<TIPSocket>> queued;
    for (int attempt = 0; attempt < 8; ++attempt) {
        auto socket = std::make_unique<TIPSocket>();
        ASSERT_TRUE(socket->CreateSocket());
        const bool connected = socket->Connect(listener.Endpoint, 300);
        queued.push_back(std::move(socket));
        if (!connected)
            break;
    }
    ASSERT_EQ(GetLastSystemError(), ETIMEDOUT) << "the accept queue never filled";

    TIPSocket socket;
    ASSERT_TRUE(socket.CreateSocket());
    const auto start = Clock::now();
    EXPECT_FALSE(socket.Connect(listener.Endpoint, 5000));
    const int64_t waited = MillisecondsSince(start);
    EXPECT_EQ(GetLastSystemError(), ETIMEDOUT);
    EXPECT_GE(waited, 4900);
    EXPECT_LT(waited, 15000);
}

TEST(SocketTest, ListenerReportsListeningAndItsPort)
{
    TListener listener;
    EXPECT_TRUE(listener.Socket.IsListening());
    EXPECT_NE(listener.Endpoint.Port, 0);
    EXPECT_EQ(listener.Endpoint.AddressText(), "127.0.0.1");
    EXPECT_FALSE(listener.Socket.WaitReadable(0));
}

TEST(SocketTest, AcceptWaitsForAConnectionLikeAnyBlockingCall)
{
    TListener listener;
    std::thread client([&] {
        std::this_thread::sleep_for(100ms);
        TIPSocket socket;
        ASSERT_TRUE(socket.CreateSocket());
        EXPECT_TRUE(socket.Connect(listener.Endpoint, 2000));
    });
    const std::unique_ptr<TIPSocket> accepted = listener.Socket.Accept();
    client.join();
    EXPECT_NE(accepted, nullptr);
}

TEST(SocketTest, PortCanBeListenedOnAgainRightAfterAStop)
{
    TIPEndpoint endpoint;
    {
        TListener first;
        endpoint = first.Endpoint;
        TIPSocket client;
        ASSERT_TRUE(client.CreateSocket());
        ASSERT_TRUE(client.Connect(endpoint, 2000));
        auto accepted = first.Accept();
        ASSERT_NE(accepted, nullptr);
        // Closing the server side first leaves its end in TIME_WAIT.
        accepted->Close();
    }
    TIPSocket second;
    ASSERT_TRUE(second.CreateSocket());
    EXPECT_TRUE(second.Bind(endpoint)) << GetSystemErrorText(GetLastSystemError(), "?");
    EXPECT_TRUE(second.Listen(10));

    // Address reuse never lets a second listener share the port.
    TIPSocket third;
    ASSERT_TRUE(third.CreateSocket());
    EXPECT_FALSE(third.Bind(endpoint) && third.Listen(10));
    EXPECT_EQ(GetLastSystemError(), EADDRINUSE);
}

TEST_F(ConnectedPairTest, AcceptedSocketKnowsItsPeer)
{
    EXPECT_TRUE(Server->IsOpen());
    EXPECT_EQ(Server->PeerAddress(), htonl(0x7F000001));
    EXPECT_EQ(Client.PeerAddress(), 0u);
    EXPECT_FALSE(Server->IsListening());
    EXPECT_TRUE(Client.WaitWritable(0));
}

TEST_F(ConnectedPairTest, ReceiveOfNothingDoesNotWait)
{
    uint8_t buffer[4] = {};
    const auto start = Clock::now();
    EXPECT_EQ(Server->Receive(buffer, 0, 5000), 0u);
    EXPECT_LT(MillisecondsSince(start), 100);
    EXPECT_TRUE(Server->IsOpen());
}

TEST_F(ConnectedPairTest, ReceiveReturnsWhatCameAfterSilence)
{
    SendText(Client, "abc");
    uint8_t buffer[7] = {};
    const auto start = Clock::now();
    EXPECT_EQ(Server->Receive(buffer, 7, 100), 3u);
    const int64_t waited = MillisecondsSince(start);
    EXPECT_GE(waited, 95);
    EXPECT_LT(waited, 1000);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 3), "abc");
    EXPECT_TRUE(Server->IsOpen());
}

TEST_F(ConnectedPairTest, ReceiveWaitsAgainAfterEveryChunk)
{
    std::thread sender([this] {
        for (const char* chunk : {"ab", "cd", "efg"}) {
            std::this_thread::sleep_for(60ms);
            Client.Send(chunk, std::char_traits<char>::length(chunk), 1000);
        }
    });
    char buffer[7] = {};
    EXPECT_EQ(Server->Receive(buffer, 7, 1000), 7u);
    sender.join();
    EXPECT_EQ(std::string(buffer, 7), "abcdefg");
}

TEST_F(ConnectedPairTest, PeerCloseClosesTheSocket)
{
    SendText(Client, "xy");
    Client.Close();
    uint8_t buffer[7] = {};
    EXPECT_EQ(Server->Receive(buffer, 7, 1000), 2u);
    EXPECT_FALSE(Server->IsOpen());
    EXPECT_EQ(Server->BytesAvailable(), -1);
    EXPECT_EQ(Server->Receive(buffer, 7, 100), 0u);
}

TEST_F(ConnectedPairTest, WaitReadableWithZeroPolls)
{
    auto start = Clock::now();
    EXPECT_FALSE(Server->WaitReadable(0));
    EXPECT_LT(MillisecondsSince(start), 50);

    SendText(Client, "z");
    ASSERT_TRUE(Server->WaitReadable(1000));
    EXPECT_TRUE(Server->WaitReadable(0));
    EXPECT_EQ(Server->BytesAvailable(), 1);
    uint8_t byte = 0;
    ASSERT_EQ(Server->Receive(&byte, 1, 0), 1u);
    EXPECT_FALSE(Server->WaitReadable(0));

    Client.Close();
    ASSERT_TRUE(Server->WaitReadable(1000));
    start = Clock::now();
    EXPECT_TRUE(Server->WaitReadable(0)) << "a peer close counts as readable";
    EXPECT_LT(MillisecondsSince(start), 50);
}

TEST_F(ConnectedPairTest, LargeTransferArrivesWhole)
{
    std::vector<uint8_t> data(4 << 20);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7 + i / 251);
    std::vector<uint8_t> received(data.size());
    size_t got = 0;
    std::thread reader([&] { got = Server->Receive(received.data(), received.size(), 2000); });
    EXPECT_EQ(Client.Send(data.data(), data.size(), 2000), data.size());
    reader.join();
    EXPECT_EQ(got, data.size());
    EXPECT_TRUE(received == data);
}

TEST_F(ConnectedPairTest, SendToAVanishedPeerClosesWithoutASignal)
{
    Server->Close();
    const std::string text(64 * 1024, 'p');
    size_t sent = text.size();
    for (int attempt = 0; attempt < 50 && Client.IsOpen(); ++attempt) {
        sent = Client.Send(text.data(), text.size(), 1000);
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_FALSE(Client.IsOpen());
    EXPECT_LT(sent, text.size());
}

TEST_F(ConnectedPairTest, ShutdownOfSendingEndsThePeersReceive)
{
    SendText(*Server, "bye");
    EXPECT_TRUE(Server->Shutdown(TIPSocket::kShutdownSend));
    char buffer[16] = {};
    EXPECT_EQ(Client.Receive(buffer, sizeof buffer, 1000), 3u);
    EXPECT_FALSE(Client.IsOpen());
    EXPECT_TRUE(Server->IsOpen());
}

TEST_F(ConnectedPairTest, BlockingModeCanBeSwitched)
{
    EXPECT_TRUE(Client.SetBlocking(false));
    EXPECT_TRUE(Client.SetBlocking(true));
    SendText(Client, "ok");
    char buffer[2] = {};
    EXPECT_EQ(Server->Receive(buffer, 2, 1000), 2u);
}

struct LineCase {
    const char* Name;
    std::string Sent;
    std::string Line;
};

TEST_F(ConnectedPairTest, ReadLineEndsAtCarriageReturnLineFeed)
{
    const LineCase cases[] = {
        {"request line", "GET /?cmd=1 HTTP/1.1\r\n", "GET /?cmd=1 HTTP/1.1"},
        {"blank line", "\r\n", ""},
        {"lone LF stays in the line", "a\nb\r\n", "a\nb"},
        {"lone CR stays in the line", "a\rb\r\n", "a\rb"},
        {"CR CR LF", "a\r\r\n", "a\r"},
        {"8-bit bytes", "\xA1\xFF\x01\r\n", "\xA1\xFF\x01"},
    };
    for (const LineCase& entry : cases) {
        SendText(Client, entry.Sent + "next\r\n");
        bool overflow = true;
        EXPECT_EQ(Server->ReadLine(1000, TIPSocket::kMaxLineLength, &overflow), entry.Line) << entry.Name;
        EXPECT_FALSE(overflow) << entry.Name;
        EXPECT_EQ(Server->ReadLine(1000), "next") << entry.Name;
    }
}

TEST_F(ConnectedPairTest, ReadLineTimeOutIsPerByte)
{
    std::thread sender([this] {
        for (const char* piece : {"GE", "T ", "/", "\r", "\n"}) {
            std::this_thread::sleep_for(80ms);
            Client.Send(piece, std::char_traits<char>::length(piece), 1000);
        }
    });
    EXPECT_EQ(Server->ReadLine(300), "GET /");
    sender.join();
}

TEST_F(ConnectedPairTest, ReadLineTimeOutReadsEmptyAndKeepsTheConnection)
{
    SendText(Client, "partial");
    const auto start = Clock::now();
    EXPECT_EQ(Server->ReadLine(100), "");
    EXPECT_GE(MillisecondsSince(start), 95);
    EXPECT_TRUE(Server->IsOpen());
}

TEST_F(ConnectedPairTest, ReadLineOnAPeerCloseReadsEmptyAndCloses)
{
    SendText(Client, "cut off");
    Client.Close();
    EXPECT_EQ(Server->ReadLine(1000), "");
    EXPECT_FALSE(Server->IsOpen());
}

TEST_F(ConnectedPairTest, ReadLineTakesALineOfExactlyTheLimit)
{
    const std::string line(TIPSocket::kMaxLineLength, 'a');
    SendText(Client, line + "\r\n");
    bool overflow = true;
    EXPECT_EQ(Server->ReadLine(1000, TIPSocket::kMaxLineLength, &overflow), line);
    EXPECT_FALSE(overflow);
    EXPECT_TRUE(Server->IsOpen());
}

TEST_F(ConnectedPairTest, ReadLineDropsALineOneByteOverTheLimit)
{
    SendText(Client, std::string(TIPSocket::kMaxLineLength + 1, 'a') + "\r\n");
    bool overflow = false;
    EXPECT_EQ(Server->ReadLine(1000, TIPSocket::kMaxLineLength, &overflow), "");
    EXPECT_TRUE(overflow);
    EXPECT_FALSE(Server->IsOpen());
}

TEST_F(ConnectedPairTest, ReadLineLimitCountsTheLineWithoutItsTerminator)
{
    struct Case {
        std::string Sent;
        bool Overflow;
    };
    const Case cases[] = {
        {"abcd\r\n", false}, {"abcde\r\n", true}, {"abcd\r\r\n", true}, {"abc\n\r\n", false}, {"abcdefghij", true},
    };
    for (const Case& entry : cases) {
        TIPSocket client;
        ASSERT_TRUE(client.CreateSocket());
        ASSERT_TRUE(client.Connect(Listener.Endpoint, 2000));
        auto server = Listener.Accept();
        ASSERT_NE(server, nullptr);
        SendText(client, entry.Sent);
        bool overflow = !entry.Overflow;
        const std::string line = server->ReadLine(1000, 4, &overflow);
        EXPECT_EQ(overflow, entry.Overflow) << entry.Sent;
        EXPECT_EQ(server->IsOpen(), !entry.Overflow) << entry.Sent;
        if (!entry.Overflow) {
            EXPECT_EQ(line + "\r\n", entry.Sent);
        }
    }
}

} // namespace
