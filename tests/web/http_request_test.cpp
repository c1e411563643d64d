#include "web/http_request.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "loopback.h"

namespace {

using webtest::Clock;
using webtest::Connection;
using webtest::MillisecondsSince;

struct ReadCase {
    const char* Name;
    std::string Sent;
    bool Result;
    std::string Url;
    bool HasAuthorization = false;
    std::string User = "";
    std::string Password = "";
};

class ReadHTTPRequestTest : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadHTTPRequestTest, Reads)
{
    const ReadCase& c = GetParam();
    Connection connection;
    ASSERT_TRUE(connection.IsReady());
    ASSERT_TRUE(connection.Client->Send(c.Sent));
    THTTPRequest request;
    // Every case ends by its blank line or fails at once; the budget only
    // guards against a hang.
    EXPECT_EQ(ReadHTTPRequest(*connection.Server, request, 3000), c.Result);
    if (c.Result) {
        EXPECT_EQ(request.Target.Url, c.Url);
    }
    EXPECT_EQ(request.HasAuthorization, c.HasAuthorization);
    EXPECT_EQ(request.AuthUser, c.User);
    EXPECT_EQ(request.AuthPassword, c.Password);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadHTTPRequestTest,
    testing::Values(
        ReadCase{"Plain", "GET /?cmd=1 HTTP/1.1\r\nHost: x\r\n\r\n", true, "/?cmd=1"},
        ReadCase{"LowerCaseGet", "get /?cmd=1 HTTP/1.1\r\n\r\n", true, "/?cmd=1"},
        ReadCase{"MixedCaseGet", "gEt / HTTP/1.0\r\n\r\n", true, "/"},
        ReadCase{"NoVersion", "GET /x\r\n\r\n", true, "/x"},
        ReadCase{"EmptyTarget", "GET  HTTP/1.1\r\n\r\n", false, ""},
        ReadCase{"NothingAfterGet", "GET \r\n\r\n", false, ""},
        ReadCase{"GetWithoutBlank", "GET\r\n\r\n", false, ""},
        ReadCase{"Head", "HEAD / HTTP/1.1\r\n\r\n", false, ""},
        ReadCase{"Post", "POST / HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc", false, ""},
        ReadCase{"NoLinesAtAll", "\r\n", false, ""},
        ReadCase{"GetNotFirst", "Host: x\r\nGET /late HTTP/1.1\r\n\r\n", true, "/late"},
        ReadCase{"LaterGetWins", "GET /a HTTP/1.1\r\nGET /b HTTP/1.1\r\n\r\n", true, "/b"},
        ReadCase{"CarriageReturnInsideLine", "GET /a\rb HTTP/1.1\r\n\r\n", true, "/a\rb"},
        ReadCase{"Credentials", "GET / HTTP/1.1\r\nAuthorization: Basic YWRtaW46dmV4dG8=\r\n\r\n", true, "/", true,
                 "admin", "vexto"},
        ReadCase{"HeaderNameInLowerCase", "GET / HTTP/1.1\r\nauthorization: basic YWRtaW46dmV4dG8=\r\n\r\n", true,
                 "/", true, "admin", "vexto"},
        ReadCase{"PasswordWithColons", "GET / HTTP/1.1\r\nAuthorization: Basic dXNlcjpwYTpzcw==\r\n\r\n", true, "/",
                 true, "user", "pa:ss"},
        ReadCase{"LoneColon", "GET / HTTP/1.1\r\nAuthorization: Basic Og==\r\n\r\n", true, "/", true, "", ""},
        ReadCase{"NoColon", "GET / HTTP/1.1\r\nAuthorization: Basic YWRtaW4=\r\n\r\n", true, "/", false},
        ReadCase{"EmptyValue", "GET / HTTP/1.1\r\nAuthorization: Basic \r\n\r\n", true, "/", false},
        ReadCase{"OtherScheme", "GET / HTTP/1.1\r\nAuthorization: Digest YWRtaW46dmV4dG8=\r\n\r\n", true, "/", false},
        ReadCase{"TwoBlanksAfterColon", "GET / HTTP/1.1\r\nAuthorization:  Basic YWRtaW46dmV4dG8=\r\n\r\n", true,
                 "/", false},
        ReadCase{"LaterCredentialsWin",
                 "GET / HTTP/1.1\r\nAuthorization: Basic YTpi\r\nAuthorization: Basic YWRtaW46dmV4dG8=\r\n\r\n", true,
                 "/", true, "admin", "vexto"},
        ReadCase{"UndecodableLaterHeaderKeepsEarlier",
                 "GET / HTTP/1.1\r\nAuthorization: Basic YWRtaW46dmV4dG8=\r\nAuthorization: Basic YWI\r\n"
                 "Authorization: Basic YWRtaW4=\r\n\r\n",
                 true, "/", true, "admin", "vexto"},
        ReadCase{"CredentialsWithoutTarget", "Authorization: Basic YTpi\r\n\r\n", false, "", true, "a", "b"}),
    [](const testing::TestParamInfo<ReadCase>& testCase) { return std::string(testCase.param.Name); });

TEST(ReadHTTPRequestLimitsTest, AcceptsALineOfTheLimitAndDropsOneByteMore)
{
    const std::string header = "X-Filler: ";
    for (size_t length : {kMaxRequestLineLength, kMaxRequestLineLength + 1}) {
        Connection connection;
        ASSERT_TRUE(connection.IsReady());
        const std::string line = header + std::string(length - header.size(), 'a');
        connection.Client->Send("GET / HTTP/1.1\r\n" + line + "\r\n\r\n");
        THTTPRequest request;
        const bool read = ReadHTTPRequest(*connection.Server, request, 3000);
        EXPECT_EQ(read, length == kMaxRequestLineLength) << length;
        // A dropped request closes the connection at once.
        EXPECT_EQ(connection.Server->IsOpen(), read) << length;
    }
}

TEST(ReadHTTPRequestLimitsTest, AcceptsTheLineCountLimitAndDropsOneLineMore)
{
    for (int lines : {kMaxRequestLines, kMaxRequestLines + 1}) {
        Connection connection;
        ASSERT_TRUE(connection.IsReady());
        std::string sent = "GET /?cmd=1 HTTP/1.1\r\n";
        for (int i = 1; i < lines; ++i)
            sent += "X-Header: " + std::to_string(i) + "\r\n";
        connection.Client->Send(sent + "\r\n");
        THTTPRequest request;
        EXPECT_EQ(ReadHTTPRequest(*connection.Server, request, 3000), lines == kMaxRequestLines) << lines;
    }
}

TEST(ReadHTTPRequestLimitsTest, AnEndlessLineIsDroppedWithoutWaitingForTheBudget)
{
    Connection connection;
    ASSERT_TRUE(connection.IsReady());
    std::thread flood([&] { connection.Client->Send("GET /" + std::string(64 * 1024, 'a')); });
    THTTPRequest request;
    const auto start = Clock::now();
    EXPECT_FALSE(ReadHTTPRequest(*connection.Server, request, 3000));
    EXPECT_LT(MillisecondsSince(start), 2500);
    flood.join(); // the server side has closed, so the send cannot block for long

}

TEST(ReadHTTPRequestTimingTest, ARequestLineThenSilenceEndsWithTheBudget)
{
    Connection connection;
    ASSERT_TRUE(connection.IsReady());
    connection.Client->Send("GET /?cmd=2 HTTP/1.1\r\nHost: x\r\n");
    THTTPRequest request;
    const auto start = Clock::now();
    EXPECT_TRUE(ReadHTTPRequest(*connection.Server, request, 300));
    const int64_t elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 250);
    EXPECT_LT(elapsed, 1500);
    EXPECT_EQ(request.Target.Url, "/?cmd=2");
}

TEST(ReadHTTPRequestTimingTest, SilenceWithoutATargetIsFalse)
{
    Connection connection;
    ASSERT_TRUE(connection.IsReady());
    THTTPRequest request;
    EXPECT_FALSE(ReadHTTPRequest(*connection.Server, request, 200));
}

TEST(ReadHTTPRequestTimingTest, TricklingBytesCannotOutlastTheBudget)
{
    // One byte every 100 ms against a budget of 400 ms: every single wait is
    // short, but the request as a whole is not.
    Connection connection;
    ASSERT_TRUE(connection.IsReady());
    connection.Client->Send("GET / HTTP/1.1\r\n");
    std::atomic<bool> stop{false};
    std::thread trickle([&] {
        for (int i = 0; i < 40 && !stop; ++i) {
            if (!connection.Client->Send("a"))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    THTTPRequest request;
    const auto start = Clock::now();
    EXPECT_FALSE(ReadHTTPRequest(*connection.Server, request, 400));
    EXPECT_LT(MillisecondsSince(start), 2000);
    stop = true;
    trickle.join();
}

TEST(ReadHTTPRequestTimingTest, ABudgetRunningOutInsideALineIsFalse)
{
    // A target has been read, but the next line is still unfinished when the
    // budget runs out: the client is too slow to be answered.
    Connection connection;
    ASSERT_TRUE(connection.IsReady());
    connection.Client->Send("GET /?cmd=1 HTTP/1.1\r\nX-Slow: y");
    THTTPRequest request;
    const auto start = Clock::now();
    EXPECT_FALSE(ReadHTTPRequest(*connection.Server, request, 300));
    const int64_t elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 250);
    EXPECT_LT(elapsed, 1500);
}

TEST(ReadHTTPRequestTest, APeerCloseEndsTheRequest)
{
    Connection connection;
    ASSERT_TRUE(connection.IsReady());
    connection.Client->Send("GET /?cmd=5 HTTP/1.1\r\nHost: partial");
    connection.Client->ShutdownSending();
    THTTPRequest request;
    const auto start = Clock::now();
    EXPECT_TRUE(ReadHTTPRequest(*connection.Server, request, 3000));
    EXPECT_LT(MillisecondsSince(start), 2000);
    EXPECT_EQ(request.Target.Url, "/?cmd=5");
    EXPECT_FALSE(connection.Server->IsOpen());
}

TEST(ReadHTTPRequestTest, ReadsARequestArrivingByteByByte)
{
    const std::string sent = "GET /a/b?x=1 HTTP/1.1\r\nAuthorization: Basic YTpi\r\n\r\n";
    Connection connection;
    ASSERT_TRUE(connection.IsReady());
    std::thread writer([&] {
        for (char c : sent) {
            connection.Client->Send(std::string(1, c));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    THTTPRequest request;
    EXPECT_TRUE(ReadHTTPRequest(*connection.Server, request, 5000));
    writer.join();
    EXPECT_EQ(request.Target.Url, "/a/b?x=1");
    EXPECT_EQ(request.Target.Document, "b");
    EXPECT_TRUE(request.HasAuthorization);
    EXPECT_EQ(request.AuthUser, "a");
    EXPECT_EQ(request.AuthPassword, "b");
}

TEST(ReadHTTPRequestTest, ALoneLineFeedEndsNoLine)
{
    Connection connection;
    ASSERT_TRUE(connection.IsReady());
    connection.Client->Send("GET / HTTP/1.1\n\n");
    THTTPRequest request;
    EXPECT_FALSE(ReadHTTPRequest(*connection.Server, request, 200));
}

} // namespace
