#include "controller/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>

namespace {

constexpr std::array kTerminationSignals = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> SignalPipeWriteEnd{-1};

extern "C" void OnTerminationSignal(int signalNumber)
{
    const int savedErrno = errno;
    const int fd = SignalPipeWriteEnd.load();
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signalNumber);
        // A full pipe already holds a pending request; dropping this one loses nothing.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    ReadEnd = fds[0];
    WriteEnd = fds[1];
    SignalPipeWriteEnd.store(WriteEnd);

    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : kTerminationSignals)
        ::sigaction(signalNumber, &action, nullptr);

    Notifier = std::make_unique<QSocketNotifier>(ReadEnd, QSocketNotifier::Read);
    connect(Notifier.get(), &QSocketNotifier::activated, this, &TTerminationSignals::ReadPipe);
}

TTerminationSignals::~TTerminationSignals()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : kTerminationSignals)
        ::sigaction(signalNumber, &action, nullptr);
    SignalPipeWriteEnd.store(-1);
    Notifier.reset();
    if (ReadEnd >= 0)
        ::close(ReadEnd);
    if (WriteEnd >= 0)
        ::close(WriteEnd);
}

void TTerminationSignals::ReadPipe()
{
    unsigned char byte = 0;
    while (::read(ReadEnd, &byte, 1) == 1)
        emit Received(byte);
}
