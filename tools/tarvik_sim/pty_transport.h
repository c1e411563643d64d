#pragma once

#include "sim_transport.h"
#include "unique_fd.h"

#include <string>

// Plays the device side of a pseudo-terminal: the station opens the slave
// path as its serial port. The simulator holds only the master, so it sees
// the station open (the hang-up clears) and close (the master hangs up) the
// port, and may do both any number of times.
class TPtyTransport final : public TSimTransport {
public:
    // `wakeFd` becomes readable when the simulator should stop; -1 for none.
    explicit TPtyTransport(int wakeFd) : WakeFd(wakeFd) {}
    ~TPtyTransport() override;
    TPtyTransport(const TPtyTransport&) = delete;
    TPtyTransport& operator=(const TPtyTransport&) = delete;

    // Opens the pair in raw mode and, with `linkPath`, makes a symbolic link
    // to the slave. False with a reason.
    [[nodiscard]] bool Open(const std::string& linkPath, std::string& error);
    [[nodiscard]] const std::string& DevicePath() const { return SlavePath; }

    TTransportEvents Poll(uint32_t timeoutMs, std::vector<uint8_t>& data) override;
    [[nodiscard]] bool IsConnected() const override { return StationOpen; }
    [[nodiscard]] bool Write(std::span<const uint8_t> bytes) override;

private:
    // While no one holds the slave the master reports a hang-up at once, so
    // poll cannot wait for the station to open it: look again this often.
    static constexpr uint32_t kReopenCheckMs = 50;

    [[nodiscard]] bool MakeLink(const std::string& linkPath, std::string& error);
    void RemoveLink();

    TUniqueFd Master;
    std::string SlavePath;
    std::string LinkPath; // set only once the link is ours
    int WakeFd;
    bool StationOpen = false;
};
