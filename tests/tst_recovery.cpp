// Unsaved work kept in the recovery folder and offered by the next start: written through the
// timer's function with changed windows, then a new main window on the same folder restores
// or discards it.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/paths.h"
#include "kolsed/widgets/kolsedform.h"
#include "plot/widgets/plotdialogs.h"
#include "plot/widgets/plotform.h"
#include "shell/widgets/editform.h"
#include "table/tableedits.h"
#include "table/tablemodel.h"
#include "table/widgets/tableform.h"
#include "tests/support/testsupport.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>

using namespace kolshell;

class TestRecovery : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void restoreOffersEveryChangedWindow();
    void discardRemovesTheFiles();
    void savingRemovesTheWindowsFile();
    void runningProgramsFilesAreNotOffered();
    void newPlotIsRestored();
    void restoredFileOpenedAtStartShowsOnce();

  private:
    // A text file typed in, the demo form with a button changed and its table with a value
    // typed, then the timer's writing.
    void ChangeWindows(TKOLSHELLFORM& form);
    QStringList RecoveryFiles() const {
        return QDir(state_->path() + "/kolshell/recovery").entryList({"*.rec"}, QDir::Files);
    }
    std::unique_ptr<TestFolder> dir_;
    std::unique_ptr<QTemporaryDir> state_;
    std::unique_ptr<MsgRecorder> msgs_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::map<std::string, std::string> onDisk_;
};

void TestRecovery::init() {
    dir_ = std::make_unique<TestFolder>();
    state_ = std::make_unique<QTemporaryDir>();
    FreshProgramDir(*dir_);
    qputenv("XDG_STATE_HOME", state_->path().toUtf8()); // after the program's fresh folders
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    const QString demo = qEnvironmentVariable("KOLSHELL_SOURCE") + "/demo/";
    for (const char* f : {"DEMO.KSD", "VALVES.DAT", "DEMO.BMP"})
        QFile::copy(demo + f, dir_->Dir.path() + "/" + f);
    dir_->Write("NOTES.TXT", "first line\n");
    TTable table = NewDeckTable(dir_->Path("DEMO.KSD"), {"AREA"}, 2);
    SaveTable(table, dir_->Path("DEMO.TBL"));
    onDisk_.clear();
    for (const char* f : {"NOTES.TXT", "DEMO.KSD", "DEMO.TBL"})
        onDisk_[dir_->Path(f)] = ReadTestFile(dir_->Path(f));
}

void TestRecovery::cleanup() {
    dialogs_.reset();
    msgs_.reset();
}

void TestRecovery::ChangeWindows(TKOLSHELLFORM& form) {
    SetCurrentDir(dir_->Dir.path().toStdString());
    form.Documents().ReadaFile(dir_->Path("NOTES.TXT"));
    auto* editor = qobject_cast<TEditForm*>(form.FirstChildOfKind(TWindowKind::Text));
    QVERIFY(editor);
    editor->Editor()->InsertText("typed ");
    form.Documents().ReadaFile(dir_->Path("DEMO.KSD"));
    TChildForm* kolsed = form.FirstChildOfKind(TWindowKind::Form);
    QVERIFY(kolsed);
    kolsed->findChild<QRadioButton*>("START.1")->click();
    form.Action("Table1")->trigger();
    TChildForm* table = form.FirstChildOfKind(TWindowKind::Table);
    QVERIFY(table);
    QAbstractItemModel* model = table->findChild<QTableView*>()->model();
    QVERIFY(model->setData(model->index(0, 0), "7", Qt::EditRole));
    form.Recovery().WriteAll();
    QCOMPARE(RecoveryFiles().size(), 3);
}

void TestRecovery::restoreOffersEveryChangedWindow() {
    {
        TKOLSHELLFORM killed;
        ChangeWindows(killed);
        if (QTest::currentTestFailed()) return;
    } // gone without closing its windows, as a killed program
    QCOMPARE(RecoveryFiles().size(), 3);
    TKOLSHELLFORM form;
    std::string offered;
    form.Recovery().Ask = [&offered](const std::string& text) {
        offered = text;
        return MsgAnswer::Yes;
    };
    form.Recovery().OfferRestore();
    QVERIFY(QString::fromStdString(offered).startsWith(
        "KOLSHELL was not closed properly. These unsaved changes can be restored:"));
    for (const auto& [file, bytes] : onDisk_)
        QVERIFY2(offered.find(file) != std::string::npos, file.c_str());

    auto* editor = qobject_cast<TEditForm*>(form.FirstChildOfKind(TWindowKind::Text));
    QVERIFY(editor);
    QCOMPARE(editor->FileName(), dir_->Path("NOTES.TXT"));
    QVERIFY(editor->IsModified());
    QCOMPARE(editor->Editor()->toPlainText(), QString("typed first line"));
    auto* kolsed = qobject_cast<TKOLSEDForm*>(form.FirstChildOfKind(TWindowKind::Form));
    QVERIFY(kolsed);
    QCOMPARE(kolsed->FileName(), dir_->Path("DEMO.KSD"));
    QVERIFY(kolsed->IsModified());
    QVERIFY(kolsed->findChild<QRadioButton*>("START.1")->isChecked());
    auto* table = qobject_cast<TTableForm*>(form.FirstChildOfKind(TWindowKind::Table));
    QVERIFY(table);
    QCOMPARE(table->DocumentName(), dir_->Path("DEMO.TBL"));
    QVERIFY(table->IsModified());
    QCOMPARE(GetS(table->Table(), 1, 1), std::string("7.000"));
    for (const auto& [file, bytes] : onDisk_)
        QCOMPARE(ReadTestFile(file), bytes); // nothing written until the user saves
    QCOMPARE(QDir(dir_->Dir.path()).entryList({".kolshell*"}, QDir::Files | QDir::Hidden),
             QStringList());

    // Saved, the form's deck holds the restored change.
    msgs_->Answers = std::deque<MsgAnswer>(5, MsgAnswer::Yes);
    form.Action("Save1")->trigger();
    QVERIFY(!kolsed->IsModified());
    QVERIFY(ReadTestFile(dir_->Path("DEMO.KSD")) != onDisk_[dir_->Path("DEMO.KSD")]);
    QCOMPARE(ReadTestFile(dir_->Path("NOTES.TXT")), std::string("typed first line\n"));
}

void TestRecovery::discardRemovesTheFiles() {
    {
        TKOLSHELLFORM killed;
        ChangeWindows(killed);
        if (QTest::currentTestFailed()) return;
    }
    TKOLSHELLFORM later;
    int asked = 0;
    later.Recovery().Ask = [&asked](const std::string&) { return ++asked, MsgAnswer::Cancel; };
    later.Recovery().OfferRestore();
    QCOMPARE(RecoveryFiles().size(), 3); // Later: kept for the next start
    TKOLSHELLFORM form;
    form.Recovery().Ask = [&asked](const std::string&) { return ++asked, MsgAnswer::No; };
    form.Recovery().OfferRestore();
    QCOMPARE(asked, 2);
    QCOMPARE(RecoveryFiles(), QStringList());
    QVERIFY(form.Children().isEmpty());
}

void TestRecovery::savingRemovesTheWindowsFile() {
    TKOLSHELLFORM form;
    ChangeWindows(form);
    if (QTest::currentTestFailed()) return;
    msgs_->Answers = std::deque<MsgAnswer>(5, MsgAnswer::Yes);
    form.Action("Save1")->trigger();
    QCOMPARE(RecoveryFiles(), QStringList());
    // Closed without saving: its file goes too.
    TChildForm* editor = form.FirstChildOfKind(TWindowKind::Text);
    static_cast<TEditForm*>(editor)->Editor()->InsertText("more ");
    form.Recovery().WriteAll();
    QCOMPARE(RecoveryFiles().size(), 1);
    msgs_->Answers = {MsgAnswer::No};
    editor->close();
    QTRY_COMPARE(RecoveryFiles(), QStringList());
}

void TestRecovery::runningProgramsFilesAreNotOffered() {
    TKOLSHELLFORM running;
    ChangeWindows(running);
    if (QTest::currentTestFailed()) return;
    TKOLSHELLFORM second;
    bool asked = false;
    second.Recovery().Ask = [&asked](const std::string&) { return asked = true, MsgAnswer::No; };
    second.Recovery().OfferRestore();
    QVERIFY(!asked);
    QCOMPARE(RecoveryFiles().size(), 3);
}

// A plot made with New Plot exists in no file until it is saved: a kill keeps it, the next
// start offers it by its caption and restores it as an unsaved plot.
void TestRecovery::newPlotIsRestored() {
    dir_->Write("RUN.DCK", "CONSTANTS 1\nA = 1\nEND\n");
    dir_->Write("RUN.OUT", "TIME LEVEL FLOW\n S M M3/S\n0 1 5\n1 2 4\n2 4 3\n");
    const auto okSetup = [](QDialog& d) {
        if (auto* setup = qobject_cast<TPlotSetup*>(&d)) setup->OKBtn->click();
    };
    TPlotDef made;
    std::string caption;
    {
        TKOLSHELLFORM killed;
        SetCurrentDir(dir_->Dir.path().toStdString());
        killed.Documents().ReadaFile(dir_->Path("RUN.DCK"));
        killed.ExecDialog = okSetup;
        killed.Action("NewPlot1")->trigger();
        auto* plot = qobject_cast<TPlotForm*>(killed.FirstChildOfKind(TWindowKind::Plot));
        QVERIFY(plot);
        made = plot->Def();
        caption = plot->Caption();
        killed.Recovery().WriteAll();
        QCOMPARE(RecoveryFiles().size(), 1);
    }
    TKOLSHELLFORM form;
    std::string offered;
    form.Recovery().Ask = [&offered](const std::string& text) {
        offered = text;
        return MsgAnswer::Yes;
    };
    form.Recovery().OfferRestore();
    QCOMPARE(offered, "KOLSHELL was not closed properly. These unsaved changes can be restored:\n"
                      "a new window, " +
                          caption);
    auto* plot = qobject_cast<TPlotForm*>(form.FirstChildOfKind(TWindowKind::Plot));
    QVERIFY(plot);
    QCOMPARE(plot->Caption(), caption);
    QCOMPARE(plot->DocumentName(), std::string());
    QVERIFY(plot->IsModified());
    QCOMPARE(plot->Def().NLines, made.NLines);
    QCOMPARE(plot->Def().Lines[0].NPoints, made.Lines[0].NPoints);
    QCOMPARE(plot->Def().AxisTitle[1], made.AxisTitle[1]);
    QCOMPARE(RecoveryFiles().size(), 1); // this program's own now
    // Saved under a name, its recovery file goes.
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("LEVEL.KSP"))};
    form.Action("Save1")->trigger();
    QCOMPARE(plot->DocumentName(), dir_->Path("LEVEL.KSP"));
    QVERIFY(!plot->IsModified());
    QCOMPARE(RecoveryFiles(), QStringList());
}

// The file named on the command line is open, as on disk, when the offer comes: Restore shows
// the restored version in its place, not a second window on the same file.
void TestRecovery::restoredFileOpenedAtStartShowsOnce() {
    {
        TKOLSHELLFORM killed;
        ChangeWindows(killed);
        if (QTest::currentTestFailed()) return;
    }
    TKOLSHELLFORM form;
    SetCurrentDir(dir_->Dir.path().toStdString());
    form.Documents().ReadaFile(dir_->Path("NOTES.TXT"));
    form.Recovery().Ask = [](const std::string&) { return MsgAnswer::Yes; };
    form.Recovery().OfferRestore();
    QList<TChildForm*> notes;
    for (TChildForm* c : form.Children())
        if (c->FileName() == dir_->Path("NOTES.TXT")) notes << c;
    QCOMPARE(notes.size(), 1);
    auto* editor = qobject_cast<TEditForm*>(notes.front());
    QVERIFY(editor);
    QVERIFY(editor->IsModified());
    QCOMPARE(editor->Editor()->toPlainText(), QString("typed first line"));
    QCOMPARE(msgs_->Shown.size(), size_t(0)); // the unchanged window went without a question
}

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
