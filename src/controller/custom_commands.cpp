// The 17 custom command buttons: sending their commands, and redefining one
// in the editor dialog with a right click.

#include <algorithm>

#include "controller/component_helpers.h"
#include "controller/tformtarvik.h"
#include "editor/tformeditcustomcommand.h"

void TFormTarvik::BindCustomCommandHandlers()
{
    for (TButton* button : CustomCommandButtons) {
        connect(button, &QPushButton::clicked, this, [this, button] { ButtonCustomCommandClick(button); });
        connect(button, &TButton::MouseDown, this,
                [this, button](Qt::MouseButton mouseButton) { ButtonCustomPresetMouseDown(button, mouseButton); });
    }
}

void TFormTarvik::ButtonCustomCommandClick(const QObject* sender)
{
    if (!CheckBoxConnect->isChecked())
        return;
    const int index = TagOf(sender);
    if (index < 0 || index >= kCustomCommandCount)
        return;
    SendCustomCommand(CustomCommands[index]);
}

void TFormTarvik::SendCustomCommand(const TCustomCommand& command)
{
    if (command.CommandType == ccUser) {
        // The operator typed the whole frame: it goes out as it is, whatever
        // the protocol, and neither the repeater nor the last frame is touched.
        const auto count = std::min<uint32_t>(command.ByteCount, kCustomCommandMaxBytes);
        if (!WriteToPort(command.Bytes.data(), count))
            ReportCommandNotSent();
        return;
    }
    const int32_t id = ReadEditNumber(EditID, 0);
    const int code = PresetCommandCodeOf(command.CommandType);
    if (code >= 0)
        SendCommand(static_cast<uint8_t>(id), static_cast<uint8_t>(code), command.PresetNumber);
}

void TFormTarvik::ButtonCustomPresetMouseDown(const QObject* sender, Qt::MouseButton mouseButton)
{
    if (mouseButton != Qt::RightButton)
        return;
    const int index = TagOf(sender);
    if (index < 0 || index >= kCustomCommandCount)
        return;
    if (FormEditCustomCommand.isNull())
        FormEditCustomCommand = new TFormEditCustomCommand(this);

    // The editor works on a copy, so Cancel leaves the button as it was.
    TCustomCommand working;
    working.Assign(CustomCommands[index]);
    if (!FormEditCustomCommand->Execute(working))
        return;
    CustomCommands[index].Assign(working);
    CustomCommandButtons[index]->setText(QString::fromStdString(working.Caption));
}
