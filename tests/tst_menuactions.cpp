// Every action of both menu bars, triggered as a user would: each does what its menu row says
// (a window, a dialog, a message, a change the user sees) or is disabled where it must be.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/paths.h"
#include "common/widgets/childform.h"
#include "plot/widgets/plotdialogs.h"
#include "plot/widgets/plotform.h"
#include "shell/widgets/helpwindow.h"
#include "table/tableedits.h"
#include "table/tablemodel.h"
#include "table/widgets/tabledialogs.h"
#include "table/widgets/tableform.h"
#include "tests/support/testsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDirIterator>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace kolshell;

namespace {

const char* const Deck = "* demo\nCONSTANTS 2\nAREA = 2.5\nQPUMP = 0.012\n"
                         "SIMULATION 0 10 1\nEND\n";

// Closes every modal dialog as it comes up and notes its class, and any of its controls that
// no access key of its own reaches.
class ModalCloser : public QObject {
  public:
    ModalCloser() {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (QWidget* m = QApplication::activeModalWidget()) {
                Shown << QString(m->metaObject()->className()).section("::", -1);
                const QStringList faults = RepeatedAccessKeys(m) + UnkeyedControls(m);
                if (!faults.isEmpty())
                    KeyFaults << QString(QString(m->metaObject()->className()).section("::", -1)) +
                                     ": " + faults.join(", ");
                if (auto* d = qobject_cast<QDialog*>(m))
                    d->reject();
                else
                    m->close();
            }
        });
        timer_.start();
    }
    QStringList Shown, KeyFaults;

  private:
    QTimer timer_;
};

QStringList VisibleTopLevels() {
    QStringList l;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !qobject_cast<QMenu*>(w))
            l << QString(w->metaObject()->className()).section("::", -1);
    l.sort();
    return l;
}

QStringList Kinds(TKOLSHELLFORM& form) {
    QStringList l;
    for (TChildForm* c : form.Children())
        l << QString::number(int(c->WindowKind()));
    return l;
}

// What the table window shows: its names and every cell.
QStringList TableShown(TKOLSHELLFORM& form) {
    QStringList l;
    if (TTableForm* table = form.Tables().CurrentTable())
        for (int r = 0; r <= table->Table().Runs(); ++r)
            for (int c = 1; c < table->Table().ColCount; ++c)
                l << QString::fromStdString(GetS(table->Table(), c, r));
    return l;
}

// What the first plot window shows of its definition: lines and axis titles.
QStringList PlotShown(TKOLSHELLFORM& form) {
    auto* plot = qobject_cast<TPlotForm*>(form.FirstChildOfKind(TWindowKind::Plot));
    if (!plot) return {};
    return {QString::number(plot->Def().NLines), QString::fromStdString(plot->Def().AxisTitle[0]),
            QString::fromStdString(plot->Def().AxisTitle[1])};
}

// The table beside the deck: AREA and QPUMP, two runs with their values.
void WriteTable(const std::string& deck) {
    TTable t = NewDeckTable(deck, {"AREA", "QPUMP"}, 2);
    const double values[2][2] = {{2.5, 3.0}, {0.01, 0.02}};
    for (size_t c = 0; c < 2; ++c)
        for (size_t r = 0; r < 2; ++r)
            t.Columns[c].Values[r + 1] = values[c][r];
    SaveTable(t, ReplaceFromFirstDot(deck, ".TBL"));
}

// A user who fills in the table dialogs and presses OK.
void AnswerTableDialog(QDialog& d) {
    if (auto* alter = qobject_cast<TAlterValuesDlg*>(&d)) {
        alter->FirstRunV->setText("1");
        alter->LastRunV->setText("2");
        alter->FirstValue->setText("7");
        alter->IncorLast->setText("1");
        alter->OKBtn->click();
    } else if (auto* runs = qobject_cast<TInsertRunsDlg*>(&d)) {
        runs->RowsEdit->setText("2");
        runs->OKBtn->click();
    } else if (auto* vars = qobject_cast<TNewTableDlg*>(&d)) {
        vars->DstList->item(0)->setSelected(true); // AREA leaves the table
        vars->ExcludeBtn->click();
        vars->OKBtn->click();
    } else if (auto* modify = qobject_cast<TModPlot*>(&d)) {
        modify->YAxisLabel->setText("Height");
        modify->OKBtn->click();
    }
}

} // namespace

class TestMenuActions : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void everyAction_data();
    void everyAction();
    void f8NeedsADeckWindow();

  private:
    // What the user can see change when the action is triggered.
    QString Effect(TKOLSHELLFORM& form, QAction* action);
    std::unique_ptr<TestFolder> dir_;
    std::unique_ptr<MsgRecorder> msgs_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
};

void TestMenuActions::init() {
    dir_ = std::make_unique<TestFolder>();
    FreshProgramDir(*dir_);
    dir_->Write("CNFGKV.KOL", "switches\r\nY\r\nN\r\n");
    const QString from = qEnvironmentVariable("KOLSHELL_SOURCE") + "/help";
    QDir().mkpath(dir_->Dir.path() + "/help");
    for (QDirIterator it(from, QDir::Files); it.hasNext();) {
        it.next();
        QFile::copy(it.filePath(), dir_->Dir.path() + "/help/" + it.fileName());
    }
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
}

void TestMenuActions::cleanup() {
    dialogs_.reset();
    msgs_.reset();
}

QString TestMenuActions::Effect(TKOLSHELLFORM& form, QAction* action) {
    if (!action->isEnabled()) return "disabled";
    auto* editor = form.FirstChildOfKind(TWindowKind::Deck)
                       ? form.FirstChildOfKind(TWindowKind::Deck)->findChild<QPlainTextEdit*>()
                       : nullptr;
    const QString text = editor ? editor->toPlainText() : QString();
    const QStringList kinds = Kinds(form), tops = VisibleTopLevels();
    const QString clip = QApplication::clipboard()->text();
    const bool checked = action->isChecked();
    const QRect geometry =
        form.Children().isEmpty() ? QRect() : form.Children().first()->geometry();
    const size_t messages = msgs_->Shown.size();
    const std::string onDisk = ReadTestFile(dir_->Path("RUN.DCK"));
    const auto active = CurrentChild ? CurrentChild->WindowKind() : TWindowKind::None;
    const int cursor = editor ? editor->textCursor().position() : -1;
    const qsizetype titles = dialogs_->Titles.size();
    const QStringList table = TableShown(form), plot = PlotShown(form);
    ModalCloser closer;
    action->trigger();
    QTest::qWait(60);
    QStringList effect;
    for (const QString& d : closer.Shown)
        effect << "dialog " + d;
    for (const QString& f : closer.KeyFaults)
        effect << "access keys of " + f;
    for (qsizetype i = titles; i < dialogs_->Titles.size(); ++i)
        effect << "file dialog " + dialogs_->Titles[i];
    for (size_t i = messages; i < msgs_->Shown.size(); ++i)
        effect << "message";
    if (Kinds(form) != kinds) effect << "windows " + Kinds(form).join(",");
    for (const QString& t : VisibleTopLevels())
        if (!tops.contains(t)) effect << "window " + t;
    if (editor && form.FirstChildOfKind(TWindowKind::Deck) && editor->toPlainText() != text)
        effect << "text";
    if (QApplication::clipboard()->text() != clip) effect << "clipboard";
    if (ReadTestFile(dir_->Path("RUN.DCK")) != onDisk) effect << "saved";
    if (editor && form.FirstChildOfKind(TWindowKind::Deck) && editor->toPlainText() == text &&
        editor->textCursor().position() != cursor)
        effect << "found";
    const auto activeNow = CurrentChild ? CurrentChild->WindowKind() : TWindowKind::None;
    if (activeNow != active && form.isVisible())
        effect << "active " + QString::number(int(activeNow));
    if (action->isChecked() != checked) effect << "checked";
    // A table or plot that was there shows other contents.
    if (!table.isEmpty() && TableShown(form) != table) effect << "table";
    if (!plot.isEmpty() && PlotShown(form) != plot) effect << "plot";
    if (!form.Children().isEmpty() && form.Children().first()->geometry() != geometry)
        effect << "arranged";
    if (!form.isVisible()) effect << "closed";
    return effect.isEmpty() ? "nothing" : effect.join("; ");
}

void TestMenuActions::everyAction_data() {
    QTest::addColumn<bool>("kolsed");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("expected");
    // action, what the user did before, what the user sees.
    const char* const normal[][3] = {
        {"New1", "", "windows 8000,1000,1000"},
        {"Open1", "", "file dialog Open"},
        {"Save1", "typed", "saved"},
        {"Saveas1", "", "file dialog Save As"},
        {"Print1", "", "dialog TPrintDlg"},
        {"PrintSetup1", "", "file dialog Print Setup"},
        {"Setup1", "", "dialog TSetupDlg"},
        {"Exit1", "", "windows ; closed"},
        {"Cut1", "", "text; clipboard"},
        {"Copy1", "", "clipboard"},
        {"Paste1", "", "text"},
        {"Clear1", "", "text"},
        {"Find1", "", "window TFindDialog"},
        {"Replace1", "", "window TFindDialog"},
        {"SearchAgain1", "found once", "found"},
        // A fresh set-up knows no engine folder yet: it asks for it.
        {"Calculate1", "",
         "file dialog Select the KOLVAN directory: the engine @/KOLVAN32.exe was not found, and "
         "Calculate runs it"},
        {"RunTable1", "", "disabled"}, // no table window
        // The deck's last results are asked about; a fresh set-up knows no engine folder: the
        // run asks for it.
        {"RunTable1", "table", "file dialog Select the KOLVAN directory; message"},
        {"CompileModule1", "", "disabled"}, // not a ".FOR" file
        {"RebuildKOLVAN1", "", "message"},  // no rebuild command set up
        {"ExecuteCommand1", "", "message"}, // no user command set up
        {"MakeKOLSEDfile1", "", "dialog TMakeKOLSEDDlg"},
        {"EditKOLSEDfile1", "", "file dialog Open"},
        {"NewTable1", "", "dialog TNewTableDlg"},
        {"AlterTable1", "", "disabled"}, // these need a table window
        {"InsertDeleteRuns1", "", "disabled"},
        {"InsertDeleteVars1", "", "disabled"},
        {"AlterTable1", "table", "dialog TAlterValuesDlg"},
        {"InsertDeleteRuns1", "table", "dialog TInsertRunsDlg"},
        {"InsertDeleteVars1", "table", "dialog TNewTableDlg"},
        {"AlterTable1", "table answered", "table"},
        {"InsertDeleteRuns1", "table answered", "table"},
        {"InsertDeleteVars1", "table answered", "table"},
        {"FLOWDRAW1", "", "file dialog Select the FLOWDRAW directory"},
        {"ZONEKIT", "", "file dialog Select the ZONEKIT directory"},
        {"ZONER1", "", "file dialog Select the ZONER directory"},
        {"MODLIB1", "", "file dialog Select the MODLIB directory"},
        {"DEBUG1", "", "file dialog Select the KOLGRIDCALC directory"},
        {"NewPlot1", "", "dialog TPlotSetup"},
        {"OverlayPlot1", "", "disabled"}, // these need a plot window
        {"ModifyPlot1", "", "disabled"},
        {"OverlayPlot1", "plot", "dialog TPlotSetup"},
        {"ModifyPlot1", "plot", "dialog TModPlot"},
        {"ModifyPlot1", "plot answered", "plot"},
        {"Input1", "listing", "active 1000"},
        {"Output1", "", "windows 8000,1000,6000; active 6000"}, // its entry RUN.OUT
        {"Listing1", "", "windows 8000,1000,3000; active 3000"},
        {"Table1", "", "disabled"}, // no RUN.TBL
        {"Table1", "table file", "windows 8000,1000,5000; active 5000"},
        {"Table1", "table behind", "active 5000"},
        {"Diagram1", "", "active 8000"},
        {"Tile1", "", "arranged"},
        {"Cascade1", "tiled", "arranged"},
        {"KOLVANIndex1", "", "window THelpWindow"},
        {"TypesIndex1", "", "window THelpWindow"},
        {"KOLVANIndex2", "", "window THelpWindow"},
        {"KOLVANErrorMessges1", "", "window THelpWindow"},
        {"UsingHelp1", "", "window THelpWindow"},
        {"AboutKOLSHELL1", "", "dialog TAboutBox"},
        {"Website", "", "message"}, // no browser in the test
    };
    for (const auto& row : normal)
        QTest::newRow(qPrintable(QString(row[0]) + (*row[1] ? QString(", ") + row[1] : "")))
            << false << row[0] << row[1] << row[2];
    const char* const kolsed[][3] = {
        {"SIUnits", "secondary", "checked"},
        {"EngUnits", "", "checked"},
        {"UserCommand1", "", "file dialog User Command"},
        {"AboutKOLSED1", "", "dialog TAboutBox"},
    };
    for (const auto& row : kolsed)
        QTest::newRow(qPrintable(QString("KOLSED ") + row[0]))
            << true << row[0] << row[1] << row[2];
}

void TestMenuActions::everyAction() {
    QFETCH(bool, kolsed);
    QFETCH(QString, action);
    QFETCH(QString, setup);
    QFETCH(QString, expected);
    Globals().KolsedOnlyMode = kolsed;
    CopyDemo("DEMO.BMP", dir_->Dir.path() + "/RUN.BMP");
    const std::string deck = dir_->Write("RUN.DCK", Deck);
    dir_->Write("RUN.LST", "listing\n");
    dir_->Write("RUN.OUT", "TIME LEVEL FLOW\n S M M3/S\n0 1 5\n1 2 4\n2 4 3\n");
    if (setup.startsWith("table")) WriteTable(deck);
    TKOLSHELLFORM form;
    form.CreateDialogs();
    form.Help().OpenUrl = [](const QUrl&) { return false; };
    form.show();
    SetCurrentDir(dir_->Dir.path().toStdString());
    form.Documents().ReadaFile(deck);
    if (auto* e = form.FirstChildOfKind(TWindowKind::Deck))
        if (auto* edit = e->findChild<QPlainTextEdit*>()) edit->selectAll();
    QApplication::clipboard()->setText("pasted\n");
    auto* edit = form.FirstChildOfKind(TWindowKind::Deck)
                     ? form.FirstChildOfKind(TWindowKind::Deck)->findChild<QPlainTextEdit*>()
                     : nullptr;
    if (setup == "typed") edit->insertPlainText("* typed\n");
    if (setup == "listing") form.Action("Listing1")->trigger();
    if (setup == "tiled") form.Action("Tile1")->trigger();
    if (setup == "secondary") form.Action("EngUnits")->trigger();
    if (setup == "table" || setup == "table behind" || setup == "table answered")
        form.Action("Table1")->trigger();
    if (setup == "table behind") form.Action("Input1")->trigger();
    if (setup.startsWith("plot")) {
        form.ExecDialog = [](QDialog& d) { static_cast<TPlotSetup&>(d).OKBtn->click(); };
        form.Action("NewPlot1")->trigger();
        QVERIFY(form.FirstChildOfKind(TWindowKind::Plot));
    }
    form.ExecDialog = [](QDialog& d) { d.exec(); };
    if (setup.endsWith("answered")) form.ExecDialog = AnswerTableDialog;
    if (setup == "found once") {
        edit->moveCursor(QTextCursor::Start);
        form.Action("Find1")->trigger();
        QLineEdit* find = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "FindDialog") find = w->findChild<QLineEdit*>("FindText");
        QVERIFY(find);
        find->setText("=");
        find->window()->findChild<QPushButton*>("FindNext")->click();
        find->window()->hide();
    }
    QAction* a = form.Action(action);
    if (action == "Output1") a = a->menu()->actions().value(0); // the entry of RUN.OUT
    QVERIFY2(a, qPrintable(action));
    QCOMPARE(Effect(form, a), expected.replace("@", dir_->Dir.path()));
}

// F8 with no window open does nothing; once a deck window is open it runs (a fresh set-up asks
// for the engine folder first), and with the last window closed it is off again.
void TestMenuActions::f8NeedsADeckWindow() {
    const std::string deck = dir_->Write("RUN.DCK", Deck);
    TKOLSHELLFORM form;
    form.CreateDialogs();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto pressF8 = [&] {
        const qsizetype before = dialogs_->Titles.size();
        QTest::keyClick(&form, Qt::Key_F8);
        return dialogs_->Titles.mid(before);
    };
    QVERIFY(!form.Action("Calculate1")->isEnabled());
    QCOMPARE(pressF8(), QStringList());
    form.Documents().ReadaFile(deck);
    QVERIFY(form.Action("Calculate1")->isEnabled());
    QCOMPARE(pressF8(), QStringList{"Select the KOLVAN directory: the engine " +
                                    QString::fromStdString(Globals().KolshellDir) +
                                    "/KOLVAN32.exe was not found, and Calculate runs it"});
    QVERIFY(form.Children().first()->close()); // its close box
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form.Children().isEmpty());
    QCOMPARE(pressF8(), QStringList());
}

QTEST_MAIN(TestMenuActions)
#include "tst_menuactions.moc"
