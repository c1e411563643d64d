#include "transport/tipsocket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "transport/system_error.h"

namespace {

static_assert(TIPSocket::kShutdownSend == SHUT_WR && TIPSocket::kShutdownBoth == SHUT_RDWR);

bool Fail(int code)
{
    SetLastSystemError(code);
    return false;
}

sockaddr_in AddressOf(const TIPEndpoint& endpoint)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = endpoint.IPAddress;
    address.sin_port = htons(endpoint.Port);
    return address;
}

// poll() that survives signals and waits longer than an int of milliseconds.
// Returns the number of ready descriptors, 0 on time-out, -1 on error.
int PollFor(pollfd* fds, nfds_t count, uint32_t timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const int slice = static_cast<int>(std::clamp<int64_t>(left, 0, INT_MAX));
        const int ready = poll(fds, count, slice);
        if (ready > 0)
            return ready;
        if (ready < 0 && errno != EINTR)
            return -1;
        if (ready == 0 && slice >= left)
            return 0;
    }
}

// What a readiness wait reports ready: data, a peer close or a pending error,
// each of which the next receive or send turns into a result.
constexpr short kReadableEvents = POLLIN | POLLHUP | POLLERR | POLLRDHUP;
constexpr short kWritableEvents = POLLOUT | POLLHUP | POLLERR;

bool IsRetryable(int error)
{
    return error == EINTR || error == EAGAIN || error == EWOULDBLOCK;
}

} // namespace

TIPSocket::~TIPSocket()
{
    Close();
}

bool TIPSocket::CreateSocket()
{
    Close();
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0)
        return Fail(errno);
    Socket = fd;
    Active = true;
    Peer = 0;
    return true;
}

void TIPSocket::Close()
{
    Active = false;
    if (Socket < 0)
        return;
    shutdown(Socket, SHUT_RDWR);
    close(Socket);
    Socket = -1;
}

bool TIPSocket::Connect(const TIPEndpoint& endpoint, uint32_t timeoutMs)
{
    if (Socket < 0)
        return Fail(EBADF);
    const sockaddr_in address = AddressOf(endpoint);
    if (!SetBlocking(false))
        return false;

    int error = 0;
    if (connect(Socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = errno;
        // After EINTR the connect goes on in the background, like EINPROGRESS.
        if (error == EINPROGRESS || error == EINTR) {
            pollfd ready{Socket, POLLOUT, 0};
            const int polled = PollFor(&ready, 1, timeoutMs);
            if (polled == 0) {
                error = ETIMEDOUT;
            } else if (polled < 0) {
                error = errno;
            } else {
                socklen_t length = sizeof error;
                if (getsockopt(Socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                    error = errno;
            }
        }
    }

    if (!SetBlocking(true)) {
        const int blockingError = GetLastSystemError();
        Close();
        return Fail(blockingError);
    }
    // A failed connect leaves the socket open; the caller closes it.
    return error == 0 || Fail(error);
}

bool TIPSocket::Bind(const TIPEndpoint& endpoint)
{
    if (Socket < 0)
        return Fail(EBADF);
    // Lets a server stop and start again on its port while the old
    // connections sit in TIME_WAIT; on Linux it never lets two listeners share it.
    const int reuse = 1;
    if (setsockopt(Socket, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0)
        return Fail(errno);
    const sockaddr_in address = AddressOf(endpoint);
    if (bind(Socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return Fail(errno);
    return true;
}

bool TIPSocket::Listen(int backlog)
{
    if (Socket < 0)
        return Fail(EBADF);
    if (listen(Socket, backlog) != 0)
        return Fail(errno);
    return true;
}

bool TIPSocket::IsListening() const
{
    if (Socket < 0)
        return false;
    int listening = 0;
    socklen_t length = sizeof listening;
    return getsockopt(Socket, SOL_SOCKET, SO_ACCEPTCONN, &listening, &length) == 0 && listening != 0;
}

std::unique_ptr<TIPSocket> TIPSocket::Accept()
{
    if (Socket < 0) {
        SetLastSystemError(EBADF);
        return nullptr;
    }
    // Made before the accept, so a failed allocation cannot lose a descriptor.
    auto accepted = std::make_unique<TIPSocket>();
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    int fd = -1;
    do {
        length = sizeof peer;
        fd = accept4(Socket, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        SetLastSystemError(errno);
        return nullptr;
    }
    accepted->Socket = fd;
    accepted->Active = true;
    accepted->Peer = peer.sin_family == AF_INET ? peer.sin_addr.s_addr : 0;
    return accepted;
}

bool TIPSocket::LocalEndpoint(TIPEndpoint& endpoint) const
{
    if (Socket < 0)
        return Fail(EBADF);
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(Socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return Fail(errno);
    endpoint.IPAddress = address.sin_addr.s_addr;
    endpoint.Port = ntohs(address.sin_port);
    return true;
}

bool TIPSocket::Shutdown(int how)
{
    if (Socket < 0)
        return Fail(EBADF);
    return shutdown(Socket, how) == 0 || Fail(errno);
}

bool TIPSocket::WaitReadable(uint32_t timeoutMs) const
{
    return WaitReadable(timeoutMs, -1);
}

bool TIPSocket::WaitReadable(uint32_t timeoutMs, int wakeFd) const
{
    if (Socket < 0)
        return Fail(EBADF);
    // poll() skips a negative descriptor, so no wake descriptor needs no branch.
    pollfd ready[2] = {{Socket, POLLIN | POLLRDHUP, 0}, {wakeFd, POLLIN, 0}};
    const int polled = PollFor(ready, 2, timeoutMs);
    if (polled < 0)
        return Fail(errno);
    if (polled == 0)
        return Fail(ETIMEDOUT);
    if (ready[1].revents != 0)
        return Fail(EINTR);
    if ((ready[0].revents & POLLNVAL) != 0)
        return Fail(EBADF);
    return (ready[0].revents & kReadableEvents) != 0;
}

bool TIPSocket::WaitWritable(uint32_t timeoutMs) const
{
    if (Socket < 0)
        return Fail(EBADF);
    pollfd ready{Socket, POLLOUT, 0};
    const int polled = PollFor(&ready, 1, timeoutMs);
    if (polled < 0)
        return Fail(errno);
    if (polled == 0)
        return Fail(ETIMEDOUT);
    if ((ready.revents & POLLNVAL) != 0)
        return Fail(EBADF);
    return (ready.revents & kWritableEvents) != 0;
}

int TIPSocket::BytesAvailable() const
{
    if (Socket < 0) {
        SetLastSystemError(EBADF);
        return -1;
    }
    int available = 0;
    if (ioctl(Socket, FIONREAD, &available) != 0) {
        SetLastSystemError(errno);
        return -1;
    }
    return available;
}

bool TIPSocket::SetBlocking(bool blocking)
{
    if (Socket < 0)
        return Fail(EBADF);
    const int flags = fcntl(Socket, F_GETFL);
    if (flags < 0)
        return Fail(errno);
    const int wanted = blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK;
    if (wanted != flags && fcntl(Socket, F_SETFL, wanted) != 0)
        return Fail(errno);
    return true;
}

size_t TIPSocket::Receive(void* buffer, size_t size, uint32_t timeoutMs)
{
    if (size == 0)
        return 0;
    if (buffer == nullptr) {
        SetLastSystemError(EINVAL);
        return 0;
    }
    auto* bytes = static_cast<uint8_t*>(buffer);
    size_t total = 0;
    // Each wait gets the full time-out: it bounds silence, not the whole call.
    while (total < size && WaitReadable(timeoutMs)) {
        const ssize_t got = recv(Socket, bytes + total, size - total, 0);
        if (got > 0) {
            total += static_cast<size_t>(got);
            continue;
        }
        if (got < 0 && IsRetryable(errno))
            continue;
        // A peer close (0) or an error: the connection is over.
        if (got < 0)
            SetLastSystemError(errno);
        Close();
        break;
    }
    return total;
}

size_t TIPSocket::Send(const void* buffer, size_t size, uint32_t timeoutMs)
{
    if (size == 0)
        return 0;
    if (buffer == nullptr) {
        SetLastSystemError(EINVAL);
        return 0;
    }
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    size_t total = 0;
    while (total < size && WaitWritable(timeoutMs)) {
        // MSG_NOSIGNAL: a peer that went away must not raise SIGPIPE.
        const ssize_t sent = send(Socket, bytes + total, size - total, MSG_NOSIGNAL);
        if (sent > 0) {
            total += static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && IsRetryable(errno))
            continue;
        if (sent < 0)
            SetLastSystemError(errno);
        Close();
        break;
    }
    return total;
}

std::string TIPSocket::ReadLine(uint32_t timeoutMs, size_t maxLength, bool* overflow)
{
    if (overflow != nullptr)
        *overflow = false;
    std::string line;
    for (;;) {
        if (!WaitReadable(timeoutMs))
            return {};
        char byte = 0;
        const ssize_t got = recv(Socket, &byte, 1, 0);
        if (got < 0 && IsRetryable(errno))
            continue;
        if (got <= 0) {
            if (got < 0)
                SetLastSystemError(errno);
            Close();
            return {};
        }
        line += byte;
        if (line.ends_with(LineTerminator)) {
            line.resize(line.size() - LineTerminator.size());
            return line;
        }
        // Only now can a line of maxLength bytes no longer end in time.
        if (line.size() > maxLength && line.size() - maxLength >= LineTerminator.size()) {
            SetLastSystemError(EMSGSIZE);
            Close();
            if (overflow != nullptr)
                *overflow = true;
            return {};
        }
    }
}
