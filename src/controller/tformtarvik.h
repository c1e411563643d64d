#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPoint>
#include <QRect>
#include <QPointer>
#include <QProgressBar>
#include <QRadioButton>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/settings_path.h"
#include "controller/controls.h"
#include "controller/desktop.h"
#include "protocol/custom_command.h"
#include "protocol/frame_builder.h"
#include "protocol/frame_decoder.h"
#include "transport/server_thread.h"
#include "transport/tcomsocket.h"
#include "transport/tipsocket.h"
#include "web/client_data.h"
#include "web/thread_list.h"

class TFormEditCustomCommand;
class QAbstractButton;
class QKeyEvent;
class QPainter;

// The station's one window. Its implementation is split by concern:
// lifecycle.cpp, layout.cpp, dispatch.cpp, log.cpp, links.cpp and the files
// the other sections name. Everything here runs on the GUI thread.
class TFormTarvik : public QWidget {
    Q_OBJECT
public:
    // `desktop` is the browser and message-box seam; none gives the real one.
    explicit TFormTarvik(std::shared_ptr<TDesktop> desktop = nullptr, QWidget* parent = nullptr);
    ~TFormTarvik() override;
    TFormTarvik(const TFormTarvik&) = delete;
    TFormTarvik& operator=(const TFormTarvik&) = delete;

    static constexpr int kClientWidth = 344;
    static constexpr int kBottomPagesHeight = 116;

    // ===== Lifecycle (lifecycle.cpp) =====
    void FormCreate();
    void TimerLoadSettingsTimer();
    // The session is ending (log-off, shut-down, SIGTERM/SIGINT/SIGHUP):
    // close without any question and tear down as usual.
    void WMQueryEndSession();
    void FormDestroy();

    [[nodiscard]] TDesktop& Desktop() const { return *DesktopServices; }
    // Whether the network layer started at creation, so the tear-down shuts
    // down only what it started.
    bool NetworkStarted = false;

    // ===== Layout (layout.cpp) =====
    // The client height is the Tag of the top page shown; the bottom pages
    // hide under the About tab. Kept in step with every top page change.
    void FitToTopPage();

    // ===== Command dispatch (dispatch.cpp) =====
    bool SendCommand(uint8_t id, uint8_t code, uint8_t value);
    bool SendPanTilt(uint8_t id, int pan, int tilt);
    [[nodiscard]] bool IsPelcoD() const;
    bool WriteToPort(const uint8_t* bytes, uint32_t count);
    void LogHexLine(const char* prefix, const uint8_t* bytes, uint32_t count);
    void TimerCommandRepeaterTimer();
    // The stop that ends an operator's movement: sent a second time at once,
    // whatever became of the first, while "Double STOP" is ticked.
    void SendOperatorStop(uint8_t id);
    // The same for the joystick, whose stop is a pan/tilt frame of speed 0.
    void SendJoystickStop(uint8_t id);
    // An empty line and "Command not sent." in the log, then the disconnect warning.
    void ReportCommandNotSent();

    static constexpr uint32_t kTCPSendTimeoutMs = 5000;

    // ===== Message log (log.cpp) =====
    // Appends one line; 8-bit text goes in as Latin-1, byte for byte.
    void LogLine(const QString& line);
    void LogLine(const char* line) { LogLine(QString::fromLatin1(line)); }
    // Brings the messages page to the front without running its change handler.
    void ShowMessagesPage();
    void TimerMemoCleanerTimer();
    void PageControlBottomChange();

    // ===== About links (links.cpp) =====
    void OpenInBrowser(const QString& url);
    void LabelProducentWebsiteClick();
    void LabelCheckVersionClick();
    void LabelAboutWebsiteClick();

    // ===== Connection (connection.cpp) =====
    // Binds the connect box and the port settings; part of the constructor's wiring.
    void BindConnectionHandlers();
    // Runs on every change of the connect box's checked state, from the
    // operator or from code.
    void CheckBoxConnectClick();
    void ConnectSerialPort();
    void ConnectTCPPort();
    void DisconnectWarning();
    void TimerDisconnectWarningColorRemoverTimer();
    void PageControlPortSettingsChange();
    void ComboBoxPortDropDown();
    // The connect at start: shows the transport page of index `socketMode`
    // (0 serial, 1 TCP, anything else serial), then, where the connect box
    // may be used, sets it to `connected`, which connects as a click does.
    void RestoreConnection(int socketMode, bool connected);
    static void SetControlsEnabled(QWidget* control, bool enabled, bool recursive);

    static constexpr uint32_t kTCPConnectTimeoutMs = 5000;

    // ===== Operator input (input.cpp) =====
    // Binds the controller tab's controls, the number edits' keys and the
    // window's key and wheel preview; part of the constructor's wiring.
    void BindInputHandlers();
    // The edit's number, written back so the edit shows what was used.
    int32_t ReadEditNumber(QLineEdit* edit, int32_t fallback);
    void SpeedButtonMouseDown(const QObject* sender);
    void SpeedButtonMouseUp();
    void ButtonPresetClick(const QObject* sender);
    void RadioButtonGotoPresetClick();
    void RadioButtonSetPresetClick();
    void RadioButtonClearPresetClick();
    void EditCustomPresetNChange();
    void ButtonChangeIDClick(const QAbstractButton* sender);
    // These three return true when the key is consumed.
    [[nodiscard]] bool EditKeyPress(const QKeyEvent& event);
    [[nodiscard]] bool EditKeyDown(QLineEdit* edit, int key);
    [[nodiscard]] bool EditKeyUp(int key);
    void PanelJoyButtonMouseDown(Qt::MouseButton button, QPoint screenPosition);
    void PanelJoyButtonMouseMove(QPoint screenPosition);
    void PanelJoyButtonMouseUp();
    void PaintBoxCrossPanePaint(TPaintBox* box, QPainter& painter);
    static void DrawCross(const TPaintBox* box, QPainter& painter);
    // One call per wheel notch; a positive delta is a turn away from the operator.
    void FormMouseWheel(int wheelDelta);
    void FormKeyDown(const QKeyEvent& event);
    void FormKeyUp(const QKeyEvent& event);

    // The screen rectangle the pointer is held in while the knob is dragged.
    QRect JoystickConfinement;
    bool JoystickPointerHidden = false;

    // ===== Receive path and analyzer (receive.cpp, analyzer.cpp) =====
    // Binds the data reader, the fader and the top page change; part of the
    // constructor's wiring.
    void BindReceiveHandlers();
    void TimerDataReaderTimer();
    // The tick's read passes on each transport; false when the tick ended
    // with the connection.
    bool ReadSerialPort();
    bool ReadTCPPort();
    void RemoteHostClosed();
    // A pass that read a whole frame of `length` bytes into ReceiveBuffer.
    void ReceivedFrame(size_t length);
    // A pass whose `count` bytes are no frame; takes the rest of what is
    // waiting as one chunk and returns the bytes now in ReceiveBuffer.
    size_t ReceivedOtherData(size_t count);
    [[nodiscard]] bool AnalyzerShowing() const;
    void ShowFrameAnalysis(const TFrameAnalysis& analysis);
    void HighlightPanel(TPanel* panel, bool lit);
    void ClearHighlights();
    void TimerAnalyzerButtonsDisablerTimer();
    void PageControlTopChange();

    // The lit panels, in the order they were first lit; the panels belong
    // to their parent widgets, never to the list.
    struct TPanelReferences : TMyList<TPanel> {
        TPanelReferences() { OwnsItems = false; }
    };
    TPanelReferences HighlightedPanels;
    // The fader timer's interval, taken at its first tick.
    int FadeStep = 0;

    // ===== Macros (macros.cpp) =====
    // Binds the macro tab's controls and timers; part of the constructor's wiring.
    void BindMacroHandlers();
    void CheckBoxMacroRecordClick();
    // Called by WriteToPort for every write while recording, before the port
    // is written, so failed writes are recorded too.
    void RecordMacroStep(const uint8_t* bytes, uint32_t count);
    void MacroListChange();
    void CheckBoxMacroPlayClick();
    void TimerMacroPlayingTimer();
    void TimerMacroPlayingTimeTimer();
    void PlayMacroStep(uint32_t index);
    // At least 1 ms, whatever the step's text.
    [[nodiscard]] uint32_t MacroStepDelay(uint32_t index) const;
    // 64 bits: a hand-edited file may add up to more than 32 bits of milliseconds.
    [[nodiscard]] uint64_t MacroDuration() const;
    void ShowMacroTime(uint64_t milliseconds);
    void ButtonMacroLoadClick();
    void ButtonMacroSaveClick();

    // The steps in recording order; changed only through SetMacroList and
    // RecordMacroStep, which run MacroListChange.
    std::vector<std::string> MacroList;

    // ===== Settings (settings.cpp) =====
    void LoadSettings();
    // Does nothing before LoadSettings has run: until then the controls hold
    // the form's values, not the operator's.
    void SaveSettings();
    // The program's own place, unless a test binary set another for every
    // window it creates.
    [[nodiscard]] static TSettingsPlace DefaultSettingsPlace();
    static void SetDefaultSettingsPlace(const TSettingsPlace& place);

    // Where the settings file is looked for; may be set before the load tick.
    // Unset, it is DefaultSettingsPlace().
    std::optional<TSettingsPlace> SettingsPlace;
    bool SettingsLoaded = false;

    // ===== HTTP server (server.cpp) =====
    // Binds the server tab's controls; part of the constructor's wiring.
    void BindServerHandlers();
    void CheckBoxServerClick();
    void SetServerActive(bool active);
    void CheckBoxAuthenticateClick();
    void ComboBoxLocalAddressDropDown();
    // Reads the page for ServerName: "index.html" in the current folder, or the built-in one.
    void LoadWebPage();
    // Whether the window may close; asks first while the server runs.
    [[nodiscard]] bool FormCloseQuery();
    void LabelPanelWWWClick();
    // The last step of every data-reader tick.
    void SendQueuedCommands();

    // The web command queue for the whole run, shared with every start's snapshot.
    const std::shared_ptr<TCommandQueue> WebCommandQueue = std::make_shared<TCommandQueue>();
    // Taken from the caption at creation.
    std::string ServerName;
    std::string Page;
    // The snapshot the running (or last) server was started with; a start
    // makes a new one and nothing changes one afterwards.
    std::shared_ptr<TClientData> ClientData;

    // ===== Custom commands (custom_commands.cpp) =====
    // Binds the 17 custom command buttons; part of the constructor's wiring.
    void BindCustomCommandHandlers();
    void ButtonCustomCommandClick(const QObject* sender);
    void ButtonCustomPresetMouseDown(const QObject* sender, Qt::MouseButton mouseButton);
    // Raw bytes as they are, or a preset command for the device in EditID.
    void SendCustomCommand(const TCustomCommand& command);

    // The program's editor dialog, handed over at start; made on first use
    // when none was.
    QPointer<TFormEditCustomCommand> FormEditCustomCommand;

    // ===== State record, in the order its fields are set up and torn down =====
    TCOMSocket SerialPort;
    TIPSocket TCPClientSocket;
    bool JoystickDragging = false;
    QPoint JoystickOrigin;
    TFrame LastFrame{};
    uint32_t LastFrameLength = 0;
    std::array<uint8_t, 1024> ReceiveBuffer{};
    uint8_t PresetCommandCode = cmdPresetGoto;
    std::array<TButton*, 15> PresetButtons{};
    std::array<TButton*, kCustomCommandCount> CustomCommandButtons{};
    std::array<TButton*, 10> ChangeIDButtons{};
    std::array<TPanel*, 10> AnalyzerIDPanels{};
    std::array<QString, kCustomCommandCount> DefaultCommandCaptions;
    std::array<int32_t, kCustomCommandCount> DefaultPresetNumbers{};
    std::array<TCustomCommand, kCustomCommandCount> CustomCommands;
    uint32_t JoystickLastSendTick = 0;
    std::unique_ptr<TIPSocket> ServerSocket;
    std::unique_ptr<TServerThread> ServerThread;
    uint32_t MacroStepIndex = 0;
    uint32_t MacroStartTick = 0;
    uint32_t MacroLastStepTick = 0;
    QString MacroFileName;

    // ===== Controls, named as the window's handlers know them =====
    TPanel* PanelMain = nullptr;
    TPageControl* PageControlTop = nullptr;
    QWidget* TabSheetPTZDriver = nullptr;
    QWidget* TabSheetPelcoAnalyzer = nullptr;
    QWidget* TabSheetAbout = nullptr;
    TPageControl* PageControlBottom = nullptr;
    QWidget* TabSheetMessages = nullptr;
    QWidget* TabSheetSettings = nullptr;
    QWidget* TabSheetMacros = nullptr;
    QWidget* TabSheetServer = nullptr;

    // Controller tab
    QGroupBox* GroupBoxMainDriver = nullptr;
    TSpeedButton* SpeedButtonZoomOut = nullptr;
    TSpeedButton* SpeedButtonZoomIn = nullptr;
    TSpeedButton* SpeedButtonLeftUp = nullptr;
    TSpeedButton* SpeedButtonUp = nullptr;
    TSpeedButton* SpeedButtonRightUp = nullptr;
    TSpeedButton* SpeedButtonFocusNear = nullptr;
    TSpeedButton* SpeedButtonFocusFar = nullptr;
    TSpeedButton* SpeedButtonLeft = nullptr;
    TSpeedButton* SpeedButtonStop = nullptr;
    TSpeedButton* SpeedButtonRight = nullptr;
    TSpeedButton* SpeedButtonIrisClose = nullptr;
    TSpeedButton* SpeedButtonIrisOpen = nullptr;
    TSpeedButton* SpeedButtonLeftDown = nullptr;
    TSpeedButton* SpeedButtonDown = nullptr;
    TSpeedButton* SpeedButtonRightDown = nullptr;
    QLabel* LabelPresets = nullptr;
    QLineEdit* EditCustomPresetN = nullptr;
    TButton* ButtonCustomPresetN = nullptr;
    QRadioButton* RadioButtonGotoPreset = nullptr;
    QRadioButton* RadioButtonSetPreset = nullptr;
    QRadioButton* RadioButtonClearPreset = nullptr;
    QLabel* LabelID = nullptr;
    QLineEdit* EditID = nullptr;
    QLabel* LabelSpeed = nullptr;
    QLineEdit* EditSpeed = nullptr;
    TPanel* PanelJoyPane = nullptr;
    TPaintBox* PaintBoxJoyPane = nullptr;
    TPanel* PanelJoyButton = nullptr;
    TCheckBox* CheckBoxConnect = nullptr;

    // Analyzer tab
    QGroupBox* GroupBoxMainAnalyzer = nullptr;
    TPanel* PanelAnalyzerPane = nullptr;
    TPaintBox* PaintBoxAnalyzerPane = nullptr;
    TPanel* PanelAnalyzerButton = nullptr;
    TPanel* PanelAnalyzerZoomOut = nullptr;
    TPanel* PanelAnalyzerZoomIn = nullptr;
    TPanel* PanelAnalyzerLeftUp = nullptr;
    TPanel* PanelAnalyzerUp = nullptr;
    TPanel* PanelAnalyzerRightUp = nullptr;
    TPanel* PanelAnalyzerFocusNear = nullptr;
    TPanel* PanelAnalyzerFocusFar = nullptr;
    TPanel* PanelAnalyzerLeft = nullptr;
    TPanel* PanelAnalyzerStop = nullptr;
    TPanel* PanelAnalyzerRight = nullptr;
    TPanel* PanelAnalyzerIrisClose = nullptr;
    TPanel* PanelAnalyzerIrisOpen = nullptr;
    TPanel* PanelAnalyzerLeftDown = nullptr;
    TPanel* PanelAnalyzerDown = nullptr;
    TPanel* PanelAnalyzerRightDown = nullptr;
    QLabel* ImageAnalyzerZoomOut = nullptr;
    QLabel* ImageZoomIn = nullptr;
    QLabel* ImageLeftUp = nullptr;
    QLabel* ImageUp = nullptr;
    QLabel* ImageRightUp = nullptr;
    QLabel* ImageFocusNear = nullptr;
    QLabel* ImageFocusFar = nullptr;
    QLabel* ImageLeft = nullptr;
    QLabel* ImageStop = nullptr;
    QLabel* ImageRight = nullptr;
    QLabel* ImageIrisClose = nullptr;
    QLabel* ImageIrisOpen = nullptr;
    QLabel* ImageLeftDown = nullptr;
    QLabel* ImageDown = nullptr;
    QLabel* ImageRightDown = nullptr;
    TPanel* PanelAnalyzerPreset = nullptr;
    QLabel* LabelAnalyzerPreset = nullptr;
    QLabel* LabelAnalyzerPresetNo = nullptr;
    TPanel* PanelAnalyzerPresetGoto = nullptr;
    TPanel* PanelAnalyzerPresetSet = nullptr;
    TPanel* PanelAnalyzerPresetClear = nullptr;
    TPanel* PanelAnalyzerDeviceID = nullptr;
    QLabel* LabelAnalyzerID = nullptr;
    QLabel* LabelAnalyzerIDNo = nullptr;
    TPanel* PanelFramePelcoD = nullptr;
    TPanel* PanelFramePelcoP = nullptr;
    TPanel* PanelFrameNotRecognized = nullptr;

    // About tab
    TPanel* PanelAbout = nullptr;
    QLabel* LabelAboutTitle = nullptr;
    QLabel* ImageAboutLogoMorwen = nullptr;
    TLabel* LabelProducentWebsite = nullptr;
    QLabel* LabelCMorwenYear = nullptr;
    TLabel* LabelCheckVersion = nullptr;
    TLabel* LabelAboutWebsite = nullptr;

    // Messages tab
    TMemo* Memo = nullptr;

    // Port settings tab
    QLabel* LabelProtocol = nullptr;
    TComboBox* ComboBoxProtocol = nullptr;
    TCheckBox* CheckBoxShowCmd = nullptr;
    TCheckBox* CheckBoxDoubleStopCmd = nullptr;
    TPageControl* PageControlPortSettings = nullptr;
    QWidget* TabSheetPortSettingsSerial = nullptr;
    QWidget* TabSheetPortSettingsTCP = nullptr;
    QLabel* LabelPort = nullptr;
    TComboBox* ComboBoxPort = nullptr;
    QLabel* LabelBaudrate = nullptr;
    TComboBox* ComboBoxSpeed = nullptr;
    QLabel* LabelRemoteHost = nullptr;
    QLineEdit* EditRemoteHost = nullptr;
    QLabel* LabelRemotePort = nullptr;
    QLineEdit* EditRemotePort = nullptr;

    // Macros tab
    TCheckBox* CheckBoxMacroPlay = nullptr;
    TCheckBox* CheckBoxMacroLoop = nullptr;
    TCheckBox* CheckBoxMacroRecord = nullptr;
    TButton* ButtonMacroLoad = nullptr;
    TButton* ButtonMacroSave = nullptr;
    QLabel* LabelMacroLengthLabel = nullptr;
    QLabel* LabelMacroLength = nullptr;
    QLabel* LabelMacroLengthTimeLabel = nullptr;
    QLabel* LabelMacroLengthTime = nullptr;
    QLabel* LabelMacroPosLabel = nullptr;
    QProgressBar* ProgressBarMacroPos = nullptr;

    // HTTP server tab
    QLabel* LabelLocalAddress = nullptr;
    TComboBox* ComboBoxLocalAddress = nullptr;
    QLabel* LabelLocalPort = nullptr;
    QLineEdit* EditLocalPort = nullptr;
    TCheckBox* CheckBoxServer = nullptr;
    TCheckBox* CheckBoxAuthenticate = nullptr;
    TLabel* LabelPanelWWW = nullptr;
    QLabel* LabelAuthUser = nullptr;
    QLineEdit* EditAuthUser = nullptr;
    QLabel* LabelAuthPass = nullptr;
    QLineEdit* EditAuthPass = nullptr;

    // Timers
    QTimer* TimerLoadSettings = nullptr;
    QTimer* TimerDataReader = nullptr;
    QTimer* TimerCommandRepeater = nullptr;
    QTimer* TimerMemoCleaner = nullptr;
    QTimer* TimerAnalyzerButtonsDisabler = nullptr;
    QTimer* TimerMacroPlaying = nullptr;
    QTimer* TimerMacroPlayingTime = nullptr;
    QTimer* TimerDisconnectWarningColorRemover = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    // FormCloseQuery (server.cpp).
    void closeEvent(QCloseEvent* event) override;

private:
    // layout.cpp
    void CreateControls();
    void CreateDriverTab();
    void CreateAnalyzerTab();
    void CreateAboutTab();
    void CreateMessagesTab();
    void CreatePortSettingsTab();
    void CreateMacrosTab();
    void CreateServerTab();
    void CreateTimers();
    void BindHandlers();
    void AlignMainPanel();

    // dispatch.cpp: writes a built frame, keeps it for the repeater and
    // switches the repeater on for a movement, off for a stop or preset.
    bool SendFrame(const TFrame& frame, bool pelcoD, bool keepsMoving);

    // macros.cpp
    void SetMacroList(std::vector<std::string> steps);
    // Play, loop and save are offered exactly when there are steps.
    void EnableMacroUse();
    [[nodiscard]] TDesktop::TFileDialogOptions MacroFileDialogOptions() const;

    std::shared_ptr<TDesktop> DesktopServices;
};
