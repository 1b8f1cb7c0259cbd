// Unsaved work kept through a crash, a kill or a shutdown: every 30 seconds, and when the
// program is ended by SIGTERM or SIGHUP, the unsaved state of each changed window is written
// to the user's recovery folder, one file per window, removed when the window is saved or
// closed without saving. The next start offers what a program no longer running left.
#pragma once

#include "common/messages.h"
#include "common/windowkind.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QLockFile;

namespace kolshell {

class TChildForm;
class TKOLSHELLFORM;

// What a recovery file holds: the window's own file (or, without one, its title), its kind
// and the bytes Save would write.
struct TRecoveredWindow {
    std::string File, Original, Title;
    TWindowKind Kind = TWindowKind::None;
    std::string Bytes;
};

class TRecovery : public QObject {
    Q_OBJECT
  public:
    TRecovery(TKOLSHELLFORM& main, const std::string& folder);
    ~TRecovery() override;

    // Writes the unsaved state of every changed window (the timer's function).
    void WriteAll();
    // A window that may hold user data: its file goes when it is closed.
    void Watch(TChildForm* child);
    // The files of windows saved since they were written go (after every command).
    void DropSaved();
    // The program ends with its windows open (killed, or its frame destroyed): files stay.
    void Abandon() { abandoned_ = true; }
    // What programs that are no longer running left, offered in one question: Restore opens
    // each as a changed window of its file, Discard removes them, Later keeps them.
    void OfferRestore();
    // Answers the offer: MsgAnswer::Yes restore, MsgAnswer::No discard, MsgAnswer::Cancel later.
    // Tests replace it.
    std::function<MsgAnswer(const std::string& text)> Ask;
    // SIGTERM and SIGHUP end the program as Exit does, without questions.
    void CatchEndSignals();
    // True once a signal ended the program: no event loop is to start after it.
    bool EndedBySignal() const { return abandoned_; }
    const std::string& Folder() const { return folder_; }

  private:
    void EndBySignal();
    void Remove(TChildForm* child);
    std::vector<TRecoveredWindow> LeftBehind() const;
    void CloseUnchangedWindowsOf(const std::string& original);
    void Restore(const TRecoveredWindow& window);

    TKOLSHELLFORM& main_;
    std::string folder_, id_;
    std::unique_ptr<QLockFile> lock_;
    QTimer timer_;
    std::map<TChildForm*, std::string> files_;
    int written_ = 0;
    bool abandoned_ = false;
};

} // namespace kolshell
