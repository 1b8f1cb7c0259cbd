// The main window's runs: the engine on the active deck (Calculate), the compile, rebuild and
// user commands, and the companion programs of the Utilities menu.
#include "app/kolshellform.h"

#include "app/docrules.h"
#include "app/notify.h"
#include "common/deckassign.h"
#include "common/globals.h"
#include "common/lib1.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/widgets/childform.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/qtext.h"
#include "run/localbackend.h"
#include "run/runreport.h"
#include "run/slurmbackend.h"
#include "run/widgets/runcontrol.h"
#include "run/widgets/runner.h"
#include "run/widgets/runsettings.h"
#include "run/widgets/tablerunform.h"
#include "table/rundecks.h"
#include "table/runstates.h"
#include "table/widgets/tableform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

namespace kolshell {

namespace {

// Whether a command of Setup's Compiler page is there; if not, says where to enter it.
bool CommandSetUp(const std::string& command, const std::string& what) {
    if (!Trimmed(command).empty()) return true;
    ShowMsg("No " + what + " command is set up. Enter one in Setup, Compiler.", MsgKind::Error,
            true);
    return false;
}

// Starts a command of the user's without waiting; a failure is reported with the command.
void LaunchUserCommand(const std::string& command, const std::string& what) {
    if (!CommandSetUp(command, what)) return;
    const int result = LaunchProgram(command);
    if (result < LaunchFailed) ShowMsg(LaunchFailureText(command, result), MsgKind::Error, true);
}

// Asks before a table window closes during a table run; No keeps it open.
class TTableCloseGuard : public QObject {
  public:
    TTableCloseGuard(TRunningController* runs, QObject* table) : QObject(table), runs_(runs) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Close || runs_->QueryStopRun(true)) return false;
        event->ignore();
        return true;
    }

  private:
    TRunningController* runs_;
};

} // namespace

TRunningController::TRunningController(TKOLSHELLFORM& main) : QObject(&main), main_(main) {
    connect(&TRunController::Activity(), &TRunActivity::Changed, this,
            &TRunningController::RunActivityChanged);
}

bool TRunningController::SaveBeforeRun(TChildForm* c, const std::string& deck) {
    // The field being typed in is checked first: a value out of range is never run.
    if (c && c->WindowKind() == TWindowKind::Form && !c->CheckActiveInput()) return false;
    if (!c || !c->IsModified()) return true;
    switch (ShowMsg("Do you wish to save file " + deck + " before calling KOLVAN?",
                    MsgKind::WarningYesNoCancel, true)) {
    case MsgAnswer::Yes: // a deck that could not be saved is not run
        return main_.Documents().SaveDeckWindow(c, deck);
    case MsgAnswer::No:
        return true;
    default:
        return false;
    }
}

bool TRunningController::RefuseWhileRunning() {
    if (!TRunController::Active()) return false;
    ShowMsg("A run is going on: wait for it to end, or stop it with Stop Run.", MsgKind::Error,
            true);
    return true;
}

void TRunningController::StopRun1Click() {
    if (TRunController* run = TRunController::Active()) run->Stop();
    main_.UpdateMenu();
}

bool TRunningController::QueryStopRun(bool tableOnly) {
    QPointer<TRunController> run = TRunController::Active();
    if (!run) return true;
    // A cluster's job goes on without the table window, and without this program too.
    if (const TRunController::ClusterJob* job = run->Job()) {
        if (tableOnly) return true;
        switch (ShowMsg("Slurm job " + job->Id +
                            " goes on on the cluster; it can be followed again when its table "
                            "is opened. Stop it?",
                        MsgKind::WarningYesNoCancel, true)) {
        case MsgAnswer::Yes:
            if (run) run->StopAndWait(); // it may have ended while the question was open
            return true;
        case MsgAnswer::No:
            return true;
        default:
            return false;
        }
    }
    const bool table = run->RunKind() == TRunController::Kind::Table;
    if (tableOnly && (!table || !main_.FirstChildOfKind(TWindowKind::Table))) return true;
    const std::string question =
        table ? "A table run is going on. Stop it?" : "A KOLVAN run is going on. Stop it?";
    if (ShowMsg(question, MsgKind::WarningYesNo, true) != MsgAnswer::Yes) return false;
    if (run) run->StopAndWait();
    return true;
}

void TRunningController::GuardTableClose(TChildForm* table) {
    table->installEventFilter(new TTableCloseGuard(this, table));
}

void TRunningController::RunActivityChanged() {
    const bool running = TRunController::Active() != nullptr;
    if (!runStatus_) {
        runStatus_ = new QLabel(&main_);
        runStatus_->setObjectName("RunStatus");
        main_.statusBar()->addWidget(runStatus_, 1);
        runClock_ = new QTimer(this);
        runClock_->setInterval(1000);
        connect(runClock_, &QTimer::timeout, this, &TRunningController::ShowRunStatus);
    }
    // The hourglass over the main window while the engine works; the menus stay live.
    if (running) {
        main_.setCursor(Qt::WaitCursor);
        runClock_->start();
    } else {
        main_.unsetCursor();
        runClock_->stop();
    }
    ShowRunStatus();
    ShowTableRunLine();
    main_.UpdateMenu();
}

void TRunningController::ShowRunStatus() {
    TRunController* run = TRunController::Active();
    if (!runStatus_) return;
    if (!run) {
        runStatus_->setText(lastEnd_);
        return;
    }
    const TRunSet& set = run->Set();
    // The progress window drops updates that come too quickly; it catches up here.
    if (run->RunKind() == TRunController::Kind::Table && main_.Compiling() &&
        main_.Compiling()->isVisible())
        main_.Compiling()->Update(-set.LastStarted());
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

void TRunningController::ReportEngineEnd(const TRunResult& result, const std::string& deck) {
    if (result.Stopped) {
        ShowMsg("KOLVAN was stopped.", MsgKind::Information, false);
        return;
    }
    std::string how;
    if (result.Signal)
        how = "KOLVAN was stopped by signal " + std::to_string(result.Signal) + " on " + deck + ".";
    else if (result.ExitStatus)
        how = "KOLVAN ended with status " + std::to_string(result.ExitStatus) + " on " + deck + ".";
    if (how.empty()) return;
    if (ShowMsg(how + " Open the listing?", MsgKind::WarningYesNo, true) == MsgAnswer::Yes)
        main_.Documents().GetLSTFile(deck, true);
}

std::string TRunningController::DeckToRun() const {
    // The active window's deck, else the program's input deck (a diagram, a plot, ...).
    TChildForm* c = main_.ActiveChild();
    if (c && HoldsInputDeck(c->WindowKind(), c->FileName())) return c->FileName();
    return Globals().CurrentDeckName;
}

TChildForm* TRunningController::DeckWindow(const std::string& deck) const {
    for (TChildForm* c : main_.Children())
        if (HoldsInputDeck(c->WindowKind(), c->FileName()) && c->FileName() == deck) return c;
    return nullptr;
}

void TRunningController::TellRunEnd(const TEngineEnd& end) {
    lastEnd_ = ToQ(EngineEndText(end));
    RunActivityChanged(); // the status line, and the menus with the companions written
    if (NotifyEngineEnd(end.Seconds, main_.isActiveWindow()))
        NotifyDesktop(&main_, "KOLSHELL", lastEnd_);
}

void TRunningController::Calculate1Click() {
    if (RefuseWhileRunning()) return;
    lastEnd_.clear();
    const std::string deck = DeckToRun();
    if (deck.empty()) return; // the engine is never started without a deck
    TChildForm* c = main_.ActiveChild();
    if (!c || !HoldsInputDeck(c->WindowKind(), c->FileName())) c = DeckWindow(deck);
    const auto kind = c ? c->WindowKind() : TWindowKind::None;
    if (!SaveBeforeRun(c, deck)) return;
    std::string refused;
    if (!CheckDeckAssignments(deck, refused)) return (void)ShowMsg(refused, MsgKind::Error, true);
    const std::string remembered = GetCurrentDir();
    std::string& engineDir = ProgramDirs().Dirs[pdEngine];
    if (!IsDirectory(engineDir)) engineDir = Globals().KolshellDir;
    auto finish = [this, &remembered] {
        main_.UpdateMenu();
        SetCurrentDir(remembered);
    };
    TRunResult result;
    const bool commands =
        kind == TWindowKind::Form &&
        FormCommandsAllowed(ToQ(deck), c->BeforeRunCommand(), c->AfterRunCommand());
    if (commands && c->BeforeRunCommand().size() > 4 &&
        (!RunProgramOK(c->BeforeRunCommand(), &result) || result.Stopped))
        return finish();
    std::string engine = EngineProgram(engineDir);
    if (!FileExists(engine)) {
        // The chooser says what is missing and why it asks.
        const QString dir =
            Dialogs().DirectoryName(&main_,
                                    ToQ("Select the KOLVAN directory: the engine " + engine +
                                        " was not found, and Calculate runs it"),
                                    ToQ(Globals().KolshellDir));
        if (dir.isEmpty()) return finish();
        engineDir = FromQ(dir);
        engine = EngineProgram(engineDir);
    }
    QPointer<TChildForm> form = c;
    TEngineEnd end;
    end.Deck = deck;
    const TCompanionSnapshot before = SnapshotCompanions(deck);
    QElapsedTimer clock;
    clock.start();
    end.StartFailed = !RunProgramOK(TCommandLine{engine, {deck}}, &result);
    end.Seconds = double(clock.elapsed()) / 1000;
    if (end.StartFailed) {
        TellRunEnd(end);
        return finish();
    }
    main_.Documents().GetLSTFile(deck, false);
    main_.Documents().GetOUTFile(deck, false);
    main_.Documents().GetPLTFile(deck, false);
    end.ExitStatus = result.ExitStatus;
    end.Signal = result.Signal;
    end.Stopped = result.Stopped;
    end.Written = WrittenCompanions(before, SnapshotCompanions(deck), deck);
    TellRunEnd(end);
    ReportEngineEnd(result, deck);
    if (commands && form && form->AfterRunCommand().size() > 4 && !result.Stopped)
        RunProgramOK(form->AfterRunCommand());
    finish();
}

void TRunningController::CompileModule1Click() {
    if (RefuseWhileRunning()) return;
    const std::string file = CurrentChild ? CurrentChild->FileName() : std::string();
    if (CommandSetUp(UserCommands().Compile, "Compile Module")) {
        const int result = LaunchProgram(UserCommandWith(UserCommands().Compile, file));
        if (result < LaunchFailed)
            ShowMsg(LaunchFailureText(UserCommands().Compile, result), MsgKind::Error, true);
    }
    main_.UpdateMenu();
}

void TRunningController::RebuildKOLVAN1Click() {
    if (RefuseWhileRunning()) return;
    LaunchUserCommand(UserCommands().Rebuild, "Rebuild KOLVAN");
    main_.UpdateMenu();
}

void TRunningController::ExecuteCommand1Click() {
    if (Globals().KolsedOnlyMode) {
        bool ok = false;
        const QString text = Dialogs().InputText(&main_, "User Command", "Execute User Command",
                                                 ToQ(UserCommands().User), &ok);
        if (!ok) return;
        UserCommands().User = FromQ(text);
    }
    LaunchUserCommand(UserCommands().User, "User");
    main_.UpdateMenu();
}

void TRunningController::RunCompanion(int dir, const char* executable, const char* program) {
    const std::string remembered = GetCurrentDir();
    std::string& entry = ProgramDirs().Dirs[size_t(dir)];
    if (!IsDirectory(entry)) {
        const QString chosen = Dialogs().DirectoryName(
            &main_, QString("Select the %1 directory").arg(program), ToQ(Globals().KolshellDir));
        if (chosen.isEmpty()) return;
        entry = FromQ(chosen);
    }
    SetCurrentDir(entry);
    const int result = LaunchProgram(NativePath(JoinPath(entry, executable)), entry);
    if (result < LaunchFailed) ShowMsg(LaunchFailureText(program, result), MsgKind::Error, true);
    main_.UpdateMenu();
    SetCurrentDir(remembered);
}

void TRunningController::FLOWDRAW1Click() {
    const bool node = Globals().UseNodeStudio;
    RunCompanion(pdFlowdraw, node ? "NodeLaunch.exe" : "FLOWDRAW.exe",
                 node ? "NodeStudio" : "FLOWDRAW");
}

void TRunningController::ZONEKIT1Click() {
    RunCompanion(pdZonekit, "ZONEKIT.exe", "ZONEKIT");
}

void TRunningController::ZONER1Click() {
    RunCompanion(pdZoner, "ZONERWIN.exe", "ZONER");
}

void TRunningController::MODLIB1Click() {
    RunCompanion(pdModlib, "MODLIB.exe", "MODLIB");
}

void TRunningController::DEBUG1Click() {
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
        ShowMsg(message, MsgKind::Error, true);
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

void TRunningController::StartTableRun(std::vector<TRun> runs, int parallel,
                                       const std::string& table) {
    TSlurmBackend* slurm = nullptr;
    std::unique_ptr<TRunBackend> backend = TableBackend(runs, parallel, table, slurm);
    if (!backend) return;
    FollowTableRun(std::make_shared<TRunSet>(std::move(runs), std::move(backend)), table, slurm);
}

void TRunningController::FollowTableRun(std::shared_ptr<TRunSet> set, const std::string& table,
                                        TSlurmBackend* slurm) {
    auto* run = new TRunController(std::move(set), TRunController::Kind::Table, this);
    tableRunName_ = table;
    lastEnd_.clear();
    if (slurm)
        run->SetClusterJob(
            {table, slurm->JobId(), slurm->ScriptName(), [slurm] { return slurm->Warning(); }});
    ShowTableRunWindow(run, table);
    QPointer<TCompiling> progress = main_.Compiling();
    connect(run, &TRunController::Changed, this, &TRunningController::ShowRunStatus);
    connect(run, &TRunController::Changed, this, &TRunningController::ShowTableRunLine);
    connect(run, &TRunController::Changed, this, [this, run, progress] {
        if (!progress || !run->Set().Count(TRunState::Running)) return;
        // The Table Run window shows the same: the progress window only stands in for it.
        if (lastTableRun_ && lastTableRun_->isVisible()) return progress->hide();
        PlaceProgress(*progress);
        progress->show();
        progress->Update(-run->Set().LastStarted());
    });
    connect(run, &TRunController::Ended, this, [this, run, slurm, table] {
        const bool keep = slurm && RunSettings().KeepRunFiles;
        if (slurm) RememberJob(ToQ(table), {});
        if (!RecordRunStates(table, run->Set().Runs()))
            ShowMsg(WriteFailureText(RunStateFileName(table),
                                     "File " + RunStateFileName(table) + " cannot be written."),
                    MsgKind::Error, true);
        if (slurm && !keep) slurm->DeleteRunFiles(run->Set().Runs());
        TableRunEnded(run, keep);
    });
    run->Start();
}

void TRunningController::ShowTableRunWindow(TRunController* run, const std::string& table) {
    TTableRunForm* old = nullptr;
    for (TTableRunForm* w : main_.findChildren<TTableRunForm*>()) {
        if (w->Controller() == run) return BringBack(w);
        if (SameTable(w->property("TableFile").toString().toStdString(), table)) old = w;
    }
    auto* window = new TTableRunForm(run, table, &main_);
    window->setProperty("TableFile", ToQ(table));
    window->RunAgain = [this, table](const std::vector<int>& runs) {
        main_.Tables().RunTableRuns(table, runs);
    };
    window->OpenListing = [this](const std::string& listing) {
        main_.Documents().CreateViewer(listing, TWindowKind::Listing);
        main_.UpdateMenu();
    };
    // One window a table: the next run of the table shows where the last one was.
    if (old) {
        window->setGeometry(old->geometry());
        old->deleteLater();
    } else {
        PlaceOverMain(*window);
    }
    lastTableRun_ = window;
    window->show();
}

void TRunningController::BringBack(QWidget* window) {
    window->showNormal();
    window->raise();
    window->activateWindow();
}

void TRunningController::PlaceOverMain(QWidget& window) const {
    // Inside the main window's area, below its menu bar, as far as the screen allows.
    const QRect screen = window.screen()->availableGeometry();
    const QRect area = main_.isVisible() ? main_.geometry() : screen;
    const int width = std::min(window.width(), screen.width());
    const int height = std::min(window.height(), screen.height());
    const int top = main_.isVisible() ? area.top() + main_.menuBar()->height() + 24 : area.top();
    const int left = area.left() + std::max(0, (area.width() - width) / 2);
    const QPoint at(std::clamp(left, screen.left(), screen.right() - width + 1),
                    std::clamp(top, screen.top(), screen.bottom() - height + 1));
    window.setGeometry(QRect(at, QSize(width, height)));
}

void TRunningController::PlaceProgress(QWidget& progress) const {
    // The top right corner of the main window's area, clear of the menu bar.
    progress.move(main_.mapToGlobal(
        QPoint(main_.width() - progress.width() - 16, main_.menuBar()->height() + 16)));
}

void TRunningController::CloseRunWindows() {
    for (TTableRunForm* w : main_.findChildren<TTableRunForm*>())
        w->close();
    if (main_.Compiling()) main_.Compiling()->hide();
}

void TRunningController::TableRun1Click() {
    TRunController* run = TRunController::Active();
    if (run && run->RunKind() == TRunController::Kind::Table)
        ShowTableRunWindow(run, tableRunName_);
    else if (lastTableRun_) // the last one stays for its result until it is closed
        BringBack(lastTableRun_);
}

void TRunningController::ShowTableRunLine() {
    TTableForm* table = main_.Tables().CurrentTable();
    if (!table) return;
    TRunController* run = TRunController::Active();
    const TRunController::ClusterJob* job = run ? run->Job() : nullptr;
    if (!job || !SameTable(job->Table, table->Table().TableFileName)) {
        table->ShowRunLine({});
        return;
    }
    table->ShowRunLine(TTableRunForm::JobLineText(job->Id, run->Set()));
}

void TRunningController::OfferToFollowJob(const std::string& tableFile) {
    const std::string job = FromQ(FollowedJob(ToQ(tableFile)));
    TTableForm* table = main_.Tables().CurrentTable();
    if (job.empty() || !table) return;
    // A job followed already is not followed twice: its window comes forward.
    TRunController* active = TRunController::Active();
    if (active && active->Job() && active->Job()->Id == job) {
        ShowTableRunWindow(active, tableFile);
        return;
    }
    if (ShowMsg("Follow job " + job + " again?", MsgKind::WarningYesNo, false) != MsgAnswer::Yes)
        return;
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

void TRunningController::TableRunEnded(TRunController* run, bool keepRunFiles) {
    if (main_.Compiling()) main_.Compiling()->hide();
    if (!keepRunFiles) DeleteRunDecks(run->Set().Runs());
    const std::string report = TableRunReport(run->Set());
    const auto kind = run->Set().StopRequested() ? MsgKind::Information : MsgKind::Error;
    run->deleteLater();
    main_.Watching().TakeAll(TWindowKind::Table);
    main_.UpdateMenu();
    if (!report.empty()) ShowMsg(report, kind, true);
}

void TRunningController::UpdateItems() {
    // The Table Run window of a table run going on can be closed and brought back.
    TRunController* run = TRunController::Active();
    main_.Action("TableRun1")
        ->setEnabled((run && run->RunKind() == TRunController::Kind::Table) || lastTableRun_);
}

void TRunningController::Utilities1Popup() {
    main_.Action("FLOWDRAW1")->setText(Globals().UseNodeStudio ? "NodeStudio" : "FLOWDRAW");
}

} // namespace kolshell
