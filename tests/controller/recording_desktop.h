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

    QStringList Urls;
    QList<bool> BusyCursorWhenOpened;
    QStringList Errors;
};
