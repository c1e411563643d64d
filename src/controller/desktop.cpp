#include "controller/desktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
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

bool TQtDesktop::AskYesNo(QWidget* parent, const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

namespace {

QString RunFileDialog(QWidget* parent, const TDesktop::TFileDialogOptions& options, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(options.Filter);
    dialog.setDefaultSuffix(options.DefaultSuffix);
    dialog.setDirectory(options.InitialDirectory);
    if (!options.FileName.isEmpty())
        dialog.selectFile(options.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString TQtDesktop::GetOpenFileName(QWidget* parent, const TFileDialogOptions& options)
{
    return RunFileDialog(parent, options, QFileDialog::AcceptOpen);
}

QString TQtDesktop::GetSaveFileName(QWidget* parent, const TFileDialogOptions& options)
{
    // QFileDialog asks before replacing an existing file unless told not to.
    return RunFileDialog(parent, options, QFileDialog::AcceptSave);
}
