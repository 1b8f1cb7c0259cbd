// The MDI frame of the whole program: the child windows, the menus assembled from the command
// table, and the Windows-menu entries that lead to the current deck's companions. What each
// command does belongs to the controller of its subsystem.
#pragma once

#include "app/closing.h"
#include "app/documents.h"
#include "app/editing.h"
#include "app/help.h"
#include "app/menustate.h"
#include "app/plots.h"
#include "app/recovery.h"
#include "app/running.h"
#include "app/tables.h"
#include "app/watching.h"
#include "common/windowkind.h"
#include "run/widgets/compiling.h"
#include "shell/widgets/aboutbox.h"
#include "shell/widgets/setupdlg.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>

class QDialog;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace kolshell {

class TChildForm;

class TKOLSHELLFORM : public QMainWindow {
    Q_OBJECT
  public:
    explicit TKOLSHELLFORM(QWidget* parent = nullptr);
    ~TKOLSHELLFORM() override;

    // False when start-up must end the program (no defaults file).
    bool StartedOk() const { return startedOk_; }
    // The singleton dialogs, created after the main window as the start-up sequence does.
    void CreateDialogs();
    TSetupDlg* SetupDlg() const { return setupDlg_; }
    TAboutBox* AboutBox() const { return aboutBox_; }
    TCompiling* Compiling() const { return compiling_; }

    // The controllers of the subsystems, each owning its commands.
    TDocumentController& Documents() const { return *documents_; }
    TEditController& Editing() const { return *editing_; }
    TRunningController& Runs() const { return *runs_; }
    TTableController& Tables() const { return *tables_; }
    TPlotController& Plots() const { return *plots_; }
    THelpController& Help() const { return *help_; }
    TRecovery& Recovery() const { return *recovery_; }
    TWatcher& Watching() const { return *watcher_; }

    QMdiArea* MdiArea() const { return mdiArea_; }
    QAction* Action(const QString& componentName) const;
    QMenu* Menu(const QString& componentName) const;

    void AddChild(TChildForm* child);
    // Closes a child after its save question, unless it was asked earlier in this command;
    // false when the user keeps it.
    bool DisposeChild(TChildForm* child);
    // Asks the save question of every window that is to go (of the kinds given), before any
    // of them goes; false when one is cancelled, and the command stops.
    bool QueryDisposeChildren(const QList<TChildForm*>& going);
    bool QueryDisposeKinds(const std::vector<TWindowKind>& kinds);
    // A command is over: the windows asked in it are asked again by the next one.
    void CommandEnded() { closeGuard_.CommandEnded(); }
    // Children in child order (creation order).
    QList<TChildForm*> Children() const;
    TChildForm* FirstChildOfKind(TWindowKind kind) const;
    // The current child when any child is open.
    TChildForm* ActiveChild() const;
    void BringForward(TChildForm* child);

    void UpdateMenu();
    // Closes every child of the kind, each asked first unless it was already, resetting its
    // Windows-menu entry; false when one was kept.
    bool DisposeKOLVANWindows(TWindowKind kind);
    // The Windows-menu entries of the input's companions: named and enabled, or reset.
    void SetCompanionItem(const char* name, const std::string& caption);
    void ResetCompanionItem(const char* name, const char* caption);

    // Shown modally by the commands' dialogs; tests answer them instead.
    std::function<void(QDialog&)> ExecDialog = [](QDialog& d) { d.exec(); };

    // The frame's own commands: the window arrangement, Setup and Exit, and the companions.
    void Setup1Click();
    void Exit1Click();
    void Tile1Click();
    void Cascade1Click();
    void Input1Click();
    void Listing1Click();
    void Table1Click();
    void Diagram1Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void FormCreate();
    void BuildMenus();
    void MakeKolsedOnlyMenus();
    void ChildActivated(QMdiSubWindow* window);
    void ApplyMenuState();
    // At Exit, after the children: every other window the program opened.
    void CloseOtherWindows();
    void ShowCompanion(TWindowKind kind, const std::function<void(const std::string&)>& open);
    void FillWindowList();

    QMdiArea* mdiArea_;
    std::map<QString, QAction*> actions_;
    std::map<QString, QMenu*> menus_;
    QList<QAction*> windowListActions_;
    MenuState menuState_; // all enabled at first
    bool startedOk_ = true;
    QPointer<TSetupDlg> setupDlg_;
    QPointer<TAboutBox> aboutBox_;
    QPointer<TCompiling> compiling_;
    TDocumentController* documents_;
    TEditController* editing_;
    TRunningController* runs_;
    TTableController* tables_;
    TPlotController* plots_;
    THelpController* help_;
    TRecovery* recovery_;
    TWatcher* watcher_;
    TCloseGuard closeGuard_;
};

} // namespace kolshell
