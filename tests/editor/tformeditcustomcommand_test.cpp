#include "editor/tformeditcustomcommand.h"

#include "controller/component_helpers.h"
#include "support/bytes.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// A command whose every field differs from the construction values.
TCustomCommand SampleCommand()
{
    TCustomCommand command;
    command.Caption = "Wiper on";
    command.CommandType = ccUser;
    const auto bytes = Bytes("FF 01 00 09 00 01 0B 00 00 00 00 00");
    std::copy(bytes.begin(), bytes.end(), command.Bytes.begin());
    command.ByteCount = 7;
    command.PresetNumber = 33;
    return command;
}

void ExpectSameCommand(const TCustomCommand& actual, const TCustomCommand& expected)
{
    EXPECT_EQ(actual.Caption, expected.Caption);
    EXPECT_EQ(actual.CommandType, expected.CommandType);
    EXPECT_EQ(Hex(actual.Bytes), Hex(expected.Bytes));
    EXPECT_EQ(actual.ByteCount, expected.ByteCount);
    EXPECT_EQ(actual.PresetNumber, expected.PresetNumber);
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Owner = std::make_unique<QWidget>();
        Owner->setGeometry(100, 80, 344, 434);
        Owner->show();
        Dialog = new TFormEditCustomCommand(Owner.get());
    }

    // Runs Execute on `command`; `operate` acts while the dialog is modal and must
    // close it as the operator would. Should it not (a failed assertion), the dialog
    // is cancelled so the test cannot hang.
    bool ExecuteWith(TCustomCommand& command, const std::function<void()>& operate)
    {
        bool operated = false;
        QTimer::singleShot(0, Dialog, [&] {
            operated = true;
            EXPECT_TRUE(Dialog->isVisible());
            EXPECT_TRUE(Dialog->isModal());
            operate();
            if (Dialog->isVisible()) {
                ADD_FAILURE() << "the dialog was left open";
                Dialog->reject();
            }
        });
        const bool result = Dialog->Execute(command);
        EXPECT_TRUE(operated);
        EXPECT_FALSE(Dialog->isVisible());
        return result;
    }

    void ClickOk() { QTest::mouseClick(Dialog->ButtonOk, Qt::LeftButton); }
    void ClickCancel() { QTest::mouseClick(Dialog->ButtonCancel, Qt::LeftButton); }

    // Replaces an edit's text by typing, as an operator who selected it all would.
    static void TypeInto(QLineEdit* edit, const char* keys)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(keys));
    }

    // Moves the size by keyboard, one step per key.
    void StepSize(int steps)
    {
        for (int i = 0; i < std::abs(steps); ++i)
            QTest::keyClick(Dialog->ScrollBarCommandSize, steps < 0 ? Qt::Key_Left : Qt::Key_Right);
    }

    // Chooses a type in the type list with the arrow keys.
    void ChooseType(int item)
    {
        QComboBox* combo = Dialog->ComboBoxStandardCommand;
        while (combo->currentIndex() < item)
            QTest::keyClick(combo, Qt::Key_Down);
        while (combo->currentIndex() > item)
            QTest::keyClick(combo, Qt::Key_Up);
    }

    [[nodiscard]] QColor EditColour(int index) const
    {
        return Dialog->ByteEdits[index]->palette().color(QPalette::Base);
    }

    std::unique_ptr<QWidget> Owner;
    TFormEditCustomCommand* Dialog = nullptr; // owned by Owner, like the program's
};

struct TPlace {
    const char* Name;
    QRect Geometry;
};

TEST_F(EditorTest, IsBuiltAsTheFormLaysItOut)
{
    EXPECT_EQ(Dialog->windowTitle(), "Command editor");
    const Qt::WindowFlags flags = Dialog->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(Dialog->size(), QSize(304, 189));
    EXPECT_EQ(Dialog->minimumSize(), Dialog->maximumSize());
    EXPECT_EQ(Dialog->font().family(), "Liberation Sans");
    EXPECT_EQ(Dialog->font().pixelSize(), 11);
    EXPECT_EQ(Dialog->parentWidget(), Owner.get());

    const TPlace places[] = {
        {"EditCustomCommandName", {8, 24, 137, 21}}, {"ComboBoxStandardCommand", {160, 24, 137, 21}},
        {"PanelUserCommand", {0, 56, 304, 81}},      {"PanelStandardCommand", {0, 56, 304, 81}},
        {"Edit1", {8, 16, 23, 21}},                  {"Edit12", {272, 16, 23, 21}},
        {"Label7", {152, 37, 23, 13}},               {"LabelCommandSizeLabel", {8, 58, 225, 13}},
        {"LabelCommandSizeValue", {240, 58, 16, 13}}, {"ScrollBarCommandSize", {261, 56, 34, 17}},
        {"ComboBoxPresetNumber", {160, 32, 137, 21}}, {"ButtonOk", {56, 152, 75, 25}},
        {"ButtonCancel", {169, 152, 75, 25}},
    };
    for (const TPlace& place : places) {
        const auto* widget = Dialog->findChild<QWidget*>(place.Name);
        ASSERT_NE(widget, nullptr) << place.Name;
        EXPECT_EQ(widget->geometry(), place.Geometry) << place.Name;
    }
    for (const auto& [name, left, top] : {std::tuple{"LabelCustomCommandName", 8, 8}, {"LabelUserCommand", 160, 8},
                                          {"LabelCommandLabel", 8, 0}, {"LabelNumber", 160, 16}})
        EXPECT_EQ(Dialog->findChild<QLabel*>(name)->pos(), QPoint(left, top)) << name;

    EXPECT_EQ(Dialog->LabelCustomCommandName->text(), "Name:");
    EXPECT_EQ(Dialog->LabelUserCommand->text(), "Predefined command:");
    EXPECT_EQ(Dialog->LabelCommandLabel->text(), "Command:");
    EXPECT_EQ(Dialog->LabelCommandSizeLabel->text(), "Command size:");
    EXPECT_EQ(Dialog->LabelCommandSizeLabel->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(Dialog->LabelCommandSizeValue->text(), "12");
    EXPECT_EQ(Dialog->LabelNumber->text(), "Number:");
    EXPECT_EQ(Dialog->ButtonOk->text(), "OK");
    EXPECT_TRUE(Dialog->ButtonOk->isDefault());
    EXPECT_EQ(Dialog->ButtonCancel->text(), "Cancel");
    EXPECT_EQ(Dialog->EditCustomCommandName->maxLength(), 25);

    const QComboBox* types = Dialog->ComboBoxStandardCommand;
    ASSERT_EQ(types->count(), 4);
    EXPECT_EQ(types->itemText(0), "User command");
    EXPECT_EQ(types->itemText(1), "Preset: goto");
    EXPECT_EQ(types->itemText(2), "Preset: set");
    EXPECT_EQ(types->itemText(3), "Preset: clear");
    EXPECT_EQ(types->currentIndex(), 0);
    EXPECT_FALSE(types->isEditable());
    EXPECT_EQ(types->maxVisibleItems(), 20);
    EXPECT_FALSE(Dialog->PanelStandardCommand->isVisibleTo(Dialog));
    EXPECT_TRUE(Dialog->PanelUserCommand->isVisibleTo(Dialog));

    const QScrollBar* size = Dialog->ScrollBarCommandSize;
    EXPECT_EQ(size->orientation(), Qt::Horizontal);
    EXPECT_EQ(size->minimum(), 1);
    EXPECT_EQ(size->maximum(), 12);
    EXPECT_EQ(size->value(), 12);
}

TEST_F(EditorTest, TheByteEditsAndLabelsAreNumberedAndTagged)
{
    for (int i = 0; i < 12; ++i) {
        const QLineEdit* edit = Dialog->ByteEdits[i];
        const QLabel* label = Dialog->ByteLabels[i];
        ASSERT_NE(edit, nullptr);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(edit->objectName(), QStringLiteral("Edit%1").arg(i + 1));
        EXPECT_EQ(TagOf(edit), i);
        EXPECT_EQ(edit->text(), "00");
        EXPECT_EQ(edit->maxLength(), 2);
        EXPECT_EQ(edit->parentWidget(), Dialog->PanelUserCommand);
        EXPECT_EQ(label->objectName(), QStringLiteral("Label%1").arg(i + 1));
        EXPECT_EQ(TagOf(label), i);
        EXPECT_EQ(label->text(), QString::number(i + 1));
        EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        EXPECT_EQ(label->x(), edit->x());
    }
}

TEST_F(EditorTest, ThePresetListHasOneFixedPitchItemPerNumber)
{
    const QComboBox* presets = Dialog->ComboBoxPresetNumber;
    ASSERT_EQ(presets->count(), 256);
    EXPECT_EQ(presets->itemText(0), "     0 - 0x00");
    EXPECT_EQ(presets->itemText(5), "     5 - 0x05");
    EXPECT_EQ(presets->itemText(90), "    90 - 0x5A");
    EXPECT_EQ(presets->itemText(255), "   255 - 0xFF");
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(presets->itemText(i).size(), 13) << i;
    EXPECT_EQ(presets->maxVisibleItems(), 16);
    EXPECT_EQ(presets->font().family(), "Liberation Mono");
    EXPECT_TRUE(QFontInfo(presets->font()).fixedPitch());
    EXPECT_EQ(QFontInfo(Dialog->font()).family(), "Liberation Sans"); // installed, not a substitute
}

TEST_F(EditorTest, NoTextIsClipped)
{
    for (const QLabel* label : Dialog->findChildren<QLabel*>())
        EXPECT_LE(label->sizeHint().width(), label->width()) << label->objectName().toStdString();
    for (const QPushButton* button : Dialog->findChildren<QPushButton*>()) {
        const int margins = 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + margins, button->width())
            << button->objectName().toStdString();
    }
    const QFontMetrics metrics(Dialog->ComboBoxPresetNumber->font());
    EXPECT_LT(metrics.horizontalAdvance(Dialog->ComboBoxPresetNumber->itemText(255)), 137 - 20);
}

TEST_F(EditorTest, OpensShowingTheCommand)
{
    TCustomCommand command = SampleCommand();
    command.ByteCount = 3;
    command.CommandType = ccPresetSet;
    command.PresetNumber = 90;
    const TCustomCommand before = command;
    const bool result = ExecuteWith(command, [&] {
        EXPECT_EQ(Dialog->EditCustomCommandName->text(), "Wiper on");
        EXPECT_EQ(Dialog->focusWidget(), Dialog->EditCustomCommandName);
        EXPECT_EQ(Dialog->EditCustomCommandName->selectedText(), "Wiper on");
        EXPECT_EQ(Dialog->ByteEdits[0]->text(), "FF");
        EXPECT_EQ(Dialog->ByteEdits[1]->text(), "01");
        EXPECT_EQ(Dialog->ByteEdits[2]->text(), "00");
        for (int i = 3; i < 12; ++i) {
            EXPECT_EQ(Dialog->ByteEdits[i]->text(), "00") << i; // not the stored 09, 01, 0B
            EXPECT_FALSE(Dialog->ByteEdits[i]->isEnabled()) << i;
        }
        EXPECT_EQ(Dialog->ScrollBarCommandSize->value(), 3);
        EXPECT_EQ(Dialog->LabelCommandSizeValue->text(), "3");
        EXPECT_EQ(Dialog->ComboBoxStandardCommand->currentText(), "Preset: set");
        EXPECT_EQ(Dialog->ComboBoxPresetNumber->currentIndex(), 90);
        EXPECT_EQ(Dialog->ComboBoxPresetNumber->currentText(), "    90 - 0x5A");
        EXPECT_TRUE(Dialog->PanelStandardCommand->isVisible());
        EXPECT_FALSE(Dialog->PanelUserCommand->isVisible());
        ClickCancel();
    });
    EXPECT_FALSE(result);
    ExpectSameCommand(command, before);
}

TEST_F(EditorTest, ChoosingATypeSwapsThePanels)
{
    TCustomCommand command = SampleCommand();
    static_cast<void>(ExecuteWith(command, [&] {
        EXPECT_TRUE(Dialog->PanelUserCommand->isVisible());
        ChooseType(ccPresetSet);
        EXPECT_EQ(Dialog->ComboBoxStandardCommand->currentText(), "Preset: set");
        EXPECT_TRUE(Dialog->PanelStandardCommand->isVisible());
        EXPECT_FALSE(Dialog->PanelUserCommand->isVisible());
        ChooseType(ccPresetClear);
        EXPECT_TRUE(Dialog->PanelStandardCommand->isVisible());
        ChooseType(ccUser);
        EXPECT_TRUE(Dialog->PanelUserCommand->isVisible());
        EXPECT_FALSE(Dialog->PanelStandardCommand->isVisible());
        ClickCancel();
    }));
}

TEST_F(EditorTest, ShrinkingTheSizeDisablesAndClearsTheEditsBeyondIt)
{
    TCustomCommand command = SampleCommand();
    command.ByteCount = 12;
    const QColor windowColour = QGuiApplication::palette().color(QPalette::Base);
    const QColor buttonFace = QGuiApplication::palette().color(QPalette::Button);
    ASSERT_NE(windowColour, buttonFace);
    const bool result = ExecuteWith(command, [&] {
        EXPECT_EQ(Dialog->ByteEdits[5]->text(), "01");
        StepSize(-7);
        EXPECT_EQ(Dialog->ScrollBarCommandSize->value(), 5);
        EXPECT_EQ(Dialog->LabelCommandSizeValue->text(), "5");
        for (int i = 0; i < 12; ++i) {
            const bool inside = i < 5;
            EXPECT_EQ(Dialog->ByteEdits[i]->isEnabled(), inside) << i;
            EXPECT_EQ(Dialog->ByteLabels[i]->isEnabled(), inside) << i;
            EXPECT_EQ(EditColour(i), inside ? windowColour : buttonFace) << i;
            if (!inside) {
                EXPECT_EQ(Dialog->ByteEdits[i]->text(), "00") << i;
            }
        }
        EXPECT_EQ(Dialog->ByteEdits[3]->text(), "09");
        StepSize(+7);
        EXPECT_EQ(Dialog->LabelCommandSizeValue->text(), "12");
        for (int i = 0; i < 12; ++i) {
            EXPECT_TRUE(Dialog->ByteEdits[i]->isEnabled()) << i;
            EXPECT_TRUE(Dialog->ByteLabels[i]->isEnabled()) << i;
            EXPECT_EQ(EditColour(i), windowColour) << i;
        }
        EXPECT_EQ(Dialog->ByteEdits[5]->text(), "00"); // cleared, not restored
        EXPECT_EQ(Dialog->ByteEdits[6]->text(), "00");
        ClickOk();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(command.ByteCount, 12);
    EXPECT_EQ(Hex(command.Bytes), "FF 01 00 09 00 00 00 00 00 00 00 00");
}

TEST_F(EditorTest, TheSizeFollowsTheMouseOnTheScrollBarArrows)
{
    TCustomCommand command = SampleCommand(); // 7 bytes
    const bool result = ExecuteWith(command, [&] {
        QScrollBar* size = Dialog->ScrollBarCommandSize;
        QTest::mouseClick(size, Qt::LeftButton, {}, QPoint(3, size->height() / 2));
        EXPECT_EQ(size->value(), 6);
        QTest::mouseClick(size, Qt::LeftButton, {}, QPoint(size->width() - 3, size->height() / 2));
        QTest::mouseClick(size, Qt::LeftButton, {}, QPoint(size->width() - 3, size->height() / 2));
        EXPECT_EQ(size->value(), 8);
        EXPECT_EQ(Dialog->LabelCommandSizeValue->text(), "8");
        EXPECT_TRUE(Dialog->ByteEdits[7]->isEnabled());
        EXPECT_FALSE(Dialog->ByteEdits[8]->isEnabled());
        ClickOk();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(command.ByteCount, 8);
    EXPECT_EQ(Hex(command.Bytes), "FF 01 00 09 00 01 00 00 00 00 00 00"); // the 7th byte was cleared
}

TEST_F(EditorTest, ACommandWithoutBytesOpensAtTwelveZerosAndKeepsThem)
{
    TCustomCommand command = SampleCommand();
    command.ByteCount = 0;
    const bool result = ExecuteWith(command, [&] {
        EXPECT_EQ(Dialog->ScrollBarCommandSize->value(), 12);
        EXPECT_EQ(Dialog->LabelCommandSizeValue->text(), "12");
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(Dialog->ByteEdits[i]->text(), "00") << i;
            EXPECT_TRUE(Dialog->ByteEdits[i]->isEnabled()) << i;
        }
        ClickOk();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(command.ByteCount, 12);
    EXPECT_EQ(Hex(command.Bytes), "00 00 00 00 00 00 00 00 00 00 00 00");
}

TEST_F(EditorTest, ASingleDigitAndAnEmptiedEditAreStoredAsNumbers)
{
    TCustomCommand command = SampleCommand();
    const bool result = ExecuteWith(command, [&] {
        TypeInto(Dialog->ByteEdits[0], "A");
        EXPECT_EQ(Dialog->ByteEdits[0]->text(), "A");
        QLineEdit* second = Dialog->ByteEdits[1];
        second->setFocus();
        second->end(false);
        QTest::keyClick(second, Qt::Key_Backspace);
        QTest::keyClick(second, Qt::Key_Backspace);
        EXPECT_EQ(second->text(), "");
        ClickOk();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(command.ByteCount, 7);
    EXPECT_EQ(Hex(command.Bytes), "0A 00 00 09 00 01 0B 00 00 00 00 00");
}

TEST_F(EditorTest, TheByteEditsTakeOnlyHexDigitsInUpperCase)
{
    TCustomCommand command = SampleCommand();
    const bool result = ExecuteWith(command, [&] {
        QLineEdit* edit = Dialog->ByteEdits[0];
        TypeInto(edit, "g");
        EXPECT_EQ(edit->text(), "FF"); // the selection was not even replaced
        TypeInto(edit, "f");
        EXPECT_EQ(edit->text(), "F");
        TypeInto(edit, "xg-1 .c");
        EXPECT_EQ(edit->text(), "1C");
        TypeInto(edit, "abc");
        EXPECT_EQ(edit->text(), "AB"); // at most two

        // Pasting goes through the same rule.
        QGuiApplication::clipboard()->setText(QStringLiteral("zz"));
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit->text(), "AB");
        QGuiApplication::clipboard()->setText(QStringLiteral("e7"));
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit->text(), "E7");

        // The name takes anything.
        TypeInto(Dialog->EditCustomCommandName, "Go g!");
        EXPECT_EQ(Dialog->EditCustomCommandName->text(), "Go g!");
        ClickOk();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(command.Bytes[0], 0xE7);
    EXPECT_EQ(command.Caption, "Go g!");
}

TEST_F(EditorTest, TheNameTakesAtMostTwentyFiveCharacters)
{
    TCustomCommand command = SampleCommand();
    const bool result = ExecuteWith(command, [&] {
        TypeInto(Dialog->EditCustomCommandName, "abcdefghijklmnopqrstuvwxyz0123");
        ClickOk();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(command.Caption, "abcdefghijklmnopqrstuvwxy");
}

TEST_F(EditorTest, CancelAndEscapeKeepTheOldCommand)
{
    for (const bool useEscape : {false, true}) {
        TCustomCommand command = SampleCommand();
        const TCustomCommand before = command;
        const bool result = ExecuteWith(command, [&] {
            TypeInto(Dialog->EditCustomCommandName, "Changed");
            TypeInto(Dialog->ByteEdits[0], "12");
            StepSize(-3);
            ChooseType(ccPresetClear);
            QTest::keyClick(Dialog->ComboBoxPresetNumber, Qt::Key_Down);
            if (useEscape)
                QTest::keyClick(Dialog->EditCustomCommandName, Qt::Key_Escape);
            else
                ClickCancel();
        });
        EXPECT_FALSE(result) << (useEscape ? "Esc" : "Cancel");
        ExpectSameCommand(command, before);
    }
}

TEST_F(EditorTest, EnterConfirms)
{
    TCustomCommand command = SampleCommand();
    const bool result = ExecuteWith(command, [&] {
        TypeInto(Dialog->EditCustomCommandName, "Entered");
        QTest::keyClick(Dialog->EditCustomCommandName, Qt::Key_Return);
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(command.Caption, "Entered");
}

TEST_F(EditorTest, OkWritesEveryFieldWhateverTheType)
{
    // A preset command takes the bytes and size of the hidden byte panel too.
    TCustomCommand command = SampleCommand();
    bool result = ExecuteWith(command, [&] {
        TypeInto(Dialog->EditCustomCommandName, "Home");
        TypeInto(Dialog->ByteEdits[1], "a0");
        StepSize(-4);
        ChooseType(ccPresetGoto);
        QComboBox* presets = Dialog->ComboBoxPresetNumber;
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(presets, Qt::Key_Down);
        EXPECT_EQ(presets->currentIndex(), 37);
        ClickOk();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(command.Caption, "Home");
    EXPECT_EQ(command.CommandType, ccPresetGoto);
    EXPECT_EQ(command.ByteCount, 3);
    EXPECT_EQ(Hex(command.Bytes), "FF A0 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(command.PresetNumber, 37);

    // A raw command keeps the number chosen on the hidden preset panel.
    result = ExecuteWith(command, [&] {
        EXPECT_TRUE(Dialog->PanelStandardCommand->isVisible());
        QTest::keyClick(Dialog->ComboBoxPresetNumber, Qt::Key_Up);
        ChooseType(ccUser);
        ClickOk();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(command.CommandType, ccUser);
    EXPECT_EQ(command.PresetNumber, 36);
    EXPECT_EQ(command.ByteCount, 3);
}

TEST_F(EditorTest, AnUnchangedSizeKeepsTheStateItGaveBefore)
{
    TCustomCommand command = SampleCommand();
    command.ByteCount = 5;
    static_cast<void>(ExecuteWith(command, [&] { ClickCancel(); }));
    command.Bytes[6] = 0x77; // beyond the count: never shown
    const bool result = ExecuteWith(command, [&] {
        EXPECT_EQ(Dialog->ScrollBarCommandSize->value(), 5);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(Dialog->ByteEdits[i]->isEnabled(), i < 5) << i;
        EXPECT_EQ(Dialog->ByteEdits[6]->text(), "00");
        ClickOk();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(Hex(command.Bytes), "FF 01 00 09 00 00 00 00 00 00 00 00");
}

TEST_F(EditorTest, EachUseShowsItsOwnCommand)
{
    TCustomCommand preset;
    preset.Caption = "Menu";
    preset.PresetNumber = 90;
    static_cast<void>(ExecuteWith(preset, [&] {
        TypeInto(Dialog->ByteEdits[0], "EE");
        ClickCancel();
    }));
    TCustomCommand raw = SampleCommand();
    static_cast<void>(ExecuteWith(raw, [&] {
        EXPECT_EQ(Dialog->EditCustomCommandName->text(), "Wiper on");
        EXPECT_EQ(Dialog->ByteEdits[0]->text(), "FF");
        EXPECT_EQ(Dialog->ComboBoxPresetNumber->currentIndex(), 33);
        EXPECT_TRUE(Dialog->PanelUserCommand->isVisible());
        EXPECT_FALSE(Dialog->PanelStandardCommand->isVisible());
        ClickCancel();
    }));
}

TEST_F(EditorTest, ATypeOutsideTheListChoosesNoItemAndIsKept)
{
    TCustomCommand command = SampleCommand();
    command.CommandType = 7; // written by hand into the settings file
    command.ByteCount = 200; // never more edits than there are
    const bool result = ExecuteWith(command, [&] {
        EXPECT_EQ(Dialog->ComboBoxStandardCommand->currentIndex(), -1);
        EXPECT_TRUE(Dialog->PanelStandardCommand->isVisible());
        EXPECT_EQ(Dialog->ScrollBarCommandSize->value(), 12);
        ClickOk();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(command.CommandType, 7);
    EXPECT_EQ(command.ByteCount, 12);
}

TEST_F(EditorTest, SitsOverTheCentreOfItsOwnerEachTimeItIsShown)
{
    for (const QPoint ownerAt : {QPoint(100, 80), QPoint(300, 150)}) {
        Owner->move(ownerAt);
        TCustomCommand command = SampleCommand();
        static_cast<void>(ExecuteWith(command, [&] {
            const QPoint offset = Dialog->frameGeometry().center() - Owner->frameGeometry().center();
            EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
            ClickCancel();
        }));
    }
}

TEST_F(EditorTest, StaysOnTheScreenWhenItsOwnerIsAtTheEdge)
{
    const QRect screen = Owner->screen()->availableGeometry();
    Owner->move(screen.right() - 100, screen.bottom() - 100);
    TCustomCommand command = SampleCommand();
    static_cast<void>(ExecuteWith(command, [&] {
        EXPECT_TRUE(screen.contains(Dialog->frameGeometry()));
        ClickCancel();
    }));
}

TEST_F(EditorTest, ASecondEditWhileOneIsOpenIsRefused)
{
    TCustomCommand command = SampleCommand();
    TCustomCommand other = SampleCommand();
    const TCustomCommand before = other;
    const bool result = ExecuteWith(command, [&] {
        EXPECT_FALSE(Dialog->Execute(other));
        EXPECT_TRUE(Dialog->isVisible());
        ClickOk();
    });
    EXPECT_TRUE(result);
    ExpectSameCommand(other, before);
}

} // namespace
