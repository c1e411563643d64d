#include "sim_options.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace {

bool Parse(const std::vector<std::string>& args, TSimOptions& options, std::string& error)
{
    return ParseSimOptions(args, options, error);
}

TEST(SimOptionsTest, AcceptsEveryOption)
{
    TSimOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--tcp", "127.0.0.1:4001", "--echo", "--send", "demo.macro", "--address", "7", "--quiet",
                       "--json"},
                      options, error))
        << error;
    EXPECT_EQ(options.Transport, TSimOptions::TTransport::Tcp);
    EXPECT_EQ(options.TcpEndpoint.IPAddress, htonl(0x7F000001));
    EXPECT_EQ(options.TcpEndpoint.Port, 4001);
    EXPECT_TRUE(options.Echo);
    EXPECT_EQ(options.SendFile, "demo.macro");
    EXPECT_EQ(options.Address, std::optional<uint8_t>(7));
    EXPECT_TRUE(options.Quiet);
    EXPECT_TRUE(options.Json);

    ASSERT_TRUE(Parse({"--pty", "--link=/tmp/cam", "--address=0"}, options, error)) << error;
    EXPECT_EQ(options.Transport, TSimOptions::TTransport::Pty);
    EXPECT_EQ(options.LinkPath, "/tmp/cam");
    EXPECT_EQ(options.Address, std::optional<uint8_t>(0));
    EXPECT_FALSE(options.Echo);

    ASSERT_TRUE(Parse({"--tcp=localhost:0"}, options, error)) << error;
    EXPECT_EQ(options.TcpEndpoint.IPAddress, htonl(0x7F000001));
    EXPECT_EQ(options.TcpEndpoint.Port, 0);

    ASSERT_TRUE(Parse({"--tcp", "127.45.6.7:65535"}, options, error)) << error;
    EXPECT_EQ(options.TcpEndpoint.IPAddress, htonl(0x7F2D0607));
    EXPECT_EQ(options.TcpEndpoint.Port, 65535);
}

TEST(SimOptionsTest, HelpWinsOverEverythingElse)
{
    TSimOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--bogus", "-h"}, options, error));
    EXPECT_TRUE(options.Help);
    ASSERT_TRUE(Parse({"--help"}, options, error));
    EXPECT_TRUE(options.Help);
}

TEST(SimOptionsTest, RefusesBadOptionsWithAReason)
{
    struct TCase {
        std::vector<std::string> Args;
        std::string Reason;
    };
    const TCase cases[] = {
        {{}, "choose where the station connects"},
        {{"--echo"}, "choose where the station connects"},
        {{"--tcp", "127.0.0.1:4001", "--pty"}, "choose one of --tcp and --pty"},
        {{"--pty", "--pty"}, "--pty is given twice"},
        {{"--tcp", "127.0.0.1:1", "--tcp", "127.0.0.1:2"}, "--tcp is given twice"},
        {{"--tcp"}, "--tcp needs a value"},
        {{"--tcp="}, "--tcp needs a value"},
        {{"--tcp", "127.0.0.1"}, "--tcp needs HOST:PORT"},
        {{"--tcp", "127.0.0.1:"}, "the port must be a number from 0 to 65535"},
        {{"--tcp", "127.0.0.1:65536"}, "the port must be a number from 0 to 65535"},
        {{"--tcp", "127.0.0.1:-1"}, "the port must be a number from 0 to 65535"},
        {{"--tcp", "127.0.0.1:40x"}, "the port must be a number from 0 to 65535"},
        {{"--tcp", "camera.example:4001"}, "is not an IPv4 address"},
        {{"--tcp", "127.1:4001"}, "is not an IPv4 address"},
        {{"--tcp", "10.0.0.1:4001"}, "not a loopback address"},
        {{"--tcp", "0.0.0.0:4001"}, "not a loopback address"},
        {{"--tcp", "192.168.1.10:4001"}, "not a loopback address"},
        {{"--tcp", "128.0.0.1:4001"}, "not a loopback address"},
        {{"--link", "/tmp/cam", "--tcp", "127.0.0.1:1"}, "--link works only with --pty"},
        {{"--pty", "--link"}, "--link needs a value"},
        {{"--pty", "--address", "256"}, "--address must be a device ID from 0 to 255"},
        {{"--pty", "--address", "-1"}, "--address must be a device ID from 0 to 255"},
        {{"--pty", "--address", "0x10"}, "--address must be a device ID from 0 to 255"},
        {{"--pty", "--address", "1", "--address", "2"}, "--address is given twice"},
        {{"--pty", "--echo=yes"}, "--echo takes no value"},
        {{"--pty", "--send", ""}, "--send needs a value"},
        {{"--pty", "--verbose"}, "unknown option '--verbose'"},
        {{"--pty", "-x"}, "unknown option '-x'"},
        {{"--pty", "extra"}, "unexpected argument 'extra'"},
    };
    for (const TCase& c : cases) {
        std::string joined;
        for (const std::string& arg : c.Args)
            joined += arg + " ";
        SCOPED_TRACE(joined);
        TSimOptions options;
        std::string error;
        EXPECT_FALSE(Parse(c.Args, options, error));
        EXPECT_NE(error.find(c.Reason), std::string::npos) << error;
    }
}

TEST(SimOptionsTest, UsageExplainsEveryOption)
{
    const std::string usage = SimUsage();
    for (const char* option :
         {"--tcp", "--pty", "--link", "--address", "--echo", "--send", "--quiet", "--json", "--help", "loopback"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

TEST(SimOptionsTest, LoopbackIsExactly127Slash8)
{
    EXPECT_TRUE(IsLoopbackAddress(htonl(0x7F000001)));
    EXPECT_TRUE(IsLoopbackAddress(htonl(0x7FFFFFFF)));
    EXPECT_FALSE(IsLoopbackAddress(htonl(0x7EFFFFFF)));
    EXPECT_FALSE(IsLoopbackAddress(htonl(0x80000000)));
    EXPECT_FALSE(IsLoopbackAddress(0));
}

} // namespace
