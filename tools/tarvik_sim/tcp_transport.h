#pragma once

#include "sim_transport.h"
#include "transport/tipsocket.h"

#include <memory>

// Listens on a loopback endpoint and serves one station connection at a
// time; a station that connects while another is served is closed at once
// instead of waiting unserved in the backlog.
class TTcpTransport final : public TSimTransport {
public:
    // `wakeFd` becomes readable when the simulator should stop; -1 for none.
    explicit TTcpTransport(int wakeFd) : WakeFd(wakeFd) {}

    // False with a reason when the endpoint cannot be listened on.
    [[nodiscard]] bool Open(const TIPEndpoint& endpoint, std::string& error);
    // The endpoint actually listened on (the port chosen when 0 was asked).
    [[nodiscard]] const TIPEndpoint& Endpoint() const { return Bound; }

    TTransportEvents Poll(uint32_t timeoutMs, std::vector<uint8_t>& data) override;
    [[nodiscard]] bool IsConnected() const override { return Connection != nullptr; }
    [[nodiscard]] bool Write(std::span<const uint8_t> bytes) override;

private:
    // While one station is served, a second one is refused within this.
    static constexpr uint32_t kWaitSliceMs = 100;

    void ReadAvailable(std::vector<uint8_t>& data, TTransportEvents& events);

    TIPSocket Listener;
    std::unique_ptr<TIPSocket> Connection;
    TIPEndpoint Bound;
    int WakeFd;
};
