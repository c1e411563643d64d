// Connecting and disconnecting on a pseudo-terminal and on loopback TCP,
// with the log lines, the enabled states and the red warning flash.

#include <QApplication>
#include <QTabBar>

#include <cerrno>

#include "drive_fixture.h"
#include "transport/system_error.h"

namespace {

QStringList Lines(std::initializer_list<const char*> lines)
{
    QStringList list;
    for (const char* line : lines)
        list.append(QString::fromLatin1(line));
    return list;
}

class Connection : public TDriveTest {
protected:
    void UseTCP(const QString& host, const QString& port)
    {
        Form->PageControlPortSettings->SetActivePage(Form->TabSheetPortSettingsTCP);
        Form->EditRemoteHost->setText(host);
        Form->EditRemotePort->setText(port);
    }

    // The state a failed connect leaves, red flash included.
    void ExpectFailedConnect() const
    {
        EXPECT_FALSE(Form->CheckBoxConnect->isChecked());
        EXPECT_EQ(Form->CheckBoxConnect->Color(), QColor(Qt::red));
        EXPECT_TRUE(Form->TimerDisconnectWarningColorRemover->isActive());
        EXPECT_FALSE(Form->TimerDataReader->isActive());
        EXPECT_TRUE(Form->PageControlPortSettings->isEnabled());
        EXPECT_EQ(Form->PageControlBottom->ActivePage(), Form->TabSheetMessages);
        EXPECT_FALSE(Form->SerialPort.IsOpen());
        EXPECT_FALSE(Form->TCPClientSocket.IsOpen());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    // Every control on the port settings pages, and those beside them that
    // stay usable while connected.
    [[nodiscard]] std::vector<QWidget*> PortSettingControls() const
    {
        return {Form->PageControlPortSettings, Form->TabSheetPortSettingsSerial, Form->TabSheetPortSettingsTCP,
                Form->LabelPort,               Form->ComboBoxPort,               Form->LabelBaudrate,
                Form->ComboBoxSpeed,           Form->LabelRemoteHost,            Form->EditRemoteHost,
                Form->LabelRemotePort,         Form->EditRemotePort};
    }
    [[nodiscard]] std::vector<QWidget*> ControlsBeside() const
    {
        return {Form->ComboBoxProtocol, Form->CheckBoxShowCmd, Form->CheckBoxDoubleStopCmd, Form->CheckBoxConnect};
    }
};

TEST_F(Connection, SerialConnectAndDisconnect)
{
    Form->ComboBoxPort->setEditText(QString::fromStdString(Pty.SlavePath()));
    Form->ComboBoxSpeed->setCurrentIndex(Form->ComboBoxSpeed->findText(QStringLiteral("9600")));
    Form->CheckBoxConnect->setChecked(true);

    const QString port = QString::fromStdString(Pty.SlavePath());
    EXPECT_EQ(NewLogLines(), (QStringList{QString(), QStringLiteral("Connecting...."), QStringLiteral("Connected."),
                                          QStringLiteral("Port: ") + port + QStringLiteral("."),
                                          QStringLiteral("Baudrate: 9600.")}));
    EXPECT_TRUE(Form->SerialPort.IsOpen());
    EXPECT_EQ(Form->SerialPort.DCB.BaudRate, 9600u);
    EXPECT_TRUE(Form->TimerDataReader->isActive());
    for (QWidget* control : PortSettingControls())
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    for (QWidget* control : ControlsBeside())
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The operator cannot switch the transport while connected.
    QTabBar* tabs = Form->PageControlPortSettings->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_EQ(Form->PageControlPortSettings->ActivePage(), Form->TabSheetPortSettingsSerial);

    MarkLog();
    Form->CheckBoxConnect->setChecked(false);
    EXPECT_EQ(NewLogLines(), Lines({"", "Port not connected."}));
    EXPECT_FALSE(Form->SerialPort.IsOpen());
    EXPECT_FALSE(Form->TimerDataReader->isActive());
    EXPECT_EQ(Form->CheckBoxConnect->Color(), ButtonFaceColor());
    EXPECT_FALSE(Form->TimerDisconnectWarningColorRemover->isActive());
    for (QWidget* control : PortSettingControls())
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();

    // Once disconnected the page may change again.
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_EQ(Form->PageControlPortSettings->ActivePage(), Form->TabSheetPortSettingsTCP);
}

TEST_F(Connection, NoBaudRateChosenConfiguresTheLineAt2400)
{
    Form->ComboBoxPort->setEditText(QString::fromStdString(Pty.SlavePath()));
    ASSERT_EQ(Form->ComboBoxSpeed->currentIndex(), -1);
    Form->CheckBoxConnect->setChecked(true);
    EXPECT_EQ(NewLogLines().last().toStdString(), "Baudrate: 2400.");
    EXPECT_EQ(Form->SerialPort.DCB.BaudRate, 2400u);
}

TEST_F(Connection, AMissingDeviceFailsWithTheSystemsReasonAndARedFlash)
{
    Form->ComboBoxPort->setEditText(QStringLiteral("/dev/tarvik-no-such-port"));
    QElapsedTimer clock;
    clock.start();
    Form->CheckBoxConnect->setChecked(true);

    const std::string reason = GetSystemErrorText(ENOENT, "?");
    ASSERT_NE(reason, "?");
    const QStringList expected{QString(), QStringLiteral("Connecting...."),
                               QString::fromStdString("Error opening port - " + reason + "."), QString(),
                               QStringLiteral("Port not connected.")};
    EXPECT_EQ(NewLogLines(), expected);
    ExpectFailedConnect();

    // Plain again about 2000 ms after the warning.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->CheckBoxConnect->Color() == ButtonFaceColor(); }, 8000));
    EXPECT_GE(clock.elapsed(), 1900);
    EXPECT_FALSE(Form->TimerDisconnectWarningColorRemover->isActive());
}

TEST_F(Connection, ARefusedPortNameGivesNoStaleReason)
{
    for (const char* name : {"com1", "COM0", "COM", ""}) {
        // An error left over from some other call must not be shown as the reason.
        SetLastSystemError(ECONNREFUSED);
        MarkLog();
        Form->ComboBoxPort->setEditText(QString::fromLatin1(name));
        Form->CheckBoxConnect->setChecked(true);
        EXPECT_EQ(NewLogLines(), Lines({"", "Connecting....", "Error opening port - ?.", "", "Port not connected."}))
            << name;
        ExpectFailedConnect();
    }
}

TEST_F(Connection, APortInUseIsRefused)
{
    TCOMSocket other;
    ASSERT_TRUE(other.SetPortName(Pty.SlavePath()));
    ASSERT_TRUE(other.Open());
    Form->ComboBoxPort->setEditText(QString::fromStdString(Pty.SlavePath()));
    Form->CheckBoxConnect->setChecked(true);
    const QStringList lines = NewLogLines();
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[2].toStdString(), "Error opening port - " + GetSystemErrorText(EBUSY, "?") + ".");
    ExpectFailedConnect();
}

TEST_F(Connection, TCPConnectAndDisconnect)
{
    TLoopbackListener remote;
    UseTCP(QStringLiteral("127.0.0.1"), QString::number(remote.Port()));
    Form->CheckBoxConnect->setChecked(true);

    const QString endpoint = QStringLiteral("127.0.0.1:") + QString::number(remote.Port());
    EXPECT_EQ(NewLogLines(), (QStringList{QString(), QStringLiteral("Connecting...."),
                                          QStringLiteral("Connected to: ") + endpoint + QStringLiteral(".")}));
    EXPECT_TRUE(Form->TCPClientSocket.IsOpen());
    EXPECT_TRUE(Form->TimerDataReader->isActive());
    for (QWidget* control : PortSettingControls())
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    const std::unique_ptr<TIPSocket> peer = remote.Accept();
    ASSERT_NE(peer, nullptr);

    MarkLog();
    Form->CheckBoxConnect->setChecked(false);
    EXPECT_EQ(NewLogLines(), Lines({"", "Port not connected."}));
    EXPECT_FALSE(Form->TCPClientSocket.IsOpen());
    EXPECT_FALSE(Form->TimerDataReader->isActive());
    EXPECT_EQ(Form->CheckBoxConnect->Color(), ButtonFaceColor());
    for (QWidget* control : PortSettingControls())
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    // The remote host sees the connection end.
    uint8_t byte = 0;
    EXPECT_EQ(peer->Receive(&byte, 1, 2000), 0u);
}

TEST_F(Connection, AnUnresolvableHostIsReported)
{
    // An empty host name fails in the resolver without asking any name server.
    UseTCP(QString(), QStringLiteral("80"));
    Form->CheckBoxConnect->setChecked(true);
    EXPECT_EQ(NewLogLines(),
              Lines({"", "Connecting....", "Remote host not resolved: .", "", "Port not connected."}));
    ExpectFailedConnect();
}

TEST_F(Connection, ARefusedConnectionIsReportedWithTheEndpoint)
{
    uint16_t port = 0;
    {
        TLoopbackListener closed;
        port = closed.Port();
    }
    for (const QString& typed : {QString::number(port), QString()}) {
        MarkLog();
        UseTCP(QStringLiteral("127.0.0.1"), typed);
        Form->CheckBoxConnect->setChecked(true);
        const QString endpoint = QStringLiteral("127.0.0.1:") + QString::number(typed.isEmpty() ? 0 : port);
        EXPECT_EQ(NewLogLines(), (QStringList{QString(), QStringLiteral("Connecting...."),
                                              QStringLiteral("Remote host not respond: ") + endpoint + QStringLiteral("."),
                                              QString(), QStringLiteral("Port not connected.")}));
        ExpectFailedConnect();
    }
}

TEST_F(Connection, ThePortNumberIsKeptIn16Bits)
{
    TLoopbackListener remote(4464);
    UseTCP(QStringLiteral("127.0.0.1"), QStringLiteral("70000"));
    Form->CheckBoxConnect->setChecked(true);
    const QStringList lines = NewLogLines();
    ASSERT_GE(lines.size(), 3);
    if (remote.Bound)
        EXPECT_EQ(lines[2].toStdString(), "Connected to: 127.0.0.1:4464.");
    else
        EXPECT_TRUE(lines[2].endsWith(QStringLiteral("127.0.0.1:4464."))) << lines[2].toStdString();
}

TEST_F(Connection, TheConnectBoxFollowsTheNetworkOnTheTCPPage)
{
    ASSERT_TRUE(NetworkReady());
    QTabBar* tabs = Form->PageControlPortSettings->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_TRUE(Form->CheckBoxConnect->isEnabled());

    // The network layer down, as after a failed start-up.
    while (NetworkReady())
        NetworkShutdown();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_TRUE(Form->CheckBoxConnect->isEnabled());
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_FALSE(Form->CheckBoxConnect->isEnabled());
    // Nothing restores the stored connection then.
    Form->RestoreConnection(1, true);
    EXPECT_FALSE(Form->CheckBoxConnect->isChecked());
    EXPECT_TRUE(NewLogLines().isEmpty());
    Form->PageControlPortSettings->SetActivePage(Form->TabSheetPortSettingsSerial);
    Form->PageControlPortSettingsChange();
    EXPECT_TRUE(Form->CheckBoxConnect->isEnabled());

    ASSERT_TRUE(NetworkStartup());
    Form->NetworkStarted = true;
}

TEST_F(Connection, RestoringTheConnectionChoosesThePageAndConnects)
{
    TLoopbackListener remote;
    Form->EditRemoteHost->setText(QStringLiteral("127.0.0.1"));
    Form->EditRemotePort->setText(QString::number(remote.Port()));
    Form->RestoreConnection(1, true);
    EXPECT_EQ(Form->PageControlPortSettings->ActivePage(), Form->TabSheetPortSettingsTCP);
    EXPECT_TRUE(Form->TCPClientSocket.IsOpen());
    EXPECT_TRUE(NewLogLines().last().startsWith(QStringLiteral("Connected to: ")));
    Form->CheckBoxConnect->setChecked(false);

    // An index out of range is the serial page; not connecting logs nothing.
    for (const int mode : {-1, 2, 0}) {
        Form->PageControlPortSettings->SetActivePage(Form->TabSheetPortSettingsTCP);
        MarkLog();
        Form->RestoreConnection(mode, false);
        EXPECT_EQ(Form->PageControlPortSettings->ActivePage(), Form->TabSheetPortSettingsSerial) << mode;
        EXPECT_TRUE(NewLogLines().isEmpty());
    }
    Form->ComboBoxPort->setEditText(QString::fromStdString(Pty.SlavePath()));
    Form->RestoreConnection(0, true);
    EXPECT_TRUE(Form->SerialPort.IsOpen());
}

TEST_F(Connection, TheDropDownRefillsThePortListAndKeepsTheTypedName)
{
    Form->ComboBoxPort->clear();
    Form->ComboBoxPort->addItem(QStringLiteral("/dev/ttyGone0"));
    Form->ComboBoxPort->setEditText(QStringLiteral("COM7"));
    Form->ComboBoxPortDropDown();
    std::vector<std::string> ports;
    ListCOMPorts(ports);
    ASSERT_EQ(Form->ComboBoxPort->count(), static_cast<int>(ports.size()));
    for (size_t i = 0; i < ports.size(); ++i)
        EXPECT_EQ(Form->ComboBoxPort->itemText(static_cast<int>(i)).toStdString(), ports[i]);
    EXPECT_EQ(Form->ComboBoxPort->currentText().toStdString(), "COM7");
}

TEST_F(Connection, SetControlsEnabledReachesGrandchildrenOnlyWhenRecursive)
{
    QWidget parent;
    auto* child = new QWidget(&parent);
    auto* grandchild = new QWidget(child);
    grandchild->setEnabled(false);
    TFormTarvik::SetControlsEnabled(&parent, true, false);
    EXPECT_TRUE(child->isEnabled());
    EXPECT_FALSE(grandchild->isEnabled());
    TFormTarvik::SetControlsEnabled(&parent, true, true);
    EXPECT_TRUE(grandchild->isEnabled());
    TFormTarvik::SetControlsEnabled(&parent, false, true);
    EXPECT_TRUE(child->testAttribute(Qt::WA_ForceDisabled));
    EXPECT_TRUE(grandchild->testAttribute(Qt::WA_ForceDisabled));
}

TEST_F(Connection, TheDeviceVanishingUnderAConnectedPortEndsCleanly)
{
    ConnectSerial();
    Form->CheckBoxShowCmd->setChecked(true);
    Pty.WriteMaster(Bytes("00 11"));
    QTest::qWait(50);
    Pty.CloseMaster();

    QElapsedTimer clock;
    clock.start();
    for (int tick = 0; tick < 3; ++tick)
        Form->TimerDataReaderTimer();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(Form->CheckBoxConnect->isChecked());

    // The next send finds the line gone.
    QTest::mousePress(Form->SpeedButtonUp, Qt::LeftButton);
    const QStringList lines = NewLogLines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines.contains(QStringLiteral("Command not sent.")));
    EXPECT_EQ(lines.mid(lines.indexOf(QStringLiteral("Command not sent.")) + 1),
              Lines({"", "Port not connected."}));
    EXPECT_FALSE(Form->CheckBoxConnect->isChecked());
    EXPECT_EQ(Form->CheckBoxConnect->Color(), QColor(Qt::red));
    EXPECT_FALSE(Form->SerialPort.IsOpen());
    EXPECT_FALSE(Form->TimerDataReader->isActive());
    EXPECT_FALSE(Form->TimerCommandRepeater->isActive());
    QTest::mouseRelease(Form->SpeedButtonUp, Qt::LeftButton);
}

} // namespace
