#pragma once

#include <QElapsedTimer>
#include <QStringList>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "window_fixture.h"

// A window of its own for each test, with the settings load held back so no
// stored settings reach it, and the log read from where the test began.
class TDriveTest : public TWindowTest {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TFormTarvik>(Desktop);
        Form->TimerLoadSettings->stop();
        MarkLog();
    }

    // The analyzer panels lit now, by name and sorted, for readable failures.
    [[nodiscard]] QStringList LitPanels() const
    {
        QStringList names;
        for (TPanel* panel : Form->HighlightedPanels)
            names.append(panel->objectName());
        names.sort();
        return names;
    }

    // The positioner sends; returns once the bytes wait at the port.
    void DeviceSends(const std::vector<uint8_t>& bytes)
    {
        const uint32_t before = Form->SerialPort.BytesWaiting();
        Pty.WriteMaster(bytes);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return Form->SerialPort.BytesWaiting() >= before + static_cast<uint32_t>(bytes.size()); }, 2000));
    }
};

// A loopback listener playing the remote host.
class TLoopbackListener {
public:
    TLoopbackListener()
    {
        EXPECT_TRUE(Address.Parse("127.0.0.1"));
        EXPECT_TRUE(Socket.CreateSocket());
        EXPECT_TRUE(Socket.Bind(Address));
        EXPECT_TRUE(Socket.Listen(4));
        EXPECT_TRUE(Socket.LocalEndpoint(Address));
    }

    // Binds the given port; false when another program holds it.
    explicit TLoopbackListener(uint16_t port)
    {
        Bound = Address.Parse("127.0.0.1") && Socket.CreateSocket();
        Address.Port = port;
        Bound = Bound && Socket.Bind(Address) && Socket.Listen(4);
    }

    [[nodiscard]] uint16_t Port() const { return Address.Port; }
    [[nodiscard]] std::unique_ptr<TIPSocket> Accept()
    {
        if (!Socket.WaitReadable(2000))
            return nullptr;
        return Socket.Accept();
    }
    void Close() { Socket.Close(); }

    TIPEndpoint Address;
    TIPSocket Socket;
    bool Bound = true;
};
