#pragma once

#include <QApplication>
#include <QCursor>

// Shows the busy cursor while the program waits on the simulator or the compiler.
class CBusyCursor {
public:
    CBusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~CBusyCursor() { QApplication::restoreOverrideCursor(); }
    CBusyCursor(const CBusyCursor&) = delete;
    CBusyCursor& operator=(const CBusyCursor&) = delete;
};
