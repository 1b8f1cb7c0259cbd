// The table window and its dialogs through the main window: New Table from a deck, cell
// edits, clipboard, Alter Values, Insert/Delete Runs and Vars, saving, the close question,
// reading a table file and Run Table with the stand-in engine.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/paths.h"
#include "common/widgets/qtmsg.h"
#include "plot/tableruns.h"
#include "plot/widgets/plotdialogs.h"
#include "plot/widgets/plotform.h"
#include "run/widgets/runcontrol.h"
#include "run/widgets/runsettings.h"
#include "table/runstates.h"
#include "table/widgets/tabledialogs.h"
#include "table/widgets/tableform.h"
#include "tests/support/testsupport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

using namespace kolshell;

class TestTableForm : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void newTableAndEdits();
    void newTableEnterIsOkAndUnitsOfTheSystem_data();
    void newTableEnterIsOkAndUnitsOfTheSystem();
    void tableDialogsAccessKeys();
    void columnsFitTheirValues();
    void newTableWithoutConstants();
    void alterAndRuns();
    void runsGatedByTheTablesOwnStep();
    void changeVariables();
    void saveReadAndClose();
    void runTable();
    void newTableOverChangedTable_data();
    void newTableOverChangedTable();
    void saveNewTableOverExistingFile();
    void clientRectRoundTrip();
    void runLineKeepsTheGrid();
    void everyEditMarksTheTable_data();
    void everyEditMarksTheTable();
    void plotTableRuns();
    void plotTableRunsMarksPartialRuns();
    void newTableWindowInsideArea_data();
    void newTableWindowInsideArea();
    void gridModelUnderTester();

  private:
    // A table on DEMO.DCK with the given variables and runs, made through New Table.
    TTableForm* NewTable(TKOLSHELLFORM& main, const QStringList& vars, const QString& runs);
    // New Table from the deck window that is open, choosing vars and runs in the dialog.
    void ChooseNewTable(TKOLSHELLFORM& main, const QStringList& vars, const QString& runs);
    std::unique_ptr<TestFolder> dir_;
    std::unique_ptr<MsgRecorder> msgs_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
};

void TestTableForm::init() {
    dir_ = std::make_unique<TestFolder>();
    Globals() = TGlobals();
    Globals().KolshellDir = qEnvironmentVariable("KOLSHELL_BIN").toStdString();
    CurrentChild = nullptr;
    UserFoldersIn(dir_->Dir.path());
    SetRunSettingsFile(dir_->Dir.path() + "/config/KOLSHELL.ini");
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    CopyDemo("DEMO.DCK", dir_->Dir.path() + "/DEMO.DCK");
}

void TestTableForm::cleanup() {
    dialogs_.reset();
    msgs_.reset();
}

namespace {

// A menu command as the user gives it: it must be enabled.
void Trigger(TKOLSHELLFORM& main, const char* name) {
    QAction* a = main.Action(name);
    QVERIFY2(a && a->isEnabled(), name);
    a->trigger();
}

// What a table holds, as the window shows it: names, run count and every cell's text.
QStringList Shown(const TTable& t) {
    QStringList cells;
    for (int r = 0; r <= t.Runs(); ++r)
        for (int c = 1; c < t.ColCount; ++c)
            cells << QString::fromStdString(GetS(t, c, r));
    return cells;
}

QStringList ShownInFile(const std::string& file) {
    TTable t;
    std::string message;
    if (!ReadTable(t, file, 1, message)) return {"unreadable"};
    return Shown(t);
}

} // namespace

TTableForm* TestTableForm::NewTable(TKOLSHELLFORM& main, const QStringList& vars,
                                    const QString& runs) {
    main.Documents().ReadaFile(dir_->Path("DEMO.DCK"));
    ChooseNewTable(main, vars, runs);
    return main.Tables().CurrentTable();
}

void TestTableForm::ChooseNewTable(TKOLSHELLFORM& main, const QStringList& vars,
                                   const QString& runs) {
    main.MdiArea()->setActiveSubWindow(main.FirstChildOfKind(TWindowKind::Deck));
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
    Trigger(main, "NewTable1");
}

void TestTableForm::newTableWithoutConstants() {
    TKOLSHELLFORM main;
    const std::string deck = dir_->Write("PLAIN.DCK", "EQUATIONS 1\nA = 1\nEND\n");
    main.Documents().ReadaFile(deck);
    main.ExecDialog = [&](QDialog&) { QFAIL("no dialog without constants"); };
    Trigger(main, "NewTable1");
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{"File " + deck +
                                                      " does not have any KOLVAN Comment "
                                                      "statements."});
    // A warning with nothing to choose: OK alone.
    QCOMPARE(msgs_->Shown[0].Kind, MsgKind::WarningOk);
    std::unique_ptr<QMessageBox> box(MakeMessageBox("x", msgs_->Shown[0].Kind));
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QVERIFY(!main.Tables().CurrentTable());
}

void TestTableForm::newTableAndEdits() {
    TKOLSHELLFORM main;
    // A run count that is not a whole number keeps the dialog open and makes no table.
    main.Documents().ReadaFile(dir_->Path("DEMO.DCK"));
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
    main.Tables().NewTable1Click();
    QVERIFY(!main.Tables().CurrentTable());
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

void TestTableForm::runsGatedByTheTablesOwnStep() {
    TKOLSHELLFORM main;
    TTableForm* table = NewTable(main, {"AREA"}, "3");
    TTable& t = table->Table();
    auto insertOne = [&] {
        main.ExecDialog = [&](QDialog& d) {
            auto& dlg = static_cast<TInsertRunsDlg&>(d);
            dlg.RowsEdit->setText("1");
            dlg.OKBtn->click();
        };
        Trigger(main, "InsertDeleteRuns1");
    };
    // An error a form or Make KOLSED left behind does not stop the table.
    Globals().ErrorLevel = ErrorStop;
    insertOne();
    QCOMPARE(t.Runs(), 4);
    QVERIFY(msgs_->Shown.empty());
    // A refused paste into the table does, and the message says what failed and how to clear it.
    QApplication::clipboard()->setText("x");
    table->Grid()->setCurrentIndex(table->Grid()->model()->index(0, 0));
    Trigger(main, "Paste1");
    insertOne();
    QCOMPARE(t.Runs(), 4);
    QCOMPARE(msgs_->Texts().back(),
             std::string("Error #100: the last step of the table failed (Bad number in row 1 "
                         "column 1). Correct the cells (any edit clears this) and try again."));
    // Any later edit clears it.
    Trigger(main, "Clear1");
    const size_t shown = msgs_->Shown.size();
    insertOne();
    QCOMPARE(t.Runs(), 5);
    QCOMPARE(msgs_->Shown.size(), shown);
}

void TestTableForm::alterAndRuns() {
    TKOLSHELLFORM main;
    TTableForm* table = NewTable(main, {"AREA"}, "5");
    TTable& t = table->Table();
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TAlterValuesDlg&>(d);
        QCOMPARE(dlg.LastIncBox->text(), QString("Incr&ement"));
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
    main.Tables().AlterTable1Click();
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
    main.Tables().InsertDeleteRuns1Click();
    QCOMPARE(t.Runs(), 2);
    QCOMPARE(GetS(t, 1, 1), std::string("2.000"));
    QCOMPARE(table->Grid()->model()->rowCount(), 2);
    QCOMPARE(TAlterValuesDlg::AlterLastRun, 2);
    // A count at the limit of int, inserted or deleted as a negative count, is refused.
    for (const char* count : {"2147483647", "-2147483648"}) {
        main.ExecDialog = [&](QDialog& d) {
            auto& dlg = static_cast<TInsertRunsDlg&>(d);
            dlg.DeleteRows->setChecked(count[0] == '-');
            dlg.RowsEdit->setText(count);
            dlg.OKBtn->click();
            QVERIFY(dlg.isVisible() || dlg.result() != QDialog::Accepted);
            dlg.reject();
        };
        main.Tables().InsertDeleteRuns1Click();
        QCOMPARE(msgs_->Texts().back(), std::string("A table holds at most 9999 runs."));
        QCOMPARE(t.Runs(), 2);
    }
    // Deleting them all closes the window, after its save question.
    msgs_->Answers = {MsgAnswer::No};
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TInsertRunsDlg&>(d);
        dlg.DeleteRows->setChecked(true);
        dlg.RowsEdit->setText("5");
        dlg.OKBtn->click();
    };
    main.Tables().InsertDeleteRuns1Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!main.Tables().CurrentTable());
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
    main.Tables().InsertDeleteVars1Click();
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
    msgs_->Answers = {MsgAnswer::Cancel};
    QVERIFY(!table->FormCloseQuery());
    QVERIFY(table->SaveDocument(dir_->Path("DEMO.TBL")));
    QVERIFY(!table->IsModified());
    QVERIFY(table->FormCloseQuery());
    main.DisposeKOLVANWindows(TWindowKind::Table);
    QVERIFY(!main.Tables().CurrentTable());
    msgs_->Shown.clear();
    main.Documents().GetTBLFile(dir_->Path("DEMO.DCK"), true);
    TTableForm* back = main.Tables().CurrentTable();
    QVERIFY(back);
    QVERIFY(msgs_->Shown.empty());
    QCOMPARE(GetS(back->Table(), 1, 2), std::string("4.500"));
    QCOMPARE(back->Title(), QString::fromStdString(dir_->Path("DEMO.TBL")));
    // A file that is no table opens no window, with a message naming it.
    dir_->Write("BAD.TBL", "short");
    main.DisposeKOLVANWindows(TWindowKind::Table);
    main.Documents().ReadaFile(dir_->Path("BAD.TBL"));
    QVERIFY(!main.Tables().CurrentTable());
    QVERIFY(msgs_->Texts().back().find("is not a table file") != std::string::npos);
}

void TestTableForm::runTable() {
    TKOLSHELLFORM main;
    ProgramDirs().Dirs[pdEngine] = qEnvironmentVariable("KOLSHELL_BIN").toStdString();
    TTableForm* table = NewTable(main, {"AREA"}, "2");
    QAbstractItemModel* m = table->Grid()->model();
    // An undefined cell stops before any engine run.
    main.Tables().RunTable1Click();
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{"Parameter in the col #1, run #1 isn't defined"});
    QVERIFY(!FileExists(dir_->Path("DEMO.LST")));
    msgs_->Shown.clear();
    m->setData(m->index(0, 0), "2.5");
    m->setData(m->index(1, 0), "5");
    main.Tables().RunTable1Click();
    // The runs go on by themselves; the table window stays free meanwhile.
    QTRY_VERIFY_WITH_TIMEOUT(!TRunController::Active(), 20000);
    QVERIFY(msgs_->Shown.empty());
    QVERIFY(FileExists(dir_->Path("DEMO.OUT")));
    QVERIFY(FileExists(dir_->Path("DEMO1.OUT")));
    QVERIFY(!FileExists(dir_->Path("DEMO.TMP")));
    QVERIFY(ReadTestFile(dir_->Path("DEMO.OUT")) != ReadTestFile(dir_->Path("DEMO1.OUT")));
}

void TestTableForm::newTableOverChangedTable_data() {
    QTest::addColumn<MsgAnswer>("answer");
    QTest::newRow("Cancel keeps the old table") << MsgAnswer::Cancel;
    QTest::newRow("No drops its edits") << MsgAnswer::No;
    QTest::newRow("Yes saves them first") << MsgAnswer::Yes;
}

void TestTableForm::newTableOverChangedTable() {
    QFETCH(MsgAnswer, answer);
    TKOLSHELLFORM main;
    TTableForm* old = NewTable(main, {"AREA"}, "2");
    QAbstractItemModel* m = old->Grid()->model();
    m->setData(m->index(0, 0), "1");
    Trigger(main, "Save1");
    const std::string file = dir_->Path("DEMO.TBL");
    const QStringList saved = ShownInFile(file);
    m->setData(m->index(1, 0), "2"); // an edit not yet saved
    const QStringList edited = Shown(old->Table());
    QPointer<TTableForm> oldWindow = old;
    msgs_->Answers = {answer};
    ChooseNewTable(main, {"QPUMP"}, "3");
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{file + " has been changed.  Save it?"});
    QCOMPARE(msgs_->Shown[0].Kind, MsgKind::WarningYesNoCancel);
    if (answer == MsgAnswer::Cancel) {
        QVERIFY(oldWindow);
        QCOMPARE(main.Tables().CurrentTable(), old);
        QCOMPARE(Shown(old->Table()), edited);
        QVERIFY(old->IsModified());
        QCOMPARE(ShownInFile(file), saved);
        QCOMPARE(main.Children().size(), 2); // the deck and the old table, nothing new
        return;
    }
    QVERIFY(!oldWindow);
    QVERIFY(main.Tables().CurrentTable());
    QCOMPARE(main.Tables().CurrentTable()->Table().Columns[0].Name, std::string("QPUMP"));
    QCOMPARE(ShownInFile(file), answer == MsgAnswer::Yes ? edited : saved);
}

void TestTableForm::saveNewTableOverExistingFile() {
    TKOLSHELLFORM main;
    const std::string file = dir_->Path("DEMO.TBL");
    const std::string before = EncodeTable(kolshell::NewTable({"OLD"}, 4));
    dir_->Write("DEMO.TBL", before);
    TTableForm* table = NewTable(main, {"AREA"}, "2");
    QCOMPARE(table->Table().TableFileName, file);
    const std::string replace = file + " already exists.  Do you want to replace it?";
    // Save: the file that is there is not the new table's; No leaves it.
    msgs_->Answers = {MsgAnswer::No};
    Trigger(main, "Save1");
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{replace});
    QCOMPARE(ReadTestFile(file), before);
    QVERIFY(table->IsModified());
    // Closing: Yes to saving, then No to replacing keeps the window and the file.
    msgs_->Shown.clear();
    msgs_->Answers = {MsgAnswer::Yes, MsgAnswer::No};
    QVERIFY(!table->close());
    QCOMPARE(msgs_->Texts(),
             (std::vector<std::string>{file + " has been changed.  Save it?", replace}));
    QCOMPARE(ReadTestFile(file), before);
    QCOMPARE(main.Tables().CurrentTable(), table);
    // Yes replaces it; from then on the file is the table's own and Save asks nothing.
    msgs_->Shown.clear();
    msgs_->Answers = {MsgAnswer::Yes};
    Trigger(main, "Save1");
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{replace});
    QCOMPARE(ShownInFile(file), Shown(table->Table()));
    table->Grid()->model()->setData(table->Grid()->model()->index(0, 0), "5");
    msgs_->Shown.clear();
    Trigger(main, "Save1");
    QVERIFY(msgs_->Shown.empty());
    QCOMPARE(ShownInFile(file), Shown(table->Table()));
    // Save as: asked once, with the complete name.
    const std::string other = dir_->Write("OTHER.TBL", "x");
    dialogs_->SaveAnswers << QString::fromStdString(other);
    Trigger(main, "Saveas1");
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{other + " already exists.  Do you want to replace it?"});
    QCOMPARE(ShownInFile(other), Shown(table->Table()));
}

// The window fits whole cells to its client area, keeps that rectangle in the file's six words
// and takes it back when the file is opened.
void TestTableForm::clientRectRoundTrip() {
    TKOLSHELLFORM main;
    main.resize(1200, 900);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    TTableForm* table = NewTable(main, {"AREA", "QPUMP"}, "10");
    QVERIFY(table);
    const int bar = table->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    // Everything fits: the window is exactly the grid (45 + 1 + 2 columns of 90 + 1; 30 + 1
    // and ten rows of 20 + 1).
    QCOMPARE(table->ClientSize(), QSize(46 + 2 * 91, 31 + 10 * 21));
    // Made smaller, it shows six whole rows and takes a vertical bar.
    table->resize(table->size() - table->ClientSize() + QSize(200, 150));
    QCOMPARE(table->ClientSize(), QSize(46 + 2 * 91 + bar, 31 + 6 * 21));
    // Made larger than the grid, it goes back to the grid's size.
    table->resize(table->size() + QSize(300, 300));
    QCOMPARE(table->ClientSize(), QSize(46 + 2 * 91, 31 + 10 * 21));
    table->resize(table->size() - table->ClientSize() + QSize(150, 120));
    const QSize client = table->ClientSize();
    QCOMPARE(client, QSize(46 + 91 + bar, 31 + 5 * 21 + bar));
    Trigger(main, "Save1");
    const std::string bytes = ReadTestFile(dir_->Path("DEMO.TBL"));
    auto word = [&](size_t at) { return int(int16_t(uint8_t(bytes[at]) | bytes[at + 1] << 8)); };
    const QPoint origin = table->Grid()->mapToGlobal(QPoint(0, 0));
    QCOMPARE(QPoint(word(264), word(266)), origin);
    QCOMPARE(QRect(QPoint(word(268), word(270)), QPoint(word(272), word(274))),
             QRect(QPoint(0, 0), QPoint(client.width(), client.height())));
    main.DisposeKOLVANWindows(TWindowKind::Table);
    main.Documents().ReadaFile(dir_->Path("DEMO.TBL"));
    QVERIFY(main.Tables().CurrentTable());
    QCOMPARE(main.Tables().CurrentTable()->ClientSize(), client);
}

void TestTableForm::runLineKeepsTheGrid() {
    // The line of a followed job shows under the grid: the window grows by it, wraps it when
    // narrow, and gives the room back once the job has ended; the file's client size stays.
    TKOLSHELLFORM main;
    main.resize(1200, 900);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    TTableForm* table = NewTable(main, {"AREA", "QPUMP"}, "10");
    QVERIFY(table);
    const QSize client = table->ClientSize(), window = table->size();
    table->ShowRunLine("Slurm job 7: 0 of 10 runs done");
    QCoreApplication::processEvents();
    QVERIFY(table->RunLine()->isVisible());
    QCOMPARE(table->ClientSize(), client);
    const int oneLine = table->height() - window.height();
    QVERIFY(oneLine > 0);
    table->ShowRunLine(
        "Slurm job 7: 2 of 10 runs done, 1 failed, 1 cancelled, 3 running, 3 pending");
    QCoreApplication::processEvents();
    QCOMPARE(table->ClientSize(), client);
    QVERIFY(table->height() - window.height() > oneLine);
    table->ShowRunLine({});
    QCoreApplication::processEvents();
    QVERIFY(!table->RunLine()->isVisible());
    QCOMPARE(table->size(), window);
    QCOMPARE(table->ClientSize(), client);
}

void TestTableForm::everyEditMarksTheTable_data() {
    QTest::addColumn<QString>("edit");
    for (const char* e : {"Alter Values", "Alter Values clearing", "Paste", "Clear", "Cut",
                          "Insert Runs", "Delete Runs", "Insert/Delete Vars"})
        QTest::newRow(e) << QString(e);
}

// A table read from its file, edited by one command and closed: closing asks, and Yes
// saves the edit.
void TestTableForm::everyEditMarksTheTable() {
    QFETCH(QString, edit);
    const std::string file = dir_->Path("DEMO.TBL");
    {
        TKOLSHELLFORM maker;
        TTableForm* t = NewTable(maker, {"AREA", "QPUMP"}, "3");
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 2; ++c)
                t->Grid()->model()->setData(t->Grid()->model()->index(r, c),
                                            QString::number(r + c));
        Trigger(maker, "Save1");
    }
    TKOLSHELLFORM main;
    main.Documents().ReadaFile(file);
    TTableForm* table = main.Tables().CurrentTable();
    QVERIFY(table);
    QVERIFY(!table->IsModified());
    QAbstractItemModel* m = table->Grid()->model();
    table->Grid()->setCurrentIndex(m->index(0, 0));
    table->Grid()->selectionModel()->select(m->index(0, 0), QItemSelectionModel::ClearAndSelect);
    if (edit.startsWith("Alter Values")) {
        main.ExecDialog = [&](QDialog& d) {
            auto& dlg = static_cast<TAlterValuesDlg&>(d);
            dlg.ClearValues->setChecked(edit.endsWith("clearing"));
            dlg.FirstValue->setText("7");
            dlg.IncorLast->setText("1");
            dlg.OKBtn->click();
        };
        Trigger(main, "AlterTable1");
    } else if (edit == "Paste") {
        QApplication::clipboard()->setText("9\t8");
        Trigger(main, "Paste1");
    } else if (edit == "Clear" || edit == "Cut") {
        Trigger(main, edit == "Clear" ? "Clear1" : "Cut1");
    } else if (edit.endsWith("Runs")) {
        main.ExecDialog = [&](QDialog& d) {
            auto& dlg = static_cast<TInsertRunsDlg&>(d);
            dlg.DeleteRows->setChecked(edit.startsWith("Delete"));
            dlg.RowsEdit->setText("1");
            dlg.OKBtn->click();
        };
        Trigger(main, "InsertDeleteRuns1");
    } else {
        main.ExecDialog = [&](QDialog& d) {
            auto& dlg = static_cast<TNewTableDlg&>(d);
            dlg.DstList->item(0)->setSelected(true);
            dlg.ExcludeBtn->click();
            dlg.OKBtn->click();
        };
        Trigger(main, "InsertDeleteVars1");
    }
    const QStringList edited = Shown(table->Table());
    QVERIFY(edited != ShownInFile(file));
    QVERIFY(table->IsModified());
    msgs_->Shown.clear();
    msgs_->Answers = {MsgAnswer::Yes};
    QVERIFY(table->close());
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{file + " has been changed.  Save it?"});
    QCOMPARE(ShownInFile(file), edited);
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
    main.Tables().RunTable1Click();
    QTRY_VERIFY_WITH_TIMEOUT(!TRunController::Active(), 20000);
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

// A run recorded as stopped is not taken for a result: its line is dotted and its legend says
// so; a run whose value changed since it ran is left out. Both are named once.
void TestTableForm::plotTableRunsMarksPartialRuns() {
    TKOLSHELLFORM main;
    ProgramDirs().Dirs[pdEngine] = qEnvironmentVariable("KOLSHELL_BIN").toStdString();
    TTableForm* table = NewTable(main, {"AREA"}, "3");
    QAbstractItemModel* m = table->Grid()->model();
    const QStringList areas{"2.5", "5", "10"};
    for (int r = 0; r < 3; ++r)
        m->setData(m->index(r, 0), areas[r]);
    main.Tables().RunTable1Click();
    QTRY_VERIFY_WITH_TIMEOUT(!TRunController::Active(), 20000);
    QVERIFY(FileExists(dir_->Path("DEMO2.OUT")));
    // Run 2 was stopped halfway, as its record beside the table says; run 3's area changed.
    const std::string states = RunStateFileName(table->Table().TableFileName);
    std::string recorded = ReadTestFile(states);
    const size_t at = recorded.find("\n2\tdone\t");
    QVERIFY(at != std::string::npos);
    recorded.replace(at, 8, "\n2\tstopped\t");
    WriteTestFile(QString::fromStdString(ExtractFileDir(states)), ExtractFileName(states),
                  recorded);
    m->setData(m->index(2, 0), "40");
    msgs_->Shown.clear();
    main.UpdateMenu();
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TPlotTableRuns&>(d);
        dlg.PlotFileList->setCurrentIndex(dlg.PlotFileList->findText("DEMO.OUT"));
        emit dlg.PlotFileList->activated(dlg.PlotFileList->currentIndex());
        dlg.ListBoxX->setCurrentRow(0);
        dlg.ListBoxY->setCurrentRow(1);
        dlg.OKBtn->click();
    };
    main.Action("PlotTableRuns1")->trigger();
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{
                 "Run 3 has an output file from other values than the table's now and is left "
                 "out of the plot.  Run 2 did not finish: its line shows partial outputs, dotted "
                 "and marked in the legend."});
    auto* plot = qobject_cast<TPlotForm*>(main.Children().last());
    QVERIFY(plot);
    const TPlotDef& d = plot->Def();
    QCOMPARE(d.NLines, 2);
    QCOMPARE(d.Lines[0].Legend, std::string("run 1: AREA=2.500"));
    QCOMPARE(d.Lines[0].LineStyle, 1);
    QCOMPARE(d.Lines[1].Legend, std::string("run 2 (stopped, partial): AREA=5.000"));
    QCOMPARE(d.Lines[1].LineStyle, 3); // dotted
}

// Every change the window makes to its grid model is one the model tester accepts: cell
// edits, a paste, a clear, runs inserted and deleted, variables changed, values altered.
void TestTableForm::gridModelUnderTester() {
    TKOLSHELLFORM main;
    TTableForm* table = NewTable(main, {"QPUMP", "AREA"}, "3");
    QAbstractItemModel* m = table->Grid()->model();
    QAbstractItemModelTester tester(m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(m->setData(m->index(0, 0), "1"));
    QApplication::clipboard()->setText("1\t2\r\n3\t4");
    table->Grid()->setCurrentIndex(m->index(1, 0));
    Trigger(main, "Paste1");
    QCOMPARE(m->data(m->index(2, 1)).toString(), QString("4.000"));
    table->Grid()->selectionModel()->select(m->index(0, 0), QItemSelectionModel::ClearAndSelect);
    Trigger(main, "Clear1");
    const auto runs = [&](bool insert, const char* count) {
        main.ExecDialog = [insert, count](QDialog& d) {
            auto& dlg = static_cast<TInsertRunsDlg&>(d);
            (insert ? dlg.InsertRows : dlg.DeleteRows)->setChecked(true);
            dlg.RowsEdit->setText(count);
            dlg.OKBtn->click();
        };
        Trigger(main, "InsertDeleteRuns1");
    };
    runs(true, "4");
    QCOMPARE(m->rowCount(), 7);
    runs(false, "2");
    QCOMPARE(m->rowCount(), 5);
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TNewTableDlg&>(d);
        dlg.DstList->item(0)->setSelected(true);
        dlg.ExcludeBtn->click();
        dlg.SrcList->findItems("LEVEL0", Qt::MatchExactly).first()->setSelected(true);
        dlg.IncludeBtn->click();
        dlg.OKBtn->click();
    };
    Trigger(main, "InsertDeleteVars1");
    QCOMPARE(m->columnCount(), 2);
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TAlterValuesDlg&>(d);
        dlg.FirstRunV->setText("1");
        dlg.LastRunV->setText("5");
        dlg.FirstValue->setText("1");
        dlg.IncorLast->setText("1");
        dlg.ApplyBtn->click();
        dlg.reject();
    };
    Trigger(main, "AlterTable1");
    QCOMPARE(m->data(m->index(4, 0)).toString(), QString("5.000"));
}

QTEST_MAIN(TestTableForm)
void TestTableForm::newTableEnterIsOkAndUnitsOfTheSystem_data() {
    QTest::addColumn<int>("system");
    QTest::addColumn<QString>("unit");
    QTest::newRow("SI") << 1 << "[m2]";
    QTest::newRow("secondary") << 2 << "[ft2]";
}

// The user picks AREA (its unit shows), moves every parameter over with ">>", types the run
// count and presses Enter: that is OK, not ">>" again.
void TestTableForm::newTableEnterIsOkAndUnitsOfTheSystem() {
    QFETCH(int, system);
    QFETCH(QString, unit);
    Options().UnitSystem = system;
    TNewTableDlg dlg((qEnvironmentVariable("KOLSHELL_SOURCE") + "/demo/DEMO.KSD").toStdString(),
                     nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QList<QListWidgetItem*> area = dlg.SrcList->findItems("AREA", Qt::MatchExactly);
    QCOMPARE(area.size(), 1);
    QTest::mouseClick(dlg.SrcList->viewport(), Qt::LeftButton, {},
                      dlg.SrcList->visualItemRect(area[0]).center());
    QCOMPARE(dlg.UnitsLabel->text(), unit);
    QTest::mouseClick(dlg.IncAllBtn, Qt::LeftButton);
    const int chosen = dlg.DstList->count();
    QVERIFY(chosen > 1);
    dlg.RunsEdit->setFocus();
    dlg.RunsEdit->selectAll();
    QTest::keyClicks(dlg.RunsEdit, "4");
    QTest::keyClick(dlg.RunsEdit, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.Runs(), 4);
    QCOMPARE(int(dlg.Chosen().size()), chosen);
}

void TestTableForm::tableDialogsAccessKeys() {
    TTable t = kolshell::NewTable({"A", "B"}, 3);
    TNewTableDlg vars("", nullptr);
    TAlterValuesDlg alter(t);
    TInsertRunsDlg runs(t);
    for (QDialog* d : {static_cast<QDialog*>(&vars), static_cast<QDialog*>(&alter),
                       static_cast<QDialog*>(&runs)}) {
        QVERIFY2(AccessKeys(d).size() >= 3, qPrintable(d->windowTitle()));
        QCOMPARE(RepeatedAccessKeys(d), QStringList());
    }
    // Enter in a field of Insert or Delete Runs is OK even after the user clicked elsewhere.
    runs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&runs));
    QTest::mouseClick(runs.AfterRow, Qt::LeftButton);
    runs.RowsEdit->setFocus();
    QTest::keyClick(runs.RowsEdit, Qt::Key_Return);
    QCOMPARE(runs.result(), int(QDialog::Accepted));
}

// A value longer than a column widens the column so that it shows whole, typed or read; the
// other columns keep their width.
void TestTableForm::columnsFitTheirValues() {
    TKOLSHELLFORM main;
    main.show();
    TTableForm* table = NewTable(main, {"QPUMP", "AREA"}, "3");
    QVERIFY(table);
    TTableGrid* grid = table->Grid();
    const int normal = grid->columnWidth(1);
    table->Table().Columns[0].Format = {1, 4}; // fixed, four decimals
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(1, 0));
    QTest::keyClick(grid, Qt::Key_1);
    QTRY_VERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    QTest::keyClicks(QApplication::focusWidget(), "23456789012.5");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(grid->model()->data(grid->model()->index(1, 0)).toString().size() > 16);
    const QString shown = grid->model()->data(grid->model()->index(1, 0)).toString();
    QVERIFY(grid->columnWidth(0) > grid->fontMetrics().horizontalAdvance(shown));
    QCOMPARE(grid->columnWidth(1), normal);
    QCOMPARE(table->Title().toStdString(), table->Table().TableFileName);
    QVERIFY(table->isWindowModified());
    // Read back from its file, the column is as wide again.
    const int wide = grid->columnWidth(0);
    QVERIFY(table->SaveDocument(table->Table().TableFileName));
    TTableForm again;
    QVERIFY(again.ReadTable(table->Table().TableFileName));
    QCOMPARE(again.Grid()->columnWidth(0), wide);
    QVERIFY(grid->horizontalHeader()->height() >= 31);
}

#include "tst_tableform.moc"

// A new table window lies wholly inside the MDI area, its title bar first, wherever the window
// it is placed beside has been moved to.
void TestTableForm::newTableWindowInsideArea_data() {
    QTest::addColumn<QString>("deckWindow");
    QTest::newRow("where it opened") << "";
    QTest::newRow("moved to the corner") << "corner";
    QTest::newRow("pushed above the top") << "above";
    QTest::newRow("minimized") << "minimized";
}

void TestTableForm::newTableWindowInsideArea() {
    QFETCH(QString, deckWindow);
    TKOLSHELLFORM main;
    main.resize(900, 650);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.Documents().ReadaFile(dir_->Path("DEMO.DCK"));
    TChildForm* deck = main.FirstChildOfKind(TWindowKind::Deck);
    const QSize area = main.MdiArea()->viewport()->size();
    if (deckWindow == "corner") deck->move(area.width() - 120, area.height() - 40);
    if (deckWindow == "above") deck->move(30, -deck->height() / 2);
    if (deckWindow == "minimized") deck->showMinimized();
    ChooseNewTable(main, {"AREA", "QPUMP"}, "10");
    TTableForm* table = main.Tables().CurrentTable();
    QVERIFY(table);
    QVERIFY2(QRect(QPoint(0, 0), area).contains(table->geometry()),
             qPrintable(QString("%1,%2 %3x%4")
                            .arg(table->x())
                            .arg(table->y())
                            .arg(table->width())
                            .arg(table->height())));
}
