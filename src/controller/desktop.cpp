#include "controller/desktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

void TQtDesktop::OpenUrl(const QString& url)
{
    QDesktopServices::openUrl(QUrl(url, QUrl::StrictMode));
}

void TQtDesktop::ShowError(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, QApplication::applicationName(), text);
}
