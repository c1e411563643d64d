// The process around the window: exceptions escaping a handler, the
// termination signals, and the real program ending on SIGTERM.

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "controller/application.h"
#include "controller/termination_signals.h"
#include "recording_desktop.h"

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

// Whether the process has its own handler for `number` yet.
bool CatchesSignal(qint64 pid, int number)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            return (mask >> (number - 1)) & 1u;
        }
    }
    return false;
}

TEST(TarvikProcess, SigtermEndsItThroughTheOrdinaryTearDown)
{
    for (const int number : {SIGTERM, SIGHUP}) {
        QProcess tarvik;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        tarvik.setProcessEnvironment(environment);
        tarvik.setWorkingDirectory(QDir::tempPath());
        tarvik.start(QStringLiteral(TARVIK_EXECUTABLE), {});
        ASSERT_TRUE(tarvik.waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return CatchesSignal(tarvik.processId(), number); }, 10000));
        QTest::qWait(300);
        ASSERT_EQ(::kill(static_cast<pid_t>(tarvik.processId()), number), 0);
        ASSERT_TRUE(tarvik.waitForFinished(10000));
        EXPECT_EQ(tarvik.exitStatus(), QProcess::NormalExit) << number;
        EXPECT_EQ(tarvik.exitCode(), 0) << number;
    }
}

} // namespace
