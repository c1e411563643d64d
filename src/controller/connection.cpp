// Connecting and disconnecting the port, and the warning when a connection
// fails or breaks.

#include <QColor>

#include "controller/tformtarvik.h"

void TFormTarvik::DisconnectWarning()
{
    TimerDisconnectWarningColorRemover->stop();
    // Unticking runs the connect box's handler, which disconnects.
    CheckBoxConnect->setChecked(false);
    CheckBoxConnect->SetColor(Qt::red);
    TimerDisconnectWarningColorRemover->start();
}

void TFormTarvik::TimerDisconnectWarningColorRemoverTimer()
{
    TimerDisconnectWarningColorRemover->stop();
    CheckBoxConnect->SetColor(ButtonFaceColor());
}
