#include "transport/tcomsocket.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <termios.h>
#include <thread>

#include "support/bytes.h"
#include "support/elapsed.h"
#include "support/pty_pair.h"
#include "support/temp_folder.h"
#include "transport/system_error.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Runs the connect sequence the window uses: read, set 8N1 at `rate` with no
// handshake, apply, buffers, time-outs, read back.
bool ApplyLineSettings(TCOMSocket& port, uint32_t rate)
{
    if (!port.GetState())
        return false;
    WriteLineSettings(port, rate);
    return port.SetState() && port.SetupBuffers() && port.SetTimeouts() && port.GetState();
}

class SerialPortTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Port.SetPortName(Pty.SlavePath()));
        ASSERT_TRUE(Port.Open()) << GetSystemErrorText(GetLastSystemError(), "?");
        ASSERT_TRUE(ApplyLineSettings(Port, 9600));
    }

    // Bytes from the master reach the slave's queue a moment later.
    void WaitQueued(uint32_t count) { ASSERT_TRUE(Port.WaitForBytes(count, 2000, nullptr, 5)); }

    TPtyPair Pty;
    TCOMSocket Port;
};

struct PortNameCase {
    const char* Name;
    bool Accepted;
    int32_t Number;
    const char* Device;
};

TEST(SerialPortNameTest, ParsesNamesAsTheWindowTypesThem)
{
    const PortNameCase cases[] = {
        {"COM3", true, 3, "/dev/ttyS2"},
        {"COM03", true, 3, "/dev/ttyS2"},
        {"COM 3", true, 3, "/dev/ttyS2"},
        {"COM1", true, 1, "/dev/ttyS0"},
        {"COM$A", true, 10, "/dev/ttyS9"},
        {"COM0", false, 0, ""},
        {"COM", false, 0, ""},
        {"COMx", false, 0, ""},
        {"COM3 ", false, 0, ""},
        {"COM-3", false, -3, ""},
        {"/dev/pts/7", true, 7, "/dev/pts/7"},
        {"/dev/ttyUSB0", true, 0, "/dev/ttyUSB0"},
        {"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", true, 0, "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"},
    };
    for (const PortNameCase& entry : cases) {
        TCOMSocket port;
        EXPECT_EQ(port.SetPortName(entry.Name), entry.Accepted) << entry.Name;
        EXPECT_EQ(port.PortNumber, entry.Number) << entry.Name;
        EXPECT_EQ(port.DevicePath(), entry.Device) << entry.Name;
    }
}

TEST(SerialPortNameTest, RefusedNameChangesNothing)
{
    const char* refused[] = {"com3", "Com3", "", "ttyS0", "dev/ttyS0"};
    for (const char* name : refused) {
        TCOMSocket port;
        ASSERT_TRUE(port.SetPortName("COM5"));
        EXPECT_FALSE(port.SetPortName(name)) << name;
        EXPECT_EQ(port.PortNumber, 5) << name;
        EXPECT_EQ(port.DevicePath(), "/dev/ttyS4") << name;
    }
    TCOMSocket port;
    EXPECT_FALSE(port.SetPortName(std::string("/dev/pts/1\0/x", 13)));
}

TEST(SerialPortClosedTest, EveryOperationReportsTheClosedPort)
{
    TCOMSocket port;
    uint8_t buffer[8] = {1, 2, 3};
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.BytesWaiting(), 0u);
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(port.Write(buffer, 3), 0u);
    EXPECT_FALSE(port.GetState());
    EXPECT_FALSE(port.SetState());
    EXPECT_FALSE(port.SetTimeouts());
    EXPECT_FALSE(port.SetupBuffers());
    const auto start = Clock::now();
    EXPECT_FALSE(port.WaitForBytes(1, 1000, nullptr, 10));
    EXPECT_LT(MillisecondsSince(start), 500);
    EXPECT_TRUE(port.Close());
}

TEST(SerialPortClosedTest, OpenWithoutAPortFails)
{
    TCOMSocket port;
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.SetPortName("COM0"));
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(GetLastSystemError(), ENOENT);
}

TEST(SerialPortClosedTest, DeviceThatIsNoTerminalIsRefused)
{
    TCOMSocket port;
    ASSERT_TRUE(port.SetPortName("/dev/null"));
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(GetLastSystemError(), ENOTTY);
}

TEST(SerialPortClosedTest, MissingDeviceGivesItsErrorText)
{
    TCOMSocket port;
    ASSERT_TRUE(port.SetPortName("/dev/tarvik-no-such-port"));
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(GetSystemErrorText(GetLastSystemError(), "?"), "No such file or directory");
}

TEST(SerialPortConsoleTest, SystemConsoleIsNeverTakenAsAPort)
{
    // Checked before anything is opened, so the console is not touched.
    for (const char* path : {"/dev/console", "/dev/tty"}) {
        TCOMSocket port;
        ASSERT_TRUE(port.SetPortName(path));
        EXPECT_FALSE(port.Open()) << path;
        EXPECT_FALSE(port.IsOpen()) << path;
    }
    std::ifstream active("/sys/class/tty/console/active");
    std::string name;
    while (active >> name) {
        if (!name.starts_with("ttyS") || !std::filesystem::exists("/dev/" + name))
            continue;
        TCOMSocket port;
        ASSERT_TRUE(port.SetPortName("/dev/" + name));
        EXPECT_FALSE(port.Open()) << name;
        EXPECT_EQ(GetLastSystemError(), EBUSY) << name;
    }
}

TEST_F(SerialPortTest, RateSetFromOutsideReadsBack)
{
    termios line{};
    ASSERT_EQ(tcgetattr(Pty.SlaveFd(), &line), 0);
    cfsetspeed(&line, B19200);
    ASSERT_EQ(tcsetattr(Pty.SlaveFd(), TCSANOW, &line), 0);
    ASSERT_TRUE(Port.GetState());
    EXPECT_EQ(Port.DCB.BaudRate, 19200u);
}

TEST_F(SerialPortTest, NameIsRefusedWhileOpen)
{
    EXPECT_FALSE(Port.SetPortName("COM3"));
    EXPECT_FALSE(Port.SetPortName("/dev/pts/0"));
    EXPECT_EQ(Port.DevicePath(), Pty.SlavePath());
    ASSERT_TRUE(Port.Close());
    EXPECT_TRUE(Port.SetPortName("COM3"));
}

TEST_F(SerialPortTest, EveryRateOfTheListAppliesAndReadsBack)
{
    const uint32_t rates[] = {1200,  2400,  4800,  7200,   9600,   14400,  19200, 28800,
                              38400, 56000, 57600, 115200, 230400, 460800, 921600};
    for (uint32_t rate : rates) {
        ASSERT_TRUE(ApplyLineSettings(Port, rate)) << rate;
        EXPECT_EQ(Port.DCB.BaudRate, rate);
        TDCB fresh;
        fresh.BaudRate = 1;
        Port.DCB = fresh;
        ASSERT_TRUE(Port.GetState());
        EXPECT_EQ(Port.DCB.BaudRate, rate);
    }
}

TEST_F(SerialPortTest, LineIsRawEightNoneOneWithoutFlowControl)
{
    EXPECT_EQ(Port.DCB.ByteSize, 8);
    EXPECT_EQ(Port.DCB.Parity, 0);
    EXPECT_EQ(Port.DCB.StopBits, 0);
    EXPECT_FALSE(Port.DCB.fOutxCtsFlow);
    EXPECT_FALSE(Port.DCB.fOutX);
    EXPECT_FALSE(Port.DCB.fInX);

    // Seen from outside, through the C library's view of the same line.
    termios line{};
    ASSERT_EQ(tcgetattr(Pty.SlaveFd(), &line), 0);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS | HUPCL), 0u);
    EXPECT_NE(line.c_cflag & CLOCAL, 0u);
    EXPECT_NE(line.c_cflag & CREAD, 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
}

TEST_F(SerialPortTest, TwoStopBitsApplyAndReadBack)
{
    Port.DCB.StopBits = 2;
    ASSERT_TRUE(Port.SetState());
    Port.DCB = TDCB{};
    ASSERT_TRUE(Port.GetState());
    EXPECT_EQ(Port.DCB.StopBits, 2);
    EXPECT_EQ(Port.DCB.ByteSize, 8);
}

TEST_F(SerialPortTest, FramingTheDriverReplacesIsAFailure)
{
    // A pseudo-terminal frames every byte as 8 bits without parity.
    struct Framing {
        uint8_t ByteSize;
        uint8_t Parity;
    };
    const Framing framings[] = {{7, 2}, {7, 1}, {8, 3}, {8, 4}, {6, 0}};
    for (const Framing& framing : framings) {
        ASSERT_TRUE(ApplyLineSettings(Port, 38400));
        Port.DCB.ByteSize = framing.ByteSize;
        Port.DCB.Parity = framing.Parity;
        EXPECT_FALSE(Port.SetState());
        EXPECT_EQ(GetLastSystemError(), EINVAL);
        Port.DCB = TDCB{};
        ASSERT_TRUE(Port.GetState());
        EXPECT_EQ(Port.DCB.ByteSize, 8);
        EXPECT_EQ(Port.DCB.Parity, 0);
        EXPECT_EQ(Port.DCB.BaudRate, 38400u) << "the line is left as it was";
    }
}

TEST_F(SerialPortTest, SettingsThisPlatformCannotHonourAreRefused)
{
    // A rate of 0 would hang up the line; DSR handshake has no equivalent.
    const auto refuse = [this](auto change) {
        ASSERT_TRUE(ApplyLineSettings(Port, 19200));
        change(Port.DCB);
        EXPECT_FALSE(Port.SetState());
        EXPECT_EQ(GetLastSystemError(), EINVAL);
        ASSERT_TRUE(Port.GetState());
        EXPECT_EQ(Port.DCB.BaudRate, 19200u);
    };
    refuse([](TDCB& dcb) { dcb.BaudRate = 0; });
    refuse([](TDCB& dcb) { dcb.ByteSize = 9; });
    refuse([](TDCB& dcb) { dcb.StopBits = 1; });
    refuse([](TDCB& dcb) { dcb.Parity = 5; });
    refuse([](TDCB& dcb) { dcb.fOutxDsrFlow = true; });
}

TEST_F(SerialPortTest, FrameIsWrittenByteExact)
{
    // Bytes a cooked line would translate or act on: CR, LF, XON, XOFF, ^C, DEL.
    const std::vector<uint8_t> frame = Bytes("FF 0A 0D 11 13 03 7F 00 FF");
    EXPECT_EQ(Port.Write(frame.data(), frame.size()), frame.size());
    EXPECT_EQ(Hex(Pty.ReadMaster(frame.size())), Hex(frame));
}

TEST_F(SerialPortTest, FrameIsReadByteExact)
{
    const std::vector<uint8_t> frame = Bytes("A0 0D 0A 11 13 03 7F 00 AF 04");
    Pty.WriteMaster(frame);
    WaitQueued(static_cast<uint32_t>(frame.size()));
    EXPECT_EQ(Port.BytesWaiting(), frame.size());
    std::vector<uint8_t> got(frame.size());
    ASSERT_EQ(Port.Read(got.data(), got.size()), frame.size());
    EXPECT_EQ(Hex(got), Hex(frame));
}

TEST_F(SerialPortTest, ReadTakesOnlyWhatIsWaiting)
{
    uint8_t buffer[100] = {};
    EXPECT_EQ(Port.BytesWaiting(), 0u);
    EXPECT_EQ(Port.Read(buffer, sizeof buffer), 0u);

    Pty.WriteMaster(Bytes("01 02 03"));
    WaitQueued(3);
    EXPECT_EQ(Port.BytesWaiting(), 3u);
    EXPECT_EQ(Port.Status.cbInQue, 3u);
    EXPECT_EQ(Port.Read(buffer, 100), 3u);
    EXPECT_EQ(Hex(buffer, 3), "01 02 03");
    EXPECT_EQ(Port.BytesWaiting(), 0u);

    Pty.WriteMaster(Bytes("04 05 06"));
    WaitQueued(3);
    EXPECT_EQ(Port.Read(buffer, 2), 2u);
    EXPECT_EQ(Port.Read(buffer + 2, 100), 1u);
    EXPECT_EQ(Hex(buffer, 3), "04 05 06");
    EXPECT_EQ(Port.Read(nullptr, 10), 0u);
    EXPECT_EQ(Port.Read(buffer, 0), 0u);
}

TEST_F(SerialPortTest, WaitForBytesReturnsAsSoonAsTheyWait)
{
    std::thread device([this] {
        std::this_thread::sleep_for(50ms);
        Pty.WriteMaster(Bytes("FF 01 00 08 00 20"));
    });
    uint32_t elapsed = 0;
    const auto start = Clock::now();
    const bool arrived = Port.WaitForBytes(6, 3000, &elapsed, 10);
    const int64_t waited = MillisecondsSince(start);
    device.join();
    EXPECT_TRUE(arrived);
    EXPECT_GE(elapsed, 40u);
    EXPECT_LT(waited, 2000);
    EXPECT_LE(elapsed, static_cast<uint32_t>(waited) + 1);
}

TEST_F(SerialPortTest, WaitForBytesGivesUpAfterTheTimeOut)
{
    Pty.WriteMaster(Bytes("FF 01"));
    const auto start = Clock::now();
    EXPECT_FALSE(Port.WaitForBytes(6, 100, nullptr, 10));
    const int64_t waited = MillisecondsSince(start);
    EXPECT_GE(waited, 95);
    EXPECT_LT(waited, 500);
}

TEST_F(SerialPortTest, WaitForBytesWithTimeOutZeroIsFalseAtOnce)
{
    Pty.WriteMaster(Bytes("FF 01 00 08 00 20 29"));
    WaitQueued(7);
    const auto start = Clock::now();
    EXPECT_FALSE(Port.WaitForBytes(6, 0, nullptr, 10));
    EXPECT_LT(MillisecondsSince(start), 50);
}

TEST_F(SerialPortTest, WriteGivesUpAfterItsTimeOutAndReportsWhatWent)
{
    // Nobody reads the master, so the line's buffers fill up.
    Port.Timeouts.WriteTotalTimeoutConstant = 150;
    Port.Timeouts.WriteTotalTimeoutMultiplier = 0;
    ASSERT_TRUE(Port.SetTimeouts());
    const std::vector<uint8_t> flood(1 << 20, 0x55);
    const auto start = Clock::now();
    const size_t written = Port.Write(flood.data(), flood.size());
    const int64_t waited = MillisecondsSince(start);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, flood.size());
    EXPECT_EQ(GetLastSystemError(), ETIMEDOUT);
    EXPECT_GE(waited, 140);
    EXPECT_LT(waited, 2000);
}

TEST_F(SerialPortTest, SecondOpenIsRefusedUntilTheFirstCloses)
{
    TCOMSocket second;
    ASSERT_TRUE(second.SetPortName(Pty.SlavePath()));
    EXPECT_FALSE(second.Open());
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(GetSystemErrorText(GetLastSystemError(), "?"), "Device or resource busy");
    EXPECT_TRUE(Port.IsOpen());

    ASSERT_TRUE(Port.Close());
    EXPECT_TRUE(second.Open()) << GetSystemErrorText(GetLastSystemError(), "?");
    EXPECT_FALSE(Port.Open());
    ASSERT_TRUE(second.Close());
    EXPECT_TRUE(Port.Open());
}

TEST_F(SerialPortTest, OpenOnAnOpenPortReopensIt)
{
    const int before = Port.Handle;
    EXPECT_TRUE(Port.Open());
    EXPECT_TRUE(Port.IsOpen());
    EXPECT_GE(Port.Handle, 0);
    // The old descriptor went back to the system.
    EXPECT_TRUE(before == Port.Handle || fcntl(before, F_GETFD) < 0);
    ASSERT_TRUE(ApplyLineSettings(Port, 4800));
    const std::vector<uint8_t> frame = Bytes("FF 01 00 00 00 00 01");
    EXPECT_EQ(Port.Write(frame.data(), frame.size()), frame.size());
    EXPECT_EQ(Hex(Pty.ReadMaster(frame.size())), Hex(frame));
}

TEST_F(SerialPortTest, VanishedDeviceGivesNothingAndNeverSpins)
{
    Pty.WriteMaster(Bytes("01 02"));
    WaitQueued(2);
    uint8_t buffer[16] = {};
    ASSERT_EQ(Port.Read(buffer, 1), 1u);

    Pty.CloseMaster();
    Pty.ReleaseSlave();

    rusage before{};
    getrusage(RUSAGE_THREAD, &before);
    const auto start = Clock::now();
    for (int pass = 0; pass < 3; ++pass) {
        (void)Port.BytesWaiting();
        (void)Port.Read(buffer, sizeof buffer);
        EXPECT_FALSE(Port.WaitForBytes(6, 100, nullptr, 10));
    }
    const int64_t waited = MillisecondsSince(start);
    rusage after{};
    getrusage(RUSAGE_THREAD, &after);
    const auto cpuMs = [](const rusage& usage) {
        return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000
               + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
    };
    EXPECT_GE(waited, 280);
    EXPECT_LT(cpuMs(after) - cpuMs(before), waited / 2);

    const std::vector<uint8_t> frame = Bytes("FF 01 00 00 00 00 01");
    const auto writeStart = Clock::now();
    EXPECT_EQ(Port.Write(frame.data(), frame.size()), 0u);
    EXPECT_LT(MillisecondsSince(writeStart), 500);
    EXPECT_TRUE(Port.Close());
    EXPECT_FALSE(Port.IsOpen());
}

// A fake /sys/class/tty, removed again at the end.
class FakeSysfs {
public:
    void AddTty(const std::string& name, bool withDevice, const char* type = nullptr) const
    {
        const std::filesystem::path entry = Root.Path(name);
        std::filesystem::create_directories(entry);
        if (withDevice)
            std::filesystem::create_directory(entry / "device");
        if (type != nullptr)
            std::ofstream(entry / "type") << type << "\n";
    }

    [[nodiscard]] std::string Path() const { return Root.Path(); }

private:
    TTempFolder Root;
};

TEST(SerialPortListTest, ListsPortsWithADeviceInNumericOrder)
{
    FakeSysfs sysfs;
    sysfs.AddTty("ttyS10", true, "4");
    sysfs.AddTty("ttyS2", true, "4");
    sysfs.AddTty("ttyS1", true, "4");
    sysfs.AddTty("ttyS0", true, "0"); // a placeholder without a UART
    sysfs.AddTty("ttyUSB0", true);
    sysfs.AddTty("ttyACM0", true);
    sysfs.AddTty("ttyUSB12", true);
    sysfs.AddTty("tty5", false);
    sysfs.AddTty("console", false);
    sysfs.AddTty("ptmx", false);
    sysfs.AddTty("ttyS3", true, "4"); // the system console, below
    std::ofstream(std::filesystem::path(sysfs.Path()) / "console" / "active") << "tty0 ttyS3\n";

    std::vector<std::string> list = {"stale entry"};
    ListCOMPorts(list, sysfs.Path());
    const std::vector<std::string> expected = {"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyS1",
                                               "/dev/ttyS2",   "/dev/ttyS10",  "/dev/ttyUSB12"};
    EXPECT_EQ(list, expected);
}

TEST(SerialPortListTest, RealTreeListsOnlyDevicePaths)
{
    std::vector<std::string> list;
    ListCOMPorts(list);
    for (const std::string& port : list)
        EXPECT_TRUE(port.starts_with("/dev/")) << port;
}

TEST(SerialPortListTest, MissingTreeGivesAnEmptyList)
{
    std::vector<std::string> list = {"/dev/ttyS0"};
    ListCOMPorts(list, "/tmp/tarvik-no-such-sysfs");
    EXPECT_TRUE(list.empty());
}

} // namespace
