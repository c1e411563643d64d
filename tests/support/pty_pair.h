#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

// A pseudo-terminal pair standing in for a serial line: the code under test
// opens SlavePath() like any port, the test plays the device on the master.
// One slave descriptor is held open by the pair so the line stays up while
// ports open and close; ReleaseSlave() gives it up.
class TPtyPair {
public:
    TPtyPair()
    {
        if (openpty(&Master, &Slave, nullptr, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        char name[PATH_MAX] = {};
        if (ttyname_r(Slave, name, sizeof name) != 0) {
            Close();
            throw std::runtime_error("ttyname_r failed");
        }
        SlaveName = name;
        termios raw{};
        tcgetattr(Master, &raw);
        cfmakeraw(&raw);
        tcsetattr(Master, TCSANOW, &raw);
    }

    ~TPtyPair() { Close(); }
    TPtyPair(const TPtyPair&) = delete;
    TPtyPair& operator=(const TPtyPair&) = delete;

    [[nodiscard]] int MasterFd() const { return Master; }
    [[nodiscard]] int SlaveFd() const { return Slave; }
    [[nodiscard]] const std::string& SlavePath() const { return SlaveName; }

    void ReleaseSlave()
    {
        if (Slave >= 0)
            close(Slave);
        Slave = -1;
    }

    // The device vanishing: the far end of the line is gone.
    void CloseMaster()
    {
        if (Master >= 0)
            close(Master);
        Master = -1;
    }

    void WriteMaster(const std::vector<uint8_t>& bytes) const
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t written = write(Master, bytes.data() + done, bytes.size() - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                throw std::runtime_error("write to the pseudo-terminal master failed");
            done += static_cast<size_t>(written);
        }
    }

    // Reads until `count` bytes came or `timeoutMs` passed without any.
    [[nodiscard]] std::vector<uint8_t> ReadMaster(size_t count, int timeoutMs = 2000) const
    {
        std::vector<uint8_t> bytes;
        while (bytes.size() < count) {
            pollfd ready{Master, POLLIN, 0};
            if (poll(&ready, 1, timeoutMs) <= 0)
                break;
            uint8_t chunk[256];
            const ssize_t got = read(Master, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            bytes.insert(bytes.end(), chunk, chunk + got);
        }
        return bytes;
    }

private:
    void Close()
    {
        ReleaseSlave();
        CloseMaster();
    }

    int Master = -1;
    int Slave = -1;
    std::string SlaveName;
};
