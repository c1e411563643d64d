// The send path against a real serial line (a pseudo-terminal) and a real
// loopback TCP connection.

#include <QElapsedTimer>
#include <QTest>

#include <memory>

#include "window_fixture.h"

namespace {

constexpr const char* kPanRight32 = "FF 01 00 02 20 00 23";
constexpr const char* kStopD = "FF 01 00 00 00 00 01";
constexpr const char* kStopP = "A0 00 00 00 00 00 AF 0F";

class SendPath : public TWindowTest {
protected:
    void SetUp() override
    {
        Form = std::make_unique<TFormTarvik>(Desktop);
        // The first tick restores the settings; everything below comes after it.
        ASSERT_TRUE(QTest::qWaitFor([&] { return Form->isVisible(); }, 5000));
        ConnectSerial();
        Form->CheckBoxShowCmd->setChecked(true);
        MarkLog();
    }
};

struct TFrameCase {
    int ProtocolIndex;
    uint8_t Id;
    uint8_t Code;
    uint8_t Value;
    const char* Frame;
};

TEST_F(SendPath, BuildsTheFrameInTheChosenProtocol)
{
    const TFrameCase cases[] = {
        {0, 1, 2, 32, kPanRight32},
        {1, 1, 2, 32, "A0 00 00 02 20 00 AF 2D"},
        {-1, 1, 2, 32, "A0 00 00 02 20 00 AF 2D"}, // no selection is Pelco-P
        {0, 1, 17, 5, "FF 01 00 07 00 05 0D"},
        {1, 1, 17, 5, "A0 00 00 07 00 05 AF 0D"},
        {0, 1, 0, 0, kStopD},
    };
    for (const TFrameCase& test : cases) {
        Form->ComboBoxProtocol->setCurrentIndex(test.ProtocolIndex);
        EXPECT_EQ(Form->IsPelcoD(), test.ProtocolIndex == 0);
        ASSERT_TRUE(Form->SendCommand(test.Id, test.Code, test.Value));
        Form->TimerCommandRepeater->stop();
        const size_t length = Bytes(test.Frame).size();
        EXPECT_EQ(Received(length), test.Frame);
        EXPECT_EQ(Form->LastFrameLength, length);
        EXPECT_EQ(Hex(Form->LastFrame.data(), Form->LastFrameLength), test.Frame);
        EXPECT_EQ(Form->Memo->Lines().last().toStdString(), ">> " + std::string(test.Frame));
    }
    EXPECT_EQ(NothingMore(), "");
}

TEST_F(SendPath, PanTiltFramesAndTheirStop)
{
    ASSERT_TRUE(Form->SendPanTilt(1, 32, 0));
    EXPECT_EQ(Received(7), kPanRight32);
    EXPECT_TRUE(Form->TimerCommandRepeater->isActive());
    ASSERT_TRUE(Form->SendPanTilt(1, 0, 0));
    EXPECT_EQ(Received(7), kStopD);
    EXPECT_FALSE(Form->TimerCommandRepeater->isActive());
}

TEST_F(SendPath, EchoLineOnlyWhileShowCommandsIsTicked)
{
    ASSERT_TRUE(Form->SendCommand(1, 2, 32));
    EXPECT_EQ(NewLogLines(), QStringList{QStringLiteral(">> FF 01 00 02 20 00 23")});
    Form->CheckBoxShowCmd->setChecked(false);
    ASSERT_TRUE(Form->SendCommand(1, 0, 0));
    EXPECT_EQ(NewLogLines().size(), 1);
    EXPECT_EQ(Received(14), std::string(kPanRight32) + " " + kStopD);
}

TEST_F(SendPath, RepeaterResendsTheMovementUntilAStop)
{
    ASSERT_TRUE(Form->SendCommand(1, 2, 32));
    EXPECT_EQ(Received(7), kPanRight32);
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(1100);
    // Four repetitions in 1100 ms at 250 ms; a loaded machine may lose one or two.
    const std::vector<uint8_t> repeated = Pty.ReadMaster(7 * 10, 100);
    ASSERT_EQ(repeated.size() % 7, 0u);
    const size_t repetitions = repeated.size() / 7;
    EXPECT_GE(repetitions, 2u);
    EXPECT_LE(repetitions, static_cast<size_t>(clock.elapsed() / 250) + 1);
    for (size_t i = 0; i < repetitions; ++i)
        EXPECT_EQ(Hex(repeated.data() + 7 * i, 7), kPanRight32);

    ASSERT_TRUE(Form->SendCommand(1, 0, 0));
    EXPECT_FALSE(Form->TimerCommandRepeater->isActive());
    EXPECT_EQ(Received(7), kStopD);
    QTest::qWait(600);
    EXPECT_EQ(NothingMore(), "");

    const QStringList lines = NewLogLines();
    ASSERT_EQ(lines.size(), static_cast<int>(repetitions) + 2);
    EXPECT_EQ(lines.count(QStringLiteral(">> FF 01 00 02 20 00 23")), static_cast<int>(repetitions) + 1);
    EXPECT_EQ(lines.last().toStdString(), ">> FF 01 00 00 00 00 01");
}

TEST_F(SendPath, WhichCommandsStartAndStopTheRepeater)
{
    for (int code = 0; code <= 17; ++code) {
        const bool endsMovement = code == 0 || code >= 15;
        for (const bool runningBefore : {false, true}) {
            if (runningBefore)
                Form->TimerCommandRepeater->start();
            else
                Form->TimerCommandRepeater->stop();
            ASSERT_TRUE(Form->SendCommand(1, static_cast<uint8_t>(code), 1));
            EXPECT_EQ(Form->TimerCommandRepeater->isActive(), !endsMovement) << "code " << code;
        }
    }
    Form->TimerCommandRepeater->stop();
}

TEST_F(SendPath, CodesBeyondTheCommandSetAreNotSent)
{
    Form->TimerCommandRepeater->stop();
    EXPECT_FALSE(Form->SendCommand(1, 18, 1));
    EXPECT_FALSE(Form->SendCommand(1, 255, 1));
    EXPECT_FALSE(Form->TimerCommandRepeater->isActive());
    EXPECT_TRUE(NewLogLines().isEmpty());
    EXPECT_TRUE(Form->CheckBoxConnect->isChecked());
    EXPECT_EQ(NothingMore(), "");
}

TEST_F(SendPath, RepetitionsKeepTheProtocolTheyWereBuiltIn)
{
    ASSERT_TRUE(Form->SendCommand(1, 2, 32));
    EXPECT_EQ(Received(7), kPanRight32);
    Form->ComboBoxProtocol->setCurrentIndex(1);
    QTest::qWait(400);
    EXPECT_EQ(Received(7), kPanRight32);
    EXPECT_EQ(Pty.ReadMaster(64, 50).size() % 7, 0u); // any further repetitions, 7 bytes each
    ASSERT_TRUE(Form->SendCommand(1, 0, 0));
    EXPECT_EQ(Received(8), kStopP);
}

TEST_F(SendPath, DoubleStopSendsTheStopTwiceWhenTicked)
{
    for (const bool doubled : {false, true}) {
        Form->CheckBoxDoubleStopCmd->setChecked(doubled);
        const std::string expected = doubled ? std::string(kStopD) + " " + kStopD : std::string(kStopD);
        Form->SendOperatorStop(1);
        EXPECT_EQ(Received(14, 100), expected);
        Form->SendJoystickStop(1);
        EXPECT_EQ(Received(14, 100), expected);
    }
}

TEST_F(SendPath, RawWriteOfNoBytesSucceedsAndLogsThePrefixAlone)
{
    const uint8_t none[1] = {0};
    EXPECT_TRUE(Form->WriteToPort(none, 0));
    EXPECT_EQ(NewLogLines(), QStringList{QStringLiteral(">>")});
    Form->SerialPort.Close();
    EXPECT_TRUE(Form->WriteToPort(none, 0));
    EXPECT_EQ(NothingMore(), "");
}

TEST_F(SendPath, RawWritesNeitherReplaceTheRepeatedFrameNorStopIt)
{
    ASSERT_TRUE(Form->SendCommand(1, 2, 32));
    const std::vector<uint8_t> raw = Bytes("01 02 03");
    ASSERT_TRUE(Form->WriteToPort(raw.data(), 3));
    EXPECT_TRUE(Form->TimerCommandRepeater->isActive());
    EXPECT_EQ(Hex(Form->LastFrame.data(), Form->LastFrameLength), kPanRight32);
    EXPECT_EQ(Received(10), std::string(kPanRight32) + " 01 02 03");
    Form->TimerCommandRepeater->stop();
}

TEST_F(SendPath, AFailedSendIsReportedAndDisconnectsWithARedFlash)
{
    Form->SerialPort.Close();
    ASSERT_TRUE(Form->CheckBoxConnect->isChecked());
    EXPECT_FALSE(Form->SendCommand(1, 2, 32));

    const QStringList lines = NewLogLines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0].toStdString(), ">> FF 01 00 02 20 00 23");
    EXPECT_EQ(lines[1].toStdString(), "");
    EXPECT_EQ(lines[2].toStdString(), "Command not sent.");
    EXPECT_FALSE(Form->CheckBoxConnect->isChecked());
    EXPECT_EQ(Form->CheckBoxConnect->Color(), QColor(Qt::red));
    // A failed send leaves the repeater as it was.
    EXPECT_FALSE(Form->TimerCommandRepeater->isActive());
    EXPECT_EQ(Form->LastFrameLength, 0u);

    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->CheckBoxConnect->Color() == ButtonFaceColor(); }, 6000));
    EXPECT_GE(clock.elapsed(), 1500);
    EXPECT_FALSE(Form->TimerDisconnectWarningColorRemover->isActive());
}

TEST_F(SendPath, TheSecondStopIsSentEvenWhenTheFirstFailed)
{
    Form->SerialPort.Close();
    Form->CheckBoxDoubleStopCmd->setChecked(true);
    Form->SendOperatorStop(1);
    EXPECT_EQ(NewLogLines().count(QStringLiteral("Command not sent.")), 2);
    EXPECT_EQ(NewLogLines().count(QStringLiteral(">> FF 01 00 00 00 00 01")), 2);
}

TEST_F(SendPath, TheRepeaterGivesUpWhenTheLineFails)
{
    ASSERT_TRUE(Form->SendCommand(1, 2, 32));
    Form->SerialPort.Close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->TimerCommandRepeater->isActive(); }, 2000));
    const QStringList lines = NewLogLines();
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[1].toStdString(), ">> FF 01 00 02 20 00 23");
    EXPECT_EQ(lines[2].toStdString(), "");
    EXPECT_EQ(lines[3].toStdString(), "Command not sent.");
    EXPECT_FALSE(Form->CheckBoxConnect->isChecked());
    EXPECT_EQ(Form->CheckBoxConnect->Color(), QColor(Qt::red));
}

TEST_F(SendPath, EachWarningRestartsTheTwoSecondsOfRed)
{
    Form->DisconnectWarning();
    QTest::qWait(300);
    Form->DisconnectWarning();
    EXPECT_GT(Form->TimerDisconnectWarningColorRemover->remainingTime(), 1800);
    EXPECT_EQ(Form->CheckBoxConnect->Color(), QColor(Qt::red));
    Form->TimerDisconnectWarningColorRemoverTimer();
    EXPECT_EQ(Form->CheckBoxConnect->Color(), ButtonFaceColor());
}

TEST_F(SendPath, TheTransportIsThatOfThePageShown)
{
    Form->PageControlPortSettings->SetActivePage(Form->TabSheetPortSettingsTCP);
    EXPECT_FALSE(Form->SendCommand(1, 2, 32));
    EXPECT_EQ(NothingMore(), "");
}

TEST(SendPathTcp, FramesGoToTheRemoteHost)
{
    TIPSocket listener;
    TIPEndpoint address;
    ASSERT_TRUE(address.Parse("127.0.0.1"));
    ASSERT_TRUE(listener.CreateSocket());
    ASSERT_TRUE(listener.Bind(address));
    ASSERT_TRUE(listener.Listen(1));
    ASSERT_TRUE(listener.LocalEndpoint(address));

    TFormTarvik form(std::make_shared<TRecordingDesktop>());
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.isVisible(); }, 5000));
    form.PageControlPortSettings->SetActivePage(form.TabSheetPortSettingsTCP);
    ASSERT_TRUE(form.TCPClientSocket.CreateSocket());
    ASSERT_TRUE(form.TCPClientSocket.Connect(address, 2000));
    const std::unique_ptr<TIPSocket> peer = listener.Accept();
    ASSERT_NE(peer, nullptr);

    form.ComboBoxProtocol->setCurrentIndex(1);
    ASSERT_TRUE(form.SendCommand(1, 2, 32));
    form.TimerCommandRepeater->stop();
    uint8_t frame[8] = {};
    ASSERT_EQ(peer->Receive(frame, 8, 2000), 8u);
    EXPECT_EQ(Hex(frame, 8), "A0 00 00 02 20 00 AF 2D");

    // The peer going away makes the next send fail like a serial one.
    peer->Close();
    form.CheckBoxShowCmd->setChecked(false);
    bool sent = true;
    for (int attempt = 0; attempt < 5 && sent; ++attempt)
        sent = form.SendCommand(1, 0, 0);
    EXPECT_FALSE(sent);
    EXPECT_TRUE(form.Memo->Lines().contains(QStringLiteral("Command not sent.")));
}

} // namespace
