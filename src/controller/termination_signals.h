#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// SIGTERM, SIGINT and SIGHUP turned into a Qt signal on the GUI thread. The
// signal handler only writes the signal number into a pipe; a socket
// notifier reads it in the event loop, where anything may be done.
class TTerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one instance per process.
    explicit TTerminationSignals(QObject* parent = nullptr);
    ~TTerminationSignals() override;
    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

    [[nodiscard]] bool Installed() const { return Notifier != nullptr; }

signals:
    void Received(int signalNumber);

private:
    void ReadPipe();

    int ReadEnd = -1;
    int WriteEnd = -1;
    std::unique_ptr<QSocketNotifier> Notifier;
};
