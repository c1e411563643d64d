#include "pty_transport.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/tick.h"

namespace {

constexpr size_t kReadChunk = 4096;
constexpr std::string_view kPtyDirectory = "/dev/pts/";

std::string ErrnoText() { return std::strerror(errno); }

bool ReadLinkTarget(const std::string& path, std::string& target)
{
    char buffer[4096];
    const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (length < 0 || static_cast<size_t>(length) == sizeof buffer)
        return false;
    target.assign(buffer, static_cast<size_t>(length));
    return true;
}

} // namespace

TPtyTransport::~TPtyTransport() { RemoveLink(); }

bool TPtyTransport::Open(const std::string& linkPath, std::string& error)
{
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        error = "cannot open a pseudo-terminal: " + ErrnoText();
        return false;
    }
    Master.Reset(master);
    const TUniqueFd slaveFd(slave);

    // The line settings live with the pair, so they hold for every later open
    // of the slave until the station sets its own.
    termios settings{};
    if (::tcgetattr(slave, &settings) != 0) {
        error = "cannot read the pseudo-terminal's settings: " + ErrnoText();
        return false;
    }
    ::cfmakeraw(&settings);
    if (::tcsetattr(slave, TCSANOW, &settings) != 0) {
        error = "cannot put the pseudo-terminal in raw mode: " + ErrnoText();
        return false;
    }
    char name[256];
    if (::ttyname_r(slave, name, sizeof name) != 0) {
        error = "cannot name the pseudo-terminal: " + ErrnoText();
        return false;
    }
    SlavePath = name;

    const int flags = ::fcntl(master, F_GETFL);
    if (flags < 0 || ::fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0 ||
        ::fcntl(master, F_SETFD, FD_CLOEXEC) != 0) {
        error = "cannot set up the pseudo-terminal: " + ErrnoText();
        return false;
    }
    return linkPath.empty() || MakeLink(linkPath, error);
}

bool TPtyTransport::MakeLink(const std::string& linkPath, std::string& error)
{
    struct stat info {};
    if (::lstat(linkPath.c_str(), &info) == 0) {
        std::string target;
        // Only a link left behind by an earlier run is replaced; anything else
        // at that path belongs to someone and stays.
        if (!S_ISLNK(info.st_mode) || !ReadLinkTarget(linkPath, target) || !target.starts_with(kPtyDirectory)) {
            error = "--link: " + linkPath + " already exists and is not a link to a pseudo-terminal; not replaced";
            return false;
        }
        if (::unlink(linkPath.c_str()) != 0) {
            error = "--link: cannot replace the old link " + linkPath + ": " + ErrnoText();
            return false;
        }
    }
    if (::symlink(SlavePath.c_str(), linkPath.c_str()) != 0) {
        error = "--link: cannot create " + linkPath + ": " + ErrnoText();
        return false;
    }
    LinkPath = linkPath;
    return true;
}

void TPtyTransport::RemoveLink()
{
    std::string target;
    // Someone may have pointed it elsewhere meanwhile; only our own link goes.
    if (!LinkPath.empty() && ReadLinkTarget(LinkPath, target) && target == SlavePath)
        ::unlink(LinkPath.c_str());
    LinkPath.clear();
}

TTransportEvents TPtyTransport::Poll(uint32_t timeoutMs, std::vector<uint8_t>& data)
{
    TTransportEvents events;
    pollfd fds[2] = {{Master.Get(), POLLIN, 0}, {WakeFd, POLLIN, 0}};
    if (StationOpen)
        ::poll(fds, 2, static_cast<int>(std::min<uint32_t>(timeoutMs, INT32_MAX)));
    else
        ::poll(&fds[1], 1, static_cast<int>(std::min(timeoutMs, kReopenCheckMs)));

    pollfd master{Master.Get(), POLLIN, 0};
    if (::poll(&master, 1, 0) < 0)
        return events;
    const bool hungUp = (master.revents & POLLHUP) != 0;
    bool readEnd = false;
    if (master.revents & POLLIN) {
        uint8_t buffer[kReadChunk];
        for (;;) {
            const ssize_t n = ::read(Master.Get(), buffer, sizeof buffer);
            if (n > 0) {
                data.insert(data.end(), buffer, buffer + n);
                continue;
            }
            // EIO: the slave is closed and everything it wrote has been read.
            readEnd = n == 0 || (n < 0 && errno == EIO);
            break;
        }
    }
    const bool open = !hungUp && !readEnd;
    // Bytes from a station that opened, wrote and closed between two looks
    // still count as one whole connection.
    if (!StationOpen && (open || !data.empty())) {
        StationOpen = true;
        events.Connected = true;
        events.Peer = SlavePath;
    }
    if (StationOpen && !open) {
        StationOpen = false;
        events.Disconnected = true;
    }
    return events;
}

bool TPtyTransport::Write(std::span<const uint8_t> bytes)
{
    // Bytes written while no one holds the slave would greet the next
    // opener as stale input.
    if (!StationOpen)
        return false;
    const uint32_t start = GetTickCount();
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(Master.Get(), bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        const uint32_t elapsed = GetTickCount() - start;
        if (elapsed >= kWriteTimeoutMs)
            return false;
        pollfd out{Master.Get(), POLLOUT, 0};
        if (::poll(&out, 1, static_cast<int>(kWriteTimeoutMs - elapsed)) <= 0 || (out.revents & (POLLHUP | POLLERR)))
            return false;
    }
    return true;
}
