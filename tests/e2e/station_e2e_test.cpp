#include "station_harness.h"

#include <gtest/gtest.h>

#include <algorithm>

// The tarvik binary driven from outside only: a settings file beside a copy
// of it, the web panel's requests, and what tarvik-sim receives on the line.

namespace {

using namespace e2e;

constexpr int kCodeStop = 0;
constexpr int kPresetSet = 1;   // "pm" values of the control page
constexpr int kPresetGoto = 0;
constexpr int kPresetClear = 2;

TEST(ExpectedFrameTest, ReproducesTheProtocolsWorkedFrames)
{
    struct TCase {
        bool PelcoD;
        int Code;
        uint8_t Id;
        uint8_t Value;
        const char* Frame;
    };
    const TCase cases[] = {
        {true, 0, 1, 0, "FF 01 00 00 00 00 01"},      {false, 0, 1, 0, "A0 00 00 00 00 00 AF 0F"},
        {true, 2, 1, 0x20, "FF 01 00 02 20 00 23"},   {false, 2, 1, 0x20, "A0 00 00 02 20 00 AF 2D"},
        {true, 17, 1, 5, "FF 01 00 07 00 05 0D"},     {false, 17, 1, 5, "A0 00 00 07 00 05 AF 0D"},
        {true, 11, 1, 0, "FF 01 00 80 00 00 81"},     {false, 11, 1, 0, "A0 00 01 00 00 00 AF 0E"},
        {true, 1, 1, 255, "FF 01 00 04 FF 00 04"},    {false, 3, 0, 1, "A0 FF 00 08 00 01 AF F9"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ExpectedFrame(c.PelcoD, c.Code, c.Id, c.Value), c.Frame) << "code " << c.Code;
}

struct TRoute {
    const char* Name;
    bool OverTcp;
    bool PelcoD;
    uint8_t Id;
    uint8_t Speed;
};

// CTest lists each case by its name rather than by its bytes.
void PrintTo(const TRoute& route, std::ostream* out)
{
    *out << route.Name;
}

class StationDrivenFromOutside : public testing::TestWithParam<TRoute> {
protected:
    void SetUp() override
    {
        const TRoute& route = GetParam();
        std::string error;
        const bool started = route.OverTcp ? Simulator.StartTcp(error)
                                           : Simulator.StartPty(Station.File("positioner"), error);
        ASSERT_TRUE(started) << error;
        HttpPort = FreeLoopbackPort();
        Station.WriteSettings(ConnectedSettings(Simulator, route.OverTcp, route.PelcoD, HttpPort));
        ASSERT_TRUE(Station.Start(error)) << error;
        // The settings connect the port and start the server on start; no
        // operator touches the window.
        ASSERT_TRUE(Simulator.WaitForEvent("connected", kStartMs)) << Diagnostics();
        ASSERT_TRUE(WaitForListener(HttpPort, kStartMs)) << Diagnostics();
        ASSERT_TRUE(WaitUntilStationSends(Simulator, HttpPort, route.PelcoD, route.Id, {}, error))
            << error << Diagnostics();
    }

    std::string Diagnostics() { return "\nsimulator:\n" + Simulator.Diagnostics() + "station:\n" + Station.Diagnostics(); }

    // Members end in reverse order: the station before the simulator it uses.
    TSimulator Simulator;
    TStation Station;
    uint16_t HttpPort = 0;
};

TEST_P(StationDrivenFromOutside, EveryDirectionLensAndPresetRequestReachesThePositionerWithTheRightBytes)
{
    const TRoute& route = GetParam();
    const int id = route.Id;
    const int speed = route.Speed;
    std::string previous = ExpectedFrame(route.PelcoD, kCodeStop, route.Id, 0);
    const auto expectFrame = [&](const std::string& target, const std::string& expected) {
        const std::optional<THttpResponse> response = HttpGet(HttpPort, target);
        ASSERT_TRUE(response) << target << ": no answer" << Diagnostics();
        EXPECT_EQ(response->Status, 200) << target;
        EXPECT_NE(response->Body.find("ptz_form"), std::string::npos) << target << ": not the control page";
        std::string failure;
        ASSERT_TRUE(Simulator.WaitForFrame(expected, previous, kFrameMs, failure))
            << target << ": " << failure << Diagnostics();
        previous = expected;
    };

    // Each direction and lens button of the page, a stop between the groups.
    for (const int code : {2, 1, 3, 4, 7, 5, 8, 6, kCodeStop, 9, 10, 11, 12, 13, 14, kCodeStop}) {
        SCOPED_TRACE("command code " + std::to_string(code));
        expectFrame(PageCommandTarget(code, id, speed), ExpectedFrame(route.PelcoD, code, route.Id, route.Speed));
    }
    for (const auto& [pm, code] : {std::pair{kPresetSet, 15}, {kPresetGoto, 17}, {kPresetClear, 16}}) {
        SCOPED_TRACE("preset mode " + std::to_string(pm));
        expectFrame(PagePresetTarget(3, pm, id, speed), ExpectedFrame(route.PelcoD, code, route.Id, 3));
    }

    // Requests that make no command leave the line quiet, and so does the
    // repeater once a preset command ended the movement.
    for (const std::string target : {"/?cmd=-1&id=1&speed=5", "/?id=1", "/?cmd=18&id=1&speed=5",
                                     "/?cmd=0&id=1&preset=5&pm=7"}) {
        const std::optional<THttpResponse> response = HttpGet(HttpPort, target);
        ASSERT_TRUE(response) << target;
        EXPECT_EQ(response->Status, 200) << target;
    }
    const std::optional<THttpResponse> missing = HttpGet(HttpPort, "/index.html?cmd=2&id=1&speed=5");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->Status, 404);
    std::string failure;
    EXPECT_TRUE(Simulator.ExpectSilence(kSilenceMs, failure)) << failure << Diagnostics();

    EXPECT_EQ(Station.Terminate(), 0) << Diagnostics();
    EXPECT_TRUE(Simulator.WaitForEvent("disconnected", kStartMs)) << Diagnostics();
}

INSTANTIATE_TEST_SUITE_P(
    Routes, StationDrivenFromOutside,
    testing::Values(TRoute{"TcpPelcoD", true, true, 7, 0x25}, TRoute{"TcpPelcoP", true, false, 7, 0x25},
                    TRoute{"PseudoTerminalPelcoD", false, true, 1, 0x3F},
                    TRoute{"PseudoTerminalPelcoP", false, false, 1, 0x3F}),
    [](const testing::TestParamInfo<TRoute>& route) { return std::string(route.param.Name); });

// Every key the station writes, in the order it writes them.
std::vector<std::string> SavedKeyOrder()
{
    std::vector<std::string> keys = {"Left",          "Top",
                                     "Port",          "PortSpeed",
                                     "RemoteHost",    "RemotePort",
                                     "CustomPresetN", "ID",
                                     "PTZSpeed",      "ShowCmd",
                                     "DoubleStop",    "Protocol",
                                     "PageControlTopPageIndex", "ServerHTTPLocalPort",
                                     "Authenticate",  "AuthenticateUser",
                                     "AuthenticatePass", "ServerHTTPLocalAddress",
                                     "ServerHTTP"};
    for (int i = 0; i <= 16; ++i) {
        for (const char* key : {"CustomCommandType", "CustomCommandCaption", "CustomCommandPresetID", "CustomCommandBytes"})
            keys.push_back(key + std::to_string(i));
    }
    keys.insert(keys.end(), {"SocketMode", "Connected", "MacroFile", "MacroLoop"});
    return keys;
}

std::optional<std::string> Value(const TSettings& settings, const std::string& key)
{
    const auto found = std::find_if(settings.begin(), settings.end(), [&](const auto& entry) { return entry.first == key; });
    return found == settings.end() ? std::nullopt : std::optional<std::string>(found->second);
}

TEST(StationSettings, SurviveSigtermAndARestart)
{
    const std::pair<std::string, std::string> operatorLogin{"operator", "pan tilt"};
    TSimulator simulator;
    std::string error;
    ASSERT_TRUE(simulator.StartTcp(error)) << error;
    const uint16_t httpPort = FreeLoopbackPort();
    TSettings settings = ConnectedSettings(simulator, true, false, httpPort);
    for (const auto& [key, value] : TSettings{{"Authenticate", "1"},
                                              {"AuthenticateUser", operatorLogin.first},
                                              {"AuthenticatePass", operatorLogin.second},
                                              {"ID", "9"},
                                              {"PTZSpeed", "45"},
                                              {"DoubleStop", "0"},
                                              {"PageControlTopPageIndex", "2"},
                                              {"CustomCommandType4", "0"},
                                              {"CustomCommandCaption4", "Wiper"},
                                              {"CustomCommandBytes4", "ff010009000111"},
                                              {"MacroLoop", "1"},
                                              {"AddedByHand", "1"}})
        SetKey(settings, key, value);

    TStation station;
    station.WriteSettings(settings);
    const auto diagnostics = [&] { return "\nsimulator:\n" + simulator.Diagnostics() + "station:\n" + station.Diagnostics(); };
    const std::string panRight = ExpectedFrame(false, 2, 4, 0x10);
    const std::string stop = ExpectedFrame(false, kCodeStop, 4, 0);

    // One run: the station connects and serves as the settings say, only to
    // the right credentials, and keeps them when a session end stops it.
    const auto run = [&](const char* which) {
        SCOPED_TRACE(which);
        ASSERT_TRUE(station.Start(error)) << error;
        ASSERT_TRUE(simulator.WaitForEvent("connected", kStartMs)) << diagnostics();
        ASSERT_TRUE(WaitForListener(httpPort, kStartMs)) << diagnostics();
        std::string failure;
        ASSERT_TRUE(WaitUntilStationSends(simulator, httpPort, false, 4, operatorLogin, failure)) << failure << diagnostics();

        const std::optional<THttpResponse> refused =
            HttpGet(httpPort, PageCommandTarget(2, 4, 0x10), std::pair{operatorLogin.first, std::string("pan-tilt")});
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->Status, 401);
        EXPECT_TRUE(simulator.ExpectSilence(kSilenceMs, failure)) << failure << diagnostics();

        for (const auto& [code, expected] : {std::pair{2, panRight}, {kCodeStop, stop}}) {
            const std::optional<THttpResponse> accepted = HttpGet(httpPort, PageCommandTarget(code, 4, 0x10), operatorLogin);
            ASSERT_TRUE(accepted);
            EXPECT_EQ(accepted->Status, 200);
            ASSERT_TRUE(simulator.WaitForFrame(expected, panRight, kFrameMs, failure)) << failure << diagnostics();
        }

        EXPECT_EQ(station.Terminate(), 0) << diagnostics();
        EXPECT_TRUE(simulator.WaitForEvent("disconnected", kStartMs)) << diagnostics();
    };

    run("first run");
    const std::string firstSave = station.ReadSettingsFile();
    const TSettings saved = ParseSettings(firstSave);
    std::vector<std::string> keys;
    for (const auto& entry : saved)
        keys.push_back(entry.first);
    EXPECT_EQ(keys, SavedKeyOrder()) << firstSave;
    EXPECT_TRUE(firstSave.starts_with("[Settings]")) << firstSave;

    // The states at the moment of closing, and what the test wrote.
    for (const auto& [key, value] : TSettings{{"Connected", "1"},
                                              {"ServerHTTP", "1"},
                                              {"SocketMode", "1"},
                                              {"RemoteHost", "127.0.0.1"},
                                              {"RemotePort", std::to_string(simulator.Port())},
                                              {"ServerHTTPLocalAddress", "127.0.0.1"},
                                              {"ServerHTTPLocalPort", std::to_string(httpPort)},
                                              {"Protocol", "1"},
                                              {"Authenticate", "1"},
                                              {"AuthenticateUser", operatorLogin.first},
                                              {"AuthenticatePass", operatorLogin.second},
                                              {"ID", "9"},
                                              {"PTZSpeed", "45"},
                                              {"ShowCmd", "1"},
                                              {"DoubleStop", "0"},
                                              {"PageControlTopPageIndex", "2"},
                                              {"CustomCommandType4", "0"},
                                              {"CustomCommandCaption4", "Wiper"},
                                              {"CustomCommandBytes4", "FF010009000111"},
                                              {"MacroLoop", "1"}})
        EXPECT_EQ(Value(saved, key), value) << key;

    // The saved file alone brings the same station back, and it saves the
    // same file again.
    run("restart");
    EXPECT_EQ(station.ReadSettingsFile(), firstSave);
}

} // namespace
