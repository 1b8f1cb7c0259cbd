// The fonts that the Windows fonts of the original program stand for on this platform.
#pragma once

#include <QFont>

namespace kolshell {

// "Terminal" 10: the system's fixed-pitch font at 10 points.
QFont TerminalFont();

} // namespace kolshell
