#pragma once

// What every test of the real window shares: the window, a pseudo-terminal
// playing the positioner on its serial line, and the log read from a mark.

#include <gtest/gtest.h>

#include <QStringList>

#include <memory>
#include <string>

#include "controller/tformtarvik.h"
#include "recording_desktop.h"
#include "support/bytes.h"
#include "support/pty_pair.h"

class TWindowTest : public ::testing::Test {
protected:
    // The window goes first: its tear-down saves settings into a derived
    // fixture's folder and closes the port before the line goes.
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
    // Whatever else arrives within a short while; "" when nothing does.
    [[nodiscard]] std::string NothingMore(int timeoutMs = 150) const { return Received(256, timeoutMs); }

    TPtyPair Pty;
    std::shared_ptr<TRecordingDesktop> Desktop = std::make_shared<TRecordingDesktop>();
    std::unique_ptr<TFormTarvik> Form;
    int LogStart = 0;
};
