// Calculate and the other runs, against a small recording script standing in for the engine
// and the companion programs, and once against the stand-in engine itself.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/paths.h"
#include "shell/cmdline.h"
#include "shell/widgets/compiling.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/runner.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

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
} // namespace

class TestRunning : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void commandLines_data();
    void commandLines();
    void calculateRunsAndRefreshes();
    void saveQuestion_data();
    void saveQuestion();
    void engineDirectoryFallback();
    void startFailures_data();
    void startFailures();
    void companions();
    void userCommandInKolsedMode();
    void progressThrottle();
    void realEngineOnDemo();

  private:
    QString Dir() const { return tmp_->path(); }
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
    Globals() = TGlobals();
    Globals().KolshellDir = Dir().toStdString();
    WriteTestFile(Dir(), "KOLSHELL.DFT", EncodeDFT(DefaultSettings()));
    CurrentChild = nullptr;
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
}

void TestRunning::cleanup() {
    dialogs_.reset();
    msgs_.reset();
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
    form.ReadaFile(deck);
    WriteTestFile(Dir(), "my run.LST", "listing\n");
    WriteTestFile(Dir(), "my run.OUT", "A\n1\n");
    SetCurrentDir(Dir().toStdString());
    bool ticked = false;
    QTimer::singleShot(50, [&] { ticked = true; });
    form.Calculate1Click();
    QVERIFY(ticked); // the interface ran while the engine did
    QCOMPARE(Args(), QStringList({"my", "run.DCK"}).replaceInStrings("my", Dir() + "/my"));
    QVERIFY(msgs_->Texts().empty()); // nothing changed: no question
    QVERIFY(form.Action("Listing1")->isEnabled());
    QCOMPARE(form.Action("Output1")->menu()->actions().size(), 1);
    QCOMPARE(form.Children().size(), 1); // no window opened by itself
    QCOMPARE(GetCurrentDir(), Dir().toStdString());
}

void TestRunning::saveQuestion_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("runs");
    QTest::addColumn<QByteArray>("onDisk");
    QTest::newRow("yes") << int(mrYes) << true << QByteArray("* new\nEND\n"); // its line ends
    QTest::newRow("no") << int(mrNo) << true << QByteArray("END\n");
    QTest::newRow("cancel") << int(mrCancel) << false << QByteArray("END\n");
}

void TestRunning::saveQuestion() {
    QFETCH(int, answer);
    QFETCH(bool, runs);
    QFETCH(QByteArray, onDisk);
    WriteRecorder(Dir(), "KOLVAN32.exe", 0);
    const std::string deck = WriteTestFile(Dir(), "RUN.DCK", "END\n");
    TKOLSHELLFORM form;
    form.ReadaFile(deck);
    qobject_cast<TEditForm*>(form.Children().first())->Editor()->InsertText("* new\n");
    msgs_->Answers = {answer};
    form.Calculate1Click();
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
    dialogs_->DirAnswers = {""};
    form.Calculate1Click(); // not in the program directory either: the dialog, cancelled
    QCOMPARE(dialogs_->Titles.size(), 1);
    QCOMPARE(ProgramDirs().Dirs[pdEngine], Dir().toStdString());
    dialogs_->DirAnswers = {other.path()};
    form.Calculate1Click();
    QCOMPARE(ProgramDirs().Dirs[pdEngine], other.path().toStdString());
    QVERIFY(QFile::exists(other.path() + "/ARGS")); // run with an empty deck name
}

void TestRunning::startFailures_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "/no/such/PROG.exe RUN.DCK"
                             << "File /no/such/PROG.exe was not found.";
    QTest::newRow("not executable") << "@/PLAIN.exe x"
                                    << "Error 5 encountered while trying to call @/PLAIN.exe";
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

void TestRunning::companions() {
    TKOLSHELLFORM form;
    Globals().UseNodeStudio = true;
    WriteRecorder(Dir(), "NodeLaunch.exe", 0);
    ProgramDirs().Dirs[pdFlowdraw] = Dir().toStdString();
    form.FLOWDRAW1Click();
    QTRY_VERIFY(QFile::exists(Dir() + "/ARGS"));
    QVERIFY(msgs_->Texts().empty());
    // A missing directory asks for one; a missing program is reported by its name.
    ProgramDirs().Dirs[pdZonekit] = "/no/such/dir";
    dialogs_->DirAnswers = {"", Dir()};
    form.ZONEKIT1Click();
    QVERIFY(msgs_->Texts().empty());
    form.ZONEKIT1Click();
    QCOMPARE(ProgramDirs().Dirs[pdZonekit], Dir().toStdString());
    QCOMPARE(msgs_->Texts().back(),
             std::string("Error 2 encountered while trying to call ZONEKIT"));
    ProgramDirs().Dirs[pdGridcalc] = Dir().toStdString();
    form.DEBUG1Click();
    QCOMPARE(msgs_->Texts().back(),
             std::string("Error 2 encountered while trying to call KOLGRIDCALC"));
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
    form.ExecuteCommand1Click(); // cancelled input: nothing runs, nothing changes
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

void TestRunning::realEngineOnDemo() {
    const QString bin = qEnvironmentVariable("KOLSHELL_BIN");
    const QString source = qEnvironmentVariable("KOLSHELL_SOURCE");
    QVERIFY(QFile::copy(bin + "/KOLVAN32.exe", Dir() + "/KOLVAN32.exe"));
    QVERIFY(QFile::copy(source + "/demo/DEMO.DCK", Dir() + "/DEMO.DCK"));
    TKOLSHELLFORM form;
    SetCurrentDir(Dir().toStdString());
    form.ReadaFile((Dir() + "/DEMO.DCK").toStdString());
    QVERIFY(!form.Action("Listing1")->isEnabled());
    form.Calculate1Click();
    QVERIFY(form.Action("Listing1")->isEnabled());
    QCOMPARE(form.Action("Output1")->menu()->actions().size(), 1);
    QCOMPARE(Globals().PlotDefName, (Dir() + "/DEMO.PLT").toStdString());
    const std::string listing = ReadTestFile((Dir() + "/DEMO.LST").toStdString());
    QVERIFY(listing.find("0 error(s), 0 warning(s).") != std::string::npos);
}

QTEST_MAIN(TestRunning)
#include "tst_running.moc"
