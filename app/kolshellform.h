// The MDI frame of the whole program: menu bar, child windows, command enabling and the
// Windows-menu entries that lead to the current deck's companions.
#pragma once

#include "app/menustate.h"
#include "shell/recentfiles.h"

#include <QDesktopServices>
#include <QMainWindow>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QDialog;
class QTimer;
#include "run/widgets/compiling.h"
#include "shell/widgets/aboutbox.h"
#include "shell/widgets/setupdlg.h"
class TChildForm;
class TTableForm;
class TPlotForm;
class TPlotSetup;
class THelpWindow;

class TKOLSHELLFORM : public QMainWindow {
    Q_OBJECT
  public:
    explicit TKOLSHELLFORM(QWidget* parent = nullptr);
    ~TKOLSHELLFORM() override;

    // False when start-up must end the program (no defaults file).
    bool StartedOk() const { return startedOk_; }
    // The singleton dialogs, created after the main window as the start-up sequence does.
    void CreateDialogs();

    QMdiArea* MdiArea() const { return mdiArea_; }
    QAction* Action(const QString& componentName) const;
    QMenu* Menu(const QString& componentName) const;
    TSetupDlg* SetupDlg() const { return setupDlg_; }
    TAboutBox* AboutBox() const { return aboutBox_; }

    void AddChild(TChildForm* child);
    // Closes a child without asking.
    void DisposeChild(TChildForm* child);
    // Children in child order (creation order).
    QList<TChildForm*> Children() const;
    TChildForm* FirstChildOfKind(int kind) const;

    void UpdateMenu();
    void DisposeKOLVANWindows(int kind);
    // Closes every plot window, each asking first; false, with all of them kept, when one is
    // cancelled.
    bool ClosePlots();
    void ConvertAllForms(int fromSystem, int toSystem);

    // Menu handlers.
    void Setup1Click();
    void AboutKOLSHELL1Click();
    void PrintSetup1Click();
    void Print1Click();
    void KOLVANIndex1Click();
    void TypesIndex1Click();
    void KOLVANIndex2Click();
    void KOLVANErrorMessges1Click();
    void WebsiteClick();
    void UsingHelp1Click();
    QString WebsiteAddress() const;
    // The desktop's browser; tests replace it.
    std::function<bool(const QUrl&)> OpenUrl = [](const QUrl& u) {
        return QDesktopServices::openUrl(u);
    };
    // The program's help window, made on first use.
    THelpWindow* HelpWindow();
    // The help window of a form field (F1 in a KOLSED form).
    void ShowFieldHelp(const std::string& deck, int topic, const std::string& caption);
    void Exit1Click();
    void Tile1Click();
    void Cascade1Click();
    void SIUnitsClick();
    void EngUnitsClick();
    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    void Clear1Click();
    void Find1Click();
    void Replace1Click();
    void SearchAgain1Click();
    void Input1Click();
    void Listing1Click();
    void Table1Click();
    void TableRun1Click();
    void Diagram1Click();
    void Utilities1Popup();
    void Plot1Popup();

    // Documents (documents.cpp): opening by kind, the companions of a deck, Open and Save.
    void ReadaFile(const std::string& name);
    void GetLSTFile(const std::string& name, bool show);
    void GetOUTFile(const std::string& name, bool show);
    void GetPLTFile(const std::string& name, bool show);
    void GetTBLFile(const std::string& name, bool show);
    void GetDGMFile(const std::string& name);
    void OpenOutFile(QAction* sender);
    void OpenFileItem(QAction* sender);
    void FixFileNameList();
    void New1Click();
    void Open1Click();
    void Save1Click();
    void Saveas1Click();
    void EditKOLSEDfile1Click();
    void MakeKOLSEDfile1Click();
    // Parametric tables (tables.cpp).
    void NewTable1Click();
    void AlterTable1Click();
    void InsertDeleteRuns1Click();
    void InsertDeleteVars1Click();
    void RunTable1Click();
    // Plots (plots.cpp).
    void NewPlot1Click();
    void OverlayPlot1Click();
    void ModifyPlot1Click();
    // File, Export Plot...: the current plot as a PNG, SVG or PDF picture.
    void ExportPlot1Click();
    // Plot, Plot Table Runs: one column of an output file, one line per run of the table.
    void PlotTableRuns1Click();
    void ModifyPlot(TPlotForm* plot);
    TPlotSetup& PlotSetup();
    // Shown modally by Make KOLSED file; tests answer it instead.
    std::function<void(QDialog&)> ExecDialog = [](QDialog& d) { d.exec(); };
    // Running (running.cpp): the engine on the active deck, compile, rebuild and user
    // commands, and the companion programs of the Utilities menu.
    void Calculate1Click();
    void CompileModule1Click();
    void RebuildKOLVAN1Click();
    void ExecuteCommand1Click();
    void FLOWDRAW1Click();
    void ZONEKIT1Click();
    void ZONER1Click();
    void MODLIB1Click();
    void DEBUG1Click();
    TCompiling* Compiling() const { return compiling_; }
    // Stop Run: the run going on ends (its engines terminated, killed after 3 seconds).
    void StopRun1Click();
    // Before a command that would end a run going on: false when the user keeps the run (and
    // the command is cancelled). tableOnly: only a table run whose table window would go.
    bool QueryStopRun(bool tableOnly);

    // Opens the command-line file at start, as the start-up sequence does.
    void OpenStartFile(const std::string& argument);

    // Windows of the later kinds, made by their own subsystems: a KOLSED form that has read
    // a deck, a plot window that has opened a plot file, a table window that has read a
    // table. Each returns nullptr (after its own message) when the file could not be read.
    std::function<TChildForm*(const std::string&)> MakeKolsedForm, MakePlotForm, MakeTableForm;
    // The table window the Table menu item leads to.
    QPointer<TChildForm> TableForm;
    TTableForm* CurrentTable() const;

    TRecentFiles FileNameList;
    bool RecentFilesOn = false;
    bool FindMode = false;
    bool ReplaceMode = false;
    bool IndexFileFound = false;
    std::string IndexFileName;
    bool FirstOpen = false;
    int PlotsMade = 0;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormCreate();
    void BuildMenus();
    void MakeKolsedOnlyMenus();
    void ChildActivated(QMdiSubWindow* window);
    void ApplyMenuState();
    void UpdatePlotItems(int kind);
    void ChooseUnitSystem(int system);
    void BringForward(TChildForm* child);
    void ShowCompanion(int kind, const std::function<void(const std::string&)>& open);
    void ResetCompanionItem(const char* name, const char* caption);
    void FillWindowList();
    TChildForm* CreateEditor(const std::string& name, int kind);
    TChildForm* CreateViewer(const std::string& name, int kind);
    TChildForm* CreateKolsedForm(const std::string& name);
    TChildForm* CreateTableForm(const std::string& name);
    TChildForm* CreatePlotForm(const std::string& name);
    void ShowTableWindow(TTableForm* table);
    void SetCompanionItem(const char* name, const std::string& caption);
    void InputOpened(const std::string& name);
    TChildForm* WindowShowing(const std::string& name) const;
    bool ShowIfOpen(const std::string& name);
    void LookUpCompanions(const std::string& name);
    bool QueryCloseInputs();
    void SaveFileNameList();
    void WindowSaveAs(TChildForm* child);
    void SaveChild(TChildForm* child);
    bool ChooseOpenFile(std::string& chosen);
    std::string OpenFolder() const;
    void OpenIndex(const std::string& indexFile);
    bool SaveBeforeRun(TChildForm* child, const std::string& deck);
    void RunCompanion(int dir, const char* executable, const char* program);
    // Runs (running.cpp): refusing a second run, the cursor and status line of the run going
    // on, what a run's end says.
    bool RefuseWhileRunning();
    void RunActivityChanged();
    void ShowRunStatus();
    void ReportEngineEnd(const struct TRunResult& result, const std::string& deck);
    bool SaveDeckBeforeTableRun(const std::string& deck);
    void StartTableRun(std::vector<struct TRun> runs, int parallel, const std::string& table);
    // A table run followed in the Table Run window and the table's run line until it ends;
    // slurm: its backend when it is a cluster's job.
    void FollowTableRun(std::shared_ptr<class TRunSet> set, const std::string& table,
                        class TSlurmBackend* slurm);
    void ShowTableRunWindow(class TRunController* run, const std::string& table);
    std::string tableRunName_; // the table of the table run going on
    void ShowTableRunLine();
    // A table file whose last cluster job is remembered: "Follow job N again?".
    void OfferToFollowJob(const std::string& tableFile);
    void TableRunEnded(class TRunController* run, bool keepRunFiles = false);
    void GuardTableClose(TChildForm* table);

    QMdiArea* mdiArea_;
    std::map<QString, QAction*> actions_;
    std::map<QString, QMenu*> menus_;
    QList<QAction*> windowListActions_;
    MenuState menuState_ = AllEnabled();
    static MenuState AllEnabled() {
        MenuState s;
        s.fill(true);
        return s;
    }
    bool startedOk_ = true;
    QPointer<TSetupDlg> setupDlg_;
    QPointer<TAboutBox> aboutBox_;
    QPointer<TCompiling> compiling_;
    QPointer<TPlotSetup> plotSetup_;
    QPointer<THelpWindow> helpWindow_;
    QTimer* runClock_ = nullptr; // the status line's elapsed seconds
    class QLabel* runStatus_ = nullptr;
    // The file dialogs keep their name, filter entry and title from one use to the next.
    std::string openName_ = "*.DCK";
    int openFilter_ = 1;
    std::string ksdName_ = "*.KSD";
};

// The main window of the running program.
TKOLSHELLFORM* KOLSHELLFORM();
