// The window as the operator sees it: every control with its name, place,
// size, text, hint, tag and initial state. Places are those of the form at
// 96 dpi, relative to the parent; the window is not scaled.

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QResizeEvent>
#include <QTabBar>
#include <QVBoxLayout>

#include "controller/component_helpers.h"
#include "controller/glyphs.h"
#include "controller/maker_links.h"
#include "controller/program_info.h"
#include "controller/tformtarvik.h"

namespace {

constexpr int kPanelMainHeight = 434;
constexpr int kDriverPageHeight = 434;
constexpr int kAnalyzerPageHeight = 363;
constexpr int kAboutPageHeight = 318;
constexpr int kEditHeight = 21;
constexpr int kCheckBoxHeight = 17;
constexpr int kSpeedButtonSize = 23;

template <typename T>
T* Place(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* control = new T(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(left, top, width, height);
    return control;
}

// A label that sizes itself to its text, as the form's labels do.
QLabel* PlaceLabel(QWidget* parent, const char* name, int left, int top, const char* text)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLabel* PlaceRightAlignedLabel(QWidget* parent, const char* name, int left, int top, int width, const char* text)
{
    auto* label = Place<QLabel>(parent, name, left, top, width, 13);
    label->setText(QString::fromLatin1(text));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

TCheckBox* PlaceCheckBox(QWidget* parent, const char* name, int left, int top, int width, const char* text)
{
    auto* box = Place<TCheckBox>(parent, name, left, top, width, kCheckBoxHeight);
    box->setText(QString::fromLatin1(text));
    return box;
}

QLineEdit* PlaceEdit(QWidget* parent, const char* name, int left, int top, int width, int maxLength, const char* text)
{
    auto* edit = Place<QLineEdit>(parent, name, left, top, width, kEditHeight);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    edit->setText(QString::fromLatin1(text));
    return edit;
}

TButton* PlaceButton(QWidget* parent, const char* name, int left, int top, int width, int height, const QString& caption)
{
    auto* button = Place<TButton>(parent, name, left, top, width, height);
    button->setText(caption);
    return button;
}

void SetBold(QWidget* control)
{
    QFont font = control->font();
    font.setBold(true);
    control->setFont(font);
}

void MakeLink(QLabel* label)
{
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    label->setCursor(Qt::PointingHandCursor);
    // Blue while it can be clicked; a disabled link keeps the grey of
    // disabled text.
    QPalette colours = label->palette();
    colours.setColor(QPalette::Active, QPalette::WindowText, QColor(0, 0, 204));
    colours.setColor(QPalette::Inactive, QPalette::WindowText, QColor(0, 0, 204));
    label->setPalette(colours);
}

QWidget* AddPage(TPageControl* pages, const char* name, const char* caption)
{
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    pages->addTab(page, QString::fromLatin1(caption));
    return page;
}

// A sunken square with the centre cross, the joystick's and the analyzer's.
void BuildPane(QWidget* parent, const char* paneName, const char* boxName, const char* knobName, TPanel*& pane,
               TPaintBox*& box, TPanel*& knob)
{
    pane = Place<TPanel>(parent, paneName, 136, 18, 191, 191);
    pane->SetBevelOuter(bvLowered);
    pane->SetBevelInner(bvLowered);
    pane->SetColor(QApplication::palette().color(QPalette::Dark));
    box = Place<TPaintBox>(pane, boxName, 2, 2, 187, 187);
    knob = Place<TPanel>(pane, knobName, 83, 83, 25, 25);
    knob->SetBevelInner(bvRaised);
}

struct TSpeedButtonPlace {
    TSpeedButton* TFormTarvik::*Member;
    const char* Name;
    int Left;
    int Top;
    TCommandCode Code;
    const char* Hint;
    TGlyph Glyph;
};

const TSpeedButtonPlace kSpeedButtons[] = {
    {&TFormTarvik::SpeedButtonZoomOut, "SpeedButtonZoomOut", 8, 19, cmdZoomWide, "Zoom wide", TGlyph::ZoomOut},
    {&TFormTarvik::SpeedButtonZoomIn, "SpeedButtonZoomIn", 32, 19, cmdZoomTele, "Zoom tele", TGlyph::ZoomIn},
    {&TFormTarvik::SpeedButtonLeftUp, "SpeedButtonLeftUp", 56, 19, cmdLeftUp, nullptr, TGlyph::LeftUp},
    {&TFormTarvik::SpeedButtonUp, "SpeedButtonUp", 80, 19, cmdUp, nullptr, TGlyph::Up},
    {&TFormTarvik::SpeedButtonRightUp, "SpeedButtonRightUp", 104, 19, cmdRightUp, nullptr, TGlyph::RightUp},
    {&TFormTarvik::SpeedButtonFocusNear, "SpeedButtonFocusNear", 8, 43, cmdFocusFarBit, "Focus near", TGlyph::FocusNear},
    {&TFormTarvik::SpeedButtonFocusFar, "SpeedButtonFocusFar", 32, 43, cmdFocusNearBit, "Focus far", TGlyph::FocusFar},
    {&TFormTarvik::SpeedButtonLeft, "SpeedButtonLeft", 56, 43, cmdLeft, nullptr, TGlyph::Left},
    {&TFormTarvik::SpeedButtonStop, "SpeedButtonStop", 80, 43, cmdStop, "Stop", TGlyph::Stop},
    {&TFormTarvik::SpeedButtonRight, "SpeedButtonRight", 104, 43, cmdRight, nullptr, TGlyph::Right},
    {&TFormTarvik::SpeedButtonIrisClose, "SpeedButtonIrisClose", 8, 67, cmdIrisClose, "Iris close", TGlyph::IrisClose},
    {&TFormTarvik::SpeedButtonIrisOpen, "SpeedButtonIrisOpen", 32, 67, cmdIrisOpen, "Iris open", TGlyph::IrisOpen},
    {&TFormTarvik::SpeedButtonLeftDown, "SpeedButtonLeftDown", 56, 67, cmdLeftDown, nullptr, TGlyph::LeftDown},
    {&TFormTarvik::SpeedButtonDown, "SpeedButtonDown", 80, 67, cmdDown, nullptr, TGlyph::Down},
    {&TFormTarvik::SpeedButtonRightDown, "SpeedButtonRightDown", 104, 67, cmdRightDown, nullptr, TGlyph::RightDown},
};

struct TIndicatorPlace {
    TPanel* TFormTarvik::*Panel;
    QLabel* TFormTarvik::*Image;
    const char* PanelName;
    const char* ImageName;
    int Left;
    int Top;
    TGlyph Glyph;
};

const TIndicatorPlace kIndicators[] = {
    {&TFormTarvik::PanelAnalyzerZoomOut, &TFormTarvik::ImageAnalyzerZoomOut, "PanelAnalyzerZoomOut", "ImageAnalyzerZoomOut", 8, 19, TGlyph::ZoomOut},
    {&TFormTarvik::PanelAnalyzerZoomIn, &TFormTarvik::ImageZoomIn, "PanelAnalyzerZoomIn", "ImageZoomIn", 32, 19, TGlyph::ZoomIn},
    {&TFormTarvik::PanelAnalyzerLeftUp, &TFormTarvik::ImageLeftUp, "PanelAnalyzerLeftUp", "ImageLeftUp", 56, 19, TGlyph::LeftUp},
    {&TFormTarvik::PanelAnalyzerUp, &TFormTarvik::ImageUp, "PanelAnalyzerUp", "ImageUp", 80, 19, TGlyph::Up},
    {&TFormTarvik::PanelAnalyzerRightUp, &TFormTarvik::ImageRightUp, "PanelAnalyzerRightUp", "ImageRightUp", 104, 19, TGlyph::RightUp},
    {&TFormTarvik::PanelAnalyzerFocusNear, &TFormTarvik::ImageFocusNear, "PanelAnalyzerFocusNear", "ImageFocusNear", 8, 43, TGlyph::FocusNear},
    {&TFormTarvik::PanelAnalyzerFocusFar, &TFormTarvik::ImageFocusFar, "PanelAnalyzerFocusFar", "ImageFocusFar", 32, 43, TGlyph::FocusFar},
    {&TFormTarvik::PanelAnalyzerLeft, &TFormTarvik::ImageLeft, "PanelAnalyzerLeft", "ImageLeft", 56, 43, TGlyph::Left},
    {&TFormTarvik::PanelAnalyzerStop, &TFormTarvik::ImageStop, "PanelAnalyzerStop", "ImageStop", 80, 43, TGlyph::Stop},
    {&TFormTarvik::PanelAnalyzerRight, &TFormTarvik::ImageRight, "PanelAnalyzerRight", "ImageRight", 104, 43, TGlyph::Right},
    {&TFormTarvik::PanelAnalyzerIrisClose, &TFormTarvik::ImageIrisClose, "PanelAnalyzerIrisClose", "ImageIrisClose", 8, 67, TGlyph::IrisClose},
    {&TFormTarvik::PanelAnalyzerIrisOpen, &TFormTarvik::ImageIrisOpen, "PanelAnalyzerIrisOpen", "ImageIrisOpen", 32, 67, TGlyph::IrisOpen},
    {&TFormTarvik::PanelAnalyzerLeftDown, &TFormTarvik::ImageLeftDown, "PanelAnalyzerLeftDown", "ImageLeftDown", 56, 67, TGlyph::LeftDown},
    {&TFormTarvik::PanelAnalyzerDown, &TFormTarvik::ImageDown, "PanelAnalyzerDown", "ImageDown", 80, 67, TGlyph::Down},
    {&TFormTarvik::PanelAnalyzerRightDown, &TFormTarvik::ImageRightDown, "PanelAnalyzerRightDown", "ImageRightDown", 104, 67, TGlyph::RightDown},
};

} // namespace

void TFormTarvik::CreateControls()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    setFont(font);
    setAutoFillBackground(true);

    PanelMain = Place<TPanel>(this, "PanelMain", 0, 0, kClientWidth, kPanelMainHeight);
    PanelMain->SetBevelOuter(bvNone);

    PageControlTop = Place<TPageControl>(PanelMain, "PageControlTop", 0, 0, kClientWidth, kPanelMainHeight - kBottomPagesHeight);
    TabSheetPTZDriver = AddPage(PageControlTop, "TabSheetPTZDriver", "Controller");
    SetTag(TabSheetPTZDriver, kDriverPageHeight);
    TabSheetPelcoAnalyzer = AddPage(PageControlTop, "TabSheetPelcoAnalyzer", "Analyzer");
    SetTag(TabSheetPelcoAnalyzer, kAnalyzerPageHeight);
    TabSheetAbout = AddPage(PageControlTop, "TabSheetAbout", "About");
    SetTag(TabSheetAbout, kAboutPageHeight);

    PageControlBottom = Place<TPageControl>(PanelMain, "PageControlBottom", 0, kPanelMainHeight - kBottomPagesHeight,
                                            kClientWidth, kBottomPagesHeight);
    TabSheetMessages = AddPage(PageControlBottom, "TabSheetMessages", "Messages");
    TabSheetSettings = AddPage(PageControlBottom, "TabSheetSettings", "Port settings");
    TabSheetMacros = AddPage(PageControlBottom, "TabSheetMacros", "Macros");
    TabSheetServer = AddPage(PageControlBottom, "TabSheetServer", "HTTP server");

    CreateDriverTab();
    CreateAnalyzerTab();
    CreateAboutTab();
    CreateMessagesTab();
    CreatePortSettingsTab();
    CreateMacrosTab();
    CreateServerTab();
    CreateTimers();

    PageControlTop->SetActivePage(TabSheetPTZDriver);
    PageControlBottom->SetActivePage(TabSheetSettings);
}

void TFormTarvik::CreateDriverTab()
{
    GroupBoxMainDriver = Place<QGroupBox>(TabSheetPTZDriver, "GroupBoxMainDriver", 2, 2, 332, 286);
    GroupBoxMainDriver->setTitle(QStringLiteral("Tarvik:"));
    QWidget* box = GroupBoxMainDriver;

    for (const TSpeedButtonPlace& place : kSpeedButtons) {
        auto* button = Place<TSpeedButton>(box, place.Name, place.Left, place.Top, kSpeedButtonSize, kSpeedButtonSize);
        button->setIcon(QIcon(DrawGlyph(place.Glyph)));
        button->setIconSize(QSize(kGlyphSize, kGlyphSize));
        SetTag(button, place.Code);
        if (place.Hint != nullptr)
            button->setToolTip(QString::fromLatin1(place.Hint));
        this->*place.Member = button;
    }

    LabelPresets = PlaceLabel(box, "LabelPresets", 8, 92, "Presets:");
    for (int n = 1; n <= 15; ++n) {
        const QByteArray name = "ButtonPreset" + QByteArray::number(n);
        auto* button = PlaceButton(box, name.constData(), 8 + 24 * ((n - 1) % 5), 107 + 24 * ((n - 1) / 5), 23, 23,
                                   QString::number(n));
        SetTag(button, n);
    }
    EditCustomPresetN = PlaceEdit(box, "EditCustomPresetN", 8, 179, 35, 3, "16");
    ButtonCustomPresetN = PlaceButton(box, "ButtonCustomPresetN", 44, 179, 35, 22, QStringLiteral("16"));
    SetTag(ButtonCustomPresetN, 16);

    RadioButtonGotoPreset = Place<QRadioButton>(box, "RadioButtonGotoPreset", 8, 205, 60, kCheckBoxHeight);
    RadioButtonGotoPreset->setText(QStringLiteral("Goto"));
    RadioButtonGotoPreset->setChecked(true);
    RadioButtonSetPreset = Place<QRadioButton>(box, "RadioButtonSetPreset", 8, 221, 60, kCheckBoxHeight);
    RadioButtonSetPreset->setText(QStringLiteral("Set"));
    RadioButtonClearPreset = Place<QRadioButton>(box, "RadioButtonClearPreset", 8, 237, 60, kCheckBoxHeight);
    RadioButtonClearPreset->setText(QStringLiteral("Clear"));

    LabelID = PlaceLabel(box, "LabelID", 67, 210, "ID:");
    EditID = PlaceEdit(box, "EditID", 102, 206, 25, 3, "1");
    EditID->setToolTip(QStringLiteral("Camera ID"));
    LabelSpeed = PlaceLabel(box, "LabelSpeed", 67, 234, "Speed:");
    EditSpeed = PlaceEdit(box, "EditSpeed", 102, 230, 25, 3, "255");
    EditSpeed->setToolTip(QStringLiteral("Move speed"));

    for (int n = 1; n <= 10; ++n) {
        const QByteArray name = "ButtonChangeID" + QByteArray::number(n);
        auto* button = PlaceButton(box, name.constData(), 136 + 19 * (n - 1), 0, 19, 17, QString::number(n));
        button->setToolTip(QStringLiteral("Change ID"));
    }

    auto* menu = PlaceButton(box, "ButtonCustomCommand0", 80, 179, 47, 22, QStringLiteral("Menu"));
    SetBold(menu);
    menu->setToolTip(QStringLiteral("Click right mouse button to change function"));
    for (int n = 1; n < kCustomCommandCount; ++n) {
        const QByteArray name = "ButtonCustomCommand" + QByteArray::number(n);
        auto* button = PlaceButton(box, name.constData(), 136 + 48 * ((n - 1) % 4), 210 + 18 * ((n - 1) / 4), 47, 17,
                                   QStringLiteral("User%1").arg(n));
        button->setToolTip(QStringLiteral("Click right mouse button to change function"));
    }

    BuildPane(box, "PanelJoyPane", "PaintBoxJoyPane", "PanelJoyButton", PanelJoyPane, PaintBoxJoyPane, PanelJoyButton);
    PanelJoyButton->setCursor(Qt::PointingHandCursor);

    CheckBoxConnect = PlaceCheckBox(box, "CheckBoxConnect", 8, 262, 121, "Connect");
    SetBold(CheckBoxConnect);
    CheckBoxConnect->setToolTip(QStringLiteral("Port connect"));
}

void TFormTarvik::CreateAnalyzerTab()
{
    GroupBoxMainAnalyzer = Place<QGroupBox>(TabSheetPelcoAnalyzer, "GroupBoxMainAnalyzer", 2, 2, 332, 286);
    GroupBoxMainAnalyzer->setTitle(QStringLiteral("Pelco Analyzer:"));
    QWidget* box = GroupBoxMainAnalyzer;

    BuildPane(box, "PanelAnalyzerPane", "PaintBoxAnalyzerPane", "PanelAnalyzerButton", PanelAnalyzerPane,
              PaintBoxAnalyzerPane, PanelAnalyzerButton);
    SetBold(PanelAnalyzerButton);

    for (int n = 1; n <= 10; ++n) {
        const QByteArray name = "PanelAnalyzerID" + QByteArray::number(n);
        auto* panel = Place<TPanel>(box, name.constData(), 136 + 19 * (n - 1), 0, 19, 17);
        panel->SetCaption(QString::number(n));
    }

    for (const TIndicatorPlace& place : kIndicators) {
        auto* panel = Place<TPanel>(box, place.PanelName, place.Left, place.Top, kSpeedButtonSize, kSpeedButtonSize);
        auto* image = Place<QLabel>(panel, place.ImageName, 1, 1, kGlyphSize, kGlyphSize);
        image->setPixmap(DrawGlyph(place.Glyph));
        image->setAttribute(Qt::WA_TranslucentBackground);
        this->*place.Panel = panel;
        this->*place.Image = image;
    }

    PanelAnalyzerPreset = Place<TPanel>(box, "PanelAnalyzerPreset", 8, 92, 119, 13);
    PanelAnalyzerPreset->SetBevelOuter(bvNone);
    LabelAnalyzerPreset = PlaceLabel(PanelAnalyzerPreset, "LabelAnalyzerPreset", 0, 0, "Presets:");
    LabelAnalyzerPresetNo = PlaceRightAlignedLabel(PanelAnalyzerPreset, "LabelAnalyzerPresetNo", 119 - 39, 0, 39, "-");

    PanelAnalyzerPresetGoto = Place<TPanel>(box, "PanelAnalyzerPresetGoto", 8, 107, 39, 23);
    PanelAnalyzerPresetGoto->SetCaption(QStringLiteral("Goto"));
    PanelAnalyzerPresetSet = Place<TPanel>(box, "PanelAnalyzerPresetSet", 48, 107, 39, 23);
    PanelAnalyzerPresetSet->SetCaption(QStringLiteral("Set"));
    PanelAnalyzerPresetClear = Place<TPanel>(box, "PanelAnalyzerPresetClear", 88, 107, 39, 23);
    PanelAnalyzerPresetClear->SetCaption(QStringLiteral("Clear"));

    PanelAnalyzerDeviceID = Place<TPanel>(box, "PanelAnalyzerDeviceID", 8, 138, 119, 13);
    PanelAnalyzerDeviceID->SetBevelOuter(bvNone);
    LabelAnalyzerID = PlaceLabel(PanelAnalyzerDeviceID, "LabelAnalyzerID", 0, 0, "ID:");
    LabelAnalyzerIDNo = PlaceRightAlignedLabel(PanelAnalyzerDeviceID, "LabelAnalyzerIDNo", 119 - 39, 0, 39, "-");

    PanelFramePelcoD = Place<TPanel>(box, "PanelFramePelcoD", 8, 159, 59, 23);
    PanelFramePelcoD->SetCaption(QStringLiteral("Pelco D"));
    PanelFramePelcoP = Place<TPanel>(box, "PanelFramePelcoP", 68, 159, 59, 23);
    PanelFramePelcoP->SetCaption(QStringLiteral("Pelco P"));
    PanelFrameNotRecognized = Place<TPanel>(box, "PanelFrameNotRecognized", 8, 186, 119, 23);
    PanelFrameNotRecognized->SetCaption(QStringLiteral("Other data frame"));
}

void TFormTarvik::CreateAboutTab()
{
    auto* pageLayout = new QVBoxLayout(TabSheetAbout);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    PanelAbout = new TPanel(TabSheetAbout);
    PanelAbout->setObjectName(QStringLiteral("PanelAbout"));
    PanelAbout->SetBevelOuter(bvNone);
    PanelAbout->SetColor(Qt::white);
    pageLayout->addWidget(PanelAbout);

    auto* column = new QVBoxLayout(PanelAbout);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    LabelAboutTitle = new QLabel(QString::asprintf("%s %.1f", kApplicationTitle, ProgramVersion), PanelAbout);
    LabelAboutTitle->setObjectName(QStringLiteral("LabelAboutTitle"));
    LabelAboutTitle->setFixedHeight(49);
    LabelAboutTitle->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    SetBold(LabelAboutTitle);
    column->addWidget(LabelAboutTitle);

    ImageAboutLogoMorwen = new QLabel(PanelAbout);
    ImageAboutLogoMorwen->setObjectName(QStringLiteral("ImageAboutLogoMorwen"));
    ImageAboutLogoMorwen->setPixmap(DrawMakerLogo(QSize(180, 100)));
    ImageAboutLogoMorwen->setAlignment(Qt::AlignCenter);
    ImageAboutLogoMorwen->setMinimumSize(0, 0);
    ImageAboutLogoMorwen->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    column->addWidget(ImageAboutLogoMorwen, 1);

    auto addLink = [&](TLabel*& label, const char* name, const QString& text, int height) {
        label = new TLabel(PanelAbout);
        label->setObjectName(QString::fromLatin1(name));
        label->setText(text);
        label->setFixedHeight(height);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        MakeLink(label);
        column->addWidget(label);
    };
    addLink(LabelProducentWebsite, "LabelProducentWebsite", QString::fromLatin1(kMakerWebSiteHost), 20);

    LabelCMorwenYear = new QLabel(QStringLiteral("\u00A9 %1 MORWEN").arg(ProgramYear), PanelAbout);
    LabelCMorwenYear->setObjectName(QStringLiteral("LabelCMorwenYear"));
    LabelCMorwenYear->setFixedHeight(30);
    LabelCMorwenYear->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    column->addWidget(LabelCMorwenYear);

    addLink(LabelCheckVersion, "LabelCheckVersion", QStringLiteral("Check version"), 30);
    addLink(LabelAboutWebsite, "LabelAboutWebsite", QStringLiteral("Description of functionality"), 30);
}

void TFormTarvik::CreateMessagesTab()
{
    auto* pageLayout = new QVBoxLayout(TabSheetMessages);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    Memo = new TMemo(TabSheetMessages);
    Memo->setObjectName(QStringLiteral("Memo"));
    pageLayout->addWidget(Memo);
}

void TFormTarvik::CreatePortSettingsTab()
{
    QWidget* page = TabSheetSettings;
    LabelProtocol = PlaceLabel(page, "LabelProtocol", 4, 8, "Protocol:");
    ComboBoxProtocol = Place<TComboBox>(page, "ComboBoxProtocol", 60, 4, 73, kEditHeight);
    ComboBoxProtocol->addItems({QStringLiteral("Pelco-D"), QStringLiteral("Pelco-P")});
    ComboBoxProtocol->setCurrentIndex(0);
    ComboBoxProtocol->setToolTip(QStringLiteral("Protocol select"));
    CheckBoxShowCmd = PlaceCheckBox(page, "CheckBoxShowCmd", 4, 36, 129, "Show commands");
    CheckBoxShowCmd->setToolTip(QStringLiteral("Show commands code"));
    CheckBoxDoubleStopCmd = PlaceCheckBox(page, "CheckBoxDoubleStopCmd", 4, 60, 129, "Double STOP");
    CheckBoxDoubleStopCmd->setToolTip(QStringLiteral("Sending STOP commands twice"));

    PageControlPortSettings = Place<TPageControl>(page, "PageControlPortSettings", 140, 0, 195, 87);
    TabSheetPortSettingsSerial = AddPage(PageControlPortSettings, "TabSheetPortSettingsSerial", "Serial port");
    TabSheetPortSettingsTCP = AddPage(PageControlPortSettings, "TabSheetPortSettingsTCP", "TCP/IP port");

    QWidget* serial = TabSheetPortSettingsSerial;
    LabelPort = PlaceRightAlignedLabel(serial, "LabelPort", 0, 9, 69, "Port:");
    ComboBoxPort = Place<TComboBox>(serial, "ComboBoxPort", 72, 5, 112, kEditHeight);
    ComboBoxPort->setEditable(true);
    ComboBoxPort->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxPort->setMaxVisibleItems(16);
    ComboBoxPort->setToolTip(QStringLiteral("Port"));
    LabelBaudrate = PlaceLabel(serial, "LabelBaudrate", 0, 38, "Baudrate:");
    ComboBoxSpeed = Place<TComboBox>(serial, "ComboBoxSpeed", 72, 33, 112, kEditHeight);
    for (const char* rate : {"1200", "2400", "4800", "7200", "9600", "14400", "19200", "28800", "38400", "56000", "57600",
                             "115200", "230400", "460800", "921600"})
        ComboBoxSpeed->addItem(QString::fromLatin1(rate));
    ComboBoxSpeed->setCurrentIndex(-1);
    ComboBoxSpeed->setMaxVisibleItems(16);
    ComboBoxSpeed->setToolTip(QStringLiteral("Baudrate"));

    QWidget* tcp = TabSheetPortSettingsTCP;
    LabelRemoteHost = PlaceLabel(tcp, "LabelRemoteHost", 0, 9, "Remote host:");
    EditRemoteHost = PlaceEdit(tcp, "EditRemoteHost", 72, 5, 112, 0, "");
    EditRemoteHost->setToolTip(QStringLiteral("Remote host address (domain or IP)"));
    LabelRemotePort = PlaceLabel(tcp, "LabelRemotePort", 0, 38, "Port:");
    EditRemotePort = PlaceEdit(tcp, "EditRemotePort", 72, 33, 112, 5, "80");
    EditRemotePort->setToolTip(QStringLiteral("Remote host TCP/IP port"));

    PageControlPortSettings->SetActivePage(TabSheetPortSettingsSerial);
}

void TFormTarvik::CreateMacrosTab()
{
    QWidget* page = TabSheetMacros;
    CheckBoxMacroPlay = PlaceCheckBox(page, "CheckBoxMacroPlay", 8, 8, 117, "Play macro");
    CheckBoxMacroPlay->setEnabled(false);
    CheckBoxMacroLoop = PlaceCheckBox(page, "CheckBoxMacroLoop", 128, 8, 61, "Loop");
    CheckBoxMacroRecord = PlaceCheckBox(page, "CheckBoxMacroRecord", 8, 28, 117, "Record macro");
    ButtonMacroLoad = PlaceButton(page, "ButtonMacroLoad", 192, 6, 65, 21, QStringLiteral("Load..."));
    ButtonMacroSave = PlaceButton(page, "ButtonMacroSave", 264, 6, 65, 21, QStringLiteral("Save..."));
    ButtonMacroSave->setEnabled(false);
    LabelMacroLengthLabel = PlaceLabel(page, "LabelMacroLengthLabel", 192, 32, "Macro length:");
    LabelMacroLength = PlaceRightAlignedLabel(page, "LabelMacroLength", 272, 32, 57, "-");
    LabelMacroLengthTimeLabel = PlaceLabel(page, "LabelMacroLengthTimeLabel", 192, 48, "Macro time:");
    LabelMacroLengthTime = PlaceRightAlignedLabel(page, "LabelMacroLengthTime", 272, 48, 57, "-");
    LabelMacroPosLabel = PlaceLabel(page, "LabelMacroPosLabel", 8, 52, "Progress:");
    LabelMacroPosLabel->setEnabled(false);
    ProgressBarMacroPos = Place<QProgressBar>(page, "ProgressBarMacroPos", 8, 68, 321, 13);
    ProgressBarMacroPos->setRange(0, 100);
    ProgressBarMacroPos->setValue(0);
    ProgressBarMacroPos->setTextVisible(false);
    ProgressBarMacroPos->setEnabled(false);
}

void TFormTarvik::CreateServerTab()
{
    QWidget* page = TabSheetServer;
    LabelLocalAddress = PlaceLabel(page, "LabelLocalAddress", 8, 4, "Local server address:");
    ComboBoxLocalAddress = Place<TComboBox>(page, "ComboBoxLocalAddress", 8, 20, 144, kEditHeight);
    ComboBoxLocalAddress->setMaxVisibleItems(32);
    LabelLocalPort = PlaceLabel(page, "LabelLocalPort", 160, 4, "Port:");
    EditLocalPort = PlaceEdit(page, "EditLocalPort", 160, 20, 49, 5, "80");
    CheckBoxServer = PlaceCheckBox(page, "CheckBoxServer", 8, 46, 125, "Active");
    CheckBoxAuthenticate = PlaceCheckBox(page, "CheckBoxAuthenticate", 8, 64, 125, "Web Authentication");
    CheckBoxAuthenticate->setChecked(true);
    LabelPanelWWW = Place<TLabel>(page, "LabelPanelWWW", 161, 46, 50, 34);
    LabelPanelWWW->setText(QStringLiteral("WWW Panel"));
    LabelPanelWWW->setAlignment(Qt::AlignCenter);
    LabelPanelWWW->setWordWrap(true);
    MakeLink(LabelPanelWWW);
    LabelPanelWWW->setEnabled(false);
    LabelAuthUser = PlaceLabel(page, "LabelAuthUser", 222, 4, "User:");
    EditAuthUser = PlaceEdit(page, "EditAuthUser", 222, 20, 107, 32, "admin");
    LabelAuthPass = PlaceLabel(page, "LabelAuthPass", 222, 44, "Password:");
    EditAuthPass = PlaceEdit(page, "EditAuthPass", 222, 60, 107, 32, "vexto");
    EditAuthPass->setEchoMode(QLineEdit::Password);
}

void TFormTarvik::CreateTimers()
{
    auto makeTimer = [this](const char* name, int intervalMs, Qt::TimerType type) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QString::fromLatin1(name));
        timer->setInterval(intervalMs);
        timer->setTimerType(type);
        return timer;
    };
    TimerLoadSettings = makeTimer("TimerLoadSettings", 1, Qt::PreciseTimer);
    TimerDataReader = makeTimer("TimerDataReader", 250, Qt::PreciseTimer);
    TimerCommandRepeater = makeTimer("TimerCommandRepeater", 250, Qt::PreciseTimer);
    TimerMemoCleaner = makeTimer("TimerMemoCleaner", 10000, Qt::CoarseTimer);
    TimerAnalyzerButtonsDisabler = makeTimer("TimerAnalyzerButtonsDisabler", 50, Qt::CoarseTimer);
    TimerMacroPlaying = makeTimer("TimerMacroPlaying", 1000, Qt::PreciseTimer);
    TimerMacroPlayingTime = makeTimer("TimerMacroPlayingTime", 200, Qt::CoarseTimer);
    TimerDisconnectWarningColorRemover = makeTimer("TimerDisconnectWarningColorRemover", 2000, Qt::CoarseTimer);

    TimerLoadSettings->start();
    TimerMemoCleaner->start();
}

void TFormTarvik::BindHandlers()
{
    connect(TimerLoadSettings, &QTimer::timeout, this, &TFormTarvik::TimerLoadSettingsTimer);
    connect(TimerCommandRepeater, &QTimer::timeout, this, &TFormTarvik::TimerCommandRepeaterTimer);
    connect(TimerMemoCleaner, &QTimer::timeout, this, &TFormTarvik::TimerMemoCleanerTimer);
    connect(TimerDisconnectWarningColorRemover, &QTimer::timeout, this,
            &TFormTarvik::TimerDisconnectWarningColorRemoverTimer);

    // The geometry follows every top page change, from the operator or from code.
    connect(PageControlTop, &QTabWidget::currentChanged, this, &TFormTarvik::FitToTopPage);
    connect(PageControlBottom, &TPageControl::Change, this, &TFormTarvik::PageControlBottomChange);

    connect(LabelProducentWebsite, &TLabel::Click, this, &TFormTarvik::LabelProducentWebsiteClick);
    connect(LabelCheckVersion, &TLabel::Click, this, &TFormTarvik::LabelCheckVersionClick);
    connect(LabelAboutWebsite, &TLabel::Click, this, &TFormTarvik::LabelAboutWebsiteClick);
}

void TFormTarvik::FitToTopPage()
{
    QWidget* page = PageControlTop->ActivePage();
    PageControlBottom->setHidden(page == TabSheetAbout);
    setFixedSize(kClientWidth, TagOf(page));
    AlignMainPanel();
}

void TFormTarvik::AlignMainPanel()
{
    const int clientHeight = height();
    const int bottomHeight = PageControlBottom->isHidden() ? 0 : kBottomPagesHeight;
    PanelMain->setGeometry(0, 0, kClientWidth, clientHeight);
    PageControlTop->setGeometry(0, 0, kClientWidth, clientHeight - bottomHeight);
    PageControlBottom->setGeometry(0, clientHeight - kBottomPagesHeight, kClientWidth, kBottomPagesHeight);
}

void TFormTarvik::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    AlignMainPanel();
}
