// The table window and its dialogs through the main window: New Table from a deck, cell
// edits, clipboard, Alter Values, Insert/Delete Runs and Vars, saving, the close question,
// reading a table file and Run Table with the stand-in engine.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/paths.h"
#include "plot/tableruns.h"
#include "plot/widgets/plotdialogs.h"
#include "plot/widgets/plotform.h"
#include "table/widgets/tabledialogs.h"
#include "table/widgets/tableform.h"
#include "tests/support/testsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

class TestTableForm : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void newTableAndEdits();
    void alterAndRuns();
    void changeVariables();
    void saveReadAndClose();
    void runTable();
    void plotTableRuns();

  private:
    // A table on DEMO.DCK with the given variables and runs, made through New Table.
    TTableForm* NewTable(TKOLSHELLFORM& main, const QStringList& vars, const QString& runs);
    std::unique_ptr<TestFolder> dir_;
    std::unique_ptr<MsgRecorder> msgs_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
};

void TestTableForm::init() {
    dir_ = std::make_unique<TestFolder>();
    Globals() = TGlobals();
    Globals().KolshellDir = qEnvironmentVariable("KOLSHELL_BIN").toStdString();
    CurrentChild = nullptr;
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    QFile::copy(qEnvironmentVariable("KOLSHELL_SOURCE") + "/demo/DEMO.DCK",
                dir_->Dir.path() + "/DEMO.DCK");
}

void TestTableForm::cleanup() {
    dialogs_.reset();
    msgs_.reset();
}

TTableForm* TestTableForm::NewTable(TKOLSHELLFORM& main, const QStringList& vars,
                                    const QString& runs) {
    main.ReadaFile(dir_->Path("DEMO.DCK"));
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TNewTableDlg&>(d);
        QCOMPARE(dlg.windowTitle(), QString("New Parametric Table"));
        QVERIFY(!dlg.OKBtn->isEnabled());
        for (const QString& v : vars) {
            dlg.SrcList->clearSelection();
            dlg.SrcList->findItems(v, Qt::MatchExactly).first()->setSelected(true);
            dlg.IncludeBtn->click();
        }
        dlg.RunsEdit->setText(runs);
        dlg.OKBtn->click();
    };
    main.NewTable1Click();
    return main.CurrentTable();
}

void TestTableForm::newTableAndEdits() {
    TKOLSHELLFORM main;
    // A run count that is not a whole number keeps the dialog open and makes no table.
    main.ReadaFile(dir_->Path("DEMO.DCK"));
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TNewTableDlg&>(d);
        QCOMPARE(dlg.SrcList->count(), 4);
        QCOMPARE(dlg.SrcList->item(0)->text(), QString("AREA")); // sorted
        emit dlg.SrcList->itemPressed(dlg.SrcList->item(0));
        dlg.IncAllBtn->click();
        QCOMPARE(dlg.DstList->count(), 4);
        dlg.RunsEdit->setText("2.5");
        dlg.OKBtn->click();
        QVERIFY(!dlg.isHidden() || dlg.result() != QDialog::Accepted);
    };
    main.NewTable1Click();
    QVERIFY(!main.CurrentTable());
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{"The number of runs must be a whole number from 1 to 9999."});
    msgs_->Shown.clear();

    TTableForm* table = NewTable(main, {"QPUMP", "AREA"}, "3");
    QVERIFY(table);
    TTable& t = table->Table();
    QCOMPARE(t.TableFileName, dir_->Path("DEMO.TBL"));
    QCOMPARE(t.Columns[0].Name, std::string("QPUMP"));
    QCOMPARE(t.Runs(), 3);
    QAbstractItemModel* m = table->Grid()->model();
    QCOMPARE(m->data(m->index(2, 1)).toString(), QString("Enter value"));
    QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QString("AREA"));
    QCOMPARE(main.Action("Table1")->text(), "Table " + QString::fromStdString(t.TableFileName));

    // Cell edits: a number marks the table changed, the same value again does not.
    t.TableChanged = false;
    QVERIFY(m->setData(m->index(0, 0), " 3 "));
    QCOMPARE(m->data(m->index(0, 0)).toString(), QString("3.000"));
    QVERIFY(t.TableChanged);
    t.TableChanged = false;
    m->setData(m->index(0, 0), "3");
    QVERIFY(!t.TableChanged);
    m->setData(m->index(0, 0), "abc");
    QCOMPARE(m->data(m->index(0, 0)).toString(), QString("3.000"));
    // Copy and paste through the clipboard.
    table->Grid()->selectionModel()->select(QItemSelection(m->index(0, 0), m->index(1, 1)),
                                            QItemSelectionModel::ClearAndSelect);
    table->EditCopy();
    QCOMPARE(QApplication::clipboard()->text(),
             QString("3.000\tEnter value\r\nEnter value\tEnter value"));
    QApplication::clipboard()->setText("1\t2\t3\r\n4\t5\r\n6\r\n7\r\n");
    table->Grid()->setCurrentIndex(m->index(1, 0));
    table->EditPaste();
    QCOMPARE(m->data(m->index(1, 1)).toString(), QString("2.000"));
    QCOMPARE(m->data(m->index(2, 0)).toString(), QString("4.000"));
    QVERIFY(msgs_->Shown.empty());
    QApplication::clipboard()->setText("9\tx");
    table->EditPaste();
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{"Bad number in row 2 column 2"});
    table->Grid()->selectionModel()->select(m->index(0, 0), QItemSelectionModel::ClearAndSelect);
    table->EditClear();
    QCOMPARE(m->data(m->index(0, 0)).toString(), QString("Enter value"));
    QCOMPARE(m->data(m->index(1, 0)).toString(), QString("9.000")); // pasted before the bad one
}

void TestTableForm::alterAndRuns() {
    TKOLSHELLFORM main;
    TTableForm* table = NewTable(main, {"AREA"}, "5");
    TTable& t = table->Table();
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TAlterValuesDlg&>(d);
        QCOMPARE(dlg.LastIncBox->text(), QString("Increment"));
        dlg.FirstRunV->setText("2");
        dlg.LastRunV->setText("9999");
        dlg.FirstValue->setText("1");
        dlg.IncorLast->setText("0.5");
        dlg.ApplyBtn->click();
        QCOMPARE(dlg.LastRunV->text(), QString("5"));
        dlg.IncorLast->setText("x");
        QVERIFY(!dlg.Fill());
        QCOMPARE(msgs_->Beeps, 1);
    };
    main.AlterTable1Click();
    QCOMPARE(GetS(t, 1, 1), std::string("Enter value"));
    QCOMPARE(GetS(t, 1, 5), std::string("2.500"));
    QCOMPARE(TAlterValuesDlg::AlterLastRun, 5);

    // Delete 3 at the top: old runs 4 and 5 become runs 1 and 2.
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TInsertRunsDlg&>(d);
        QVERIFY(dlg.InsertRows->isChecked());
        QVERIFY(!dlg.AfterRowEdit->isEnabled());
        dlg.DeleteRows->setChecked(true);
        dlg.RowsEdit->setText("3");
        dlg.OKBtn->click();
    };
    main.InsertDeleteRuns1Click();
    QCOMPARE(t.Runs(), 2);
    QCOMPARE(GetS(t, 1, 1), std::string("2.000"));
    QCOMPARE(table->Grid()->model()->rowCount(), 2);
    QCOMPARE(TAlterValuesDlg::AlterLastRun, 2);
    // Deleting them all closes the window, after its save question.
    msgs_->Answers = {mrNo};
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TInsertRunsDlg&>(d);
        dlg.DeleteRows->setChecked(true);
        dlg.RowsEdit->setText("5");
        dlg.OKBtn->click();
    };
    main.InsertDeleteRuns1Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!main.CurrentTable());
    QCOMPARE(msgs_->Texts().back(), dir_->Path("DEMO.TBL") + " has been changed.  Save it?");
}

void TestTableForm::changeVariables() {
    TKOLSHELLFORM main;
    TTableForm* table = NewTable(main, {"AREA", "QPUMP"}, "2");
    table->Grid()->model()->setData(table->Grid()->model()->index(0, 1), "7");
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TNewTableDlg&>(d);
        QCOMPARE(dlg.DstList->count(), 2);
        QCOMPARE(dlg.SrcList->count(), 2); // the deck's other constants
        dlg.DstList->item(0)->setSelected(true);
        dlg.ExcludeBtn->click();
        dlg.SrcList->findItems("LEVEL0", Qt::MatchExactly).first()->setSelected(true);
        dlg.IncludeBtn->click();
        dlg.OKBtn->click();
    };
    main.InsertDeleteVars1Click();
    const TTable& t = table->Table();
    QCOMPARE(t.ColCount, 3);
    QCOMPARE(t.Columns[0].Name, std::string("QPUMP"));
    QCOMPARE(GetS(t, 1, 1), std::string("7.000"));
    QCOMPARE(GetS(t, 2, 1), std::string("Enter value"));
    QCOMPARE(table->Grid()->model()->columnCount(), 2);
}

void TestTableForm::saveReadAndClose() {
    TKOLSHELLFORM main;
    TTableForm* table = NewTable(main, {"AREA"}, "2");
    table->Grid()->model()->setData(table->Grid()->model()->index(1, 0), "4.5");
    msgs_->Answers = {mrCancel};
    QVERIFY(!table->FormCloseQuery());
    QVERIFY(table->SaveDocument(dir_->Path("DEMO.TBL")));
    QVERIFY(!table->IsModified());
    QVERIFY(table->FormCloseQuery());
    main.DisposeKOLVANWindows(wkTable);
    QVERIFY(!main.CurrentTable());
    msgs_->Shown.clear();
    main.GetTBLFile(dir_->Path("DEMO.DCK"), true);
    TTableForm* back = main.CurrentTable();
    QVERIFY(back);
    QVERIFY(msgs_->Shown.empty());
    QCOMPARE(GetS(back->Table(), 1, 2), std::string("4.500"));
    QCOMPARE(back->windowTitle(), QString::fromStdString(dir_->Path("DEMO.TBL")));
    // A file that is no table opens no window, with a message naming it.
    dir_->Write("BAD.TBL", "short");
    main.DisposeKOLVANWindows(wkTable);
    main.ReadaFile(dir_->Path("BAD.TBL"));
    QVERIFY(!main.CurrentTable());
    QVERIFY(msgs_->Texts().back().find("is not a table file") != std::string::npos);
}

void TestTableForm::runTable() {
    TKOLSHELLFORM main;
    ProgramDirs().Dirs[pdEngine] = qEnvironmentVariable("KOLSHELL_BIN").toStdString();
    TTableForm* table = NewTable(main, {"AREA"}, "2");
    QAbstractItemModel* m = table->Grid()->model();
    // An undefined cell stops before any engine run.
    main.RunTable1Click();
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{"Parameter in the col #1, run #1 isn't defined"});
    QVERIFY(!FileExists(dir_->Path("DEMO.LST")));
    msgs_->Shown.clear();
    m->setData(m->index(0, 0), "2.5");
    m->setData(m->index(1, 0), "5");
    main.RunTable1Click();
    QVERIFY(msgs_->Shown.empty());
    QVERIFY(FileExists(dir_->Path("DEMO.OUT")));
    QVERIFY(FileExists(dir_->Path("DEMO1.OUT")));
    QVERIFY(!FileExists(dir_->Path("DEMO.TMP")));
    QVERIFY(ReadTestFile(dir_->Path("DEMO.OUT")) != ReadTestFile(dir_->Path("DEMO1.OUT")));
}

// Plot Table Runs after a real table run: one line per run that has its output file, in the
// colours overlays advance through, a legend naming each run's values; runs without a file
// are named once.
void TestTableForm::plotTableRuns() {
    TKOLSHELLFORM main;
    ProgramDirs().Dirs[pdEngine] = qEnvironmentVariable("KOLSHELL_BIN").toStdString();
    TTableForm* table = NewTable(main, {"AREA"}, "4");
    main.UpdateMenu();
    QVERIFY(!main.Action("PlotTableRuns1")->isEnabled()); // no run yet
    QAbstractItemModel* m = table->Grid()->model();
    const QStringList areas{"2.5", "5", "10", "20"};
    for (int r = 0; r < 4; ++r)
        m->setData(m->index(r, 0), areas[r]);
    main.RunTable1Click();
    QVERIFY(FileExists(dir_->Path("DEMO3.OUT")));
    QFile::remove(QString::fromStdString(dir_->Path("DEMO2.OUT"))); // run 3's output gone
    msgs_->Shown.clear();
    main.UpdateMenu();
    QVERIFY(main.Action("PlotTableRuns1")->isEnabled());
    QStringList files;
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TPlotTableRuns&>(d);
        QCOMPARE(dlg.windowTitle(), QString("Plot Table Runs"));
        for (int i = 0; i < dlg.PlotFileList->count(); ++i)
            files << dlg.PlotFileList->itemText(i);
        dlg.PlotFileList->setCurrentIndex(dlg.PlotFileList->findText("DEMO.OUT"));
        emit dlg.PlotFileList->activated(dlg.PlotFileList->currentIndex());
        dlg.ListBoxX->setCurrentRow(0);
        dlg.ListBoxY->setCurrentRow(1);
        dlg.OKBtn->click();
    };
    main.Action("PlotTableRuns1")->trigger();
    QVERIFY(files.contains("DEMO.OUT"));
    QVERIFY(!files.contains("DEMO1.OUT")); // other runs' files are not run 1's
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{"Run 3 has no output file and is left out of the plot."});
    auto* plot = qobject_cast<TPlotForm*>(main.Children().last());
    QVERIFY(plot);
    const TPlotDef& d = plot->Def();
    QCOMPARE(d.NLines, 3);
    QCOMPARE(d.Lines[0].Colour, 0);
    QCOMPARE(d.Lines[2].Colour, 2);
    QCOMPARE(d.Lines[0].ColName[1], std::string("run 1: AREA=2.500"));
    QCOMPARE(d.Lines[2].ColName[1], std::string("run 4: AREA=20.00"));
    QCOMPARE(int(d.ShowLegend), 1);
    QCOMPARE(d.MinorTicks[1], 1);
    // The runs' lines differ: each run's own file.
    QVERIFY(d.Lines[0].YValues.Source() != d.Lines[1].YValues.Source());
    QVERIFY(d.Lines[0].NPoints > 1);
    // An ordinary plot: it saves and opens again.
    QVERIFY(plot->SaveDocument(dir_->Path("RUNS.KSP")));
    TPlotForm back;
    QVERIFY(back.OpenPlot(dir_->Path("RUNS.KSP")));
    QCOMPARE(back.Def().NLines, 3);
    QCOMPARE(back.Def().Lines[1].ColName[1], std::string("run 2: AREA=5.000"));
    // More runs than a plot holds are refused with the limit.
    std::vector<RunLine> many(51, RunLine{1, dir_->Path("DEMO.OUT"), "run"});
    TPlotDef big;
    std::string error;
    QVERIFY(!BuildRunsPlot(many, 1, 2, big, error));
    QCOMPARE(error, std::string("A plot holds at most 50 lines: the 51 runs with output files "
                                "do not fit."));
}

QTEST_MAIN(TestTableForm)
#include "tst_tableform.moc"
