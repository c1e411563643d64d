#include "sim_options.h"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <string_view>

namespace {

bool ParseNumber(std::string_view text, unsigned maximum, unsigned& value)
{
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value <= maximum;
}

bool ParseTcpEndpoint(const std::string& text, TIPEndpoint& endpoint, std::string& error)
{
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos) {
        error = "--tcp needs HOST:PORT, for example 127.0.0.1:4001, not '" + text + "'";
        return false;
    }
    const std::string host = text.substr(0, colon);
    const std::string_view portText = std::string_view(text).substr(colon + 1);
    unsigned port = 0;
    if (!ParseNumber(portText, 65535, port)) {
        error = "--tcp: the port must be a number from 0 to 65535, not '" + std::string(portText) + "'";
        return false;
    }
    in_addr address{};
    const std::string dotted = host == "localhost" ? "127.0.0.1" : host;
    if (inet_pton(AF_INET, dotted.c_str(), &address) != 1) {
        error = "--tcp: '" + host + "' is not an IPv4 address such as 127.0.0.1";
        return false;
    }
    if (!IsLoopbackAddress(address.s_addr)) {
        error = "--tcp: " + host +
                " is not a loopback address; this tool is for loopback use and listens only on 127.0.0.0/8";
        return false;
    }
    endpoint.IPAddress = address.s_addr;
    endpoint.Port = static_cast<uint16_t>(port);
    return true;
}

} // namespace

bool IsLoopbackAddress(uint32_t address) { return (ntohl(address) >> 24) == 127; }

bool ParseSimOptions(std::span<const std::string> args, TSimOptions& options, std::string& error)
{
    options = TSimOptions();
    if (std::any_of(args.begin(), args.end(), [](const std::string& a) { return a == "--help" || a == "-h"; })) {
        options.Help = true;
        return true;
    }

    bool tcpGiven = false;
    bool ptyGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const size_t equals = name.find('='); name.starts_with("--") && equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name.resize(equals);
        }
        const auto value = [&](std::string_view what, std::string& out) {
            if (inlineValue) {
                out = *inlineValue;
            } else if (i + 1 < args.size()) {
                out = args[++i];
            } else {
                error = name + " needs a value (" + std::string(what) + ")";
                return false;
            }
            if (out.empty()) {
                error = name + " needs a value (" + std::string(what) + "), not an empty text";
                return false;
            }
            return true;
        };
        const auto flag = [&](bool& target) {
            if (inlineValue) {
                error = name + " takes no value";
                return false;
            }
            if (target) {
                error = name + " is given twice";
                return false;
            }
            target = true;
            return true;
        };
        const auto once = [&](bool given) {
            if (given)
                error = name + " is given twice";
            return !given;
        };

        if (name == "--tcp") {
            std::string text;
            if (!once(tcpGiven) || !value("HOST:PORT", text) || !ParseTcpEndpoint(text, options.TcpEndpoint, error))
                return false;
            tcpGiven = true;
        } else if (name == "--pty") {
            if (!flag(ptyGiven))
                return false;
        } else if (name == "--link") {
            if (!once(!options.LinkPath.empty()) || !value("PATH", options.LinkPath))
                return false;
        } else if (name == "--send") {
            if (!once(!options.SendFile.empty()) || !value("FILE", options.SendFile))
                return false;
        } else if (name == "--address") {
            std::string text;
            unsigned id = 0;
            if (!once(options.Address.has_value()) || !value("N", text))
                return false;
            if (!ParseNumber(text, 255, id)) {
                error = "--address must be a device ID from 0 to 255, not '" + text + "'";
                return false;
            }
            options.Address = static_cast<uint8_t>(id);
        } else if (name == "--echo") {
            if (!flag(options.Echo))
                return false;
        } else if (name == "--quiet") {
            if (!flag(options.Quiet))
                return false;
        } else if (name == "--json") {
            if (!flag(options.Json))
                return false;
        } else if (name.starts_with("-")) {
            error = "unknown option '" + name + "'";
            return false;
        } else {
            error = "unexpected argument '" + name + "'";
            return false;
        }
    }

    if (tcpGiven && ptyGiven) {
        error = "choose one of --tcp and --pty";
        return false;
    }
    if (!tcpGiven && !ptyGiven) {
        error = "choose where the station connects: --tcp HOST:PORT or --pty";
        return false;
    }
    options.Transport = tcpGiven ? TSimOptions::TTransport::Tcp : TSimOptions::TTransport::Pty;
    if (!options.LinkPath.empty() && !ptyGiven) {
        error = "--link works only with --pty";
        return false;
    }
    return true;
}

std::string SimUsage()
{
    return R"(Usage: tarvik-sim (--tcp HOST:PORT | --pty [--link PATH]) [OPTIONS]

A virtual Pelco-D/Pelco-P positioner for trying the Tarvik station without a
camera. It cuts frames out of what the station sends, decodes them, moves a
simulated head and prints one line per frame: the bytes, the command and the
state. Ctrl+C (SIGINT) or SIGTERM ends it with a summary.

Where the station connects (choose one):
  --tcp HOST:PORT  Listen for the station's TCP connection on HOST:PORT. HOST
                   must be a loopback address (127.0.0.0/8 or localhost): the
                   tool is for loopback use. Port 0 picks a free port, which is
                   printed. One station at a time; after it disconnects the
                   next one is accepted.
  --pty            Open a pseudo-terminal and play the device side. The path
                   the station should open as its serial port is printed. The
                   station may close and reopen it at will.
  --link PATH      With --pty: also make PATH a symbolic link to that device
                   (removed at exit). An existing file at PATH is left alone
                   and refused, except a stale link to a pseudo-terminal.

What it does with frames:
  --address N      Answer only frames for device ID N (0 to 255). A Pelco-D
                   frame for N carries N in byte 1, a Pelco-P frame carries
                   N-1. Frames for other devices are counted as "not for me"
                   and ignored. Without it every frame is answered.
  --echo           Write each frame it answers back to the station as it came.
  --send FILE      Play a macro file in the station's format (one step a line:
                   the delay in milliseconds, then the bytes in hex) towards
                   the station each time it connects.

Output:
  --quiet          Print only where to connect and the summary at exit
                   (frames, commands, garbage bytes, checksum faults).
  --json           Print one JSON object a line instead of text (types
                   "frame", "fault", "garbage", "sent", "summary" and status
                   events), for scripts.
  -h, --help       Show this help.

The simulated head: pan 0 to 360 degrees (right is positive), tilt -90 to +90
(up is positive). Pan and tilt move at one degree per second per speed step
(0x00-0x3F; 0x40 and above count as 63) while a movement command lasts. Zoom,
focus and iris move from 0 to 100 % at 20 % per second while their command
lasts. Every movement frame replaces the whole motion; a stop stops everything.
Presets are stored by "set", removed by "clear" and recalled by "go to" (the
head is there at once).

Bad input (garbage bytes, wrong checksums, a missing Pelco-P footer) is counted
and reported, never fatal.

Exit status: 0 after SIGINT or SIGTERM, 1 when it cannot start (the address is
in use, the macro file cannot be read...), 2 for a bad option or value.
)";
}
