#include "web/request_handler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "loopback.h"
#include "support/bytes.h"
#include "web/client_data.h"
#include "web/control_page.h"
#include "web/http_request.h"

namespace {

using webtest::Clock;
using webtest::MillisecondsSince;
using webtest::RawClient;
using webtest::WebServer;

const std::string kServerName = "Tarvik 5.6 (Server)     MORWEN 2011";
const std::string kPage = "<html>page</html>\r\n";

std::shared_ptr<TClientData> MakeData(bool authenticate = false, std::string user = "admin",
                                      std::string password = "vexto", size_t queueCapacity = 1024)
{
    auto data = std::make_shared<TClientData>();
    data->Commands = std::make_shared<TCommandQueue>(queueCapacity);
    data->ServerName = kServerName;
    data->Authenticate = authenticate;
    data->AuthUser = std::move(user);
    data->AuthPassword = std::move(password);
    data->Page = kPage;
    return data;
}

std::string Get(const std::string& target, const std::string& headers = "")
{
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n";
}

std::string ExpectedResponse(const std::string& status, const std::string& body)
{
    return "HTTP/1.1 " + status + "\r\n" + "Server: " + kServerName + "\r\n" +
           "Cache-Control: no-store, no-cache\r\n" + "WWW-Authenticate: Basic realm=\"Tarvik Authenticate\"\r\n" +
           "Content-Type: text/html\r\n" + "Content-Length: " + std::to_string(body.size()) + "\r\n" +
           "Connection: close\r\n" + "\r\n" + body;
}

std::string ErrorBody(const std::string& message)
{
    return std::string(kXhtmlDoctype) + "\r\n<HTML>\r\n<HEAD>\r\n<TITLE>" + kServerName +
           "</TITLE><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=ISO-8859-2\">\r\n"
           "</HEAD>\r\n<BODY>\r\n" +
           message + "\r\n</BODY>\r\n</HTML>\r\n";
}

const std::string kOk = "200 OK";
const std::string kUnauthorized = "401 Authorization Required";
const std::string kNotFound = "404 Not found";

std::vector<std::string> Drain(TCommandQueue& queue)
{
    std::vector<std::string> items;
    while (auto item = queue.PopFirst())
        items.push_back(Hex(reinterpret_cast<const uint8_t*>(item.get()), sizeof(TPelcoCommandItem)));
    return items;
}

class WebRequestTest : public testing::Test {
protected:
    void Start(std::shared_ptr<TClientData> data)
    {
        Server = std::make_unique<WebServer>(std::move(data));
        ASSERT_TRUE(Server->IsRunning());
    }
    TCommandQueue& Queue() { return *Server->Data->Commands; }

    std::unique_ptr<WebServer> Server;
};

struct CommandCase {
    std::string Target;
    std::vector<std::string> Queued; // code, device ID, parameter
};

TEST_F(WebRequestTest, QueuesWhatEachQueryAsksFor)
{
    Start(MakeData());
    const std::vector<CommandCase> cases = {
        {"/", {}},
        {"/?cmd=3&id=2&speed=32", {"03 02 20"}},
        {"/?cmd=3&id=2", {"03 02 FF"}},
        {"/?cmd=1&speed=5", {"01 FF 05"}},
        {"/?cmd=0&id=1&preset=5&pm=1", {"0F 01 05"}},
        {"/?cmd=0&id=1&preset=5&pm=0", {"11 01 05"}},
        {"/?cmd=0&id=1&preset=5&pm=2", {"10 01 05"}},
        {"/?cmd=0&id=1&preset=5&pm=7", {}},
        {"/?cmd=0&id=1&preset=5", {}},
        {"/?cmd=9&id=1&preset=0&speed=7", {"09 01 07"}},
        {"/?cmd=-1&id=1&speed=5", {}},
        {"/?id=1", {}},
        {"/?cmd=abc&id=1", {}},
        {"/?CMD=3&ID=1&SPEED=1", {"03 01 01"}},
        {"/?cmd=259&id=1&speed=10", {"03 01 0A"}},
        {"/?cmd=3&id=257&speed=300", {"03 01 2C"}},
        {"/?cmd=18&id=1&speed=10", {}},
        {"/?cmd=255&id=1&speed=10", {}},
        {"/?cmd=14&id=1&speed=10", {"0E 01 0A"}},
        {"/?cmd=2&cmd=5&id=3&speed=4", {"02 03 04"}},
        // What the page's form sends: id, speed, pm, cp, cmd, preset.
        {"/?id=1&speed=32&pm=0&cp=90&cmd=3&preset=0", {"03 01 20"}},
        {"/?id=1&speed=32&pm=2&cp=90&cmd=0&preset=90", {"10 01 5A"}},
        {"/control.js?cmd=4&id=1&speed=10", {"04 01 0A"}},
        {"/sub/control.js?cmd=2&id=1&speed=3", {"02 01 03"}},
        {"/sub/?cmd=2&id=1&speed=3", {"02 01 03"}},
        {"/Control.js?cmd=4&id=1&speed=10", {}},
        {"/index.html?cmd=4&id=1&speed=10", {}},
    };
    for (const CommandCase& c : cases) {
        const std::string response = Server->Exchange(Get(c.Target));
        EXPECT_TRUE(response.starts_with("HTTP/1.1 ")) << c.Target;
        EXPECT_EQ(Drain(Queue()), c.Queued) << c.Target;
    }
}

TEST_F(WebRequestTest, AnswersThePageWithTheExactHeaderBlock)
{
    Start(MakeData());
    EXPECT_EQ(Server->Exchange(Get("/")), ExpectedResponse(kOk, kPage));
    EXPECT_EQ(Server->Exchange(Get("/?cmd=3&id=2&speed=32")), ExpectedResponse(kOk, kPage));
    EXPECT_EQ(Server->Exchange(Get("/?cmd=0&id=1&preset=5&pm=7")), ExpectedResponse(kOk, kPage));
}

TEST_F(WebRequestTest, AnswersTheScriptWithWhatCmdReadAs)
{
    Start(MakeData());
    const std::string response = Server->Exchange(Get("/control.js?cmd=4&id=1&speed=10"));
    EXPECT_EQ(response, ExpectedResponse(kOk, "var pcCmd = 4;\r\n"));
    EXPECT_TRUE(response.ends_with("\r\nContent-Length: 16\r\nConnection: close\r\n\r\nvar pcCmd = 4;\r\n"));
    EXPECT_EQ(Server->Exchange(Get("/control.js")), ExpectedResponse(kOk, "var pcCmd = -1;\r\n"));
    EXPECT_EQ(Server->Exchange(Get("/sub/control.js?cmd=x")), ExpectedResponse(kOk, "var pcCmd = -1;\r\n"));
    EXPECT_EQ(Server->Exchange(Get("/control.js?cmd=259")), ExpectedResponse(kOk, "var pcCmd = 259;\r\n"));
}

TEST_F(WebRequestTest, AnswersOtherDocumentsWithNotFound)
{
    Start(MakeData());
    const std::string notFound = ExpectedResponse(kNotFound, ErrorBody("<H1>Document not exists</H1>"));
    for (const char* target : {"/Control.js", "/index.html", "/control.jsx", "/a/b", "/?x=a/b"})
        EXPECT_EQ(Server->Exchange(Get(target)), notFound) << target;
}

TEST_F(WebRequestTest, AnEmptyPageHasALengthOfZero)
{
    auto data = MakeData();
    data->Page.clear();
    Start(data);
    EXPECT_EQ(Server->Exchange(Get("/")), ExpectedResponse(kOk, ""));
}

TEST_F(WebRequestTest, ThePageGoesOutByteForByte)
{
    auto data = MakeData();
    data->Page = std::string("\xE9\xB1\0\r\nend", 8);
    Start(data);
    EXPECT_EQ(Server->Exchange(Get("/")), ExpectedResponse(kOk, data->Page));
}

TEST_F(WebRequestTest, OtherMethodsAndBrokenRequestsGetNoAnswer)
{
    Start(MakeData());
    for (const char* request : {"HEAD / HTTP/1.1\r\n\r\n", "POST /?cmd=3&id=1 HTTP/1.1\r\nContent-Length: 0\r\n\r\n",
                                "GET  HTTP/1.1\r\n\r\n", "\r\n"}) {
        RawClient client(Server->Port);
        ASSERT_TRUE(client.IsConnected());
        client.Send(request);
        bool closed = false;
        EXPECT_EQ(client.ReadAll(5000, &closed), "") << request;
        EXPECT_TRUE(closed) << request;
    }
    EXPECT_EQ(Queue().Count(), 0u);
}

TEST_F(WebRequestTest, AFullQueueDropsTheCommandButAnswersAlike)
{
    Start(MakeData(false, "", "", 2));
    for (int speed = 1; speed <= 3; ++speed)
        EXPECT_EQ(Server->Exchange(Get("/?cmd=1&id=1&speed=" + std::to_string(speed))), ExpectedResponse(kOk, kPage));
    EXPECT_EQ(Drain(Queue()), (std::vector<std::string>{"01 01 01", "01 01 02"}));
}

std::string BasicHeader(const std::string& encoded)
{
    return "Authorization: Basic " + encoded + "\r\n";
}

TEST_F(WebRequestTest, TheRightCredentialsPass)
{
    Start(MakeData(true));
    // "admin:vexto"
    EXPECT_EQ(Server->Exchange(Get("/?cmd=3&id=1&speed=5", BasicHeader("YWRtaW46dmV4dG8="))),
              ExpectedResponse(kOk, kPage));
    EXPECT_EQ(Server->Exchange(Get("/control.js?cmd=4&id=1&speed=5", BasicHeader("YWRtaW46dmV4dG8="))),
              ExpectedResponse(kOk, "var pcCmd = 4;\r\n"));
    EXPECT_EQ(Drain(Queue()), (std::vector<std::string>{"03 01 05", "04 01 05"}));
}

TEST_F(WebRequestTest, WrongCredentialsGetUnauthorizedAndQueueNothing)
{
    Start(MakeData(true));
    const std::string unauthorized = ExpectedResponse(kUnauthorized, ErrorBody("<H1>401 Unauthorized.</H1>"));
    const std::vector<std::pair<const char*, std::string>> attempts = {
        {"no header", ""},
        {"empty value", BasicHeader("")},
        {"other scheme", "Authorization: Bearer YWRtaW46dmV4dG8=\r\n"},
        {"user prefix", BasicHeader("YWRtOnZleHRv")},               // adm:vexto
        {"password prefix", BasicHeader("YWRtaW46dmV4dA==")},       // admin:vext
        {"empty password", BasicHeader("YWRtaW46")},                // admin:
        {"last byte", BasicHeader("YWRtaW46dmV4dHA=")},             // admin:vextp
        {"one byte more", BasicHeader("YWRtaW46dmV4dG9v")},         // admin:vextoo
        {"user case", BasicHeader("QWRtaW46dmV4dG8=")},             // Admin:vexto
        {"no colon", BasicHeader("YWRtaW52ZXh0bw==")},              // adminvexto
        {"swapped", BasicHeader("dmV4dG86YWRtaW4=")},               // vexto:admin
        {"high bytes", BasicHeader("YWRtaW46dmV4dPM=")},            // admin:vext\xF3
        {"high bytes in user", BasicHeader("YWRt6W46dmV4dG8=")},    // adm\xE9n:vexto
        {"zero byte", BasicHeader("YWRtaW4AOnZleHRv")},             // admin\0:vexto
        {"lone colon", BasicHeader("Og==")},                        // :
        {"undecodable", BasicHeader("YWR")},
    };
    for (const auto& [name, header] : attempts) {
        EXPECT_EQ(Server->Exchange(Get("/?cmd=3&id=1&speed=5", header)), unauthorized) << name;
        EXPECT_EQ(Server->Exchange(Get("/control.js?cmd=3&id=1&speed=5", header)), unauthorized) << name;
        EXPECT_EQ(Server->Exchange(Get("/index.html?cmd=3", header)), unauthorized) << name;
    }
    EXPECT_EQ(Queue().Count(), 0u);
}

TEST_F(WebRequestTest, AHugeTokenIsDroppedUnanswered)
{
    Start(MakeData(true));
    std::string token;
    while (token.size() < 1024 * 1024)
        token += "YWRtaW46dmV4dG8=";
    RawClient client(Server->Port);
    ASSERT_TRUE(client.IsConnected());
    std::thread sender([&] { client.Send(Get("/?cmd=3&id=1&speed=5", BasicHeader(token))); });
    bool closed = false;
    EXPECT_EQ(client.ReadAll(5000, &closed), "");
    EXPECT_TRUE(closed);
    sender.join();
    EXPECT_EQ(Queue().Count(), 0u);
}

TEST_F(WebRequestTest, EmptyConfiguredCredentialsStillNeedTheHeader)
{
    Start(MakeData(true, "", ""));
    const std::string unauthorized = ExpectedResponse(kUnauthorized, ErrorBody("<H1>401 Unauthorized.</H1>"));
    EXPECT_EQ(Server->Exchange(Get("/?cmd=1&id=1&speed=1")), unauthorized);
    EXPECT_EQ(Server->Exchange(Get("/?cmd=1&id=1&speed=2", BasicHeader("YTo="))), unauthorized); // a:
    EXPECT_EQ(Server->Exchange(Get("/?cmd=1&id=1&speed=3", BasicHeader("Og=="))), ExpectedResponse(kOk, kPage));
    EXPECT_EQ(Drain(Queue()), (std::vector<std::string>{"01 01 03"}));
}

TEST_F(WebRequestTest, CredentialsAreIgnoredWhenAuthenticationIsOff)
{
    Start(MakeData(false));
    EXPECT_EQ(Server->Exchange(Get("/?cmd=2&id=1&speed=1", BasicHeader("d3Jvbmc6d3Jvbmc="))),
              ExpectedResponse(kOk, kPage));
    EXPECT_EQ(Drain(Queue()), (std::vector<std::string>{"02 01 01"}));
}

TEST(ConstantTimeEqualsTest, ComparesEveryByteAndTheLength)
{
    EXPECT_TRUE(ConstantTimeEquals("", ""));
    EXPECT_TRUE(ConstantTimeEquals("vexto", "vexto"));
    EXPECT_TRUE(ConstantTimeEquals(std::string("a\0b", 3), std::string("a\0b", 3)));
    EXPECT_FALSE(ConstantTimeEquals("vext", "vexto"));
    EXPECT_FALSE(ConstantTimeEquals("vexto", "vext"));
    EXPECT_FALSE(ConstantTimeEquals("vextp", "vexto"));
    EXPECT_FALSE(ConstantTimeEquals("Vexto", "vexto"));
    EXPECT_FALSE(ConstantTimeEquals("", "vexto"));
    EXPECT_FALSE(ConstantTimeEquals(std::string("vexto\0", 6), "vexto"));
    EXPECT_FALSE(ConstantTimeEquals("vext\xF3", "vexto"));
}

TEST(AnswerWebRequestTest, WorksWithoutAQueue)
{
    TClientData data;
    data.ServerName = kServerName;
    data.Page = kPage;
    THTTPRequest request;
    request.Target.Url = "/?cmd=3&id=1&speed=1";
    request.Target.Parse();
    EXPECT_EQ(AnswerWebRequest(request, data), ExpectedResponse(kOk, kPage));
}

// Abusive clients are cut off within the request budget while a well-behaved
// one is answered meanwhile. This test takes about ten seconds by design.
TEST_F(WebRequestTest, SlowAndFloodingClientsDoNotHoldTheServer)
{
    Start(MakeData());
    const auto start = Clock::now();

    RawClient endless(Server->Port);
    RawClient flood(Server->Port);
    RawClient trickle(Server->Port);
    ASSERT_TRUE(endless.IsConnected() && flood.IsConnected() && trickle.IsConnected());

    std::thread endlessSender([&] { endless.Send("GET /?cmd=1 HTTP/1.1\r\nX-Long: " + std::string(64 * 1024, 'a')); });
    std::string headers = "GET /?cmd=1&id=1&speed=1 HTTP/1.1\r\n";
    for (int i = 0; i < 200; ++i)
        headers += "X-Flood: " + std::to_string(i) + "\r\n";
    std::thread floodSender([&] { flood.Send(headers + "\r\n"); });

    // The trickle has sent its request line and keeps adding one header byte
    // every two seconds, each well within any per-byte wait.
    std::atomic<bool> stopTrickle{false};
    trickle.Send("GET /?cmd=2&id=1&speed=1 HTTP/1.1\r\n");
    std::thread trickleSender([&] {
        for (int i = 0; i < 15 && !stopTrickle; ++i) {
            if (!trickle.Send("x"))
                break;
            for (int slice = 0; slice < 20 && !stopTrickle; ++slice)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });

    // Meanwhile a browser is answered without waiting for any of them.
    const auto browserStart = Clock::now();
    EXPECT_EQ(Server->Exchange(Get("/?cmd=3&id=7&speed=9")), ExpectedResponse(kOk, kPage));
    EXPECT_LT(MillisecondsSince(browserStart), 5000);

    bool closed = false;
    EXPECT_EQ(endless.ReadAll(5000, &closed), "");
    EXPECT_TRUE(closed) << "endless line";
    EXPECT_EQ(flood.ReadAll(5000, &closed), "");
    EXPECT_TRUE(closed) << "header flood";
    EXPECT_EQ(trickle.ReadAll(15000, &closed), "");
    EXPECT_TRUE(closed) << "trickle";
    const int64_t trickleEnded = MillisecondsSince(start);
    EXPECT_GE(trickleEnded, 9000);
    EXPECT_LT(trickleEnded, 15000);

    stopTrickle = true;
    trickleSender.join();
    endlessSender.join();
    floodSender.join();
    EXPECT_EQ(Drain(Queue()), (std::vector<std::string>{"03 07 09"}));
}

} // namespace
