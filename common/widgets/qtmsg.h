// Shows ShowMsg's messages as message boxes and sounds the beep of the desktop.
#pragma once

#include "common/messages.h"

class QMessageBox;

namespace kolshell {

void InstallMessageBoxes();
// The box for one message kind (icon, buttons, caption), not yet shown.
QMessageBox* MakeMessageBox(const char* text, MsgKind kind);

} // namespace kolshell
