#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Line settings, as the caller writes them before SetState. Fields beside the
// ones applied here are kept so a read-modify-write leaves them as reported.
struct TDCB {
    uint32_t BaudRate = 0;
    uint8_t ByteSize = 8;
    uint8_t Parity = 0;   // 0 none
    uint8_t StopBits = 0; // 0 one stop bit
    bool fBinary = true;
    bool fParity = false;
    uint8_t fDtrControl = 0; // 0 DTR held off
    uint8_t fRtsControl = 0; // 0 RTS held off
    bool fOutxCtsFlow = false;
    bool fOutxDsrFlow = false;
    bool fDsrSensitivity = false;
    bool fOutX = false;
    bool fInX = false;
    bool fErrorChar = false;
    bool fNull = false;
    bool fAbortOnError = false;
};

struct TCommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

struct TComStat {
    uint32_t cbInQue = 0;
};

// The serial port. Named "COM<n>" (COM1 is /dev/ttyS0) or by an absolute
// device path. Opened exclusively; failures are results, with the error
// code kept by SetLastSystemError.
class TCOMSocket {
public:
    TCOMSocket() = default;
    ~TCOMSocket();
    TCOMSocket(const TCOMSocket&) = delete;
    TCOMSocket& operator=(const TCOMSocket&) = delete;

    [[nodiscard]] bool IsOpen() const { return Handle >= 0; }
    bool SetPortName(const std::string& name);
    bool Open();
    bool Close();
    bool GetState();
    bool SetState();
    bool SetTimeouts();
    bool SetupBuffers();
    [[nodiscard]] uint32_t BytesWaiting();
    size_t Read(void* buffer, size_t count);
    size_t Write(const void* buffer, size_t count);
    bool WaitForBytes(uint32_t count, uint32_t timeoutMs, uint32_t* elapsedMs, uint32_t pollMs);

    // The device the port name selects: /dev/ttyS<n-1>, or the path given.
    [[nodiscard]] const std::string& DevicePath() const { return Device; }

    int Handle = -1;
    int32_t PortNumber = 0;
    TDCB DCB;
    TCommTimeouts Timeouts;
    uint32_t InQueueSize = 0;
    uint32_t OutQueueSize = 0;
    TComStat Status;

private:
    [[nodiscard]] uint64_t WriteTimeLimitMs(size_t count) const;

    std::string Device;
    // What SetTimeouts applied; Write measures its time limit from these.
    TCommTimeouts AppliedTimeouts;
};

// Writes the station's fixed line settings into `port`, to be applied with
// SetState, SetupBuffers and SetTimeouts: 8N1, no flow control of any kind,
// DTR and RTS off, 1024-byte queues, a write of n bytes giving up after
// 100 + 10 x n ms. Every other DCB field keeps what GetState reported.
void WriteLineSettings(TCOMSocket& port, uint32_t baudRate);

// Replaces `list` with the device paths of the serial ports present, sorted
// by the number at the end of the name, then by name. `sysfsRoot` lets tests
// give a fake tree.
void ListCOMPorts(std::vector<std::string>& list, const std::string& sysfsRoot = "/sys/class/tty");
