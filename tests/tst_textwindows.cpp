// The editor, viewer and diagram windows, the metafile reader, and the project index and
// help-text dialogs.
#include "common/globals.h"
#include "common/paths.h"
#include "shell/helptext.h"
#include "shell/indexfile.h"
#include "shell/lineindex.h"
#include "shell/widgets/addhelpdlg.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/fileviewer.h"
#include "shell/widgets/finddialogs.h"
#include "shell/widgets/helpdlg.h"
#include "shell/widgets/helpviewer.h"
#include "shell/widgets/helpwindow.h"
#include "shell/widgets/indexdlg.h"
#include "shell/widgets/printdlg.h"
#include "shell/widgets/viewform.h"
#include "shell/widgets/wmfpainter.h"
#include "tests/support/bytes.h"
#include "tests/support/testsupport.h"
#include "tests/support/wmfbytes.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace kolshell;

namespace {

// Metafile records: size in words, function, then the 16-bit parameters.
QRgb Pixel(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

} // namespace

class TestTextWindows : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void editorOpenAndSave();
    void editorNaming();
    void failedSaveKeepsEdit();
    void closeQuery_data();
    void closeQuery();
    void markerToggle();
    void rightClickOnDeck_data();
    void rightClickOnDeck();
    void findAccessKeys_data();
    void findAccessKeys();
    void findAndReplace();
    void lineIndex_data();
    void lineIndex();
    void viewerSearchAndCopy();
    void bigFileOpensAtOnce();
    void metafileDrawing();
    void metafileRejected_data();
    void metafileRejected();
    void indexFileLines_data();
    void indexFileLines();
    void indexDialogOpensProject();
    void helpReflow_data();
    void helpReflow();
    void helpFileLimits();
    void fieldHelp_data();
    void fieldHelp();
    void dialogAccessKeys();
    void alignedHeader_data();
    void alignedHeader();
    void outputViewerAlignsNames();

  private:
    std::string File(const std::string& name, const std::string& bytes) {
        return WriteTestFile(tmp_->path(), name, bytes);
    }
    std::unique_ptr<QTemporaryDir> tmp_;
    std::unique_ptr<MsgRecorder> msgs_;
};

void TestTextWindows::init() {
    tmp_ = std::make_unique<QTemporaryDir>();
    msgs_.reset(); // the recorder before goes first: each restores the handler it found
    msgs_ = std::make_unique<MsgRecorder>();
}

void TestTextWindows::editorOpenAndSave() {
    const std::string longLine(300, 'x');
    const std::string text = "first\ttab\r\n" + longLine + "\r\nla\xe9st";
    const std::string name = File("RUN.DCK", text);
    TEditForm editor;
    QVERIFY(editor.Open(name));
    QCOMPARE(editor.WindowKind(), TWindowKind::Deck);
    QCOMPARE(editor.Title(), QString::fromStdString(name));
    QCOMPARE(editor.Editor()->LineCount(), 3);
    QCOMPARE(editor.Editor()->Line(1), QString("first\ttab"));
    QCOMPARE(editor.Editor()->Line(2).size(), 300); // lines are kept whole
    QVERIFY(!editor.IsModified());
    QVERIFY(editor.Save());
    // Written back as read: line ends, no end after the last line, a Latin-1 byte.
    QCOMPARE(ReadTestFile(name), text);
    QVERIFY(editor.Open(File("NOTES.txt", "a\n")));
    QCOMPARE(editor.WindowKind(), TWindowKind::Text);
}

void TestTextWindows::editorNaming() {
    TEditForm::NewEditorNumber = 0;
    auto first = std::make_unique<TEditForm>();
    QCOMPARE(first->FileName(), std::string("NoName1.DCK"));
    first.reset();
    TEditForm second;
    QCOMPARE(second.Title(), QString("NoName2.DCK")); // the counter never goes back
    QCOMPARE(second.WindowKind(), TWindowKind::Deck);
}

void TestTextWindows::failedSaveKeepsEdit() {
    const std::string name = File("KEEP.DCK", "old\n");
    TEditForm editor;
    QVERIFY(editor.Open(name));
    editor.Editor()->InsertText("new ");
    editor.SetFileName(JoinPath(tmp_->path().toStdString(), "no/such/dir/KEEP.DCK"));
    QVERIFY(!editor.Save());
    QVERIFY(editor.IsModified());
    QVERIFY(msgs_->Texts().back().find("could not be written") != std::string::npos);
    QCOMPARE(ReadTestFile(name), std::string("old\n"));
}

void TestTextWindows::closeQuery_data() {
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QByteArray>("onDisk");
    QTest::newRow("yes saves") << MsgAnswer::Yes << true << QByteArray("x old\n");
    QTest::newRow("no drops") << MsgAnswer::No << true << QByteArray("old\n");
    QTest::newRow("cancel keeps") << MsgAnswer::Cancel << false << QByteArray("old\n");
}

void TestTextWindows::closeQuery() {
    QFETCH(MsgAnswer, answer);
    QFETCH(bool, closes);
    QFETCH(QByteArray, onDisk);
    const std::string name = File("Q.DCK", "old\n");
    TEditForm editor;
    editor.Open(name);
    QVERIFY(editor.FormCloseQuery()); // unchanged: no question
    QVERIFY(msgs_->Texts().empty());
    editor.Editor()->InsertText("x ");
    msgs_->Answers = {answer};
    QCOMPARE(editor.FormCloseQuery(), closes);
    QCOMPARE(msgs_->Texts().back(), name + " has been changed.  Save it?");
    QCOMPARE(msgs_->Shown.back().Kind, MsgKind::WarningYesNoCancel);
    QCOMPARE(QByteArray::fromStdString(ReadTestFile(name)), onDisk);
}

void TestTextWindows::markerToggle() {
    TEditForm editor;
    editor.Open(File("M.DCK", "ONE\n*\\TWO\nTHREE\nFOUR\n"));
    editor.Editor()->SetSelection(1, 2, 4, 1); // ends in column 1 of line 4: not that line
    editor.EditorMouseDown(nullptr);
    QCOMPARE(editor.Editor()->toPlainText(), QString("*\\ONE\nTWO\n*\\THREE\nFOUR"));
    QCOMPARE(QApplication::clipboard()->text(), QString("*\\"));
    // Plain text windows have no markers.
    editor.SetWindowKind(TWindowKind::Text);
    editor.Editor()->SetSelection(1, 1, 2, 2);
    editor.EditorMouseDown(nullptr);
    QVERIFY(editor.Editor()->toPlainText().startsWith("*\\ONE\nTWO"));
}

// A right click as the platform delivers it, press and then the context menu request: on a
// deck selection it toggles the marks and nothing pops up; elsewhere the editor's own menu.
void TestTextWindows::rightClickOnDeck_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("select");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("menu");
    QTest::newRow("deck selection") << "R.DCK" << true << "*\\ONE\nTWO\nTHREE" << false;
    QTest::newRow("deck, nothing selected") << "R.DCK" << false << "ONE\n*\\TWO\nTHREE" << true;
    QTest::newRow("other text") << "R.TXT" << true << "ONE\n*\\TWO\nTHREE" << true;
}

void TestTextWindows::rightClickOnDeck() {
    QFETCH(QString, file);
    QFETCH(bool, select);
    QFETCH(QString, text);
    QFETCH(bool, menu);
    TEditForm editor;
    editor.Open(File(file.toStdString(), "ONE\n*\\TWO\nTHREE\n"));
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    if (select) editor.Editor()->SetSelection(1, 1, 2, 3);
    QStringList popped;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* p = QApplication::activePopupWidget()) {
            popped << QString(p->metaObject()->className()).section("::", -1);
            p->close();
        }
    });
    closer.start(20);
    QWidget* viewport = editor.Editor()->viewport();
    const QPoint at = viewport->mapTo(viewport->window(), QPoint(20, 5));
    QTest::mouseClick(viewport->window()->windowHandle(), Qt::RightButton, {}, at);
    if (menu)
        QTRY_COMPARE_WITH_TIMEOUT(popped, QStringList{"QMenu"}, 10000);
    else
        QTest::qWait(50);
    QCOMPARE(editor.Editor()->toPlainText(), text);
    QCOMPARE(popped, menu ? QStringList{"QMenu"} : QStringList());
}

// The labels show their access keys: Alt and the key take the user to the edit beside.
void TestTextWindows::findAccessKeys_data() {
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("edit");
    QTest::newRow("find what") << false << "Fi&nd what:" << int(Qt::Key_N) << "FindText";
    QTest::newRow("replace: find what") << true << "Fi&nd what:" << int(Qt::Key_N) << "FindText";
    QTest::newRow("replace with") << true << "Re&place with:" << int(Qt::Key_P) << "ReplaceText";
}

void TestTextWindows::findAccessKeys() {
    QFETCH(bool, replace);
    QFETCH(QString, label);
    QFETCH(int, key);
    QFETCH(QString, edit);
    TEditForm editor;
    TFindDialog* dialog = replace ? editor.ReplaceDialog() : editor.FindDialog();
    auto* target = dialog->findChild<QLineEdit*>(edit);
    QVERIFY(target);
    QLabel* shown = nullptr;
    for (QLabel* l : dialog->findChildren<QLabel*>())
        if (l->text() == label) shown = l;
    QVERIFY(shown);
    QCOMPARE(shown->buddy(), target);
    dialog->Execute();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    dialog->findChild<QPushButton*>("FindNext")->setFocus();
    QTest::keyClick(dialog, Qt::Key(key), Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), target);
    dialog->hide();
}

void TestTextWindows::findAndReplace() {
    TEditForm editor;
    editor.Open(File("F.DCK", "Alpha beta\nalphabet ALPHA\n"));
    TFindDialog* find = editor.FindDialog();
    find->SetFindText("alpha");
    find->findChild<QCheckBox*>("WholeWord")->setChecked(true);
    editor.Find(find);
    QCOMPARE(editor.Editor()->textCursor().selectedText(), QString("Alpha"));
    editor.Find(find); // "alphabet" is no whole word
    QCOMPARE(editor.Editor()->textCursor().selectionStart(), 20);
    QCOMPARE(editor.ReplaceDialog()->FindText(), QString("alpha"));
    const int beeps = msgs_->Beeps;
    editor.Find(find);
    QCOMPARE(msgs_->Beeps, beeps + 1);

    TFindDialog* replace = editor.ReplaceDialog();
    replace->SetFindText("zzz");
    replace->findChild<QPushButton*>("ReplaceAll")->click(); // none found: no beep
    QCOMPARE(msgs_->Beeps, beeps + 1);
    replace->findChild<QPushButton*>("ReplaceOne")->click(); // a single replace beeps
    QCOMPARE(msgs_->Beeps, beeps + 2);
    replace->SetFindText("alpha");
    replace->findChild<QLineEdit*>("ReplaceText")->setText("G");
    replace->findChild<QPushButton*>("ReplaceAll")->click();
    QCOMPARE(editor.Editor()->toPlainText(), QString("G beta\nGbet G"));
}

void TestTextWindows::lineIndex_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("no last end") << QByteArray("a\nb") << QStringList({"a", "b"});
    QTest::newRow("last end") << QByteArray("a\r\nb\r\n") << QStringList({"a", "b"});
    QTest::newRow("empty lines") << QByteArray("\n\nx\n") << QStringList({"", "", "x"});
}

void TestTextWindows::lineIndex() {
    QFETCH(QByteArray, text);
    QFETCH(QStringList, lines);
    TLineIndex index;
    QVERIFY(index.Open(File("L.LST", text.toStdString())));
    while (index.IndexStep(1)) {
    }
    QStringList got;
    for (size_t i = 0; i < index.LineCount(); ++i)
        got << QString::fromStdString(index.Line(i));
    QCOMPARE(got, lines);
}

void TestTextWindows::viewerSearchAndCopy() {
    TViewForm view;
    QVERIFY(view.Open(File("RUN.LST", "one Two\nthree two\nfour\n")));
    QCOMPARE(view.FindDialog()->Down(), true);
    QVERIFY(view.FindDialog()->findChild<QCheckBox*>("WholeWord")->isHidden());
    TFileViewer* v = view.Viewer();
    QCOMPARE(v->LineCount(), 3);
    QVERIFY(v->Search("two", false, false));
    QCOMPARE(v->SelectedText(), QString("Two"));
    QVERIFY(v->Search("two", false, true));
    QCOMPARE(v->CaretLine(), 2);
    const int beeps = msgs_->Beeps;
    view.FindDialog()->SetFindText("one");
    view.FindDialog()->SetDown(false);
    view.Find(view.FindDialog()); // backward from line 2 finds line 1
    QCOMPARE(v->CaretLine(), 1);
    view.Find(view.FindDialog());
    QCOMPARE(msgs_->Beeps, beeps + 1);
    v->SelectRange(1, 5, 2, 6);
    view.EditCopy();
    QCOMPARE(QApplication::clipboard()->text(), QString("Two\r\nthree"));
    QVERIFY(!view.Open(JoinPath(tmp_->path().toStdString(), "NONE.LST")));
}

void TestTextWindows::bigFileOpensAtOnce() {
    // 20 MB: the first screen is there at once, the rest comes in slices.
    std::string line(99, 'x');
    line += '\n';
    std::string text;
    text.reserve(200000 * line.size());
    for (int i = 0; i < 200000; ++i)
        text += line;
    const std::string name = File("BIG.OUT", text);
    TViewForm view;
    QVERIFY(view.Open(name));
    QVERIFY(!view.Viewer()->Complete()); // open before the rest is indexed
    QVERIFY(view.Viewer()->LineCount() > 100);
    QTRY_VERIFY_WITH_TIMEOUT(view.Viewer()->Complete(), 20000);
    QCOMPARE(view.Viewer()->LineCount(), 200000);
    QCOMPARE(view.Viewer()->Line(200000), QString::fromStdString(std::string(99, 'x')));
}

void TestTextWindows::metafileDrawing() {
    std::string r;
    Record(r, 0x02FC, {0, 0x00FF, 0x0000, 0}); // solid red brush
    Record(r, 0x012D, {0});
    Record(r, 0x02FA, {5, 0, 0, 0, 0}); // no pen
    Record(r, 0x012D, {1});
    Record(r, 0x041B, {50, 50, 10, 10});       // rectangle 10..50
    Record(r, 0x02FC, {0, 0x0000, 0x00FF, 0}); // blue brush in the next free slot
    Record(r, 0x012D, {2});
    Record(r, 0x0324, {3, 60, 90, 90, 90, 90, 60}); // triangle
    TWmfFile wmf;
    std::string error;
    QVERIFY(ParseWmf(Placeable(r), wmf, error));
    QCOMPARE(wmf.Records.size(), size_t(8));
    QCOMPARE(WmfPictureSize(wmf), QSize(100, 100));
    const QImage image = RenderWmf(wmf, QSize(100, 100));
    QCOMPARE(Pixel(image, 30, 30), QRgb(0xFF0000));
    QCOMPARE(Pixel(image, 5, 5), QRgb(0xFFFFFF));
    QCOMPARE(Pixel(image, 85, 85), QRgb(0x0000FF));
    // The window mapping scales: the same picture drawn at twice the size.
    const QImage twice = RenderWmf(wmf, QSize(200, 200));
    QCOMPARE(Pixel(twice, 60, 60), QRgb(0xFF0000));
    QCOMPARE(Pixel(twice, 110, 110), QRgb(0xFFFFFF));
}

void TestTextWindows::metafileRejected_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text") << QByteArray("hello, this is not a picture");
    std::string cut = Placeable("");
    cut.resize(cut.size() - 6);
    Record(cut, 0x041B, {50, 50, 10, 10});
    cut.resize(cut.size() - 3);
    QTest::newRow("record cut short") << QByteArray::fromStdString(cut);
    std::string huge = Placeable("");
    huge.resize(huge.size() - 6);
    Add32(huge, 0xFFFFFFFF);
    Add16(huge, 0x041B);
    QTest::newRow("record size beyond the file") << QByteArray::fromStdString(huge);
}

void TestTextWindows::metafileRejected() {
    QFETCH(QByteArray, bytes);
    TWmfFile wmf;
    std::string error;
    QVERIFY(!ParseWmf(bytes.toStdString(), wmf, error));
    QVERIFY(!error.empty());
}

void TestTextWindows::indexFileLines_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("three parts") << "PROJ1.KSD PROJ1.BMP PROJ1.TXT"
                                 << QStringList({"PROJ1.KSD", "PROJ1.BMP", "PROJ1.TXT"});
    QTest::newRow("commas") << "PROJ1.KSD,PROJ1.BMP,PROJ1.TXT"
                            << QStringList({"PROJ1.KSD", "PROJ1.BMP", "PROJ1.TXT"});
    QTest::newRow("one part, blanks around") << "   RUN.DCK  " << QStringList({"RUN.DCK", "", ""});
    QTest::newRow("help keeps inner blanks")
        << "A.KSD  B.BMP   my help.txt  " << QStringList({"A.KSD", "B.BMP", "my help.txt"});
}

void TestTextWindows::indexFileLines() {
    QFETCH(QString, line);
    QFETCH(QStringList, parts);
    const TIndexItem item = SplitIndexFileLine(line.toStdString());
    QCOMPARE(QStringList({QString::fromStdString(item.ProjectFile),
                          QString::fromStdString(item.PictureFile),
                          QString::fromStdString(item.HelpFile)}),
             parts);
}

void TestTextWindows::indexDialogOpensProject() {
    QDir(tmp_->path()).mkdir("proj");
    File("proj/PROJ1.KSD", "*KOLSED\n");
    File("proj/PROJ1.TXT", "Help.\n");
    const std::string idx = File("proj/DEMO.IDX", "Heading one\nHeading two\nHeading three\n"
                                                  "First project\nPROJ1.KSD PROJ1.BMP PROJ1.TXT\n"
                                                  "Missing project\nNONE.KSD\n");
    SetCurrentDir("/");
    TIndexDlg dlg(idx);
    std::vector<std::string> opened;
    dlg.OpenProject = [&](const std::string& n) { opened.push_back(n); };
    dlg.show();
    dlg.activateWindow();
    dlg.ListBox()->setFocus();
    QApplication::processEvents();
    QCOMPARE(dlg.findChild<QLabel*>("Label2")->text(), QString("Heading two"));
    QCOMPARE(dlg.ListBox()->count(), 2);
    auto* ok = dlg.findChild<QPushButton*>("OKBtn");
    auto* help = dlg.findChild<QPushButton*>("HelpBtn");
    // Nothing is chosen until the user picks an entry, even with the list focused.
    QVERIFY(!ok->isEnabled() && !help->isEnabled());
    dlg.OKBtnClick();
    QVERIFY(opened.empty() && dlg.isVisible());
    dlg.ListBox()->setCurrentRow(1);
    QVERIFY(!ok->isEnabled() && !help->isEnabled());
    dlg.OKBtnClick();
    QCOMPARE(msgs_->Texts().back(), "File " + ExtractFilePath(idx) + "NONE.KSD was not found");
    dlg.ListBox()->setCurrentRow(0);
    QVERIFY(ok->isEnabled() && help->isEnabled());
    dlg.OKBtnClick();
    QCOMPARE(opened, std::vector<std::string>({ExtractFilePath(idx) + "PROJ1.KSD"}));
}

void TestTextWindows::helpReflow_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("text");
    QTest::newRow("sentences") << QStringList({"One.", "Two"}) << "One.  Two ";
    QTest::newRow("paragraph") << QStringList({"One", "", "Two."}) << "One \n\nTwo.  ";
    QTest::newRow("indented line") << QStringList({"List:", " - item"}) << "List: \n - item ";
    QTest::newRow("ends in a blank") << QStringList({"a ", "b"}) << "a b ";
}

void TestTextWindows::helpReflow() {
    QFETCH(QStringList, lines);
    QFETCH(QString, text);
    std::vector<std::string> l;
    for (const QString& s : lines)
        l.push_back(s.toStdString());
    QCOMPARE(QString::fromStdString(ReflowHelpText(l)), text);
}

void TestTextWindows::helpFileLimits() {
    std::vector<std::string> opened;
    HelpHandler old = SetHelpHandler([&](const std::string& f) { opened.push_back(f); });
    TAddHelpDlg dlg("Demo");
    QCOMPARE(dlg.windowTitle(), QString("Help for Demo"));
    QVERIFY(!dlg.Load(File("BIG.TXT", std::string(60001, 'a'))));
    QCOMPARE(msgs_->Texts().back(),
             std::string("This file contains 60001 characters.  The maximum is 60000 "
                         "characters.  Sorry..."));
    QVERIFY(dlg.Load(File("MAX.TXT", std::string(60000, 'a'))));
    const std::string compiled = File("C.HLP", "?_\x03\x00 compiled");
    QVERIFY(!dlg.Load(compiled));
    QCOMPARE(opened, std::vector<std::string>({compiled}));
    QVERIFY(dlg.Load(JoinPath(tmp_->path().toStdString(), "NONE.TXT")));
    QCOMPARE(dlg.Memo()->toPlainText(),
             QString("Help information is not available for this subject."));
    SetHelpHandler(old);
}

void TestTextWindows::fieldHelp_data() {
    QTest::addColumn<int>("topic");
    QTest::addColumn<QString>("text");
    QTest::newRow("topic 2") << 2 << "Second topic runs on.\n  Kept line";
    QTest::newRow("prefix match: 1 finds 12 first") << 1 << "Twelve.";
    QTest::newRow("no topic") << 0 << "Help is not available for this entry.";
    QTest::newRow("not there") << 7 << "Help is not available for this topic";
    QTest::newRow("up to the next marker") << 3 << "Three\n\nafter a gap =4 m";
    QTest::newRow("only a marker line names a topic") << 4 << "Four.";
}

void TestTextWindows::fieldHelp() {
    QFETCH(int, topic);
    QFETCH(QString, text);
    File("RUN.HLP", "intro\r\n.topic=12\r\nTwelve.\r\n.TOPIC = 1\r\nx\r\n"
                    ".TOPIC=2\r\nSecond topic\r\nruns on.\r\n  Kept line\r\n"
                    ".TOPIC=3\r\nThree\r\n\r\nafter a gap =4 m\r\n.Topic=4\r\nFour.\r\n");
    const std::string deck = File("RUN.V2.KSD", "*KOLSED\n");
    QCOMPARE(QString::fromStdString(TopicHelpText(deck, topic)), text);
    THelpDlg dlg(deck, topic, "Pump flow");
    QCOMPARE(dlg.windowTitle(), QString("Pump flow"));
    QCOMPARE(dlg.Memo->toPlainText(), text);
    QCOMPARE(TopicHelpText(tmp_->path().toStdString() + "/NONE.KSD", 1),
             "File " + tmp_->path().toStdString() + "/NONE.HLP was not found.");
}

QTEST_MAIN(TestTextWindows)
// Select Windows to Print, the index, the two help dialogs and the help window: each control with a
// word on it has its own access key, and Alt with the key reaches the list it names.
void TestTextWindows::dialogAccessKeys() {
    const std::string index = File("P.IDX", "Projects\nPick one\nR&D projects\nOne\nP.DCK\n");
    TPrintDlg print;
    TIndexDlg projects(index);
    TAddHelpDlg added("Demo");
    THelpDlg field(File("P.KSD", "*KOLSED\n"), 1, "Pump flow");
    THelpWindow help(tmp_->path());
    for (QWidget* d : std::initializer_list<QWidget*>{&print, &projects, &added, &field, &help}) {
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QCOMPARE(RepeatedAccessKeys(d), QStringList());
        QCOMPARE(UnkeyedControls(d), QStringList());
        d->hide();
    }
    QCOMPARE(projects.findChild<QLabel*>("Label3")->text(), QString("&R&&D projects"));
    using Keys = std::vector<std::pair<Qt::Key, QWidget*>>;
    const auto reaches = [](QDialog& d, const Keys& keys) {
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        for (const auto& [key, target] : keys) {
            QTest::keyClick(&d, key, Qt::AltModifier);
            QTRY_COMPARE(QApplication::focusWidget(), target);
        }
        d.hide();
    };
    reaches(print, {{Qt::Key_W, print.SrcList}, {Qt::Key_P, print.DstList}});
    // Enter is OK even after a move button was clicked.
    QTest::mouseClick(print.ExcAllBtn, Qt::LeftButton);
    QVERIFY(print.OKBtn->isDefault());
    QVERIFY(!print.ExcAllBtn->isDefault());
    reaches(projects, {{Qt::Key_R, projects.ListBox()}});
}

void TestTextWindows::alignedHeader_data() {
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("shown");
    const QString data = "   0.0000E+00   2.0000E-01   2.7981E-02";
    QTest::newRow("names over their columns")
        << "TIME LEVEL QPUMP" << data << "         TIME        LEVEL        QPUMP";
    QTest::newRow("units") << " S M M3/S" << data << "            S            M         M3/S";
    QTest::newRow("a name for each column only") << "TIME LEVEL" << data << "TIME LEVEL";
    QTest::newRow("a name wider than its column") << "TIME A_VERY_LONG_NAME_HERE Q"
                                                  << "1 2 3"
                                                  << "TIME A_VERY_LONG_NAME_HERE Q";
    QTest::newRow("tabs and commas part columns") << "A,B"
                                                  << "1.5\t22.25"
                                                  << "  A     B";
}

void TestTextWindows::alignedHeader() {
    QFETCH(QString, header);
    QFETCH(QString, data);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(AlignedHeader(header.toStdString(), data.toStdString())),
             shown);
}

// An engine output file shows its names and units over their columns; the file itself and its
// data lines are as they were.
void TestTextWindows::outputViewerAlignsNames() {
    const std::string bytes = "TIME LEVEL\n S M\n   0.0000E+00   2.0000E-01\n";
    const std::string name = File("RUN.OUT", bytes);
    TViewForm out;
    QVERIFY(out.Open(name));
    QCOMPARE(out.Viewer()->Line(1), QString("         TIME        LEVEL"));
    QCOMPARE(out.Viewer()->Line(2), QString("            S            M"));
    QCOMPARE(out.Viewer()->Line(3), QString("   0.0000E+00   2.0000E-01"));
    TViewForm listing; // not a column file: shown as it is
    QVERIFY(listing.Open(File("RUN.LST", bytes)));
    QCOMPARE(listing.Viewer()->Line(1), QString("TIME LEVEL"));
    QCOMPARE(ReadTestFile(name), bytes);
}

#include "tst_textwindows.moc"
