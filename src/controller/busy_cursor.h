#pragma once

#include <QApplication>

// The hourglass for the life of one handler, whatever way it ends. Nested
// handlers (a failed connect disconnects from inside itself) stack up and
// unwind.
class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};
