// Every command that closes windows asks each window that holds the user's work first, and a
// Cancel keeps them all: driven through the menu items with a form, a table and a plot open
// and changed.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/lib1.h"
#include "common/paths.h"
#include "common/programfiles.h"
#include "kolsed/widgets/kolsedform.h"
#include "plot/widgets/plotdialogs.h"
#include "plot/widgets/plotform.h"
#include "table/tableedits.h"
#include "table/tablemodel.h"
#include "table/widgets/makekolseddlg.h"
#include "table/widgets/tabledialogs.h"
#include "table/widgets/tableform.h"
#include "tests/support/testsupport.h"

#include <QAbstractItemModel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>
#include <algorithm>

using namespace kolshell;

namespace {

const char* const Question = " has been changed.  Save it?";

// The dialogs the commands show, each answered with OK.
void AnswerOk(QDialog& d) {
    if (auto* setup = qobject_cast<TPlotSetup*>(&d)) setup->OKBtn->click();
    if (auto* make = qobject_cast<TMakeKOLSEDDlg*>(&d)) make->OKBtn->click();
    if (auto* table = qobject_cast<TNewTableDlg*>(&d)) {
        table->RunsEdit->setText("2");
        table->IncAllBtn->click();
        table->OKBtn->click();
    }
}

} // namespace

class TestClosing : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void everyCommandAsksFirst_data();
    void everyCommandAsksFirst();

  private:
    void OpenChangedWindows(TKOLSHELLFORM& form);
    void Trigger(TKOLSHELLFORM& form, const QString& command);
    std::unique_ptr<TestFolder> dir_;
    std::unique_ptr<MsgRecorder> msgs_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    QPointer<TChildForm> deck_, kolsed_, table_, plot_;
};

void TestClosing::init() {
    dir_ = std::make_unique<TestFolder>();
    FreshProgramDir(*dir_);
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    const QString demo = qEnvironmentVariable("KOLSHELL_SOURCE") + "/demo/";
    for (const char* f : {"DEMO.KSD", "DEMO.DCK", "VALVES.DAT", "DEMO.BMP"})
        QFile::copy(demo + f, dir_->Dir.path() + "/" + f);
    ProgramDirs().Dirs[pdEngine] = demo.toStdString();
    dir_->Write("DEMO.OUT", "TIME LEVEL FLOW\n S M M3/S\n0 1 5\n1 2 4\n2 4 3\n");
    dir_->Write("OTHER.DCK", "* other\nEND\n");
    dir_->Write("OTHER.KSD", "*KOLSED\n* other\nEND\n");
    TTable table = NewDeckTable(dir_->Path("DEMO.KSD"), {"AREA"}, 2);
    SaveTable(table, dir_->Path("DEMO.TBL"));
}

void TestClosing::cleanup() {
    dialogs_.reset();
    msgs_.reset();
}

// The deck in an editor, its form with a button changed, the form's table with a value typed,
// and a plot of its output.
void TestClosing::OpenChangedWindows(TKOLSHELLFORM& form) {
    SetCurrentDir(dir_->Dir.path().toStdString());
    form.Documents().ReadaFile(dir_->Path("DEMO.DCK"));
    deck_ = form.FirstChildOfKind(TWindowKind::Deck);
    form.Documents().ReadaFile(dir_->Path("DEMO.KSD"));
    kolsed_ = form.FirstChildOfKind(TWindowKind::Form);
    QVERIFY(deck_ && kolsed_);
    kolsed_->findChild<QRadioButton*>("START.1")->click();
    form.Action("Table1")->trigger();
    table_ = form.FirstChildOfKind(TWindowKind::Table);
    QVERIFY(table_);
    QAbstractItemModel* model = table_->findChild<QTableView*>()->model();
    QVERIFY(model->setData(model->index(0, 0), "7", Qt::EditRole));
    form.ExecDialog = AnswerOk;
    form.Action("NewPlot1")->trigger();
    plot_ = form.FirstChildOfKind(TWindowKind::Plot);
    QVERIFY(plot_);
    QVERIFY(kolsed_->IsModified() && table_->IsModified());
    msgs_->Shown.clear();
}

void TestClosing::Trigger(TKOLSHELLFORM& form, const QString& command) {
    const auto answer = [this](const char* file) {
        dialogs_->OpenAnswers = {QString::fromStdString(dir_->Path(file))};
    };
    QString action = command;
    if (command == "Open") answer("OTHER.DCK");
    if (command == "KOLSED Open") answer("OTHER.KSD"), action = "Open1";
    if (command == "Edit KOLSED file") answer("OTHER.KSD"), action = "EditKOLSEDfile1";
    if (command == "Make KOLSED file") {
        dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("MADE.KSD"))};
        form.MdiArea()->setActiveSubWindow(deck_);
        action = "MakeKOLSEDfile1";
    }
    if (command == "New Table") {
        form.MdiArea()->setActiveSubWindow(kolsed_);
        action = "NewTable1";
    }
    if (command == "Calculate") {
        form.MdiArea()->setActiveSubWindow(kolsed_);
        action = "Calculate1";
    }
    if (command == "Open") action = "Open1";
    if (command == "Exit") action = "Exit1";
    if (command == "close box") {
        for (TChildForm* c : {kolsed_.data(), table_.data(), plot_.data()})
            c->close();
        return;
    }
    if (command == "recent entry") {
        form.Documents().FileNameList.Add(dir_->Path("OTHER.DCK"));
        form.Documents().FixFileNameList();
        for (QAction* a : form.Menu("File1")->actions())
            if (a->property("ListIndex").isValid() && a->text().endsWith("OTHER.DCK")) a->trigger();
        return;
    }
    auto* a = form.findChild<QAction*>(action);
    QVERIFY2(a && a->isEnabled(), qPrintable(action));
    a->trigger();
}

void TestClosing::everyCommandAsksFirst_data() {
    QTest::addColumn<bool>("kolsed");
    QTest::addColumn<QString>("command");
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<QString>("question");
    const QString closing = Question;
    const auto add = [&](bool kolsed, const char* c, const QString& question) {
        const QString program = kolsed ? "KOLSED program: " : "";
        QTest::newRow(qPrintable(program + c + ", Cancel"))
            << kolsed << c << MsgAnswer::Cancel << question;
        QTest::newRow(qPrintable(program + c + ", No")) << kolsed << c << MsgAnswer::No << question;
    };
    for (const char* c : {"Open", "recent entry", "Edit KOLSED file", "Make KOLSED file",
                          "New Table", "Exit", "close box"})
        add(false, c, closing);
    for (const char* c : {"KOLSED Open", "recent entry", "Exit", "close box"})
        add(true, c, closing);
    // Calculate asks to save the deck before its run; Cancel there stops it.
    const QString run = " before calling KOLVAN?";
    QTest::newRow("Calculate, Cancel") << false << "Calculate" << MsgAnswer::Cancel << run;
    QTest::newRow("KOLSED program: Calculate, Cancel")
        << true << "Calculate" << MsgAnswer::Cancel << run;
}

// Cancel: no changed window goes and the command asked. No: every changed window that went
// was asked about by name first.
void TestClosing::everyCommandAsksFirst() {
    QFETCH(bool, kolsed);
    QFETCH(QString, command);
    QFETCH(MsgAnswer, answer);
    QFETCH(QString, question);
    Globals().KolsedOnlyMode = kolsed;
    TKOLSHELLFORM form;
    form.CreateDialogs();
    form.show();
    OpenChangedWindows(form);
    if (QTest::currentTestFailed()) return;
    const std::vector<std::pair<QPointer<TChildForm>, std::string>> changed = {
        {kolsed_, kolsed_->FileName()},
        {table_, table_->DocumentName()},
        {plot_, plot_->Title().toStdString()}};
    msgs_->Answers = std::deque<MsgAnswer>(20, answer);
    form.ExecDialog = AnswerOk;
    Trigger(form, command);
    const std::vector<std::string> texts = msgs_->Texts();
    const auto askedAbout = [&texts](const std::string& name) {
        return std::find(texts.begin(), texts.end(), name + Question) != texts.end();
    };
    if (answer == MsgAnswer::No) {
        for (const auto& [window, name] : changed)
            QVERIFY2(window || askedAbout(name), name.c_str());
        return;
    }
    QVERIFY(kolsed_ && table_ && plot_);
    QVERIFY(kolsed_->IsModified());
    QVERIFY(table_->IsModified());
    QVERIFY(form.isVisible());
    std::string all;
    bool asked = false;
    for (const std::string& t : texts) {
        asked = asked || QString::fromStdString(t).endsWith(question);
        all += t + " / ";
    }
    QVERIFY2(asked, all.c_str());
}

QTEST_MAIN(TestClosing)
#include "tst_closing.moc"
