#include "pty_transport.h"

#include "support/bytes.h"
#include "support/temp_folder.h"

#include <fcntl.h>
#include <poll.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 3000;

// Polls until the transport reports what `done` waits for, or the wait ends.
TTransportEvents PollUntil(TPtyTransport& pty, std::vector<uint8_t>& data,
                           const std::function<bool(const TTransportEvents&)>& done)
{
    TTransportEvents all;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        const TTransportEvents events = pty.Poll(20, data);
        all.Connected |= events.Connected;
        all.Disconnected |= events.Disconnected;
        if (done(all))
            break;
    }
    return all;
}

TUniqueFd OpenSlave(const std::string& path)
{
    TUniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    EXPECT_TRUE(fd.IsValid()) << std::strerror(errno);
    return fd;
}

TEST(PtyTransportTest, SeesTheStationOpenCloseAndReopenThePort)
{
    TPtyTransport pty(-1);
    std::string error;
    ASSERT_TRUE(pty.Open("", error)) << error;
    std::vector<uint8_t> data;
    EXPECT_FALSE(pty.Poll(0, data).Connected) << "no one holds the port yet";
    EXPECT_FALSE(pty.Write(Bytes("FF 01 00 00 00 00 01"))) << "nothing is written while no one listens";

    {
        const TUniqueFd station = OpenSlave(pty.DevicePath());
        TTransportEvents events = PollUntil(pty, data, [](const TTransportEvents& e) { return e.Connected; });
        EXPECT_TRUE(events.Connected);
        EXPECT_TRUE(pty.IsConnected());
        ASSERT_EQ(::write(station.Get(), "\xFF\x01", 2), 2);
        PollUntil(pty, data, [&data](const TTransportEvents&) { return data.size() == 2; });
        EXPECT_EQ(Hex(data), "FF 01");
        ASSERT_TRUE(pty.Write(Bytes("A0 00")));
        uint8_t back[2] = {};
        pollfd p{station.Get(), POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, kWaitMs), 1);
        EXPECT_EQ(::read(station.Get(), back, 2), 2);
        EXPECT_EQ(Hex(back, 2), "A0 00");
    }
    TTransportEvents events = PollUntil(pty, data, [](const TTransportEvents& e) { return e.Disconnected; });
    EXPECT_TRUE(events.Disconnected);
    EXPECT_FALSE(pty.IsConnected());
    EXPECT_FALSE(pty.Write(Bytes("11 22")));

    const TUniqueFd again = OpenSlave(pty.DevicePath());
    events = PollUntil(pty, data, [](const TTransportEvents& e) { return e.Connected; });
    EXPECT_TRUE(events.Connected);
    uint8_t stale = 0;
    EXPECT_LT(::read(again.Get(), &stale, 1), 0) << "no stale bytes wait for the next opener";
}

TEST(PtyTransportTest, ABurstFromAStationThatOpensWritesAndClosesIsOneConnection)
{
    TPtyTransport pty(-1);
    std::string error;
    ASSERT_TRUE(pty.Open("", error)) << error;
    {
        const TUniqueFd station = OpenSlave(pty.DevicePath());
        ASSERT_EQ(::write(station.Get(), "\xFF\x01\x00\x00\x00\x00\x01", 7), 7);
    }
    std::vector<uint8_t> data;
    const TTransportEvents events = pty.Poll(0, data);
    EXPECT_TRUE(events.Connected);
    EXPECT_TRUE(events.Disconnected);
    EXPECT_EQ(Hex(data), "FF 01 00 00 00 00 01");
}

TEST(PtyTransportTest, TheLinkReplacesOnlyAStaleLinkAndGoesOnlyIfStillOurs)
{
    TTempFolder dir;
    const std::string file = dir.Write("camera", "keep me");
    std::string error;
    {
        TPtyTransport pty(-1);
        EXPECT_FALSE(pty.Open(file, error));
        EXPECT_NE(error.find("not replaced"), std::string::npos) << error;
    }
    EXPECT_EQ((std::stringstream() << std::ifstream(file).rdbuf()).str(), "keep me");

    const std::string otherLink = dir.Path("other");
    std::filesystem::create_symlink(file, otherLink);
    {
        TPtyTransport pty(-1);
        EXPECT_FALSE(pty.Open(otherLink, error)) << "a link to something else is someone's";
    }
    EXPECT_EQ(std::filesystem::read_symlink(otherLink).string(), file);

    const std::string link = dir.Path("ptz");
    std::filesystem::create_symlink("/dev/pts/9999", link);
    {
        TPtyTransport pty(-1);
        ASSERT_TRUE(pty.Open(link, error)) << error;
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), pty.DevicePath());
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));

    {
        TPtyTransport pty(-1);
        ASSERT_TRUE(pty.Open(link, error)) << error;
        std::filesystem::remove(link);
        std::filesystem::create_symlink(file, link);
    }
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), file) << "a link someone repointed stays";
}

} // namespace
