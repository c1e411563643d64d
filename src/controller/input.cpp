// What the operator does on the controller tab: the held-down buttons, the
// presets, the small number edits, the joystick pane, the wheel and the keys.

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/str_to_int.h"
#include "common/tick.h"
#include "controller/component_helpers.h"
#include "controller/display_math.h"
#include "controller/tformtarvik.h"

namespace {

constexpr uint32_t kJoystickSendIntervalMs = 100;
constexpr int kJoystickKnobSize = 25;
constexpr int kCrossCentre = 93;
constexpr auto kWheelStopPause = std::chrono::milliseconds(200);
// One notch of a classic wheel; finer wheels add up to it.
constexpr int kWheelNotch = 120;

std::string Latin1(const QString& text)
{
    return text.toLatin1().toStdString();
}

// The keys the edits take: the digits and backspace. Keys that type no
// character (arrows, Delete, Home) and focus moves pass untouched.
bool DiscardsKey(const QKeyEvent& event)
{
    if (event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab || event.key() == Qt::Key_Delete)
        return false;
    const QString text = event.text();
    // Held with Ctrl (and not as AltGr), a key is a command for the window,
    // such as Ctrl with a keypad digit; it must not change the device ID.
    const Qt::KeyboardModifiers held = event.modifiers();
    if (!text.isEmpty() && (held & Qt::ControlModifier) != 0 && (held & Qt::AltModifier) == 0)
        return true;
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return !(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('\b'); });
}

// Sees every key and wheel event of the window before the control it is
// meant for, as the form's key preview does.
class TKeyPreview : public QObject {
public:
    explicit TKeyPreview(TFormTarvik* form) : QObject(form), Form(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::Wheel)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (Forwarding || widget == nullptr || !(widget == Form || Form->isAncestorOf(widget)))
            return false;

        if (type == QEvent::KeyPress)
            Form->FormKeyDown(*static_cast<QKeyEvent*>(event));
        else if (type == QEvent::KeyRelease)
            Form->FormKeyUp(*static_cast<QKeyEvent*>(event));
        else
            WheelTurned(static_cast<QWheelEvent*>(event)->angleDelta().y());

        // The event now goes its usual way, to the control and then up to
        // its parents, in one delivery; the outer delivery ends here, so the
        // window never handles the same event twice on its way up.
        Forwarding = true;
        QCoreApplication::sendEvent(watched, event);
        Forwarding = false;
        event->accept();
        return true;
    }

private:
    void WheelTurned(int delta)
    {
        // A turn back the other way starts counting afresh.
        if ((delta > 0 && WheelRemainder < 0) || (delta < 0 && WheelRemainder > 0))
            WheelRemainder = 0;
        WheelRemainder += delta;
        while (WheelRemainder >= kWheelNotch || WheelRemainder <= -kWheelNotch) {
            const int notch = WheelRemainder > 0 ? kWheelNotch : -kWheelNotch;
            WheelRemainder -= notch;
            Form->FormMouseWheel(notch);
        }
    }

    TFormTarvik* Form;
    bool Forwarding = false;
    int WheelRemainder = 0;
};

// The key handlers of the number edits (and the baud rate list, which takes
// digits only); installed on those controls alone.
class TEditKeyFilter : public QObject {
public:
    explicit TEditKeyFilter(TFormTarvik* form) : QObject(form), Form(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto& key = *static_cast<QKeyEvent*>(event);
            if (Form->EditKeyPress(key))
                return true;
            auto* edit = qobject_cast<QLineEdit*>(watched);
            return edit != nullptr && Form->EditKeyDown(edit, key.key());
        }
        if (event->type() == QEvent::KeyRelease && qobject_cast<QLineEdit*>(watched) != nullptr)
            return Form->EditKeyUp(static_cast<QKeyEvent*>(event)->key());
        return false;
    }

private:
    TFormTarvik* Form;
};

TSpeedButton* SpeedButtonOfKey(const TFormTarvik& form, const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_PageUp: return form.SpeedButtonIrisOpen;
    case Qt::Key_PageDown: return form.SpeedButtonIrisClose;
    default: break;
    }
    if ((event.modifiers() & Qt::KeypadModifier) == 0)
        return nullptr;
    switch (event.key()) {
    case Qt::Key_1: return form.SpeedButtonLeftDown;
    case Qt::Key_2: return form.SpeedButtonDown;
    case Qt::Key_3: return form.SpeedButtonRightDown;
    case Qt::Key_4: return form.SpeedButtonLeft;
    case Qt::Key_5: return form.SpeedButtonStop;
    case Qt::Key_6: return form.SpeedButtonRight;
    case Qt::Key_7: return form.SpeedButtonLeftUp;
    case Qt::Key_8: return form.SpeedButtonUp;
    case Qt::Key_9: return form.SpeedButtonRightUp;
    case Qt::Key_Plus: return form.SpeedButtonZoomIn;
    case Qt::Key_Minus: return form.SpeedButtonZoomOut;
    case Qt::Key_Asterisk: return form.SpeedButtonFocusFar;
    case Qt::Key_Slash: return form.SpeedButtonFocusNear;
    default: return nullptr;
    }
}

} // namespace

void TFormTarvik::BindInputHandlers()
{
    for (TSpeedButton* button : {SpeedButtonZoomOut, SpeedButtonZoomIn, SpeedButtonLeftUp, SpeedButtonUp,
                                 SpeedButtonRightUp, SpeedButtonFocusNear, SpeedButtonFocusFar, SpeedButtonLeft,
                                 SpeedButtonStop, SpeedButtonRight, SpeedButtonIrisClose, SpeedButtonIrisOpen,
                                 SpeedButtonLeftDown, SpeedButtonDown, SpeedButtonRightDown}) {
        connect(button, &TSpeedButton::MouseDown, this, [this, button](Qt::MouseButton) { SpeedButtonMouseDown(button); });
        // The stop is sent on the press alone.
        if (button != SpeedButtonStop)
            connect(button, &TSpeedButton::MouseUp, this, [this](Qt::MouseButton) { SpeedButtonMouseUp(); });
    }

    for (TButton* button : PresetButtons)
        connect(button, &QPushButton::clicked, this, [this, button] { ButtonPresetClick(button); });
    connect(ButtonCustomPresetN, &QPushButton::clicked, this, [this] { ButtonPresetClick(ButtonCustomPresetN); });
    // Checking a radio button from code runs its handler as a click does.
    connect(RadioButtonGotoPreset, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            RadioButtonGotoPresetClick();
    });
    connect(RadioButtonSetPreset, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            RadioButtonSetPresetClick();
    });
    connect(RadioButtonClearPreset, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            RadioButtonClearPresetClick();
    });
    connect(EditCustomPresetN, &QLineEdit::textChanged, this, &TFormTarvik::EditCustomPresetNChange);
    for (TButton* button : ChangeIDButtons)
        connect(button, &QPushButton::clicked, this, [this, button] { ButtonChangeIDClick(button); });

    connect(PanelJoyButton, &TPanel::MouseDown, this, [this](Qt::MouseButton button, QPoint position) {
        PanelJoyButtonMouseDown(button, PanelJoyButton->mapToGlobal(position));
    });
    connect(PanelJoyButton, &TPanel::MouseMove, this,
            [this](QPoint position) { PanelJoyButtonMouseMove(PanelJoyButton->mapToGlobal(position)); });
    connect(PanelJoyButton, &TPanel::MouseUp, this, [this](Qt::MouseButton, QPoint) { PanelJoyButtonMouseUp(); });
    connect(PaintBoxJoyPane, &TPaintBox::Paint, this, &TFormTarvik::PaintBoxCrossPanePaint);
    connect(PaintBoxAnalyzerPane, &TPaintBox::Paint, this, &TFormTarvik::PaintBoxCrossPanePaint);

    qApp->installEventFilter(new TKeyPreview(this));
    auto* editKeys = new TEditKeyFilter(this);
    for (QWidget* edit : std::initializer_list<QWidget*>{EditID, EditSpeed, EditCustomPresetN, EditLocalPort,
                                                         EditRemotePort, ComboBoxSpeed})
        edit->installEventFilter(editKeys);
}

int32_t TFormTarvik::ReadEditNumber(QLineEdit* edit, int32_t fallback)
{
    const int32_t number = StrToIntDef(Latin1(edit->text()), fallback);
    edit->setText(QString::number(number));
    return number;
}

void TFormTarvik::SpeedButtonMouseDown(const QObject* sender)
{
    if (!CheckBoxConnect->isChecked())
        return;
    const int32_t id = ReadEditNumber(EditID, 0);
    const int32_t speed = ReadEditNumber(EditSpeed, 0);
    SendCommand(static_cast<uint8_t>(id), static_cast<uint8_t>(TagOf(sender)), static_cast<uint8_t>(speed));
}

void TFormTarvik::SpeedButtonMouseUp()
{
    if (!CheckBoxConnect->isChecked())
        return;
    SendOperatorStop(static_cast<uint8_t>(ReadEditNumber(EditID, 0)));
}

void TFormTarvik::ButtonPresetClick(const QObject* sender)
{
    if (!CheckBoxConnect->isChecked())
        return;
    const int32_t id = ReadEditNumber(EditID, 0);
    SendCommand(static_cast<uint8_t>(id), PresetCommandCode, static_cast<uint8_t>(TagOf(sender)));
    // "Set" and "Clear" apply to one preset click only.
    RadioButtonGotoPreset->setChecked(true);
}

void TFormTarvik::RadioButtonGotoPresetClick()
{
    PresetCommandCode = cmdPresetGoto;
}

void TFormTarvik::RadioButtonSetPresetClick()
{
    PresetCommandCode = cmdPresetSet;
}

void TFormTarvik::RadioButtonClearPresetClick()
{
    PresetCommandCode = cmdPresetClear;
}

void TFormTarvik::EditCustomPresetNChange()
{
    int32_t number = StrToIntDef(Latin1(EditCustomPresetN->text()), 1);
    if (number < 0 || number > 255) {
        number = std::clamp(number, 0, 255);
        // Runs this handler once more, with the number in range.
        EditCustomPresetN->setText(QString::number(number));
    }
    ButtonCustomPresetN->setText(QString::number(number));
    SetTag(ButtonCustomPresetN, number);
}

void TFormTarvik::ButtonChangeIDClick(const QAbstractButton* sender)
{
    EditID->setText(sender->text());
}

bool TFormTarvik::EditKeyPress(const QKeyEvent& event)
{
    return DiscardsKey(event);
}

bool TFormTarvik::EditKeyDown(QLineEdit* edit, int key)
{
    if (key != Qt::Key_Up && key != Qt::Key_Down)
        return false;
    int64_t number = StrToIntDef(Latin1(edit->text()), 0);
    number += key == Qt::Key_Up ? 1 : -1;
    if (edit == EditSpeed)
        number = std::clamp<int64_t>(number, 1, 63);
    else if (edit == EditLocalPort || edit == EditRemotePort)
        number = std::clamp<int64_t>(number, 0, 65535);
    else
        number = std::clamp<int64_t>(number, 0, 255);
    edit->setText(QString::number(number));
    return true;
}

bool TFormTarvik::EditKeyUp(int key)
{
    return key == Qt::Key_Up || key == Qt::Key_Down;
}

void TFormTarvik::PanelJoyButtonMouseDown(Qt::MouseButton button, QPoint screenPosition)
{
    if (button != Qt::LeftButton || !CheckBoxConnect->isChecked())
        return;
    JoystickDragging = true;
    JoystickOrigin = screenPosition;
    if (!JoystickPointerHidden) {
        QApplication::setOverrideCursor(Qt::BlankCursor);
        JoystickPointerHidden = true;
    }
    PanelJoyButton->SetColor(QApplication::palette().color(QPalette::ButtonText));
    JoystickLastSendTick = GetTickCount() - kJoystickSendIntervalMs;
    // The pointer may move kJoystickReach pixels each way; right and below
    // the rectangle ends one pixel further out, exclusive.
    JoystickConfinement = QRect(JoystickOrigin - QPoint(kJoystickReach, kJoystickReach),
                                JoystickOrigin + QPoint(kJoystickReach, kJoystickReach));
}

void TFormTarvik::PanelJoyButtonMouseMove(QPoint screenPosition)
{
    if (!JoystickDragging)
        return;
    // Held inside the confinement where the platform lets the pointer be
    // placed; the displacement is limited to the reach in any case.
    if (!JoystickConfinement.contains(screenPosition)) {
        const QPoint held(std::clamp(screenPosition.x(), JoystickConfinement.left(), JoystickConfinement.right()),
                          std::clamp(screenPosition.y(), JoystickConfinement.top(), JoystickConfinement.bottom()));
        QCursor::setPos(held);
    }
    const TJoystickAxis pan = JoystickAxis(screenPosition.x() - JoystickOrigin.x());
    const TJoystickAxis tilt = JoystickAxis(screenPosition.y() - JoystickOrigin.y());
    PanelJoyButton->setGeometry(kJoystickHome + pan.Displacement, kJoystickHome + tilt.Displacement, kJoystickKnobSize,
                                kJoystickKnobSize);
    PanelJoyPane->update();

    const auto id = static_cast<uint8_t>(StrToIntDef(Latin1(EditID->text()), 0));
    const uint32_t now = GetTickCount();
    if (now - JoystickLastSendTick < kJoystickSendIntervalMs)
        return;
    JoystickLastSendTick = now;
    if (!SendPanTilt(id, pan.Speed, tilt.Speed))
        PanelJoyButtonMouseUp();
}

void TFormTarvik::PanelJoyButtonMouseUp()
{
    JoystickDragging = false;
    if (JoystickPointerHidden) {
        QApplication::restoreOverrideCursor();
        JoystickPointerHidden = false;
    }
    PanelJoyButton->SetColor(ButtonFaceColor());
    PanelJoyButton->setGeometry(kJoystickHome, kJoystickHome, kJoystickKnobSize, kJoystickKnobSize);
    JoystickConfinement = QRect();
    if (!CheckBoxConnect->isChecked())
        return;
    SendJoystickStop(static_cast<uint8_t>(StrToIntDef(Latin1(EditID->text()), 0)));
}

void TFormTarvik::PaintBoxCrossPanePaint(TPaintBox* box, QPainter& painter)
{
    DrawCross(box, painter);
}

void TFormTarvik::DrawCross(const TPaintBox* box, QPainter& painter)
{
    // The end points are left out, as a line drawn to a point stops short of it.
    painter.drawLine(kCrossCentre, 0, kCrossCentre, box->height() - 1);
    painter.drawLine(0, kCrossCentre, box->width() - 1, kCrossCentre);
}

void TFormTarvik::FormMouseWheel(int wheelDelta)
{
    if (!CheckBoxConnect->isChecked())
        return;
    const auto id = static_cast<uint8_t>(ReadEditNumber(EditID, 0));
    const auto speed = static_cast<uint8_t>(ReadEditNumber(EditSpeed, 0));
    SendCommand(id, wheelDelta > 0 ? cmdZoomTele : cmdZoomWide, speed);
    std::this_thread::sleep_for(kWheelStopPause);
    SendOperatorStop(id);
}

void TFormTarvik::FormKeyDown(const QKeyEvent& event)
{
    if ((event.modifiers() & Qt::ControlModifier) == 0)
        return;
    if (TSpeedButton* button = SpeedButtonOfKey(*this, event)) {
        SpeedButtonMouseDown(button);
        return;
    }
    const int key = event.key();
    const bool keypad = (event.modifiers() & Qt::KeypadModifier) != 0;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        CustomCommandButtons[static_cast<size_t>(key - Qt::Key_F1)]->click();
    else if (key == Qt::Key_Home)
        CustomCommandButtons[0]->click();
    else if (!keypad && key >= Qt::Key_1 && key <= Qt::Key_9)
        PresetButtons[static_cast<size_t>(key - Qt::Key_1)]->click();
    else if (!keypad && key == Qt::Key_0)
        PresetButtons[9]->click();
}

void TFormTarvik::FormKeyUp(const QKeyEvent& event)
{
    // A held key repeats as release and press pairs on some platforms; only
    // the last release lets go of the key.
    if (event.isAutoRepeat() || (event.modifiers() & Qt::ControlModifier) == 0)
        return;
    if (SpeedButtonOfKey(*this, event) != nullptr)
        SpeedButtonMouseUp();
}
