// The main window's parametric-table commands: opening a table, New Table, Alter Table,
// Insert/Delete Runs and Vars, and Run Table.
#include "app/docrules.h"
#include "app/kolshellform.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/qtext.h"
#include "plot/widgets/plotform.h"
#include "run/widgets/runsettings.h"
#include "table/rundecks.h"
#include "table/widgets/fillrunsdlg.h"
#include "table/widgets/resultsform.h"
#include "table/widgets/tabledialogs.h"
#include "table/widgets/tableform.h"

#include <QAction>
#include <QMdiArea>
#include <algorithm>

namespace kolshell {

namespace {

// The table run's questions, answered by the user: the engine directory, the shared file.
class TShellTableHost : public TTableRunHost {
  public:
    explicit TShellTableHost(QWidget* owner) : owner_(owner) {}
    std::string ChooseEngineDir() override {
        return FromQ(Dialogs().DirectoryName(owner_, "Select the KOLVAN directory", " "));
    }
    SharedAnswer SharedFile(const std::string& file) override {
        switch (ShowMsg("File " + file +
                            " is written by every run. Run the table one run at a "
                            "time?",
                        MsgKind::WarningYesNoCancel, true)) {
        case MsgAnswer::Yes:
            return SharedAnswer::OneAtATime;
        case MsgAnswer::No:
            return SharedAnswer::Parallel;
        default:
            return SharedAnswer::Cancel;
        }
    }

    bool ReplaceLastResults(const std::string& question) override {
        return ShowMsg(question, MsgKind::WarningYesNo, false) == MsgAnswer::Yes;
    }

  private:
    QWidget* owner_;
};

// Where a window of this frame goes to lie inside an area of that size; one larger than the
// area keeps its top left corner in it.
QPoint InsideArea(const QRect& frame, const QSize& area) {
    const int x = std::min(frame.x(), area.width() - frame.width());
    const int y = std::min(frame.y(), area.height() - frame.height());
    return {std::max(0, x), std::max(0, y)};
}

} // namespace

TTableController::TTableController(TKOLSHELLFORM& main) : QObject(&main), main_(main) {}

TTableForm* TTableController::CurrentTable() const {
    return qobject_cast<TTableForm*>(tableForm_.data());
}

void TTableController::ShowTableWindow(TTableForm* table) {
    // Placed down and right of the frontmost window, or near the corner when there is none.
    QMdiSubWindow* front = main_.MdiArea()->activeSubWindow();
    const QPoint at = front ? front->pos() + QPoint(24, 24) : QPoint(10, 20);
    main_.AddChild(table);
    table->move(at);
    table->FitToGrid();
    // Inside the area, title bar first: a front window moved to a corner, minimized or pushed
    // above the top does not take the new table out of sight.
    if (!table->isMaximized())
        table->move(InsideArea(table->geometry(), main_.MdiArea()->viewport()->size()));
    tableForm_ = table;
    main_.Runs().GuardTableClose(table);
    main_.SetCompanionItem("Table1", "Table " + table->Table().TableFileName);
    main_.Runs().ShowTableRunLine();
    TAlterValuesDlg::AlterFirstRun = 1;
    TAlterValuesDlg::AlterLastRun = table->Table().Runs();
    main_.UpdateMenu();
}

TChildForm* TTableController::CreateTableForm(const std::string& name) {
    auto* table = new TTableForm;
    if (!table->ReadTable(name)) {
        delete table;
        return nullptr;
    }
    ShowTableWindow(table);
    TAlterValuesDlg::AlterLastRun = 5; // as for every table read from a file
    main_.Runs().OfferToFollowJob(name);
    return table;
}

void TTableController::NewTable1Click() {
    TChildForm* c = CurrentChild.data();
    if (!c) return;
    if (!HoldsInputDeck(c->WindowKind(), c->FileName())) return;
    if (!main_.Runs().QueryStopRun(true)) return;
    const std::string deck = c->FileName();
    if (!ScanDeckConstants(deck, Options().UnitSystem)) {
        ShowMsg("File " + deck + " does not have any KOLVAN Comment statements.",
                MsgKind::WarningOk, false);
        return;
    }
    TNewTableDlg dialog(deck, nullptr, &main_);
    main_.ExecDialog(dialog);
    if (dialog.result() != QDialog::Accepted) return;
    // The old table goes only after its save question; Cancel keeps it and makes no new one.
    if (!main_.DisposeKOLVANWindows(TWindowKind::Table)) return;
    auto* table = new TTableForm;
    table->SetTable(NewDeckTable(deck, dialog.Chosen(), dialog.Runs()));
    ShowTableWindow(table);
}

void TTableController::InsertDeleteVars1Click() {
    TTableForm* table = CurrentTable();
    if (!table) return;
    TNewTableDlg dialog(table->Table().DeckName, &table->Table(), &main_);
    main_.ExecDialog(dialog);
    if (dialog.result() != QDialog::Accepted) return;
    ChangeVariables(table->Table(), dialog.Chosen());
    table->TableReshaped();
}

void TTableController::AlterTable1Click() {
    TTableForm* table = CurrentTable();
    if (!table) return;
    TAlterValuesDlg dialog(table->Table(), &main_);
    dialog.Changed = [table] { table->TableReshaped(); };
    main_.ExecDialog(dialog);
}

void TTableController::InsertDeleteRuns1Click() {
    TTableForm* table = CurrentTable();
    if (!table) return;
    TInsertRunsDlg dialog(table->Table(), &main_);
    dialog.ErrorLevel = table->ErrorLevel();
    dialog.ErrorStep = table->ErrorStep();
    main_.ExecDialog(dialog);
    if (dialog.result() != QDialog::Accepted) return;
    if (dialog.Result() == RunsResult::CloseTable)
        table->close(); // with its save question
    else
        table->TableReshaped();
}

bool TTableController::SaveDeckBeforeTableRun(const std::string& deck) {
    // The deck's own window, when it shows unsaved changes, may be saved first.
    for (TChildForm* c : main_.Children()) {
        const auto k = c->WindowKind();
        // The same file, however its name is written (relative, through a link, another case).
        const bool same = c->FileName() == deck || SameFile(c->FileName(), deck);
        if (!same || !IsDeckKind(k)) continue;
        if (!c->IsModified()) return true;
        const MsgAnswer answer =
            ShowMsg("Do you wish to save file " + deck + " before running the table?",
                    MsgKind::WarningYesNoCancel, true);
        if (answer == MsgAnswer::Cancel) return false;
        // A deck that could not be saved is not run.
        return answer != MsgAnswer::Yes || main_.Documents().SaveDeckWindow(c, deck);
    }
    return true;
}

void TTableController::RunTable1Click() {
    if (TTableForm* table = CurrentTable()) RunTableRuns(table->Table().TableFileName, {});
}

void TTableController::RunTableRuns(const std::string& tableFile, const std::vector<int>& only) {
    TTableForm* table = CurrentTable();
    if (!table || main_.Runs().RefuseWhileRunning()) return;
    TTable& t = table->Table();
    if (AbsolutePath(t.TableFileName) != AbsolutePath(tableFile)) {
        ShowMsg("Open the table " + tableFile + " to run its runs again.", MsgKind::Error, true);
        return;
    }
    if (!SaveDeckBeforeTableRun(t.DeckName)) return;
    TTableRunOptions options;
    options.EngineDir = ProgramDirs().Dirs[pdEngine];
    options.DefaultEngineDir = Globals().KolshellDir;
    // On a cluster the runs go at once, unless they would all write one file.
    options.Parallel = RunSettings().OnSlurm ? 2 : RunSettings().RunsAtOnce;
    options.Only = only;
    TShellTableHost host(&main_);
    std::vector<TRun> runs;
    std::string message;
    const bool ready = PrepareTableRun(t, host, options, runs, message);
    if (ready) RecordRunDeckNames(t.TableFileName, t.RunDeckNames); // known as ours if killed
    ProgramDirs().Dirs[pdEngine] = options.EngineDir;
    if (ready)
        main_.Runs().StartTableRun(std::move(runs), options.Parallel, t.TableFileName);
    else if (!message.empty())
        ShowMsg(message, MsgKind::Error, true);
    main_.UpdateMenu();
}

void TTableController::FillRuns1Click() {
    TTableForm* table = CurrentTable();
    if (!table) return;
    TFillRunsDlg dialog(table->Table(), &main_);
    main_.ExecDialog(dialog);
    if (dialog.result() == QDialog::Accepted) table->TableReshaped();
}

void TTableController::Results1Click() {
    TTableForm* table = CurrentTable();
    if (!table) return;
    for (TResultsForm* w : main_.findChildren<TResultsForm*>())
        if (w->Table() == table) {
            w->show();
            w->raise();
            w->activateWindow();
            return;
        }
    auto* window = new TResultsForm(table, &main_);
    window->ShowPlot = [this](const std::string& caption, const TPlotDef& def) {
        main_.Plots().ShowNewPlot(caption, def);
    };
    window->show();
}

void TTableController::UpdateItems(TWindowKind kind) {
    if (QAction* a = main_.Action("Results1")) a->setEnabled(CurrentTable() != nullptr);
    if (QAction* a = main_.Action("FillRuns1"))
        a->setEnabled(kind == TWindowKind::Table && CurrentTable());
}

} // namespace kolshell
