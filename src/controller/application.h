#pragma once

#include <QApplication>

#include <memory>

#include "controller/desktop.h"

// The station's application object: the Fusion style and the form's font
// everywhere, and a last line of defence for exceptions that escape an event
// handler: they are reported in a message box and the program goes on.
class TTarvikApplication : public QApplication {
    Q_OBJECT
public:
    TTarvikApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Where escaped exceptions are reported; tests install a recording one.
    void SetDesktop(std::shared_ptr<TDesktop> desktop);
    [[nodiscard]] TDesktop& Desktop() const { return *DesktopServices; }

private:
    std::shared_ptr<TDesktop> DesktopServices;
};

// The text an exception is reported with: its message, or a plain note for
// one that carries none.
[[nodiscard]] QString ExceptionText(std::exception_ptr error);
