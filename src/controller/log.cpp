// The message log: one line per message, kept to a bounded length.

#include <QScrollBar>
#include <QTextCursor>

#include "controller/log_rules.h"
#include "controller/tformtarvik.h"

void TFormTarvik::LogLine(const QString& line)
{
    Memo->Add(line);
}

void TFormTarvik::ShowMessagesPage()
{
    PageControlBottom->SetActivePage(TabSheetMessages);
}

void TFormTarvik::TimerMemoCleanerTimer()
{
    const int drop = MemoLinesToDrop(Memo->Count());
    if (drop > 0)
        Memo->SetLines(Memo->Lines().mid(drop));
    // Brings the newest line back into view, even after the operator
    // scrolled up to read older ones.
    QScrollBar* scroll = Memo->verticalScrollBar();
    scroll->setValue(scroll->value() + Memo->Count());
}

void TFormTarvik::PageControlBottomChange()
{
    if (PageControlBottom->ActivePage() != TabSheetMessages)
        return;
    QTextCursor cursor = Memo->textCursor();
    cursor.movePosition(QTextCursor::End);
    Memo->setTextCursor(cursor);
    Memo->ensureCursorVisible();
}
