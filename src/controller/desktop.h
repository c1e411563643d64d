#pragma once

#include <QString>

class QWidget;

// The desktop services the window hands work to: the browser and the
// message boxes. Tests install a recording implementation.
class TDesktop {
public:
    virtual ~TDesktop() = default;

    // Hands the address to the default browser; the outcome is not reported.
    virtual void OpenUrl(const QString& url) = 0;
    // Reports an error that no handler dealt with; the program goes on.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    // A question with Yes and No, No the default, no icon; true for Yes.
    [[nodiscard]] virtual bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) = 0;

    struct TFileDialogOptions {
        QString Filter;        // Qt's form: "Name (*.ext);;All files (*)"
        QString DefaultSuffix; // added to a typed name without one, no dot
        QString InitialDirectory;
        QString FileName; // offered first
    };
    // The file dialogs; an empty result means the operator cancelled. The
    // save dialog asks before replacing an existing file.
    [[nodiscard]] virtual QString GetOpenFileName(QWidget* parent, const TFileDialogOptions& options) = 0;
    [[nodiscard]] virtual QString GetSaveFileName(QWidget* parent, const TFileDialogOptions& options) = 0;
};

// The real desktop: QDesktopServices, QMessageBox and QFileDialog.
class TQtDesktop : public TDesktop {
public:
    void OpenUrl(const QString& url) override;
    void ShowError(QWidget* parent, const QString& text) override;
    [[nodiscard]] bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) override;
    [[nodiscard]] QString GetOpenFileName(QWidget* parent, const TFileDialogOptions& options) override;
    [[nodiscard]] QString GetSaveFileName(QWidget* parent, const TFileDialogOptions& options) override;
};
