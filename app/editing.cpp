#include "app/editing.h"
#include "app/kolshellform.h"

#include "common/widgets/childform.h"

namespace kolshell {

TEditController::TEditController(TKOLSHELLFORM& main) : QObject(&main), main_(main) {}

void TEditController::Edit(TEditCommand command) {
    TChildForm* child = CurrentChild.data();
    if (child && child->SupportsEdit(command)) {
        child->DoEdit(command, findMode_, replaceMode_);
        if (command == TEditCommand::Find || command == TEditCommand::Replace) {
            findMode_ = command == TEditCommand::Find;
            replaceMode_ = command == TEditCommand::Replace;
        }
    }
    main_.UpdateMenu();
}

} // namespace kolshell
