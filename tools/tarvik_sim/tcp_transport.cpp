#include "tcp_transport.h"

#include "transport/system_error.h"

#include <algorithm>

namespace {

constexpr size_t kReadChunk = 4096;

std::string LastErrorText() { return GetSystemErrorText(GetLastSystemError(), "system error %i"); }

} // namespace

bool TTcpTransport::Open(const TIPEndpoint& endpoint, std::string& error)
{
    if (!Listener.CreateSocket()) {
        error = "cannot create a socket: " + LastErrorText();
        return false;
    }
    if (!Listener.Bind(endpoint)) {
        error = "cannot listen on " + endpoint.EndpointText() + ": " + LastErrorText();
        Listener.Close();
        return false;
    }
    if (!Listener.Listen(1) || !Listener.LocalEndpoint(Bound)) {
        error = "cannot listen on " + endpoint.EndpointText() + ": " + LastErrorText();
        Listener.Close();
        return false;
    }
    return true;
}

TTransportEvents TTcpTransport::Poll(uint32_t timeoutMs, std::vector<uint8_t>& data)
{
    TTransportEvents events;
    // A failed send closes the socket itself; report that end here.
    if (Connection && !Connection->IsOpen()) {
        Connection.reset();
        events.Disconnected = true;
        return events;
    }
    if (!Connection) {
        if (Listener.WaitReadable(timeoutMs, WakeFd)) {
            Connection = Listener.Accept();
            if (Connection) {
                events.Connected = true;
                events.Peer = TIPEndpoint(Connection->PeerAddress()).AddressText();
            }
        }
        return events;
    }
    if (Connection->WaitReadable(std::min(timeoutMs, kWaitSliceMs), WakeFd))
        ReadAvailable(data, events);
    while (Listener.WaitReadable(0)) {
        const std::unique_ptr<TIPSocket> extra = Listener.Accept();
        if (!extra)
            break;
        events.Refused.push_back(TIPEndpoint(extra->PeerAddress()).AddressText());
    }
    return events;
}

void TTcpTransport::ReadAvailable(std::vector<uint8_t>& data, TTransportEvents& events)
{
    // Readable with nothing queued means the station closed: a receive of one
    // byte then finds the end and closes the socket.
    const int available = Connection->BytesAvailable();
    const size_t want = available > 0 ? std::min(static_cast<size_t>(available), kReadChunk) : 1;
    uint8_t buffer[kReadChunk];
    const size_t received = Connection->Receive(buffer, want, 0);
    data.insert(data.end(), buffer, buffer + received);
    if (!Connection->IsOpen()) {
        Connection.reset();
        events.Disconnected = true;
    }
}

bool TTcpTransport::Write(std::span<const uint8_t> bytes)
{
    if (!Connection)
        return false;
    const size_t sent = Connection->Send(bytes.data(), bytes.size(), kWriteTimeoutMs);
    // A send that finds the connection gone closes the socket; the next Poll
    // reports the end.
    return sent == bytes.size();
}
