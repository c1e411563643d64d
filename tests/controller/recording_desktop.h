#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>

#include "controller/desktop.h"

// Records what the window hands to the desktop, and whether the busy
// cursor was showing at that moment.
class TRecordingDesktop : public TDesktop {
public:
    void OpenUrl(const QString& url) override
    {
        Urls.append(url);
        const QCursor* cursor = QApplication::overrideCursor();
        BusyCursorWhenOpened.append(cursor != nullptr && cursor->shape() == Qt::WaitCursor);
    }

    void ShowError(QWidget*, const QString& text) override { Errors.append(text); }

    // Questions are answered from YesNoAnswers in order; none left is No.
    bool AskYesNo(QWidget*, const QString& caption, const QString& text) override
    {
        Questions.append(caption + QLatin1Char('|') + text);
        return !YesNoAnswers.isEmpty() && YesNoAnswers.takeFirst();
    }

    // The file dialogs answer from FileAnswers in order; an empty answer, or
    // none left, is the operator cancelling.
    QString GetOpenFileName(QWidget*, const TFileDialogOptions& options) override
    {
        OpenDialogs.append(options);
        return NextFileAnswer();
    }
    QString GetSaveFileName(QWidget*, const TFileDialogOptions& options) override
    {
        SaveDialogs.append(options);
        return NextFileAnswer();
    }

    QStringList Urls;
    QList<bool> BusyCursorWhenOpened;
    QStringList Errors;
    QStringList Questions; // "caption|text"
    QList<bool> YesNoAnswers;
    QStringList FileAnswers;
    QList<TFileDialogOptions> OpenDialogs;
    QList<TFileDialogOptions> SaveDialogs;

private:
    QString NextFileAnswer() { return FileAnswers.isEmpty() ? QString() : FileAnswers.takeFirst(); }
};
