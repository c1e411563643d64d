#include "station_harness.h"

#include "support/station_options.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QJsonDocument>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace e2e {

namespace {

using TClock = std::chrono::steady_clock;

int MsLeft(TClock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// An owned socket descriptor.
class TSocket {
public:
    TSocket() : Fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~TSocket()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;

    [[nodiscard]] int Get() const { return Fd; }

private:
    int Fd;
};

sockaddr_in Loopback(uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

bool ConnectLoopback(const TSocket& socket, uint16_t port)
{
    const sockaddr_in address = Loopback(port);
    return socket.Get() >= 0 &&
           ::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool SendAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool WaitForListener(uint16_t port, int timeoutMs)
{
    const auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        const TSocket socket;
        if (ConnectLoopback(socket, port))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (MsLeft(deadline) > 0);
    return false;
}

std::string Base64(const std::string& text)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < text.size(); i += 3) {
        const uint32_t n = (static_cast<uint8_t>(text[i]) << 16) | (static_cast<uint8_t>(text[i + 1]) << 8) |
                           static_cast<uint8_t>(text[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6)
            out += kAlphabet[(n >> shift) & 0x3F];
    }
    const size_t rest = text.size() - i;
    if (rest > 0) {
        uint32_t n = static_cast<uint8_t>(text[i]) << 16;
        if (rest == 2)
            n |= static_cast<uint8_t>(text[i + 1]) << 8;
        out += kAlphabet[(n >> 18) & 0x3F];
        out += kAlphabet[(n >> 12) & 0x3F];
        out += rest == 2 ? kAlphabet[(n >> 6) & 0x3F] : '=';
        out += '=';
    }
    return out;
}

std::optional<THttpResponse> HttpGet(uint16_t port, const std::string& target,
                                     const std::optional<std::pair<std::string, std::string>>& credentials)
{
    const TSocket socket;
    if (!ConnectLoopback(socket, port))
        return std::nullopt;
    std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n";
    if (credentials)
        request += "Authorization: Basic " + Base64(credentials->first + ":" + credentials->second) + "\r\n";
    request += "Connection: close\r\n\r\n";
    if (!SendAll(socket.Get(), request))
        return std::nullopt;

    std::string answer;
    const auto deadline = TClock::now() + std::chrono::milliseconds(kFrameMs);
    for (;;) {
        pollfd p{socket.Get(), POLLIN, 0};
        const int ready = ::poll(&p, 1, MsLeft(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
        char chunk[4096];
        const ssize_t n = ::recv(socket.Get(), chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        answer.append(chunk, static_cast<size_t>(n));
    }
    const size_t headEnd = answer.find("\r\n\r\n");
    if (headEnd == std::string::npos)
        return std::nullopt;
    THttpResponse response;
    response.Head = answer.substr(0, headEnd);
    response.Body = answer.substr(headEnd + 4);
    if (std::sscanf(response.Head.c_str(), "HTTP/1.1 %d", &response.Status) != 1)
        return std::nullopt;
    return response;
}

std::string ExpectedFrame(bool pelcoD, int code, uint8_t id, uint8_t value)
{
    const uint8_t v = value;
    // Bytes 2 to 5 of each code; only the lens commands 11 to 14 differ.
    const std::array<std::array<uint8_t, 4>, 18> common = {{
        {0x00, 0x00, 0x00, 0x00}, // stop
        {0x00, 0x04, v, 0x00},    // left
        {0x00, 0x02, v, 0x00},    // right
        {0x00, 0x08, 0x00, v},    // up
        {0x00, 0x10, 0x00, v},    // down
        {0x00, 0x0C, v, v},       // left and up
        {0x00, 0x14, v, v},       // left and down
        {0x00, 0x0A, v, v},       // right and up
        {0x00, 0x12, v, v},       // right and down
        {0x00, 0x20, 0x00, 0x00}, // zoom tele
        {0x00, 0x40, 0x00, 0x00}, // zoom wide
        {0x00, 0x80, 0x00, 0x00}, // focus far bit (Pelco-D)
        {0x01, 0x00, 0x00, 0x00}, // focus near bit (Pelco-D)
        {0x02, 0x00, 0x00, 0x00}, // iris open (Pelco-D)
        {0x04, 0x00, 0x00, 0x00}, // iris close (Pelco-D)
        {0x00, 0x03, 0x00, v},    // set preset
        {0x00, 0x05, 0x00, v},    // clear preset
        {0x00, 0x07, 0x00, v},    // go to preset
    }};
    const std::array<std::array<uint8_t, 4>, 4> pelcoPLens = {{
        {0x01, 0x00, 0x00, 0x00},
        {0x02, 0x00, 0x00, 0x00},
        {0x04, 0x00, 0x00, 0x00},
        {0x08, 0x00, 0x00, 0x00},
    }};
    const std::array<uint8_t, 4> command =
        !pelcoD && code >= 11 && code <= 14 ? pelcoPLens[static_cast<size_t>(code - 11)]
                                            : common.at(static_cast<size_t>(code));
    std::vector<uint8_t> frame;
    if (pelcoD) {
        frame = {0xFF, id, command[0], command[1], command[2], command[3]};
        uint8_t sum = 0;
        for (size_t i = 1; i < frame.size(); ++i)
            sum = static_cast<uint8_t>(sum + frame[i]);
        frame.push_back(sum);
    } else {
        frame = {0xA0, static_cast<uint8_t>(id - 1), command[0], command[1], command[2], command[3], 0xAF};
        uint8_t parity = 0;
        for (const uint8_t byte : frame)
            parity ^= byte;
        frame.push_back(parity);
    }
    std::string text;
    char hex[4];
    for (const uint8_t byte : frame) {
        std::snprintf(hex, sizeof hex, "%s%02X", text.empty() ? "" : " ", byte);
        text += hex;
    }
    return text;
}

std::string PageCommandTarget(int code, int id, int speed)
{
    return "/?id=" + std::to_string(id) + "&speed=" + std::to_string(speed) + "&pm=0&cp=90&cmd=" +
           std::to_string(code) + "&preset=0";
}

std::string PagePresetTarget(int preset, int pm, int id, int speed)
{
    return "/?id=" + std::to_string(id) + "&speed=" + std::to_string(speed) + "&pm=" + std::to_string(pm) +
           "&cp=90&cmd=0&preset=" + std::to_string(preset);
}

bool TSimulator::StartTcp(std::string& error)
{
    if (!Process.Start({{TARVIK_SIM_PATH, "--tcp", "127.0.0.1:0", "--json"}, {}, {}, SIGKILL}, error))
        return false;
    const std::optional<QJsonObject> listening = WaitForEvent("listening", kStartMs);
    if (!listening) {
        error = "tarvik-sim did not start listening:\n" + Diagnostics();
        return false;
    }
    const QString endpoint = (*listening)["endpoint"].toString();
    TcpPort = static_cast<uint16_t>(endpoint.section(':', -1).toUInt());
    if (TcpPort == 0) {
        error = "tarvik-sim named no port: " + endpoint.toStdString();
        return false;
    }
    return true;
}

bool TSimulator::StartPty(const std::string& linkPath, std::string& error)
{
    if (!Process.Start({{TARVIK_SIM_PATH, "--pty", "--link", linkPath, "--json"}, {}, {}, SIGKILL}, error))
        return false;
    const std::optional<QJsonObject> pty = WaitForEvent("pty", kStartMs);
    if (!pty) {
        error = "tarvik-sim opened no pseudo-terminal:\n" + Diagnostics();
        return false;
    }
    Device = (*pty)["path"].toString().toStdString();
    return true;
}

std::optional<QJsonObject> TSimulator::NextEvent(int timeoutMs)
{
    const std::optional<std::string> line = Process.ReadLine(timeoutMs);
    if (!line)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(*line));
    // A line that is no JSON object is kept in the transcript and reads as an
    // event of no type.
    return document.isObject() ? document.object() : QJsonObject{{"type", "unreadable"}};
}

std::optional<QJsonObject> TSimulator::WaitForEvent(const QString& type, int timeoutMs)
{
    const auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
    while (const std::optional<QJsonObject> event = NextEvent(MsLeft(deadline))) {
        if ((*event)["type"].toString() == type)
            return event;
    }
    return std::nullopt;
}

bool TSimulator::WaitForFrame(const std::string& expected, const std::string& repeatable, int timeoutMs,
                              std::string& failure, bool* timedOut)
{
    if (timedOut)
        *timedOut = false;
    const auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
    while (const std::optional<QJsonObject> event = NextEvent(MsLeft(deadline))) {
        const QString type = (*event)["type"].toString();
        const std::string bytes = (*event)["bytes"].toString().toStdString();
        if (type == "frame") {
            if (bytes == expected)
                return true;
            if (!repeatable.empty() && bytes == repeatable)
                continue;
            failure = "expected " + expected + " but the simulator got " + bytes;
            return false;
        }
        if (type == "fault" || type == "garbage") {
            failure = "expected " + expected + " but the simulator got a " + type.toStdString() + ": " + bytes;
            return false;
        }
    }
    failure = "expected " + expected + " but no such frame arrived within " + std::to_string(timeoutMs) + " ms";
    if (timedOut)
        *timedOut = true;
    return false;
}

bool TSimulator::ExpectSilence(int ms, std::string& failure)
{
    const auto deadline = TClock::now() + std::chrono::milliseconds(ms);
    while (const std::optional<QJsonObject> event = NextEvent(MsLeft(deadline))) {
        const QString type = (*event)["type"].toString();
        if (type == "frame" || type == "fault" || type == "garbage") {
            failure = "the simulator got " + type.toStdString() + " " + (*event)["bytes"].toString().toStdString();
            return false;
        }
    }
    return true;
}

std::optional<QJsonObject> TSimulator::Stop()
{
    Process.Signal(SIGTERM);
    std::optional<QJsonObject> summary = WaitForEvent("summary", kStartMs);
    Process.Wait(kStartMs);
    Process.Kill();
    return summary;
}

bool WaitUntilStationSends(TSimulator& simulator, uint16_t httpPort, bool pelcoD, uint8_t id,
                           const std::optional<std::pair<std::string, std::string>>& credentials,
                           std::string& failure)
{
    constexpr int kRetryMs = 1000;
    const std::string stop = ExpectedFrame(pelcoD, 0, id, 0);
    const auto deadline = TClock::now() + std::chrono::milliseconds(kStartMs);
    do {
        const std::optional<THttpResponse> response = HttpGet(httpPort, PageCommandTarget(0, id, 0), credentials);
        if (!response || response->Status != 200) {
            failure = response ? "the stop request got " + std::to_string(response->Status) : "the server did not answer";
            return false;
        }
        // A stop that comes late after a retry is a repeat the tests allow.
        bool timedOut = false;
        if (simulator.WaitForFrame(stop, stop, kRetryMs, failure, &timedOut))
            return true;
        if (!timedOut)
            return false;
    } while (MsLeft(deadline) > 0);
    return false;
}

TSettings ConnectedSettings(const TSimulator& simulator, bool overTcp, bool pelcoD, uint16_t httpPort)
{
    TSettings settings = {
        {"ShowCmd", "1"},
        {"Protocol", pelcoD ? "0" : "1"},
        {"ServerHTTPLocalAddress", "127.0.0.1"},
        {"ServerHTTPLocalPort", std::to_string(httpPort)},
        {"Authenticate", "0"},
        {"ServerHTTP", "1"},
    };
    if (overTcp) {
        settings.insert(settings.end(), {{"RemoteHost", "127.0.0.1"},
                                         {"RemotePort", std::to_string(simulator.Port())},
                                         {"SocketMode", "1"}});
    } else {
        settings.insert(settings.end(), {{"Port", simulator.DevicePath()}, {"PortSpeed", "9600"}, {"SocketMode", "0"}});
    }
    settings.emplace_back("Connected", "1");
    return settings;
}

void SetKey(TSettings& settings, const std::string& key, const std::string& value)
{
    for (auto& [name, text] : settings) {
        if (name == key) {
            text = value;
            return;
        }
    }
    settings.emplace_back(key, value);
}

TStation::TStation() : Program(Folder.CopyProgram(TARVIK_PATH)) {}

void TStation::WriteSettings(const TSettings& settings) const
{
    std::ofstream file(SettingsPath(), std::ios::binary | std::ios::trunc);
    file << "[Settings]\n";
    for (const auto& [key, value] : settings)
        file << key << '=' << value << '\n';
    if (!file.flush())
        throw std::runtime_error("cannot write " + SettingsPath());
}

std::string TStation::ReadSettingsFile() const
{
    std::ifstream file(SettingsPath(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool TStation::Start(std::string& error)
{
    return Process.Start(StationOptions(Folder, Program), error);
}

int TStation::Terminate()
{
    Process.Signal(SIGTERM);
    const int status = Process.Wait(kStartMs);
    Process.Kill();
    return status;
}

TSettings ParseSettings(const std::string& text)
{
    TSettings settings;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t equals = line.find('=');
        if (equals != std::string::npos && !line.starts_with("["))
            settings.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return settings;
}

} // namespace e2e
