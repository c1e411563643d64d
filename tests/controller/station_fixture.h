#pragma once

// A real window whose settings file lives in a temporary folder, and what
// the tests of the custom commands, the settings and the server share.

#include <gtest/gtest.h>

#include <QTest>

#include <memory>
#include <string>

#include "controller/tformtarvik.h"
#include "recording_desktop.h"
#include "support/bytes.h"
#include "support/loopback_port.h"
#include "support/pty_pair.h"
#include "support/temp_folder.h"

class StationTest : public ::testing::Test {
protected:
    // The executable "is" Folder/tarvik, so its settings file is Folder/tarvik.ini.
    [[nodiscard]] TSettingsPlace Place() const
    {
        return TSettingsPlace{Folder.Path("tarvik"), Folder.Path("config"), Folder.Path("home")};
    }
    [[nodiscard]] std::string IniPath() const { return Folder.Path("tarvik.ini"); }

    // A window with `place`, run up to its first showing, settings loaded.
    void Open() { Open(Place()); }
    void Open(const TSettingsPlace& place)
    {
        Form = std::make_unique<TFormTarvik>(Desktop);
        Form->SettingsPlace = place;
        ASSERT_TRUE(QTest::qWaitFor([&] { return Form->isVisible(); }, 5000));
        LogStart = Form->Memo->Count();
    }
    // Destroying the window saves its settings.
    void Close() { Form.reset(); }

    // Connects the serial page to the pseudo-terminal, as the operator would.
    void ConnectToPty()
    {
        Form->PageControlPortSettings->SetActivePage(Form->TabSheetPortSettingsSerial);
        Form->ComboBoxPort->setEditText(QString::fromStdString(Pty.SlavePath()));
        Form->ComboBoxSpeed->setCurrentIndex(Form->ComboBoxSpeed->findText(QStringLiteral("9600")));
        Form->CheckBoxConnect->setChecked(true);
        ASSERT_TRUE(Form->SerialPort.IsOpen());
        LogStart = Form->Memo->Count();
    }

    [[nodiscard]] QStringList NewLogLines() const { return Form->Memo->Lines().mid(LogStart); }
    [[nodiscard]] std::string Received(size_t count, int timeoutMs = 2000) const
    {
        return Hex(Pty.ReadMaster(count, timeoutMs));
    }
    // Whatever else arrives within a short while; "" when nothing does.
    [[nodiscard]] std::string NothingMore(int timeoutMs = 150) const { return Received(64, timeoutMs); }

    TTempFolder Folder;
    TPtyPair Pty;
    std::shared_ptr<TRecordingDesktop> Desktop = std::make_shared<TRecordingDesktop>();
    std::unique_ptr<TFormTarvik> Form;
    int LogStart = 0;
};
