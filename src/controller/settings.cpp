// The settings file: every setting of the window restored before the first
// showing and saved once when the window goes.

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include <unistd.h>

#include "common/ini_file.h"
#include "controller/tformtarvik.h"

namespace {

constexpr std::string_view kSection = "Settings";

std::optional<TSettingsPlace>& DefaultPlaceOverride()
{
    static std::optional<TSettingsPlace> place;
    return place;
}

// Texts are kept as UTF-8, as the editor keeps the captions. A file written
// by hand in an 8-bit code page is not valid UTF-8; it is read as Latin-1
// rather than turned into replacement characters.
QString FromFileText(const std::string& text)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString decoded = utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (utf8.hasError())
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    return decoded;
}

std::string ToFileText(const QString& text)
{
    return text.toStdString();
}

std::string Key(const char* name, int index)
{
    return std::string(name) + std::to_string(index);
}

QString ReadText(const TIniFile& ini, std::string_view key, const QString& fallback)
{
    if (!ini.ValueExists(kSection, key))
        return fallback;
    return FromFileText(ini.ReadString(kSection, key, ""));
}

// A value that names no item leaves the list without a selection.
void SelectItem(QComboBox* box, const QString& text)
{
    box->setCurrentIndex(box->findText(text));
}

// A page index outside the pages selects the first page.
int PageIndexOrFirst(const QTabWidget* pages, int32_t index)
{
    return index < 0 || index >= pages->count() ? 0 : index;
}

bool AnyScreenShows(const QRect& rect)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(),
                       [&](const QScreen* screen) { return screen->geometry().intersects(rect); });
}

} // namespace

TSettingsPlace TFormTarvik::DefaultSettingsPlace()
{
    const std::optional<TSettingsPlace>& place = DefaultPlaceOverride();
    return place ? *place : CurrentSettingsPlace();
}

void TFormTarvik::SetDefaultSettingsPlace(const TSettingsPlace& place)
{
    DefaultPlaceOverride() = place;
}

void TFormTarvik::LoadSettings()
{
    const TSettingsPlace place = SettingsPlace.value_or(DefaultSettingsPlace());
    // A missing or unreadable file reads as empty: every key takes its default.
    const TIniFile ini(SettingsFileToLoad(place));

    const QScreen* shownOn = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = shownOn != nullptr ? shownOn->geometry() : QRect();
    const QSize outer = frameGeometry().size();
    const int centredLeft = (screenRect.width() - outer.width()) / 2;
    const int centredTop = (screenRect.height() - outer.height()) / 2;
    int left = ini.ReadInteger(kSection, "Left", centredLeft);
    int top = ini.ReadInteger(kSection, "Top", centredTop);
    // A place that no screen shows any more (a monitor unplugged since the
    // last run) would leave the window out of reach.
    if (!AnyScreenShows(QRect(QPoint(left, top), outer))) {
        left = centredLeft;
        top = centredTop;
    }
    move(left, top);

    ComboBoxPort->setEditText(ReadText(ini, "Port", QStringLiteral("COM1")));
    SelectItem(ComboBoxSpeed, ReadText(ini, "PortSpeed", QStringLiteral("2400")));
    EditRemoteHost->setText(ReadText(ini, "RemoteHost", QString()));
    EditRemotePort->setText(ReadText(ini, "RemotePort", QStringLiteral("8000")));
    EditCustomPresetN->setText(ReadText(ini, "CustomPresetN", QStringLiteral("16")));
    EditID->setText(ReadText(ini, "ID", QStringLiteral("1")));
    EditSpeed->setText(ReadText(ini, "PTZSpeed", QStringLiteral("30")));

    CheckBoxShowCmd->setChecked(ini.ReadBool(kSection, "ShowCmd", false));
    CheckBoxDoubleStopCmd->setChecked(ini.ReadBool(kSection, "DoubleStop", true));
    const int32_t protocol = ini.ReadInteger(kSection, "Protocol", 0);
    ComboBoxProtocol->setCurrentIndex(protocol >= 0 && protocol < ComboBoxProtocol->count() ? protocol : -1);

    PageControlTop->SetActivePageIndex(
        PageIndexOrFirst(PageControlTop, ini.ReadInteger(kSection, "PageControlTopPageIndex", 0)));
    PageControlTopChange();
    ShowMessagesPage();

    EditLocalPort->setText(ReadText(ini, "ServerHTTPLocalPort", QStringLiteral("80")));
    CheckBoxAuthenticate->setChecked(ini.ReadBool(kSection, "Authenticate", false));
    EditAuthUser->setText(ReadText(ini, "AuthenticateUser", EditAuthUser->text()));
    EditAuthPass->setText(ReadText(ini, "AuthenticatePass", EditAuthPass->text()));

    // Without a network the server cannot run, and its stored state is not honoured.
    if (CheckBoxServer->isEnabled()) {
        SelectItem(ComboBoxLocalAddress, ReadText(ini, "ServerHTTPLocalAddress", QStringLiteral("0.0.0.0")));
        CheckBoxServer->setChecked(ini.ReadBool(kSection, "ServerHTTP", false));
    }

    // A file from before raw commands existed names only captions and presets;
    // its "CustomCommand" keys, if any, are not looked at.
    const bool olderForm = ini.ValueExists(kSection, "CustomPresetCaption0");
    for (int i = 0; i < kCustomCommandCount; ++i) {
        TCustomCommand& command = CustomCommands[i];
        const QString defaultCaption = DefaultCommandCaptions[i];
        const int32_t defaultPreset = DefaultPresetNumbers[i];
        QString caption;
        if (olderForm) {
            command.CommandType = ccPresetGoto;
            caption = ReadText(ini, Key("CustomPresetCaption", i), defaultCaption);
            command.PresetNumber =
                static_cast<uint8_t>(ini.ReadInteger(kSection, Key("CustomPresetNumber", i), defaultPreset) & 0xFF);
        } else {
            command.CommandType =
                static_cast<int8_t>(static_cast<uint8_t>(ini.ReadInteger(kSection, Key("CustomCommandType", i), 1) & 0xFF));
            caption = ReadText(ini, Key("CustomCommandCaption", i), defaultCaption);
            command.PresetNumber =
                static_cast<uint8_t>(ini.ReadInteger(kSection, Key("CustomCommandPresetID", i), defaultPreset) & 0xFF);
            const std::vector<uint8_t> bytes = ini.ReadBytes(kSection, Key("CustomCommandBytes", i));
            const size_t count = std::min<size_t>(bytes.size(), kCustomCommandMaxBytes);
            command.Bytes.fill(0);
            std::copy_n(bytes.begin(), count, command.Bytes.begin());
            command.ByteCount = static_cast<uint8_t>(count);
        }
        command.Caption = ToFileText(caption);
        CustomCommandButtons[i]->setText(caption);
    }

    // Ticking the connect box connects through its handler, so the connect
    // messages are in the log before the window is first shown.
    RestoreConnection(ini.ReadInteger(kSection, "SocketMode", 0), ini.ReadBool(kSection, "Connected", false));

    MacroFileName = ReadText(ini, "MacroFile", QFile::decodeName(DefaultMacroFile(place).c_str()));
    CheckBoxMacroLoop->setChecked(ini.ReadBool(kSection, "MacroLoop", false));

    SettingsLoaded = true;
}

void TFormTarvik::SaveSettings()
{
    // A window that goes before its settings were loaded holds only the
    // form's own values; saving those would wipe what the operator kept.
    if (!SettingsLoaded)
        return;

    const std::string fileName = SettingsFileToSave(SettingsPlace.value_or(DefaultSettingsPlace()));
    if (fileName.empty())
        return;
    // A settings file made read-only is meant to stay as it is; the rename
    // that replaces it would not ask.
    if (::access(fileName.c_str(), F_OK) == 0 && ::access(fileName.c_str(), W_OK) != 0)
        return;

    TIniFile ini(fileName);
    // Replacing a file that could not be read would lose whatever it holds.
    if (ini.ReadFailed()) {
        std::fprintf(stderr, "tarvik: %s could not be read; it is left as it is and the settings are not saved.\n",
                     fileName.c_str());
        return;
    }
    ini.EraseSection(kSection);
    auto writeText = [&ini](std::string_view key, const QString& text) { ini.WriteString(kSection, key, ToFileText(text)); };

    ini.WriteInteger(kSection, "Left", x());
    ini.WriteInteger(kSection, "Top", y());
    writeText("Port", ComboBoxPort->currentText());
    writeText("PortSpeed", ComboBoxSpeed->currentText());
    writeText("RemoteHost", EditRemoteHost->text());
    writeText("RemotePort", EditRemotePort->text());
    writeText("CustomPresetN", EditCustomPresetN->text());
    writeText("ID", EditID->text());
    writeText("PTZSpeed", EditSpeed->text());
    ini.WriteBool(kSection, "ShowCmd", CheckBoxShowCmd->isChecked());
    ini.WriteBool(kSection, "DoubleStop", CheckBoxDoubleStopCmd->isChecked());
    ini.WriteInteger(kSection, "Protocol", ComboBoxProtocol->currentIndex());
    ini.WriteInteger(kSection, "PageControlTopPageIndex", PageControlTop->currentIndex());
    writeText("ServerHTTPLocalPort", EditLocalPort->text());
    ini.WriteBool(kSection, "Authenticate", CheckBoxAuthenticate->isChecked());
    writeText("AuthenticateUser", EditAuthUser->text());
    writeText("AuthenticatePass", EditAuthPass->text());
    writeText("ServerHTTPLocalAddress", ComboBoxLocalAddress->currentText());
    ini.WriteBool(kSection, "ServerHTTP", CheckBoxServer->isChecked());

    for (int i = 0; i < kCustomCommandCount; ++i) {
        const TCustomCommand& command = CustomCommands[i];
        ini.WriteInteger(kSection, Key("CustomCommandType", i), command.CommandType);
        ini.WriteString(kSection, Key("CustomCommandCaption", i), command.Caption);
        ini.WriteInteger(kSection, Key("CustomCommandPresetID", i), command.PresetNumber);
        ini.WriteBytes(kSection, Key("CustomCommandBytes", i), command.Bytes.data(),
                       std::min<size_t>(command.ByteCount, kCustomCommandMaxBytes));
    }

    ini.WriteInteger(kSection, "SocketMode", PageControlPortSettings->currentIndex());
    ini.WriteBool(kSection, "Connected", CheckBoxConnect->isChecked());
    writeText("MacroFile", MacroFileName);
    ini.WriteBool(kSection, "MacroLoop", CheckBoxMacroLoop->isChecked());

    // The window is going; there is no log left to tell. The old file is
    // still whole (the save replaces it only once the new one is complete).
    if (!ini.UpdateFile())
        std::fprintf(stderr, "tarvik: the settings could not be saved to %s: %s\n", fileName.c_str(),
                     std::strerror(errno));
}
