// The Slurm backend without a cluster: the words, the script, sbatch's arguments, squeue's
// and sacct's answers, and a job followed through fake sbatch/squeue/scancel on PATH.
#include "shell/slurmbackend.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
}

void TestSlurm::squeueLines() {
    QFETCH(QString, text);
    QFETCH(QString, tasks);
    QStringList got;
    for (const auto& [task, t] : ParseSqueue("12", text.toStdString()))
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
