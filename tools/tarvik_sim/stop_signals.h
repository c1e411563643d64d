#pragma once

#include "unique_fd.h"

#include <csignal>

// Turns SIGINT and SIGTERM into a stop request the main loop can see: a flag,
// and a pipe that becomes readable so a poll() wakes at once. SIGPIPE is
// ignored, so a station that vanishes mid-write is a failed write, not a
// killed process. One instance at a time; the old handlers come back when it
// is destroyed.
class TStopSignals {
public:
    TStopSignals();
    ~TStopSignals();
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    [[nodiscard]] bool IsInstalled() const { return Installed; }
    [[nodiscard]] bool StopRequested() const;
    [[nodiscard]] int WakeFd() const { return WakeRead.Get(); }

private:
    TUniqueFd WakeRead;
    TUniqueFd WakeWrite;
    struct sigaction OldInt {};
    struct sigaction OldTerm {};
    struct sigaction OldPipe {};
    bool Installed = false;
};
