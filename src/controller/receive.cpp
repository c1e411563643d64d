// The data-reader tick: what arrives on the connected port is cut into Pelco
// frames by their start byte, echoed, and handed to the analyzer.

#include <algorithm>
#include <span>

#include "common/tick.h"
#include "controller/tformtarvik.h"

namespace {

constexpr uint32_t kFrameTailWaitMs = 100;
constexpr uint32_t kFrameTailPollMs = 10;
constexpr uint32_t kTCPReceiveTimeoutMs = 5000;
// A line that never falls silent would otherwise hold the window for as
// long as it talks; what is left waits for the next tick.
constexpr uint32_t kTickReadBudgetMs = 200;

// The frame length a start byte announces, 0 for any other byte.
size_t FrameLengthOf(uint8_t startByte)
{
    if (startByte == kPelcoDStartByte)
        return kPelcoDFrameLength;
    if (startByte == kPelcoPStartByte)
        return kPelcoPFrameLength;
    return 0;
}

} // namespace

void TFormTarvik::BindReceiveHandlers()
{
    connect(TimerDataReader, &QTimer::timeout, this, &TFormTarvik::TimerDataReaderTimer);
    connect(TimerAnalyzerButtonsDisabler, &QTimer::timeout, this, &TFormTarvik::TimerAnalyzerButtonsDisablerTimer);
    connect(PageControlTop, &TPageControl::Change, this, &TFormTarvik::PageControlTopChange);
}

bool TFormTarvik::AnalyzerShowing() const
{
    return PageControlTop->ActivePage() == TabSheetPelcoAnalyzer;
}

void TFormTarvik::TimerDataReaderTimer()
{
    const bool connectionGoing = PageControlPortSettings->ActivePage() == TabSheetPortSettingsSerial
                                     ? ReadSerialPort()
                                     : ReadTCPPort();
    if (!connectionGoing)
        return;
    SendQueuedCommands();
}

bool TFormTarvik::ReadSerialPort()
{
    if (!SerialPort.IsOpen())
        return true;
    const uint32_t start = GetTickCount();
    while (SerialPort.BytesWaiting() > 0) {
        size_t count = SerialPort.Read(ReceiveBuffer.data(), 1);
        const size_t frameLength = count == 1 ? FrameLengthOf(ReceiveBuffer[0]) : 0;
        if (frameLength != 0 && SerialPort.WaitForBytes(static_cast<uint32_t>(frameLength - 1), kFrameTailWaitMs,
                                                        nullptr, kFrameTailPollMs))
            count += SerialPort.Read(ReceiveBuffer.data() + 1, frameLength - 1);
        if (frameLength != 0 && count == frameLength) {
            ReceivedFrame(frameLength);
        } else {
            count = ReceivedOtherData(count);
            // Bytes reported but none delivered: a device going away can do
            // that, and asking again would only spin.
            if (count == 0)
                break;
        }
        if (GetTickCount() - start >= kTickReadBudgetMs)
            break;
    }
    return true;
}

bool TFormTarvik::ReadTCPPort()
{
    const uint32_t start = GetTickCount();
    while (TCPClientSocket.IsOpen() && TCPClientSocket.WaitReadable(0)) {
        size_t count = TCPClientSocket.Receive(ReceiveBuffer.data(), 1, kTCPReceiveTimeoutMs);
        if (count == 0) {
            RemoteHostClosed();
            return false;
        }
        const size_t frameLength = FrameLengthOf(ReceiveBuffer[0]);
        if (frameLength != 0)
            count += TCPClientSocket.Receive(ReceiveBuffer.data() + 1, frameLength - 1, kFrameTailWaitMs);
        if (frameLength != 0 && count == frameLength)
            ReceivedFrame(frameLength);
        else
            ReceivedOtherData(count);
        if (GetTickCount() - start >= kTickReadBudgetMs)
            return true;
    }
    // A peer that goes away in the middle of a frame leaves the socket closed
    // by the socket layer; the connection is over then as well, and the
    // operator is told rather than left with a ticked box and a dead line.
    if (TCPClientSocket.IsOpen())
        return true;
    RemoteHostClosed();
    return false;
}

void TFormTarvik::RemoteHostClosed()
{
    ShowMessagesPage();
    LogLine("Remote host closed the connection.");
    DisconnectWarning();
}

void TFormTarvik::ReceivedFrame(size_t length)
{
    if (CheckBoxShowCmd->isChecked())
        LogHexLine("<<", ReceiveBuffer.data(), static_cast<uint32_t>(length));
    if (!AnalyzerShowing())
        return;
    const TProtocol protocol = ReceiveBuffer[0] == kPelcoDStartByte ? TProtocol::PelcoD : TProtocol::PelcoP;
    ShowFrameAnalysis(AnalyzeFrame(protocol, std::span<const uint8_t>(ReceiveBuffer.data(), length)));
}

size_t TFormTarvik::ReceivedOtherData(size_t count)
{
    if (AnalyzerShowing())
        HighlightPanel(PanelFrameNotRecognized, true);

    // What was waiting when the chunk is taken, less the bytes this pass has
    // already read: those stay for the next pass.
    const bool serial = PageControlPortSettings->ActivePage() == TabSheetPortSettingsSerial;
    const int64_t waiting = serial ? static_cast<int64_t>(SerialPort.BytesWaiting()) : TCPClientSocket.BytesAvailable();
    if (static_cast<int64_t>(count) < waiting) {
        const size_t chunk = std::min(static_cast<size_t>(waiting) - count, ReceiveBuffer.size() - count);
        count += serial ? SerialPort.Read(ReceiveBuffer.data() + count, chunk)
                        : TCPClientSocket.Receive(ReceiveBuffer.data() + count, chunk, kTCPReceiveTimeoutMs);
    }
    if (count > 0 && CheckBoxShowCmd->isChecked())
        LogHexLine("<<", ReceiveBuffer.data(), static_cast<uint32_t>(count));
    return count;
}
