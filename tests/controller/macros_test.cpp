// Macros in the real window: recording the send path, the labels and enabled
// states, playback to a pseudo-terminal, and the macro files.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <numeric>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "common/macro_step.h"
#include "controller/tformtarvik.h"
#include "recording_desktop.h"
#include "station_fixture.h"
#include "support/bytes.h"
#include "support/pty_pair.h"
#include "support/temp_folder.h"

namespace {

constexpr const char* kStopD = "FF 01 00 00 00 00 01";
constexpr const char* kPanRight32 = "FF 01 00 02 20 00 23";

// What arrives on the far end of the line, chunk by chunk, with the time it
// came; read by a thread of its own while the window's loop runs.
class TLineRecorder {
public:
    explicit TLineRecorder(int masterFd) : Fd(masterFd), Reader([this](std::stop_token stop) { Run(stop); }) {}

    struct TChunk {
        std::chrono::steady_clock::time_point Time;
        std::vector<uint8_t> Bytes;
    };

    [[nodiscard]] std::vector<TChunk> Chunks() const
    {
        const std::lock_guard lock(Lock);
        return Received;
    }

    [[nodiscard]] std::string AllHex() const
    {
        std::vector<uint8_t> all;
        for (const TChunk& chunk : Chunks())
            all.insert(all.end(), chunk.Bytes.begin(), chunk.Bytes.end());
        return Hex(all);
    }

    [[nodiscard]] size_t ByteCount() const
    {
        size_t count = 0;
        for (const TChunk& chunk : Chunks())
            count += chunk.Bytes.size();
        return count;
    }

private:
    void Run(const std::stop_token& stop)
    {
        while (!stop.stop_requested()) {
            pollfd ready{Fd, POLLIN, 0};
            if (poll(&ready, 1, 10) <= 0)
                continue;
            uint8_t buffer[256];
            const ssize_t got = read(Fd, buffer, sizeof buffer);
            if (got <= 0)
                continue;
            const std::lock_guard lock(Lock);
            Received.push_back({std::chrono::steady_clock::now(), std::vector<uint8_t>(buffer, buffer + got)});
        }
    }

    int Fd;
    mutable std::mutex Lock;
    std::vector<TChunk> Received;
    std::jthread Reader; // last: stopped and joined before the rest goes
};

long long MsBetween(const TLineRecorder::TChunk& earlier, const TLineRecorder::TChunk& later)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(later.Time - earlier.Time).count();
}

// A window with its settings in a temporary folder, connected to a
// pseudo-terminal, with a folder of its own for macro files.
class Macros : public StationTest {
protected:
    void SetUp() override
    {
        Open();
        ConnectSerial();
        std::filesystem::create_directory(MacroFolder());
    }

    [[nodiscard]] std::string MacroFolder() const { return Folder.Path("macros"); }
    [[nodiscard]] std::string MacroPath(const std::string& name) const { return MacroFolder() + "/" + name; }

    void TearDown() override
    {
        if (Form) {
            Form->CheckBoxMacroPlay->setChecked(false);
            Form->TimerCommandRepeater->stop();
        }
        StationTest::TearDown();
    }

    // Loads `text` as a macro file through the load dialog.
    void LoadText(const std::string& text)
    {
        const std::string path = MacroPath("loaded.macro");
        WriteFileText(path, text);
        Desktop->FileAnswers.append(QString::fromStdString(path));
        Form->ButtonMacroLoad->click();
        ASSERT_TRUE(Desktop->Errors.isEmpty()) << Desktop->Errors.join(' ').toStdString();
    }

    void Disconnect()
    {
        Form->CheckBoxConnect->setChecked(false);
        Form->SerialPort.Close();
    }

    // Plays the loaded macro once and waits until playback has ended.
    void PlayOnce(int timeoutMs = 5000)
    {
        Form->CheckBoxMacroPlay->setChecked(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->CheckBoxMacroPlay->isChecked(); }, timeoutMs));
    }

    struct TEnabled {
        bool Record, Play, Loop, Load, Save, Progress;
        bool operator==(const TEnabled&) const = default;
    };

    [[nodiscard]] TEnabled Enabled() const
    {
        EXPECT_EQ(Form->LabelMacroPosLabel->isEnabled(), Form->ProgressBarMacroPos->isEnabled());
        return {Form->CheckBoxMacroRecord->isEnabled(), Form->CheckBoxMacroPlay->isEnabled(),
                Form->CheckBoxMacroLoop->isEnabled(),   Form->ButtonMacroLoad->isEnabled(),
                Form->ButtonMacroSave->isEnabled(),     Form->ProgressBarMacroPos->isEnabled()};
    }

    [[nodiscard]] std::string Label(const QLabel* label) const { return label->text().toStdString(); }

};

TEST_F(Macros, StartsWithNothingToPlayOrSave)
{
    EXPECT_EQ(Enabled(), (TEnabled{true, false, true, true, false, false}));
    EXPECT_EQ(Label(Form->LabelMacroLength), "-");
    EXPECT_EQ(Label(Form->LabelMacroLengthTime), "-");
    EXPECT_TRUE(Form->MacroList.empty());
    EXPECT_EQ(Form->TimerMacroPlaying->timerType(), Qt::PreciseTimer);
    EXPECT_FALSE(Form->TimerMacroPlaying->isActive());
    EXPECT_EQ(Form->TimerMacroPlayingTime->interval(), 200);
}

TEST_F(Macros, RecordsEachFrameWithTheTimeBeforeIt)
{
    // Recording starts on the Controller tab, whatever showed before.
    Form->PageControlTop->SetActivePage(Form->TabSheetPelcoAnalyzer);
    Form->CheckBoxMacroRecord->setChecked(true);
    EXPECT_EQ(Form->PageControlTop->ActivePage(), Form->TabSheetPTZDriver);
    EXPECT_EQ(Form->height(), 434);
    EXPECT_EQ(Enabled(), (TEnabled{true, false, false, false, false, false}));

    QElapsedTimer clock;
    clock.start();
    QTest::qWait(2000);
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            QTest::qWait(100);
        ASSERT_TRUE(Form->SendCommand(1, cmdStop, 0)) << Form->Memo->Lines().join('|').toStdString();
    }
    const qint64 elapsed = clock.elapsed();
    Form->CheckBoxMacroRecord->setChecked(false);

    ASSERT_EQ(Form->MacroList.size(), 3u);
    const uint32_t first = MacroStepDelay(Form->MacroList[0]);
    EXPECT_GE(first, 1999u);
    EXPECT_LE(first, 2600u);
    for (size_t i = 1; i < 3; ++i) {
        const uint32_t delay = MacroStepDelay(Form->MacroList[i]);
        EXPECT_GE(delay, 99u);
        EXPECT_LE(delay, 500u);
    }
    for (const std::string& step : Form->MacroList)
        EXPECT_EQ(step.substr(step.find(' ') + 1), kStopD);
    uint32_t total = 0;
    for (const std::string& step : Form->MacroList)
        total += MacroStepDelay(step);
    EXPECT_LE(total, static_cast<uint32_t>(elapsed) + 1);
    EXPECT_EQ(Label(Form->LabelMacroLength), "3");
    EXPECT_EQ(Label(Form->LabelMacroLengthTime), total < 3000 ? "00:02" : "00:03");
    EXPECT_EQ(Label(Form->LabelMacroLengthTime), QString::fromStdString(MacroTimeText(total)).toStdString());
    EXPECT_EQ(Enabled(), (TEnabled{true, true, true, true, true, false}));
}

TEST_F(Macros, AHeldMovementRecordsItsRepetitions)
{
    Form->CheckBoxDoubleStopCmd->setChecked(false);
    Form->CheckBoxMacroRecord->setChecked(true);
    ASSERT_TRUE(Form->SendCommand(1, cmdRight, 32));
    QTest::qWait(1100);
    Form->SendOperatorStop(1);
    Form->CheckBoxMacroRecord->setChecked(false);

    // The press, at least two repetitions on a busy machine, and the stop.
    ASSERT_GE(Form->MacroList.size(), 4u);
    const size_t last = Form->MacroList.size() - 1;
    for (size_t i = 0; i < last; ++i)
        EXPECT_EQ(MacroStepBytes(Form->MacroList[i]), Bytes(kPanRight32)) << i;
    EXPECT_EQ(MacroStepBytes(Form->MacroList[last]), Bytes(kStopD));
    for (size_t i = 1; i < last; ++i)
        EXPECT_GE(MacroStepDelay(Form->MacroList[i]), 240u) << i;
}

TEST_F(Macros, RecordsWhatFailsToBeWrittenToo)
{
    Disconnect();
    Form->CheckBoxMacroRecord->setChecked(true);
    const std::vector<uint8_t> raw = Bytes("01 02 03");
    EXPECT_FALSE(Form->WriteToPort(raw.data(), 3));
    // A write of nothing is no step.
    EXPECT_TRUE(Form->WriteToPort(raw.data(), 0));
    Form->CheckBoxMacroRecord->setChecked(false);
    ASSERT_EQ(Form->MacroList.size(), 1u);
    EXPECT_EQ(MacroStepBytes(Form->MacroList[0]), raw);
}

TEST_F(Macros, ARecordingWithoutStepsLeavesNothingToPlay)
{
    Form->CheckBoxMacroRecord->setChecked(true);
    Form->CheckBoxMacroRecord->setChecked(false);
    EXPECT_EQ(Enabled(), (TEnabled{true, false, false, true, false, false}));
    EXPECT_EQ(Label(Form->LabelMacroLength), "-");

    // A new recording empties the macro that was there.
    LoadText("100 FF 01 00 00 00 00 01\r\n200 01\r\n");
    EXPECT_EQ(Label(Form->LabelMacroLength), "2");
    Form->CheckBoxMacroRecord->setChecked(true);
    EXPECT_EQ(Label(Form->LabelMacroLength), "-");
    EXPECT_EQ(Label(Form->LabelMacroLengthTime), "00:00");
    Form->CheckBoxMacroRecord->setChecked(false);
    EXPECT_TRUE(Form->MacroList.empty());
    EXPECT_EQ(Enabled(), (TEnabled{true, false, false, true, false, false}));
}

TEST_F(Macros, SaveThenLoadGivesTheSameSteps)
{
    Form->CheckBoxMacroRecord->setChecked(true);
    ASSERT_TRUE(Form->SendCommand(1, cmdRight, 32));
    QTest::qWait(30);
    ASSERT_TRUE(Form->SendCommand(1, cmdStop, 0));
    Form->ComboBoxProtocol->setCurrentIndex(1);
    ASSERT_TRUE(Form->SendCommand(1, cmdPresetGoto, 5));
    Form->CheckBoxMacroRecord->setChecked(false);
    const std::vector<std::string> recorded = Form->MacroList;
    ASSERT_EQ(recorded.size(), 3u);

    const QString path = QString::fromStdString(MacroPath("saved.macro"));
    Desktop->FileAnswers.append(path);
    Form->ButtonMacroSave->click();
    ASSERT_TRUE(Desktop->Errors.isEmpty());
    EXPECT_EQ(Form->MacroFileName, path);
    const std::string text = ReadFileText(path.toStdString());
    EXPECT_EQ(text, recorded[0] + "\r\n" + recorded[1] + "\r\n" + recorded[2] + "\r\n");
    // Nothing but the file is left in the folder: the temporary one was renamed.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(MacroFolder()), {}), 1);

    // Replaced by another macro, then loaded back.
    LoadText("5 01\r\n");
    ASSERT_EQ(Form->MacroList.size(), 1u);
    Desktop->FileAnswers.append(path);
    Form->ButtonMacroLoad->click();
    EXPECT_EQ(Form->MacroList, recorded);
    EXPECT_EQ(Label(Form->LabelMacroLength), "3");
    uint32_t total = 0;
    for (const std::string& step : recorded)
        total += MacroStepDelay(step);
    EXPECT_EQ(Label(Form->LabelMacroLengthTime), MacroTimeText(total));
    EXPECT_EQ(Enabled(), (TEnabled{true, true, true, true, true, false}));
}

TEST_F(Macros, TheDialogsOfferMacroFilesWhereTheLastOneWas)
{
    Form->MacroFileName = QString::fromStdString(MacroPath("old/last.macro"));
    Desktop->FileAnswers.append(QString()); // cancelled
    Form->ButtonMacroLoad->click();
    ASSERT_EQ(Desktop->OpenDialogs.size(), 1);
    const TDesktop::TFileDialogOptions& options = Desktop->OpenDialogs[0];
    EXPECT_EQ(options.Filter.toStdString(), "Macros of Tarvik (*.macro);;All files (*)");
    EXPECT_EQ(options.DefaultSuffix.toStdString(), "macro");
    EXPECT_EQ(options.InitialDirectory.toStdString(), MacroPath("old"));
    EXPECT_EQ(options.FileName, Form->MacroFileName);

    LoadText("100 01\r\n");
    Form->ButtonMacroSave->click(); // no answer left: cancelled
    ASSERT_EQ(Desktop->SaveDialogs.size(), 1);
    EXPECT_EQ(Desktop->SaveDialogs[0].FileName.toStdString(), MacroPath("loaded.macro"));
}

TEST_F(Macros, CancelChangesNothing)
{
    LoadText("100 01\r\n");
    const QString fileName = Form->MacroFileName;
    Desktop->FileAnswers = {QString(), QString()};
    Form->ButtonMacroLoad->click();
    Form->ButtonMacroSave->click();
    EXPECT_EQ(Form->MacroFileName, fileName);
    EXPECT_EQ(Form->MacroList, std::vector<std::string>{"100 01"});
    EXPECT_TRUE(Desktop->Errors.isEmpty());
    EXPECT_EQ(ReadFileText(fileName.toStdString()), "100 01\r\n");
}

TEST_F(Macros, AnyLineEndLoadsTheSameSteps)
{
    const std::vector<std::string> expected = {"100 FF 01 00 00 00 00 01", "200 01", "", "300 02"};
    for (const char* text : {"100 FF 01 00 00 00 00 01\r\n200 01\r\n\r\n300 02\r\n",
                             "100 FF 01 00 00 00 00 01\n200 01\n\n300 02\n",
                             "100 FF 01 00 00 00 00 01\r200 01\r\r300 02",
                             "100 FF 01 00 00 00 00 01\r\n200 01\n\r300 02"}) {
        LoadText(text);
        EXPECT_EQ(Form->MacroList, expected) << text;
        EXPECT_EQ(Label(Form->LabelMacroLength), "4");
        EXPECT_EQ(Label(Form->LabelMacroLengthTime), "00:00"); // 601 ms
    }
}

TEST_F(Macros, AFileThatCannotBeReadIsReportedAndChangesNoStep)
{
    LoadText("100 01\r\n");
    const std::string missing = MacroPath("missing.macro");
    std::filesystem::create_directory(MacroPath("folder.macro"));
    for (const std::string& path : {missing, MacroPath("folder.macro")}) {
        Desktop->Errors.clear();
        Desktop->FileAnswers.append(QString::fromStdString(path));
        Form->ButtonMacroLoad->click();
        ASSERT_EQ(Desktop->Errors.size(), 1) << path;
        EXPECT_TRUE(Desktop->Errors[0].startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(path.c_str())))
            << Desktop->Errors[0].toStdString();
        EXPECT_EQ(Form->MacroList, std::vector<std::string>{"100 01"});
        EXPECT_EQ(Label(Form->LabelMacroLength), "1");
        EXPECT_EQ(Enabled(), (TEnabled{true, true, true, true, true, false}));
        // The chosen path is kept, so the next dialog opens there.
        EXPECT_EQ(Form->MacroFileName.toStdString(), path);
    }
    EXPECT_EQ(Desktop->Errors[0].toStdString(),
              "Cannot open file \"" + MacroPath("folder.macro") + "\". Is a directory.");
}

TEST_F(Macros, AFileThatCannotBeWrittenIsReportedAndTheOldOneStays)
{
    LoadText("100 01\r\n");
    // Saving into a folder that does not exist.
    const std::string nowhere = MacroPath("no such folder/a.macro");
    Desktop->FileAnswers.append(QString::fromStdString(nowhere));
    Form->ButtonMacroSave->click();
    ASSERT_EQ(Desktop->Errors.size(), 1);
    EXPECT_EQ(Desktop->Errors[0].toStdString(),
              "Cannot create file \"" + nowhere + "\". No such file or directory.");
    EXPECT_EQ(Form->MacroFileName.toStdString(), nowhere);
    EXPECT_EQ(Form->MacroList, std::vector<std::string>{"100 01"});

    // Saving over a file that is a folder leaves the folder alone.
    std::filesystem::create_directory(MacroPath("folder.macro"));
    Desktop->FileAnswers.append(QString::fromStdString(MacroPath("folder.macro")));
    Form->ButtonMacroSave->click();
    EXPECT_EQ(Desktop->Errors.size(), 2);
    EXPECT_TRUE(std::filesystem::is_directory(MacroPath("folder.macro")));
    EXPECT_EQ(ReadFileText(MacroPath("loaded.macro")), "100 01\r\n");
}

TEST_F(Macros, PlaybackPutsTheStepsOnTheLineWithTheirSpacing)
{
    LoadText("50 FF 01 00 02 20 00 23\r\n300 A0 00 00 00 00 00 AF 0F\r\n150 01 02 03\r\n");
    TLineRecorder line(Pty.MasterFd());
    QElapsedTimer clock;
    clock.start();
    Form->CheckBoxMacroPlay->setChecked(true);
    EXPECT_EQ(Enabled(), (TEnabled{false, true, true, false, false, true}));
    EXPECT_EQ(Form->ProgressBarMacroPos->maximum(), 500);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->CheckBoxMacroPlay->isChecked(); }, 5000));
    EXPECT_GE(clock.elapsed(), 500);
    ASSERT_TRUE(QTest::qWaitFor([&] { return line.ByteCount() >= 18; }, 2000));
    QTest::qWait(100);

    EXPECT_EQ(line.AllHex(), "FF 01 00 02 20 00 23 A0 00 00 00 00 00 AF 0F 01 02 03");
    const std::vector<TLineRecorder::TChunk> chunks = line.Chunks();
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_GE(MsBetween(chunks[0], chunks[1]), 290);
    EXPECT_LE(MsBetween(chunks[0], chunks[1]), 1200);
    EXPECT_GE(MsBetween(chunks[1], chunks[2]), 140);
    EXPECT_LE(MsBetween(chunks[1], chunks[2]), 800);
    EXPECT_EQ(Enabled(), (TEnabled{true, true, true, true, true, false}));
    EXPECT_FALSE(Form->TimerMacroPlaying->isActive());
    EXPECT_FALSE(Form->TimerMacroPlayingTime->isActive());
}

TEST_F(Macros, MalformedLinesPlayAsTheirDelayAndByteRulesSay)
{
    const std::string garbage = "x\x01y%z\x7F\xFF q!\tzz";
    LoadText("0 FF 01 00 00 00 00 01\r\nFF 01\r\n500 \r\n" + garbage + "\r\n");
    EXPECT_EQ(Form->MacroStepDelay(0), 1u);
    EXPECT_EQ(Form->MacroStepDelay(1), 1u);
    EXPECT_EQ(Form->MacroStepDelay(2), 500u);
    EXPECT_EQ(Form->MacroStepDelay(3), 1u);
    EXPECT_EQ(Form->MacroDuration(), 503u);

    TLineRecorder line(Pty.MasterFd());
    QElapsedTimer clock;
    clock.start();
    PlayOnce();
    EXPECT_GE(clock.elapsed(), 500);
    const std::vector<uint8_t> garbageBytes = MacroStepBytes(garbage);
    const size_t expectedCount = 7 + 1 + garbageBytes.size();
    ASSERT_TRUE(QTest::qWaitFor([&] { return line.ByteCount() >= expectedCount; }, 2000));
    QTest::qWait(50);
    EXPECT_EQ(line.AllHex(), std::string(kStopD) + " 01 " + Hex(garbageBytes));

    // The line of a delay alone sends nothing but keeps its 500 ms.
    const std::vector<TLineRecorder::TChunk> chunks = line.Chunks();
    ASSERT_GE(chunks.size(), 2u);
    EXPECT_GE(MsBetween(chunks.front(), chunks.back()), 490);
}

TEST_F(Macros, ALoopStartsOverAfterTheFirstStepsOwnDelay)
{
    LoadText("200 01\r\n100 02\r\n");
    Form->CheckBoxMacroLoop->setChecked(true);
    TLineRecorder line(Pty.MasterFd());
    Form->CheckBoxMacroPlay->setChecked(true);

    // The bar climbs through a round and starts again from 0 with the next one.
    int highest = 0;
    bool restarted = false;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000 && (line.ByteCount() < 6 || !restarted)) {
        QTest::qWait(20);
        const int position = Form->ProgressBarMacroPos->value();
        if (position < highest && highest >= 150)
            restarted = true;
        highest = std::max(highest, position);
    }
    EXPECT_TRUE(restarted);
    EXPECT_LE(highest, 300);
    EXPECT_TRUE(Form->CheckBoxMacroPlay->isChecked());
    EXPECT_EQ(Enabled(), (TEnabled{false, true, true, false, false, true}));

    Form->CheckBoxMacroPlay->setChecked(false);
    QTest::qWait(350);
    const std::vector<TLineRecorder::TChunk> chunks = line.Chunks();
    ASSERT_GE(chunks.size(), 6u);
    for (size_t i = 0; i < chunks.size(); ++i)
        EXPECT_EQ(Hex(chunks[i].Bytes), i % 2 == 0 ? "01" : "02") << i;
    // The first step of a new round waits its own 200 ms after the last step.
    EXPECT_GE(MsBetween(chunks[1], chunks[2]), 190);
    EXPECT_GE(MsBetween(chunks[3], chunks[4]), 190);
    EXPECT_EQ(Enabled(), (TEnabled{true, true, true, true, true, false}));
}

TEST_F(Macros, PlaybackWithoutAPortStopsAtTheFirstStep)
{
    LoadText("100 FF 01 00 00 00 00 01\r\n100 02\r\n");
    Disconnect();
    Form->CheckBoxShowCmd->setChecked(false);
    const int logLines = Form->Memo->Count();
    QElapsedTimer clock;
    clock.start();
    PlayOnce();
    EXPECT_GE(clock.elapsed(), 90);
    EXPECT_EQ(Form->MacroStepIndex, 1u);
    // No message, and the connect box is left as it was.
    EXPECT_EQ(Form->Memo->Count(), logLines);
    EXPECT_EQ(Enabled(), (TEnabled{true, true, true, true, true, false}));
}

TEST_F(Macros, TheOperatorCanStopPlayback)
{
    LoadText("100 01\r\n5000 02\r\n");
    TLineRecorder line(Pty.MasterFd());
    Form->CheckBoxMacroPlay->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return line.ByteCount() == 1; }, 2000));
    Form->CheckBoxMacroPlay->setChecked(false);
    EXPECT_FALSE(Form->TimerMacroPlaying->isActive());
    EXPECT_EQ(Form->ProgressBarMacroPos->value(), 0);
    EXPECT_EQ(Enabled(), (TEnabled{true, true, true, true, true, false}));
}

struct TTimeCase {
    const char* File;
    const char* Shown;
};

TEST_F(Macros, TheTimeLabelShowsHoursFromOneHourOn)
{
    const TTimeCase cases[] = {
        {"3599999 01\r\n", "59:59"},
        {"3600000 01\r\n", "01:00:00"},
        {"3000000 01\r\n600000 02\r\n", "01:00:00"},
        {"4294967295 01\r\n", "17:02:47"},
        {"4294967296 01\r\n", "00:00"}, // beyond 32 bits: 1 ms
        {"4294967294 01\r\n4294967294 02\r\n", "10:05:34"},
        {"86400000 01\r\n", "00:00:00"},
        {"90000000 01\r\n", "01:00:00"},
    };
    for (const TTimeCase& test : cases) {
        LoadText(test.File);
        EXPECT_EQ(Label(Form->LabelMacroLengthTime), test.Shown) << test.File;
    }
}

TEST_F(Macros, PlaybackShowsEachFrameOnTheAnalyzer)
{
    Form->PageControlTop->SetActivePage(Form->TabSheetPelcoAnalyzer);
    Form->PageControlTopChange();
    // Without the fade the lit panels stay plainly yellow for the checks.
    Form->TimerAnalyzerButtonsDisabler->stop();
    LoadText("1 FF 01 00 00 00 00 01\r\n");
    PlayOnce();
    EXPECT_EQ(Form->PanelAnalyzerStop->Color(), QColor(Qt::yellow));
    EXPECT_EQ(Form->PanelFramePelcoD->Color(), QColor(Qt::yellow));
    EXPECT_EQ(Form->LabelAnalyzerIDNo->text(), QStringLiteral("1"));
    EXPECT_NE(Form->PanelFrameNotRecognized->Color(), QColor(Qt::yellow));

    LoadText("1 A0 00 00 07 00 05 AF 0D\r\n");
    PlayOnce();
    EXPECT_EQ(Form->PanelFramePelcoP->Color(), QColor(Qt::yellow));
    EXPECT_EQ(Form->PanelAnalyzerPresetGoto->Color(), QColor(Qt::yellow));
    EXPECT_NE(Form->PanelFrameNotRecognized->Color(), QColor(Qt::yellow));

    // Neither a Pelco-D nor a Pelco-P frame by length and start byte.
    for (const char* other : {"1 FF 01 00 00 00 00\r\n", "1 01 02\r\n", "1 A0 00 00 00 00 00 AF\r\n"}) {
        Form->ClearHighlights();
        LoadText(other);
        PlayOnce();
        EXPECT_EQ(Form->PanelFrameNotRecognized->Color(), QColor(Qt::yellow)) << other;
    }
}

TEST_F(Macros, PlaybackLightsNothingWhileTheAnalyzerIsHidden)
{
    LoadText("1 FF 01 00 00 00 00 01\r\n1 01\r\n");
    PlayOnce();
    EXPECT_NE(Form->PanelAnalyzerStop->Color(), QColor(Qt::yellow));
    EXPECT_NE(Form->PanelFrameNotRecognized->Color(), QColor(Qt::yellow));
}

} // namespace

namespace {

// Answers the real file dialog once it shows: checks what it offers, then
// accepts the file it offers.
QString RunRealDialog(bool save, const TDesktop::TFileDialogOptions& options, QStringList& seenFilters,
                      QString& seenFolder)
{
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seenFilters = dialog->nameFilters();
        seenFolder = dialog->directory().absolutePath();
        EXPECT_EQ(dialog->acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("macro"));
        static_cast<QDialog*>(dialog)->accept(); // as the Open or Save button does
    });
    TQtDesktop desktop;
    return save ? desktop.GetSaveFileName(nullptr, options) : desktop.GetOpenFileName(nullptr, options);
}

TEST(MacroFileDialogs, TheRealDialogsOfferWhatTheyAreGiven)
{
    TTempFolder folder;
    const QString existing = QString::fromStdString(folder.Path("a.macro"));
    WriteFileText(existing.toStdString(), "1 01\r\n");
    TDesktop::TFileDialogOptions options;
    options.Filter = QStringLiteral("Macros of Tarvik (*.macro);;All files (*)");
    options.DefaultSuffix = QStringLiteral("macro");
    options.InitialDirectory = QString::fromStdString(folder.Path());
    options.FileName = existing;

    QStringList filters;
    QString shownFolder;
    EXPECT_EQ(RunRealDialog(false, options, filters, shownFolder), existing);
    EXPECT_EQ(filters, (QStringList{QStringLiteral("Macros of Tarvik (*.macro)"), QStringLiteral("All files (*)")}));
    EXPECT_EQ(shownFolder.toStdString(), folder.Path());

    // A new name without its extension gets ".macro".
    options.FileName = QString::fromStdString(folder.Path("new"));
    EXPECT_EQ(RunRealDialog(true, options, filters, shownFolder).toStdString(), folder.Path("new.macro"));
}

} // namespace
