#include "sim_runner.h"

#include "common/tick.h"
#include "macro_player.h"
#include "protocol/frame_builder.h"
#include "pty_transport.h"
#include "sim_output.h"
#include "simulator.h"
#include "stop_signals.h"
#include "tcp_transport.h"

#include <algorithm>
#include <memory>

namespace {

// The longest the loop sleeps without looking at its macro and stop flag.
constexpr uint32_t kIdleWaitMs = 1000;

TFrameAnalysis AnalyzeStep(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() == kPelcoDFrameLength && bytes[0] == kPelcoDStartByte)
        return AnalyzeFrame(TProtocol::PelcoD, bytes);
    if (bytes.size() == kPelcoPFrameLength && bytes[0] == kPelcoPStartByte)
        return AnalyzeFrame(TProtocol::PelcoP, bytes);
    return {};
}

class TRunner {
public:
    TRunner(const TSimOptions& options, std::FILE* out)
        : Options(options), StartTick(GetTickCount()), Output(out, {options.Json, options.Quiet}),
          Simulator({options.Address, options.Echo}, StartTick), Player({})
    {
    }

    int Run(std::FILE* err);

private:
    bool SetUp(std::string& error);
    void Status(std::string kind, std::string message, std::vector<std::pair<std::string, std::string>> fields = {},
                bool setup = false);
    void HandleEvents(const TTransportEvents& events, const std::vector<uint8_t>& data);
    void PlayDueSteps();
    [[nodiscard]] uint32_t Now() const { return GetTickCount(); }
    [[nodiscard]] uint32_t Elapsed() const { return Now() - StartTick; }

    const TSimOptions& Options;
    const uint32_t StartTick;
    TSimOutput Output;
    TSimulator Simulator;
    TMacroPlayer Player;
    TStopSignals Signals;
    std::unique_ptr<TSimTransport> Transport;
    bool Pty = false;
    std::vector<TSimEvent> Events; // reused between reads
    std::vector<uint8_t> Echo;
};

int TRunner::Run(std::FILE* err)
{
    std::string error;
    if (!SetUp(error)) {
        std::fprintf(err, "tarvik-sim: %s\n", error.c_str());
        return 1;
    }
    std::vector<uint8_t> data;
    while (!Signals.StopRequested()) {
        data.clear();
        const TTransportEvents events = Transport->Poll(Player.TimeUntilNext(Now(), kIdleWaitMs), data);
        HandleEvents(events, data);
        PlayDueSteps();
    }
    const uint32_t now = Now();
    Events.clear();
    Simulator.EndOfStream(now, Events);
    for (const TSimEvent& event : Events)
        Output.Write(event);
    Output.WriteSummary(Simulator.Counts(), Simulator.State(now), Simulator.ElapsedMs(now));
    return 0;
}

bool TRunner::SetUp(std::string& error)
{
    if (!Signals.IsInstalled()) {
        error = "cannot install the SIGINT and SIGTERM handlers";
        return false;
    }
    if (!Options.SendFile.empty()) {
        std::vector<TMacroStep> steps;
        if (!LoadMacroFile(Options.SendFile, steps, error))
            return false;
        Player = TMacroPlayer(std::move(steps));
    }
    if (Options.Transport == TSimOptions::TTransport::Tcp) {
        auto tcp = std::make_unique<TTcpTransport>(Signals.WakeFd());
        if (!tcp->Open(Options.TcpEndpoint, error))
            return false;
        const std::string endpoint = tcp->Endpoint().EndpointText();
        Transport = std::move(tcp);
        Status("listening", "Listening on " + endpoint + " for the station (Ctrl+C to stop)", {{"endpoint", endpoint}},
               true);
    } else {
        auto pty = std::make_unique<TPtyTransport>(Signals.WakeFd());
        if (!pty->Open(Options.LinkPath, error))
            return false;
        const std::string path = pty->DevicePath();
        Transport = std::move(pty);
        Pty = true;
        std::string message = "Serial port for the station: " + path;
        std::vector<std::pair<std::string, std::string>> fields = {{"path", path}};
        if (!Options.LinkPath.empty()) {
            message += " (also " + Options.LinkPath + ")";
            fields.emplace_back("link", Options.LinkPath);
        }
        Status("pty", message + " (Ctrl+C to stop)", std::move(fields), true);
    }
    if (!Options.SendFile.empty())
        Status("macro",
               "Macro " + Options.SendFile + ": " + std::to_string(Player.StepCount()) +
                   " steps, played each time the station connects",
               {{"file", Options.SendFile}, {"steps", std::to_string(Player.StepCount())}});
    return true;
}

void TRunner::Status(std::string kind, std::string message, std::vector<std::pair<std::string, std::string>> fields,
                     bool setup)
{
    Output.Write(TStatusEvent{Elapsed(), std::move(kind), std::move(message), std::move(fields), setup});
}

void TRunner::HandleEvents(const TTransportEvents& events, const std::vector<uint8_t>& data)
{
    const uint32_t now = Now();
    if (events.Connected) {
        Simulator.NoteConnection();
        Status("connected", Pty ? "Station opened the port" : "Station connected from " + events.Peer,
               {{"peer", events.Peer}});
        Player.Start(now);
    }
    for (const std::string& peer : events.Refused)
        Status("refused", "Refused a second connection from " + peer + ": one station at a time", {{"peer", peer}});
    if (!data.empty()) {
        Events.clear();
        Echo.clear();
        Simulator.Receive(data, now, Events, Echo);
        for (const TSimEvent& event : Events)
            Output.Write(event);
        if (!Echo.empty() && !Transport->Write(Echo)) {
            Simulator.NoteWriteFailure();
            Status("write_failed", "Echo not written: the station did not take it");
        }
    }
    if (events.Disconnected) {
        Events.clear();
        Simulator.EndOfStream(now, Events);
        for (const TSimEvent& event : Events)
            Output.Write(event);
        if (Player.IsPlaying()) {
            Player.Stop();
            Status("macro_stopped", "Macro stopped: the station went away");
        }
        Status("disconnected",
               Pty ? "Station closed the port; waiting for it to open again"
                   : "Station disconnected; waiting for the next connection");
    }
}

void TRunner::PlayDueSteps()
{
    size_t index = 0;
    while (Transport->IsConnected()) {
        const uint32_t now = Now();
        const TMacroStep* step = Player.TakeDue(now, index);
        if (!step)
            return;
        if (!step->Bytes.empty()) {
            const bool written = Transport->Write(step->Bytes);
            Simulator.NoteSent(written);
            Output.Write(TSentEvent{Simulator.ElapsedMs(now), step->Bytes, AnalyzeStep(step->Bytes), index + 1,
                                    Player.StepCount(), written});
            // As the station does: playback ends at the first write that fails.
            if (!written) {
                Player.Stop();
                Status("macro_stopped", "Macro stopped: step " + std::to_string(index + 1) + " was not written");
                return;
            }
        }
        if (!Player.IsPlaying())
            Status("macro_done", "Macro played: " + std::to_string(Player.StepCount()) + " steps",
                   {{"steps", std::to_string(Player.StepCount())}});
    }
}

} // namespace

int RunSimulator(const TSimOptions& options, std::FILE* out, std::FILE* err)
{
    TRunner runner(options, out);
    return runner.Run(err);
}
