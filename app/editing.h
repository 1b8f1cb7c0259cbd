// The Edit menu: each command is carried out by the current window when that window has it.
#pragma once

#include "common/editcommands.h"

#include <QObject>

namespace kolshell {

class TKOLSHELLFORM;

class TEditController : public QObject {
    Q_OBJECT
  public:
    explicit TEditController(TKOLSHELLFORM& main);

    void Cut1Click() { Edit(TEditCommand::Cut); }
    void Copy1Click() { Edit(TEditCommand::Copy); }
    void Paste1Click() { Edit(TEditCommand::Paste); }
    void Clear1Click() { Edit(TEditCommand::Clear); }
    void Find1Click() { Edit(TEditCommand::Find); }
    void Replace1Click() { Edit(TEditCommand::Replace); }
    void SearchAgain1Click() { Edit(TEditCommand::SearchAgain); }

  private:
    void Edit(TEditCommand command);

    TKOLSHELLFORM& main_;
    // Search Again repeats the last Find or Replace.
    bool findMode_ = false;
    bool replaceMode_ = false;
};

} // namespace kolshell
