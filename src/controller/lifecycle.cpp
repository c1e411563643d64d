// Construction, creation, the delayed first showing and the tear-down.

#include <QApplication>

#include <span>
#include <string>
#include <vector>

#include "controller/component_helpers.h"
#include "controller/program_info.h"
#include "controller/tformtarvik.h"

namespace {

constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
constexpr int kInitialLeft = 514;
constexpr int kInitialTop = 222;

} // namespace

TFormTarvik::TFormTarvik(std::shared_ptr<TDesktop> desktop, QWidget* parent)
    : QWidget(parent, kWindowFlags),
      DesktopServices(desktop ? std::move(desktop) : std::make_shared<TQtDesktop>())
{
    setObjectName(QStringLiteral("FormTarvik"));
    CreateControls();
    move(kInitialLeft, kInitialTop);

    EnableDoubleBuffering(this);
    JoystickDragging = false;
    PresetCommandCode = cmdPresetGoto;

    FindNumberedComponents(this, std::span<TButton*>(PresetButtons), 1, false, QStringLiteral("ButtonPreset"));
    FindNumberedComponents(this, std::span<TButton*>(CustomCommandButtons), 0, true, QStringLiteral("ButtonCustomCommand"));
    FindNumberedComponents(this, std::span<TButton*>(ChangeIDButtons), 1, false, QStringLiteral("ButtonChangeID"));
    FindNumberedComponents(this, std::span<TPanel*>(AnalyzerIDPanels), 1, false, QStringLiteral("PanelAnalyzerID"));

    for (int i = 0; i < kCustomCommandCount; ++i) {
        DefaultCommandCaptions[i] = QString::fromLatin1(kDefaultCommandCaptions[i]);
        DefaultPresetNumbers[i] = kDefaultPresetNumbers[i];
    }

    setWindowTitle(QString::asprintf("Tarvik %.1f (Server)     MORWEN %i", ProgramVersion, ProgramYear));
    // The client width is PanelMain's; the height follows the top page.
    FitToTopPage();

    BindHandlers();
    BindMacroHandlers();
    BindServerHandlers();
    BindCustomCommandHandlers();
    BindConnectionHandlers();
    BindInputHandlers();
    BindReceiveHandlers();
    FormCreate();
}

TFormTarvik::~TFormTarvik()
{
    FormDestroy();
    // The controls outlive this object's members while QWidget deletes them;
    // nothing they signal from then on may reach a handler.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

void TFormTarvik::FormCreate()
{
    ComboBoxPortDropDown();

    ServerName = windowTitle().toStdString();
    LoadWebPage();

    NetworkStarted = NetworkStartup();
    if (NetworkStarted) {
        ComboBoxLocalAddressDropDown();
    } else {
        CheckBoxServer->setEnabled(false);
        ComboBoxLocalAddress->setEnabled(false);
        LogLine("Error initializing network - HTTP server function and TCP/IP connection is disabled.");
    }
}

void TFormTarvik::TimerLoadSettingsTimer()
{
    TimerLoadSettings->stop();
    // The settings are restored here, before the first showing, so their
    // connect messages are in the log when the window appears.
    LoadSettings();
    show();
}

void TFormTarvik::WMQueryEndSession()
{
    // exit() rather than quit(): quit() would close the windows first and so
    // ask the close question; the window is torn down after the loop ends.
    QCoreApplication::exit(0);
}

void TFormTarvik::FormDestroy()
{
    // The settings are saved here, first of all, so they record the
    // connection and the server as they were at closing.
    SaveSettings();
    CheckBoxConnect->setChecked(false);
    CheckBoxServer->setChecked(false);
    if (NetworkStarted) {
        NetworkShutdown();
        NetworkStarted = false;
    }
}
