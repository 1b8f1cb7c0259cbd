#include "common/widgets/fonts.h"

#include <QFontDatabase>

namespace kolshell {

QFont TerminalFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    return font;
}

} // namespace kolshell
