#include "support/bytes.h"
#include "support/spawned_process.h"
#include "support/temp_folder.h"
#include "unique_fd.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>

#include <algorithm>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The real tarvik-sim binary, run as a child process and played against
// over a real pseudo-terminal and a real loopback socket.

namespace {

constexpr int kWaitMs = 5000;

QJsonObject Json(const std::string& line)
{
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line));
    EXPECT_TRUE(document.isObject()) << "not a JSON object: " << line;
    return document.object();
}

std::function<bool(const std::string&)> JsonType(const QString& type)
{
    return [type](const std::string& line) { return Json(line)["type"].toString() == type; };
}

std::function<bool(const std::string&)> Contains(const std::string& text)
{
    return [text](const std::string& line) { return line.find(text) != std::string::npos; };
}

void WriteAll(int fd, const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        ASSERT_GT(n, 0) << std::strerror(errno);
        done += static_cast<size_t>(n);
    }
}

// Up to `count` bytes, or fewer when nothing more comes within the wait.
std::vector<uint8_t> ReadBytes(int fd, size_t count, int timeoutMs)
{
    std::vector<uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (bytes.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        uint8_t buffer[256];
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

TUniqueFd OpenStationPort(const std::string& path)
{
    TUniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    EXPECT_TRUE(fd.IsValid()) << path << ": " << std::strerror(errno);
    termios settings{};
    if (fd.IsValid() && ::tcgetattr(fd.Get(), &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(fd.Get(), TCSANOW, &settings);
    }
    return fd;
}

TUniqueFd ConnectLoopback(uint16_t port)
{
    TUniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    EXPECT_TRUE(connected) << std::strerror(errno);
    return fd;
}

// Starts tarvik-sim with `args`.
[[nodiscard]] bool StartSim(TSpawnedProcess& sim, const std::vector<std::string>& args)
{
    TSpawnedProcess::TOptions options;
    options.Args = {TARVIK_SIM_PATH};
    options.Args.insert(options.Args.end(), args.begin(), args.end());
    std::string error;
    const bool started = sim.Start(options, error);
    EXPECT_TRUE(started) << error;
    return started;
}

uint16_t ListeningPort(TSpawnedProcess& sim)
{
    const std::string marker = "Listening on 127.0.0.1:";
    const std::optional<std::string> line = sim.WaitForLine(Contains(marker), kWaitMs);
    EXPECT_TRUE(line) << sim.Stderr(100);
    const size_t at = line ? line->find(marker) : std::string::npos;
    return at == std::string::npos ? 0 : static_cast<uint16_t>(std::stoul(line->substr(at + marker.size())));
}

bool AnyLineContains(const std::vector<std::string>& lines, const std::string& text)
{
    return std::any_of(lines.begin(), lines.end(), Contains(text));
}

class SimEndToEndTest : public ::testing::Test {
protected:
    TSpawnedProcess Sim;
    TTempFolder Dir;
};

TEST_F(SimEndToEndTest, HelpAndBadOptions)
{
    ASSERT_TRUE(StartSim(Sim, {"--help"}));
    const std::vector<std::string> help = Sim.ReadRemainingLines(kWaitMs);
    EXPECT_EQ(Sim.Wait(kWaitMs), 0);
    EXPECT_TRUE(AnyLineContains(help, "--tcp HOST:PORT"));
    EXPECT_TRUE(AnyLineContains(help, "--address N"));

    struct TCase {
        std::vector<std::string> Args;
        int ExitCode;
        std::string Message;
    };
    const TCase cases[] = {
        {{"--tcp", "10.1.2.3:4001"}, 2, "not a loopback address"},
        {{"--pty", "--colour"}, 2, "unknown option '--colour'"},
        {{"--tcp", "127.0.0.1:99999"}, 2, "the port must be a number"},
        {{}, 2, "choose where the station connects"},
        {{"--pty", "--send", Dir.Path("missing.macro")}, 1, "cannot read the macro file"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Message);
        TSpawnedProcess bad;
        ASSERT_TRUE(StartSim(bad, c.Args));
        const std::string err = bad.Stderr(kWaitMs);
        EXPECT_EQ(bad.Wait(kWaitMs), c.ExitCode);
        EXPECT_TRUE(err.starts_with("tarvik-sim: ")) << err;
        EXPECT_NE(err.find(c.Message), std::string::npos) << err;
    }
}

TEST_F(SimEndToEndTest, PseudoTerminalSurvivesTheStationReopeningIt)
{
    const std::string link = Dir.Path("camera");
    ASSERT_TRUE(StartSim(Sim, {"--pty", "--link", link, "--json", "--echo"}));
    const std::optional<std::string> pty = Sim.WaitForLine(JsonType("pty"), kWaitMs);
    ASSERT_TRUE(pty) << Sim.Stderr(100);
    const std::string path = Json(*pty)["path"].toString().toStdString();
    ASSERT_TRUE(path.starts_with("/dev/pts/")) << *pty;
    EXPECT_EQ(Json(*pty)["link"].toString().toStdString(), link);
    ASSERT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), path);

    {
        const TUniqueFd port = OpenStationPort(link);
        ASSERT_TRUE(Sim.WaitForLine(JsonType("connected"), kWaitMs));
        WriteAll(port.Get(), Bytes("12 FF 01 00 02 20 00 23 FF 01 00 02 20 00 24"));

        const size_t before = Sim.StdoutLines().size();
        const std::optional<std::string> fault = Sim.WaitForLine(JsonType("fault"), kWaitMs);
        ASSERT_TRUE(fault);
        ASSERT_TRUE(Sim.WaitForLine(JsonType("garbage"), kWaitMs)) << "the rest of the bad candidate";
        const std::vector<std::string> lines(Sim.StdoutLines().begin() + static_cast<std::ptrdiff_t>(before),
                                             Sim.StdoutLines().end());
        std::vector<QString> types;
        for (const std::string& l : lines)
            types.push_back(Json(l)["type"].toString());
        EXPECT_EQ(types, (std::vector<QString>{"garbage", "frame", "fault", "garbage"}));
        const QJsonObject frame = Json(lines[1]);
        EXPECT_EQ(frame["bytes"].toString(), "FF 01 00 02 20 00 23");
        EXPECT_EQ(frame["description"].toString(), "right 32");
        EXPECT_EQ(frame["state"].toObject()["pan_speed"].toInt(), 32);
        EXPECT_EQ(Json(*fault)["message"].toString(), "Frame checksum incorrect");

        EXPECT_EQ(Hex(ReadBytes(port.Get(), 7, kWaitMs)), "FF 01 00 02 20 00 23") << "the good frame echoed";
    }
    ASSERT_TRUE(Sim.WaitForLine(JsonType("disconnected"), kWaitMs));

    {
        const TUniqueFd port = OpenStationPort(path);
        ASSERT_TRUE(Sim.WaitForLine(JsonType("connected"), kWaitMs));
        WriteAll(port.Get(), Bytes("FF 01 00"));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        WriteAll(port.Get(), Bytes("00 00 00 01"));
        const std::optional<std::string> frame = Sim.WaitForLine(JsonType("frame"), kWaitMs);
        ASSERT_TRUE(frame);
        EXPECT_EQ(Json(*frame)["description"].toString(), "stop");
        EXPECT_FALSE(Json(*frame)["state"].toObject()["moving"].toBool());
        EXPECT_EQ(Hex(ReadBytes(port.Get(), 7, kWaitMs)), "FF 01 00 00 00 00 01");
    }

    Sim.Signal(SIGTERM);
    const std::optional<std::string> summaryLine = Sim.WaitForLine(JsonType("summary"), kWaitMs);
    ASSERT_TRUE(summaryLine);
    EXPECT_EQ(Sim.Wait(kWaitMs), 0);
    const QJsonObject summary = Json(*summaryLine);
    EXPECT_EQ(summary["frames"].toInt(), 2);
    EXPECT_EQ(summary["garbage_bytes"].toInt(), 8);
    EXPECT_EQ(summary["checksum_faults"].toInt(), 1);
    EXPECT_EQ(summary["connections"].toInt(), 2);
    EXPECT_EQ(summary["commands"].toObject()["right"].toInt(), 1);
    EXPECT_EQ(summary["commands"].toObject()["stop"].toInt(), 1);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link))) << "the link goes at exit";
}

TEST_F(SimEndToEndTest, LoopbackTcpServesOneStationAtATimeAndFiltersByAddress)
{
    ASSERT_TRUE(StartSim(Sim, {"--tcp", "127.0.0.1:0", "--address", "2"}));
    const uint16_t port = ListeningPort(Sim);
    ASSERT_NE(port, 0);

    {
        const TUniqueFd station = ConnectLoopback(port);
        ASSERT_TRUE(Sim.WaitForLine(Contains("Station connected from 127.0.0.1"), kWaitMs));

        const TUniqueFd second = ConnectLoopback(port);
        ASSERT_TRUE(Sim.WaitForLine(Contains("Refused a second connection from 127.0.0.1"), kWaitMs));
        uint8_t byte = 0;
        pollfd p{second.Get(), POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, kWaitMs), 1);
        EXPECT_LE(::recv(second.Get(), &byte, 1, 0), 0) << "the second station is closed at once";

        // Device 2 in Pelco-P is address 1, split across two sends; then a
        // Pelco-D frame for device 1.
        WriteAll(station.Get(), Bytes("A0 01 00 02"));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        WriteAll(station.Get(), Bytes("20 00 AF 2C FF 01 00 00 00 00 01"));
        const std::optional<std::string> right = Sim.WaitForLine(Contains("A0 01 00 02 20 00 AF 2C"), kWaitMs);
        ASSERT_TRUE(right);
        EXPECT_NE(right->find("Pelco-P id 2: right 32 | pan "), std::string::npos) << *right;
        EXPECT_NE(right->find("moving: pan +32/s"), std::string::npos) << *right;
        const std::optional<std::string> stop = Sim.WaitForLine(Contains("FF 01 00 00 00 00 01"), kWaitMs);
        ASSERT_TRUE(stop);
        EXPECT_NE(stop->find("Pelco-D id 1: stop - not for me"), std::string::npos) << *stop;
        EXPECT_NE(stop->find("moving: pan +32/s"), std::string::npos) << "a stop for another device stops nothing";
    }
    ASSERT_TRUE(Sim.WaitForLine(Contains("Station disconnected; waiting for the next connection"), kWaitMs));
    {
        const TUniqueFd station = ConnectLoopback(port);
        ASSERT_TRUE(Sim.WaitForLine(Contains("Station connected from 127.0.0.1"), kWaitMs));
    }

    Sim.Signal(SIGTERM);
    const std::vector<std::string> rest = Sim.ReadRemainingLines(kWaitMs);
    EXPECT_EQ(Sim.Wait(kWaitMs), 0);
    EXPECT_TRUE(AnyLineContains(rest, "Frames: 2 (Pelco-D 1, Pelco-P 1), not for me: 1"));
    EXPECT_TRUE(AnyLineContains(rest, "Commands: right 1"));
    EXPECT_TRUE(AnyLineContains(rest, "Connections: 2"));
}

TEST_F(SimEndToEndTest, SendsTheMacroWhenTheStationConnectsAndQuietPrintsOnlyTheSummary)
{
    const std::string macro = Dir.Write("demo.macro", "10 FF 01 00 07 00 05 0D\r\n20 A0 00 00 00 00 00 AF 0F\r\n");
    ASSERT_TRUE(StartSim(Sim, {"--tcp", "127.0.0.1:0", "--send", macro, "--quiet"}));
    const uint16_t port = ListeningPort(Sim);
    ASSERT_NE(port, 0);

    const TUniqueFd station = ConnectLoopback(port);
    EXPECT_EQ(Hex(ReadBytes(station.Get(), 15, kWaitMs)), "FF 01 00 07 00 05 0D A0 00 00 00 00 00 AF 0F");
    WriteAll(station.Get(), Bytes("FF 01 00 20 00 00 21"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    Sim.Signal(SIGINT);
    const std::vector<std::string> rest = Sim.ReadRemainingLines(kWaitMs);
    EXPECT_EQ(Sim.Wait(kWaitMs), 0);
    ASSERT_FALSE(rest.empty());
    EXPECT_TRUE(rest[0].starts_with("Summary after")) << rest[0];
    EXPECT_FALSE(AnyLineContains(rest, "<<"));
    EXPECT_FALSE(AnyLineContains(rest, ">>"));
    EXPECT_TRUE(AnyLineContains(rest, "macro steps sent: 2"));
    EXPECT_TRUE(AnyLineContains(rest, "Commands: zoom in 1"));
}

} // namespace
