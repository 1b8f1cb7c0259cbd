// The open files watched for changes by other programs: an unchanged window offers to read
// its file again (listings and outputs read it on their own), and a changed window's Save
// warns before writing over the other program's version.
#pragma once

#include "common/fileidentity.h"
#include "common/windowkind.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <map>
#include <string>

namespace kolshell {

class TChildForm;
class TKOLSHELLFORM;

class TWatcher : public QObject {
    Q_OBJECT
  public:
    explicit TWatcher(TKOLSHELLFORM& main);

    // Takes the identity of every window's file: new windows, windows saved (changed before,
    // unchanged now) and windows saved under another name. After every command.
    void Refresh();
    // Before a changed window is saved over its file: false when the user keeps the other
    // program's version (No gives Save as, Cancel nothing).
    bool MaySave(TChildForm* child);
    // Looks at the watched files now (the watcher's signals, gathered).
    void CheckFiles();
    // The program itself wrote the files of these windows (a table run writes its table).
    void TakeAll(TWindowKind kind);

  private:
    struct TWatched {
        std::string File;
        TFileIdentity Identity;
        bool Modified = false;
    };
    void Reload(TChildForm* child, std::string file);
    void Take(TChildForm* child, TWatched& w);

    TKOLSHELLFORM& main_;
    QFileSystemWatcher watcher_;
    QTimer gather_; // one external save is one question
    std::map<TChildForm*, TWatched> windows_;
};

// The file a window shows: an editor's file, a form's deck, a plot's or table's own file, or
// the file in a viewer.
std::string ShownFile(TChildForm* c);

} // namespace kolshell
