// Connecting and disconnecting the port, and the warning when a connection
// fails or breaks.

#include <QApplication>
#include <QColor>

#include "common/str_to_int.h"
#include "controller/busy_cursor.h"
#include "controller/tformtarvik.h"
#include "transport/system_error.h"

namespace {

constexpr int32_t kDefaultBaudRate = 2400;

std::string Latin1(const QString& text)
{
    return text.toLatin1().toStdString();
}

} // namespace

void TFormTarvik::BindConnectionHandlers()
{
    // toggled, not clicked: a change of the checked state from code must
    // connect or disconnect exactly as the operator's click does.
    connect(CheckBoxConnect, &QCheckBox::toggled, this, &TFormTarvik::CheckBoxConnectClick);
    connect(PageControlPortSettings, &TPageControl::Change, this, &TFormTarvik::PageControlPortSettingsChange);
    connect(ComboBoxPort, &TComboBox::DropDown, this, &TFormTarvik::ComboBoxPortDropDown);
}

void TFormTarvik::CheckBoxConnectClick()
{
    const TBusyCursor busy;
    if (PageControlPortSettings->ActivePage() == TabSheetPortSettingsSerial)
        ConnectSerialPort();
    else
        ConnectTCPPort();
}

void TFormTarvik::ConnectSerialPort()
{
    LogLine("");
    TimerDataReader->stop();
    if (!CheckBoxConnect->isChecked()) {
        SerialPort.Close();
        LogLine("Port not connected.");
        SetControlsEnabled(PageControlPortSettings, true, true);
        return;
    }
    LogLine("Connecting....");

    // A refused port name makes no system call; without this its reason
    // would be whatever error an unrelated earlier call left behind.
    SetLastSystemError(0);
    const QString portName = ComboBoxPort->currentText();
    bool ok = SerialPort.SetPortName(Latin1(portName)) && SerialPort.Open() && SerialPort.GetState();
    if (ok) {
        WriteLineSettings(SerialPort, static_cast<uint32_t>(StrToIntDef(Latin1(ComboBoxSpeed->currentText()), kDefaultBaudRate)));
        ok = SerialPort.SetState() && SerialPort.SetupBuffers() && SerialPort.SetTimeouts() && SerialPort.GetState();
    }

    if (ok) {
        // Web commands queued while no port was connected are dropped.
        WebCommandQueue->Clear();
        TimerDataReader->start();
        SetControlsEnabled(PageControlPortSettings, false, true);
        LogLine("Connected.");
        LogLine(QStringLiteral("Port: ") + portName + QStringLiteral("."));
        LogLine(QString::asprintf("Baudrate: %u.", SerialPort.DCB.BaudRate));
        return;
    }

    const int code = GetLastSystemError();
    const std::string reason = code != 0 ? GetSystemErrorText(code, "?") : std::string("?");
    LogLine(QStringLiteral("Error opening port - ") + QString::fromLatin1(reason.c_str()) + QStringLiteral("."));
    // The box is still ticked, so this runs the disconnect branch above,
    // which also closes a port that opened before a later step failed.
    DisconnectWarning();
    ShowMessagesPage();
}

void TFormTarvik::ConnectTCPPort()
{
    LogLine("");
    TimerDataReader->stop();
    if (!CheckBoxConnect->isChecked()) {
        TCPClientSocket.Close();
        LogLine("Port not connected.");
        SetControlsEnabled(PageControlPortSettings, true, true);
        return;
    }
    LogLine("Connecting....");

    TIPEndpoint endpoint(0);
    // Kept in 16 bits, as the port field holds it: 70000 is port 4464.
    endpoint.Port = static_cast<uint16_t>(StrToIntDef(Latin1(EditRemotePort->text()), 0));
    const QString host = EditRemoteHost->text();
    bool ok = false;
    if (!endpoint.Resolve(Latin1(host))) {
        LogLine(QStringLiteral("Remote host not resolved: ") + host + QStringLiteral("."));
        ShowMessagesPage();
    } else {
        ok = TCPClientSocket.CreateSocket() && TCPClientSocket.Connect(endpoint, kTCPConnectTimeoutMs);
        if (!ok) {
            LogLine("Remote host not respond: " + QString::fromLatin1(endpoint.EndpointText().c_str()) + ".");
            ShowMessagesPage();
        }
    }

    if (ok) {
        // Web commands queued while no port was connected are dropped.
        WebCommandQueue->Clear();
        TimerDataReader->start();
        SetControlsEnabled(PageControlPortSettings, false, true);
        LogLine("Connected to: " + QString::fromLatin1(endpoint.EndpointText().c_str()) + ".");
        return;
    }
    // Through the disconnect branch, this also closes a socket left open by
    // a connect that timed out.
    DisconnectWarning();
}

void TFormTarvik::DisconnectWarning()
{
    TimerDisconnectWarningColorRemover->stop();
    // Unticking runs the connect box's handler, which disconnects.
    CheckBoxConnect->setChecked(false);
    CheckBoxConnect->SetColor(Qt::red);
    TimerDisconnectWarningColorRemover->start();
}

void TFormTarvik::TimerDisconnectWarningColorRemoverTimer()
{
    TimerDisconnectWarningColorRemover->stop();
    CheckBoxConnect->SetColor(ButtonFaceColor());
}

void TFormTarvik::PageControlPortSettingsChange()
{
    if (PageControlPortSettings->ActivePage() == TabSheetPortSettingsSerial)
        CheckBoxConnect->setEnabled(true);
    else if (PageControlPortSettings->ActivePage() == TabSheetPortSettingsTCP)
        CheckBoxConnect->setEnabled(NetworkReady());
}

void TFormTarvik::ComboBoxPortDropDown()
{
    std::vector<std::string> ports;
    ListCOMPorts(ports);
    const QString typedPort = ComboBoxPort->currentText();
    ComboBoxPort->clear();
    for (const std::string& port : ports)
        ComboBoxPort->addItem(QString::fromLatin1(port.c_str()));
    ComboBoxPort->setEditText(typedPort);
}

void TFormTarvik::RestoreConnection(int socketMode, bool connected)
{
    const int pageCount = PageControlPortSettings->count();
    PageControlPortSettings->SetActivePageIndex(socketMode >= 0 && socketMode < pageCount ? socketMode : 0);
    PageControlPortSettingsChange();
    if (CheckBoxConnect->isEnabled())
        CheckBoxConnect->setChecked(connected);
}

void TFormTarvik::SetControlsEnabled(QWidget* control, bool enabled, bool recursive)
{
    control->setEnabled(enabled);
    // The child list is read afresh on every step, as it may change while
    // the controls react to being enabled.
    for (int i = 0; i < control->children().size(); ++i) {
        auto* child = qobject_cast<QWidget*>(control->children().at(i));
        if (child == nullptr)
            continue;
        if (recursive)
            SetControlsEnabled(child, enabled, true);
        else
            child->setEnabled(enabled);
    }
}
