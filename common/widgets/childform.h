// Base of every MDI child: carries its window kind, asks before closing, and says which edit
// commands it carries out.
#pragma once

#include "common/editcommands.h"
#include "common/windowkind.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>

class QIcon;

namespace kolshell {

class TPrintJob;

class TChildForm : public QMdiSubWindow {
    Q_OBJECT
  public:
    explicit TChildForm(TWindowKind kind, QWidget* parent = nullptr);

    TWindowKind WindowKind() const { return kind_; }
    void SetWindowKind(TWindowKind kind);

    // The file an editor holds, or the deck of a form; empty for other windows.
    virtual std::string FileName() const { return {}; }
    virtual bool IsModified() const { return false; }

    // The caption of a window that holds the user's data (editor, form, table, plot): its title
    // shows the modified mark after it while the window is modified.
    void SetCaption(const QString& caption);
    // The title without the place of the modified mark (the caption of every window).
    QString Title() const;
    // Shows or clears the modified mark as IsModified says.
    void ShowModified();

    // The edit commands the window carries out; none at all (a diagram) leaves the Edit menu
    // as the window before it set it.
    virtual std::optional<TEditCommands> EditCommands() const { return std::nullopt; }
    bool SupportsEdit(TEditCommand c) const;
    // Carries out an edit command the window supports; Search Again repeats the last Find
    // (findMode) or Replace (replaceMode).
    void DoEdit(TEditCommand c, bool findMode = true, bool replaceMode = false);

    virtual void EditCut() {}
    virtual void EditCopy() {}
    virtual void EditPaste() {}
    virtual void EditClear() {}
    virtual void EditFind() {}
    virtual void EditReplace() {}
    virtual void EditSearchAgain(bool findMode, bool replaceMode) {
        (void)findMode, (void)replaceMode;
    }
    // Documents of the windows that are not text editors: a KOLSED form's input check before
    // its deck is written, and writing the window's document (deck, plot, table or picture)
    // under a name. DocumentName is a plot's or table's own file name.
    virtual bool CheckActiveInput() { return true; }
    virtual bool SaveDocument(const std::string& name) {
        (void)name;
        return false;
    }
    virtual std::string DocumentName() const { return {}; }
    // A KOLSED form's commands to run before and after the engine (counted when longer than
    // four characters).
    virtual std::string BeforeRunCommand() const { return {}; }
    virtual std::string AfterRunCommand() const { return {}; }

    // Values shown in primary/secondary units switch from one system to the other.
    virtual void ConvertUnits(int fromSystem, int toSystem) { (void)fromSystem, (void)toSystem; }

    // Prints the window into a print job at its running position; false when the window has
    // nothing to print. A plot tells the height it needs first.
    virtual bool Print(TPrintJob& job) {
        (void)job;
        return false;
    }
    virtual int PrintHeight(TPrintJob& job) {
        (void)job;
        return 0;
    }

    // Recovery after a crash: the bytes the window's Save would write now, none when nothing is
    // unsaved; and a window read from such bytes taking back the name of its own file, marked
    // changed (nothing is written until the user saves).
    virtual std::optional<std::string> UnsavedBytes() { return std::nullopt; }
    virtual void RestoredAs(const std::string& name) { (void)name; }

    // Asked before the window closes; false keeps it open.
    virtual bool FormCloseQuery() { return true; }

    // Asked before the close question's Yes writes the window's own file, as Save asks: false
    // when the user keeps another program's version of it. Set by the main window.
    std::function<bool()> MayWriteOwnFile;

  signals:
    // What the menu enables may have changed.
    void MenuChanged();
    // A window without a file name, asked to save, wants the main window's Save as.
    void SaveAsRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool MayWrite() const { return !MayWriteOwnFile || MayWriteOwnFile(); }

  private:
    TWindowKind kind_;
};

// The child activated last. It becomes null when that window is freed.
extern QPointer<TChildForm> CurrentChild;

// The program's icon, which its child windows carry as well.
QIcon ProgramIcon();

} // namespace kolshell
