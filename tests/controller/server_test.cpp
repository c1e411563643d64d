// The HTTP server run from the window: real loopback connections, and the
// web commands reaching a real serial line (a pseudo-terminal).

#include <QApplication>
#include <QDir>

#include <algorithm>
#include <filesystem>

#include "station_fixture.h"
#include "web/loopback.h"

namespace {

namespace fs = std::filesystem;

// admin:vexto, the form's own credentials.
constexpr const char* kAdminCredentials = "YWRtaW46dmV4dG8=";

class ServerTest : public StationTest {
protected:
    void SetUp() override { Open(); }

    // Starts the server from the tab as the operator would.
    void Start(const QString& address, const QString& port)
    {
        Form->ComboBoxLocalAddress->setCurrentIndex(Form->ComboBoxLocalAddress->findText(address));
        Form->EditLocalPort->setText(port);
        LogStart = Form->Memo->Count();
        Form->CheckBoxServer->setChecked(true);
    }
    void StartOnLoopback() { Start(QStringLiteral("127.0.0.1"), QStringLiteral("0")); }

    [[nodiscard]] uint16_t Port() const { return static_cast<uint16_t>(Form->EditLocalPort->text().toUInt()); }

    // One request with the given credentials (none when empty); the whole answer.
    [[nodiscard]] std::string Request(const std::string& target, const std::string& credentials = kAdminCredentials)
    {
        webtest::RawClient browser(Port());
        if (!browser.IsConnected())
            return "<no connection>";
        std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
        if (!credentials.empty())
            request += "Authorization: Basic " + credentials + "\r\n";
        if (!browser.Send(request + "\r\n"))
            return "<not sent>";
        return browser.ReadAll(5000);
    }

    static std::string StatusLine(const std::string& answer) { return answer.substr(0, answer.find("\r\n")); }

    void QueueItems(int count)
    {
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(Form->WebCommandQueue->Add(std::make_unique<TPelcoCommandItem>(
                TPelcoCommandItem{cmdPresetGoto, 1, static_cast<uint8_t>(i + 1)})));
    }

    // The go-to-preset frame for device 1 and preset `number`, Pelco-D.
    static std::string GotoFrame(int number)
    {
        const auto preset = static_cast<uint8_t>(number);
        const uint8_t frame[] = {0xFF, 0x01, 0x00, 0x07, 0x00, preset, static_cast<uint8_t>(0x01 + 0x07 + preset)};
        return Hex(frame, sizeof frame);
    }
};

TEST_F(ServerTest, ABrowsersCommandReachesTheLineAtTheNextTick)
{
    ConnectSerial();
    Form->TimerDataReader->stop();
    Form->CheckBoxAuthenticate->setChecked(true);
    StartOnLoopback();
    ASSERT_TRUE(Form->ServerSocket);
    const std::string answer = Request("/?cmd=2&id=1&speed=32");
    EXPECT_EQ(StatusLine(answer), "HTTP/1.1 200 OK");
    EXPECT_EQ(NothingMore(), "");

    Form->TimerDataReaderTimer();
    EXPECT_EQ(Received(7), "FF 01 00 02 20 00 23");
    // Sent as an operator's command: the repeater keeps the movement going.
    EXPECT_TRUE(Form->TimerCommandRepeater->isActive());
}

TEST_F(ServerTest, TheQueueIsDrainedTenItemsATickInOrder)
{
    ConnectSerial();
    Form->TimerDataReader->stop();
    QueueItems(25);
    for (const int expected : {10, 10, 5}) {
        const int first = 25 - static_cast<int>(Form->WebCommandQueue->Count()) + 1;
        Form->TimerDataReaderTimer();
        std::string frames;
        for (int i = 0; i < expected; ++i)
            frames += (i > 0 ? " " : "") + GotoFrame(first + i);
        EXPECT_EQ(Received(7 * static_cast<size_t>(expected)), frames);
        EXPECT_EQ(NothingMore(50), "");
    }
    EXPECT_EQ(Form->WebCommandQueue->Count(), 0U);
}

TEST_F(ServerTest, ItemsQueuedWhileDisconnectedNeverGoOut)
{
    QueueItems(3);
    ConnectSerial();
    Form->TimerDataReader->stop();
    EXPECT_EQ(Form->WebCommandQueue->Count(), 0U);
    Form->TimerDataReaderTimer();
    EXPECT_EQ(NothingMore(), "");
}

TEST_F(ServerTest, AFailedSendDropsTheRestOfTheTick)
{
    ConnectSerial();
    Form->TimerDataReader->stop();
    QueueItems(4);
    Form->SerialPort.Close();
    LogStart = Form->Memo->Count();
    Form->SendQueuedCommands();
    const QStringList lines = NewLogLines();
    EXPECT_EQ(lines.count(QStringLiteral("Command not sent.")), 1);
    EXPECT_FALSE(Form->CheckBoxConnect->isChecked());
}

TEST_F(ServerTest, StartAndStopLogTheirLinesAndSetTheControls)
{
    Form->CheckBoxAuthenticate->setChecked(true);
    EXPECT_TRUE(Form->EditAuthUser->isEnabled());
    StartOnLoopback();
    ASSERT_TRUE(Form->ServerSocket);
    ASSERT_TRUE(Form->ServerThread);
    EXPECT_EQ(Form->ServerThread->AcceptWaitMs.load(), 2000U);
    const QString endpoint = QStringLiteral("127.0.0.1:%1").arg(Port());
    EXPECT_NE(Port(), 0);
    EXPECT_EQ(NewLogLines(), (QStringList{QString(), QStringLiteral("Activation of the HTTP server..."),
                                          QStringLiteral("HTTP server is listening at: %1...").arg(endpoint)}));
    EXPECT_EQ(Form->ComboBoxLocalAddress->currentText(), "127.0.0.1");
    for (QWidget* control : {static_cast<QWidget*>(Form->CheckBoxAuthenticate), static_cast<QWidget*>(Form->EditAuthUser),
                             static_cast<QWidget*>(Form->EditAuthPass), static_cast<QWidget*>(Form->LabelAuthUser),
                             static_cast<QWidget*>(Form->LabelAuthPass), static_cast<QWidget*>(Form->ComboBoxLocalAddress),
                             static_cast<QWidget*>(Form->EditLocalPort), static_cast<QWidget*>(Form->LabelLocalAddress),
                             static_cast<QWidget*>(Form->LabelLocalPort)})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_TRUE(Form->LabelPanelWWW->isEnabled());
    EXPECT_EQ(StatusLine(Request("/")), "HTTP/1.1 200 OK");
    EXPECT_EQ(StatusLine(Request("/", "")), "HTTP/1.1 401 Authorization Required");

    LogStart = Form->Memo->Count();
    Form->CheckBoxServer->setChecked(false);
    EXPECT_EQ(NewLogLines(), (QStringList{QString(), QStringLiteral("HTTP server disabled.")}));
    EXPECT_FALSE(Form->ServerSocket);
    EXPECT_FALSE(Form->ServerThread);
    for (QWidget* control : {static_cast<QWidget*>(Form->CheckBoxAuthenticate), static_cast<QWidget*>(Form->EditAuthUser),
                             static_cast<QWidget*>(Form->EditAuthPass), static_cast<QWidget*>(Form->ComboBoxLocalAddress),
                             static_cast<QWidget*>(Form->EditLocalPort)})
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_FALSE(Form->LabelPanelWWW->isEnabled());
    EXPECT_FALSE(webtest::RawClient(static_cast<uint16_t>(endpoint.section(':', 1).toUInt())).IsConnected());
}

TEST_F(ServerTest, APortInUseGivesTheFiveLinesAndTheStoppedState)
{
    uint16_t taken = 0;
    const std::unique_ptr<TIPSocket> other = webtest::ListenOnLoopback(taken);
    ASSERT_TRUE(other);
    Form->PageControlBottom->SetActivePage(Form->TabSheetServer);
    Start(QStringLiteral("127.0.0.1"), QString::number(taken));
    EXPECT_EQ(NewLogLines(), (QStringList{QString(), QStringLiteral("Activation of the HTTP server..."),
                                          QStringLiteral("Activation server error: Address already in use"), QString(),
                                          QStringLiteral("HTTP server disabled.")}));
    EXPECT_FALSE(Form->CheckBoxServer->isChecked());
    EXPECT_EQ(Form->PageControlBottom->ActivePage(), Form->TabSheetMessages);
    EXPECT_TRUE(Form->ComboBoxLocalAddress->isEnabled());
    EXPECT_TRUE(Form->EditLocalPort->isEnabled());
    EXPECT_TRUE(Form->LabelLocalPort->isEnabled());
    EXPECT_FALSE(Form->LabelPanelWWW->isEnabled());
    EXPECT_FALSE(Form->ServerSocket);
    EXPECT_EQ(Form->EditLocalPort->text(), QString::number(taken));
}

TEST_F(ServerTest, NoAddressChosenFailsAtTheFirstStep)
{
    Start(QString(), QStringLiteral("0"));
    const QStringList lines = NewLogLines();
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Activation server error: "))) << lines[2].toStdString();
    EXPECT_FALSE(Form->CheckBoxServer->isChecked());
}

TEST_F(ServerTest, APortThatIsNoPortListensWhereTheSystemChooses)
{
    for (const char* typed : {"0", "70000", "abc", ""}) {
        Start(QStringLiteral("127.0.0.1"), QLatin1String(typed));
        ASSERT_TRUE(Form->ServerSocket) << typed;
        const uint16_t port = Port();
        EXPECT_NE(port, 0) << typed;
        EXPECT_EQ(NewLogLines().constLast(), QStringLiteral("HTTP server is listening at: 127.0.0.1:%1...").arg(port));
        EXPECT_EQ(StatusLine(Request("/")), "HTTP/1.1 200 OK") << typed;
        Form->CheckBoxServer->setChecked(false);
    }
}

TEST_F(ServerTest, TheAddressListStartsWithTheTwoFixedAddressesAndKeepsTheChoice)
{
    QComboBox* list = Form->ComboBoxLocalAddress;
    ASSERT_GE(list->count(), 2);
    EXPECT_EQ(list->itemText(0), "0.0.0.0");
    EXPECT_EQ(list->itemText(1), "127.0.0.1");
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items.append(list->itemText(i));
    EXPECT_EQ(items.removeDuplicates(), 0);

    list->setCurrentIndex(1);
    list->showPopup();
    list->hidePopup();
    EXPECT_EQ(list->currentText(), "127.0.0.1");
    EXPECT_EQ(list->itemText(0), "0.0.0.0");

    // A choice that is no longer there is not kept.
    list->addItem(QStringLiteral("10.255.255.1"));
    list->setCurrentIndex(list->count() - 1);
    list->showPopup();
    list->hidePopup();
    EXPECT_EQ(list->currentIndex(), -1);
}

TEST_F(ServerTest, AuthenticationEditsFollowTheBoxWhileTheServerIsOff)
{
    Form->CheckBoxAuthenticate->setChecked(true);
    EXPECT_TRUE(Form->EditAuthUser->isEnabled());
    EXPECT_TRUE(Form->LabelAuthPass->isEnabled());
    Form->CheckBoxAuthenticate->setChecked(false);
    EXPECT_FALSE(Form->EditAuthUser->isEnabled());
    EXPECT_FALSE(Form->LabelAuthPass->isEnabled());
}

// A restart while a request is being answered: the connection that began
// before keeps the credentials it began with; new ones get the new ones.
TEST_F(ServerTest, EachStartHandsItsConnectionsASnapshot)
{
    Form->CheckBoxAuthenticate->setChecked(true);
    StartOnLoopback();
    ASSERT_TRUE(Form->ServerSocket);
    const std::shared_ptr<TClientData> first = Form->ClientData;
    EXPECT_EQ(first->AuthUser, "admin");
    EXPECT_EQ(first->AuthPassword, "vexto");
    EXPECT_TRUE(first->Authenticate);
    EXPECT_EQ(first->Commands, Form->WebCommandQueue);
    EXPECT_EQ(first->ServerName, Form->windowTitle().toStdString());

    webtest::RawClient early(Port());
    ASSERT_TRUE(early.IsConnected());
    ASSERT_TRUE(early.Send("GET / HTTP/1.1\r\n"));
    QTest::qWait(100);

    Form->CheckBoxServer->setChecked(false);
    Form->EditAuthUser->setText(QStringLiteral("other"));
    Form->CheckBoxServer->setChecked(true);
    ASSERT_TRUE(Form->ServerSocket);
    EXPECT_NE(Form->ClientData, first);
    EXPECT_EQ(Form->ClientData->AuthUser, "other");
    EXPECT_EQ(first->AuthUser, "admin");

    ASSERT_TRUE(early.Send(std::string("Authorization: Basic ") + kAdminCredentials + "\r\n\r\n"));
    EXPECT_EQ(StatusLine(early.ReadAll(5000)), "HTTP/1.1 200 OK");
    EXPECT_EQ(StatusLine(Request("/")), "HTTP/1.1 401 Authorization Required");
    EXPECT_EQ(StatusLine(Request("/", "b3RoZXI6dmV4dG8=")), "HTTP/1.1 200 OK");
}

TEST_F(ServerTest, ClosingAsksOnlyWhileTheServerRuns)
{
    // The test process has no event loop of its own to end.
    QApplication::setQuitOnLastWindowClosed(false);
    EXPECT_TRUE(Form->close());
    EXPECT_TRUE(Desktop->Questions.isEmpty());

    Form->show();
    StartOnLoopback();
    ASSERT_TRUE(Form->ServerSocket);
    Desktop->YesNoAnswers = {false};
    EXPECT_FALSE(Form->close());
    EXPECT_EQ(Desktop->Questions,
              QStringList{QStringLiteral("Tarvik|HTTP server is running\n\nAre you sure to close the application?")});
    EXPECT_TRUE(Form->isVisible());
    EXPECT_TRUE(Form->ServerSocket);

    Desktop->YesNoAnswers = {true};
    EXPECT_TRUE(Form->close());
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(ServerTest, TheWwwPanelLinkOpensTheBoundAddress)
{
    StartOnLoopback();
    Form->LabelPanelWWWClick();
    Form->CheckBoxServer->setChecked(false);
    Start(QStringLiteral("0.0.0.0"), QStringLiteral("0"));
    Form->LabelPanelWWWClick();
    ASSERT_EQ(Desktop->Urls.size(), 2);
    EXPECT_TRUE(Desktop->Urls[0].startsWith(QStringLiteral("http://127.0.0.1:")));
    EXPECT_EQ(Desktop->Urls[1], QStringLiteral("http://localhost:%1").arg(Port()));
    EXPECT_EQ(Desktop->BusyCursorWhenOpened, (QList<bool>{true, true}));
    Form->CheckBoxServer->setChecked(false);

    // Stopped, the link opens nothing.
    Form->LabelPanelWWWClick();
    EXPECT_EQ(Desktop->Urls.size(), 2);
}

TEST_F(ServerTest, OnPortEightyTheLinkNamesNoPort)
{
    Start(QStringLiteral("127.0.0.1"), QStringLiteral("80"));
    if (!Form->ServerSocket)
        GTEST_SKIP() << "port 80 is taken or not allowed here: " << NewLogLines().join('|').toStdString();
    Form->LabelPanelWWWClick();
    EXPECT_EQ(Desktop->Urls, QStringList{QStringLiteral("http://127.0.0.1")});
}

TEST_F(ServerTest, ThePageCarriesTheServersName)
{
    StartOnLoopback();
    const std::string answer = Request("/");
    EXPECT_NE(answer.find(Form->windowTitle().toStdString()), std::string::npos);
    EXPECT_EQ(answer.find("TARVIK_SERVER"), std::string::npos);
}

// The current folder is the process's; it is changed for one window only.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder) : Previous(fs::current_path()) { fs::current_path(folder); }
    ~CurrentFolder() { fs::current_path(Previous); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    fs::path Previous;
};

TEST_F(ServerTest, AnIndexFileInTheCurrentFolderReplacesTheBuiltInPage)
{
    Close();
    WriteFileText(Folder.Path("index.html"), "<p>Own page of TARVIK_SERVER</p>\n");
    {
        const CurrentFolder inFolder(Folder.Path());
        Form = std::make_unique<TFormTarvik>(Desktop);
    }
    Form->SettingsPlace = Place();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->isVisible(); }, 5000));
    StartOnLoopback();
    const std::string answer = Request("/");
    const std::string body = answer.substr(answer.find("\r\n\r\n") + 4);
    EXPECT_EQ(body, "<p>Own page of " + Form->windowTitle().toStdString() + "</p>\r\n");
}

TEST_F(ServerTest, TheServerStopsWithTheWindow)
{
    StartOnLoopback();
    const uint16_t port = Port();
    ASSERT_TRUE(webtest::RawClient(port).IsConnected());
    Close();
    EXPECT_FALSE(webtest::RawClient(port).IsConnected());
}

} // namespace
