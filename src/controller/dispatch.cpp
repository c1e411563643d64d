// The one send path: every frame the station writes leaves through
// WriteToPort, and a movement is kept going by the repeater.

#include "common/hex_line.h"
#include "controller/tformtarvik.h"

namespace {

// Stops and preset commands end a movement; everything else keeps it going.
bool EndsMovement(uint8_t code)
{
    return code == cmdStop || code == cmdPresetSet || code == cmdPresetClear || code == cmdPresetGoto;
}

} // namespace

bool TFormTarvik::IsPelcoD() const
{
    return ComboBoxProtocol->currentIndex() == 0;
}

bool TFormTarvik::SendCommand(uint8_t id, uint8_t code, uint8_t value)
{
    // A code the frame builder has no command bytes for would go out as a
    // stop in disguise and start the repeater; such a command is not sent.
    if (code > kLastCommandCode)
        return false;

    const bool pelcoD = IsPelcoD();
    TFrame frame{};
    BuildCommandFrame(frame, pelcoD, code, value, id);
    return SendFrame(frame, pelcoD, !EndsMovement(code));
}

bool TFormTarvik::SendPanTilt(uint8_t id, int pan, int tilt)
{
    const bool pelcoD = IsPelcoD();
    TFrame frame{};
    BuildPanTiltFrame(frame, pelcoD, id, pan, tilt);
    // Both speeds 0 is the stop frame.
    return SendFrame(frame, pelcoD, pan != 0 || tilt != 0);
}

bool TFormTarvik::SendFrame(const TFrame& frame, bool pelcoD, bool keepsMoving)
{
    const auto length = static_cast<uint32_t>(FrameLength(pelcoD));
    if (!WriteToPort(frame.data(), length)) {
        // The repeater is left as it was: a running one fails the same way next tick.
        ReportCommandNotSent();
        return false;
    }
    LastFrameLength = length;
    LastFrame = frame;
    if (!keepsMoving)
        TimerCommandRepeater->stop();
    else if (!TimerCommandRepeater->isActive())
        TimerCommandRepeater->start();
    return true;
}

void TFormTarvik::ReportCommandNotSent()
{
    LogLine("");
    LogLine("Command not sent.");
    DisconnectWarning();
}

bool TFormTarvik::WriteToPort(const uint8_t* bytes, uint32_t count)
{
    // The echo and the recording come before the write, whatever its outcome.
    if (CheckBoxShowCmd->isChecked())
        LogHexLine(">>", bytes, count);
    if (CheckBoxMacroRecord->isChecked() && count != 0)
        RecordMacroStep(bytes, count);

    size_t written = 0;
    if (PageControlPortSettings->ActivePage() == TabSheetPortSettingsSerial)
        written = SerialPort.Write(bytes, count);
    else
        written = TCPClientSocket.Send(bytes, count, kTCPSendTimeoutMs);
    return written == count;
}

void TFormTarvik::LogHexLine(const char* prefix, const uint8_t* bytes, uint32_t count)
{
    const std::string line = HexEchoLine(prefix, bytes, count);
    LogLine(QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
}

void TFormTarvik::TimerCommandRepeaterTimer()
{
    if (WriteToPort(LastFrame.data(), LastFrameLength))
        return;
    TimerCommandRepeater->stop();
    ReportCommandNotSent();
}

void TFormTarvik::SendOperatorStop(uint8_t id)
{
    SendCommand(id, cmdStop, 0);
    if (CheckBoxDoubleStopCmd->isChecked())
        SendCommand(id, cmdStop, 0);
}

void TFormTarvik::SendJoystickStop(uint8_t id)
{
    SendPanTilt(id, 0, 0);
    if (CheckBoxDoubleStopCmd->isChecked())
        SendPanTilt(id, 0, 0);
}
