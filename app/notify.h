// A desktop notification: through the freedesktop notification service where one runs on the
// session bus, else through the system tray where there is one, else not at all.
#pragma once

#include <QString>

class QWidget;

namespace kolshell {

void NotifyDesktop(QWidget* window, const QString& title, const QString& text);

} // namespace kolshell
