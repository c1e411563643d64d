// The process around the window: exceptions escaping a handler, the
// termination signals, and the real program ending on SIGTERM.

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include <csignal>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "controller/application.h"
#include "controller/termination_signals.h"
#include "recording_desktop.h"
#include "support/spawned_process.h"
#include "support/station_options.h"
#include "support/temp_folder.h"

namespace {

TTarvikApplication& Application()
{
    return *static_cast<TTarvikApplication*>(QCoreApplication::instance());
}

TEST(Application, AnExceptionFromAHandlerIsReportedAndTheProgramGoesOn)
{
    auto desktop = std::make_shared<TRecordingDesktop>();
    Application().SetDesktop(desktop);
    bool laterHandlerRan = false;
    QTimer::singleShot(0, [] { throw std::runtime_error("Access violation in a handler"); });
    QTimer::singleShot(10, [&] { laterHandlerRan = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return laterHandlerRan; }, 2000));
    Application().SetDesktop(nullptr);
    EXPECT_EQ(desktop->Errors, QStringList{QStringLiteral("Access violation in a handler")});
}

TEST(Application, ExceptionTexts)
{
    EXPECT_EQ(ExceptionText(std::make_exception_ptr(std::runtime_error("disk full"))).toStdString(), "disk full");
    EXPECT_EQ(ExceptionText(std::make_exception_ptr(std::runtime_error(""))).toStdString(), "An unexpected error occurred.");
    EXPECT_EQ(ExceptionText(std::make_exception_ptr(42)).toStdString(), "An unexpected error occurred.");
}

TEST(TerminationSignals, EachSignalArrivesInTheEventLoop)
{
    TTerminationSignals terminationSignals;
    ASSERT_TRUE(terminationSignals.Installed());
    QList<int> received;
    QObject::connect(&terminationSignals, &TTerminationSignals::Received, [&](int number) { received.append(number); });
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        received.clear();
        ASSERT_EQ(::raise(number), 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !received.isEmpty(); }, 2000));
        EXPECT_EQ(received, QList<int>{number});
    }
}

// The real program runs as a copy in a folder of the test's own: it saves
// its settings file beside its executable when it ends.
TEST(TarvikProcess, SigtermEndsItThroughTheOrdinaryTearDown)
{
    const TTempFolder folder;
    const std::string program = folder.CopyProgram(TARVIK_EXECUTABLE);
    for (const int number : {SIGTERM, SIGHUP}) {
        TSpawnedProcess tarvik;
        std::string error;
        ASSERT_TRUE(tarvik.Start(StationOptions(folder, program), error)) << error;
        ASSERT_TRUE(QTest::qWaitFor([&] { return tarvik.CatchesSignal(number); }, 10000)) << tarvik.Stderr();
        QTest::qWait(300);
        ASSERT_EQ(::kill(tarvik.ProcessId(), number), 0);
        // The exit status after a normal exit; -1 when killed by the signal
        // or still running.
        EXPECT_EQ(tarvik.Wait(10000), 0) << number << "\n" << tarvik.Stderr();
    }
    EXPECT_TRUE(std::filesystem::exists(folder.Path("tarvik.ini"))) << "the tear-down saves the settings";
}

} // namespace
