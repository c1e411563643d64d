#include "station_harness.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

#include <filesystem>

// The control page in a real browser: Debian's Chromium driven by
// playwright-core (browser_driver.mjs) against the tarvik binary, with
// tarvik-sim checking what reaches the line after each click.

namespace {

using namespace e2e;

constexpr const char* kChromium = "/usr/bin/chromium";
// Starting Chromium on a busy two-core machine takes seconds.
constexpr int kBrowserMs = 30000;

// browser_driver.mjs: one JSON request a line in, one JSON answer a line out.
class TBrowser {
public:
    [[nodiscard]] bool Start(std::string& error)
    {
        const std::string driver = std::string(TARVIK_E2E_DIR) + "/browser_driver.mjs";
        // A test killed by CTest sends the driver SIGTERM, on which
        // playwright closes the browser it started.
        if (!Process.Start({{TARVIK_NODE, driver}, {}, TARVIK_E2E_DIR, SIGTERM}, error))
            return false;
        const std::optional<QJsonObject> ready = Answer(kBrowserMs);
        if (!ready || !(*ready)["ready"].toBool()) {
            error = "the browser did not start:\n" + Diagnostics();
            return false;
        }
        return true;
    }

    // Sends one request; its answer, or an object with "ok" false.
    QJsonObject Do(const QJsonObject& request)
    {
        const QByteArray line = QJsonDocument(request).toJson(QJsonDocument::Compact);
        if (!Process.WriteLine(line.toStdString()))
            return {{"ok", false}, {"error", "the driver is gone"}};
        const std::optional<QJsonObject> answer = Answer(kBrowserMs);
        return answer ? *answer : QJsonObject{{"ok", false}, {"error", "no answer in time"}};
    }

    // Closes the browser the orderly way; the destructor kills what is left.
    int Quit()
    {
        [[maybe_unused]] const bool sent = Process.WriteLine(R"({"do":"quit"})");
        Process.CloseStdin();
        return Process.Wait(kBrowserMs);
    }

    std::string Diagnostics() { return Process.TranscriptText() + Process.Stderr(); }

private:
    std::optional<QJsonObject> Answer(int timeoutMs)
    {
        const std::optional<std::string> line = Process.ReadLine(timeoutMs);
        if (!line)
            return std::nullopt;
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(*line));
        return document.isObject() ? std::optional(document.object()) : std::nullopt;
    }

    TSpawnedProcess Process;
};

TEST(ControlPageInChromium, LogInClickAndSeeTheFramesWhileAWrongPasswordReachesNothing)
{
    ASSERT_TRUE(std::filesystem::exists(kChromium))
        << kChromium << " is missing: scripts/install-deps.sh installs the chromium package";
    ASSERT_TRUE(std::filesystem::exists(std::string(TARVIK_E2E_DIR) + "/node_modules/playwright-core/package.json"))
        << "playwright-core is not installed in tests/e2e: scripts/install-deps.sh runs npm ci there";

    TSimulator simulator;
    std::string error;
    ASSERT_TRUE(simulator.StartTcp(error)) << error;
    const uint16_t httpPort = FreeLoopbackPort();
    TSettings settings = ConnectedSettings(simulator, true, true, httpPort);
    SetKey(settings, "Authenticate", "1");
    SetKey(settings, "AuthenticateUser", "operator");
    SetKey(settings, "AuthenticatePass", "dome-7");

    TStation station;
    station.WriteSettings(settings);
    ASSERT_TRUE(station.Start(error)) << error;
    TBrowser browser;
    const auto diagnostics = [&] {
        return "\nsimulator:\n" + simulator.Diagnostics() + "station:\n" + station.Diagnostics() + "browser:\n" +
               browser.Diagnostics();
    };
    ASSERT_TRUE(simulator.WaitForEvent("connected", kStartMs)) << diagnostics();
    ASSERT_TRUE(WaitForListener(httpPort, kStartMs)) << diagnostics();
    ASSERT_TRUE(WaitUntilStationSends(simulator, httpPort, true, 1, std::pair{std::string("operator"), std::string("dome-7")},
                                      error))
        << error << diagnostics();
    ASSERT_TRUE(browser.Start(error)) << error;

    const QString address = QStringLiteral("http://127.0.0.1:%1/").arg(httpPort);
    const QJsonObject opened = browser.Do({{"do", "open"}, {"url", address}, {"user", "operator"}, {"password", "dome-7"}});
    ASSERT_TRUE(opened["ok"].toBool()) << opened["error"].toString().toStdString() << diagnostics();
    EXPECT_EQ(opened["status"].toInt(), 200);
    // The browser folds the blanks of the server name in the title.
    EXPECT_EQ(opened["title"].toString().toStdString(), "Tarvik 5.6 (Server) MORWEN 2011");

    // The page's own defaults: device ID 1, speed 32.
    const std::string panRight = ExpectedFrame(true, 2, 1, 32);
    const std::string stop = ExpectedFrame(true, 0, 1, 0);
    const std::string setPreset3 = ExpectedFrame(true, 15, 1, 3);
    std::string failure;

    QJsonObject clicked = browser.Do({{"do", "click"}, {"button", QStringLiteral("\u2192")}});
    ASSERT_TRUE(clicked["ok"].toBool()) << clicked["error"].toString().toStdString() << diagnostics();
    EXPECT_EQ(clicked["status"].toInt(), 200);
    EXPECT_TRUE(simulator.WaitForFrame(panRight, stop, kFrameMs, failure)) << "after \u2192: " << failure << diagnostics();

    clicked = browser.Do({{"do", "click"}, {"button", "X"}});
    ASSERT_TRUE(clicked["ok"].toBool()) << clicked["error"].toString().toStdString() << diagnostics();
    EXPECT_TRUE(simulator.WaitForFrame(stop, panRight, kFrameMs, failure)) << "after X: " << failure << diagnostics();

    const QJsonObject checked = browser.Do({{"do", "check"}, {"radio", "Set"}});
    ASSERT_TRUE(checked["ok"].toBool()) << checked["error"].toString().toStdString() << diagnostics();
    clicked = browser.Do({{"do", "click"}, {"button", "3"}});
    ASSERT_TRUE(clicked["ok"].toBool()) << clicked["error"].toString().toStdString() << diagnostics();
    EXPECT_NE(clicked["url"].toString().indexOf("pm=1"), -1) << clicked["url"].toString().toStdString();
    EXPECT_TRUE(simulator.WaitForFrame(setPreset3, stop, kFrameMs, failure))
        << "after Set and 3: " << failure << diagnostics();
    EXPECT_TRUE(simulator.ExpectSilence(kSilenceMs, failure)) << failure << diagnostics();

    // A wrong password, even with a command in the address, is refused and
    // nothing reaches the line.
    const QJsonObject refused = browser.Do({{"do", "open"},
                                            {"url", address + "?id=1&speed=32&pm=0&cp=90&cmd=2&preset=0"},
                                            {"user", "operator"},
                                            {"password", "dome-8"}});
    ASSERT_TRUE(refused["ok"].toBool()) << refused["error"].toString().toStdString() << diagnostics();
    EXPECT_EQ(refused["status"].toInt(), 401);
    EXPECT_TRUE(simulator.ExpectSilence(kSilenceMs, failure)) << "after the wrong password: " << failure << diagnostics();

    EXPECT_EQ(browser.Quit(), 0) << diagnostics();
    EXPECT_EQ(station.Terminate(), 0) << diagnostics();
}

} // namespace
