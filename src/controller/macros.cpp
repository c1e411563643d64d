// Macros: every write of the send path recorded with the time before it,
// replayed once or in a loop, kept in ".macro" files.

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/atomic_file.h"
#include "common/macro_step.h"
#include "common/settings_path.h"
#include "common/tick.h"
#include "controller/tformtarvik.h"
#include "protocol/frame_decoder.h"
#include "transport/system_error.h"

namespace {

constexpr const char* kMacroExtension = ".macro";
constexpr uint64_t kMsPerHour = 3'600'000;
constexpr uint64_t kMsPerDay = 24 * kMsPerHour;
// Far beyond any recording (a week of a held movement is a few tens of
// megabytes); it keeps a wrongly chosen device or huge file from taking the
// whole memory.
constexpr qint64 kMaxMacroFileBytes = 256 * 1024 * 1024;

QString MacroFileFilter()
{
    return QStringLiteral("Macros of %1 (*%2);;All files (*)")
        .arg(QApplication::applicationName(), QString::fromLatin1(kMacroExtension));
}

// Qt timers and progress bars count in int; a hand-edited delay of weeks is
// cut to the longest they take.
int ClampToInt(uint64_t value)
{
    return static_cast<int>(std::min<uint64_t>(value, INT_MAX));
}

QString FileErrorText(const char* what, const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot %1 file \"%2\". %3.").arg(QString::fromLatin1(what), path, reason);
}

QString SystemErrorText(int code)
{
    return QString::fromLocal8Bit(GetSystemErrorText(code, "System error %i"));
}

// The whole file as 8-bit text; false with the reason when it cannot be read.
bool ReadMacroFile(const QString& path, std::string& text, QString& reason)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        // A folder, a pipe or a device: reading it would fail or never end.
        reason = info.isDir() ? SystemErrorText(EISDIR) : QStringLiteral("Not a regular file");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return false;
    }
    if (file.size() > kMaxMacroFileBytes) {
        reason = SystemErrorText(EFBIG);
        return false;
    }
    const QByteArray bytes = file.read(kMaxMacroFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        reason = file.errorString();
        return false;
    }
    if (bytes.size() > kMaxMacroFileBytes) {
        reason = SystemErrorText(EFBIG);
        return false;
    }
    text.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    return true;
}

} // namespace

void TFormTarvik::BindMacroHandlers()
{
    // The settings load replaces it with the file chosen last.
    MacroFileName = QFile::decodeName(DefaultMacroFile(CurrentSettingsPlace()).c_str());

    connect(CheckBoxMacroRecord, &QCheckBox::toggled, this, &TFormTarvik::CheckBoxMacroRecordClick);
    connect(CheckBoxMacroPlay, &QCheckBox::toggled, this, &TFormTarvik::CheckBoxMacroPlayClick);
    connect(ButtonMacroLoad, &QPushButton::clicked, this, &TFormTarvik::ButtonMacroLoadClick);
    connect(ButtonMacroSave, &QPushButton::clicked, this, &TFormTarvik::ButtonMacroSaveClick);
    connect(TimerMacroPlaying, &QTimer::timeout, this, &TFormTarvik::TimerMacroPlayingTimer);
    connect(TimerMacroPlayingTime, &QTimer::timeout, this, &TFormTarvik::TimerMacroPlayingTimeTimer);
}

void TFormTarvik::CheckBoxMacroRecordClick()
{
    if (CheckBoxMacroRecord->isChecked()) {
        CheckBoxMacroPlay->setEnabled(false);
        CheckBoxMacroLoop->setEnabled(false);
        ButtonMacroLoad->setEnabled(false);
        ButtonMacroSave->setEnabled(false);
        // A macro is recorded by driving, which is done on the Controller tab.
        PageControlTop->SetActivePage(TabSheetPTZDriver);
        PageControlTopChange();
        SetMacroList({});
        MacroStartTick = GetTickCount();
        MacroLastStepTick = MacroStartTick;
        return;
    }
    EnableMacroUse();
    ButtonMacroLoad->setEnabled(true);
}

void TFormTarvik::RecordMacroStep(const uint8_t* bytes, uint32_t count)
{
    const uint32_t now = GetTickCount();
    const uint32_t delay = now - MacroLastStepTick;
    MacroLastStepTick = now;
    MacroList.push_back(MakeMacroStep(delay, bytes, count));
    MacroListChange();
}

void TFormTarvik::MacroListChange()
{
    if (MacroList.empty()) {
        LabelMacroLength->setText(QStringLiteral("-"));
        ShowMacroTime(0);
        return;
    }
    LabelMacroLength->setText(QString::number(MacroList.size()));
    ShowMacroTime(static_cast<uint32_t>(MacroLastStepTick - MacroStartTick));
}

void TFormTarvik::SetMacroList(std::vector<std::string> steps)
{
    // Emptying an empty list is no change.
    if (steps.empty() && MacroList.empty())
        return;
    MacroList = std::move(steps);
    MacroListChange();
}

void TFormTarvik::EnableMacroUse()
{
    const bool haveSteps = !MacroList.empty();
    CheckBoxMacroPlay->setEnabled(haveSteps);
    CheckBoxMacroLoop->setEnabled(haveSteps);
    ButtonMacroSave->setEnabled(haveSteps);
}

void TFormTarvik::ShowMacroTime(uint64_t milliseconds)
{
    // The label shows the hours of a day; a macro of days keeps the hour
    // format rather than falling back to minutes at each whole day.
    const uint64_t shown = milliseconds >= kMsPerDay ? milliseconds % kMsPerDay + kMsPerDay : milliseconds;
    LabelMacroLengthTime->setText(QString::fromStdString(MacroTimeText(static_cast<uint32_t>(shown))));
}

uint32_t TFormTarvik::MacroStepDelay(uint32_t index) const
{
    if (index >= MacroList.size())
        return 1;
    return ::MacroStepDelay(MacroList[index]);
}

uint64_t TFormTarvik::MacroDuration() const
{
    uint64_t duration = 0;
    for (const std::string& step : MacroList)
        duration += ::MacroStepDelay(step);
    return duration;
}

void TFormTarvik::CheckBoxMacroPlayClick()
{
    ProgressBarMacroPos->setValue(0);
    if (CheckBoxMacroPlay->isChecked()) {
        ButtonMacroLoad->setEnabled(false);
        ButtonMacroSave->setEnabled(false);
        CheckBoxMacroRecord->setEnabled(false);
        MacroStepIndex = 0;
        MacroStartTick = GetTickCount();
        TimerMacroPlaying->start(ClampToInt(MacroStepDelay(0)));
        LabelMacroPosLabel->setEnabled(true);
        ProgressBarMacroPos->setEnabled(true);
        ProgressBarMacroPos->setMaximum(ClampToInt(MacroDuration()));
        TimerMacroPlayingTime->start();
        return;
    }
    ButtonMacroLoad->setEnabled(true);
    ButtonMacroSave->setEnabled(true);
    CheckBoxMacroRecord->setEnabled(true);
    TimerMacroPlaying->stop();
    TimerMacroPlayingTime->stop();
    LabelMacroPosLabel->setEnabled(false);
    ProgressBarMacroPos->setEnabled(false);
}

void TFormTarvik::TimerMacroPlayingTimer()
{
    const uint32_t index = MacroStepIndex;
    if (index >= MacroList.size()) {
        CheckBoxMacroPlay->setChecked(false);
        return;
    }
    MacroStepIndex = index + 1;
    const bool lastStep = MacroStepIndex >= MacroList.size();
    const bool loop = CheckBoxMacroLoop->isChecked();
    // The countdown to the next step starts before this step is written, so
    // the time a write takes does not add to the recorded spacing.
    if (lastStep && loop) {
        MacroStepIndex = 0;
        MacroStartTick = GetTickCount();
    }
    if (!lastStep || loop)
        TimerMacroPlaying->start(ClampToInt(MacroStepDelay(MacroStepIndex)));
    else
        TimerMacroPlaying->stop();

    PlayMacroStep(index);
    if (lastStep && !loop)
        CheckBoxMacroPlay->setChecked(false);
}

void TFormTarvik::TimerMacroPlayingTimeTimer()
{
    const uint32_t elapsed = GetTickCount() - MacroStartTick;
    ProgressBarMacroPos->setValue(std::min(ClampToInt(elapsed), ProgressBarMacroPos->maximum()));
}

void TFormTarvik::PlayMacroStep(uint32_t index)
{
    if (index >= MacroList.size())
        return;
    const std::vector<uint8_t> bytes = MacroStepBytes(MacroList[index]);
    if (bytes.empty())
        return;
    if (!WriteToPort(bytes.data(), static_cast<uint32_t>(bytes.size()))) {
        CheckBoxMacroPlay->setChecked(false);
        return;
    }
    if (PageControlTop->ActivePage() != TabSheetPelcoAnalyzer)
        return;
    const std::span<const uint8_t> frame(bytes);
    if (bytes.size() == kPelcoDFrameLength && bytes[0] == kPelcoDStartByte)
        ShowFrameAnalysis(AnalyzeFrame(TProtocol::PelcoD, frame));
    else if (bytes.size() == kPelcoPFrameLength && bytes[0] == kPelcoPStartByte)
        ShowFrameAnalysis(AnalyzeFrame(TProtocol::PelcoP, frame));
    else
        HighlightPanel(PanelFrameNotRecognized, true);
}

TDesktop::TFileDialogOptions TFormTarvik::MacroFileDialogOptions() const
{
    TDesktop::TFileDialogOptions options;
    options.Filter = MacroFileFilter();
    options.DefaultSuffix = QString::fromLatin1(kMacroExtension + 1);
    options.InitialDirectory = QFileInfo(MacroFileName).path();
    options.FileName = MacroFileName;
    return options;
}

void TFormTarvik::ButtonMacroLoadClick()
{
    const QString path = Desktop().GetOpenFileName(this, MacroFileDialogOptions());
    if (path.isEmpty())
        return;
    MacroFileName = path;
    std::string text;
    QString reason;
    if (!ReadMacroFile(path, text, reason)) {
        Desktop().ShowError(this, FileErrorText("open", path, reason));
        return;
    }
    SetMacroList(SplitMacroLines(text));
    ShowMacroTime(MacroDuration());
    EnableMacroUse();
}

void TFormTarvik::ButtonMacroSaveClick()
{
    const QString path = Desktop().GetSaveFileName(this, MacroFileDialogOptions());
    if (path.isEmpty())
        return;
    MacroFileName = path;
    if (!WriteFileAtomically(QFile::encodeName(path).toStdString(), MacroFileText(MacroList))) {
        const int error = errno;
        Desktop().ShowError(this, FileErrorText("create", path, SystemErrorText(error)));
    }
}
