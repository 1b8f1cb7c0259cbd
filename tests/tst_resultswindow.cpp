// The Results window and the Fill Runs dialog as a user reaches them from the Parametrics
// menu, on a real four-run table of the demo with one run made to fail; and Run Failed Again.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/paths.h"
#include "plot/plotdef.h"
#include "plot/widgets/plotform.h"
#include "table/tableedits.h"
#include "table/widgets/fillrunsdlg.h"
#include "table/widgets/resultsform.h"
#include "table/widgets/tableform.h"
#include "tests/support/runwindows.h"
#include "tests/support/scriptengine.h"
#include "tests/support/testsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>
#include <cmath>

using namespace kolshell;

namespace {

// The demo deck with a STATUS constant that the script engine reads.
std::string DemoDeck(const QString& dir) {
    QFile f(qEnvironmentVariable("KOLSHELL_SOURCE") + "/demo/DEMO.DCK");
    f.open(QIODevice::ReadOnly);
    QString text = QString::fromLatin1(f.readAll());
    text.replace("CONSTANTS 4\n", "CONSTANTS 5\nSTATUS = 0\n");
    return WriteTestFile(dir, "DEMO.DCK", text.toStdString());
}

// The LEVEL column of a demo output, read as text.
std::vector<double> Levels(const QString& file) {
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    std::vector<double> v;
    for (const QString& line : QString::fromLatin1(f.readAll()).split('\n')) {
        const QStringList w = line.split(' ', Qt::SkipEmptyParts);
        bool ok = false;
        if (w.size() > 1) w[0].toDouble(&ok);
        if (ok) v.push_back(w[1].toDouble());
    }
    return v;
}

QByteArray Bytes(const QString& file) {
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

QString Cell(TResultsForm* w, int row, int col) {
    QTableWidgetItem* item = w->Grid->item(row, col);
    return item ? item->text() : QString();
}

} // namespace

class TestResultsWindow : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void resultsOfATableRun();
    void fillRunsDialog();

  private:
    QString Dir() const { return tmp_->path(); }
    // The main window with the 4-run demo table open, runs 3 failing.
    TTableForm* OpenDemoTable(TKOLSHELLFORM& form);
    TResultsForm* ResultsWindow(TKOLSHELLFORM& form) const {
        const QList<TResultsForm*> all = form.findChildren<TResultsForm*>();
        return all.isEmpty() ? nullptr : all.last();
    }
    std::unique_ptr<QTemporaryDir> tmp_;
    std::unique_ptr<MsgRecorder> msgs_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
};

void TestResultsWindow::init() {
    tmp_ = std::make_unique<QTemporaryDir>();
    FreshRunDir(Dir());
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
}

void TestResultsWindow::cleanup() {
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 15000);
    dialogs_.reset();
    msgs_.reset();
}

TTableForm* TestResultsWindow::OpenDemoTable(TKOLSHELLFORM& form) {
    WriteScriptEngine(Dir(), 0.5); // runs long enough to be watched going on
    QFile::copy(qEnvironmentVariable("KOLSHELL_BIN") + "/KOLVAN32.exe", Dir() + "/REAL.exe");
    TTable t = NewDeckTable(DemoDeck(Dir()), {"AREA", "STATUS"}, 4);
    for (int r = 1; r <= 4; ++r) {
        t.Columns[0].Values[size_t(r)] = 5 - r; // AREA 4, 3, 2, 1
        t.Columns[1].Values[size_t(r)] = r == 3 ? 3 : 0;
    }
    const std::string table = Dir().toStdString() + "/DEMO.TBL";
    SaveTable(t, table);
    ProgramDirs().Dirs[pdEngine] = Dir().toStdString();
    RunSettings() = TRunSettings();
    RunSettings().RunsAtOnce = 2;
    form.Documents().ReadaFile(table);
    return form.Tables().CurrentTable();
}

void TestResultsWindow::resultsOfATableRun() {
    TKOLSHELLFORM form;
    TTableForm* table = OpenDemoTable(form);
    QVERIFY(table);
    QAction* results = form.Action("Results1");
    QVERIFY(results && results->isEnabled());
    // Opened before the run: nothing has run yet; the rows fill in as the runs end.
    results->trigger();
    TResultsForm* w = ResultsWindow(form);
    QVERIFY(w);
    QCOMPARE(w->FileBox->currentText(), QString("DEMO.OUT"));
    QCOMPARE(Cell(w, 0, 1), QString("not run: no output DEMO.OUT"));
    form.Action("RunTable1")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(Cell(w, 0, 1), QString("running"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!w->Reading(), 10000);
    const QStringList header = {"Run",    "State",           "AREA",
                                "STATUS", "final LEVEL [M]", "max LEVEL [M]"};
    QCOMPARE(w->Grid->columnCount(), header.size());
    for (int c = 0; c < header.size(); ++c)
        QCOMPARE(w->Grid->horizontalHeaderItem(c)->text(), header[c]);
    QCOMPARE(Cell(w, 0, 1), QString("done"));
    QCOMPARE(Cell(w, 2, 1), QString("failed: exit status 3"));
    QCOMPARE(Cell(w, 2, 5), QString());
    for (int row : {0, 1, 3}) {
        const QString out = Dir() + (row ? QString("/DEMO%1.OUT").arg(row) : "/DEMO.OUT");
        const std::vector<double> level = Levels(out);
        QCOMPARE(int(level.size()), 61);
        QCOMPARE(Cell(w, row, 2).toDouble(), 4.0 - row);
        QVERIFY(std::fabs(Cell(w, row, 4).toDouble() - level.back()) < 1e-9);
        QVERIFY(std::fabs(Cell(w, row, 5).toDouble() -
                          *std::max_element(level.begin(), level.end())) < 1e-9);
    }
    // Opened again after the run, the window reads the outputs and the remembered states.
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    results->trigger();
    w = ResultsWindow(form);
    QTRY_VERIFY_WITH_TIMEOUT(!w->Reading(), 10000);
    QCOMPARE(Cell(w, 2, 1), QString("failed: exit status 3"));
    QVERIFY(!Cell(w, 3, 5).isEmpty());

    w->CopyBtn->click();
    const QStringList copied = QApplication::clipboard()->text().split('\n');
    QCOMPARE(copied[0], header.join('\t'));
    QVERIFY(copied[1].startsWith("1\tdone\t4\t0\t"));

    const QString csv = Dir() + "/results.csv";
    dialogs_->SaveAnswers << csv;
    w->ExportBtn->click();
    const QByteArray bytes = Bytes(csv);
    QVERIFY(bytes.startsWith("Run,State,AREA,STATUS,final LEVEL [M],max LEVEL [M]\r\n1,done,4,0,"));
    QVERIFY(bytes.contains("\r\n3,failed: exit status 3,2,3,,\r\n"));

    // max LEVEL against AREA: three points, the failed run named once.
    w->PlotY->setCurrentText("max LEVEL");
    w->PlotX->setCurrentText("AREA");
    w->PlotBtn->click();
    QCOMPARE(msgs_->Texts().back(),
             std::string("Run 3 has no value of max LEVEL and is left out of the plot."));
    TPlotForm* plot = qobject_cast<TPlotForm*>(form.FirstChildOfKind(TWindowKind::Plot));
    QVERIFY(plot);
    QCOMPARE(plot->Title(), QString("Plot 1: max LEVEL vs AREA, DEMO.TBL"));
    const std::string ksp = Dir().toStdString() + "/RESPONSE.KSP";
    QVERIFY(plot->SaveDocument(ksp));
    std::string caption, error;
    TPlotDef def;
    QVERIFY(OpenPlotFile(ksp, caption, def, error));
    QCOMPARE(def.NLines, 1);
    QCOMPARE(QString::fromStdString(def.Lines[0].ColName[1]), QString("max LEVEL vs AREA"));
    QCOMPARE(def.Lines[0].NPoints, 3);
    QCOMPARE(DecodeReal48(def.Lines[0].XValues[0]), 1.0); // in order of AREA
    QCOMPARE(DecodeReal48(def.Lines[0].XValues[2]), 4.0);
    QCOMPARE(QString::fromStdString(def.AxisTitle[1]), QString("max LEVEL [M]"));
    // Closed and opened again as any plot file is.
    QPointer<TPlotForm> closed = plot;
    form.DisposeChild(plot);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!closed);
    form.Documents().ReadaFile(ksp);
    auto* reopened = qobject_cast<TPlotForm*>(form.FirstChildOfKind(TWindowKind::Plot));
    QVERIFY(reopened);
    QCOMPARE(reopened->Title(), QString("Plot 1: max LEVEL vs AREA, DEMO.TBL")); // stored
    QCOMPARE(QString::fromStdString(reopened->DocumentName()), QString::fromStdString(ksp));
    QCOMPARE(reopened->Def().Lines[0].NPoints, 3);

    // Run Failed Again runs run 3 alone, now that it may end well; the other outputs stay.
    const QByteArray first = Bytes(Dir() + "/DEMO.OUT");
    TTableRunForm* runs = form.findChildren<TTableRunForm*>().last();
    QVERIFY(runs->RunAgainBtn()->isEnabled());
    QFile::remove(Dir() + "/RUNLOG");
    table->Table().Columns[1].Values[3] = 0;
    runs->RunAgainBtn()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!Running(), 30000);
    QCOMPARE(Starts(Dir()), 1);
    QCOMPARE(RunLog(Dir()).front().Deck, Dir() + "/DEMO2.TMP");
    QCOMPARE(Bytes(Dir() + "/DEMO.OUT"), first);
    QTRY_VERIFY_WITH_TIMEOUT(!w->Reading(), 10000);
    QCOMPARE(Cell(w, 2, 1), QString("done"));
    QVERIFY(!Cell(w, 2, 5).isEmpty());
}

void TestResultsWindow::fillRunsDialog() {
    TKOLSHELLFORM form;
    TTableForm* table = OpenDemoTable(form);
    QAction* fill = form.Action("FillRuns1");
    QVERIFY(fill && fill->isEnabled());
    form.ExecDialog = [](QDialog& d) {
        auto* dlg = qobject_cast<TFillRunsDlg*>(&d);
        QVERIFY(dlg);
        dlg->VarGrid->item(0, TFillRunsDlg::colFill)->setCheckState(Qt::Checked);
        dlg->VarGrid->item(0, TFillRunsDlg::colFirst)->setText("1");
        dlg->VarGrid->item(0, TFillRunsDlg::colLast)->setText("3");
        dlg->VarGrid->item(0, TFillRunsDlg::colCount)->setText("5");
        QCOMPARE(dlg->RunsLabel->text(), QString("The table gets 5 runs, every combination once."));
        dlg->OKBtn->click();
    };
    fill->trigger();
    QCOMPARE(table->Table().Runs(), 5);
    QCOMPARE(table->Grid()->model()->rowCount(), 5);
    QCOMPARE(double(table->Table().Columns[0].Values[2]), 1.5);
    QCOMPARE(double(table->Table().Columns[1].Values[5]), 0.0); // run 1's STATUS
    QVERIFY(table->IsModified());

    // More than a thousand runs are asked about; No keeps the table as it was.
    msgs_->Answers = {MsgAnswer::No};
    form.ExecDialog = [](QDialog& d) {
        auto* dlg = qobject_cast<TFillRunsDlg*>(&d);
        dlg->LhsBtn->setChecked(true);
        dlg->VarGrid->item(0, TFillRunsDlg::colFill)->setCheckState(Qt::Checked);
        dlg->RunsEdit->setText("2000");
        dlg->OKBtn->click();
        QVERIFY(dlg->isVisible() || dlg->result() != QDialog::Accepted);
        dlg->CancelBtn->click();
    };
    fill->trigger();
    QCOMPARE(msgs_->Texts().back(), std::string("The table will have 2000 runs. Fill it?"));
    QCOMPARE(table->Table().Runs(), 5);
}

QTEST_MAIN(TestResultsWindow)
#include "tst_resultswindow.moc"
