// The operator's input on a connected pseudo-terminal: held buttons, presets,
// the number edits, the keyboard map, the wheel and the joystick knob.

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QWheelEvent>

#include "common/tick.h"
#include "controller/component_helpers.h"
#include "drive_fixture.h"

namespace {

constexpr const char* kStop = "FF 01 00 00 00 00 01";

std::string CommandFrame(uint8_t id, uint8_t code, uint8_t value)
{
    TFrame frame{};
    BuildCommandFrame(frame, true, code, value, id);
    return Hex(frame.data(), kPelcoDFrameLength);
}

std::string PanTiltFrame(uint8_t id, int pan, int tilt)
{
    TFrame frame{};
    BuildPanTiltFrame(frame, true, id, pan, tilt);
    return Hex(frame.data(), kPelcoDFrameLength);
}

class Input : public TDriveTest {
protected:
    void SetUp() override
    {
        TDriveTest::SetUp();
        ConnectSerial();
        Form->EditID->setText(QStringLiteral("1"));
        Form->EditSpeed->setText(QStringLiteral("32"));
    }

    [[nodiscard]] std::vector<std::pair<TSpeedButton*, uint8_t>> SpeedButtons() const
    {
        return {{Form->SpeedButtonStop, 0},       {Form->SpeedButtonLeft, 1},       {Form->SpeedButtonRight, 2},
                {Form->SpeedButtonUp, 3},         {Form->SpeedButtonDown, 4},       {Form->SpeedButtonLeftUp, 5},
                {Form->SpeedButtonLeftDown, 6},   {Form->SpeedButtonRightUp, 7},    {Form->SpeedButtonRightDown, 8},
                {Form->SpeedButtonZoomIn, 9},     {Form->SpeedButtonZoomOut, 10},   {Form->SpeedButtonFocusNear, 11},
                {Form->SpeedButtonFocusFar, 12},  {Form->SpeedButtonIrisOpen, 13},  {Form->SpeedButtonIrisClose, 14}};
    }

    void Wheel(int delta)
    {
        const QPoint inside(150, 150);
        QWheelEvent event(QPointF(inside), QPointF(Form->GroupBoxMainDriver->mapToGlobal(inside)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Form->GroupBoxMainDriver, &event);
    }

    // A mouse event on the knob at a screen position.
    void Knob(QEvent::Type type, QPoint screen, Qt::MouseButton button = Qt::LeftButton)
    {
        TPanel* knob = Form->PanelJoyButton;
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, QPointF(knob->mapFromGlobal(screen)), QPointF(screen),
                          type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
        QApplication::sendEvent(knob, &event);
    }

    [[nodiscard]] QPoint KnobCentre() const { return Form->PanelJoyButton->mapToGlobal(QPoint(12, 12)); }
};

TEST_F(Input, EverySpeedButtonSendsItsCodeOnAnyMouseButton)
{
    int round = 0;
    for (const auto& [button, code] : SpeedButtons()) {
        const Qt::MouseButton mouse = round++ % 2 == 0 ? Qt::LeftButton : Qt::RightButton;
        QTest::mousePress(button, mouse);
        EXPECT_EQ(Received(7), CommandFrame(1, code, 32)) << button->objectName().toStdString();
        QTest::mouseRelease(button, mouse);
        if (code != 0) {
            EXPECT_EQ(Received(7), kStop) << button->objectName().toStdString();
        }
        EXPECT_EQ(NothingMore(30), "") << button->objectName().toStdString();
        EXPECT_FALSE(Form->TimerCommandRepeater->isActive());
    }
    // Literal frames for two of them, so the table is not only checked
    // against the frame builder.
    QTest::mousePress(Form->SpeedButtonUp, Qt::LeftButton);
    EXPECT_EQ(Received(7), "FF 01 00 08 00 20 29");
    QTest::mouseRelease(Form->SpeedButtonUp, Qt::LeftButton);
    QTest::mousePress(Form->SpeedButtonZoomIn, Qt::LeftButton);
    EXPECT_EQ(Received(14), std::string(kStop) + " FF 01 00 20 00 00 21");
    QTest::mouseRelease(Form->SpeedButtonZoomIn, Qt::LeftButton);
    EXPECT_EQ(Received(7), kStop);
}

TEST_F(Input, HoldingAButtonRepeatsTheMovementUntilTheRelease)
{
    for (const bool doubleStop : {false, true}) {
        Form->CheckBoxDoubleStopCmd->setChecked(doubleStop);
        QTest::mousePress(Form->SpeedButtonRight, Qt::LeftButton);
        EXPECT_EQ(Received(7), "FF 01 00 02 20 00 23");
        QTest::qWait(650);
        QTest::mouseRelease(Form->SpeedButtonRight, Qt::LeftButton);
        const std::vector<uint8_t> bytes = Pty.ReadMaster(1024, 200);
        ASSERT_EQ(bytes.size() % 7, 0u);
        const size_t frames = bytes.size() / 7;
        const size_t stops = doubleStop ? 2 : 1;
        ASSERT_GE(frames, stops + 1) << Hex(bytes);
        for (size_t i = 0; i < frames; ++i)
            EXPECT_EQ(Hex(bytes.data() + 7 * i, 7), i < frames - stops ? "FF 01 00 02 20 00 23" : kStop) << i;
        EXPECT_FALSE(Form->TimerCommandRepeater->isActive());
    }
}

TEST_F(Input, NothingIsSentWhileDisconnected)
{
    Form->CheckBoxConnect->setChecked(false);
    MarkLog();
    QTest::mousePress(Form->SpeedButtonUp, Qt::LeftButton);
    QTest::mouseRelease(Form->SpeedButtonUp, Qt::LeftButton);
    QTest::mouseClick(Form->PresetButtons[0], Qt::LeftButton);
    Wheel(120);
    QTest::keyClick(Form.get(), Qt::Key_8, Qt::ControlModifier | Qt::KeypadModifier);
    Knob(QEvent::MouseButtonPress, KnobCentre());
    EXPECT_FALSE(Form->JoystickDragging);
    Knob(QEvent::MouseMove, KnobCentre() + QPoint(40, 0));
    Knob(QEvent::MouseButtonRelease, KnobCentre());
    EXPECT_TRUE(NewLogLines().isEmpty()) << NewLogLines().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(Form->TimerCommandRepeater->isActive());
    EXPECT_EQ(Form->EditID->text().toStdString(), "1");
}

TEST_F(Input, TheNumbersUsedAreWrittenBackAndOnlyTheirLowBitsSent)
{
    Form->EditID->setText(QStringLiteral("$10"));
    Form->EditSpeed->setText(QStringLiteral("300"));
    QTest::mousePress(Form->SpeedButtonLeft, Qt::LeftButton);
    EXPECT_EQ(Received(7), CommandFrame(16, 1, 44));
    EXPECT_EQ(Form->EditID->text().toStdString(), "16");
    EXPECT_EQ(Form->EditSpeed->text().toStdString(), "300");
    Form->EditID->setText(QStringLiteral("x"));
    QTest::mouseRelease(Form->SpeedButtonLeft, Qt::LeftButton);
    EXPECT_EQ(Received(7), CommandFrame(0, 0, 0));
    EXPECT_EQ(Form->EditID->text().toStdString(), "0");
}

TEST_F(Input, SetAndClearApplyToOnePresetClickWhileConnected)
{
    QTest::mouseClick(Form->RadioButtonSetPreset, Qt::LeftButton);
    EXPECT_EQ(Form->PresetCommandCode, cmdPresetSet);
    QTest::mouseClick(Form->PresetButtons[2], Qt::LeftButton);
    EXPECT_EQ(Received(7), "FF 01 00 03 00 03 07");
    EXPECT_TRUE(Form->RadioButtonGotoPreset->isChecked());
    EXPECT_EQ(Form->PresetCommandCode, cmdPresetGoto);

    QTest::mouseClick(Form->RadioButtonClearPreset, Qt::LeftButton);
    QTest::mouseClick(Form->PresetButtons[14], Qt::LeftButton);
    EXPECT_EQ(Received(7), CommandFrame(1, cmdPresetClear, 15));
    QTest::mouseClick(Form->PresetButtons[0], Qt::LeftButton);
    EXPECT_EQ(Received(7), CommandFrame(1, cmdPresetGoto, 1));

    // Disconnected, the choice stays for the next click.
    Form->CheckBoxConnect->setChecked(false);
    QTest::mouseClick(Form->RadioButtonSetPreset, Qt::LeftButton);
    QTest::mouseClick(Form->PresetButtons[4], Qt::LeftButton);
    EXPECT_TRUE(Form->RadioButtonSetPreset->isChecked());
    EXPECT_EQ(Form->PresetCommandCode, cmdPresetSet);
    EXPECT_EQ(NothingMore(), "");
}

TEST_F(Input, TheCustomPresetNumber)
{
    struct TCase {
        const char* Typed;
        const char* EditAfter;
        int Number;
    };
    const TCase cases[] = {{"", "", 1}, {"300", "255", 255}, {"-4", "0", 0}, {"42", "42", 42}, {"$FF", "$FF", 255},
                           {"abc", "abc", 1}};
    for (const TCase& test : cases) {
        Form->EditCustomPresetN->setText(QString::fromLatin1(test.Typed));
        EXPECT_EQ(Form->EditCustomPresetN->text().toStdString(), test.EditAfter) << test.Typed;
        EXPECT_EQ(Form->ButtonCustomPresetN->text(), QString::number(test.Number)) << test.Typed;
        EXPECT_EQ(TagOf(Form->ButtonCustomPresetN), test.Number) << test.Typed;
    }

    Form->EditCustomPresetN->clear();
    QTest::mouseClick(Form->ButtonCustomPresetN, Qt::LeftButton);
    EXPECT_EQ(Received(7), CommandFrame(1, cmdPresetGoto, 1));
    EXPECT_EQ(Form->EditCustomPresetN->text().toStdString(), "");

    // Typed digit by digit, 300 turns into 255 at the third.
    QTest::keyClicks(Form->EditCustomPresetN, QStringLiteral("300"));
    EXPECT_EQ(Form->EditCustomPresetN->text().toStdString(), "255");
    QTest::mouseClick(Form->ButtonCustomPresetN, Qt::LeftButton);
    EXPECT_EQ(Received(7), CommandFrame(1, cmdPresetGoto, 255));
}

TEST_F(Input, TheIDShortcutButtonsFillTheIDEdit)
{
    for (int n = 1; n <= 10; ++n) {
        QTest::mouseClick(Form->ChangeIDButtons[static_cast<size_t>(n - 1)], Qt::LeftButton);
        EXPECT_EQ(Form->EditID->text(), QString::number(n));
    }
    QTest::mousePress(Form->SpeedButtonStop, Qt::LeftButton);
    EXPECT_EQ(Received(7), CommandFrame(10, 0, 0));
    EXPECT_EQ(NothingMore(), ""); // no stop on the release of the stop button
}

TEST_F(Input, TheEditsTakeDigitsAndStepWithTheArrows)
{
    // Disconnected, so the port settings' edits take keys too.
    Form->CheckBoxConnect->setChecked(false);
    Form->EditID->clear();
    QTest::keyClicks(Form->EditID, QStringLiteral("1a-2 "));
    EXPECT_EQ(Form->EditID->text().toStdString(), "12");
    QTest::keyClick(Form->EditID, Qt::Key_Backspace);
    EXPECT_EQ(Form->EditID->text().toStdString(), "1");
    Form->EditRemotePort->clear();
    QTest::keyClicks(Form->EditRemotePort, QStringLiteral("8x0"));
    EXPECT_EQ(Form->EditRemotePort->text().toStdString(), "80");

    struct TCase {
        QLineEdit* Edit;
        const char* Before;
        Qt::Key Key;
        const char* After;
    };
    const TCase cases[] = {
        {Form->EditSpeed, "255", Qt::Key_Up, "63"},       {Form->EditSpeed, "1", Qt::Key_Down, "1"},
        {Form->EditSpeed, "", Qt::Key_Up, "1"},           {Form->EditSpeed, "10", Qt::Key_Down, "9"},
        {Form->EditID, "255", Qt::Key_Up, "255"},         {Form->EditID, "0", Qt::Key_Down, "0"},
        {Form->EditID, "7", Qt::Key_Up, "8"},             {Form->EditCustomPresetN, "0", Qt::Key_Down, "0"},
        {Form->EditCustomPresetN, "254", Qt::Key_Up, "255"}, {Form->EditLocalPort, "65535", Qt::Key_Up, "65535"},
        {Form->EditRemotePort, "0", Qt::Key_Down, "0"},   {Form->EditRemotePort, "80", Qt::Key_Up, "81"},
        {Form->EditLocalPort, "x", Qt::Key_Down, "0"},
    };
    for (const TCase& test : cases) {
        test.Edit->setText(QString::fromLatin1(test.Before));
        QTest::keyClick(test.Edit, test.Key);
        EXPECT_EQ(test.Edit->text().toStdString(), test.After)
            << test.Edit->objectName().toStdString() << " " << test.Before;
    }
    // The stepped number reaches the preset button through the edit's change.
    EXPECT_EQ(Form->ButtonCustomPresetN->text().toStdString(), "255");
}

TEST_F(Input, TheCtrlKeypadMapDrivesTheMovements)
{
    const Qt::KeyboardModifiers keypad = Qt::ControlModifier | Qt::KeypadModifier;
    const std::pair<Qt::Key, uint8_t> keys[] = {
        {Qt::Key_1, 6},  {Qt::Key_2, 4},         {Qt::Key_3, 8},         {Qt::Key_4, 1},        {Qt::Key_6, 2},
        {Qt::Key_7, 5},  {Qt::Key_8, 3},         {Qt::Key_9, 7},         {Qt::Key_Plus, 9},     {Qt::Key_Minus, 10},
        {Qt::Key_Asterisk, 12}, {Qt::Key_Slash, 11},
    };
    for (const auto& [key, code] : keys) {
        QTest::keyPress(Form.get(), key, keypad);
        EXPECT_EQ(Received(7), CommandFrame(1, code, 32)) << code;
        QTest::keyRelease(Form.get(), key, keypad);
        EXPECT_EQ(Received(7), kStop) << code;
    }
    // Page Up and Page Down open and close the iris, from the keypad or not.
    QTest::keyPress(Form.get(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(Received(7), CommandFrame(1, 13, 32));
    QTest::keyRelease(Form.get(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(Received(7), kStop);
    QTest::keyPress(Form.get(), Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Received(7), CommandFrame(1, 14, 32));
    QTest::keyRelease(Form.get(), Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Received(7), kStop);

    // Keypad 5 is the stop, on the press and on the release.
    Form->CheckBoxDoubleStopCmd->setChecked(true);
    QTest::keyPress(Form.get(), Qt::Key_5, keypad);
    EXPECT_EQ(Received(7), kStop);
    QTest::keyRelease(Form.get(), Qt::Key_5, keypad);
    EXPECT_EQ(Received(14), std::string(kStop) + " " + kStop);

    // Without Ctrl the keys do nothing.
    QTest::keyClick(Form.get(), Qt::Key_8, Qt::KeypadModifier);
    QTest::keyClick(Form.get(), Qt::Key_PageUp);
    EXPECT_EQ(NothingMore(), "");
}

TEST_F(Input, ReleasingCtrlFirstLeavesTheMovementRunning)
{
    QTest::keyPress(Form.get(), Qt::Key_8, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(Received(7), CommandFrame(1, 3, 32));
    QTest::keyRelease(Form.get(), Qt::Key_8, Qt::KeypadModifier);
    EXPECT_TRUE(Form->TimerCommandRepeater->isActive());
    // The repeater keeps the positioner moving.
    QTest::qWait(400);
    EXPECT_EQ(Received(7), CommandFrame(1, 3, 32));
    QTest::mousePress(Form->SpeedButtonStop, Qt::LeftButton);
    EXPECT_FALSE(Form->TimerCommandRepeater->isActive());
}

TEST_F(Input, AKeyForTheFocusedControlIsSeenByTheWindowOnce)
{
    Form->EditID->setText(QStringLiteral("1"));
    QTest::keyPress(Form->EditID, Qt::Key_4, Qt::ControlModifier | Qt::KeypadModifier);
    QTest::keyRelease(Form->EditID, Qt::Key_4, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(Received(14), CommandFrame(1, 1, 32) + " " + kStop);
    EXPECT_EQ(NothingMore(), "");
    // The key reached the edit too, which types no digit held with Ctrl.
    EXPECT_EQ(Form->EditID->text().toStdString(), "1");
    // A key the edit does take still arrives there.
    QTest::keyClick(Form->EditID, Qt::Key_5);
    EXPECT_EQ(Form->EditID->text().toStdString(), "15");
}

TEST_F(Input, CtrlDigitsGoToPresetsAndFunctionKeysClickTheCustomButtons)
{
    const std::pair<Qt::Key, int> digits[] = {{Qt::Key_1, 1}, {Qt::Key_5, 5}, {Qt::Key_9, 9}, {Qt::Key_0, 10}};
    for (const auto& [key, preset] : digits) {
        QTest::keyClick(Form.get(), key, Qt::ControlModifier);
        EXPECT_EQ(Received(7), CommandFrame(1, cmdPresetGoto, static_cast<uint8_t>(preset))) << preset;
    }

    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (TButton* button : Form->CustomCommandButtons)
        spies.push_back(std::make_unique<QSignalSpy>(button, &QAbstractButton::clicked));
    for (int f = 0; f < 12; ++f)
        QTest::keyClick(Form.get(), static_cast<Qt::Key>(Qt::Key_F1 + f), Qt::ControlModifier);
    QTest::keyClick(Form.get(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(Form.get(), Qt::Key_F3); // no Ctrl
    for (size_t i = 0; i < spies.size(); ++i)
        EXPECT_EQ(spies[i]->count(), i == 0 ? 2 : (i < 12 ? 1 : 0)) << i;
}

TEST_F(Input, EachWheelNotchZoomsAndStops)
{
    QElapsedTimer clock;
    clock.start();
    Wheel(120);
    EXPECT_GE(clock.elapsed(), 190);
    EXPECT_EQ(Received(14), CommandFrame(1, cmdZoomTele, 32) + " " + kStop);
    Wheel(-120);
    EXPECT_EQ(Received(14), CommandFrame(1, cmdZoomWide, 32) + " " + kStop);

    // Finer wheels add up to a notch; two notches at once run twice.
    Wheel(60);
    EXPECT_EQ(NothingMore(), "");
    Wheel(60);
    EXPECT_EQ(Received(14), CommandFrame(1, cmdZoomTele, 32) + " " + kStop);
    Wheel(-240);
    const std::string wide = CommandFrame(1, cmdZoomWide, 32) + " " + kStop;
    EXPECT_EQ(Received(28), wide + " " + wide);
    EXPECT_EQ(NothingMore(), "");
}

TEST_F(Input, TheJoystickScalesTheDisplacementToSpeeds)
{
    const QPoint origin = KnobCentre();
    Knob(QEvent::MouseButtonPress, origin);
    ASSERT_TRUE(Form->JoystickDragging);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BlankCursor);
    EXPECT_EQ(Form->PanelJoyButton->Color(), QApplication::palette().color(QPalette::ButtonText));

    struct TCase {
        QPoint Offset;
        int Pan;
        int Tilt;
        QPoint Knob;
    };
    const TCase cases[] = {
        {{6, 0}, 0, 0, {83, 83}},       {{7, 0}, 0, 0, {90, 83}},        {{8, 0}, 1, 0, {91, 83}},
        {{80, 0}, 63, 0, {163, 83}},    {{81, 0}, 255, 0, {164, 83}},    {{200, 0}, 255, 0, {164, 83}},
        {{-8, 0}, -1, 0, {75, 83}},     {{0, -80}, 0, -63, {83, 3}},     {{-81, 81}, -255, 255, {2, 164}},
        {{40, -40}, 29, -29, {123, 43}},
    };
    for (const TCase& test : cases) {
        Form->JoystickLastSendTick = GetTickCount() - 100; // the send interval has passed
        Knob(QEvent::MouseMove, origin + test.Offset);
        EXPECT_EQ(Received(7), PanTiltFrame(1, test.Pan, test.Tilt)) << test.Offset.x() << "," << test.Offset.y();
        EXPECT_EQ(Form->PanelJoyButton->pos(), test.Knob) << test.Offset.x() << "," << test.Offset.y();
        EXPECT_EQ(Form->PanelJoyButton->size(), QSize(25, 25));
    }

    // Within 100 ms of the last frame the knob moves but nothing is sent.
    Knob(QEvent::MouseMove, origin + QPoint(20, 0));
    EXPECT_EQ(Form->PanelJoyButton->pos(), QPoint(103, 83));
    EXPECT_EQ(NothingMore(50), "");

    Form->CheckBoxDoubleStopCmd->setChecked(true);
    Knob(QEvent::MouseButtonRelease, origin + QPoint(20, 0));
    EXPECT_EQ(Received(14), std::string(kStop) + " " + kStop);
    EXPECT_FALSE(Form->JoystickDragging);
    EXPECT_EQ(Form->PanelJoyButton->pos(), QPoint(83, 83));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Form->PanelJoyButton->Color(), ButtonFaceColor());
    EXPECT_FALSE(Form->TimerCommandRepeater->isActive());
}

TEST_F(Input, OnlyTheLeftButtonDragsButAnyReleaseStops)
{
    Knob(QEvent::MouseButtonPress, KnobCentre(), Qt::RightButton);
    EXPECT_FALSE(Form->JoystickDragging);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    Knob(QEvent::MouseMove, KnobCentre() + QPoint(30, 0), Qt::RightButton);
    EXPECT_EQ(Form->PanelJoyButton->pos(), QPoint(83, 83));
    Knob(QEvent::MouseButtonRelease, KnobCentre(), Qt::RightButton);
    EXPECT_EQ(Received(7), kStop);
    EXPECT_EQ(NothingMore(), "");
}

TEST_F(Input, AFailedJoystickSendEndsTheDrag)
{
    const QPoint origin = KnobCentre();
    Knob(QEvent::MouseButtonPress, origin);
    Form->SerialPort.Close();
    Knob(QEvent::MouseMove, origin + QPoint(30, 0));
    EXPECT_FALSE(Form->JoystickDragging);
    EXPECT_EQ(Form->PanelJoyButton->pos(), QPoint(83, 83));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(Form->CheckBoxConnect->isChecked());
    const QStringList lines = NewLogLines();
    EXPECT_EQ(lines.count(QStringLiteral("Command not sent.")), 1) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines.last().toStdString(), "Port not connected.");
}

TEST_F(Input, ThePanesShowTheirCentreCross)
{
    for (TPanel* pane : {Form->PanelJoyPane, Form->PanelAnalyzerPane}) {
        const QImage image = pane->grab().toImage();
        const QColor background = image.pixelColor(2 + 40, 2 + 20);
        EXPECT_EQ(image.pixelColor(2 + 93, 2 + 20), QColor(Qt::black));
        EXPECT_EQ(image.pixelColor(2 + 20, 2 + 93), QColor(Qt::black));
        EXPECT_EQ(image.pixelColor(2 + 92, 2 + 20), background);
        EXPECT_EQ(image.pixelColor(2 + 20, 2 + 94), background);
        EXPECT_EQ(image.pixelColor(2 + 93, 2 + 186), QColor(Qt::black));
    }
}

} // namespace
