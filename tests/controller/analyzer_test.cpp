// The analyzer display: what each analysis lights, the marker, the fade and
// what a change of the top page does.

#include <QTabBar>

#include "controller/component_helpers.h"
#include "controller/display_math.h"
#include "drive_fixture.h"

namespace {

const QColor kYellow(255, 255, 0);

TFrameAnalysis PanTilt(int pan, int tilt, uint8_t id = 1)
{
    TFrame frame{};
    BuildPanTiltFrame(frame, true, id, pan, tilt);
    return AnalyzeFrame(TProtocol::PelcoD, std::span<const uint8_t>(frame.data(), kPelcoDFrameLength));
}

TFrameAnalysis Command(uint8_t code, uint8_t value, uint8_t id = 1, bool pelcoD = true)
{
    TFrame frame{};
    BuildCommandFrame(frame, pelcoD, code, value, id);
    return AnalyzeFrame(pelcoD ? TProtocol::PelcoD : TProtocol::PelcoP,
                        std::span<const uint8_t>(frame.data(), FrameLength(pelcoD)));
}

TFrameAnalysis Raw(const char* hex)
{
    const std::vector<uint8_t> bytes = Bytes(hex);
    return AnalyzeFrame(bytes[0] == kPelcoDStartByte ? TProtocol::PelcoD : TProtocol::PelcoP, bytes);
}

class Analyzer : public TDriveTest {
protected:
    void SetUp() override
    {
        TDriveTest::SetUp();
        QTabBar* tabs = Form->PageControlTop->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        ASSERT_EQ(Form->PageControlTop->ActivePage(), Form->TabSheetPelcoAnalyzer);
        // The fade is stepped by hand.
        Form->TimerAnalyzerButtonsDisabler->stop();
    }

    [[nodiscard]] static QStringList Names(std::initializer_list<const char*> names)
    {
        QStringList list;
        for (const char* name : names)
            list.append(QString::fromLatin1(name));
        list.sort();
        return list;
    }

    void Fade(int ticks)
    {
        for (int i = 0; i < ticks; ++i)
            Form->TimerAnalyzerButtonsDisablerTimer();
    }
};

TEST_F(Analyzer, TheMarkerFollowsThePanAndTiltSpeeds)
{
    struct TCase {
        int Pan;
        int Tilt;
        QPoint Place;
    };
    const TCase cases[] = {{63, 0, {164, 83}}, {-63, 0, {2, 83}},   {1, 0, {84, 83}},
                           {0, -32, {83, 42}}, {32, 32, {124, 124}}, {-63, 63, {2, 164}}};
    for (const TCase& test : cases) {
        Form->ShowFrameAnalysis(PanTilt(test.Pan, test.Tilt));
        EXPECT_EQ(Form->PanelAnalyzerButton->geometry(), QRect(test.Place, QSize(25, 25)))
            << test.Pan << "," << test.Tilt;
        EXPECT_GE(Form->HighlightedPanels.IndexOf(Form->PanelAnalyzerButton), 0);
    }

    // A preset leaves the marker; zoom alone centres it without lighting it;
    // a stop brings it home at once.
    Form->ShowFrameAnalysis(Command(cmdPresetGoto, 3));
    EXPECT_EQ(Form->PanelAnalyzerButton->pos(), QPoint(2, 164));
    Form->ClearHighlights();
    Form->ShowFrameAnalysis(PanTilt(63, 0));
    Form->HighlightPanel(Form->PanelAnalyzerButton, false);
    Form->PanelAnalyzerButton->move(164, 83);
    Form->ShowFrameAnalysis(Command(cmdZoomTele, 0));
    EXPECT_EQ(Form->PanelAnalyzerButton->pos(), QPoint(83, 83));
    EXPECT_LT(Form->HighlightedPanels.IndexOf(Form->PanelAnalyzerButton), 0);
    Form->PanelAnalyzerButton->move(164, 83);
    Form->ShowFrameAnalysis(Command(cmdStop, 0));
    EXPECT_EQ(Form->PanelAnalyzerButton->pos(), QPoint(83, 83));
}

TEST_F(Analyzer, EachIndicationLightsItsPanel)
{
    struct TCase {
        uint8_t Code;
        const char* Panel;
    };
    const TCase cases[] = {
        {1, "PanelAnalyzerLeft"},        {2, "PanelAnalyzerRight"},       {3, "PanelAnalyzerUp"},
        {4, "PanelAnalyzerDown"},        {5, "PanelAnalyzerLeftUp"},      {6, "PanelAnalyzerLeftDown"},
        {7, "PanelAnalyzerRightUp"},     {8, "PanelAnalyzerRightDown"},   {9, "PanelAnalyzerZoomIn"},
        {10, "PanelAnalyzerZoomOut"},    {13, "PanelAnalyzerIrisOpen"},   {14, "PanelAnalyzerIrisClose"},
    };
    for (const bool pelcoD : {true, false}) {
        for (const TCase& test : cases) {
            Form->ClearHighlights();
            Form->ShowFrameAnalysis(Command(test.Code, 20, 2, pelcoD));
            const QStringList lit = LitPanels();
            EXPECT_TRUE(lit.contains(QString::fromLatin1(test.Panel))) << test.Panel << " " << pelcoD;
            // A Pelco-P frame carries the device ID less one, and shows it so.
            EXPECT_TRUE(lit.contains(pelcoD ? QStringLiteral("PanelAnalyzerID2") : QStringLiteral("PanelAnalyzerID1")));
            EXPECT_TRUE(lit.contains(pelcoD ? QStringLiteral("PanelFramePelcoD") : QStringLiteral("PanelFramePelcoP")));
            EXPECT_FALSE(lit.contains(QStringLiteral("PanelFrameNotRecognized"))) << test.Panel;
        }
    }
    // Code 11 carries the focus-far bit and code 12 the focus-near bit.
    Form->ClearHighlights();
    Form->ShowFrameAnalysis(Command(11, 0));
    EXPECT_TRUE(LitPanels().contains(QStringLiteral("PanelAnalyzerFocusFar")));
    Form->ClearHighlights();
    Form->ShowFrameAnalysis(Command(12, 0));
    EXPECT_TRUE(LitPanels().contains(QStringLiteral("PanelAnalyzerFocusNear")));
}

TEST_F(Analyzer, TheDeviceNumberAndItsShortcutPanel)
{
    for (const int id : {0, 1, 3, 10, 11, 255}) {
        Form->ClearHighlights();
        Form->ShowFrameAnalysis(Command(cmdStop, 0, static_cast<uint8_t>(id)));
        EXPECT_EQ(Form->LabelAnalyzerIDNo->text(), QString::number(id));
        QStringList expected = Names({"PanelAnalyzerDeviceID", "PanelAnalyzerStop", "PanelFramePelcoD"});
        if (id >= 1 && id <= 10)
            expected.append(QStringLiteral("PanelAnalyzerID") + QString::number(id));
        expected.sort();
        EXPECT_EQ(LitPanels(), expected) << id;
    }
    // These two panels have no outer bevel, lit or not.
    EXPECT_EQ(Form->PanelAnalyzerDeviceID->BevelOuter(), bvNone);
    EXPECT_EQ(Form->PanelAnalyzerStop->BevelOuter(), bvLowered);
}

TEST_F(Analyzer, PresetFramesShowTheActionAndNumber)
{
    const std::pair<uint8_t, const char*> cases[] = {{cmdPresetSet, "PanelAnalyzerPresetSet"},
                                                     {cmdPresetClear, "PanelAnalyzerPresetClear"},
                                                     {cmdPresetGoto, "PanelAnalyzerPresetGoto"}};
    for (const auto& [code, panel] : cases) {
        Form->ClearHighlights();
        Form->ShowFrameAnalysis(Command(code, 5));
        EXPECT_EQ(LitPanels(), Names({panel, "PanelAnalyzerPreset", "PanelAnalyzerDeviceID", "PanelAnalyzerID1",
                                      "PanelFramePelcoD"}));
        EXPECT_EQ(Form->LabelAnalyzerPresetNo->text().toStdString(), "5");
        EXPECT_EQ(Form->PanelAnalyzerPreset->BevelOuter(), bvNone);
    }
}

TEST_F(Analyzer, FramesThatCarryNothingKnownOrAreFaulty)
{
    // Valid, with its address, but only an ignored bit set.
    Form->ShowFrameAnalysis(Raw("FF 01 08 00 00 00 09"));
    EXPECT_EQ(LitPanels(), Names({"PanelAnalyzerDeviceID", "PanelAnalyzerID1", "PanelFramePelcoD",
                                  "PanelFrameNotRecognized"}));
    Form->ClearHighlights();

    MarkLog();
    Form->ShowFrameAnalysis(Raw("FF 01 00 02 20 00 24"));
    EXPECT_EQ(LitPanels(), Names({"PanelFramePelcoD", "PanelFrameNotRecognized"}));
    EXPECT_EQ(NewLogLines(), QStringList{QStringLiteral("Frame checksum incorrect")});
    EXPECT_EQ(Form->LabelAnalyzerIDNo->text().toStdString(), "-");

    // An analysis of no protocol at all.
    Form->ClearHighlights();
    Form->ShowFrameAnalysis(TFrameAnalysis{});
    EXPECT_EQ(LitPanels(), Names({"PanelFrameNotRecognized"}));
}

TEST_F(Analyzer, ALitPanelFadesOverTwentyTicksAndGoesOffAtTheTwentyFirst)
{
    const TColorValue face = (ButtonFaceColor().blue() << 16) | (ButtonFaceColor().green() << 8) | ButtonFaceColor().red();
    Form->HighlightPanel(Form->PanelAnalyzerLeft, true);
    EXPECT_EQ(Form->PanelAnalyzerLeft->Color(), kYellow);
    EXPECT_EQ(Form->PanelAnalyzerLeft->BevelOuter(), bvLowered);
    EXPECT_EQ(TagOf(Form->PanelAnalyzerLeft), 1000);

    for (int tick = 1; tick <= 20; ++tick) {
        Fade(1);
        const int remaining = 1000 - 50 * tick;
        EXPECT_EQ(TagOf(Form->PanelAnalyzerLeft), remaining) << tick;
        const TColorValue blended = BlendColors(face, 0x0000FFFF, remaining, 1000);
        EXPECT_EQ(Form->PanelAnalyzerLeft->Color(),
                  QColor(static_cast<int>(blended & 0xFF), static_cast<int>((blended >> 8) & 0xFF),
                         static_cast<int>((blended >> 16) & 0xFF)))
            << tick;
    }
    // Plain at the 20th tick, but still lit until the 21st switches it off.
    EXPECT_EQ(Form->PanelAnalyzerLeft->Color(), ButtonFaceColor());
    EXPECT_EQ(Form->PanelAnalyzerLeft->BevelOuter(), bvLowered);
    EXPECT_EQ(Form->HighlightedPanels.Count(), 1u);
    Fade(1);
    EXPECT_EQ(Form->HighlightedPanels.Count(), 0u);
    EXPECT_EQ(Form->PanelAnalyzerLeft->BevelOuter(), bvRaised);
    EXPECT_EQ(Form->FadeStep, 50);
}

TEST_F(Analyzer, LightingALitPanelRestartsItsTime)
{
    Form->HighlightPanel(Form->PanelAnalyzerUp, true);
    Fade(8);
    Form->HighlightPanel(Form->PanelAnalyzerUp, true);
    EXPECT_EQ(Form->HighlightedPanels.Count(), 1u);
    EXPECT_EQ(TagOf(Form->PanelAnalyzerUp), 1000);
    EXPECT_EQ(Form->PanelAnalyzerUp->Color(), kYellow);
}

TEST_F(Analyzer, SwitchingOffResetsTheLabelsAndTheMarker)
{
    Form->ShowFrameAnalysis(Command(cmdPresetSet, 7, 4));
    Form->ShowFrameAnalysis(PanTilt(63, 63, 4));
    EXPECT_EQ(Form->LabelAnalyzerPresetNo->text().toStdString(), "7");
    EXPECT_EQ(Form->LabelAnalyzerIDNo->text().toStdString(), "4");
    Fade(21);
    EXPECT_EQ(Form->HighlightedPanels.Count(), 0u);
    EXPECT_EQ(Form->LabelAnalyzerPresetNo->text().toStdString(), "-");
    EXPECT_EQ(Form->LabelAnalyzerIDNo->text().toStdString(), "-");
    EXPECT_EQ(Form->PanelAnalyzerButton->geometry(), QRect(83, 83, 25, 25));
}

TEST_F(Analyzer, ChangingTheTopPageClearsTheDisplay)
{
    QTabBar* tabs = Form->PageControlTop->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_FALSE(Form->TimerAnalyzerButtonsDisabler->isActive());
    EXPECT_EQ(Form->height(), 434);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_TRUE(Form->TimerAnalyzerButtonsDisabler->isActive());
    EXPECT_EQ(Form->height(), 363);

    Form->ShowFrameAnalysis(Command(cmdPresetGoto, 9, 2));
    Form->ShowFrameAnalysis(PanTilt(-40, 20, 2));
    ASSERT_GT(Form->HighlightedPanels.Count(), 5u);
    std::vector<TPanel*> lit(Form->HighlightedPanels.begin(), Form->HighlightedPanels.end());

    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    EXPECT_EQ(Form->height(), 318);
    EXPECT_TRUE(Form->PageControlBottom->isHidden());
    EXPECT_FALSE(Form->TimerAnalyzerButtonsDisabler->isActive());
    EXPECT_EQ(Form->HighlightedPanels.Count(), 0u);
    for (TPanel* panel : lit) {
        EXPECT_EQ(panel->Color(), ButtonFaceColor()) << panel->objectName().toStdString();
        EXPECT_NE(panel->BevelOuter(), bvLowered) << panel->objectName().toStdString();
    }
    EXPECT_EQ(Form->LabelAnalyzerPresetNo->text().toStdString(), "-");
    EXPECT_EQ(Form->LabelAnalyzerIDNo->text().toStdString(), "-");
    EXPECT_EQ(Form->PanelAnalyzerButton->geometry(), QRect(83, 83, 25, 25));

    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_FALSE(Form->PageControlBottom->isHidden());
    EXPECT_TRUE(Form->TimerAnalyzerButtonsDisabler->isActive());
}

TEST_F(Analyzer, TheFaderTimerFadesOnItsOwn)
{
    Form->TimerAnalyzerButtonsDisabler->start();
    Form->HighlightPanel(Form->PanelAnalyzerZoomIn, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->HighlightedPanels.Count() == 0; }, 5000));
    EXPECT_EQ(Form->PanelAnalyzerZoomIn->Color(), ButtonFaceColor());
}

} // namespace
