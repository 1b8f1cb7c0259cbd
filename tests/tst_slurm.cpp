// The Slurm backend without a cluster: the words, the script, sbatch's arguments, squeue's
// and sacct's answers, and a job followed through fake sbatch/squeue/scancel on PATH.
#include "run/slurmbackend.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace kolshell;

class TestSlurm : public QObject {
    Q_OBJECT
  private slots:
    void shellWords_data();
    void shellWords();
    void sbatchArguments();
    void jobScriptRunsEachDeck();
    void squeueLines_data();
    void squeueLines();
    void sacctLines();
    void followsWithFakeCommands();
    void cancelNotWaitedFor();
    void accountingNotWaitedFor_data();
    void accountingNotWaitedFor();
    void forgottenJob();
    void missingSbatch();
    void refusedJob();
};

void TestSlurm::shellWords_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<bool>("ok");
    QTest::newRow("empty") << "" << QStringList{} << true;
    QTest::newRow("blanks") << "  --mem=1G \t -q  long " << QStringList{"--mem=1G", "-q", "long"}
                            << true;
    QTest::newRow("single quotes")
        << "--comment='a b' x" << QStringList{"--comment=a b", "x"} << true;
    QTest::newRow("double quotes") << "\"a \\\"b\\\" $c\"" << QStringList{"a \"b\" $c"} << true;
    QTest::newRow("backslash") << "a\\ b" << QStringList{"a b"} << true;
    QTest::newRow("nothing expanded")
        << "$(rm -rf x) `y` *;&" << QStringList{"$(rm", "-rf", "x)", "`y`", "*;&"} << true;
    QTest::newRow("open quote") << "'abc" << QStringList{} << false;
}

void TestSlurm::shellWords() {
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QFETCH(bool, ok);
    std::vector<std::string> got;
    QCOMPARE(SplitShellWords(line.toStdString(), got), ok);
    if (!ok) return;
    QStringList g;
    for (const std::string& w : got)
        g << QString::fromStdString(w);
    QCOMPARE(g, words);
}

std::vector<TRun> Runs(int n, const std::string& dir) {
    std::vector<TRun> runs;
    for (int r = 1; r <= n; ++r) {
        TRun run;
        run.Number = r;
        run.Deck = dir + "/DEMO" + (r == 1 ? "" : std::to_string(r - 1)) + ".TMP";
        run.Program = dir + "/KOLVAN32.exe";
        run.Arguments = {run.Deck, "/N"};
        run.Dir = dir;
        runs.push_back(run);
    }
    return runs;
}

void TestSlurm::sbatchArguments() {
    TSlurmOptions o;
    o.TableName = "/d/T 1.TBL";
    o.Partition = "short";
    o.TimeMinutes = 30;
    o.MaxAtOnce = 4;
    o.ExtraArgs = "--mem=2G --comment='x y'";
    std::vector<std::string> args;
    std::string message;
    QVERIFY(SbatchArguments(o, Runs(12, "/d"), args, message));
    const std::vector<std::string> want = {"--parsable",
                                           "--array=1-12%4",
                                           "--job-name=KOLSHELL-T 1",
                                           "--output=/d/T 1%a.slurm.log",
                                           "--partition=short",
                                           "--time=30",
                                           "--mem=2G",
                                           "--comment=x y",
                                           "/d/T 1.SLURM.sh"};
    QCOMPARE(args, want);
    o = {};
    o.TableName = "/d/T.TBL";
    QVERIFY(SbatchArguments(o, Runs(3, "/d"), args, message));
    QCOMPARE(args[1], std::string("--array=1-3"));
    QCOMPARE(args.size(), size_t(5));
    o.ExtraArgs = "--comment='open";
    QVERIFY(!SbatchArguments(o, Runs(3, "/d"), args, message));
    QVERIFY(message.find("unfinished quote") != std::string::npos);
    // sbatch's patterns in the folder's or the table's name stay plain text.
    o = {};
    o.TableName = "/d/%j 100%/T%u.TBL";
    QVERIFY(SbatchArguments(o, Runs(3, "/d/%j 100%"), args, message));
    QCOMPARE(args[3], std::string("--output=/d/%%j 100%%/T%%u%a.slurm.log"));
}

void TestSlurm::jobScriptRunsEachDeck() {
    QTemporaryDir tmp;
    const std::string dir = (tmp.path() + "/it's here").toStdString();
    QVERIFY(QDir().mkpath(QString::fromStdString(dir)));
    const std::string script = (tmp.path() + "/job.sh").toStdString();
    {
        std::vector<TRun> runs = Runs(3, dir);
        for (TRun& r : runs)
            r.Program = "/bin/echo";
        QFile f(QString::fromStdString(script));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(SlurmJobScript(runs, "T").c_str());
    }
    for (int task = 1; task <= 3; ++task) {
        qputenv("SLURM_ARRAY_TASK_ID", QByteArray::number(task));
        const TCommandResult r = RunCommand("/bin/sh", {script});
        QCOMPARE(r.Status, 0);
        QCOMPARE(r.Out, Runs(3, dir)[size_t(task - 1)].Deck + " /N\n");
        QFile status(QString::fromStdString(dir) + QString("/T%1.slurm.status").arg(task));
        QVERIFY(status.open(QIODevice::ReadOnly));
        QCOMPARE(status.readAll(), QByteArray("0\n"));
    }
    qputenv("SLURM_ARRAY_TASK_ID", "4");
    QCOMPARE(RunCommand("/bin/sh", {script}).Status, 2);
    qunsetenv("SLURM_ARRAY_TASK_ID");
}

void TestSlurm::squeueLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tasks"); // task:state:node, blank-separated
    QTest::newRow("expanded") << "12_1|RUNNING|n1\n12_2|PENDING|\n12_3|COMPLETED|n2\n"
                              << "1:RUNNING:n1 2:PENDING: 3:COMPLETED:n2";
    QTest::newRow("pending record") << "12_[2-4%2]|PENDING|\n12_1|RUNNING|n1\n"
                                    << "1:RUNNING:n1 2:PENDING: 3:PENDING: 4:PENDING:";
    QTest::newRow("other job ignored") << "13_1|RUNNING|n1\n121_1|RUNNING|n1\n"
                                       << "";
    QTest::newRow("cancelled by") << "12_5|CANCELLED by 0|n1\n"
                                  << "5:CANCELLED:n1";
    // Tasks are runs 1 to 5 only; numbers beyond int are no tasks at all.
    QTest::newRow("range at the int limit") << "12_[2147483640-2147483647]|PENDING|\n"
                                            << "";
    QTest::newRow("range of two billion") << "12_[1-2000000000]|PENDING|\n"
                                          << "1:PENDING: 2:PENDING: 3:PENDING: 4:PENDING: "
                                             "5:PENDING:";
    QTest::newRow("range past int") << "12_[4-99999999999]|PENDING|\n12_99999999999|RUNNING|n\n"
                                    << "";
    QTest::newRow("task beyond the runs") << "12_6|RUNNING|n1\n12_0|RUNNING|n1\n"
                                          << "";
    QTest::newRow("signs and blanks") << "12_[-3-2, 4]|PENDING|\n12_+5|RUNNING|n\n"
                                      << "";
}

void TestSlurm::squeueLines() {
    QFETCH(QString, text);
    QFETCH(QString, tasks);
    QStringList got;
    for (const auto& [task, t] : ParseSqueue("12", text.toStdString(), 5))
        got << QString("%1:%2:%3")
                   .arg(task)
                   .arg(QString::fromStdString(t.State), QString::fromStdString(t.Node));
    QCOMPARE(got.join(' '), tasks);
}

void TestSlurm::sacctLines() {
    const auto tasks = ParseSacct(
        "7", "7_1|COMPLETED|0:0|n1\n7_2|FAILED|3:0|n2\n7_3|CANCELLED by 0|0:15|None assigned\n");
    QCOMPARE(tasks.size(), size_t(3));
    QCOMPARE(tasks.at(2).ExitCode, 3);
    QCOMPARE(tasks.at(2).Node, std::string("n2"));
    QCOMPARE(tasks.at(3).State, std::string("CANCELLED"));
    QCOMPARE(tasks.at(3).Node, std::string());
    // Exit codes and task numbers are read with their range: nothing beyond int counts.
    const auto odd = ParseSacct("7",
                                "7_1|FAILED|99999999999:0|n1\n7_2|FAILED|x|n1\n"
                                "7_4294967297|FAILED|1:0|n1\n",
                                3);
    QCOMPARE(odd.size(), size_t(2));
    QCOMPARE(odd.at(1).ExitCode, -1);
    QCOMPARE(odd.at(2).ExitCode, -1);
}

namespace {

// Fake Slurm commands in dir: sbatch answers "42", squeue prints dir/SQUEUE and counts its
// calls, sacct refuses as without accounting, scancel notes it was called.
void FakeSlurm(const QString& dir, const QString& sbatch) {
    const auto write = [&](const QString& name, const QString& body) {
        WriteTestFile(dir, name.toStdString(), ("#!/bin/sh\n" + body).toStdString());
        QFile::setPermissions(dir + "/" + name,
                              QFile::permissions(dir + "/" + name) | QFile::ExeOwner);
    };
    write("sbatch", sbatch);
    write("squeue", QString("echo x >> %1/CALLS\ncat %1/SQUEUE\n").arg(dir));
    write("sacct", "echo 'Slurm accounting storage is disabled' >&2\nexit 1\n");
    write("scancel", QString("echo \"$@\" > %1/SCANCEL\n").arg(dir));
}

void SetSqueue(const QString& dir, const QString& text) {
    WriteTestFile(dir, "SQUEUE", text.toStdString());
}

} // namespace

void TestSlurm::followsWithFakeCommands() {
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    FakeSlurm(dir, "echo \"$@\" > " + dir + "/SBATCH\necho '42;cluster'\n");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.toUtf8() + ":" + path);
    TSlurmOptions o;
    o.TableName = (dir + "/T.TBL").toStdString();
    auto backend = std::make_unique<TSlurmBackend>(o);
    backend->SetPollMs(600000); // polled when the test says so
    TSlurmBackend& slurm = *backend;
    std::string message;
    std::vector<TRun> runs = Runs(3, dir.toStdString());
    QVERIFY2(slurm.Submit(runs, message), message.c_str());
    QCOMPARE(slurm.JobId(), std::string("42"));
    QVERIFY(QFile::exists(dir + "/T.SLURM.sh"));
    TRunSet set(std::move(runs), std::move(backend));
    const auto advance = [&] {
        slurm.PollNow();
        set.Advance();
        QVERIFY(slurm.Polling());
        for (int i = 0; i < 100 && slurm.Polling(); ++i) {
            set.Wait(100);
            set.Advance();
        }
        QVERIFY(!slurm.Polling());
    };
    SetSqueue(dir, "42_1|RUNNING|n1\n42_[2-3]|PENDING|\n");
    advance();
    QCOMPARE(StateText(set.Runs()[0]), std::string("running on n1"));
    QCOMPARE(StateText(set.Runs()[1]), std::string("pending"));
    // Run 1 has ended and squeue forgot it; run 2 failed with 3 by its status file.
    WriteTestFile(dir, "T1.slurm.status", "0\n");
    WriteTestFile(dir, "T2.slurm.status", "3\n");
    SetSqueue(dir, "42_2|FAILED|n2\n42_3|RUNNING|n1\n");
    advance();
    QCOMPARE(StateText(set.Runs()[0]), std::string("completed"));
    QCOMPARE(StateText(set.Runs()[1]), std::string("failed with exit code 3"));
    QCOMPARE(set.Runs()[1].State, TRunState::Failed);
    // The controller does not answer: a warning, the states stay.
    WriteTestFile(dir, "squeue",
                  QString("#!/bin/sh\necho x >> %1/CALLS\necho 'squeue: error: Unable to "
                          "contact slurm controller' >&2\nexit 1\n")
                      .arg(dir)
                      .toStdString());
    advance();
    QVERIFY(slurm.Warning().find("does not answer") != std::string::npos);
    QCOMPARE(set.Runs()[2].State, TRunState::Running);
    FakeSlurm(dir, "");
    SetSqueue(dir, "42_3|TIMEOUT|n1\n");
    advance();
    QVERIFY(slurm.Warning().empty());
    QCOMPARE(StateText(set.Runs()[2]), std::string("timed out"));
    QVERIFY(set.Finished());
    QFile calls(dir + "/CALLS");
    QVERIFY(calls.open(QIODevice::ReadOnly));
    QCOMPARE(calls.readAll().count('\n'), 4); // one squeue per poll, whatever the runs
    slurm.DeleteRunFiles(set.Runs());
    QVERIFY(!QFile::exists(dir + "/T.SLURM.sh"));
    QVERIFY(!QFile::exists(dir + "/T1.slurm.status"));
    qputenv("PATH", path);
}

namespace {

// A program in dir that notes its start in dir/<name>.started, waits for dir/GO, then says
// text (on stdout or stderr) and exits with status.
void WriteHeldCommand(const QString& dir, const QString& name, const QString& text, int status,
                      bool onStdout = false) {
    WriteTestFile(dir, name.toStdString(),
                  QString("#!/bin/sh\ntouch %1/%2.started\n"
                          "i=0; while [ ! -e %1/GO ] && [ $i -lt 1200 ]; do sleep 0.05; "
                          "i=$((i+1)); done\n"
                          "touch %1/%2.ended\nprintf '%s\\n' '%3' %4\nexit %5\n")
                      .arg(dir, name, text, onStdout ? "" : ">&2")
                      .arg(status)
                      .toStdString());
    QFile::setPermissions(dir + "/" + name, QFile::permissions(dir + "/" + name) | QFile::ExeOwner);
}

// A set of n runs followed as job 42 with the fake commands of dir, polled when the test says.
struct FollowedJob {
    TSlurmBackend* Slurm;
    std::unique_ptr<TRunSet> Set;
    FollowedJob(const QString& dir, int n) {
        TSlurmOptions o;
        o.TableName = (dir + "/T.TBL").toStdString();
        auto backend = std::make_unique<TSlurmBackend>(o);
        backend->SetPollMs(600000);
        backend->Follow("42");
        Slurm = backend.get();
        Set = std::make_unique<TRunSet>(Runs(n, dir.toStdString()), std::move(backend));
    }
    // Looks in until nothing is awaited any more; false when that takes over 10 s.
    bool Settle() {
        for (int i = 0; i < 200 && (Slurm->Polling() || Slurm->Cancelling()); ++i) {
            Set->Wait(50);
            Set->Advance();
        }
        return !Slurm->Polling() && !Slurm->Cancelling();
    }
    void Poll() {
        Slurm->PollNow();
        Set->Advance();
    }
    QStringList States() const {
        QStringList l;
        for (const TRun& r : Set->Runs())
            l << QString::fromStdString(StateText(r));
        return l;
    }
};

} // namespace

void TestSlurm::cancelNotWaitedFor() {
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    FakeSlurm(dir, "");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.toUtf8() + ":" + path);
    SetSqueue(dir, "42_1|RUNNING|n1\n42_[2-3]|PENDING|\n");
    FollowedJob job(dir, 3);
    job.Poll();
    QVERIFY(job.Settle());
    QCOMPARE(job.States(), QStringList({"running on n1", "pending", "pending"}));
    // A controller that takes its time and then does not answer: Stop returns at once, the
    // runs stay as they are and a warning says why.
    WriteHeldCommand(dir, "scancel",
                     "scancel: error: Kill job error on job id 42: Unable to contact slurm "
                     "controller (connect failure)",
                     1);
    job.Set->Stop();
    QVERIFY(job.Slurm->Cancelling());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir + "/scancel.started"), 5000);
    job.Set->Advance();
    QVERIFY(!QFile::exists(dir + "/scancel.ended")); // nothing waited for the held scancel
    QCOMPARE(job.States(), QStringList({"running on n1", "pending", "pending"}));
    WriteTestFile(dir, "GO", "");
    QVERIFY(job.Settle());
    QVERIFY2(job.Slurm->Warning().find("(scancel: scancel: error: Kill job error on job id 42: "
                                       "Unable to contact slurm controller (connect failure)); "
                                       "job 42 is not cancelled yet") != std::string::npos,
             job.Slurm->Warning().c_str());
    QCOMPARE(job.States(), QStringList({"running on n1", "pending", "pending"}));
    QVERIFY(!job.Set->Finished());
    // It answers the next time: the pending runs are cancelled, the running one as it ends.
    FakeSlurm(dir, "");
    SetSqueue(dir, "42_1|CANCELLED by 0|n1\n");
    job.Slurm->SetPollMs(0);
    job.Set->Advance();
    QVERIFY(job.Slurm->Cancelling());
    for (int i = 0; i < 200 && !job.Set->Finished(); ++i) {
        job.Set->Wait(50);
        job.Set->Advance();
    }
    QVERIFY(job.Set->Finished());
    QCOMPARE(job.States(), QStringList(3, "cancelled"));
    QVERIFY(job.Slurm->Warning().empty());
    QCOMPARE(QString::fromStdString(ReadTestFile((dir + "/SCANCEL").toStdString())),
             QString("42\n"));
    qputenv("PATH", path);
}

void TestSlurm::accountingNotWaitedFor_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("states");
    QTest::addColumn<QString>("warning");
    QTest::newRow("accounting") << "42_1|COMPLETED|0:0|n1\n42_2|FAILED|5:0|n2" << 0
                                << QStringList({"completed", "failed with exit code 5"}) << "";
    QTest::newRow("no accounting") << "sacct: error: Slurm accounting storage is disabled" << 1
                                   << QStringList({"completed", "running on n2"}) << "";
    QTest::newRow("database away")
        << "sacct: error: Problem talking to the database: Connection refused" << 1
        << QStringList({"completed", "running on n2"})
        << "Slurm's accounting does not answer (sacct: sacct: error: Problem talking to the "
           "database: Connection refused); still following job 42.";
}

void TestSlurm::accountingNotWaitedFor() {
    QFETCH(QString, answer);
    QFETCH(int, status);
    QFETCH(QStringList, states);
    QFETCH(QString, warning);
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    FakeSlurm(dir, "");
    WriteHeldCommand(dir, "sacct", answer, status, status == 0);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.toUtf8() + ":" + path);
    FollowedJob job(dir, 2);
    SetSqueue(dir, "42_1|RUNNING|n1\n42_2|RUNNING|n2\n");
    job.Poll();
    QVERIFY(job.Settle());
    // Both have left squeue; run 1 left its status file.
    WriteTestFile(dir, "T1.slurm.status", "0\n");
    SetSqueue(dir, "");
    job.Poll();
    QTRY_VERIFY_WITH_TIMEOUT((job.Set->Advance(), QFile::exists(dir + "/sacct.started")), 5000);
    // sacct is held, and nothing waits for it.
    for (int i = 0; i < 5; ++i)
        job.Set->Advance();
    QVERIFY(!QFile::exists(dir + "/sacct.ended")); // nothing waited for the held sacct
    QVERIFY(job.Slurm->Polling());
    WriteTestFile(dir, "GO", "");
    QVERIFY(job.Settle());
    QCOMPARE(job.States(), states);
    QCOMPARE(QString::fromStdString(job.Slurm->Warning()), warning);
    qputenv("PATH", path);
}

void TestSlurm::forgottenJob() {
    // Followed again long after it ended: squeue no longer knows it, the status files tell.
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    FakeSlurm(dir, "");
    WriteTestFile(dir, "squeue",
                  "#!/bin/sh\necho 'slurm_load_jobs error: Invalid job id specified' >&2\n"
                  "exit 1\n");
    WriteTestFile(dir, "T1.slurm.status", "0\n");
    WriteTestFile(dir, "T2.slurm.status", "3\n");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.toUtf8() + ":" + path);
    FollowedJob job(dir, 3);
    job.Poll();
    QVERIFY(job.Settle());
    qputenv("PATH", path);
    QCOMPARE(job.States(),
             QStringList({"completed", "failed with exit code 3", "ended without a status file"}));
    QVERIFY(job.Set->Finished());
    QCOMPARE(job.Set->Runs()[2].State, TRunState::Failed);
    QCOMPARE(job.Slurm->Warning(), std::string("Slurm no longer knows job 42; the states shown "
                                               "are those its runs left in their status files."));
}

void TestSlurm::missingSbatch() {
    QTemporaryDir tmp;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", tmp.path().toUtf8());
    TSlurmOptions o;
    o.TableName = (tmp.path() + "/T.TBL").toStdString();
    TSlurmBackend slurm(o);
    std::string message;
    QVERIFY(!slurm.Submit(Runs(2, tmp.path().toStdString()), message));
    qputenv("PATH", path);
    QCOMPARE(message, std::string("Slurm's sbatch was not found on this computer."));
    QVERIFY(!QFile::exists(tmp.path() + "/T.SLURM.sh"));
}

void TestSlurm::refusedJob() {
    QTemporaryDir tmp;
    FakeSlurm(tmp.path(), "echo 'sbatch: error: invalid partition specified: nope' >&2\nexit 1\n");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", tmp.path().toUtf8() + ":" + path);
    TSlurmOptions o;
    o.TableName = (tmp.path() + "/T.TBL").toStdString();
    TSlurmBackend slurm(o);
    std::string message;
    QVERIFY(!slurm.Submit(Runs(2, tmp.path().toStdString()), message));
    qputenv("PATH", path);
    QCOMPARE(message, std::string("sbatch: error: invalid partition specified: nope"));
    QVERIFY(!QFile::exists(tmp.path() + "/T.SLURM.sh"));
}

QTEST_GUILESS_MAIN(TestSlurm)
#include "tst_slurm.moc"
