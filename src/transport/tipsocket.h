#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// An IPv4 address with a port, printed "%s:%i".
struct TIPEndpoint {
    uint32_t IPAddress = 0; // network byte order; 0 is 0.0.0.0
    uint16_t Port = 0;      // host byte order

    TIPEndpoint() = default;
    explicit TIPEndpoint(uint32_t address) : IPAddress(address) {}

    // Host name or dotted address, passed to the resolver unchanged; IPv4 only.
    [[nodiscard]] bool Resolve(const std::string& hostText);
    // A dotted IPv4 address; 255.255.255.255 is refused like malformed text.
    [[nodiscard]] bool Parse(const std::string& text);
    [[nodiscard]] std::string AddressText() const;
    [[nodiscard]] std::string EndpointText() const;
};

// The reference-counted network layer start-up. POSIX needs no start-up, so
// the counter is all there is; GUI thread only.
bool NetworkStartup();
bool NetworkShutdown();
[[nodiscard]] bool NetworkReady();
// Replaces `list` with the host's IPv4 addresses, in interface order.
int LocalAddresses(std::vector<std::string>& list);

// One IPv4 TCP socket: client, listening or accepted. Every transfer waits for
// readiness first, so a silent peer holds a call no longer than its time-out.
// Failures are results; the error code is kept by SetLastSystemError.
class TIPSocket {
public:
    TIPSocket() = default;
    ~TIPSocket();
    TIPSocket(const TIPSocket&) = delete;
    TIPSocket& operator=(const TIPSocket&) = delete;

    [[nodiscard]] bool IsOpen() const { return Active; }
    bool CreateSocket();
    void Close();
    bool Connect(const TIPEndpoint& endpoint, uint32_t timeoutMs);
    bool Bind(const TIPEndpoint& endpoint);
    bool Listen(int backlog);
    [[nodiscard]] bool IsListening() const;
    [[nodiscard]] std::unique_ptr<TIPSocket> Accept();
    bool LocalEndpoint(TIPEndpoint& endpoint) const;
    bool Shutdown(int how);
    [[nodiscard]] bool WaitReadable(uint32_t timeoutMs) const;
    // The same, but gives up (false) as soon as `wakeFd` turns readable, so
    // another thread can cut a long wait short.
    [[nodiscard]] bool WaitReadable(uint32_t timeoutMs, int wakeFd) const;
    [[nodiscard]] bool WaitWritable(uint32_t timeoutMs) const;
    [[nodiscard]] int BytesAvailable() const;
    bool SetBlocking(bool blocking);
    size_t Receive(void* buffer, size_t size, uint32_t timeoutMs);
    size_t Send(const void* buffer, size_t size, uint32_t timeoutMs);
    // One line without its CR LF; empty for a blank line, a time-out (per
    // byte) and a closed connection alike. A line longer than `maxLength`
    // bytes closes the socket, sets `*overflow` and reads as empty.
    std::string ReadLine(uint32_t timeoutMs, size_t maxLength = kMaxLineLength, bool* overflow = nullptr);

    // The peer's IPv4 address (network byte order) of an accepted socket,
    // kept after Close; 0 for any other socket.
    [[nodiscard]] uint32_t PeerAddress() const { return Peer; }

    static constexpr size_t kMaxLineLength = 8192;
    static constexpr int kShutdownSend = 1;
    static constexpr int kShutdownBoth = 2;

private:
    int Socket = -1;
    bool Active = false;
    uint32_t Peer = 0;
    const std::string LineTerminator = "\r\n";
};
