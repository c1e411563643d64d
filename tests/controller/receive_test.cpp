// The data-reader tick on a pseudo-terminal and on loopback TCP: frames cut
// by their start byte, unrecognised chunks, echoes and the closed connection.

#include <atomic>
#include <thread>

#include "drive_fixture.h"

namespace {

class Receive : public TDriveTest {
protected:
    void SetUp() override
    {
        TDriveTest::SetUp();
        ConnectSerial();
        // The ticks are run by hand, so each test decides what one tick sees.
        Form->TimerDataReader->stop();
        Form->CheckBoxShowCmd->setChecked(true);
        ShowAnalyzer();
    }

    void ShowAnalyzer()
    {
        Form->PageControlTop->SetActivePage(Form->TabSheetPelcoAnalyzer);
        Form->PageControlTopChange();
    }

    [[nodiscard]] bool Lit(TPanel* panel) const { return Form->HighlightedPanels.IndexOf(panel) >= 0; }
};

TEST_F(Receive, TwoFramesInOneReadAreEchoedAndAnalysedEach)
{
    DeviceSends(Bytes("FF 01 00 02 20 00 23 A0 00 00 00 00 00 AF 0F"));
    Form->TimerDataReaderTimer();
    EXPECT_EQ(NewLogLines(), (QStringList{QStringLiteral("<< FF 01 00 02 20 00 23"),
                                          QStringLiteral("<< A0 00 00 00 00 00 AF 0F")}));
    EXPECT_EQ(LitPanels(), (QStringList{QStringLiteral("PanelAnalyzerButton"), QStringLiteral("PanelAnalyzerDeviceID"),
                                        QStringLiteral("PanelAnalyzerID1"), QStringLiteral("PanelAnalyzerRight"),
                                        QStringLiteral("PanelAnalyzerStop"), QStringLiteral("PanelFramePelcoD"),
                                        QStringLiteral("PanelFramePelcoP")}));
    // The stop after the movement brought the marker home.
    EXPECT_EQ(Form->PanelAnalyzerButton->pos(), QPoint(83, 83));
    EXPECT_EQ(Form->SerialPort.BytesWaiting(), 0u);
}

TEST_F(Receive, AFrameWhoseTailIsLateIsUnrecognisedData)
{
    DeviceSends(Bytes("FF 01 00"));
    QElapsedTimer clock;
    clock.start();
    Form->TimerDataReaderTimer();
    EXPECT_GE(clock.elapsed(), 90);
    // The start byte and what had come, less the one byte left for the next pass.
    EXPECT_EQ(NewLogLines(), (QStringList{QStringLiteral("<< FF 01"), QStringLiteral("<< 00")}));
    EXPECT_EQ(LitPanels(), QStringList{QStringLiteral("PanelFrameNotRecognized")});

    MarkLog();
    DeviceSends(Bytes("02 20 00 23"));
    Form->TimerDataReaderTimer();
    EXPECT_EQ(NewLogLines(), (QStringList{QStringLiteral("<< 02 20 00"), QStringLiteral("<< 23")}));
    EXPECT_FALSE(Lit(Form->PanelFramePelcoD));
}

TEST_F(Receive, UnrecognisedBytesBeforeAFrameTakeItsBytesWithThem)
{
    DeviceSends(Bytes("00 11 FF 01 00 00 00 00 01"));
    Form->TimerDataReaderTimer();
    EXPECT_EQ(NewLogLines(),
              (QStringList{QStringLiteral("<< 00 11 FF 01 00 00 00 00"), QStringLiteral("<< 01")}));
    EXPECT_EQ(LitPanels(), QStringList{QStringLiteral("PanelFrameNotRecognized")});
}

TEST_F(Receive, MoreThanABufferOfUnrecognisedDataIsReadInSeveralPasses)
{
    DeviceSends(std::vector<uint8_t>(1500, 0x11));
    Form->TimerDataReaderTimer();
    const QStringList lines = NewLogLines();
    ASSERT_EQ(lines.size(), 3);
    // "<<" and " 11" for each byte.
    EXPECT_EQ(lines[0].size(), 2 + 3 * 1024);
    EXPECT_EQ(lines[1].size(), 2 + 3 * 475);
    EXPECT_EQ(lines[2].toStdString(), "<< 11");
    EXPECT_EQ(Form->SerialPort.BytesWaiting(), 0u);
}

TEST_F(Receive, FaultsAreReportedOnlyWhileTheAnalyzerShows)
{
    DeviceSends(Bytes("FF 01 00 02 20 00 24 A0 00 00 02 20 00 00 2D"));
    Form->TimerDataReaderTimer();
    EXPECT_EQ(NewLogLines(),
              (QStringList{QStringLiteral("<< FF 01 00 02 20 00 24"), QStringLiteral("Frame checksum incorrect"),
                           QStringLiteral("<< A0 00 00 02 20 00 00 2D"), QStringLiteral("Pelco-P footer not exists")}));
    EXPECT_EQ(LitPanels(), (QStringList{QStringLiteral("PanelFrameNotRecognized"), QStringLiteral("PanelFramePelcoD"),
                                        QStringLiteral("PanelFramePelcoP")}));
    // The fault message does not bring the log forward.
    EXPECT_EQ(Form->PageControlBottom->ActivePage(), Form->TabSheetSettings);

    Form->PageControlTop->SetActivePage(Form->TabSheetPTZDriver);
    Form->PageControlTopChange();
    MarkLog();
    DeviceSends(Bytes("FF 01 00 02 20 00 24 33"));
    Form->TimerDataReaderTimer();
    EXPECT_EQ(NewLogLines(), (QStringList{QStringLiteral("<< FF 01 00 02 20 00 24"), QStringLiteral("<< 33")}));
    EXPECT_TRUE(LitPanels().isEmpty());
}

TEST_F(Receive, WithoutShowCommandsNothingIsEchoedButTheAnalyzerWorks)
{
    Form->CheckBoxShowCmd->setChecked(false);
    DeviceSends(Bytes("FF 01 00 02 20 00 23 55"));
    Form->TimerDataReaderTimer();
    EXPECT_TRUE(NewLogLines().isEmpty());
    EXPECT_TRUE(Lit(Form->PanelAnalyzerRight));
    EXPECT_TRUE(Lit(Form->PanelFrameNotRecognized));
}

TEST_F(Receive, TheTimerReadsWhileConnected)
{
    Form->TimerDataReader->start();
    Pty.WriteMaster(Bytes("FF 01 00 04 20 00 25"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return NewLogLines().contains(QStringLiteral("<< FF 01 00 04 20 00 25")); }, 3000));
    EXPECT_TRUE(Lit(Form->PanelAnalyzerLeft));
}

class ReceiveTCP : public TDriveTest {
protected:
    void SetUp() override
    {
        TDriveTest::SetUp();
        Form->PageControlPortSettings->SetActivePage(Form->TabSheetPortSettingsTCP);
        Form->EditRemoteHost->setText(QStringLiteral("127.0.0.1"));
        Form->EditRemotePort->setText(QString::number(Remote.Port()));
        Form->CheckBoxConnect->setChecked(true);
        ASSERT_TRUE(Form->TCPClientSocket.IsOpen());
        Peer = Remote.Accept();
        ASSERT_NE(Peer, nullptr);
        Form->TimerDataReader->stop();
        Form->CheckBoxShowCmd->setChecked(true);
        Form->PageControlTop->SetActivePage(Form->TabSheetPelcoAnalyzer);
        Form->PageControlTopChange();
        MarkLog();
    }

    void PeerSends(const std::vector<uint8_t>& bytes)
    {
        ASSERT_EQ(Peer->Send(bytes.data(), bytes.size(), 2000), bytes.size());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return Form->TCPClientSocket.BytesAvailable() >= static_cast<int>(bytes.size()); }, 2000));
    }

    void ExpectClosedAndReported() const
    {
        EXPECT_FALSE(Form->CheckBoxConnect->isChecked());
        EXPECT_EQ(Form->CheckBoxConnect->Color(), QColor(Qt::red));
        EXPECT_EQ(Form->PageControlBottom->ActivePage(), Form->TabSheetMessages);
        EXPECT_FALSE(Form->TimerDataReader->isActive());
        EXPECT_TRUE(Form->PageControlPortSettings->isEnabled());
    }

    TLoopbackListener Remote;
    std::unique_ptr<TIPSocket> Peer;
};

TEST_F(ReceiveTCP, FramesAndOtherDataFromTheRemoteHost)
{
    PeerSends(Bytes("00 11 A0 00 00 04 20 00 AF 2B FF 01 00 02 20 00 23"));
    Form->TimerDataReaderTimer();
    EXPECT_EQ(NewLogLines(), (QStringList{QStringLiteral("<< 00 11 A0 00 00 04 20 00 AF 2B FF 01 00 02 20 00"),
                                          QStringLiteral("<< 23")}));
    MarkLog();
    PeerSends(Bytes("A0 00 00 04 20 00 AF 2B FF 01 00 02 20 00 23"));
    Form->TimerDataReaderTimer();
    EXPECT_EQ(NewLogLines(), (QStringList{QStringLiteral("<< A0 00 00 04 20 00 AF 2B"),
                                          QStringLiteral("<< FF 01 00 02 20 00 23")}));
    EXPECT_EQ(Form->HighlightedPanels.IndexOf(Form->PanelAnalyzerLeft) >= 0, true);
    EXPECT_EQ(Form->HighlightedPanels.IndexOf(Form->PanelAnalyzerRight) >= 0, true);
    EXPECT_TRUE(Form->CheckBoxConnect->isChecked());
}

TEST_F(ReceiveTCP, APeerThatNeverFallsSilentDoesNotHoldTheWindow)
{
    // With the echo on, each pass takes longer than the peer needs to send
    // the next chunk, so the line is never quiet while the peer talks.
    std::atomic<bool> stop{false};
    std::thread device([&] {
        const std::vector<uint8_t> chunk(16384, 0x11);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(8);
        while (!stop && std::chrono::steady_clock::now() < end) {
            if (Peer->WaitWritable(20) && Peer->Send(chunk.data(), chunk.size(), 100) == 0)
                break;
        }
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->TCPClientSocket.BytesAvailable() > 16384; }, 2000));
    QElapsedTimer clock;
    clock.start();
    Form->TimerDataReaderTimer();
    const qint64 elapsed = clock.elapsed();
    stop = true;
    device.join();
    EXPECT_LT(elapsed, 3000);
    EXPECT_FALSE(NewLogLines().isEmpty());
    EXPECT_TRUE(Form->CheckBoxConnect->isChecked());
}

TEST_F(ReceiveTCP, ThePeerClosingEndsTheConnectionWithAWarning)
{
    Peer->Close();
    QTest::qWait(50);
    Form->TimerDataReaderTimer();
    EXPECT_EQ(NewLogLines(), (QStringList{QStringLiteral("Remote host closed the connection."), QString(),
                                          QStringLiteral("Port not connected.")}));
    ExpectClosedAndReported();
}

TEST_F(ReceiveTCP, ThePeerClosingInTheMiddleOfAFrameIsReportedToo)
{
    PeerSends(Bytes("FF 01"));
    Peer->Close();
    QTest::qWait(50);
    Form->TimerDataReaderTimer();
    EXPECT_EQ(NewLogLines(), (QStringList{QStringLiteral("<< FF 01"), QStringLiteral("Remote host closed the connection."),
                                          QString(), QStringLiteral("Port not connected.")}));
    ExpectClosedAndReported();
    EXPECT_TRUE(Form->HighlightedPanels.IndexOf(Form->PanelFrameNotRecognized) >= 0);
}

} // namespace
