// The one way windows that hold the user's work are closed: each is asked its save question
// before it goes, once per command, and a Cancel stops the command that asked.
#pragma once

#include <QList>
#include <QPointer>
#include <functional>

namespace kolshell {

class TChildForm;

class TCloseGuard {
  public:
    // Asks every window that is to go and has not been asked in this command; false, with no
    // window taken as agreed, when one answers Cancel.
    bool QueryClose(const QList<TChildForm*>& going);
    // A window about to go: asked now unless it agreed earlier in this command.
    bool MayClose(TChildForm* child);
    // The command is over: the next one asks again.
    void CommandEnded() { agreed_.clear(); }

  private:
    bool Agreed(TChildForm* child) const;
    QList<QPointer<TChildForm>> agreed_;
};

} // namespace kolshell
