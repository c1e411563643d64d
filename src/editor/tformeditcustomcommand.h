#pragma once

#include "protocol/custom_command.h"

#include <QDialog>

#include <array>

class QComboBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

// The dialog in which the operator redefines one custom command button: its
// caption, its type, up to 12 raw bytes in hex with their count, or a preset
// number. One instance serves every edit; the controls keep their state
// between uses except what Execute sets.
class TFormEditCustomCommand : public QDialog {
    Q_OBJECT

public:
    static constexpr int kByteEditCount = kCustomCommandMaxBytes;

    explicit TFormEditCustomCommand(QWidget* owner = nullptr);

    // Shows the dialog modally over its owner with `command`; on OK writes every
    // field back, whatever the type chosen, and returns true. Anything else
    // leaves `command` untouched.
    [[nodiscard]] bool Execute(TCustomCommand& command);

    // Controls, named as their objectName.
    QLabel* LabelCustomCommandName = nullptr;
    QLineEdit* EditCustomCommandName = nullptr;
    QLabel* LabelUserCommand = nullptr;
    QComboBox* ComboBoxStandardCommand = nullptr;
    QFrame* PanelUserCommand = nullptr;
    QLabel* LabelCommandLabel = nullptr;
    QLabel* LabelCommandSizeLabel = nullptr;
    QLabel* LabelCommandSizeValue = nullptr;
    QScrollBar* ScrollBarCommandSize = nullptr;
    QFrame* PanelStandardCommand = nullptr;
    QLabel* LabelNumber = nullptr;
    QComboBox* ComboBoxPresetNumber = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonCancel = nullptr;

    // Edit1 to Edit12 and Label1 to Label12, tags 0 to 11.
    std::array<QLineEdit*, kByteEditCount> ByteEdits{};
    std::array<QLabel*, kByteEditCount> ByteLabels{};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void ComboBoxStandardCommandChange();
    void ScrollBarCommandSizeChange();
    // True when the key's character is to be discarded.
    [[nodiscard]] bool EditKeyPress(const QKeyEvent& event) const;
    void UpdateCommandPanels();
    void SetByteEditEnabled(int index, bool enabled, bool clear);
    void PlaceOverOwner();
};
