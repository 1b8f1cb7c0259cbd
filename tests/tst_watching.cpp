// Files changed by another program while open: an unchanged window offers to read its file
// again, a changed window's Save warns first, and the program's own saves ask nothing.
#include "app/kolshellform.h"
#include "common/fileidentity.h"
#include "common/globals.h"
#include "common/paths.h"
#include "kolsed/widgets/kolsedform.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/fileviewer.h"
#include "shell/widgets/viewform.h"
#include "table/tableedits.h"
#include "table/tablemodel.h"
#include "table/widgets/tableform.h"
#include "tests/support/testsupport.h"

#include <QLineEdit>
#include <QtTest>

using namespace kolshell;

class TestWatching : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void identity();
    void unchangedEditorOffersReload();
    void changedEditorWarnsOnSave_data();
    void changedEditorWarnsOnSave();
    void ownSaveAsksNothing();
    void changedEditorNoSavesAs();
    void closeQuestionWarnsToo_data();
    void closeQuestionWarnsToo();
    void unchangedFormReloads();
    void unchangedTableReloads();
    void listingReloadsUnasked();

  private:
    TEditForm* OpenNotes(TKOLSHELLFORM& form) {
        form.Documents().ReadaFile(notes_);
        return qobject_cast<TEditForm*>(form.FirstChildOfKind(TWindowKind::Text));
    }
    std::unique_ptr<TestFolder> dir_;
    std::unique_ptr<MsgRecorder> msgs_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::string notes_;
};

void TestWatching::init() {
    dir_ = std::make_unique<TestFolder>();
    FreshProgramDir(*dir_);
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    notes_ = dir_->Write("NOTES.TXT", "first\n");
}

void TestWatching::cleanup() {
    dialogs_.reset();
    msgs_.reset();
}

void TestWatching::identity() {
    const TFileIdentity read = TFileIdentity::Of(notes_);
    QVERIFY(read.Exists);
    QVERIFY(!(TFileIdentity::Of(notes_) != read));
    dir_->Write("NOTES.TXT", "other\n"); // same size, other bytes
    QVERIFY(TFileIdentity::Of(notes_) != read);
    QVERIFY(TFileIdentity::Of(dir_->Path("NONE.TXT")) != read);
}

void TestWatching::unchangedEditorOffersReload() {
    TKOLSHELLFORM form;
    TEditForm* editor = OpenNotes(form);
    QVERIFY(editor);
    msgs_->Answers = {MsgAnswer::Yes};
    // Another editor saves twice in a row (by renaming a new file over it): asked once.
    dir_->Write("NOTES.TXT.new", "second\n");
    QVERIFY(QFile::rename(QString::fromStdString(dir_->Path("NOTES.TXT.new")),
                          QString::fromStdString(notes_)) ||
            (QFile::remove(QString::fromStdString(notes_)) &&
             QFile::rename(QString::fromStdString(dir_->Path("NOTES.TXT.new")),
                           QString::fromStdString(notes_))));
    dir_->Write("NOTES.TXT", "third\n");
    const std::vector<std::string> asked{notes_ + " was changed by another program. Reload it?"};
    QTRY_COMPARE(msgs_->Texts(), asked);
    QCOMPARE(editor->Editor()->toPlainText(), QString("third"));
    QVERIFY(!editor->IsModified());
    // The file is still watched after the rename: the next change is noticed too.
    msgs_->Answers = {MsgAnswer::No};
    dir_->Write("NOTES.TXT", "fourth\n");
    QTRY_COMPARE(msgs_->Texts().size(), size_t(2));
    QCOMPARE(editor->Editor()->toPlainText(), QString("third")); // No keeps the window
}

void TestWatching::changedEditorWarnsOnSave_data() {
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<std::string>("onDisk");
    QTest::newRow("Yes: the window's version") << MsgAnswer::Yes << std::string("mine first\n");
    QTest::newRow("Cancel: the other program's") << MsgAnswer::Cancel << std::string("theirs\n");
}

void TestWatching::changedEditorWarnsOnSave() {
    QFETCH(MsgAnswer, answer);
    QFETCH(std::string, onDisk);
    TKOLSHELLFORM form;
    TEditForm* editor = OpenNotes(form);
    QVERIFY(editor);
    editor->Editor()->InsertText("mine ");
    dir_->Write("NOTES.TXT", "theirs\n");
    QTest::qWait(500); // the change is seen; a changed window is not offered a reload
    QVERIFY(msgs_->Texts().empty());
    msgs_->Answers = {answer};
    form.Action("Save1")->trigger();
    QCOMPARE(msgs_->Texts(),
             std::vector<std::string>{notes_ + " was changed by another program since it was "
                                               "opened here. Save your version over it?"});
    QCOMPARE(ReadTestFile(notes_), onDisk);
    QCOMPARE(editor->IsModified(), answer != MsgAnswer::Yes);
}

void TestWatching::ownSaveAsksNothing() {
    TKOLSHELLFORM form;
    TEditForm* editor = OpenNotes(form);
    QVERIFY(editor);
    editor->Editor()->InsertText("mine ");
    form.Action("Save1")->trigger();
    editor->Editor()->InsertText("again ");
    form.Action("Save1")->trigger();
    QTest::qWait(600);
    QVERIFY(msgs_->Texts().empty());
    QCOMPARE(ReadTestFile(notes_), std::string("mine again first\n"));
}

// No to the warning keeps the other program's file and saves the window's version under a
// name the user chooses.
void TestWatching::changedEditorNoSavesAs() {
    TKOLSHELLFORM form;
    TEditForm* editor = OpenNotes(form);
    QVERIFY(editor);
    editor->Editor()->InsertText("mine ");
    form.UpdateMenu();
    dir_->Write("NOTES.TXT", "theirs\n");
    msgs_->Answers = {MsgAnswer::No};
    dialogs_->SaveAnswers = {QString::fromStdString(dir_->Path("MINE.TXT"))};
    form.Action("Save1")->trigger();
    QCOMPARE(msgs_->Texts().size(), size_t(1));
    QCOMPARE(dialogs_->Titles, QStringList{"Save As"});
    QCOMPARE(ReadTestFile(notes_), std::string("theirs\n"));
    QCOMPARE(ReadTestFile(dir_->Path("MINE.TXT")), std::string("mine first\n"));
    QCOMPARE(editor->FileName(), dir_->Path("MINE.TXT"));
    QVERIFY(!editor->IsModified());
}

void TestWatching::closeQuestionWarnsToo_data() {
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<std::string>("onDisk");
    QTest::addColumn<bool>("closed");
    QTest::newRow("Yes: the window's version")
        << MsgAnswer::Yes << std::string("mine first\n") << true;
    QTest::newRow("Cancel: the other program's")
        << MsgAnswer::Cancel << std::string("theirs\n") << false;
}

// The close box's "Save it?" answered Yes writes the file as Save does: warned first.
void TestWatching::closeQuestionWarnsToo() {
    QFETCH(MsgAnswer, answer);
    QFETCH(std::string, onDisk);
    QFETCH(bool, closed);
    TKOLSHELLFORM form;
    QPointer<TEditForm> editor = OpenNotes(form);
    QVERIFY(editor);
    editor->Editor()->InsertText("mine ");
    form.UpdateMenu();
    dir_->Write("NOTES.TXT", "theirs\n");
    msgs_->Answers = {MsgAnswer::Yes, answer};
    editor->close();
    QCOMPARE(msgs_->Texts(),
             (std::vector<std::string>{notes_ + " has been changed.  Save it?",
                                       notes_ + " was changed by another program since it was "
                                                "opened here. Save your version over it?"}));
    QCOMPARE(ReadTestFile(notes_), onDisk);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(editor.isNull(), closed);
}

// A form with no changes of its own offers the deck another program changed, and Yes shows it.
void TestWatching::unchangedFormReloads() {
    const QString demo = qEnvironmentVariable("KOLSHELL_SOURCE") + "/demo/";
    for (const char* f : {"DEMO.KSD", "VALVES.DAT", "DEMO.BMP"})
        QFile::copy(demo + f, dir_->Dir.path() + "/" + f);
    TKOLSHELLFORM form;
    SetCurrentDir(dir_->Dir.path().toStdString());
    form.Documents().ReadaFile(dir_->Path("DEMO.KSD"));
    QVERIFY(form.FirstChildOfKind(TWindowKind::Form));
    std::string deck = ReadTestFile(dir_->Path("DEMO.KSD"));
    deck.replace(deck.find("AREA = 2.5\n"), 11, "AREA = 9\n");
    msgs_->Answers = {MsgAnswer::Yes};
    dir_->Write("DEMO.KSD", deck);
    const std::vector<std::string> asked{dir_->Path("DEMO.KSD") +
                                         " was changed by another program. Reload it?"};
    QTRY_COMPARE(msgs_->Texts(), asked);
    auto* kolsed = qobject_cast<TKOLSEDForm*>(form.FirstChildOfKind(TWindowKind::Form));
    QVERIFY(kolsed);
    QCOMPARE(kolsed->findChild<QLineEdit*>("Input4")->text(), QString("9.00"));
    QVERIFY(!kolsed->IsModified());
}

// A table with no changes of its own offers the file another program (koltool) wrote.
void TestWatching::unchangedTableReloads() {
    dir_->Write("RUN.DCK", "CONSTANTS 1\nAREA = 1\nEND\n");
    TTable t = NewDeckTable(dir_->Path("RUN.DCK"), {"AREA"}, 2);
    t.Columns[0].Values[1] = 2.5;
    SaveTable(t, dir_->Path("RUN.TBL"));
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(dir_->Path("RUN.TBL"));
    auto* table = qobject_cast<TTableForm*>(form.FirstChildOfKind(TWindowKind::Table));
    QVERIFY(table);
    QCOMPARE(GetS(table->Table(), 1, 1), std::string("2.500"));
    form.UpdateMenu();
    t.Columns[0].Values[1] = 7;
    msgs_->Answers = {MsgAnswer::Yes};
    SaveTable(t, dir_->Path("RUN.TBL"));
    const std::vector<std::string> asked{dir_->Path("RUN.TBL") +
                                         " was changed by another program. Reload it?"};
    QTRY_COMPARE(msgs_->Texts(), asked);
    QCOMPARE(GetS(table->Table(), 1, 1), std::string("7.000"));
    QVERIFY(!table->IsModified());
}

// A listing the engine writes again is shown again, without a question.
void TestWatching::listingReloadsUnasked() {
    dir_->Write("RUN.LST", "first run\n");
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(dir_->Path("RUN.LST"));
    auto* viewer = qobject_cast<TViewForm*>(form.FirstChildOfKind(TWindowKind::Listing));
    QVERIFY(viewer);
    QCOMPARE(viewer->Viewer()->Line(1), QString("first run"));
    dir_->Write("RUN.LST", "second run\nmore\n");
    QTRY_COMPARE(viewer->Viewer()->Line(1), QString("second run"));
    QCOMPARE(viewer->Viewer()->LineCount(), 2);
    QVERIFY(msgs_->Texts().empty());
}

QTEST_MAIN(TestWatching)
#include "tst_watching.moc"
