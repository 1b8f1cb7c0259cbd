// The hourglass for the length of one command.
#pragma once

#include <QApplication>

namespace kolshell {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace kolshell
