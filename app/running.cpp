// The main window's runs: the engine on the active deck (Calculate), the compile, rebuild and
// user commands, and the companion programs of the Utilities menu.
#include "app/kolshellform.h"

#include "common/globals.h"
#include "common/lib1.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/childform.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/qtext.h"
#include "shell/localbackend.h"
#include "shell/slurmbackend.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/runcontrol.h"
#include "shell/widgets/runner.h"
#include "shell/widgets/runsettings.h"
#include "shell/widgets/tablerunform.h"
#include "table/rundecks.h"
#include "table/widgets/tableform.h"

#include <QEvent>
#include <QLabel>
#include <QMdiArea>
#include <QStatusBar>
#include <QTimer>

namespace {

// Whether a command of Setup's Compiler page is there; if not, says where to enter it.
bool CommandSetUp(const std::string& command, const std::string& what) {
    if (!Trimmed(command).empty()) return true;
    ShowMsg("No " + what + " command is set up. Enter one in Setup, Compiler.", mkError, true);
    return false;
}

// Starts a command of the user's without waiting; a failure is reported with the command.
void LaunchUserCommand(const std::string& command, const std::string& what) {
    if (!CommandSetUp(command, what)) return;
    const int result = LaunchProgram(command);
    if (result < LaunchFailed) ShowMsg(LaunchFailureText(command, result), mkError, true);
}

// Asks before a table window closes during a table run; No keeps it open.
class TTableCloseGuard : public QObject {
  public:
    TTableCloseGuard(TKOLSHELLFORM* main, QObject* table) : QObject(table), main_(main) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Close || main_->QueryStopRun(true)) return false;
        event->ignore();
        return true;
    }

  private:
    TKOLSHELLFORM* main_;
};

bool IsEditorDeck(int kind) {
    return kind == wkDeck || kind == wkAnnotatedText;
}

} // namespace

bool TKOLSHELLFORM::SaveBeforeRun(TChildForm* c, const std::string& deck) {
    if (!c || !c->IsModified()) return true;
    switch (ShowMsg("Do you wish to save file " + deck + " before calling KOLVAN?",
                    mkWarningYesNoCancel, true)) {
    case mrYes:
        if (c->WindowKind() == wkForm)
            c->SaveDocument(deck);
        else if (auto* editor = qobject_cast<TEditForm*>(c))
            editor->Save();
        return true;
    case mrNo:
        return true;
    default:
        return false;
    }
}

bool TKOLSHELLFORM::RefuseWhileRunning() {
    if (!TRunController::Active()) return false;
    ShowMsg("A run is going on: wait for it to end, or stop it with Stop Run.", mkError, true);
    return true;
}

void TKOLSHELLFORM::StopRun1Click() {
    if (TRunController* run = TRunController::Active()) run->Stop();
    UpdateMenu();
}

bool TKOLSHELLFORM::QueryStopRun(bool tableOnly) {
    QPointer<TRunController> run = TRunController::Active();
    if (!run) return true;
    // A cluster's job goes on without the table window, and without this program too.
    if (const TRunController::ClusterJob* job = run->Job()) {
        if (tableOnly) return true;
        switch (ShowMsg("Slurm job " + job->Id +
                            " goes on on the cluster; it can be followed again when its table "
                            "is opened. Stop it?",
                        mkWarningYesNoCancel, true)) {
        case mrYes:
            if (run) run->StopAndWait(); // it may have ended while the question was open
            return true;
        case mrNo:
            return true;
        default:
            return false;
        }
    }
    const bool table = run->RunKind() == TRunController::Kind::Table;
    if (tableOnly && (!table || !FirstChildOfKind(wkTable))) return true;
    const std::string question =
        table ? "A table run is going on. Stop it?" : "A KOLVAN run is going on. Stop it?";
    if (ShowMsg(question, mkWarningYesNo, true) != mrYes) return false;
    if (run) run->StopAndWait();
    return true;
}

void TKOLSHELLFORM::GuardTableClose(TChildForm* table) {
    table->installEventFilter(new TTableCloseGuard(this, table));
}

void TKOLSHELLFORM::RunActivityChanged() {
    const bool running = TRunController::Active() != nullptr;
    if (!runStatus_) {
        runStatus_ = new QLabel(this);
        runStatus_->setObjectName("RunStatus");
        statusBar()->addWidget(runStatus_, 1);
        runClock_ = new QTimer(this);
        runClock_->setInterval(1000);
        connect(runClock_, &QTimer::timeout, this, &TKOLSHELLFORM::ShowRunStatus);
    }
    // The hourglass over the main window while the engine works; the menus stay live.
    if (running) {
        setCursor(Qt::WaitCursor);
        runClock_->start();
    } else {
        unsetCursor();
        runClock_->stop();
    }
    ShowRunStatus();
    ShowTableRunLine();
    UpdateMenu();
}

void TKOLSHELLFORM::ShowRunStatus() {
    TRunController* run = TRunController::Active();
    if (!runStatus_) return;
    if (!run) {
        runStatus_->clear();
        return;
    }
    const TRunSet& set = run->Set();
    // The progress window drops updates that come too quickly; it catches up here.
    if (run->RunKind() == TRunController::Kind::Table && compiling_ && compiling_->isVisible())
        compiling_->Update(-set.LastStarted());
    const QString seconds = QString::number(qint64(set.Now())) + " s";
    if (run->RunKind() == TRunController::Kind::Single) {
        runStatus_->setText("KOLVAN running on " + ToQ(set.Runs().front().Deck) + ", " + seconds);
        return;
    }
    std::vector<int> going;
    std::string deck;
    for (const TRun& r : set.Runs())
        if (r.State == TRunState::Running) {
            going.push_back(r.Number);
            deck = r.Deck;
        }
    const QString job = run->Job() ? "Slurm job " + ToQ(run->Job()->Id) + ": " : QString();
    runStatus_->setText(
        job + QString("KOLVAN Run %1 of %2").arg(ToQ(RunNumberList(going))).arg(set.Runs().size()) +
        (deck.empty() ? QString() : " on " + ToQ(deck)) + ", " + seconds);
}

void TKOLSHELLFORM::ReportEngineEnd(const TRunResult& result, const std::string& deck) {
    if (result.Stopped) {
        ShowMsg("KOLVAN was stopped.", mkInformation, false);
        return;
    }
    std::string how;
    if (result.Signal)
        how = "KOLVAN was stopped by signal " + std::to_string(result.Signal) + " on " + deck + ".";
    else if (result.ExitStatus)
        how = "KOLVAN ended with status " + std::to_string(result.ExitStatus) + " on " + deck + ".";
    if (how.empty()) return;
    if (ShowMsg(how + " Open the listing?", mkWarningYesNo, true) == mrYes) GetLSTFile(deck, true);
}

void TKOLSHELLFORM::Calculate1Click() {
    if (RefuseWhileRunning()) return;
    TChildForm* c = mdiArea_->subWindowList().isEmpty() ? nullptr : CurrentChild.data();
    const int kind = c ? c->WindowKind() : wkNone;
    const bool deckWindow = IsEditorDeck(kind) || kind == wkForm;
    const std::string deck = deckWindow ? c->FileName() : std::string();
    if (!SaveBeforeRun(deckWindow ? c : nullptr, deck)) return;
    const std::string remembered = GetCurrentDir();
    std::string& engineDir = ProgramDirs().Dirs[pdEngine];
    if (!IsDirectory(engineDir)) engineDir = Globals().KolshellDir;
    auto finish = [this, &remembered] {
        UpdateMenu();
        SetCurrentDir(remembered);
    };
    TRunResult result;
    if (kind == wkForm && c->BeforeRunCommand().size() > 4 &&
        (!RunProgramOK(c->BeforeRunCommand(), &result) || result.Stopped))
        return finish();
    std::string engine = EngineProgram(engineDir);
    if (!FileExists(engine)) {
        // The chooser says what is missing and why it asks.
        const QString dir =
            Dialogs().DirectoryName(this,
                                    ToQ("Select the KOLVAN directory: the engine " + engine +
                                        " was not found, and Calculate runs it"),
                                    ToQ(Globals().KolshellDir));
        if (dir.isEmpty()) return finish();
        engineDir = FromQ(dir);
        engine = EngineProgram(engineDir);
    }
    QPointer<TChildForm> form = c;
    if (!RunProgramOK(engine + " " + deck, &result)) return finish();
    GetLSTFile(deck, false);
    GetOUTFile(deck, false);
    GetPLTFile(deck, false);
    ReportEngineEnd(result, deck);
    if (kind == wkForm && form && form->AfterRunCommand().size() > 4 && !result.Stopped)
        RunProgramOK(form->AfterRunCommand());
    finish();
}

void TKOLSHELLFORM::CompileModule1Click() {
    if (RefuseWhileRunning()) return;
    const std::string file = CurrentChild ? CurrentChild->FileName() : std::string();
    if (CommandSetUp(UserCommands().Compile, "Compile Module")) {
        const int result = LaunchProgram(UserCommands().Compile + " " + file);
        if (result < LaunchFailed)
            ShowMsg(LaunchFailureText(UserCommands().Compile, result), mkError, true);
    }
    UpdateMenu();
}

void TKOLSHELLFORM::RebuildKOLVAN1Click() {
    if (RefuseWhileRunning()) return;
    LaunchUserCommand(UserCommands().Rebuild, "Rebuild KOLVAN");
    UpdateMenu();
}

void TKOLSHELLFORM::ExecuteCommand1Click() {
    if (Globals().KolsedOnlyMode) {
        bool ok = false;
        const QString text = Dialogs().InputText(this, "User Command", "Execute User Command",
                                                 ToQ(UserCommands().User), &ok);
        if (!ok) return;
        UserCommands().User = FromQ(text);
    }
    LaunchUserCommand(UserCommands().User, "User");
    UpdateMenu();
}

void TKOLSHELLFORM::RunCompanion(int dir, const char* executable, const char* program) {
    const std::string remembered = GetCurrentDir();
    std::string& entry = ProgramDirs().Dirs[size_t(dir)];
    if (!IsDirectory(entry)) {
        const QString chosen = Dialogs().DirectoryName(
            this, QString("Select the %1 directory").arg(program), ToQ(Globals().KolshellDir));
        if (chosen.isEmpty()) return;
        entry = FromQ(chosen);
    }
    SetCurrentDir(entry);
    const int result = LaunchProgram(NativePath(JoinPath(entry, executable)), entry);
    if (result < LaunchFailed) ShowMsg(LaunchFailureText(program, result), mkError, true);
    UpdateMenu();
    SetCurrentDir(remembered);
}

void TKOLSHELLFORM::FLOWDRAW1Click() {
    const bool node = Globals().UseNodeStudio;
    RunCompanion(pdFlowdraw, node ? "NodeLaunch.exe" : "FLOWDRAW.exe",
                 node ? "NodeStudio" : "FLOWDRAW");
}

void TKOLSHELLFORM::ZONEKIT1Click() {
    RunCompanion(pdZonekit, "ZONEKIT.exe", "ZONEKIT");
}

void TKOLSHELLFORM::ZONER1Click() {
    RunCompanion(pdZoner, "ZONERWIN.exe", "ZONER");
}

void TKOLSHELLFORM::MODLIB1Click() {
    RunCompanion(pdModlib, "MODLIB.exe", "MODLIB");
}

void TKOLSHELLFORM::DEBUG1Click() {
    RunCompanion(pdGridcalc, "Gridcalc.exe", "KOLGRIDCALC");
}

// Table runs go on by themselves: the run set holds copies of all it needs, so the table
// window may close or change while they run.
namespace {

TSlurmOptions SlurmOptionsFor(const std::string& table, int parallel) {
    const TRunSettings& s = RunSettings();
    TSlurmOptions o;
    o.TableName = table;
    o.Partition = FromQ(s.Partition);
    o.TimeMinutes = s.TimeMinutes;
    // Runs that all write one file go one at a time there too.
    o.MaxAtOnce = parallel == 1 ? 1 : s.MaxAtOnce;
    o.ExtraArgs = FromQ(s.SbatchArgs);
    return o;
}

// The backend of a table run as the Setup page "Runs" says; nullptr after the message when a
// Slurm job could not be submitted (the run decks then deleted again).
std::unique_ptr<TRunBackend> TableBackend(const std::vector<TRun>& runs, int parallel,
                                          const std::string& table, TSlurmBackend*& slurm) {
    slurm = nullptr;
    if (!RunSettings().OnSlurm) return std::make_unique<TLocalBackend>(parallel);
    auto backend = std::make_unique<TSlurmBackend>(SlurmOptionsFor(table, parallel));
    std::string message;
    if (!backend->Submit(runs, message)) {
        DeleteRunDecks(runs);
        ShowMsg(message, mkError, true);
        return nullptr;
    }
    RememberJob(ToQ(table), ToQ(backend->JobId()), int(runs.size()));
    slurm = backend.get();
    return backend;
}

bool SameTable(const std::string& a, const std::string& b) {
    return AbsolutePath(a) == AbsolutePath(b) || SameFile(a, b);
}

} // namespace

void TKOLSHELLFORM::StartTableRun(std::vector<TRun> runs, int parallel, const std::string& table) {
    TSlurmBackend* slurm = nullptr;
    std::unique_ptr<TRunBackend> backend = TableBackend(runs, parallel, table, slurm);
    if (!backend) return;
    FollowTableRun(std::make_shared<TRunSet>(std::move(runs), std::move(backend)), table, slurm);
}

void TKOLSHELLFORM::FollowTableRun(std::shared_ptr<TRunSet> set, const std::string& table,
                                   TSlurmBackend* slurm) {
    auto* run = new TRunController(std::move(set), TRunController::Kind::Table, this);
    tableRunName_ = table;
    if (slurm)
        run->SetClusterJob(
            {table, slurm->JobId(), slurm->ScriptName(), [slurm] { return slurm->Warning(); }});
    ShowTableRunWindow(run, table);
    QPointer<TCompiling> progress = compiling_;
    connect(run, &TRunController::Changed, this, &TKOLSHELLFORM::ShowRunStatus);
    connect(run, &TRunController::Changed, this, &TKOLSHELLFORM::ShowTableRunLine);
    connect(run, &TRunController::Changed, this, [run, progress] {
        if (!progress || !run->Set().Count(TRunState::Running)) return;
        progress->move(progress->x(), 120);
        progress->show();
        progress->Update(-run->Set().LastStarted());
    });
    connect(run, &TRunController::Ended, this, [this, run, slurm, table] {
        const bool keep = slurm && RunSettings().KeepRunFiles;
        if (slurm) RememberJob(ToQ(table), {});
        if (slurm && !keep) slurm->DeleteRunFiles(run->Set().Runs());
        TableRunEnded(run, keep);
    });
    run->Start();
}

void TKOLSHELLFORM::ShowTableRunWindow(TRunController* run, const std::string& table) {
    for (TTableRunForm* w : findChildren<TTableRunForm*>())
        if (w->Controller() == run) {
            w->show();
            w->raise();
            w->activateWindow();
            return;
        }
    auto* window = new TTableRunForm(run, table, this);
    window->OpenListing = [this](const std::string& listing) {
        CreateViewer(listing, wkListing);
        UpdateMenu();
    };
    window->show();
}

void TKOLSHELLFORM::TableRun1Click() {
    TRunController* run = TRunController::Active();
    if (run && run->RunKind() == TRunController::Kind::Table)
        ShowTableRunWindow(run, tableRunName_);
}

void TKOLSHELLFORM::ShowTableRunLine() {
    TTableForm* table = CurrentTable();
    if (!table) return;
    TRunController* run = TRunController::Active();
    const TRunController::ClusterJob* job = run ? run->Job() : nullptr;
    if (!job || !SameTable(job->Table, table->Table().TableFileName)) {
        table->ShowRunLine({});
        return;
    }
    table->ShowRunLine(TTableRunForm::JobLineText(job->Id, run->Set()));
}

void TKOLSHELLFORM::OfferToFollowJob(const std::string& tableFile) {
    const std::string job = FromQ(FollowedJob(ToQ(tableFile)));
    TTableForm* table = CurrentTable();
    if (job.empty() || !table) return;
    // A job followed already is not followed twice: its window comes forward.
    TRunController* active = TRunController::Active();
    if (active && active->Job() && active->Job()->Id == job) {
        ShowTableRunWindow(active, tableFile);
        return;
    }
    if (ShowMsg("Follow job " + job + " again?", mkWarningYesNo, false) != mrYes) return;
    if (RefuseWhileRunning()) return;
    const TTable& t = table->Table();
    const int count = FollowedJobRuns(ToQ(tableFile));
    std::vector<TRun> runs =
        SubmittedRuns(t, count ? count : t.Runs(), ProgramDirs().Dirs[pdEngine]);
    auto backend = std::make_unique<TSlurmBackend>(SlurmOptionsFor(tableFile, 2));
    backend->Follow(job);
    TSlurmBackend* slurm = backend.get();
    FollowTableRun(std::make_shared<TRunSet>(std::move(runs), std::move(backend)), tableFile,
                   slurm);
}

void TKOLSHELLFORM::TableRunEnded(TRunController* run, bool keepRunFiles) {
    if (compiling_) compiling_->hide();
    if (!keepRunFiles) DeleteRunDecks(run->Set().Runs());
    const std::string report = TableRunReport(run->Set());
    const int kind = run->Set().StopRequested() ? mkInformation : mkError;
    run->deleteLater();
    UpdateMenu();
    if (!report.empty()) ShowMsg(report, kind, true);
}
