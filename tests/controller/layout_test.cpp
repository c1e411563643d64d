// The window as built: names, kinds, places, texts, tags, timers, and that no
// text is clipped at the form's sizes.

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTest>

#include <memory>

#include "controller/component_helpers.h"
#include "controller/tformtarvik.h"
#include "recording_desktop.h"

namespace {

std::unique_ptr<TFormTarvik> MakeWindow()
{
    return std::make_unique<TFormTarvik>(std::make_shared<TRecordingDesktop>());
}

// Runs the window up to its first showing, past the restoring of the settings.
void WaitUntilShown(TFormTarvik& form)
{
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.isVisible(); }, 5000));
}

void ClickTab(TPageControl* pages, QWidget* page)
{
    QTabBar* bar = pages->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(pages->indexOf(page)).center());
}

struct TNamedKind {
    QString Name;
    const char* Kind;
};

// Every control and timer that a handler of the window refers to, with the
// kind the handler relies on.
std::vector<TNamedKind> ExpectedControls()
{
    std::vector<TNamedKind> controls = {
        {"PanelMain", "TPanel"},
        {"PageControlTop", "TPageControl"},
        {"TabSheetPTZDriver", "QWidget"},
        {"TabSheetPelcoAnalyzer", "QWidget"},
        {"TabSheetAbout", "QWidget"},
        {"PageControlBottom", "TPageControl"},
        {"TabSheetMessages", "QWidget"},
        {"TabSheetSettings", "QWidget"},
        {"TabSheetMacros", "QWidget"},
        {"TabSheetServer", "QWidget"},
        {"GroupBoxMainDriver", "QGroupBox"},
        {"LabelPresets", "QLabel"},
        {"EditCustomPresetN", "QLineEdit"},
        {"ButtonCustomPresetN", "TButton"},
        {"RadioButtonGotoPreset", "QRadioButton"},
        {"RadioButtonSetPreset", "QRadioButton"},
        {"RadioButtonClearPreset", "QRadioButton"},
        {"LabelID", "QLabel"},
        {"EditID", "QLineEdit"},
        {"LabelSpeed", "QLabel"},
        {"EditSpeed", "QLineEdit"},
        {"PanelJoyPane", "TPanel"},
        {"PaintBoxJoyPane", "TPaintBox"},
        {"PanelJoyButton", "TPanel"},
        {"CheckBoxConnect", "TCheckBox"},
        {"GroupBoxMainAnalyzer", "QGroupBox"},
        {"PanelAnalyzerPane", "TPanel"},
        {"PaintBoxAnalyzerPane", "TPaintBox"},
        {"PanelAnalyzerButton", "TPanel"},
        {"PanelAnalyzerPreset", "TPanel"},
        {"LabelAnalyzerPreset", "QLabel"},
        {"LabelAnalyzerPresetNo", "QLabel"},
        {"PanelAnalyzerPresetGoto", "TPanel"},
        {"PanelAnalyzerPresetSet", "TPanel"},
        {"PanelAnalyzerPresetClear", "TPanel"},
        {"PanelAnalyzerDeviceID", "TPanel"},
        {"LabelAnalyzerID", "QLabel"},
        {"LabelAnalyzerIDNo", "QLabel"},
        {"PanelFramePelcoD", "TPanel"},
        {"PanelFramePelcoP", "TPanel"},
        {"PanelFrameNotRecognized", "TPanel"},
        {"PanelAbout", "TPanel"},
        {"LabelAboutTitle", "QLabel"},
        {"ImageAboutLogoMorwen", "QLabel"},
        {"LabelProducentWebsite", "TLabel"},
        {"LabelCMorwenYear", "QLabel"},
        {"LabelCheckVersion", "TLabel"},
        {"LabelAboutWebsite", "TLabel"},
        {"Memo", "TMemo"},
        {"LabelProtocol", "QLabel"},
        {"ComboBoxProtocol", "TComboBox"},
        {"CheckBoxShowCmd", "TCheckBox"},
        {"CheckBoxDoubleStopCmd", "TCheckBox"},
        {"PageControlPortSettings", "TPageControl"},
        {"TabSheetPortSettingsSerial", "QWidget"},
        {"TabSheetPortSettingsTCP", "QWidget"},
        {"LabelPort", "QLabel"},
        {"ComboBoxPort", "TComboBox"},
        {"LabelBaudrate", "QLabel"},
        {"ComboBoxSpeed", "TComboBox"},
        {"LabelRemoteHost", "QLabel"},
        {"EditRemoteHost", "QLineEdit"},
        {"LabelRemotePort", "QLabel"},
        {"EditRemotePort", "QLineEdit"},
        {"CheckBoxMacroPlay", "TCheckBox"},
        {"CheckBoxMacroLoop", "TCheckBox"},
        {"CheckBoxMacroRecord", "TCheckBox"},
        {"ButtonMacroLoad", "TButton"},
        {"ButtonMacroSave", "TButton"},
        {"LabelMacroLengthLabel", "QLabel"},
        {"LabelMacroLength", "QLabel"},
        {"LabelMacroLengthTimeLabel", "QLabel"},
        {"LabelMacroLengthTime", "QLabel"},
        {"LabelMacroPosLabel", "QLabel"},
        {"ProgressBarMacroPos", "QProgressBar"},
        {"LabelLocalAddress", "QLabel"},
        {"ComboBoxLocalAddress", "TComboBox"},
        {"LabelLocalPort", "QLabel"},
        {"EditLocalPort", "QLineEdit"},
        {"CheckBoxServer", "TCheckBox"},
        {"CheckBoxAuthenticate", "TCheckBox"},
        {"LabelPanelWWW", "TLabel"},
        {"LabelAuthUser", "QLabel"},
        {"EditAuthUser", "QLineEdit"},
        {"LabelAuthPass", "QLabel"},
        {"EditAuthPass", "QLineEdit"},
        {"TimerLoadSettings", "QTimer"},
        {"TimerDataReader", "QTimer"},
        {"TimerCommandRepeater", "QTimer"},
        {"TimerMemoCleaner", "QTimer"},
        {"TimerAnalyzerButtonsDisabler", "QTimer"},
        {"TimerMacroPlaying", "QTimer"},
        {"TimerMacroPlayingTime", "QTimer"},
        {"TimerDisconnectWarningColorRemover", "QTimer"},
    };
    for (const char* role : {"ZoomOut", "ZoomIn", "LeftUp", "Up", "RightUp", "FocusNear", "FocusFar", "Left", "Stop", "Right",
                             "IrisClose", "IrisOpen", "LeftDown", "Down", "RightDown"}) {
        controls.push_back({QStringLiteral("SpeedButton%1").arg(role), "TSpeedButton"});
        controls.push_back({QStringLiteral("PanelAnalyzer%1").arg(role), "TPanel"});
        const QString image = QString::fromLatin1(role) == "ZoomOut" ? QStringLiteral("ImageAnalyzerZoomOut")
                                                                     : QStringLiteral("Image%1").arg(role);
        controls.push_back({image, "QLabel"});
    }
    for (int n = 1; n <= 15; ++n)
        controls.push_back({QStringLiteral("ButtonPreset%1").arg(n), "TButton"});
    for (int n = 0; n <= 16; ++n)
        controls.push_back({QStringLiteral("ButtonCustomCommand%1").arg(n), "TButton"});
    for (int n = 1; n <= 10; ++n) {
        controls.push_back({QStringLiteral("ButtonChangeID%1").arg(n), "TButton"});
        controls.push_back({QStringLiteral("PanelAnalyzerID%1").arg(n), "TPanel"});
    }
    return controls;
}

TEST(WindowLifecycle, ConstructsShowsAfterTheFirstTickAndDestroysRepeatedly)
{
    for (int round = 0; round < 3; ++round) {
        auto form = MakeWindow();
        EXPECT_FALSE(form->isVisible());
        EXPECT_TRUE(form->TimerLoadSettings->isActive());
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->isVisible(); }, 2000));
        EXPECT_FALSE(form->TimerLoadSettings->isActive());
        EXPECT_EQ(form->PageControlTop->ActivePage(), form->TabSheetPTZDriver);
        // Restoring the settings brings the messages page to the front.
        EXPECT_EQ(form->PageControlBottom->ActivePage(), form->TabSheetMessages);
    }
}

TEST(WindowLayout, CaptionHasFiveBlanksBeforeTheMaker)
{
    auto form = MakeWindow();
    EXPECT_EQ(form->windowTitle().toStdString(), "Tarvik 5.6 (Server)     MORWEN 2011");
    EXPECT_EQ(form->LabelAboutTitle->text().toStdString(), "Tarvik 5.6");
    EXPECT_EQ(QApplication::applicationName().toStdString(), "Tarvik");
}

TEST(WindowLayout, ClientHeightFollowsTheTopTabAndAboutHidesTheBottomPages)
{
    auto form = MakeWindow();
    WaitUntilShown(*form);
    EXPECT_EQ(form->width(), 344);
    EXPECT_EQ(form->height(), 434);
    EXPECT_TRUE(form->PageControlBottom->isVisible());
    EXPECT_EQ(form->PageControlTop->height(), 318);

    struct TCase {
        QWidget* Page;
        int Height;
        bool BottomShown;
    };
    const TCase cases[] = {
        {form->TabSheetPelcoAnalyzer, 363, true},
        {form->TabSheetAbout, 318, false},
        {form->TabSheetPTZDriver, 434, true},
        {form->TabSheetAbout, 318, false},
        {form->TabSheetPelcoAnalyzer, 363, true},
    };
    for (const TCase& test : cases) {
        ClickTab(form->PageControlTop, test.Page);
        ASSERT_EQ(form->PageControlTop->ActivePage(), test.Page);
        EXPECT_EQ(form->width(), 344);
        EXPECT_EQ(form->height(), test.Height) << test.Page->objectName().toStdString();
        EXPECT_EQ(form->PageControlBottom->isVisible(), test.BottomShown);
        const int bottom = test.BottomShown ? 116 : 0;
        EXPECT_EQ(form->PageControlTop->geometry(), QRect(0, 0, 344, test.Height - bottom));
        if (test.BottomShown) {
            EXPECT_EQ(form->PageControlBottom->geometry(), QRect(0, test.Height - 116, 344, 116));
        }
    }

    // A page set by code lays the window out the same way.
    form->PageControlTop->SetActivePage(form->TabSheetAbout);
    EXPECT_EQ(form->height(), 318);
    EXPECT_FALSE(form->PageControlBottom->isVisible());
}

TEST(WindowLayout, EveryNamedControlExistsWithItsKind)
{
    auto form = MakeWindow();
    for (const TNamedKind& expected : ExpectedControls()) {
        const auto found = form->findChildren<QObject*>(expected.Name);
        ASSERT_EQ(found.size(), 1) << expected.Name.toStdString();
        EXPECT_TRUE(found.front()->inherits(expected.Kind)) << expected.Name.toStdString() << " is not a " << expected.Kind;
    }
    EXPECT_EQ(form->findChild<QObject*>("CheckBoxConnect"), form->CheckBoxConnect);
    EXPECT_EQ(form->findChild<QObject*>("ImageAnalyzerZoomOut"), form->ImageAnalyzerZoomOut);
    EXPECT_EQ(form->findChild<QObject*>("TimerDisconnectWarningColorRemover"), form->TimerDisconnectWarningColorRemover);
}

TEST(WindowLayout, ControlArraysAndTags)
{
    auto form = MakeWindow();
    for (int i = 0; i < 17; ++i) {
        ASSERT_NE(form->CustomCommandButtons[i], nullptr);
        EXPECT_EQ(form->CustomCommandButtons[i]->objectName(), QStringLiteral("ButtonCustomCommand%1").arg(i));
        EXPECT_EQ(TagOf(form->CustomCommandButtons[i]), i);
        EXPECT_EQ(form->CustomCommandButtons[i]->toolTip().toStdString(), "Click right mouse button to change function");
    }
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(form->PresetButtons[i]->objectName(), QStringLiteral("ButtonPreset%1").arg(i + 1));
        EXPECT_EQ(TagOf(form->PresetButtons[i]), i + 1);
        EXPECT_EQ(form->PresetButtons[i]->text(), QString::number(i + 1));
    }
    EXPECT_EQ(TagOf(form->ButtonCustomPresetN), 16);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(form->ChangeIDButtons[i]->objectName(), QStringLiteral("ButtonChangeID%1").arg(i + 1));
        EXPECT_EQ(form->ChangeIDButtons[i]->toolTip().toStdString(), "Change ID");
        EXPECT_EQ(form->AnalyzerIDPanels[i]->objectName(), QStringLiteral("PanelAnalyzerID%1").arg(i + 1));
        EXPECT_EQ(form->AnalyzerIDPanels[i]->Caption(), QString::number(i + 1));
    }

    const std::pair<TSpeedButton*, int> speedTags[] = {
        {form->SpeedButtonStop, 0},     {form->SpeedButtonLeft, 1},      {form->SpeedButtonRight, 2},
        {form->SpeedButtonUp, 3},       {form->SpeedButtonDown, 4},      {form->SpeedButtonLeftUp, 5},
        {form->SpeedButtonLeftDown, 6}, {form->SpeedButtonRightUp, 7},   {form->SpeedButtonRightDown, 8},
        {form->SpeedButtonZoomIn, 9},   {form->SpeedButtonZoomOut, 10},  {form->SpeedButtonFocusNear, 11},
        {form->SpeedButtonFocusFar, 12}, {form->SpeedButtonIrisOpen, 13}, {form->SpeedButtonIrisClose, 14},
    };
    for (const auto& [button, tag] : speedTags) {
        EXPECT_EQ(TagOf(button), tag) << button->objectName().toStdString();
        EXPECT_EQ(button->size(), QSize(23, 23));
        EXPECT_FALSE(button->icon().isNull());
    }
    EXPECT_EQ(TagOf(form->TabSheetPTZDriver), 434);
    EXPECT_EQ(TagOf(form->TabSheetPelcoAnalyzer), 363);
    EXPECT_EQ(TagOf(form->TabSheetAbout), 318);

    EXPECT_EQ(form->PresetCommandCode, 17);
    EXPECT_EQ(form->DefaultCommandCaptions[0].toStdString(), "Menu");
    EXPECT_EQ(form->DefaultCommandCaptions[1].toStdString(), "PTZ 1");
    EXPECT_EQ(form->DefaultPresetNumbers[0], 90);
}

TEST(WindowLayout, TimersHaveTheirIntervalsAndStartStates)
{
    auto form = MakeWindow();
    struct TCase {
        QTimer* Timer;
        int Interval;
        bool Active;
    };
    const TCase cases[] = {
        {form->TimerLoadSettings, 1, true},
        {form->TimerDataReader, 250, false},
        {form->TimerCommandRepeater, 250, false},
        {form->TimerMemoCleaner, 10000, true},
        {form->TimerAnalyzerButtonsDisabler, 50, false},
        {form->TimerMacroPlaying, 1000, false},
        {form->TimerMacroPlayingTime, 200, false},
        {form->TimerDisconnectWarningColorRemover, 2000, false},
    };
    for (const TCase& test : cases) {
        EXPECT_EQ(test.Timer->interval(), test.Interval) << test.Timer->objectName().toStdString();
        EXPECT_EQ(test.Timer->isActive(), test.Active) << test.Timer->objectName().toStdString();
    }
    EXPECT_EQ(form->TimerCommandRepeater->timerType(), Qt::PreciseTimer);
}

TEST(WindowLayout, InitialStatesAndTexts)
{
    auto form = MakeWindow();
    EXPECT_EQ(form->ComboBoxProtocol->currentIndex(), 0);
    EXPECT_EQ(form->ComboBoxProtocol->currentText().toStdString(), "Pelco-D");
    EXPECT_EQ(form->ComboBoxSpeed->count(), 15);
    EXPECT_EQ(form->ComboBoxSpeed->currentIndex(), -1);
    EXPECT_EQ(form->ComboBoxSpeed->itemText(3).toStdString(), "7200");
    EXPECT_TRUE(form->ComboBoxPort->isEditable());
    EXPECT_EQ(form->EditID->text().toStdString(), "1");
    EXPECT_EQ(form->EditSpeed->text().toStdString(), "255");
    EXPECT_EQ(form->EditCustomPresetN->text().toStdString(), "16");
    EXPECT_EQ(form->EditRemotePort->text().toStdString(), "80");
    EXPECT_EQ(form->EditRemotePort->maxLength(), 5);
    EXPECT_EQ(form->EditID->maxLength(), 3);
    EXPECT_EQ(form->EditAuthUser->text().toStdString(), "admin");
    EXPECT_EQ(form->EditAuthPass->text().toStdString(), "vexto");
    EXPECT_EQ(form->EditAuthPass->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(form->RadioButtonGotoPreset->isChecked());
    EXPECT_TRUE(form->CheckBoxAuthenticate->isChecked());
    EXPECT_FALSE(form->CheckBoxConnect->isChecked());
    EXPECT_TRUE(form->CheckBoxConnect->font().bold());
    EXPECT_TRUE(form->CustomCommandButtons[0]->font().bold());
    EXPECT_FALSE(form->CheckBoxMacroPlay->isEnabled());
    EXPECT_FALSE(form->ButtonMacroSave->isEnabled());
    EXPECT_FALSE(form->LabelMacroPosLabel->isEnabled());
    EXPECT_FALSE(form->ProgressBarMacroPos->isEnabled());
    EXPECT_FALSE(form->LabelPanelWWW->isEnabled());
    EXPECT_EQ(form->PageControlPortSettings->ActivePage(), form->TabSheetPortSettingsSerial);
    EXPECT_EQ(form->CustomCommandButtons[16]->text().toStdString(), "User16");
    EXPECT_EQ(form->PanelAnalyzerPreset->BevelOuter(), bvNone);
    EXPECT_EQ(form->PanelAnalyzerDeviceID->BevelOuter(), bvNone);
    EXPECT_EQ(form->PanelAnalyzerStop->BevelOuter(), bvRaised);
    EXPECT_EQ(form->PanelJoyButton->BevelInner(), bvRaised);
    EXPECT_EQ(form->PanelJoyPane->BevelOuter(), bvLowered);
    EXPECT_EQ(form->LabelProducentWebsite->text().toStdString(), "www.morwen.example");

    const QFontInfo font(form->EditID->font());
    EXPECT_EQ(font.family().toStdString(), "Liberation Sans");
    EXPECT_EQ(font.pixelSize(), 11);
}

// The space a push button's style leaves for its caption.
int CaptionRoom(QPushButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
}

void ExpectTextsFit(QWidget* root)
{
    for (QPushButton* button : root->findChildren<QPushButton*>()) {
        const int needed = QFontMetrics(button->font()).horizontalAdvance(button->text());
        EXPECT_LE(needed, CaptionRoom(button)) << button->objectName().toStdString() << " \""
                                               << button->text().toStdString() << "\"";
    }
    for (QAbstractButton* box : root->findChildren<QAbstractButton*>()) {
        if (qobject_cast<QCheckBox*>(box) == nullptr && qobject_cast<QRadioButton*>(box) == nullptr)
            continue;
        EXPECT_LE(box->sizeHint().width(), box->width()) << box->objectName().toStdString();
        EXPECT_LE(QFontMetrics(box->font()).height(), box->height()) << box->objectName().toStdString();
    }
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            continue;
        const QFontMetrics metrics(label->font());
        const QRect room = label->contentsRect();
        if (label->wordWrap()) {
            EXPECT_LE(label->heightForWidth(room.width()), room.height()) << label->objectName().toStdString();
            const QStringList words = label->text().split(' ');
            for (const QString& word : words)
                EXPECT_LE(metrics.horizontalAdvance(word), room.width()) << label->objectName().toStdString();
        } else {
            EXPECT_LE(metrics.horizontalAdvance(label->text()), room.width()) << label->objectName().toStdString();
            EXPECT_LE(metrics.height(), room.height()) << label->objectName().toStdString();
        }
    }
    for (TPanel* panel : root->findChildren<TPanel*>()) {
        if (panel->Caption().isEmpty())
            continue;
        EXPECT_LE(QFontMetrics(panel->font()).horizontalAdvance(panel->Caption()), panel->width() - 4)
            << panel->objectName().toStdString();
    }
}

TEST(WindowLayout, NoCaptionIsClipped)
{
    auto form = MakeWindow();
    WaitUntilShown(*form);
    for (QWidget* page : {form->TabSheetPTZDriver, form->TabSheetPelcoAnalyzer, form->TabSheetAbout}) {
        form->PageControlTop->SetActivePage(page);
        QApplication::processEvents();
        ExpectTextsFit(page);
    }
    ExpectTextsFit(form->PageControlBottom);

    // The captions the settings give the custom command buttons fit as well.
    for (int i = 0; i < 17; ++i) {
        form->CustomCommandButtons[i]->setText(form->DefaultCommandCaptions[i]);
        const int needed = QFontMetrics(form->CustomCommandButtons[i]->font()).horizontalAdvance(form->DefaultCommandCaptions[i]);
        EXPECT_LE(needed, CaptionRoom(form->CustomCommandButtons[i])) << i;
    }

    for (TPageControl* pages : form->findChildren<TPageControl*>()) {
        QTabBar* bar = pages->tabBar();
        for (int i = 0; i < bar->count(); ++i) {
            EXPECT_LE(QFontMetrics(bar->font()).horizontalAdvance(bar->tabText(i)), bar->tabRect(i).width())
                << bar->tabText(i).toStdString();
            EXPECT_LE(bar->tabRect(i).right(), pages->width()) << bar->tabText(i).toStdString();
        }
    }
    for (QGroupBox* group : {form->GroupBoxMainDriver, form->GroupBoxMainAnalyzer}) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        const QRect title = group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
        // The row of ID buttons starts at 136 on the title's line.
        EXPECT_LT(title.right(), 136) << group->objectName().toStdString();
        EXPECT_GE(title.width(), QFontMetrics(group->font()).horizontalAdvance(group->title()));
    }
}

} // namespace
