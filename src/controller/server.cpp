// The HTTP server as the window runs it: starting and stopping, the tab's
// controls, the control page, the close question, the "WWW Panel" link and
// the web commands taken off the queue on each data-reader tick.

#include <QApplication>
#include <QCloseEvent>

#include <vector>

#include "controller/busy_cursor.h"
#include "controller/tformtarvik.h"
#include "transport/system_error.h"
#include "web/control_page.h"
#include "web/request_handler.h"

namespace {

constexpr int kListenBacklog = 10;
constexpr uint32_t kServerAcceptWaitMs = 2000;
constexpr uint16_t kDefaultHttpPort = 80;

// The port typed for the server; anything that is not a port asks the
// system for a free one (0).
uint16_t PortToListenOn(const QString& text)
{
    bool ok = false;
    const int port = text.toInt(&ok, 10);
    return ok && port >= 0 && port <= 65535 ? static_cast<uint16_t>(port) : 0;
}

} // namespace

void TFormTarvik::BindServerHandlers()
{
    connect(CheckBoxServer, &QCheckBox::toggled, this, &TFormTarvik::CheckBoxServerClick);
    connect(CheckBoxAuthenticate, &QCheckBox::toggled, this, &TFormTarvik::CheckBoxAuthenticateClick);
    connect(ComboBoxLocalAddress, &TComboBox::DropDown, this, &TFormTarvik::ComboBoxLocalAddressDropDown);
    connect(LabelPanelWWW, &TLabel::Click, this, &TFormTarvik::LabelPanelWWWClick);
}

void TFormTarvik::CheckBoxServerClick()
{
    const TBusyCursor busy;
    SetServerActive(CheckBoxServer->isChecked());
}

void TFormTarvik::SetServerActive(bool active)
{
    CheckBoxAuthenticate->setEnabled(true);
    CheckBoxAuthenticateClick();
    LabelPanelWWW->setEnabled(false);
    for (QWidget* control : {static_cast<QWidget*>(LabelLocalAddress), static_cast<QWidget*>(ComboBoxLocalAddress),
                             static_cast<QWidget*>(LabelLocalPort), static_cast<QWidget*>(EditLocalPort)})
        control->setEnabled(!active);
    LogLine("");

    // The accept thread polls the socket: it is always stopped first.
    ServerThread.reset();
    ServerSocket.reset();

    if (!active) {
        LogLine("HTTP server disabled.");
        return;
    }
    LogLine("Activation of the HTTP server...");

    const uint16_t port = PortToListenOn(EditLocalPort->text());
    ServerSocket = std::make_unique<TIPSocket>();
    TIPEndpoint endpoint;
    TIPEndpoint bound;
    bool started = endpoint.Parse(ComboBoxLocalAddress->currentText().toStdString());
    if (started) {
        endpoint.Port = port;
        started = ServerSocket->CreateSocket() && ServerSocket->Bind(endpoint) && ServerSocket->Listen(kListenBacklog) &&
                  ServerSocket->LocalEndpoint(bound);
    }

    if (started) {
        LogLine(QStringLiteral("HTTP server is listening at: %1...").arg(QString::fromStdString(bound.EndpointText())));
        CheckBoxAuthenticate->setEnabled(false);
        LabelPanelWWW->setEnabled(true);

        // Each start hands its connections a snapshot that nothing changes
        // later, so a connection that outlives a restart keeps answering
        // with the credentials and the page it began with.
        auto snapshot = std::make_shared<TClientData>();
        snapshot->Commands = WebCommandQueue;
        snapshot->ServerName = ServerName;
        snapshot->Authenticate = CheckBoxAuthenticate->isChecked();
        snapshot->AuthUser = EditAuthUser->text().toStdString();
        snapshot->AuthPassword = EditAuthPass->text().toStdString();
        snapshot->Page = Page;
        ClientData = snapshot;

        ComboBoxLocalAddress->setCurrentIndex(ComboBoxLocalAddress->findText(QString::fromStdString(bound.AddressText())));
        EditLocalPort->setText(QString::number(bound.Port));

        ServerThread = std::make_unique<TServerThread>(*ServerSocket, HandleWebRequest, false, snapshot);
        ServerThread->AcceptWaitMs = kServerAcceptWaitMs;
        started = ServerThread->Start();
    }
    if (started)
        return;

    const int code = GetLastSystemError();
    const std::string text = code == 0 ? std::string("?") : GetSystemErrorText(code, "?");
    ShowMessagesPage();
    LogLine(QStringLiteral("Activation server error: %1").arg(QString::fromStdString(text)));
    // Unticking runs the stop path, which releases what the failed start left.
    CheckBoxServer->setChecked(false);
}

void TFormTarvik::CheckBoxAuthenticateClick()
{
    // The credentials can change only while the server is off.
    const bool editable = CheckBoxAuthenticate->isChecked() && !CheckBoxServer->isChecked();
    for (QWidget* control : {static_cast<QWidget*>(LabelAuthUser), static_cast<QWidget*>(EditAuthUser),
                             static_cast<QWidget*>(LabelAuthPass), static_cast<QWidget*>(EditAuthPass)})
        control->setEnabled(editable);
}

void TFormTarvik::ComboBoxLocalAddressDropDown()
{
    const QString kept = ComboBoxLocalAddress->currentText();
    std::vector<std::string> addresses;
    LocalAddresses(addresses);

    QStringList items{QStringLiteral("0.0.0.0"), QStringLiteral("127.0.0.1")};
    for (const std::string& address : addresses) {
        const QString item = QString::fromStdString(address);
        if (!items.contains(item))
            items.append(item);
    }
    const QSignalBlocker quiet(ComboBoxLocalAddress);
    ComboBoxLocalAddress->clear();
    ComboBoxLocalAddress->addItems(items);
    ComboBoxLocalAddress->setCurrentIndex(ComboBoxLocalAddress->findText(kept));
}

void TFormTarvik::LoadWebPage()
{
    // An "index.html" in the current folder replaces the built-in page.
    Page = LoadControlPage(ServerName);
}

bool TFormTarvik::FormCloseQuery()
{
    if (!CheckBoxServer->isChecked())
        return true;
    return Desktop().AskYesNo(this, QApplication::applicationName(),
                              QStringLiteral("HTTP server is running\n\nAre you sure to close the application?"));
}

void TFormTarvik::closeEvent(QCloseEvent* event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

void TFormTarvik::LabelPanelWWWClick()
{
    TIPEndpoint bound;
    if (!ServerSocket || !ServerSocket->LocalEndpoint(bound))
        return;
    QString url = QStringLiteral("http://");
    url += bound.IPAddress == 0 ? QStringLiteral("localhost") : QString::fromStdString(bound.AddressText());
    if (bound.Port != kDefaultHttpPort)
        url += QStringLiteral(":%1").arg(bound.Port);
    OpenInBrowser(url);
}

void TFormTarvik::SendQueuedCommands()
{
    DrainCommandQueue(*WebCommandQueue, [this](const TPelcoCommandItem& item) {
        // A failed send disconnects; what is left goes the way of every
        // command queued while no port is connected.
        if (CheckBoxConnect->isChecked())
            SendCommand(item.DeviceID, item.Code, item.Parameter);
    });
}
