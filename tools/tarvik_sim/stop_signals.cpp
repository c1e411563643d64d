#include "stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

volatile std::sig_atomic_t gStopRequested = 0;
int gWakeWriteFd = -1;

void OnStopSignal(int)
{
    const int savedErrno = errno;
    gStopRequested = 1;
    if (gWakeWriteFd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(gWakeWriteFd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

TStopSignals::TStopSignals()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    WakeRead.Reset(fds[0]);
    WakeWrite.Reset(fds[1]);
    gStopRequested = 0;
    gWakeWriteFd = WakeWrite.Get();

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking wait should return and let the loop look.
    action.sa_flags = 0;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    Installed = sigaction(SIGINT, &action, &OldInt) == 0 && sigaction(SIGTERM, &action, &OldTerm) == 0 &&
                sigaction(SIGPIPE, &ignore, &OldPipe) == 0;
}

TStopSignals::~TStopSignals()
{
    if (Installed) {
        sigaction(SIGINT, &OldInt, nullptr);
        sigaction(SIGTERM, &OldTerm, nullptr);
        sigaction(SIGPIPE, &OldPipe, nullptr);
    }
    gWakeWriteFd = -1;
}

bool TStopSignals::StopRequested() const { return gStopRequested != 0; }
