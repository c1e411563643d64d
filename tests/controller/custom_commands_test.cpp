// The 17 custom command buttons against a real serial line (a
// pseudo-terminal), and their editor opened with a right click.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <functional>

#include "editor/tformeditcustomcommand.h"
#include "station_fixture.h"

namespace {

class CustomCommandTest : public StationTest {
protected:
    void SetUp() override
    {
        Open();
        Form->FormEditCustomCommand = new TFormEditCustomCommand(Form.get());
        ConnectSerial();
        Form->CheckBoxShowCmd->setChecked(true);
    }

    void Click(int index) { QTest::mouseClick(Form->CustomCommandButtons[index], Qt::LeftButton); }

    void SetRaw(int index, const char* bytes)
    {
        TCustomCommand& command = Form->CustomCommands[index];
        command.CommandType = ccUser;
        const std::vector<uint8_t> raw = Bytes(bytes);
        command.Bytes.fill(0);
        std::copy(raw.begin(), raw.end(), command.Bytes.begin());
        command.ByteCount = static_cast<uint8_t>(raw.size());
    }

    // A right press on button `index`; `operate` acts while the editor is
    // open and must close it. Should it not, the editor is cancelled.
    void EditWithRightClick(int index, const std::function<void(TFormEditCustomCommand&)>& operate)
    {
        TFormEditCustomCommand& editor = *Form->FormEditCustomCommand;
        bool operated = false;
        QTimer::singleShot(0, &editor, [&] {
            operated = true;
            EXPECT_TRUE(editor.isVisible());
            operate(editor);
            if (editor.isVisible()) {
                ADD_FAILURE() << "the editor was left open";
                editor.reject();
            }
        });
        QTest::mousePress(Form->CustomCommandButtons[index], Qt::RightButton);
        QTest::mouseRelease(Form->CustomCommandButtons[index], Qt::RightButton);
        EXPECT_TRUE(operated);
    }
};

TEST_F(CustomCommandTest, TheDefaultButtonsGoToTheirPresets)
{
    struct TCase {
        int Index;
        const char* Caption;
        const char* Frame;
    };
    const TCase cases[] = {
        {0, "Menu", "FF 01 00 07 00 5A 62"},
        {4, "Speed", "FF 01 00 07 00 33 3B"},
        {8, "Start", "FF 01 00 07 00 34 3C"},
        {16, "Pattern4", "FF 01 00 07 00 86 8E"},
    };
    for (const TCase& test : cases) {
        EXPECT_EQ(Form->CustomCommandButtons[test.Index]->text(), QLatin1String(test.Caption));
        Click(test.Index);
        EXPECT_EQ(Received(7), test.Frame) << test.Caption;
    }
    EXPECT_EQ(NothingMore(), "");
}

TEST_F(CustomCommandTest, APresetCommandIsBuiltForTheTypedIdInTheChosenProtocol)
{
    Form->CustomCommands[2].CommandType = ccPresetSet;
    Form->CustomCommands[2].PresetNumber = 5;
    Form->CustomCommands[3].CommandType = ccPresetClear;
    Form->CustomCommands[3].PresetNumber = 5;
    Form->EditID->setText(QStringLiteral("$0A"));
    Click(2);
    EXPECT_EQ(Received(7), "FF 0A 00 03 00 05 12");
    // The ID read is written back as the number used.
    EXPECT_EQ(Form->EditID->text(), "10");
    Form->ComboBoxProtocol->setCurrentIndex(1);
    Form->EditID->setText(QStringLiteral("1"));
    Click(3);
    EXPECT_EQ(Received(8), "A0 00 00 05 00 05 AF 0F");
}

TEST_F(CustomCommandTest, ARawCommandGoesOutUnchangedWhateverTheProtocol)
{
    SetRaw(5, "FF 01 00 07 00 05 0D");
    Form->ComboBoxProtocol->setCurrentIndex(1);
    Click(5);
    EXPECT_EQ(Received(7), "FF 01 00 07 00 05 0D");
    EXPECT_EQ(NothingMore(), "");
    EXPECT_EQ(NewLogLines(), QStringList{QStringLiteral(">> FF 01 00 07 00 05 0D")});
}

TEST_F(CustomCommandTest, ARawCommandWithoutBytesSendsNothingAndSucceeds)
{
    SetRaw(6, "");
    Click(6);
    EXPECT_EQ(NothingMore(), "");
    EXPECT_EQ(NewLogLines(), QStringList{QStringLiteral(">>")});
    EXPECT_TRUE(Form->CheckBoxConnect->isChecked());
}

TEST_F(CustomCommandTest, APresetCommandStopsTheRepeaterAndARawOneDoesNot)
{
    SetRaw(1, "FF 01 00 00 00 00 01");
    ASSERT_TRUE(Form->SendCommand(1, cmdRight, 32));
    EXPECT_EQ(Received(7), "FF 01 00 02 20 00 23");
    ASSERT_TRUE(Form->TimerCommandRepeater->isActive());

    Click(1);
    EXPECT_EQ(Received(7), "FF 01 00 00 00 00 01");
    EXPECT_TRUE(Form->TimerCommandRepeater->isActive());
    EXPECT_EQ(Hex(Form->LastFrame.data(), Form->LastFrameLength), "FF 01 00 02 20 00 23");

    Click(0);
    EXPECT_EQ(Received(7), "FF 01 00 07 00 5A 62");
    EXPECT_FALSE(Form->TimerCommandRepeater->isActive());
}

TEST_F(CustomCommandTest, AnUnknownTypeSendsNothingButStillReadsTheId)
{
    Form->CustomCommands[7].CommandType = 7;
    Form->EditID->setText(QStringLiteral("+5"));
    Click(7);
    EXPECT_EQ(NothingMore(), "");
    EXPECT_EQ(Form->EditID->text(), "5");
    EXPECT_TRUE(NewLogLines().isEmpty());
}

TEST_F(CustomCommandTest, NothingIsSentWhileDisconnected)
{
    Form->CheckBoxConnect->setChecked(false);
    SetRaw(1, "FF 01 00 00 00 00 01");
    Form->EditID->setText(QStringLiteral("$0A"));
    Click(0);
    Click(1);
    EXPECT_EQ(NothingMore(), "");
    EXPECT_EQ(Form->EditID->text(), "$0A");
}

TEST_F(CustomCommandTest, AFailedRawSendIsReportedAndDisconnects)
{
    SetRaw(1, "FF 01 00 00 00 00 01");
    Form->SerialPort.Close();
    LogStart = Form->Memo->Count();
    Click(1);
    EXPECT_EQ(NewLogLines().mid(0, 3), (QStringList{QStringLiteral(">> FF 01 00 00 00 00 01"), QString(),
                                                  QStringLiteral("Command not sent.")}));
    EXPECT_FALSE(Form->CheckBoxConnect->isChecked());
    EXPECT_EQ(Form->CheckBoxConnect->Color(), QColor(Qt::red));
}

TEST_F(CustomCommandTest, OkInTheEditorChangesTheButtonAndItsCommand)
{
    EditWithRightClick(4, [](TFormEditCustomCommand& editor) {
        // Opened on the button's command: preset 51, go to.
        EXPECT_EQ(editor.EditCustomCommandName->text(), "Speed");
        EXPECT_EQ(editor.ComboBoxStandardCommand->currentIndex(), ccPresetGoto);
        EXPECT_EQ(editor.ComboBoxPresetNumber->currentIndex(), 51);
        editor.EditCustomCommandName->setText(QStringLiteral("Home"));
        editor.ComboBoxStandardCommand->setCurrentIndex(ccUser);
        editor.ScrollBarCommandSize->setValue(7);
        const char* digits[] = {"FF", "01", "00", "07", "00", "21", "29"};
        for (int i = 0; i < 7; ++i)
            editor.ByteEdits[i]->setText(QLatin1String(digits[i]));
        QTest::mouseClick(editor.ButtonOk, Qt::LeftButton);
    });
    EXPECT_EQ(Form->CustomCommandButtons[4]->text(), "Home");
    const TCustomCommand& command = Form->CustomCommands[4];
    EXPECT_EQ(command.Caption, "Home");
    EXPECT_EQ(command.CommandType, ccUser);
    EXPECT_EQ(Hex(command.Bytes.data(), command.ByteCount), "FF 01 00 07 00 21 29");
    EXPECT_EQ(command.PresetNumber, 51);

    // A right press sends nothing; the next left click sends the new bytes.
    EXPECT_EQ(NothingMore(), "");
    Click(4);
    EXPECT_EQ(Received(7), "FF 01 00 07 00 21 29");
}

TEST_F(CustomCommandTest, CancelInTheEditorKeepsTheButton)
{
    EditWithRightClick(0, [](TFormEditCustomCommand& editor) {
        // The list item of preset 90, the button's own.
        EXPECT_EQ(editor.ComboBoxPresetNumber->currentText(), "    90 - 0x5A");
        editor.EditCustomCommandName->setText(QStringLiteral("Changed"));
        editor.ComboBoxStandardCommand->setCurrentIndex(ccPresetClear);
        QTest::mouseClick(editor.ButtonCancel, Qt::LeftButton);
    });
    EXPECT_EQ(Form->CustomCommandButtons[0]->text(), "Menu");
    EXPECT_EQ(Form->CustomCommands[0].Caption, "Menu");
    EXPECT_EQ(Form->CustomCommands[0].CommandType, ccPresetGoto);
}

TEST_F(CustomCommandTest, ACommandWithoutBytesOpensAtTwelveAndKeepsTwelveZeros)
{
    // After a first start every command has no bytes.
    ASSERT_EQ(Form->CustomCommands[9].ByteCount, 0);
    EditWithRightClick(9, [](TFormEditCustomCommand& editor) {
        EXPECT_EQ(editor.ScrollBarCommandSize->value(), 12);
        EXPECT_EQ(editor.LabelCommandSizeValue->text(), "12");
        for (QLineEdit* edit : editor.ByteEdits) {
            EXPECT_EQ(edit->text(), "00");
            EXPECT_TRUE(edit->isEnabled());
        }
        QTest::mouseClick(editor.ButtonOk, Qt::LeftButton);
    });
    EXPECT_EQ(Form->CustomCommands[9].ByteCount, 12);
    EXPECT_EQ(Hex(Form->CustomCommands[9].Bytes), "00 00 00 00 00 00 00 00 00 00 00 00");
}

TEST_F(CustomCommandTest, TheByteEditsFollowTheSizeAndTakeOnlyHexDigits)
{
    SetRaw(3, "11 22 33 44 55 66 77 88 99 AA BB CC");
    EditWithRightClick(3, [](TFormEditCustomCommand& editor) {
        for (int step = 0; step < 7; ++step)
            QTest::keyClick(editor.ScrollBarCommandSize, Qt::Key_Left);
        EXPECT_EQ(editor.LabelCommandSizeValue->text(), "5");
        for (int i = 0; i < TFormEditCustomCommand::kByteEditCount; ++i) {
            EXPECT_EQ(editor.ByteEdits[i]->isEnabled(), i < 5) << i;
            EXPECT_EQ(editor.ByteLabels[i]->isEnabled(), i < 5) << i;
            if (i >= 5) {
                EXPECT_EQ(editor.ByteEdits[i]->text(), "00") << i;
            }
        }
        QLineEdit* first = editor.ByteEdits[0];
        first->setFocus();
        first->selectAll();
        QTest::keyClicks(first, QStringLiteral("gf"));
        EXPECT_EQ(first->text(), "F");
        QTest::mouseClick(editor.ButtonOk, Qt::LeftButton);
    });
    const TCustomCommand& command = Form->CustomCommands[3];
    EXPECT_EQ(command.ByteCount, 5);
    EXPECT_EQ(Hex(command.Bytes), "0F 22 33 44 55 00 00 00 00 00 00 00");
    Click(3);
    EXPECT_EQ(Received(5), "0F 22 33 44 55");
}

TEST_F(CustomCommandTest, ALeftPressOpensNoEditor)
{
    QTest::mousePress(Form->CustomCommandButtons[2], Qt::LeftButton);
    EXPECT_FALSE(Form->FormEditCustomCommand->isVisible());
    QTest::mouseRelease(Form->CustomCommandButtons[2], Qt::LeftButton);
    EXPECT_EQ(Received(7), "FF 01 00 07 00 51 59");
}

TEST_F(CustomCommandTest, TheEditorWorksWhileDisconnectedToo)
{
    Form->CheckBoxConnect->setChecked(false);
    EditWithRightClick(1, [](TFormEditCustomCommand& editor) {
        editor.EditCustomCommandName->setText(QStringLiteral("Offline"));
        QTest::mouseClick(editor.ButtonOk, Qt::LeftButton);
    });
    EXPECT_EQ(Form->CustomCommandButtons[1]->text(), "Offline");
}

} // namespace
