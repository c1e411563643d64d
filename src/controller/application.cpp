#include "controller/application.h"

#include <QFont>
#include <QStyleFactory>

#include <exception>
#include <stdexcept>

#include "controller/program_info.h"

TTarvikApplication::TTarvikApplication(int& argc, char** argv)
    : QApplication(argc, argv), DesktopServices(std::make_shared<TQtDesktop>())
{
    setApplicationName(QString::fromLatin1(kApplicationTitle));
    setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    setFont(font);
}

void TTarvikApplication::SetDesktop(std::shared_ptr<TDesktop> desktop)
{
    DesktopServices = desktop ? std::move(desktop) : std::make_shared<TQtDesktop>();
}

bool TTarvikApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // The message box runs its own loop; a second exception from there
        // must not escape either.
        try {
            DesktopServices->ShowError(activeWindow(), ExceptionText(std::current_exception()));
        } catch (...) {
        }
        return false;
    }
}

QString ExceptionText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& known) {
        const QString text = QString::fromLocal8Bit(known.what());
        if (!text.isEmpty())
            return text;
    } catch (...) {
    }
    return QStringLiteral("An unexpected error occurred.");
}
