// Calculate and the other runs, against a small recording script standing in for the engine
// and the companion programs, and once against the stand-in engine itself.
#include "app/kolshellform.h"
#include "common/codecs.h"
#include "common/globals.h"
#include "common/paths.h"
#include "kolsed/deckwriter.h"
#include "run/cmdline.h"
#include "run/localbackend.h"
#include "run/runreport.h"
#include "run/widgets/compiling.h"
#include "run/widgets/runcontrol.h"
#include "run/widgets/runner.h"
#include "run/widgets/runsettings.h"
#include "run/widgets/tablerunform.h"
#include "shell/helptext.h"
#include "shell/widgets/editform.h"
#include "table/generator.h"
#include "table/tableedits.h"
#include "table/tablemodel.h"
#include "table/widgets/tableform.h"
#include "tests/support/runtable.h"
#include "tests/support/runwindows.h"
#include "tests/support/scriptengine.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <map>

using namespace kolshell;

namespace {
// A program that writes its arguments, one per line, to ARGS beside itself, then waits a bit.
void WriteRecorder(const QString& dir, const QString& name, double seconds = 0.2) {
    const QString path = dir + "/" + name;
    WriteTestFile(
        dir, name.toStdString(),
        QString("#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"%1/ARGS\"\nsleep %2\n")
            .arg(dir)
            .arg(seconds)
            .toStdString());
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
}

QStringList FilesLike(const QString& dir, const QString& pattern) {
    return QDir(dir).entryList({pattern}, QDir::Files, QDir::Name);
}

} // namespace

class TestRunning : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void commandLines_data();
    void commandLines();
    void calculateRunsAndRefreshes();
    void calculateWithDiagramActive();
    void flowdrawDeck();
    void saveQuestion_data();
    void saveQuestion();
    void engineDirectoryFallback();
    void startFailures_data();
    void startFailures();
    void companions();
    void commandsNotSetUp_data();
    void commandsNotSetUp();
    void messagesShowNativePaths_data();
    void messagesShowNativePaths();
    void userCommandInKolsedMode();
    void progressThrottle();
    void realEngineOnDemo_data();
    void realEngineOnDemo();
    void namesInDottedFolder_data();
    void namesInDottedFolder();
    void engineEndText_data();
    void engineEndText();
    void writtenCompanions();
    void statusLineAfterCalculate_data();
    void statusLineAfterCalculate();
    void backendStates_data();
    void backendStates();
    void closeTableDuringRun_data();
    void closeTableDuringRun();
    void commandsDuringTableRun();
    void singleRunShowsAndStops();
    void stubbornEngineKilled();
    void exitDuringSingleRun();
    void exitStatus_data();
    void exitStatus();
    void tableRunWindow();
    void tableRunWindowPerTable();
    void tableRunWindowMarksPartialOutputs();
    void tableRunSavesDeckOnlyAfterWarning_data();
    void tableRunSavesDeckOnlyAfterWarning();
    void failedRunsDoNotStopTheTable();
    void parallelRuns();
    void sharedFileQuestion_data();
    void sharedFileQuestion();
    void tableRunOnSlurm();
    void slurmWithoutSbatch();
    void bigTableOnSlurm();
    void followJobAgain_data();
    void followJobAgain();
    void jobFollowedOnlyOnce();
    void followForgottenJob();
    void exitWhileFollowingJob_data();
    void exitWhileFollowingJob();
    void jobEndsDuringExitQuestion();
    void refusedAssignment();
    void compileFileIsOneArgument();
    void formCommandsAskFirst();
    void tableRunInDottedFolder();
    // Ends the application's event loop, after which no local loop runs again: the last test.
    void exitClosesEveryWindow();

  private:
    QString Dir() const { return tmp_->path(); }
    QStringList Shown() const {
        QStringList l;
        for (const std::string& t : msgs_->Texts())
            l << QString::fromStdString(t);
        return l;
    }
    // A main window with the table open and the engine directory set, ready for Run Table.
    TTableForm* OpenTable(TKOLSHELLFORM& form, const std::string& table);
    TTableRunForm* RunWindow(TKOLSHELLFORM& form) const;
    TTableRunForm* SubmitJob(TKOLSHELLFORM& form, const std::string& table);
    QStringList Args() const {
        QStringList l =
            QString::fromStdString(ReadTestFile((Dir() + "/ARGS").toStdString())).split('\n');
        l.removeAll("");
        return l;
    }
    std::unique_ptr<QTemporaryDir> tmp_;
    std::unique_ptr<MsgRecorder> msgs_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
};

void TestRunning::init() {
    tmp_ = std::make_unique<QTemporaryDir>();
    FreshRunDir(Dir());
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
}

void TestRunning::cleanup() {
    // A failed check may leave a run going: it ends with its window.
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 15000);
    dialogs_.reset();
    msgs_.reset();
}

TTableForm* TestRunning::OpenTable(TKOLSHELLFORM& form, const std::string& table) {
    ProgramDirs().Dirs[pdEngine] = Dir().toStdString();
    RunSettings() = TRunSettings();
    form.Documents().ReadaFile(table);
    return form.Tables().CurrentTable();
}

TTableRunForm* TestRunning::RunWindow(TKOLSHELLFORM& form) const {
    const QList<TTableRunForm*> all = form.findChildren<TTableRunForm*>();
    return all.isEmpty() ? nullptr : all.last();
}

void TestRunning::commandLines_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("program and deck")
        << "KOLVAN32.exe RUN.DCK" << QStringList({"KOLVAN32.exe", "RUN.DCK"});
    QTest::newRow("quoted program")
        << "\"/a b/K.exe\" x \"y z\"" << QStringList({"/a b/K.exe", "x", "y z"});
    QTest::newRow("unquoted path with blanks")
        << "/my dir/K.exe my deck.dck" << QStringList({"/my dir/K.exe", "my", "deck.dck"});
    QTest::newRow("empty deck name") << "K.exe " << QStringList({"K.exe"});
}

void TestRunning::commandLines() {
    QFETCH(QString, line);
    QFETCH(QStringList, parts);
    const TCommandLine c = SplitCommandLine(
        line.toStdString(), [](const std::string& p) { return p == "/my dir/K.exe"; });
    QStringList got{QString::fromStdString(c.Program)};
    for (const std::string& a : c.Arguments)
        got << QString::fromStdString(a);
    QCOMPARE(got, parts);
}

void TestRunning::calculateRunsAndRefreshes() {
    WriteRecorder(Dir(), "KOLVAN32.exe", 0.3);
    const std::string deck = WriteTestFile(Dir(), "my run.DCK", "END\n");
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(deck);
    WriteTestFile(Dir(), "my run.LST", "listing\n");
    WriteTestFile(Dir(), "my run.OUT", "A\n1\n");
    SetCurrentDir(Dir().toStdString());
    bool ticked = false;
    QTimer::singleShot(50, [&] { ticked = true; });
    form.Runs().Calculate1Click();
    QVERIFY(ticked); // the interface ran while the engine did
    QCOMPARE(Args(), QStringList({Dir() + "/my run.DCK"})); // one argument, blanks and all
    QVERIFY(msgs_->Texts().empty());                        // nothing changed: no question
    QVERIFY(form.Action("Listing1")->isEnabled());
    QCOMPARE(form.Action("Output1")->menu()->actions().size(), 1);
    QCOMPARE(form.Children().size(), 1); // no window opened by itself
    QCOMPARE(GetCurrentDir(), Dir().toStdString());
}

// F8 with the deck's diagram active runs the program's input deck and keeps its companions'
// entries; with no input deck it is disabled and starts nothing.
void TestRunning::calculateWithDiagramActive() {
    WriteRecorder(Dir(), "KOLVAN32.exe", 0);
    ProgramDirs().Dirs[pdEngine] = Dir().toStdString();
    const std::string deck = WriteTestFile(Dir(), "RUN.DCK", "END\n");
    QImage picture(24, 16, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QVERIFY(picture.save(Dir() + "/RUN.BMP", "BMP"));
    WriteTestFile(Dir(), "RUN.LST", "listing\n");
    WriteTestFile(Dir(), "RUN.OUT", "A\n1\n");
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(deck);
    TChildForm* diagram = form.FirstChildOfKind(TWindowKind::Diagram);
    QVERIFY(diagram);
    form.BringForward(diagram);
    QCOMPARE(form.ActiveChild(), diagram);
    QVERIFY(form.Action("Calculate1")->isEnabled());
    form.Action("Calculate1")->trigger();
    QCOMPARE(Args(), QStringList({Dir() + "/RUN.DCK"}));
    QVERIFY(form.Action("Listing1")->isEnabled());
    QCOMPARE(form.Action("Output1")->menu()->actions().size(), 1);
    QVERIFY(form.statusBar()
                ->findChild<QLabel*>("RunStatus")
                ->text()
                .startsWith("KOLVAN finished on RUN.DCK in "));
    // No input deck: nothing to run.
    QFile::remove(Dir() + "/ARGS");
    Globals().CurrentDeckName.clear();
    form.UpdateMenu();
    QVERIFY(!form.Action("Calculate1")->isEnabled());
    form.Runs().Calculate1Click();
    QVERIFY(!QFile::exists(Dir() + "/ARGS"));
    QVERIFY(msgs_->Texts().empty());
}

// FLOWDRAW's ".DEK" deck opens as text; F8 runs it, and New Table treats it as a ".DCK".
void TestRunning::flowdrawDeck() {
    WriteRecorder(Dir(), "KOLVAN32.exe", 0);
    ProgramDirs().Dirs[pdEngine] = Dir().toStdString();
    const std::string deck = WriteTestFile(Dir(), "FLOW.DEK", "END\n");
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(deck);
    QCOMPARE(form.ActiveChild()->WindowKind(), TWindowKind::Text);
    for (const char* name : {"Calculate1", "NewTable1", "MakeKOLSEDfile1"})
        QVERIFY2(form.Action(name)->isEnabled(), name);
    form.Action("Calculate1")->trigger();
    QCOMPARE(Args(), QStringList({Dir() + "/FLOW.DEK"}));
    form.Action("NewTable1")->trigger();
    QCOMPARE(Shown(), QStringList("File " + Dir() +
                                  "/FLOW.DEK does not have any KOLVAN Comment statements."));
}

void TestRunning::saveQuestion_data() {
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<bool>("runs");
    QTest::addColumn<QByteArray>("onDisk");
    QTest::newRow("yes") << MsgAnswer::Yes << true << QByteArray("* new\nEND\n"); // its line ends
    QTest::newRow("no") << MsgAnswer::No << true << QByteArray("END\n");
    QTest::newRow("cancel") << MsgAnswer::Cancel << false << QByteArray("END\n");
}

void TestRunning::saveQuestion() {
    QFETCH(MsgAnswer, answer);
    QFETCH(bool, runs);
    QFETCH(QByteArray, onDisk);
    WriteRecorder(Dir(), "KOLVAN32.exe", 0);
    const std::string deck = WriteTestFile(Dir(), "RUN.DCK", "END\n");
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(deck);
    qobject_cast<TEditForm*>(form.Children().first())->Editor()->InsertText("* new\n");
    msgs_->Answers = {answer};
    form.Runs().Calculate1Click();
    QCOMPARE(msgs_->Texts().at(0), "Do you wish to save file " + deck + " before calling KOLVAN?");
    QCOMPARE(msgs_->Beeps, 1);
    QCOMPARE(QFile::exists(Dir() + "/ARGS"), runs);
    QCOMPARE(QByteArray::fromStdString(ReadTestFile(deck)), onDisk);
}

void TestRunning::engineDirectoryFallback() {
    QTemporaryDir other;
    WriteRecorder(other.path(), "KOLVAN32.exe", 0);
    ProgramDirs().Dirs[pdEngine] = "/no/such/engine/dir";
    TKOLSHELLFORM form;
    ProgramDirs().Dirs[pdEngine] = "/no/such/engine/dir";
    const std::string deck = WriteTestFile(other.path(), "RUN.DCK", "END\n");
    Globals().CurrentDeckName = deck; // the input deck, with no window active
    dialogs_->DirAnswers = {""};
    form.Runs().Calculate1Click(); // not in the program directory either: the dialog, cancelled
    QCOMPARE(dialogs_->Titles.size(), 1);
    QCOMPARE(ProgramDirs().Dirs[pdEngine], Dir().toStdString());
    dialogs_->DirAnswers = {other.path()};
    form.Runs().Calculate1Click();
    QCOMPARE(ProgramDirs().Dirs[pdEngine], other.path().toStdString());
    QCOMPARE(ReadTestFile(other.path().toStdString() + "/ARGS"), deck + "\n");
}

void TestRunning::startFailures_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "/no/such/PROG.exe RUN.DCK"
                             << "File /no/such/PROG.exe was not found.";
    QTest::newRow("not executable") << "@/PLAIN.exe x"
                                    << "@/PLAIN.exe could not be started: Permission denied.";
}

void TestRunning::startFailures() {
    QFETCH(QString, command);
    QFETCH(QString, message);
    WriteTestFile(Dir(), "PLAIN.exe", "just text\n");
    command.replace("@", Dir());
    message.replace("@", Dir());
    QVERIFY(!RunProgramOK(command.toStdString()));
    QCOMPARE(QString::fromStdString(msgs_->Texts().back()), message);
    QCOMPARE(msgs_->Beeps, 1);
}

// A name a message builds from a folder of the settings and a file in it has this platform's
// separators only, also when the folder was written the Windows way.
void TestRunning::messagesShowNativePaths_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("backslashes"); // the engine folder as "\tmp\...\plain"
    QTest::addColumn<QString>("message");  // @ stands for the test folder
    const QString engine = "@/plain/KOLVAN32.exe could not be started: Permission denied.";
    const QString info = "Error 2 was encountered while trying to open file @/plain/INFO/TYPE7.INF";
    QTest::newRow("engine that cannot start") << "Calculate1" << false << engine;
    QTest::newRow("engine folder with backslashes") << "Calculate1" << true << engine;
    QTest::newRow("no description of a type") << "MakeKOLSEDfile1" << false << info;
    QTest::newRow("description folder with backslashes") << "MakeKOLSEDfile1" << true << info;
}

void TestRunning::messagesShowNativePaths() {
    QFETCH(QString, action);
    QFETCH(bool, backslashes);
    QFETCH(QString, message);
    QVERIFY(QDir(Dir()).mkdir("plain"));
    WriteTestFile(Dir() + "/plain", "KOLVAN32.exe", "not a program\n");
    const std::string deck =
        WriteTestFile(Dir(), "RUN.DCK", "UNIT 1 TYPE 7 P\nPARAMETERS 1\n1500\nEND\n");
    TKOLSHELLFORM form;
    QString engineDir = Dir() + "/plain";
    if (backslashes) engineDir.replace('/', '\\');
    ProgramDirs().Dirs[pdEngine] = engineDir.toStdString();
    form.ExecDialog = [](QDialog& d) { d.reject(); };
    form.Documents().ReadaFile(deck);
    QAction* a = form.Action(action);
    QVERIFY2(a->isEnabled(), qPrintable(action));
    a->trigger();
    QVERIFY2(Shown().contains(message.replace("@", Dir())), qPrintable(Shown().join(" | ")));
    for (const QString& text : Shown())
        QVERIFY2(!text.contains('\\'), qPrintable(text));
}

void TestRunning::companions() {
    TKOLSHELLFORM form;
    Globals().UseNodeStudio = true;
    WriteRecorder(Dir(), "NodeLaunch.exe", 0);
    ProgramDirs().Dirs[pdFlowdraw] = Dir().toStdString();
    form.Runs().FLOWDRAW1Click();
    QTRY_VERIFY(QFile::exists(Dir() + "/ARGS"));
    QVERIFY(msgs_->Texts().empty());
    // A missing directory asks for one; a missing program is reported by its name.
    ProgramDirs().Dirs[pdZonekit] = "/no/such/dir";
    dialogs_->DirAnswers = {"", Dir()};
    form.Runs().ZONEKIT1Click();
    QVERIFY(msgs_->Texts().empty());
    form.Runs().ZONEKIT1Click();
    QCOMPARE(ProgramDirs().Dirs[pdZonekit], Dir().toStdString());
    QCOMPARE(msgs_->Texts().back(),
             std::string("ZONEKIT could not be started: No such file or directory."));
    ProgramDirs().Dirs[pdGridcalc] = Dir().toStdString();
    form.Runs().DEBUG1Click();
    QCOMPARE(msgs_->Texts().back(),
             std::string("KOLGRIDCALC could not be started: No such file or directory."));
}

void TestRunning::commandsNotSetUp_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("message");
    QTest::newRow("rebuild") << "RebuildKOLVAN1"
                             << "No Rebuild KOLVAN command is set up. Enter one in Setup, "
                                "Compiler.";
    QTest::newRow("user command") << "ExecuteCommand1"
                                  << "No User command is set up. Enter one in Setup, Compiler.";
    QTest::newRow("compile") << "CompileModule1"
                             << "No Compile Module command is set up. Enter one in Setup, "
                                "Compiler.";
}

void TestRunning::commandsNotSetUp() {
    // The program's defaults set up no command: each says what to set and where.
    QFETCH(QString, action);
    QFETCH(QString, message);
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(WriteTestFile(Dir(), "MOD.FOR", "      END\n"));
    QVERIFY(form.Action(action)->isEnabled());
    form.Action(action)->trigger();
    QCOMPARE(Shown(), QStringList{message});
    QVERIFY(!QFile::exists(Dir() + "/ARGS"));
}

void TestRunning::userCommandInKolsedMode() {
    Globals().KolsedOnlyMode = true;
    TKOLSHELLFORM form;
    WriteRecorder(Dir(), "USER.sh", 0);
    UserCommands().User = "old";
    dialogs_->InputAnswers = {Dir() + "/USER.sh one two"};
    form.Action("UserCommand1")->trigger();
    QCOMPARE(dialogs_->Titles, QStringList({"User Command"}));
    QCOMPARE(UserCommands().User, (Dir() + "/USER.sh one two").toStdString());
    QTRY_COMPARE(Args(), QStringList({"one", "two"}));
    form.Runs().ExecuteCommand1Click(); // cancelled input: nothing runs, nothing changes
    QCOMPARE(UserCommands().User, (Dir() + "/USER.sh one two").toStdString());
}

void TestRunning::progressThrottle() {
    TCompiling progress;
    qint64 now = 1000;
    progress.Ticks = [&] { return now; };
    QCOMPARE(progress.size(), QSize(219, 58));
    QVERIFY(progress.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(progress.windowFlags() & Qt::WindowStaysOnTopHint);
    progress.Update(12);
    QCOMPARE(progress.Number()->text(), QString("12"));
    now += 100;
    progress.Update(13); // within 100 ms: nothing
    QCOMPARE(progress.Number()->text(), QString("12"));
    now += 1;
    progress.Update(-3);
    QCOMPARE(progress.Label()->text(), QString("KOLVAN Run "));
    QCOMPARE(progress.Number()->text(), QString("3"));
    now += 200;
    progress.Update(5);
    QCOMPARE(progress.Label()->text(), QString("Reading line "));
}

void TestRunning::realEngineOnDemo_data() {
    QTest::addColumn<QString>("folder");
    QTest::newRow("plain folder") << "";
    QTest::newRow("folder with a dot") << "/tank.v2";
}

void TestRunning::realEngineOnDemo() {
    QFETCH(QString, folder);
    const QString bin = qEnvironmentVariable("KOLSHELL_BIN");
    const QString source = qEnvironmentVariable("KOLSHELL_SOURCE");
    const QString deckDir = Dir() + folder;
    QVERIFY(QDir().mkpath(deckDir));
    QVERIFY(QFile::copy(bin + "/KOLVAN32.exe", Dir() + "/KOLVAN32.exe"));
    QVERIFY(CopyDemo("DEMO.DCK", deckDir + "/DEMO.DCK"));
    TKOLSHELLFORM form;
    ProgramDirs().Dirs[pdEngine] = Dir().toStdString();
    form.Documents().ReadaFile((deckDir + "/DEMO.DCK").toStdString());
    QVERIFY(!form.Action("Listing1")->isEnabled());
    form.Runs().Calculate1Click();
    QVERIFY(msgs_->Texts().empty());
    // The listing, the outputs and the plot definition lie beside the deck.
    QVERIFY(form.Action("Listing1")->isEnabled());
    QCOMPARE(form.Action("Output1")->menu()->actions().size(), 1);
    QCOMPARE(form.Action("Output1")->menu()->actions().first()->property("FileName").toString(),
             deckDir + "/DEMO.OUT");
    QCOMPARE(Globals().PlotDefName, (deckDir + "/DEMO.PLT").toStdString());
    const std::string listing = ReadTestFile((deckDir + "/DEMO.LST").toStdString());
    QVERIFY(listing.find("0 error(s), 0 warning(s).") != std::string::npos);
    if (!folder.isEmpty()) QCOMPARE(FilesLike(Dir(), "*.LST"), QStringList());
}

void TestRunning::namesInDottedFolder_data() {
    QTest::addColumn<QString>("deck");
    QTest::addColumn<QString>("table");  // New Table's file name
    QTest::addColumn<QString>("help");   // the help text file
    QTest::addColumn<QString>("backup"); // the form's backup
    QTest::addColumn<QString>("ksd");    // Make KOLSED file's proposal
    QTest::newRow("dotted folder") << "/home/j.smith/tank.v2/RUN.DCK"
                                   << "/home/j.smith/tank.v2/RUN.TBL"
                                   << "/home/j.smith/tank.v2/RUN.HLP"
                                   << "/home/j.smith/tank.v2/RUN.BAK"
                                   << "/home/j.smith/tank.v2/RUN.KSD";
    QTest::newRow("two dots in the file name") << "/p.q/RUN.OLD.DCK"
                                               << "/p.q/RUN.TBL"
                                               << "/p.q/RUN.HLP"
                                               << "/p.q/RUN.BAK"
                                               << "/p.q/RUN.KSD";
    QTest::newRow("no dot in the file name") << "/p.q/RUN"
                                             << "/p.q/RUN"
                                             << "/p.q/RUN.HLP"
                                             << "/p.q/RUN.BAK"
                                             << "/p.q/RUN.KSD";
}

void TestRunning::namesInDottedFolder() {
    QFETCH(QString, deck);
    QFETCH(QString, table);
    QFETCH(QString, help);
    QFETCH(QString, backup);
    QFETCH(QString, ksd);
    const std::string d = deck.toStdString();
    QCOMPARE(QString::fromStdString(NewDeckTable(d, {"X"}, 1).TableFileName), table);
    QCOMPARE(QString::fromStdString(TopicHelpText(d, 1)), "File " + help + " was not found.");
    QCOMPARE(QString::fromStdString(BackupName(d)), backup);
    QCOMPARE(QString::fromStdString(ProposedKsdName(d)), ksd);
}

void TestRunning::engineEndText_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<bool>("startFailed");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QString>("text");
    const QStringList three = {"DEMO.LST", "DEMO.OUT", "DEMO.PLT"};
    QTest::newRow("finished") << 1.23 << 0 << 0 << false << false << three
                              << "KOLVAN finished on DEMO.DCK in 1.2 s: DEMO.LST, DEMO.OUT, "
                                 "DEMO.PLT written";
    QTest::newRow("finished, nothing written")
        << 1.23 << 0 << 0 << false << false << QStringList()
        << "KOLVAN finished on DEMO.DCK in 1.2 s, no files written";
    QTest::newRow("status") << 1.23 << 4 << 0 << false << false << QStringList({"DEMO.LST"})
                            << "KOLVAN ended with status 4 on DEMO.DCK in 1.2 s: DEMO.LST written";
    QTest::newRow("signal") << 1.23 << 0 << 11 << false << false << QStringList()
                            << "KOLVAN was stopped by signal 11 on DEMO.DCK in 1.2 s, no files "
                               "written";
    QTest::newRow("stopped") << 1.23 << 0 << 15 << true << false << QStringList()
                             << "KOLVAN was stopped on DEMO.DCK after 1.2 s.";
    QTest::newRow("not started") << 1.23 << 0 << 0 << false << true << QStringList()
                                 << "KOLVAN could not be started on DEMO.DCK.";
    QTest::newRow("quick") << 0.02 << 0 << 0 << false << false << QStringList({"DEMO.LST"})
                           << "KOLVAN finished on DEMO.DCK in under 0.1 s: DEMO.LST written";
}

void TestRunning::engineEndText() {
    QFETCH(double, seconds);
    QFETCH(int, status);
    QFETCH(int, signal);
    QFETCH(bool, stopped);
    QFETCH(bool, startFailed);
    QFETCH(QStringList, written);
    QFETCH(QString, text);
    TEngineEnd end;
    end.Deck = "/home/u/runs/DEMO.DCK";
    end.Seconds = seconds;
    end.ExitStatus = status;
    end.Signal = signal;
    end.Stopped = stopped;
    end.StartFailed = startFailed;
    for (const QString& w : written)
        end.Written.push_back(w.toStdString());
    QCOMPARE(QString::fromStdString(EngineEndText(end)), text);
    QVERIFY(NotifyEngineEnd(10.5, false));
    QVERIFY(!NotifyEngineEnd(10.5, true));
    QVERIFY(!NotifyEngineEnd(9.9, false));
}

void TestRunning::writtenCompanions() {
    const std::string deck = WriteTestFile(Dir(), "RUN.DCK", "END\n");
    WriteTestFile(Dir(), "RUN.LST", "old listing\n");
    WriteTestFile(Dir(), "RUN.OUT", "A\n1\n");
    WriteTestFile(Dir(), "OTHER.LST", "x\n");
    const TCompanionSnapshot before = SnapshotCompanions(deck);
    QCOMPARE(int(before.size()), 3);
    WriteTestFile(Dir(), "RUN.LST", "a new and longer listing\n"); // changed
    WriteTestFile(Dir(), "run.plt", "P\n");                        // new, other case
    WriteTestFile(Dir(), "OTHER.OUT", "x\n");                      // another deck's
    WriteTestFile(Dir(), "RUN.DCK", "* edited\nEND\n");            // the deck itself
    const std::vector<std::string> written =
        WrittenCompanions(before, SnapshotCompanions(deck), deck);
    QCOMPARE(written, std::vector<std::string>({"RUN.LST", "run.plt"}));
    QVERIFY(SnapshotCompanions("").empty());
    QVERIFY(SnapshotCompanions("/no/such/dir/X.DCK").empty());
}

// The status line after F8 says how the run went and what it wrote, with the stand-in engine
// (deck DEMO) and with the scripted one failing (status 4).
void TestRunning::statusLineAfterCalculate_data() {
    QTest::addColumn<bool>("real");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("finished")
        << true
        << "KOLVAN finished on DEMO.DCK in (under 0\\.1|\\d+\\.\\d) s: DEMO.LST, "
           "DEMO.OUT, DEMO.PLT written";
    QTest::newRow("failed")
        << false
        << "KOLVAN ended with status 4 on DEMO.DCK in (under 0\\.1|\\d+\\.\\d) s: "
           "DEMO.LST written";
}

void TestRunning::statusLineAfterCalculate() {
    QFETCH(bool, real);
    QFETCH(QString, pattern);
    if (real) {
        QVERIFY(QFile::copy(qEnvironmentVariable("KOLSHELL_BIN") + "/KOLVAN32.exe",
                            Dir() + "/KOLVAN32.exe"));
        QVERIFY(QFile::copy(qEnvironmentVariable("KOLSHELL_SOURCE") + "/demo/DEMO.DCK",
                            Dir() + "/DEMO.DCK"));
    } else {
        WriteScriptEngine(Dir(), 0);
        WriteTestFile(Dir(), "DEMO.DCK", "STATUS=4\n");
        msgs_->Answers = {MsgAnswer::No}; // "Open the listing?"
    }
    TKOLSHELLFORM form;
    ProgramDirs().Dirs[pdEngine] = Dir().toStdString();
    form.Documents().ReadaFile((Dir() + "/DEMO.DCK").toStdString());
    QVERIFY(!form.Action("Listing1")->isEnabled());
    form.Action("Calculate1")->trigger();
    const QString shown = form.statusBar()->findChild<QLabel*>("RunStatus")->text();
    QVERIFY2(
        QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(shown).hasMatch(),
        qPrintable(shown));
    QVERIFY(form.Action("Listing1")->isEnabled()); // the Windows menu follows the run
    if (!real) QCOMPARE(Shown().size(), 1);        // the failure's question as before
}

void TestRunning::backendStates_data() {
    QTest::addColumn<QString>("deck");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("status");
    QTest::newRow("exit 0") << "PAUSE=0\n"
                            << "done" << 0;
    QTest::newRow("exit 4") << "STATUS=4\n"
                            << "failed with status 4" << 4;
    QTest::newRow("crash") << "SIGNAL=11\n"
                           << "failed by signal 11" << 0;
}

void TestRunning::backendStates() {
    QFETCH(QString, deck);
    QFETCH(QString, state);
    QFETCH(int, status);
    WriteScriptEngine(Dir(), 0);
    std::vector<TRun> runs(2);
    for (size_t i = 0; i < runs.size(); ++i) {
        runs[i].Number = int(i + 1);
        runs[i].Deck = WriteTestFile(Dir(), "R" + std::to_string(i) + ".DCK", deck.toStdString());
        runs[i].Program = (Dir() + "/KOLVAN32.exe").toStdString();
        runs[i].Arguments = {runs[i].Deck};
    }
    TRunSet set(std::move(runs), std::make_unique<TLocalBackend>(2));
    RunToEnd(set, nullptr);
    for (const TRun& r : set.Runs()) {
        QCOMPARE(QString::fromStdString(StateText(r)), state);
        QCOMPARE(r.ExitStatus, status);
        QVERIFY(r.Ended >= r.Started && r.Started >= 0);
    }
    // An engine that cannot be started starts for no run.
    std::vector<TRun> missing(3);
    for (TRun& r : missing)
        r.Program = "/no/such/KOLVAN32.exe";
    TRunSet none(std::move(missing), std::make_unique<TLocalBackend>(1));
    RunToEnd(none, nullptr);
    QCOMPARE(none.Count(TRunState::NotRun), 3);
    QCOMPARE(none.StartFailure(), &none.Runs()[0]);
    QCOMPARE(none.Runs()[0].StartError, ENOENT);
    QCOMPARE(StartErrorText("/no/such/KOLVAN32.exe X.TMP /N", ENOENT),
             std::string("File /no/such/KOLVAN32.exe was not found."));
    QCOMPARE(RunNumberList({1, 2, 3, 5, 7, 8}), std::string("1-3, 5, 7-8"));
}

void TestRunning::closeTableDuringRun_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<MsgAnswer>("answer");
    for (const char* c : {"close table", "open deck", "open table", "new table", "exit"}) {
        QTest::newRow(qPrintable(QString(c) + ", yes")) << c << MsgAnswer::Yes;
        QTest::newRow(qPrintable(QString(c) + ", no")) << c << MsgAnswer::No;
    }
}

void TestRunning::closeTableDuringRun() {
    QFETCH(QString, command);
    QFETCH(MsgAnswer, answer);
    WriteScriptEngine(Dir(), 0);
    const std::string table = WriteRunTable(Dir(), {{0.4}, {0.4}, {0.4}, {0.4}});
    const std::string other = WriteTestFile(Dir(), "OTHER.DCK", "CONSTANTS 1\nX = 1\nEND\n");
    TTable otherTable = NewDeckTable(other, {"X"}, 1);
    const std::string otherTableFile = Dir().toStdString() + "/OTHER.TBL";
    SaveTable(otherTable, otherTableFile);
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(Dir().toStdString() + "/T.DCK");
    QPointer<TChildForm> editor = form.Children().first();
    QPointer<TTableForm> window = OpenTable(form, table);
    QVERIFY(window);
    form.Action("RunTable1")->trigger();
    QVERIFY(Running());
    QTRY_COMPARE(Starts(Dir()), 1); // "KOLVAN Run 1" shows
    msgs_->Answers = {answer};
    bool dialogShown = false;
    form.ExecDialog = [&](QDialog&) { dialogShown = true; };
    if (command == "close table") {
        window->close();
    } else if (command == "open deck") {
        form.Documents().ReadaFile(other);
    } else if (command == "open table") {
        form.Documents().ReadaFile(otherTableFile);
    } else if (command == "new table") {
        CurrentChild = editor;
        form.Tables().NewTable1Click();
    } else {
        form.Action("Exit1")->trigger();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(Shown().at(0), QString("A table run is going on. Stop it?"));
    if (answer == MsgAnswer::Yes) {
        QVERIFY(!Running());
        QTRY_VERIFY_WITH_TIMEOUT(EnginesGone(Dir()), 2000);
        QCOMPARE(Starts(Dir()), 1); // no further run
        QCOMPARE(Shown().at(1), QString("The table run was stopped before any run had finished."));
        // ... and the command went on.
        if (command == "close table" || command == "open deck") QVERIFY(!window);
        if (command == "open deck") QCOMPARE(form.Children().last()->FileName(), other);
        if (command == "open table")
            QVERIFY(form.Tables().CurrentTable() && form.Tables().CurrentTable() != window);
        if (command == "new table") QVERIFY(dialogShown);
        if (command == "exit") QVERIFY(form.Children().isEmpty());
    } else {
        QVERIFY(Running());
        QVERIFY(window);
        QVERIFY(!dialogShown);
        QVERIFY(!form.Children().isEmpty()); // Exit too was cancelled
        QTRY_VERIFY_WITH_TIMEOUT(!Running(), 15000);
        QCOMPARE(Starts(Dir()), 4);
        QCOMPARE(Shown().size(), 1); // every run done: nothing more to say
    }
    QVERIFY(FilesLike(Dir(), "*.TMP").isEmpty());
    QCOMPARE(ReadTestFile(Dir().toStdString() + "/T.DCK").substr(0, 11),
             std::string("CONSTANTS 3"));
}

void TestRunning::commandsDuringTableRun() {
    WriteScriptEngine(Dir(), 0);
    const std::string table = WriteRunTable(Dir(), {{0.5}, {0.5}, {0.5}});
    TKOLSHELLFORM form;
    OpenTable(form, table);
    const QStringList starting = {"Calculate1", "RunTable1", "CompileModule1", "RebuildKOLVAN1"};
    QVERIFY(!form.Action("StopRun1")->isEnabled());
    QCOMPARE(form.Action("StopRun1")->shortcut(), QKeySequence("Ctrl+Break"));
    form.Action("RunTable1")->trigger();
    for (const QString& name : starting)
        QVERIFY2(!form.Action(name)->isEnabled(), qPrintable(name));
    QVERIFY(form.Action("StopRun1")->isEnabled());
    // Reached another way, they are refused with one line, and nothing more starts.
    form.Tables().RunTable1Click();
    form.Runs().Calculate1Click();
    form.Runs().RebuildKOLVAN1Click();
    const std::string refusal = "A run is going on: wait for it to end, or stop it with Stop Run.";
    QCOMPARE(Shown(), QStringList(3, QString::fromStdString(refusal)));
    QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
    QCOMPARE(form.statusBar()->findChild<QLabel*>("RunStatus")->text(),
             "KOLVAN Run 1 of 3 on " + Dir() + "/T.TMP, 0 s");
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 15000);
    QCOMPARE(Starts(Dir()), 3);
    QVERIFY(form.Action("RunTable1")->isEnabled());
    QVERIFY(!form.Action("StopRun1")->isEnabled());
    QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(form.statusBar()->findChild<QLabel*>("RunStatus")->text().isEmpty());
}

void TestRunning::singleRunShowsAndStops() {
    WriteScriptEngine(Dir(), 0);
    const std::string deck = WriteTestFile(Dir(), "RUN.DCK", "PAUSE = 30\nEND\n");
    TKOLSHELLFORM form;
    ProgramDirs().Dirs[pdEngine] = Dir().toStdString();
    form.Documents().ReadaFile(deck);
    bool checked = false;
    QTimer::singleShot(300, [&] {
        // F8 again while the engine runs: refused, no second engine on the same deck.
        QTRY_COMPARE_WITH_TIMEOUT(Starts(Dir()), 1, 20000); // a busy machine starts it late
        QVERIFY(!form.Action("Calculate1")->isEnabled());
        form.Runs().Calculate1Click();
        QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
        QVERIFY(form.statusBar()
                    ->findChild<QLabel*>("RunStatus")
                    ->text()
                    .startsWith("KOLVAN running on " + QString::fromStdString(deck) + ", "));
        form.Action("StopRun1")->trigger();
        checked = true;
    });
    form.Action("Calculate1")->trigger();
    QVERIFY(checked);
    QCOMPARE(Starts(Dir()), 1);
    QTRY_VERIFY_WITH_TIMEOUT(EnginesGone(Dir()), 2000);
    QCOMPARE(Shown(), QStringList({"A run is going on: wait for it to end, or stop it with "
                                   "Stop Run.",
                                   "KOLVAN was stopped."}));
    QCOMPARE(ReadTestFile(deck), std::string("PAUSE = 30\nEND\n"));
    QVERIFY(form.Action("Calculate1")->isEnabled());
}

void TestRunning::stubbornEngineKilled() {
    WriteScriptEngine(Dir(), 0);
    const std::string deck = WriteTestFile(Dir(), "RUN.DCK", "STUBBORN = 1\nPAUSE = 30\nEND\n");
    TKOLSHELLFORM form;
    ProgramDirs().Dirs[pdEngine] = Dir().toStdString();
    form.Documents().ReadaFile(deck);
    QTimer::singleShot(300, [&] { form.Runs().StopRun1Click(); });
    form.Runs().Calculate1Click();
    // Asked to end, it would not: killed (its 30 s pause never ended, nothing was listed).
    QTRY_VERIFY_WITH_TIMEOUT(EnginesGone(Dir()), 2000);
    QVERIFY(ReadTestFile((Dir() + "/RUNLOG").toStdString()).find("end ") == std::string::npos);
    QVERIFY(!QFile::exists(Dir() + "/RUN.LST"));
    QCOMPARE(Shown(), QStringList{"KOLVAN was stopped."});
}

void TestRunning::exitDuringSingleRun() {
    WriteScriptEngine(Dir(), 0);
    const std::string deck = WriteTestFile(Dir(), "RUN.DCK", "PAUSE = 30\nEND\n");
    TKOLSHELLFORM form;
    ProgramDirs().Dirs[pdEngine] = Dir().toStdString();
    form.Documents().ReadaFile(deck);
    msgs_->Answers = {MsgAnswer::No, MsgAnswer::Yes};
    QTimer::singleShot(300, [&] {
        form.Action("Exit1")->trigger(); // No: the engine goes on, the program too
        QVERIFY(Running());
        QVERIFY(!form.Children().isEmpty());
        form.Action("Exit1")->trigger(); // Yes: stopped, then the program closes
    });
    form.Runs().Calculate1Click();
    QTRY_VERIFY_WITH_TIMEOUT(EnginesGone(Dir()), 2000);
    QCOMPARE(Shown(), QStringList({"A KOLVAN run is going on. Stop it?",
                                   "A KOLVAN run is going on. Stop it?", "KOLVAN was stopped."}));
    QVERIFY(form.Children().isEmpty());
}

void TestRunning::exitStatus_data() {
    QTest::addColumn<QString>("deck");
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<QString>("message");
    QTest::newRow("status 0") << "PAUSE = 0\n" << MsgAnswer::Yes << "";
    QTest::newRow("status 3, yes")
        << "STATUS = 3\n"
        << MsgAnswer::Yes << "KOLVAN ended with status 3 on @/RUN.DCK. Open the listing?";
    QTest::newRow("status 3, no") << "STATUS = 3\n"
                                  << MsgAnswer::No
                                  << "KOLVAN ended with status 3 on @/RUN.DCK. Open the listing?";
    QTest::newRow("crash, yes") << "SIGNAL = 9\n"
                                << MsgAnswer::Yes
                                << "KOLVAN was stopped by signal 9 on @/RUN.DCK. Open the listing?";
}

void TestRunning::exitStatus() {
    QFETCH(QString, deck);
    QFETCH(MsgAnswer, answer);
    QFETCH(QString, message);
    WriteScriptEngine(Dir(), 0);
    const std::string name = WriteTestFile(Dir(), "RUN.DCK", deck.toStdString() + "END\n");
    TKOLSHELLFORM form;
    ProgramDirs().Dirs[pdEngine] = Dir().toStdString();
    form.Documents().ReadaFile(name);
    msgs_->Answers = {answer};
    form.Action("Calculate1")->trigger();
    const QStringList expected =
        message.isEmpty() ? QStringList{} : QStringList{message.replace("@", Dir())};
    QCOMPARE(Shown(), expected);
    if (!expected.empty()) QCOMPARE(msgs_->Shown[0].Kind, MsgKind::WarningYesNo);
    // Yes opens the listing the engine left; the Windows menu offers it in every case.
    TChildForm* listing = form.FirstChildOfKind(TWindowKind::Listing);
    QCOMPARE(listing != nullptr, !expected.empty() && answer == MsgAnswer::Yes);
    if (listing) QCOMPARE(listing->windowTitle(), Dir() + "/RUN.LST");
    QVERIFY(form.Action("Listing1")->isEnabled());
}

void TestRunning::tableRunWindow() {
    WriteScriptEngine(Dir(), 0);
    const std::string table =
        WriteRunTable(Dir(), {{0.1}, {0.1, 3}, {0.1, 0, 9}, {0.1}, {30}, {0.1}});
    TKOLSHELLFORM form;
    OpenTable(form, table);
    form.Action("RunTable1")->trigger();
    TTableRunForm* w = RunWindow(form);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QString::fromUtf8("Table Run \u2013 ") + Dir() + "/T.TBL");
    QCOMPARE(States(w).mid(1), QStringList(5, "waiting"));
    QCOMPARE(w->RunList()->topLevelItem(1)->text(TTableRunForm::colDeck), Dir() + "/T1.TMP");
    QCOMPARE(w->RunList()->topLevelItem(1)->text(TTableRunForm::colValues),
             QString("1.0000E-01, 3.0000E+00, 0.0000E+00"));
    QCOMPARE(w->RunList()->topLevelItem(4)->text(TTableRunForm::colListing), Dir() + "/T4.LST");
    QTRY_COMPARE_WITH_TIMEOUT(States(w).at(4), QString("running"), 10000);
    // Closed while the runs go on, the window comes back from Windows, Table Run.
    QVERIFY(form.Action("TableRun1")->isEnabled());
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!RunWindow(form));
    form.Action("TableRun1")->trigger();
    w = RunWindow(form);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QString::fromUtf8("Table Run \u2013 ") + Dir() + "/T.TBL");
    QCOMPARE(States(w).mid(0, 4),
             QStringList({"done", "failed with status 3", "failed by signal 9", "done"}));
    QCOMPARE(States(w).at(4), QString("running"));
    QVERIFY(w->Summary()->text().startsWith("2 of 6 runs done, 2 failed, elapsed "));
    w->StopBtn()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    QVERIFY(form.Action("TableRun1")->isEnabled()); // its window stays for the result
    QCOMPARE(States(w).mid(4), QStringList({"stopped", "not run"}));
    QVERIFY(!w->StopBtn()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(EnginesGone(Dir()), 2000);
    QCOMPARE(Shown(), QStringList{"The table run was stopped. Runs 1-4 had finished."});
    QVERIFY(FilesLike(Dir(), "*.TMP").isEmpty());
    // The window stays for the result; a double click opens a finished run's listing.
    QVERIFY(w->isVisible());
    emit w->RunList()->itemDoubleClicked(w->RunList()->topLevelItem(1), 0);
    TChildForm* listing = form.FirstChildOfKind(TWindowKind::Listing);
    QVERIFY(listing);
    QCOMPARE(listing->windowTitle(), Dir() + "/T1.LST");
    QPointer<TTableRunForm> gone = w;
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!gone);
}

// A table's Table Run window opens over the main window below its menu bar, as wide as its
// columns, comes back from Windows, Table Run after the run, and is the one the table's next
// run shows in.
void TestRunning::tableRunWindowPerTable() {
    WriteScriptEngine(Dir(), 0);
    const std::string table = WriteRunTable(Dir(), {{0.1}, {0.1}});
    TKOLSHELLFORM form;
    form.setGeometry(form.screen()->availableGeometry());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    OpenTable(form, table);
    form.Action("RunTable1")->trigger();
    QPointer<TTableRunForm> first = RunWindow(form);
    QVERIFY(first);
    QVERIFY(first->width() >= std::min(first->RunList()->header()->length(),
                                       first->screen()->availableGeometry().width() - 40));
    QVERIFY2(form.frameGeometry().contains(first->geometry().topLeft()),
             qPrintable(QString("%1,%2 %3x%4 in %5,%6 %7x%8")
                            .arg(first->x())
                            .arg(first->y())
                            .arg(first->width())
                            .arg(first->height())
                            .arg(form.x())
                            .arg(form.y())
                            .arg(form.width())
                            .arg(form.height())));
    QVERIFY(first->geometry().top() >
            form.menuBar()->mapToGlobal(QPoint(0, 0)).y() + form.menuBar()->height());
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    first->showMinimized();
    QVERIFY(form.Action("TableRun1")->isEnabled());
    form.Action("TableRun1")->trigger();
    QVERIFY(first->isVisible() && !first->isMinimized());
    const QRect where = first->geometry();
    form.BringForward(form.Tables().CurrentTable());
    form.Action("RunTable1")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);
    QCOMPARE(form.findChildren<TTableRunForm*>().size(), 1);
    QCOMPARE(RunWindow(form)->geometry(), where);
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    RunWindow(form)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    form.UpdateMenu();
    QVERIFY(!form.Action("TableRun1")->isEnabled());
}

// The Table Run window names each run's output files and marks those of a run going on, and
// of a run that failed or was stopped, so that they are not taken for results.
void TestRunning::tableRunWindowMarksPartialOutputs() {
    WriteScriptEngine(Dir(), 0);
    const std::string table =
        WriteRunTable(Dir(), {{0.1}, {0.1, 3}, {30}, {0.1}}, "ASSIGN T.OUT 12\n");
    TKOLSHELLFORM form;
    OpenTable(form, table);
    form.Action("RunTable1")->trigger();
    TTableRunForm* w = RunWindow(form);
    QVERIFY(w);
    const auto outputs = [w](int i) {
        return w->RunList()->topLevelItem(i)->text(TTableRunForm::colOutputs);
    };
    QCOMPARE(w->RunList()->headerItem()->text(TTableRunForm::colOutputs), QString("Output files"));
    QCOMPARE(outputs(3), QString("T3.OUT"));
    QTRY_COMPARE_WITH_TIMEOUT(States(w).at(2), QString("running"), 10000);
    QCOMPARE(outputs(2), QString("being written: T2.OUT"));
    QCOMPARE(outputs(0), QString("T.OUT"));
    QCOMPARE(outputs(1), QString("partial (failed): T1.OUT"));
    w->StopBtn()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    QCOMPARE(outputs(2), QString("partial (stopped): T2.OUT"));
    QCOMPARE(outputs(3), QString("not written"));
    const QColor done =
        w->RunList()->topLevelItem(0)->foreground(TTableRunForm::colOutputs).color();
    for (int i : {1, 2}) {
        QTreeWidgetItem* item = w->RunList()->topLevelItem(i);
        QVERIFY(item->foreground(TTableRunForm::colOutputs).color() != done);
        QVERIFY(item->toolTip(TTableRunForm::colOutputs).contains("partial outputs"));
    }
    QTRY_VERIFY_WITH_TIMEOUT(EnginesGone(Dir()), 2000);
}

void TestRunning::tableRunSavesDeckOnlyAfterWarning_data() {
    QTest::addColumn<MsgAnswer>("answer");
    QTest::newRow("Yes: the window's version, then the run") << MsgAnswer::Yes;
    QTest::newRow("Cancel: nothing written, nothing run") << MsgAnswer::Cancel;
}

// Run Table with its deck changed in an editor and by another program: Yes to saving it first
// warns before writing over the other program's version, as Save does.
void TestRunning::tableRunSavesDeckOnlyAfterWarning() {
    QFETCH(MsgAnswer, answer);
    WriteScriptEngine(Dir(), 0);
    const std::string table = WriteRunTable(Dir(), {{0}});
    const std::string deck = Dir().toStdString() + "/T.DCK";
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(deck);
    auto* editor = qobject_cast<TEditForm*>(form.FirstChildOfKind(TWindowKind::Deck));
    QVERIFY(editor);
    editor->Editor()->InsertText("* mine\n");
    OpenTable(form, table);
    form.UpdateMenu();
    const std::string theirs = ReadTestFile(deck) + "* theirs\n";
    WriteTestFile(Dir(), "T.DCK", theirs);
    msgs_->Answers = {MsgAnswer::Yes, answer};
    form.Action("RunTable1")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    const QStringList asked{
        QString::fromStdString("Do you wish to save file " + deck + " before running the table?"),
        QString::fromStdString(deck + " was changed by another program since "
                                      "it was opened here. Save your version "
                                      "over it?")};
    QCOMPARE(Shown().mid(0, 2), asked);
    QCOMPARE(Starts(Dir()), answer == MsgAnswer::Yes ? 1 : 0);
    QCOMPARE(ReadTestFile(deck).find("* mine\n") == 0, answer == MsgAnswer::Yes);
    if (answer != MsgAnswer::Yes) QCOMPARE(ReadTestFile(deck), theirs);
}

// File, Exit with a Table Run window and the help window open: every window closes and the
// program's event loop ends.
void TestRunning::exitClosesEveryWindow() {
    WriteScriptEngine(Dir(), 0);
    const std::string table = WriteRunTable(Dir(), {{0.1}});
    TKOLSHELLFORM form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    OpenTable(form, table);
    form.Action("RunTable1")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    QPointer<TTableRunForm> run = RunWindow(form);
    QVERIFY(run && run->isVisible());
    const std::string programDir = Globals().KolshellDir;
    Globals().KolshellDir = qEnvironmentVariable("KOLSHELL_BIN").toStdString(); // its help
    form.Action("KOLVANIndex1")->trigger();
    Globals().KolshellDir = programDir;
    QWidgetList open;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) open << w;
    QVERIFY2(open.size() >= 3, qPrintable(QString::number(open.size()))); // main, run, help
    bool lastClosed = false;
    connect(qApp, &QGuiApplication::lastWindowClosed, this, [&] { lastClosed = true; });
    QTimer::singleShot(0, &form, [&] { form.Action("Exit1")->trigger(); });
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(2); }); // a window kept it open
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(lastClosed);
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->windowTitle()));
}

void TestRunning::failedRunsDoNotStopTheTable() {
    WriteScriptEngine(Dir(), 0);
    const std::string table = WriteRunTable(Dir(), {{0}, {0, 3}, {0, 0, 9}, {0}});
    TKOLSHELLFORM form;
    OpenTable(form, table);
    const std::string before = ReadTestFile(table);
    form.Action("RunTable1")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    QCOMPARE(Starts(Dir()), 4);
    QCOMPARE(Shown(), QStringList{"2 of 4 runs failed. The first, run 2 on " + Dir() +
                                  "/T1.TMP, failed with status 3."});
    QCOMPARE(RunWindow(form)->Summary()->text().left(28), QString("2 of 4 runs done, 2 failed, "));
    // The run records only its run decks in the table file, before the first run starts.
    std::string after = ReadTestFile(table), expected = before, why;
    TTable recorded;
    QVERIFY(DecodeTable(after, recorded, why));
    QCOMPARE(recorded.RunDeckNames[0], Dir().toStdString() + "/T.TMP");
    QCOMPARE(recorded.RunDeckNames[3], Dir().toStdString() + "/T3.TMP");
    for (size_t k = 0; k < 4; ++k)
        PutString(reinterpret_cast<uint8_t*>(&expected[TableHeaderSize + k * TableRunSlotSize]),
                  recorded.RunDeckNames[k], RunDeckNameMax);
    QCOMPARE(after, expected);
}

void TestRunning::parallelRuns() {
    // The stand-in engine behind the script, so that the runs write real outputs.
    WriteScriptEngine(Dir(), 0.3);
    QVERIFY(
        QFile::copy(qEnvironmentVariable("KOLSHELL_BIN") + "/KOLVAN32.exe", Dir() + "/REAL.exe"));
    QDir(Dir()).mkdir("project");
    const QString project = Dir() + "/project";
    QVERIFY(CopyDemo("DEMO.DCK", project + "/DEMO.DCK"));
    TTable t = NewDeckTable((project + "/DEMO.DCK").toStdString(), {"QPUMP"}, 6);
    for (int r = 1; r <= 6; ++r)
        t.Columns[0].Values[size_t(r)] = 0.01 * r;
    SaveTable(t, (project + "/DEMO.TBL").toStdString());
    std::map<int, std::map<QString, std::string>> outputs;
    for (int n : {1, 2}) {
        QFile::remove(Dir() + "/RUNLOG");
        TKOLSHELLFORM form;
        OpenTable(form, (project + "/DEMO.TBL").toStdString());
        RunSettings().RunsAtOnce = n;
        form.Action("RunTable1")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!Running(), 20000);
        QVERIFY(Shown().empty());
        QCOMPARE(MostAtOnce(Dir()), n);
        for (const LogLine& l : RunLog(Dir()))
            QCOMPARE(l.Folder, project); // each engine in the deck's folder
        const QStringList files = FilesLike(project, "DEMO*.O*") + FilesLike(project, "DEMO*.LST");
        QCOMPARE(files.size(), 12);
        for (const QString& f : files) {
            outputs[n][f] = ReadTestFile((project + "/" + f).toStdString());
            QFile::remove(project + "/" + f);
        }
    }
    QVERIFY(outputs[1] == outputs[2]);
}

void TestRunning::sharedFileQuestion_data() {
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<int>("atOnce"); // 0: nothing runs
    QTest::newRow("yes: one at a time") << MsgAnswer::Yes << 1;
    QTest::newRow("no: at once all the same") << MsgAnswer::No << 2;
    QTest::newRow("cancel: nothing runs") << MsgAnswer::Cancel << 0;
}

void TestRunning::sharedFileQuestion() {
    QFETCH(MsgAnswer, answer);
    QFETCH(int, atOnce);
    WriteScriptEngine(Dir(), 0);
    const std::string table =
        WriteRunTable(Dir(), {{0.3}, {0.3}, {0.3}, {0.3}}, "ASSIGN T.OUT 12\nASSIGN SUM.OUT 13\n");
    TKOLSHELLFORM form;
    OpenTable(form, table);
    RunSettings().RunsAtOnce = 2;
    msgs_->Answers = {answer};
    form.Action("RunTable1")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    QCOMPARE(Shown(),
             QStringList{"File SUM.OUT is written by every run. Run the table one run at a time?"});
    QCOMPARE(MostAtOnce(Dir()), atOnce);
    QCOMPARE(Starts(Dir()), atOnce ? 4 : 0);
    QVERIFY(FilesLike(Dir(), "*.TMP").isEmpty());
}

void TestRunning::tableRunInDottedFolder() {
    // A deck in a folder with a dot runs like any other: its table is found, its run decks and
    // outputs stay in its folder.
    WriteScriptEngine(Dir(), 0);
    QDir(Dir()).mkdir("proj.v2");
    const std::string table = WriteRunTable(Dir() + "/proj.v2", {{0}, {0}});
    TKOLSHELLFORM form;
    ProgramDirs().Dirs[pdEngine] = Dir().toStdString();
    form.Documents().ReadaFile((Dir() + "/proj.v2/T.DCK").toStdString());
    QCOMPARE(form.Action("Table1")->text(), QString::fromStdString("Table " + table));
    QVERIFY(OpenTable(form, table));
    form.Action("RunTable1")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    QCOMPARE(Shown(), QStringList());
    QCOMPARE(Starts(Dir()), 2);
    QVERIFY(FilesLike(Dir(), "*.TMP").isEmpty());
    QVERIFY(FilesLike(Dir(), "*.LST").isEmpty());
}

// A deck whose printer would write over the deck is refused before the engine starts, by
// Calculate and by a table run, with the line that says so.
void TestRunning::refusedAssignment() {
    WriteScriptEngine(Dir(), 0);
    const std::string table = WriteRunTable(Dir(), {{0}, {0}}, "ASSIGN T.DCK 12\n");
    const std::string deck = Dir().toStdString() + "/T.DCK";
    const QString message = QString::fromStdString(
        "Line 5 of " + deck +
        " assigns T.DCK to the engine, but it is the deck itself. The engine writes only files "
        "in the deck's folder other than the deck and its listing; nothing was run.");
    TKOLSHELLFORM form;
    OpenTable(form, table);
    form.Action("RunTable1")->trigger();
    QVERIFY(!Running());
    QCOMPARE(Shown(), QStringList{message});
    form.Documents().ReadaFile(deck);
    form.Action("Calculate1")->trigger();
    QVERIFY(!Running());
    QCOMPARE(Shown(), QStringList({message, message}));
    QCOMPARE(Starts(Dir()), 0);
    QVERIFY(FilesLike(Dir(), "*.TMP").isEmpty());
}

// Compile Module hands the file to the compiler as one argument, blanks and quotes included.
void TestRunning::compileFileIsOneArgument() {
    WriteRecorder(Dir(), "cc.sh", 0);
    QDir(Dir()).mkdir("my project");
    const std::string file = WriteTestFile(Dir() + "/my project", "MO\"DEL.FOR", "      END\n");
    TKOLSHELLFORM form;
    UserCommands().Compile = (Dir() + "/cc.sh -c").toStdString();
    form.Documents().ReadaFile(file);
    form.Runs().CompileModule1Click();
    QTRY_COMPARE(Args(), QStringList({"-c", QString::fromStdString(file)}));
}

// A form's BEFORE command runs on Calculate only once the user allowed it for that form:
// asked with the command shown, a No runs the engine alone and asks again next time, a Yes
// is remembered.
void TestRunning::formCommandsAskFirst() {
    WriteScriptEngine(Dir(), 0);
    WriteRecorder(Dir(), "before.sh", 0);
    const std::string command = (Dir() + "/before.sh first").toStdString();
    const std::string ksd = WriteTestFile(
        Dir(), "F.KSD", "*|<BEFORE> " + command + "\nX = 1\n*|X|m|m|0|1|0|9|0\nEND\n");
    TKOLSHELLFORM form;
    ProgramDirs().Dirs[pdEngine] = Dir().toStdString();
    form.Documents().ReadaFile(ksd);
    QVERIFY(form.FirstChildOfKind(TWindowKind::Form));
    const std::string question =
        "The form " + ksd + " runs these commands when it is calculated:\n\nBefore: " + command +
        "\n\nAllow them for this form? With No the engine runs "
        "without them.";
    msgs_->Answers = {MsgAnswer::No};
    form.Runs().Calculate1Click();
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{question});
    QVERIFY(!QFile::exists(Dir() + "/ARGS"));
    QCOMPARE(Starts(Dir()), 1);
    msgs_->Answers = {MsgAnswer::Yes};
    form.Runs().Calculate1Click();
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    QCOMPARE(msgs_->Texts(), std::vector<std::string>({question, question}));
    QCOMPARE(Args(), QStringList{"first"});
    form.Runs().Calculate1Click();
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    QCOMPARE(msgs_->Texts().size(), size_t(2)); // remembered: not asked again
    QCOMPARE(Starts(Dir()), 3);
}

QTEST_MAIN(TestRunning)
namespace {

// sbatch, squeue and scancel stand-ins in dir/slurm: sbatch notes its arguments and answers
// job 77, squeue prints dir/SQUEUE, scancel notes its job.
QByteArray FakeSlurmOnPath(const QString& dir) {
    const QString bin = dir + "/slurm";
    QDir().mkpath(bin);
    const auto write = [&](const char* name, const QString& body) {
        WriteTestFile(bin, name, ("#!/bin/sh\n" + body).toStdString());
        const QString path = bin + "/" + name;
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    };
    write("sbatch",
          QString("for a in \"$@\"; do echo \"$a\"; done > %1/SBATCH\necho 77\n").arg(dir));
    write("squeue", QString("cat %1/SQUEUE\n").arg(dir));
    write("sacct", "exit 1\n");
    write("scancel", QString("echo \"$1\" > %1/SCANCEL\n").arg(dir));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8() + ":" + path);
    return path;
}

} // namespace

void TestRunning::tableRunOnSlurm() {
    WriteScriptEngine(Dir(), 0);
    const std::string table = WriteRunTable(Dir(), {{0}, {0}, {0}});
    const QByteArray path = FakeSlurmOnPath(Dir());
    WriteTestFile(Dir(), "SQUEUE", "77_[1-3]|PENDING|\n");
    TKOLSHELLFORM form;
    OpenTable(form, table);
    RunSettings().OnSlurm = true;
    RunSettings().Partition = "short";
    RunSettings().SbatchArgs = "--comment='two words'";
    form.Action("RunTable1")->trigger();
    TTableRunForm* w = RunWindow(form);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QString::fromUtf8("Table Run \u2013 ") + Dir() + "/T.TBL" +
                                   QString::fromUtf8(" \u2013 job 77"));
    QVERIFY(w->Note()->text().contains("job script " + Dir() + "/T.SLURM.sh"));
    QVERIFY(w->Note()->text().contains("filesystem the cluster's nodes share"));
    QCOMPARE(QString::fromStdString(ReadTestFile((Dir() + "/SBATCH").toStdString())),
             QString("--parsable\n--array=1-3\n--job-name=KOLSHELL-T\n--output=%1/T%a.slurm.log\n"
                     "--partition=short\n--comment=two words\n%1/T.SLURM.sh\n")
                 .arg(Dir()));
    QTRY_COMPARE_WITH_TIMEOUT(States(w), QStringList(3, "pending"), 10000);
    WriteTestFile(Dir(), "T1.slurm.status", "0\n");
    WriteTestFile(Dir(), "T2.slurm.status", "4\n");
    WriteTestFile(Dir(), "SQUEUE", "77_1|COMPLETED|n1\n77_2|FAILED|n2\n77_3|RUNNING|n1\n");
    QTRY_COMPARE_WITH_TIMEOUT(
        States(w), QStringList({"completed", "failed with exit code 4", "running on n1"}), 10000);
    w->StopBtn()->click();
    QTRY_COMPARE(QString::fromStdString(ReadTestFile((Dir() + "/SCANCEL").toStdString())),
                 QString("77\n"));
    WriteTestFile(Dir(), "SQUEUE", "77_3|CANCELLED by 0|n1\n");
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    qputenv("PATH", path);
    QCOMPARE(States(w).at(2), QString("cancelled"));
    QVERIFY(FilesLike(Dir(), "*.TMP").isEmpty());
    QVERIFY(FilesLike(Dir(), "*.slurm.status").isEmpty());
    QVERIFY(!QFile::exists(Dir() + "/T.SLURM.sh"));
    QVERIFY(FollowedJob(Dir() + "/T.TBL").isEmpty()); // forgotten once the job has ended
}

namespace {

QString MainStatus(TKOLSHELLFORM& form) {
    return form.statusBar()->findChild<QLabel*>("RunStatus")->text();
}

} // namespace

// Submits the 3-run table T.TBL as job 77 with the fake Slurm commands, the runs pending.
TTableRunForm* TestRunning::SubmitJob(TKOLSHELLFORM& form, const std::string& table) {
    WriteTestFile(Dir(), "SQUEUE", "77_[1-3]|PENDING|\n");
    OpenTable(form, table);
    RunSettings().OnSlurm = true;
    form.Action("RunTable1")->trigger();
    TTableRunForm* w = RunWindow(form);
    const bool pending =
        QTest::qWaitFor([&] { return w && States(w) == QStringList(3, "pending"); }, 10000);
    return pending ? w : nullptr;
}

void TestRunning::bigTableOnSlurm() {
    // 9999 runs: submitted, run decks and all, and followed with the interface live
    // throughout (bench/ times the submission).
    WriteScriptEngine(Dir(), 0);
    const std::string table =
        WriteRunTable(Dir(), std::vector<std::vector<double>>(9999, std::vector<double>{0}));
    const QByteArray path = FakeSlurmOnPath(Dir());
    WriteTestFile(Dir(), "SQUEUE", "77_[1-9999]|PENDING|\n");
    TKOLSHELLFORM form;
    OpenTable(form, table);
    RunSettings().OnSlurm = true;
    form.Action("RunTable1")->trigger();
    TTableRunForm* w = RunWindow(form);
    QVERIFY(w);
    // The interface stays live: the event loop keeps turning while the runs are followed,
    // counted in the beats of a timer (a following that blocked would let none through).
    int beats = 0;
    QTimer beat;
    connect(&beat, &QTimer::timeout, [&] { ++beats; });
    beat.start(20);
    QTRY_COMPARE_WITH_TIMEOUT(RunLine(form),
                              QString("Slurm job 77: 0 of 9999 runs done, 9999 pending"), 15000);
    for (int r = 1; r <= 9999; ++r)
        WriteTestFile(Dir(), "T" + std::to_string(r) + ".slurm.status", "0\n");
    WriteTestFile(Dir(), "SQUEUE", "");
    const int beatsBefore = beats;
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 30000);
    qputenv("PATH", path);
    QVERIFY2(beats > beatsBefore, qPrintable(QString::number(beats - beatsBefore) + " beats"));
    QCOMPARE(States(w), QStringList(9999, "completed"));
    QVERIFY(FilesLike(Dir(), "*.TMP").isEmpty());
}

void TestRunning::followJobAgain_data() {
    QTest::addColumn<MsgAnswer>("answer");
    QTest::newRow("yes") << MsgAnswer::Yes;
    QTest::newRow("no") << MsgAnswer::No;
}

void TestRunning::followJobAgain() {
    QFETCH(MsgAnswer, answer);
    WriteScriptEngine(Dir(), 0);
    const std::string table = WriteRunTable(Dir(), {{0}, {0}, {0}});
    const QByteArray path = FakeSlurmOnPath(Dir());
    {
        TKOLSHELLFORM form;
        QVERIFY(SubmitJob(form, table));
        QCOMPARE(RunLine(form), QString("Slurm job 77: 0 of 3 runs done, 3 pending"));
        QVERIFY(MainStatus(form).startsWith("Slurm job 77: KOLVAN Run  of 3"));
        // The program ends; the job goes on on the cluster.
        msgs_->Answers = {MsgAnswer::No};
        form.Action("Exit1")->trigger();
        QCOMPARE(Shown(), QStringList{"Slurm job 77 goes on on the cluster; it can be followed "
                                      "again when its table is opened. Stop it?"});
        QVERIFY(form.Children().isEmpty());
    }
    QVERIFY(!Running());
    QVERIFY(!QFile::exists(Dir() + "/SCANCEL"));
    QCOMPARE(FollowedJob(Dir() + "/T.TBL"), QString("77"));
    QCOMPARE(FilesLike(Dir(), "*.TMP").size(), 3);
    // Later, in a program started anew: two runs have ended, the third runs.
    WriteTestFile(Dir(), "T1.slurm.status", "0\n");
    WriteTestFile(Dir(), "T2.slurm.status", "0\n");
    WriteTestFile(Dir(), "SQUEUE", "77_3|RUNNING|n2\n");
    msgs_->Shown.clear();
    msgs_->Answers = {answer};
    TKOLSHELLFORM form;
    OpenTable(form, table);
    QCOMPARE(Shown(), QStringList{"Follow job 77 again?"});
    TTableRunForm* w = RunWindow(form);
    if (answer == MsgAnswer::No) {
        QVERIFY(!w);
        QVERIFY(!Running());
        QCOMPARE(FollowedJob(Dir() + "/T.TBL"), QString("77")); // asked again next time
        QCOMPARE(FilesLike(Dir(), "*.TMP").size(), 3);
        qputenv("PATH", path);
        return;
    }
    QVERIFY(w);
    QVERIFY(Running());
    QCOMPARE(w->windowTitle(), QString::fromUtf8("Table Run \u2013 ") + Dir() + "/T.TBL" +
                                   QString::fromUtf8(" \u2013 job 77"));
    QTRY_COMPARE_WITH_TIMEOUT(States(w), QStringList({"completed", "completed", "running on n2"}),
                              10000);
    QTRY_COMPARE(RunLine(form), QString("Slurm job 77: 2 of 3 runs done, 1 running"));
    WriteTestFile(Dir(), "T3.slurm.status", "0\n");
    WriteTestFile(Dir(), "SQUEUE", "77_3|COMPLETED|n2\n");
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    qputenv("PATH", path);
    QCOMPARE(States(w), QStringList(3, "completed"));
    QCOMPARE(RunLine(form), QString());
    QCOMPARE(Shown(), QStringList{"Follow job 77 again?"}); // nothing failed
    QVERIFY(FilesLike(Dir(), "*.TMP").isEmpty());
    QVERIFY(FilesLike(Dir(), "*.slurm.*").isEmpty());
    QVERIFY(!QFile::exists(Dir() + "/T.SLURM.sh"));
    QVERIFY(FollowedJob(Dir() + "/T.TBL").isEmpty());
}

void TestRunning::jobFollowedOnlyOnce() {
    // The job followed in this program is not offered again: its window comes back instead.
    WriteScriptEngine(Dir(), 0);
    const std::string table = WriteRunTable(Dir(), {{0}, {0}, {0}});
    const QByteArray path = FakeSlurmOnPath(Dir());
    TKOLSHELLFORM form;
    QPointer<TTableRunForm> w = SubmitJob(form, table);
    QVERIFY(w);
    w->close();
    QTRY_VERIFY(!w);
    // Closing the table window asks nothing: the job goes on without it.
    QPointer<TTableForm> tableWindow = form.Tables().CurrentTable();
    tableWindow->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!tableWindow);
    QVERIFY(Running());
    form.Documents().ReadaFile(table);
    QVERIFY(Shown().isEmpty());
    TTableRunForm* again = RunWindow(form);
    QVERIFY(again);
    QVERIFY(again->isVisible());
    QCOMPARE(States(again), QStringList(3, "pending"));
    QCOMPARE(RunLine(form), QString("Slurm job 77: 0 of 3 runs done, 3 pending"));
    WriteTestFile(Dir(), "SQUEUE",
                  "77_1|CANCELLED by 0|\n77_2|CANCELLED by 0|\n"
                  "77_3|CANCELLED by 0|\n");
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    qputenv("PATH", path);
    QCOMPARE(States(again), QStringList(3, "cancelled"));
}

void TestRunning::followForgottenJob() {
    // A job of a session long gone that Slurm has forgotten: the status files tell.
    WriteScriptEngine(Dir(), 0);
    const std::string table = WriteRunTable(Dir(), {{0}, {0}, {0}});
    const QByteArray path = FakeSlurmOnPath(Dir());
    WriteTestFile(Dir() + "/slurm", "squeue",
                  "#!/bin/sh\necho 'slurm_load_jobs error: Invalid job id specified' >&2\n"
                  "exit 1\n");
    RememberJob(Dir() + "/T.TBL", "55", 3);
    for (const char* deck : {"T.TMP", "T1.TMP", "T2.TMP"})
        WriteTestFile(Dir(), deck, "CONSTANTS 3\r\n");
    WriteTestFile(Dir(), "T.SLURM.sh", "#!/bin/sh\n");
    WriteTestFile(Dir(), "T1.slurm.status", "0\n");
    WriteTestFile(Dir(), "T2.slurm.status", "2\n");
    WriteTestFile(Dir(), "T2.slurm.log", "engine: bad deck\n");
    msgs_->Answers = {MsgAnswer::Yes};
    TKOLSHELLFORM form;
    OpenTable(form, table);
    TTableRunForm* w = RunWindow(form);
    QVERIFY(w);
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 10000);
    qputenv("PATH", path);
    QCOMPARE(States(w),
             QStringList({"completed", "failed with exit code 2", "ended without a status file"}));
    QCOMPARE(w->WarningLine()->text(), QString("Slurm no longer knows job 55; the states shown "
                                               "are those its runs left in their status files."));
    QCOMPARE(Shown(), QStringList({"Follow job 55 again?",
                                   "2 of 3 runs failed. The first, run 2 on " + Dir() +
                                       "/T1.TMP, failed with exit code 2."}));
    QVERIFY(FilesLike(Dir(), "*.TMP").isEmpty());
    QCOMPARE(FilesLike(Dir(), "*.slurm.*"), QStringList{"T2.slurm.log"}); // to be read
    QVERIFY(!QFile::exists(Dir() + "/T.SLURM.sh"));
    QVERIFY(FollowedJob(Dir() + "/T.TBL").isEmpty());
}

void TestRunning::exitWhileFollowingJob_data() {
    QTest::addColumn<MsgAnswer>("answer");
    QTest::newRow("yes: cancelled") << MsgAnswer::Yes;
    QTest::newRow("no: goes on") << MsgAnswer::No;
    QTest::newRow("cancel: stays") << MsgAnswer::Cancel;
}

void TestRunning::exitWhileFollowingJob() {
    QFETCH(MsgAnswer, answer);
    WriteScriptEngine(Dir(), 0);
    const std::string table = WriteRunTable(Dir(), {{0}, {0}, {0}});
    const QByteArray path = FakeSlurmOnPath(Dir());
    TKOLSHELLFORM form;
    QVERIFY(SubmitJob(form, table));
    msgs_->Answers = {answer};
    form.Action("Exit1")->trigger();
    QCOMPARE(Shown().at(0), QString("Slurm job 77 goes on on the cluster; it can be followed "
                                    "again when its table is opened. Stop it?"));
    QCOMPARE(form.Children().isEmpty(), answer != MsgAnswer::Cancel);
    QCOMPARE(Running(), answer != MsgAnswer::Yes);
    QCOMPARE(QFile::exists(Dir() + "/SCANCEL"), answer == MsgAnswer::Yes);
    QCOMPARE(FollowedJob(Dir() + "/T.TBL").isEmpty(), answer == MsgAnswer::Yes);
    QCOMPARE(FilesLike(Dir(), "*.TMP").isEmpty(), answer == MsgAnswer::Yes);
    if (answer == MsgAnswer::Yes)
        QCOMPARE(Shown().at(1), QString("The table run was stopped before any run had finished."));
    if (answer == MsgAnswer::Cancel)
        QCOMPARE(RunLine(form), QString("Slurm job 77: 0 of 3 runs done, 3 pending"));
    if (Running()) {
        WriteTestFile(Dir(), "SQUEUE", "");
        for (int r = 1; r <= 3; ++r)
            WriteTestFile(Dir(), "T" + std::to_string(r) + ".slurm.status", "0\n");
        QTRY_VERIFY_WITH_TIMEOUT(!Running(), 20000);
    }
    qputenv("PATH", path);
}

void TestRunning::jobEndsDuringExitQuestion() {
    // The job ends while the question is open; Yes then has nothing left to stop.
    WriteScriptEngine(Dir(), 0);
    const std::string table = WriteRunTable(Dir(), {{0}, {0}, {0}});
    const QByteArray path = FakeSlurmOnPath(Dir());
    TKOLSHELLFORM form;
    QVERIFY(SubmitJob(form, table));
    for (int r = 1; r <= 3; ++r)
        WriteTestFile(Dir(), "T" + std::to_string(r) + ".slurm.status", "0\n");
    WriteTestFile(Dir(), "SQUEUE", "");
    const MsgHandler recorder = SetMsgHandler([&](const MsgRequest& m) {
        if (m.Text.find("goes on on the cluster") != std::string::npos) {
            if (!QTest::qWaitFor([] { return !Running(); }, 10000)) return MsgAnswer::No;
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        return MsgAnswer::Yes;
    });
    form.Action("Exit1")->trigger();
    SetMsgHandler(recorder);
    qputenv("PATH", path);
    QVERIFY(!Running());
    QVERIFY(form.Children().isEmpty());
    QVERIFY(!QFile::exists(Dir() + "/SCANCEL"));
    QVERIFY(FollowedJob(Dir() + "/T.TBL").isEmpty());
}

void TestRunning::slurmWithoutSbatch() {
    WriteScriptEngine(Dir(), 0);
    const std::string table = WriteRunTable(Dir(), {{0}, {0}});
    TKOLSHELLFORM form;
    OpenTable(form, table);
    RunSettings().OnSlurm = true;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", Dir().toUtf8() + "/nothing");
    form.Action("RunTable1")->trigger();
    qputenv("PATH", path);
    QVERIFY(!RunWindow(form));
    QCOMPARE(Shown(), QStringList{"Slurm's sbatch was not found on this computer."});
    QVERIFY(FilesLike(Dir(), "*.TMP").isEmpty());
    QVERIFY(!QFile::exists(Dir() + "/T.SLURM.sh"));
}

#include "tst_running.moc"
