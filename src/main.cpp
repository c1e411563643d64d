// The station's entry point: the window stays hidden until its settings are
// loaded; the end of a session or a termination signal closes it without
// questions and runs the ordinary tear-down.

#include <QSessionManager>

#include <memory>

#include "controller/application.h"
#include "controller/tformtarvik.h"
#include "controller/termination_signals.h"
#include "editor/tformeditcustomcommand.h"

int main(int argc, char* argv[])
{
    TTarvikApplication application(argc, argv);
    TTerminationSignals terminationSignals;

    try {
        // The window shows itself once its first timer tick has run.
        auto formTarvik = std::make_unique<TFormTarvik>();
        // The editor dialog comes second and serves every edit of the run;
        // the window owns it.
        formTarvik->FormEditCustomCommand = new TFormEditCustomCommand(formTarvik.get());
        QObject::connect(&terminationSignals, &TTerminationSignals::Received, formTarvik.get(),
                         &TFormTarvik::WMQueryEndSession);
        QObject::connect(&application, &QGuiApplication::commitDataRequest, formTarvik.get(),
                         [form = formTarvik.get()](QSessionManager&) { form->WMQueryEndSession(); });
        application.exec();
    } catch (...) {
        application.Desktop().ShowError(nullptr, ExceptionText(std::current_exception()));
    }
    return 0;
}
