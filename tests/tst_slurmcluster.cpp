// Table runs through the main window on a real Slurm cluster, started beforehand by
// tests/slurm/slurm_test.sh (SLURM_CONF names it): a job followed again after the program
// ended, and Stop. Without a cluster every case fails.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/paths.h"
#include "run/slurmbackend.h"
#include "run/widgets/runcontrol.h"
#include "run/widgets/runsettings.h"
#include "run/widgets/tablerunform.h"
#include "table/tableedits.h"
#include "table/tablemodel.h"
#include "table/widgets/tableform.h"
#include "tests/support/runwindows.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace kolshell;

namespace {

TTableRunForm* RunWindow(TKOLSHELLFORM& form) {
    const QList<TTableRunForm*> all = form.findChildren<TTableRunForm*>();
    return all.isEmpty() ? nullptr : all.last();
}

// What squeue shows of a job's tasks; empty when none is left.
QString Queued(const QString& job) {
    return QString::fromStdString(RunCommand("squeue", {"-h", "-r", "-j", job.toStdString()}).Out)
        .trimmed();
}

} // namespace

class TestSlurmCluster : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void cleanup();
    void followAgainAfterQuitting();
    void stopCancelsTheJob();

  private:
    QString Dir() const { return tmp_->path(); }
    QStringList Shown() const {
        QStringList l;
        for (const std::string& t : msgs_->Texts())
            l << QString::fromStdString(t);
        return l;
    }
    // The demo deck with a 5-run table in the test folder, and an engine that takes its time.
    std::string MakeTable(double engineSeconds);
    // Runs the table through Run Table; the job's id from the Table Run window's title.
    QString Submit(TKOLSHELLFORM& form, const std::string& table);

    std::unique_ptr<QTemporaryDir> tmp_;
    std::unique_ptr<MsgRecorder> msgs_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
};

void TestSlurmCluster::initTestCase() {
    QVERIFY2(!qEnvironmentVariable("SLURM_CONF").isEmpty(),
             "no cluster: run this through tests/slurm/slurm_test.sh");
    const TCommandResult info = RunCommand("sinfo", {"-h", "-o", "%t"});
    QVERIFY2(info.Status == 0 && QString::fromStdString(info.Out).contains("idle"),
             ("the cluster does not answer: " + info.Err).c_str());
}

void TestSlurmCluster::init() {
    tmp_ = std::make_unique<QTemporaryDir>();
    FreshRunDir(Dir());
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
}

void TestSlurmCluster::cleanup() {
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 60000);
    dialogs_.reset();
    msgs_.reset();
}

std::string TestSlurmCluster::MakeTable(double engineSeconds) {
    const QString bin = qEnvironmentVariable("KOLSHELL_BIN");
    QDir().mkpath(Dir() + "/engine");
    WriteTestFile(Dir() + "/engine", "KOLVAN32.exe",
                  QString("#!/bin/sh\nsleep %1\nexec '%2/KOLVAN32.exe' \"$@\"\n")
                      .arg(engineSeconds)
                      .arg(bin)
                      .toStdString());
    const QString engine = Dir() + "/engine/KOLVAN32.exe";
    QFile::setPermissions(engine, QFile::permissions(engine) | QFile::ExeOwner);
    const std::string deck = (Dir() + "/DEMO.DCK").toStdString();
    if (!CopyDemo("DEMO.DCK", QString::fromStdString(deck))) return {};
    TTable t = NewDeckTable(deck, {"QPUMP", "CVALVE"}, 5);
    for (int r = 1; r <= 5; ++r) {
        t.Columns[0].Values[size_t(r)] = 0.01 * r;
        t.Columns[1].Values[size_t(r)] = 0.004 * (1 << (r - 1));
    }
    const std::string table = (Dir() + "/DEMO.TBL").toStdString();
    return SaveTable(t, table) ? table : std::string();
}

QString TestSlurmCluster::Submit(TKOLSHELLFORM& form, const std::string& table) {
    form.Documents().ReadaFile(table);
    ProgramDirs().Dirs[pdEngine] = (Dir() + "/engine").toStdString();
    RunSettings() = TRunSettings();
    RunSettings().OnSlurm = true;
    RunSettings().MaxAtOnce = 2; // the last runs wait their turn
    form.Action("RunTable1")->trigger();
    TTableRunForm* w = RunWindow(form);
    if (!w) return {};
    const QRegularExpressionMatch m =
        QRegularExpression(QString::fromUtf8(" \u2013 job (\\d+)$")).match(w->windowTitle());
    return m.hasMatch() ? m.captured(1) : QString();
}

void TestSlurmCluster::followAgainAfterQuitting() {
    const std::string table = MakeTable(3);
    QVERIFY(!table.empty());
    QString job;
    {
        TKOLSHELLFORM form;
        job = Submit(form, table);
        QVERIFY2(!job.isEmpty(), qPrintable(Shown().join("\n")));
        TTableRunForm* w = RunWindow(form);
        QTRY_VERIFY_WITH_TIMEOUT(States(w).contains("pending") ||
                                     States(w).filter(QRegularExpression("^running on ")).size(),
                                 20000);
        QVERIFY(RunLine(form).startsWith("Slurm job " + job + ": "));
        // The program ends and leaves the job to the cluster.
        msgs_->Answers = {MsgAnswer::No};
        form.Action("Exit1")->trigger();
        QVERIFY(form.Children().isEmpty());
    }
    QVERIFY(!Running());
    QCOMPARE(FollowedJob(QString::fromStdString(table)), job);
    QVERIFY2(!Queued(job).isEmpty(), "the job did not go on without the program");
    // A program started anew opens the table and follows the job to its end.
    msgs_->Shown.clear();
    msgs_->Answers = {MsgAnswer::Yes};
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(table);
    QCOMPARE(Shown(), QStringList{"Follow job " + job + " again?"});
    TTableRunForm* w = RunWindow(form);
    QVERIFY(w);
    QVERIFY(w->windowTitle().endsWith(QString::fromUtf8(" \u2013 job ") + job));
    QTRY_VERIFY_WITH_TIMEOUT(RunLine(form).startsWith("Slurm job " + job + ": "), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 90000);
    QCOMPARE(States(w), QStringList(5, "completed"));
    QCOMPARE(Shown(), QStringList{"Follow job " + job + " again?"}); // nothing failed
    QCOMPARE(RunLine(form), QString());
    // The outputs stay beside the deck, named as runs on this computer name them; the run
    // files are gone, and so is the job from the settings.
    QStringList outputs;
    for (const char* s : {"", "1", "2", "3", "4"})
        outputs << QString("DEMO%1.LST").arg(s) << QString("DEMO%1.OUT").arg(s);
    for (const QString& f : outputs)
        QVERIFY2(QFileInfo(Dir() + "/" + f).size() > 0, qPrintable(f));
    const QStringList left =
        QDir(Dir()).entryList({"*.TMP", "*.slurm.*", "*.SLURM.sh"}, QDir::Files);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(" ")));
    QVERIFY(FollowedJob(QString::fromStdString(table)).isEmpty());
}

void TestSlurmCluster::stopCancelsTheJob() {
    const std::string table = MakeTable(60);
    QVERIFY(!table.empty());
    TKOLSHELLFORM form;
    const QString job = Submit(form, table);
    QVERIFY2(!job.isEmpty(), qPrintable(Shown().join("\n")));
    TTableRunForm* w = RunWindow(form);
    QTRY_VERIFY_WITH_TIMEOUT(States(w).filter(QRegularExpression("^running on ")).size() == 2,
                             20000);
    QCOMPARE(States(w).count("pending"), 3);
    w->StopBtn()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 30000);
    QCOMPARE(States(w), QStringList(5, "cancelled"));
    QCOMPARE(Queued(job), QString());
    QVERIFY(QDir(Dir()).entryList({"*.TMP", "*.SLURM.sh"}, QDir::Files).isEmpty());
    QVERIFY(FollowedJob(QString::fromStdString(table)).isEmpty());
}

QTEST_MAIN(TestSlurmCluster)
#include "tst_slurmcluster.moc"
