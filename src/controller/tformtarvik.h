#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPoint>
#include <QProgressBar>
#include <QRadioButton>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

#include "controller/controls.h"
#include "controller/desktop.h"
#include "protocol/custom_command.h"
#include "protocol/frame_builder.h"
#include "transport/server_thread.h"
#include "transport/tcomsocket.h"
#include "transport/tipsocket.h"

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
    void DisconnectWarning();
    void TimerDisconnectWarningColorRemoverTimer();

    // ===== Operator input =====

    // ===== Receive path and analyzer =====

    // ===== Macros =====

    // ===== Settings =====

    // ===== HTTP server =====

    // ===== Custom commands =====

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

    std::shared_ptr<TDesktop> DesktopServices;
};
