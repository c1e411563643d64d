#pragma once

#include "support/loopback_port.h"
#include "support/spawned_process.h"
#include "support/temp_folder.h"

#include <QJsonObject>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What the end-to-end tests drive from outside: the real `tarvik` binary on
// the offscreen platform, configured only by the settings file beside it,
// and the real `tarvik-sim` playing the positioner. Everything talks over
// loopback addresses and pseudo-terminals, and every process started here
// ends with the object that started it.

namespace e2e {

// Generous: the machine is shared, and a whole test needs only a few of these.
constexpr int kStartMs = 15000;
constexpr int kFrameMs = 5000;
// The station sends web commands on its 250 ms data-reader tick; silence for
// this long means a command was not sent at all.
constexpr int kSilenceMs = 1500;

// True once something accepts connections on 127.0.0.1:`port`.
[[nodiscard]] bool WaitForListener(uint16_t port, int timeoutMs);

struct THttpResponse {
    int Status = 0;
    std::string Head; // status line and header lines
    std::string Body;
};

// One GET to 127.0.0.1:`port`, read to the end; nullopt when the server does
// not answer in time. `user` and `password` make an Authorization header.
[[nodiscard]] std::optional<THttpResponse> HttpGet(uint16_t port, const std::string& target,
                                                   const std::optional<std::pair<std::string, std::string>>& credentials = {});

[[nodiscard]] std::string Base64(const std::string& text);

// The frame a positioner should receive for a command code (0 stop to 17 go
// to preset), written out from the protocol tables independently of the
// station's own frame builder. "FF 01 00 02 20 00 23".
[[nodiscard]] std::string ExpectedFrame(bool pelcoD, int code, uint8_t id, uint8_t value);

// The control page's query for a direction or lens button, and for a preset
// button with the "pm" choice (0 go to, 1 set, 2 clear), in the order in
// which the page submits its form.
[[nodiscard]] std::string PageCommandTarget(int code, int id, int speed);
[[nodiscard]] std::string PagePresetTarget(int preset, int pm, int id, int speed);

// tarvik-sim as a child process in JSON mode.
class TSimulator {
public:
    // Listens on 127.0.0.1 with a port of the system's choosing.
    [[nodiscard]] bool StartTcp(std::string& error);
    // Plays the device side of a pseudo-terminal reachable as `linkPath`.
    [[nodiscard]] bool StartPty(const std::string& linkPath, std::string& error);

    [[nodiscard]] uint16_t Port() const { return TcpPort; }
    [[nodiscard]] const std::string& DevicePath() const { return Device; }

    // The next event of a type, skipping others; nullopt when none came.
    std::optional<QJsonObject> WaitForEvent(const QString& type, int timeoutMs);

    // Waits for a frame with the bytes `expected`. Frames before it may only
    // be repeats of `repeatable` (the station resends a movement until the
    // next command); anything else, a checksum fault or garbage, is a
    // failure, described in `failure`; `timedOut`, when given, tells whether
    // it was only that nothing came in time.
    [[nodiscard]] bool WaitForFrame(const std::string& expected, const std::string& repeatable, int timeoutMs,
                                    std::string& failure, bool* timedOut = nullptr);

    // True when no frame, fault or garbage arrives for `ms`; otherwise the
    // bytes that did arrive are in `failure`.
    [[nodiscard]] bool ExpectSilence(int ms, std::string& failure);

    // SIGTERM, and the summary it prints at exit.
    std::optional<QJsonObject> Stop();

    [[nodiscard]] std::string Diagnostics() { return Process.TranscriptText() + Process.Stderr(); }

private:
    std::optional<QJsonObject> NextEvent(int timeoutMs);

    TSpawnedProcess Process;
    uint16_t TcpPort = 0;
    std::string Device;
};

// Sends the page's stop request until `simulator` receives the stop frame
// for `id`. The station empties its web queue when a connect completes, and
// the simulator sees the connection a moment before that, so a command sent
// at once may be dropped; after this one came through, none is. False with
// the reason in `failure` when no stop arrives in kStartMs.
[[nodiscard]] bool WaitUntilStationSends(TSimulator& simulator, uint16_t httpPort, bool pelcoD, uint8_t id,
                                         const std::optional<std::pair<std::string, std::string>>& credentials,
                                         std::string& failure);

// The settings a test writes, one key a line in the file's one section.
using TSettings = std::vector<std::pair<std::string, std::string>>;

// The settings of a station that connects to `simulator` on start and runs
// the web server on 127.0.0.1:`httpPort` without authentication.
[[nodiscard]] TSettings ConnectedSettings(const TSimulator& simulator, bool overTcp, bool pelcoD, uint16_t httpPort);

// Replaces (or adds) one key.
void SetKey(TSettings& settings, const std::string& key, const std::string& value);

// A copy of the tarvik binary in a temporary folder, so its settings file
// beside it is the test's own; started there on the offscreen platform.
class TStation {
public:
    TStation();

    void WriteSettings(const TSettings& settings) const;
    [[nodiscard]] std::string ReadSettingsFile() const;
    [[nodiscard]] std::string SettingsPath() const { return Folder.Path("tarvik.ini"); }
    // A path in the station's folder, for files the test puts beside it.
    [[nodiscard]] std::string File(const std::string& name) const { return Folder.Path(name); }

    [[nodiscard]] bool Start(std::string& error);
    // SIGTERM as a session end sends it; the exit status, -1 when the
    // station did not end in time (it is killed then).
    int Terminate();
    [[nodiscard]] bool IsRunning() const { return Process.IsRunning(); }

    [[nodiscard]] std::string Diagnostics() { return Process.TranscriptText() + Process.Stderr(); }

private:
    TTempFolder Folder;
    std::string Program;
    TSpawnedProcess Process; // ends before its folder goes
};

// The keys and values of a settings file's lines, in the file's order.
[[nodiscard]] TSettings ParseSettings(const std::string& text);

} // namespace e2e
