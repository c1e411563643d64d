#include "editor/tformeditcustomcommand.h"

#include "common/str_to_int.h"
#include "controller/component_helpers.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStringList>
#include <QValidator>

#include <algorithm>
#include <span>

namespace {

constexpr int kClientWidth = 304;
constexpr int kClientHeight = 189;
constexpr int kFontPixels = 11;
constexpr int kLabelHeight = 13;
constexpr int kComboHeight = 21;
constexpr int kMaxCaptionLength = 25;
constexpr int kPresetCount = 256;
constexpr int kTypeListRows = 20;
constexpr int kPresetListRows = 16;

// Byte edits: 23 x 21 on a pitch of 24, starting at 8.
constexpr int kByteEditLeft = 8;
constexpr int kByteEditPitch = 24;
constexpr int kByteEditWidth = 23;
constexpr int kByteEditHeight = 21;
constexpr int kByteEditTop = 16;
constexpr int kByteLabelTop = 37;

const QString kZeroByte = QStringLiteral("00");

// One byte in hex: at most two digits, shown in upper case however they are typed
// or pasted. The key filter stops other typed characters; this also covers pasting.
class THexByteValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& /*position*/) const override
    {
        input = input.toUpper();
        if (input.size() > 2)
            return Invalid;
        for (const QChar c : input)
            if (!IsHexDigit(c))
                return Invalid;
        return Acceptable;
    }

    static bool IsHexDigit(QChar c)
    {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    }
};

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

QFrame* MakePanel(QWidget* parent, const char* name)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameShape(QFrame::NoFrame);
    panel->setGeometry(0, 56, kClientWidth, 81);
    return panel;
}

QStringList PresetNumberItems()
{
    QStringList items;
    items.reserve(kPresetCount);
    for (int i = 0; i < kPresetCount; ++i)
        items << QString::asprintf("   %3i - 0x%.2X", i, i);
    return items;
}

} // namespace

TFormEditCustomCommand::TFormEditCustomCommand(QWidget* owner) : QDialog(owner)
{
    // A tool window with a title only: no system menu, no minimise or maximise box.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(kClientWidth, kClientHeight);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kFontPixels);
    setFont(font);
    CreateControls();

    EnableDoubleBuffering(this);
    FindNumberedComponents(this, std::span<QLineEdit*>(ByteEdits), 1, true, QStringLiteral("Edit"));
    FindNumberedComponents(this, std::span<QLabel*>(ByteLabels), 1, true, QStringLiteral("Label"));

    ComboBoxStandardCommand->addItems(
        {QStringLiteral("User command"), QStringLiteral("Preset: goto"), QStringLiteral("Preset: set"),
         QStringLiteral("Preset: clear")});
    ComboBoxStandardCommand->setCurrentIndex(ccUser);
    ComboBoxPresetNumber->addItems(PresetNumberItems());

    setWindowTitle(QStringLiteral("Command editor"));
}

void TFormEditCustomCommand::CreateControls()
{
    // Created in tab order: the name first.
    LabelCustomCommandName = MakeLabel(this, "LabelCustomCommandName", QStringLiteral("Name:"), 8, 8);
    EditCustomCommandName = new QLineEdit(this);
    EditCustomCommandName->setObjectName(QStringLiteral("EditCustomCommandName"));
    EditCustomCommandName->setGeometry(8, 24, 137, 21);
    EditCustomCommandName->setMaxLength(kMaxCaptionLength);

    LabelUserCommand = MakeLabel(this, "LabelUserCommand", QStringLiteral("Predefined command:"), 160, 8);
    ComboBoxStandardCommand = new QComboBox(this);
    ComboBoxStandardCommand->setObjectName(QStringLiteral("ComboBoxStandardCommand"));
    ComboBoxStandardCommand->setGeometry(160, 24, 137, kComboHeight);
    ComboBoxStandardCommand->setMaxVisibleItems(kTypeListRows);
    // The operator's choice only; Execute sets the item and updates the panels itself.
    connect(ComboBoxStandardCommand, &QComboBox::activated, this,
            &TFormEditCustomCommand::ComboBoxStandardCommandChange);

    PanelUserCommand = MakePanel(this, "PanelUserCommand");
    LabelCommandLabel = MakeLabel(PanelUserCommand, "LabelCommandLabel", QStringLiteral("Command:"), 8, 0);
    for (int n = 1; n <= kByteEditCount; ++n) {
        const int left = kByteEditLeft + kByteEditPitch * (n - 1);
        auto* edit = new QLineEdit(kZeroByte, PanelUserCommand);
        edit->setObjectName(QStringLiteral("Edit%1").arg(n));
        edit->setGeometry(left, kByteEditTop, kByteEditWidth, kByteEditHeight);
        edit->setMaxLength(2);
        edit->setValidator(new THexByteValidator(edit));
        edit->installEventFilter(this);
    }
    for (int n = 1; n <= kByteEditCount; ++n) {
        const int left = kByteEditLeft + kByteEditPitch * (n - 1);
        auto* label = new QLabel(QString::number(n), PanelUserCommand);
        label->setObjectName(QStringLiteral("Label%1").arg(n));
        label->setGeometry(left, kByteLabelTop, kByteEditWidth, kLabelHeight);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    LabelCommandSizeLabel = new QLabel(QStringLiteral("Command size:"), PanelUserCommand);
    LabelCommandSizeLabel->setObjectName(QStringLiteral("LabelCommandSizeLabel"));
    LabelCommandSizeLabel->setGeometry(8, 58, 225, kLabelHeight);
    LabelCommandSizeLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    LabelCommandSizeValue = new QLabel(QStringLiteral("12"), PanelUserCommand);
    LabelCommandSizeValue->setObjectName(QStringLiteral("LabelCommandSizeValue"));
    LabelCommandSizeValue->setGeometry(240, 58, 16, kLabelHeight);
    LabelCommandSizeValue->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    ScrollBarCommandSize = new QScrollBar(Qt::Horizontal, PanelUserCommand);
    ScrollBarCommandSize->setObjectName(QStringLiteral("ScrollBarCommandSize"));
    ScrollBarCommandSize->setGeometry(261, 56, 34, 17);
    ScrollBarCommandSize->setRange(1, kByteEditCount);
    ScrollBarCommandSize->setSingleStep(1);
    ScrollBarCommandSize->setPageStep(1);
    ScrollBarCommandSize->setValue(kByteEditCount);
    ScrollBarCommandSize->setFocusPolicy(Qt::StrongFocus);
    // Qt's scroll bars invert the arrow keys; the left arrow must shrink the size like
    // the left button does.
    ScrollBarCommandSize->setInvertedControls(false);
    // Every change of the position, by the operator or by Execute.
    connect(ScrollBarCommandSize, &QScrollBar::valueChanged, this,
            &TFormEditCustomCommand::ScrollBarCommandSizeChange);

    PanelStandardCommand = MakePanel(this, "PanelStandardCommand");
    PanelStandardCommand->hide();
    LabelNumber = MakeLabel(PanelStandardCommand, "LabelNumber", QStringLiteral("Number:"), 160, 16);
    ComboBoxPresetNumber = new QComboBox(PanelStandardCommand);
    ComboBoxPresetNumber->setObjectName(QStringLiteral("ComboBoxPresetNumber"));
    ComboBoxPresetNumber->setGeometry(160, 32, 137, kComboHeight);
    ComboBoxPresetNumber->setMaxVisibleItems(kPresetListRows);
    // The stand-in for "Courier New", so the numbers line up in columns.
    QFont fixedPitch(QStringLiteral("Liberation Mono"));
    fixedPitch.setStyleHint(QFont::Monospace);
    fixedPitch.setFixedPitch(true);
    fixedPitch.setPixelSize(kFontPixels);
    ComboBoxPresetNumber->setFont(fixedPitch);

    ButtonOk = new QPushButton(QStringLiteral("OK"), this);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setGeometry(56, 152, 75, 25);
    ButtonOk->setDefault(true);
    connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setGeometry(169, 152, 75, 25);
    // Esc closes a QDialog with reject(), as this button does.
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TFormEditCustomCommand::Execute(TCustomCommand& command)
{
    // One edit at a time: a second call while the dialog is open would nest event loops.
    if (isVisible())
        return false;

    EditCustomCommandName->setText(QString::fromStdString(command.Caption));
    const int byteCount = std::min<int>(command.ByteCount, kByteEditCount);
    for (int i = 0; i < kByteEditCount; ++i)
        ByteEdits[i]->setText(i < byteCount ? QString::asprintf("%.2X", command.Bytes[i]) : kZeroByte);
    // Changing the position runs ScrollBarCommandSizeChange; an unchanged one left the
    // edits in the state it gives already.
    ScrollBarCommandSize->setValue(byteCount == 0 ? kByteEditCount : byteCount);
    // A type outside the list (written by hand into the settings file) chooses no item.
    ComboBoxStandardCommand->setCurrentIndex(command.CommandType);
    ComboBoxPresetNumber->setCurrentIndex(command.PresetNumber);
    UpdateCommandPanels();
    EditCustomCommandName->setFocus();
    EditCustomCommandName->selectAll();

    if (exec() != QDialog::Accepted)
        return false;

    // With no item chosen the operator picked no type: the one the command had stays.
    if (ComboBoxStandardCommand->currentIndex() >= 0)
        command.CommandType = static_cast<int8_t>(ComboBoxStandardCommand->currentIndex());
    command.Caption = EditCustomCommandName->text().toStdString();
    command.ByteCount = static_cast<uint8_t>(ScrollBarCommandSize->value());
    for (int i = 0; i < kByteEditCount; ++i) {
        const QByteArray digits = ByteEdits[i]->text().toLatin1();
        command.Bytes[i] = i < command.ByteCount
                               ? static_cast<uint8_t>(HexToInt(std::string_view(digits.constData(), digits.size()), 0) & 0xFF)
                               : 0;
    }
    command.PresetNumber = static_cast<uint8_t>(std::max(ComboBoxPresetNumber->currentIndex(), 0));
    return true;
}

void TFormEditCustomCommand::UpdateCommandPanels()
{
    const bool userCommand = ComboBoxStandardCommand->currentIndex() == ccUser;
    PanelUserCommand->setVisible(userCommand);
    PanelStandardCommand->setVisible(!userCommand);
}

void TFormEditCustomCommand::ComboBoxStandardCommandChange()
{
    UpdateCommandPanels();
}

void TFormEditCustomCommand::ScrollBarCommandSizeChange()
{
    const int size = ScrollBarCommandSize->value();
    LabelCommandSizeValue->setText(QString::number(size));
    for (int i = 0; i < kByteEditCount; ++i)
        SetByteEditEnabled(i, i < size, true);
    for (int i = size; i < kByteEditCount; ++i)
        ByteEdits[i]->setText(kZeroByte);
}

void TFormEditCustomCommand::SetByteEditEnabled(int index, bool enabled, bool clear)
{
    QLineEdit* edit = ByteEdits[index];
    edit->setEnabled(enabled);
    // The system window colour when enabled, the button face when not, in every state.
    QPalette palette = edit->palette();
    const QColor colour = QGuiApplication::palette().color(enabled ? QPalette::Base : QPalette::Button);
    palette.setColor(QPalette::Active, QPalette::Base, colour);
    palette.setColor(QPalette::Inactive, QPalette::Base, colour);
    palette.setColor(QPalette::Disabled, QPalette::Base, colour);
    edit->setPalette(palette);
    if (!enabled && clear)
        edit->setText(kZeroByte);
    ByteLabels[index]->setEnabled(enabled);
}

bool TFormEditCustomCommand::EditKeyPress(const QKeyEvent& event) const
{
    // Control characters (backspace, Tab, Enter, Esc) and shortcuts (copy, paste) are
    // keys, not characters typed: they keep their usual meaning. Pasted text meets
    // the validator instead.
    if (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return false;
    for (const QChar c : event.text()) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            continue;
        if (!THexByteValidator::IsHexDigit(c))
            return true;
    }
    return false;
}

bool TFormEditCustomCommand::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const bool isByteEdit = std::find(ByteEdits.begin(), ByteEdits.end(), watched) != ByteEdits.end();
        if (isByteEdit && EditKeyPress(*static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormEditCustomCommand::showEvent(QShowEvent* event)
{
    PlaceOverOwner();
    QDialog::showEvent(event);
}

void TFormEditCustomCommand::PlaceOverOwner()
{
    const QWidget* owner = parentWidget();
    QScreen* screen = owner != nullptr ? owner->screen() : this->screen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    const QRect area = owner != nullptr ? owner->frameGeometry() : available;
    const QSize frame = frameGeometry().size();
    QPoint topLeft(area.left() + (area.width() - frame.width()) / 2,
                   area.top() + (area.height() - frame.height()) / 2);
    // An owner near a screen edge must not push the dialog out of reach.
    if (available.isValid()) {
        topLeft.setX(std::clamp(topLeft.x(), available.left(), std::max(available.left(), available.right() + 1 - frame.width())));
        topLeft.setY(std::clamp(topLeft.y(), available.top(), std::max(available.top(), available.bottom() + 1 - frame.height())));
    }
    move(topLeft);
}
