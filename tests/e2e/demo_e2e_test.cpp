#include "station_harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>

// scripts/demo.sh, as `make demo` runs it, without its build step and with
// the station on the offscreen platform: the web panel stands in for the
// operator's clicks.

namespace {

using namespace e2e;

TSpawnedProcess::TOptions DemoOptions(const TTempFolder& folder,
                                      std::vector<std::pair<std::string, std::string>> environment)
{
    return {{"/bin/bash", std::string(TARVIK_SOURCE_DIR) + "/scripts/demo.sh", "--no-build", "--build-dir",
             TARVIK_BUILD_DIR, "--demo-dir", folder.Path("demo")},
            std::move(environment),
            folder.Path(),
            SIGTERM};
}

std::function<bool(const std::string&)> Contains(const std::string& text)
{
    return [text](const std::string& line) { return line.find(text) != std::string::npos; };
}

TEST(Demo, ConnectsTheStationToTheSimulatorShowsTheFramesAndStopsTheSimulatorWithTheStation)
{
    const TTempFolder folder;
    TSpawnedProcess demo;
    std::string error;
    ASSERT_TRUE(demo.Start(DemoOptions(folder, {{"QT_QPA_PLATFORM", "offscreen"},
                                                {"HOME", folder.Path()},
                                                {"XDG_CONFIG_HOME", folder.Path("config")}}),
                           error))
        << error;
    const auto diagnostics = [&] { return "\ndemo:\n" + demo.TranscriptText() + demo.Stderr(); };

    const std::optional<std::string> browserLine = demo.WaitForLine(Contains("http://127.0.0.1:"), kStartMs);
    ASSERT_TRUE(browserLine) << diagnostics();
    std::smatch match;
    ASSERT_TRUE(std::regex_search(*browserLine, match, std::regex(R"(http://127\.0\.0\.1:(\d+)/)"))) << *browserLine;
    const auto httpPort = static_cast<uint16_t>(std::stoi(match[1]));
    ASSERT_TRUE(demo.WaitForLine(Contains("Station connected from 127.0.0.1"), kStartMs)) << diagnostics();
    ASSERT_TRUE(WaitForListener(httpPort, kStartMs)) << diagnostics();

    // The station empties its web queue as its connect completes, a moment
    // after the simulator saw it: send until the first command comes through.
    std::optional<std::string> moved;
    for (int attempt = 0; attempt < 10 && !moved; ++attempt) {
        const std::optional<THttpResponse> response = HttpGet(httpPort, PageCommandTarget(2, 1, 32));
        ASSERT_TRUE(response && response->Status == 200) << diagnostics();
        moved = demo.WaitForLine(Contains("<< FF 01 00 02 20 00 23"), 1000);
    }
    ASSERT_TRUE(moved) << diagnostics();
    EXPECT_NE(moved->find("right 32"), std::string::npos) << *moved;
    EXPECT_NE(moved->find("moving: pan +32/s"), std::string::npos) << *moved;

    ASSERT_TRUE(HttpGet(httpPort, PageCommandTarget(0, 1, 0)));
    const std::optional<std::string> stopped = demo.WaitForLine(Contains("<< FF 01 00 00 00 00 01"), kFrameMs);
    ASSERT_TRUE(stopped) << diagnostics();
    EXPECT_NE(stopped->find("still"), std::string::npos) << *stopped;

    // A session end closes the station; the demo then stops the simulator,
    // which prints its summary, and nothing it started is left.
    demo.Signal(SIGTERM);
    EXPECT_TRUE(demo.WaitForLine(Contains("The station has closed (status 0)"), kStartMs)) << diagnostics();
    EXPECT_TRUE(demo.WaitForLine(Contains("Summary after"), kStartMs)) << diagnostics();
    EXPECT_EQ(demo.Wait(kStartMs), 0) << diagnostics();
    EXPECT_FALSE(demo.GroupHasProcesses()) << "the demo left a process running";

    const std::string settings = ReadFileText(folder.Path("demo/tarvik.ini"));
    EXPECT_NE(settings.find("Connected=1"), std::string::npos) << settings;
    EXPECT_NE(settings.find("ServerHTTPLocalPort=" + std::to_string(httpPort)), std::string::npos) << settings;
}

TEST(Demo, WithoutADesktopSaysHowToRunItInsteadOfFailingInQt)
{
    const TTempFolder folder;
    TSpawnedProcess demo;
    std::string error;
    ASSERT_TRUE(demo.Start(DemoOptions(folder, {{"QT_QPA_PLATFORM", ""}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}),
                           error))
        << error;
    EXPECT_EQ(demo.Wait(kStartMs), 1);
    const std::string message = demo.Stderr();
    EXPECT_NE(message.find("no desktop"), std::string::npos) << message;
    EXPECT_NE(message.find("QT_QPA_PLATFORM=offscreen make demo"), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(folder.Path("demo"))) << "nothing should be started or written";
}

} // namespace
