#include "common/widgets/validatereal.h"

#include "common/messages.h"
#include "common/widgets/qtext.h"

#include <QLineEdit>

namespace kolshell {

bool ValidateReal(QLineEdit* edit, int kind, Extended low, Extended high, Extended& value) {
    if (ValidateRealText(FromQ(edit->text()), kind, low, high, value)) return true;
    Beep();
    edit->setFocus();
    edit->selectAll();
    return false;
}

} // namespace kolshell
