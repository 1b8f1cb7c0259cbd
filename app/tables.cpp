// The main window's parametric-table commands: opening a table, New Table, Alter Table,
// Insert/Delete Runs and Vars, and Run Table.
#include "app/kolshellform.h"

#include "common/globals.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/qtext.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/runner.h"
#include "table/rundecks.h"
#include "table/widgets/tabledialogs.h"
#include "table/widgets/tableform.h"

#include <QMdiArea>

namespace {

// The engine runs of a table: each through the program runner, the progress window told.
class TShellTableRunner : public TTableRunner {
  public:
    TShellTableRunner(QWidget* owner, TCompiling* progress) : owner_(owner), progress_(progress) {}
    ~TShellTableRunner() override {
        if (progress_) progress_->hide();
    }
    bool Run(const std::string& commandLine) override { return RunProgramOK(commandLine); }
    void Progress(int run, int) override {
        if (!progress_) return;
        progress_->move(progress_->x(), 120);
        progress_->show();
        progress_->Update(-run);
    }
    std::string ChooseEngineDir() override {
        return FromQ(Dialogs().DirectoryName(owner_, "Select the KOLVAN directory", " "));
    }

  private:
    QWidget* owner_;
    TCompiling* progress_;
};

} // namespace

TTableForm* TKOLSHELLFORM::CurrentTable() const {
    return qobject_cast<TTableForm*>(TableForm.data());
}

void TKOLSHELLFORM::ShowTableWindow(TTableForm* table) {
    // Placed down and right of the frontmost window, or near the corner when there is none.
    QMdiSubWindow* front = mdiArea_->activeSubWindow();
    const QPoint at = front ? front->pos() + QPoint(24, 24) : QPoint(10, 20);
    AddChild(table);
    table->move(at);
    table->FitToGrid();
    TableForm = table;
    SetCompanionItem("Table1", "Table " + table->Table().TableFileName);
    TAlterValuesDlg::AlterFirstRun = 1;
    TAlterValuesDlg::AlterLastRun = table->Table().Runs();
    UpdateMenu();
}

TChildForm* TKOLSHELLFORM::CreateTableForm(const std::string& name) {
    auto* table = new TTableForm;
    if (!table->ReadTable(name)) {
        delete table;
        return nullptr;
    }
    ShowTableWindow(table);
    TAlterValuesDlg::AlterLastRun = 5; // as for every table read from a file
    return table;
}

void TKOLSHELLFORM::NewTable1Click() {
    TChildForm* c = CurrentChild.data();
    if (!c) return;
    const int k = c->WindowKind();
    if (k != wkDeck && k != wkAnnotatedText && k != wkForm) return;
    const std::string deck = c->FileName();
    if (!ScanDeckConstants(deck, Options().UnitSystem)) {
        ShowMsg("File " + deck + " does not have any KOLVAN Comment statements.", mkWarningOk,
                false);
        return;
    }
    TNewTableDlg dialog(deck, nullptr, this);
    ExecDialog(dialog);
    if (dialog.result() != QDialog::Accepted) return;
    // The old table goes only after its save question; Cancel keeps it and makes no new one.
    if (TChildForm* old = FirstChildOfKind(wkTable); old && !old->FormCloseQuery()) return;
    DisposeKOLVANWindows(wkTable);
    auto* table = new TTableForm;
    table->SetTable(NewDeckTable(deck, dialog.Chosen(), dialog.Runs()));
    ShowTableWindow(table);
}

void TKOLSHELLFORM::InsertDeleteVars1Click() {
    TTableForm* table = CurrentTable();
    if (!table) return;
    TNewTableDlg dialog(table->Table().DeckName, &table->Table(), this);
    ExecDialog(dialog);
    if (dialog.result() != QDialog::Accepted) return;
    ChangeVariables(table->Table(), dialog.Chosen());
    table->TableReshaped();
}

void TKOLSHELLFORM::AlterTable1Click() {
    TTableForm* table = CurrentTable();
    if (!table) return;
    TAlterValuesDlg dialog(table->Table(), this);
    dialog.Changed = [table] { table->TableReshaped(); };
    ExecDialog(dialog);
}

void TKOLSHELLFORM::InsertDeleteRuns1Click() {
    TTableForm* table = CurrentTable();
    if (!table) return;
    TInsertRunsDlg dialog(table->Table(), this);
    ExecDialog(dialog);
    if (dialog.result() != QDialog::Accepted) return;
    if (dialog.Result() == RunsResult::CloseTable)
        table->close(); // with its save question
    else
        table->TableReshaped();
}

void TKOLSHELLFORM::RunTable1Click() {
    TTableForm* table = CurrentTable();
    if (!table) return;
    TTable& t = table->Table();
    // The deck's own window, when it shows unsaved changes, may be saved first.
    for (TChildForm* c : Children()) {
        const int k = c->WindowKind();
        if (c->FileName() != t.DeckName || (k != wkDeck && k != wkAnnotatedText && k != wkForm))
            continue;
        if (!c->IsModified()) break;
        const int answer =
            ShowMsg("Do you wish to save file " + t.DeckName + " before running the table?",
                    mkWarningYesNoCancel, true);
        if (answer == mrCancel) return;
        if (answer == mrYes) {
            if (k == wkForm)
                c->SaveDocument(t.DeckName);
            else if (auto* editor = qobject_cast<TEditForm*>(c))
                editor->Save();
        }
        break;
    }
    const std::string remembered = GetCurrentDir();
    TTableRunOptions options;
    options.EngineDir = ProgramDirs().Dirs[pdEngine];
    options.DefaultEngineDir = Globals().KolshellDir;
    std::string message;
    {
        TShellTableRunner runner(this, compiling_);
        RunTable(t, runner, options, message);
    }
    ProgramDirs().Dirs[pdEngine] = options.EngineDir;
    if (!message.empty()) ShowMsg(message, mkError, true);
    UpdateMenu();
    SetCurrentDir(remembered);
}
