#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// What happened on the station's side during one Poll, in the order to be
// handled: a connection, the bytes it sent, its end.
struct TTransportEvents {
    bool Connected = false;
    bool Disconnected = false;
    std::string Peer;                 // who connected
    std::vector<std::string> Refused; // further stations turned away while one is served
};

// The device side of one link to the station.
class TSimTransport {
public:
    virtual ~TSimTransport() = default;

    // Waits up to `timeoutMs` for the station, returning sooner when a stop
    // signal arrives; appends the bytes received to `data`.
    virtual TTransportEvents Poll(uint32_t timeoutMs, std::vector<uint8_t>& data) = 0;
    [[nodiscard]] virtual bool IsConnected() const = 0;
    // All bytes, within a short time; false when the station did not take
    // them (not connected, gone, or not reading).
    [[nodiscard]] virtual bool Write(std::span<const uint8_t> bytes) = 0;

    static constexpr uint32_t kWriteTimeoutMs = 1000;
};
