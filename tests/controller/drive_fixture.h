#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QStringList>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "controller/tformtarvik.h"
#include "recording_desktop.h"
#include "support/bytes.h"
#include "support/pty_pair.h"

// A window of its own for each test, with the settings load held back so no
// stored settings reach it, and the log read from where the test began.
class TDriveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Desktop = std::make_shared<TRecordingDesktop>();
        Form = std::make_unique<TFormTarvik>(Desktop);
        Form->TimerLoadSettings->stop();
        MarkLog();
    }

    void TearDown() override { Form.reset(); }

    void MarkLog() { LogStart = Form->Memo->Count(); }
    [[nodiscard]] QStringList NewLogLines() const { return Form->Memo->Lines().mid(LogStart); }

    // Connects to the pseudo-terminal through the connect box, as the
    // operator does.
    void ConnectSerial(const char* baudRate = "9600")
    {
        Form->PageControlPortSettings->SetActivePage(Form->TabSheetPortSettingsSerial);
        Form->ComboBoxPort->setEditText(QString::fromStdString(Pty.SlavePath()));
        Form->ComboBoxSpeed->setCurrentIndex(Form->ComboBoxSpeed->findText(QString::fromLatin1(baudRate)));
        Form->CheckBoxConnect->setChecked(true);
        ASSERT_TRUE(Form->SerialPort.IsOpen()) << Form->Memo->Lines().join(QLatin1Char('\n')).toStdString();
        MarkLog();
    }

    // The bytes the positioner received, as "FF 01 ..." text.
    [[nodiscard]] std::string Received(size_t count, int timeoutMs = 2000) const
    {
        return Hex(Pty.ReadMaster(count, timeoutMs));
    }
    [[nodiscard]] std::string NothingMore(int timeoutMs = 100) const { return Received(256, timeoutMs); }

    // The positioner sends; returns once the bytes wait at the port.
    void DeviceSends(const std::vector<uint8_t>& bytes)
    {
        const uint32_t before = Form->SerialPort.BytesWaiting();
        Pty.WriteMaster(bytes);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return Form->SerialPort.BytesWaiting() >= before + static_cast<uint32_t>(bytes.size()); }, 2000));
    }

    TPtyPair Pty;
    std::shared_ptr<TRecordingDesktop> Desktop;
    std::unique_ptr<TFormTarvik> Form;
    int LogStart = 0;
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
