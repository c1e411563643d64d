#include "transport/tcomsocket.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include "common/str_to_int.h"
#include "common/tick.h"
#include "transport/serial_line.h"
#include "transport/system_error.h"

namespace {

constexpr uint64_t kDefaultWriteConstantMs = 100;
constexpr uint64_t kDefaultWriteMultiplierMs = 10;

// Closes the descriptor unless released: keeps a half-done Open from leaking it.
class TUniqueFd {
public:
    explicit TUniqueFd(int fd) : Fd(fd) {}
    ~TUniqueFd()
    {
        if (Fd >= 0)
            close(Fd);
    }
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;

    [[nodiscard]] int Get() const { return Fd; }
    [[nodiscard]] int Release() { return std::exchange(Fd, -1); }

private:
    int Fd;
};

bool Fail(int code)
{
    SetLastSystemError(code);
    return false;
}

// A device that vanished (USB pulled, pseudo-terminal master closed).
bool IsDeviceGone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

// The number a device path ends in, so "/dev/ttyUSB1" still has a port number.
int32_t TrailingNumber(const std::string& path)
{
    size_t start = path.size();
    while (start > 0 && path[start - 1] >= '0' && path[start - 1] <= '9')
        --start;
    return std::max(StrToIntDef(std::string_view(path).substr(start), 0), 0);
}

// The terminal the system writes its console to (and /dev/console, /dev/tty
// themselves). Raw mode on it would garble the system's messages, and no
// lock or exclusive flag keeps us off it, so it is never taken as a port.
bool IsSystemConsole(const std::string& path)
{
    struct stat device{};
    if (stat(path.c_str(), &device) != 0 || !S_ISCHR(device.st_mode))
        return false;
    if (device.st_rdev == makedev(5, 0) || device.st_rdev == makedev(5, 1))
        return true;
    std::ifstream active("/sys/class/tty/console/active");
    std::string name;
    while (active >> name) {
        unsigned major = 0;
        unsigned minor = 0;
        char colon = 0;
        std::ifstream numbers("/sys/class/tty/" + name + "/dev");
        if (numbers >> major >> colon >> minor && colon == ':' && device.st_rdev == makedev(major, minor))
            return true;
    }
    return false;
}

} // namespace

TCOMSocket::~TCOMSocket()
{
    Close();
}

bool TCOMSocket::SetPortName(const std::string& name)
{
    if (IsOpen())
        return false;
    // A NUL would cut the path short and open some other device.
    if (name.find('\0') != std::string::npos)
        return false;
    if (name.starts_with('/')) {
        Device = name;
        PortNumber = TrailingNumber(name);
        return true;
    }
    if (!name.starts_with("COM"))
        return false;
    PortNumber = StrToIntDef(std::string_view(name).substr(3), 0);
    // A negative number names no device, so it is refused like 0.
    if (PortNumber <= 0) {
        Device.clear();
        return false;
    }
    Device = "/dev/ttyS" + std::to_string(PortNumber - 1);
    return true;
}

bool TCOMSocket::Open()
{
    Close();
    if (Device.empty())
        return Fail(ENOENT);
    if (IsSystemConsole(Device))
        return Fail(EBUSY);
    TUniqueFd fd(open(Device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0)
        return Fail(errno);
    // The lock comes before any line change, so a port in use by another
    // program is refused before its settings are disturbed. TIOCEXCL alone
    // does not stop a privileged second opener.
    if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
        return Fail(errno == EWOULDBLOCK ? EBUSY : errno);
    if (ioctl(fd.Get(), TIOCEXCL) != 0)
        return Fail(errno);
    // Opening raises DTR and RTS; the positioner's line must not see them.
    if (!ApplyRawMode(fd.Get()) || !SetModemLines(fd.Get(), false, false)) {
        const int error = errno;
        ioctl(fd.Get(), TIOCNXCL);
        return Fail(error);
    }
    Handle = fd.Release();
    AppliedTimeouts = {};
    return true;
}

bool TCOMSocket::Close()
{
    if (!IsOpen())
        return true;
    // The descriptor is released by close() even when it reports an error,
    // so the port counts as closed either way; keeping the number would
    // later close whatever reused it.
    const int fd = std::exchange(Handle, -1);
    ioctl(fd, TIOCNXCL);
    flock(fd, LOCK_UN);
    if (close(fd) != 0 && errno != EINTR)
        return Fail(errno);
    return true;
}

bool TCOMSocket::GetState()
{
    if (!IsOpen())
        return Fail(EBADF);
    return ReadLineSettings(Handle, DCB) || Fail(errno);
}

bool TCOMSocket::SetState()
{
    if (!IsOpen())
        return Fail(EBADF);
    return ApplyLineSettings(Handle, DCB) || Fail(errno);
}

bool TCOMSocket::SetTimeouts()
{
    if (!IsOpen())
        return Fail(EBADF);
    AppliedTimeouts = Timeouts;
    return true;
}

bool TCOMSocket::SetupBuffers()
{
    // The tty layer sizes its own buffers; there is nothing to ask for.
    if (!IsOpen())
        return Fail(EBADF);
    return true;
}

uint32_t TCOMSocket::BytesWaiting()
{
    if (!IsOpen()) {
        SetLastSystemError(EBADF);
        return 0;
    }
    int waiting = 0;
    if (ioctl(Handle, FIONREAD, &waiting) != 0) {
        SetLastSystemError(errno);
        return 0;
    }
    Status.cbInQue = static_cast<uint32_t>(std::max(waiting, 0));
    return Status.cbInQue;
}

size_t TCOMSocket::Read(void* buffer, size_t count)
{
    if (!IsOpen() || buffer == nullptr || count == 0) {
        SetLastSystemError(IsOpen() ? EINVAL : EBADF);
        return 0;
    }
    const uint32_t waiting = BytesWaiting();
    if (waiting == 0)
        return 0;
    for (;;) {
        const ssize_t got = read(Handle, buffer, std::min<size_t>(count, waiting));
        if (got > 0)
            return static_cast<size_t>(got);
        if (got < 0 && errno == EINTR)
            continue;
        SetLastSystemError(got < 0 ? errno : EIO);
        return 0;
    }
}

uint64_t TCOMSocket::WriteTimeLimitMs(size_t count) const
{
    uint64_t constant = AppliedTimeouts.WriteTotalTimeoutConstant;
    uint64_t multiplier = AppliedTimeouts.WriteTotalTimeoutMultiplier;
    // No limit at all would let a stalled port freeze the window.
    if (constant == 0 && multiplier == 0) {
        constant = kDefaultWriteConstantMs;
        multiplier = kDefaultWriteMultiplierMs;
    }
    return constant + multiplier * count;
}

size_t TCOMSocket::Write(const void* buffer, size_t count)
{
    if (!IsOpen() || buffer == nullptr || count == 0) {
        SetLastSystemError(IsOpen() ? EINVAL : EBADF);
        return 0;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(WriteTimeLimitMs(count));
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    size_t written = 0;
    while (written < count) {
        const ssize_t sent = write(Handle, bytes + written, count - written);
        if (sent > 0) {
            written += static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            SetLastSystemError(errno);
            return IsDeviceGone(errno) ? 0 : written;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            SetLastSystemError(ETIMEDOUT);
            return written;
        }
        pollfd ready{Handle, POLLOUT, 0};
        const int polled = poll(&ready, 1, static_cast<int>(std::min<int64_t>(left, 60'000)));
        if (polled < 0 && errno != EINTR) {
            SetLastSystemError(errno);
            return written;
        }
        if (polled > 0 && (ready.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            SetLastSystemError(EIO);
            return 0;
        }
    }
    return written;
}

bool TCOMSocket::WaitForBytes(uint32_t count, uint32_t timeoutMs, uint32_t* elapsedMs, uint32_t pollMs)
{
    // Nothing can arrive on a closed port; waiting would only block the caller.
    if (!IsOpen())
        return Fail(EBADF);
    const uint32_t start = GetTickCount();
    for (;;) {
        // The deadline comes first, so a time-out of 0 is always false.
        const uint32_t now = GetTickCount();
        if (now - start >= timeoutMs)
            return Fail(ETIMEDOUT);
        if (BytesWaiting() >= count) {
            if (elapsedMs != nullptr)
                *elapsedMs = now - start;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
}

void WriteLineSettings(TCOMSocket& port, uint32_t baudRate)
{
    constexpr uint32_t kQueueSize = 1024;
    constexpr uint32_t kReadIntervalTimeoutMs = 100;
    constexpr uint32_t kTimeoutPerByteMs = 10;
    constexpr uint32_t kTimeoutConstantMs = 100;

    port.DCB.BaudRate = baudRate;
    port.DCB.ByteSize = 8;
    port.DCB.Parity = 0;
    port.DCB.StopBits = 0;
    port.DCB.fBinary = true;
    port.DCB.fDtrControl = 0;
    port.DCB.fRtsControl = 0;
    port.DCB.fOutxCtsFlow = false;
    port.DCB.fOutxDsrFlow = false;
    port.DCB.fDsrSensitivity = false;
    port.DCB.fOutX = false;
    port.DCB.fInX = false;
    port.DCB.fErrorChar = false;
    port.DCB.fNull = false;
    port.DCB.fAbortOnError = false;
    port.InQueueSize = kQueueSize;
    port.OutQueueSize = kQueueSize;
    port.Timeouts.ReadIntervalTimeout = kReadIntervalTimeoutMs;
    port.Timeouts.ReadTotalTimeoutMultiplier = kTimeoutPerByteMs;
    port.Timeouts.ReadTotalTimeoutConstant = kTimeoutConstantMs;
    port.Timeouts.WriteTotalTimeoutMultiplier = kTimeoutPerByteMs;
    port.Timeouts.WriteTotalTimeoutConstant = kTimeoutConstantMs;
}
