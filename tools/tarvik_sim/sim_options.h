#pragma once

#include "transport/tipsocket.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct TSimOptions {
    enum class TTransport : uint8_t { None, Tcp, Pty };

    TTransport Transport = TTransport::None;
    TIPEndpoint TcpEndpoint;   // --tcp: always in 127.0.0.0/8
    std::string LinkPath;      // --link: a symbol link to the pseudo-terminal
    std::string SendFile;      // --send: a macro file to play once connected
    std::optional<uint8_t> Address;
    bool Echo = false;
    bool Quiet = false;
    bool Json = false;
    bool Help = false;
};

// Reads the arguments after the program name. False with a one-line reason in
// `error` for anything it cannot take; `--help` anywhere wins.
[[nodiscard]] bool ParseSimOptions(std::span<const std::string> args, TSimOptions& options, std::string& error);

// The --help text.
[[nodiscard]] std::string SimUsage();

// True for 127.0.0.0/8; the address in network byte order.
[[nodiscard]] bool IsLoopbackAddress(uint32_t address);
