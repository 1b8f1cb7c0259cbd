// Opening, companions, recent files and the Open/Save commands, driven through the real main
// window with scripted dialogs and messages.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/lib1.h"
#include "common/paths.h"
#include "shell/widgets/diagramform.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/fileviewer.h"
#include "shell/widgets/viewform.h"
#include "tests/support/bytes.h"
#include "tests/support/testsupport.h"

#include <QMdiArea>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace kolshell;

namespace {

// A plot window stand-in: no plot file name until it is saved.
class FakePlot : public TChildForm {
  public:
    FakePlot() : TChildForm(TWindowKind::Plot) {
        setWidget(new QWidget);
        setWindowTitle("Plot 1: from RUN.OUT");
    }
    std::string DocumentName() const override { return saved; }
    bool SaveDocument(const std::string& name) override {
        saved = name;
        return true;
    }
    std::string saved;
};

// A 2 x 3 bitmap, 24 bits, bottom-up rows padded to four bytes.
std::string Bitmap() {
    std::string pixels;
    for (int row = 0; row < 3; ++row)
        pixels += std::string(6, '\x80') + std::string(2, '\0');
    std::string b = "BM";
    Add32(b, uint32_t(54 + pixels.size()));
    Add32(b, 0);
    Add32(b, 54);
    Add32(b, 40);
    Add32(b, 2);
    Add32(b, 3);
    b += std::string("\x01\x00\x18\x00", 4);
    Add32(b, 0);
    Add32(b, uint32_t(pixels.size()));
    for (int i = 0; i < 4; ++i)
        Add32(b, 0);
    return b + pixels;
}

// The smallest metafile: its header and the end record.
std::string Metafile() {
    std::string b("\x01\x00\x09\x00\x00\x03", 6);
    Add32(b, 12);
    b += std::string("\x00\x00", 2);
    Add32(b, 3);
    b += std::string("\x00\x00", 2);
    Add32(b, 3);
    b += std::string("\x00\x00", 2);
    return b;
}

QStringList Captions(QMenu* menu) {
    QStringList l;
    for (QAction* a : menu->actions())
        l << a->text();
    return l;
}

QStringList RecentEntries(TKOLSHELLFORM& form) {
    QStringList l;
    for (QAction* a : form.Menu("File1")->actions())
        if (a->property("ListIndex").isValid()) l << a->text();
    return l;
}

} // namespace

class TestDocuments : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void recentList();
    void vanishedRecentEntry();
    void companionsCutAtFirstDot();
    void outputEntries();
    void startNames_data();
    void startNames();
    void openDialogFolder();
    void diagrams_data();
    void diagrams();
    void kolsedMarker_data();
    void kolsedMarker();
    void openStopsOnCancel();
    void openFilterFromEarlierName();
    void kolsedOnlyFirstOpenShowsIndex();
    void saveAsksOnlyForUnnamedPlot();
    void saveAsChangesKind_data();
    void saveAsChangesKind();
    void viewerSaveAsWritesCopy_data();
    void viewerSaveAsWritesCopy();
    void editKolsedFile();
    void unreadableFile();
    void fifoIsNeverWaitedOn();
    void bigFilesShownReadOnly_data();
    void bigFilesShownReadOnly();
    void saveKeepsReadOnlyAndLinkedDecks();
    void modifiedMark_data();
    void modifiedMark();
    void reopeningBringsWindowForward_data();
    void reopeningBringsWindowForward();
    void openingAnotherDeckAsksFirst_data();
    void openingAnotherDeckAsksFirst();
    void saveWritesOnlyChangedWindows_data();
    void saveWritesOnlyChangedWindows();
    void saveKeepsLongLinesWhole();
    void saveKeepsLineEnds_data();
    void saveKeepsLineEnds();
    void newFileSavedWithCrLf();
    void newFileSavedInStartFolder();
    void pictureChosenInOpen_data();
    void pictureChosenInOpen();
    void indexFolders_data();
    void indexFolders();

  private:
    QString Path(const QString& name) const { return tmp_->path() + "/" + name; }
    // File, Open answered with the given name.
    void OpenByMenu(TKOLSHELLFORM& form, const std::string& name) {
        dialogs_->OpenAnswers = {QString::fromStdString(name)};
        form.Action("Open1")->trigger();
    }
    void ReopenBy(TKOLSHELLFORM& form, const QString& how, const std::string& name);
    std::string File(const std::string& name, const std::string& bytes = "TEXT\n") {
        return WriteTestFile(tmp_->path(), name, bytes);
    }
    std::unique_ptr<QTemporaryDir> tmp_;
    std::unique_ptr<MsgRecorder> msgs_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
};

void TestDocuments::init() {
    tmp_ = std::make_unique<QTemporaryDir>();
    Globals() = TGlobals();
    Globals().KolshellDir = tmp_->path().toStdString();
    UserFoldersIn(tmp_->path());
    WriteTestFile(tmp_->path(), "KOLSHELL.DFT", EncodeDFT(DefaultSettings()));
    CurrentChild = nullptr;
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
}

void TestDocuments::cleanup() {
    dialogs_.reset();
    msgs_.reset();
}

void TestDocuments::recentList() {
    TKOLSHELLFORM form;
    std::vector<std::string> names;
    for (int i = 1; i <= 9; ++i)
        names.push_back(File("F" + std::to_string(i) + ".TXT"));
    for (const std::string& n : names)
        form.Documents().ReadaFile(n);
    QStringList entries = RecentEntries(form);
    QCOMPARE(entries.size(), 8);
    QCOMPARE(entries.first(), "1. " + QString::fromStdString(names[8]));
    QCOMPARE(entries.last(), "8. " + QString::fromStdString(names[1])); // the first one dropped
    form.Documents().ReadaFile(names[3]);
    QCOMPARE(RecentEntries(form).first(), "1. " + QString::fromStdString(names[3]));
    QCOMPARE(RecentEntries(form).size(), 8);
    // A name of three characters opens but is not listed.
    SetCurrentDir(tmp_->path().toStdString());
    File("A.B");
    const int before = int(form.Children().size());
    form.Documents().ReadaFile("A.B");
    QCOMPARE(int(form.Children().size()), before + 1);
    QCOMPARE(RecentEntries(form).size(), 8);
    QVERIFY(!RecentEntries(form).join("|").contains(" A.B|"));
    // The File menu keeps its own items, then a separator, then the entries.
    QMenu* file = form.Menu("File1");
    QCOMPARE(file->actions()[11]->objectName(), QString("Exit1"));
    QVERIFY(file->actions()[12]->isSeparator());
    QCOMPARE(file->actions().size(), 21);
}

void TestDocuments::vanishedRecentEntry() {
    TKOLSHELLFORM form;
    const std::string gone = File("GONE.TXT");
    form.Documents().ReadaFile(gone);
    RemoveFile(gone);
    QAction* entry = nullptr;
    for (QAction* a : form.Menu("File1")->actions())
        if (a->property("ListIndex").isValid()) entry = a;
    QVERIFY(entry);
    form.Documents().OpenFileItem(entry);
    QCOMPARE(msgs_->Texts().back(), gone + " no longer exists");
    QCOMPARE(msgs_->Shown.back().Kind, MsgKind::WarningOk); // nothing to cancel
    QVERIFY(form.Documents().FileNameList.Names().empty());
    QVERIFY(RecentEntries(form).isEmpty());
}

void TestDocuments::companionsCutAtFirstDot() {
    // The name is cut at the first dot of the file name; the deck's folder has one too.
    QDir(tmp_->path()).mkdir("A.B");
    const std::string deck = File("A.B/RUN.DCK", "* deck\n");
    const std::string listing = File("A.B/RUN.LST");
    File("A.B/RUN.TBL");
    File("A.LST"); // named like the folder's first part, but not the deck's companion
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(deck);
    QCOMPARE(form.Action("Listing1")->text(), QString::fromStdString("Listing " + listing));
    QVERIFY(form.Action("Listing1")->isEnabled());
    QCOMPARE(form.Action("Input1")->text(), QString::fromStdString("Input " + deck));
    QCOMPARE(form.Action("Table1")->text(),
             QString::fromStdString("Table " + BaseName(deck) + ".TBL"));
    QCOMPARE(form.Action("Diagram1")->text(), QString("Diagram"));
    QVERIFY(!form.Action("Diagram1")->isEnabled());
    QCOMPARE(Globals().InputFileName, deck);
    QCOMPARE(form.Children().size(), 1); // the deck's editor only
    QCOMPARE(form.Children().first()->WindowKind(), TWindowKind::Deck);
    // The next deck replaces the input and its companions.
    const std::string other = File("OTHER.DCK");
    form.Documents().ReadaFile(other);
    QCOMPARE(form.Children().size(), 1);
    QCOMPARE(form.Action("Listing1")->text(), QString("Listing"));
    QVERIFY(!form.Action("Listing1")->isEnabled());
    QVERIFY(!form.Action("Table1")->isEnabled());
}

void TestDocuments::outputEntries() {
    const std::string deck = File("RUN.DCK");
    File("RUN.OUT", "TIME A\n0 1\n");
    File("RUN.OUA", "TIME B\n0 2\n");
    SetCurrentDir(tmp_->path().toStdString());
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(deck);
    QMenu* outputs = form.Action("Output1")->menu();
    QCOMPARE(Captions(outputs), QStringList({"RUN.OUA", "RUN.OUT"}));
    QVERIFY(!form.FirstChildOfKind(TWindowKind::Output));
    form.Documents().OpenOutFile(outputs->actions()[1]);
    TChildForm* viewer = form.FirstChildOfKind(TWindowKind::Output);
    QVERIFY(viewer);
    QCOMPARE(viewer->windowTitle(), Path("RUN.OUT"));
    // The same entry again brings that viewer forward.
    outputs->actions()[1]->trigger();
    QCOMPARE(form.Children().size(), 2); // the deck and one viewer
    QCOMPARE(CurrentChild.data(), viewer);
    // The entries hold full names: a change of the current directory does not lose them.
    QDir(tmp_->path()).mkdir("elsewhere");
    SetCurrentDir(Path("elsewhere").toStdString());
    form.DisposeKOLVANWindows(TWindowKind::Output);
    form.Documents().ReadaFile(deck);
    SetCurrentDir(Path("elsewhere").toStdString());
    outputs = form.Action("Output1")->menu();
    form.Documents().OpenOutFile(outputs->actions()[1]);
    QVERIFY(form.FirstChildOfKind(TWindowKind::Output));
    QVERIFY(msgs_->Shown.empty());
    RemoveFile(JoinPath(tmp_->path().toStdString(), "RUN.OUA"));
    form.Documents().OpenOutFile(outputs->actions()[0]);
    QCOMPARE(msgs_->Texts().back(), Path("RUN.OUA").toStdString() + " no longer exists");
    QCOMPARE(msgs_->Shown.back().Kind, MsgKind::WarningOk);
    // Opening again closes the output viewers and rebuilds the entries.
    form.Documents().ReadaFile(deck);
    QVERIFY(!form.FirstChildOfKind(TWindowKind::Output));
    QCOMPARE(Captions(form.Action("Output1")->menu()), QStringList({"RUN.OUT"}));
}

void TestDocuments::startNames_data() {
    QTest::addColumn<QString>("startDir");
    QTest::addColumn<QString>("argument");
    QTest::newRow("name in the start folder") << "work"
                                              << "DEMO.DCK";
    QTest::newRow("folder and name") << ""
                                     << "work/DEMO.DCK";
    QTest::newRow("dot folder, any case") << ""
                                          << "./work/demo.dck";
    QTest::newRow("parent folder") << "work/sub"
                                   << "../DEMO.DCK";
    QTest::newRow("absolute") << "work/sub"
                              << "<folder>/work/DEMO.DCK";
}

void TestDocuments::startNames() {
    QFETCH(QString, startDir);
    QFETCH(QString, argument);
    argument.replace("<folder>", tmp_->path());
    QDir(tmp_->path()).mkpath("work/sub");
    const std::string deck = File("work/DEMO.DCK", "* the user's deck\n");
    File("DEMO.DCK", "* a deck in the program directory\n");
    Globals().StartDir = Path(startDir).toStdString();
    TKOLSHELLFORM form; // the start-up has moved to the program directory
    form.Documents().OpenStartFile(argument.toStdString());
    QCOMPARE(QString::fromStdString(Globals().InputFileName), QString::fromStdString(deck));
    QCOMPARE(form.Children().size(), 1);
    QVERIFY(msgs_->Shown.empty());
    QCOMPARE(GetCurrentDir(), Path("work").toStdString());
}

void TestDocuments::openDialogFolder() {
    QDir(tmp_->path()).mkpath("start");
    QDir(tmp_->path()).mkpath("decks");
    const std::string deck = File("decks/RUN.DCK");
    Globals().StartDir = Path("start").toStdString();
    TKOLSHELLFORM form;
    form.Documents().OpenStartFile("NOPE.DCK"); // not there: says so, opens nothing
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{"File " + Path("start").toStdString() +
                                                      "/NOPE.DCK was not found."});
    QVERIFY(form.Children().isEmpty());
    form.Action("Open1")->trigger();
    QCOMPARE(dialogs_->Proposed.last(), Path("start/*.DCK"));
    dialogs_->OpenAnswers << QString::fromStdString(deck);
    form.Action("Open1")->trigger();
    SetCurrentDir(Globals().KolshellDir);
    form.Action("Open1")->trigger();
    QCOMPARE(dialogs_->Proposed.last(), Path("decks/RUN.DCK"));
}

void TestDocuments::diagrams_data() {
    QTest::addColumn<bool>("bitmap");
    QTest::newRow("bitmap sizes the window") << true;
    QTest::newRow("metafile at its default size") << false;
}

void TestDocuments::diagrams() {
    QFETCH(bool, bitmap);
    const std::string deck = File("RUN.DCK");
    File(bitmap ? "RUN.BMP" : "RUN.WMF", bitmap ? Bitmap() : Metafile());
    TKOLSHELLFORM form;
    form.show();
    form.Documents().ReadaFile(deck);
    auto* diagram = qobject_cast<TDiagramForm*>(form.FirstChildOfKind(TWindowKind::Diagram));
    QVERIFY(diagram);
    const std::string picture = BaseName(deck) + (bitmap ? ".BMP" : ".WMF");
    QCOMPARE(diagram->windowTitle(), QString::fromStdString(picture));
    QCOMPARE(form.Action("Diagram1")->text(), QString::fromStdString("Diagram " + picture));
    auto* box = diagram->findChild<QAbstractScrollArea*>("ScrollBox1");
    if (bitmap)
        QCOMPARE(box->viewport()->size(), QSize(2, 3));
    else
        QCOMPARE(diagram->size(), QSize(400, 300));
    // Save as writes the picture: a bitmap as a bitmap, a metafile copied as it is.
    CurrentChild = diagram;
    const QString copy = Path(bitmap ? "COPY.BMP" : "COPY.WMF");
    dialogs_->SaveAnswers = {copy};
    form.Documents().Saveas1Click();
    const std::string written = ReadTestFile(copy.toStdString());
    if (bitmap)
        QCOMPARE(written.substr(0, 2), std::string("BM"));
    else
        QCOMPARE(written, Metafile());
}

void TestDocuments::kolsedMarker_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<bool>("kolsedOnly");
    QTest::addColumn<TWindowKind>("kind");
    QTest::addColumn<bool>("message");
    QTest::newRow("marked deck") << "DECK1.DCK"
                                 << "*kolsed" << false << TWindowKind::Form << false;
    QTest::newRow("marked deck, KOLSED only") << "DECK1.DCK"
                                              << "*KoLsEd" << true << TWindowKind::Form << false;
    QTest::newRow("plain deck, KOLSED only") << "DECK1.DCK"
                                             << "* deck" << true << TWindowKind::Deck << true;
    QTest::newRow("marker with more text") << "DECK1.DCK"
                                           << "*KOLSED 2" << false << TWindowKind::Deck << false;
    QTest::newRow("fortran") << "MOD.FOR"
                             << "C" << false << TWindowKind::Text << false;
}

void TestDocuments::kolsedMarker() {
    QFETCH(QString, name);
    QFETCH(QString, firstLine);
    QFETCH(bool, kolsedOnly);
    QFETCH(TWindowKind, kind);
    QFETCH(bool, message);
    Globals().KolsedOnlyMode = kolsedOnly;
    const std::string file = File(name.toStdString(), firstLine.toStdString() + "\r\nEND\r\n");
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(file);
    QCOMPARE(form.Children().size(), 1);
    QCOMPARE(form.Children().first()->WindowKind(), kind);
    QCOMPARE(msgs_->Texts().size(), size_t(message ? 1 : 0));
    if (message) QCOMPARE(msgs_->Texts()[0], file + " is not a KOLSED file.");
}

void TestDocuments::openStopsOnCancel() {
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(File("RUN.DCK"));
    auto* editor = qobject_cast<TEditForm*>(form.Children().first());
    editor->Editor()->InsertText("changed ");
    msgs_->Answers = {MsgAnswer::Cancel};
    form.Documents().Open1Click();
    QVERIFY(dialogs_->Titles.isEmpty());
    QCOMPARE(msgs_->Texts().back(), editor->FileName() + " has been changed.  Save it?");
    QCOMPARE(form.Children().size(), 1);
}

void TestDocuments::openFilterFromEarlierName() {
    File("PROJ.IDX", "A\nB\nC\n");
    SetCurrentDir(tmp_->path().toStdString()); // started from the program directory
    TKOLSHELLFORM form;
    QVERIFY(form.Documents().IndexFileFound());
    const std::string table = File("RUN.KSD", "*KOLSED\nEND\n");
    dialogs_->OpenAnswers = {Path("RUN.KSD"), ""};
    form.Documents().Open1Click();
    QCOMPARE(dialogs_->FilterIndexes[0], 4);
    QVERIFY(dialogs_->Proposed[0].endsWith("/*.IDX"));
    form.Documents().Open1Click();
    QCOMPARE(dialogs_->FilterIndexes[1], 2); // chosen by the extension of the name left
    QVERIFY(dialogs_->Proposed[1].endsWith("/*.KSD"));
    QCOMPARE(GetCurrentDir(), tmp_->path().toStdString());
    (void)table;
}

void TestDocuments::kolsedOnlyFirstOpenShowsIndex() {
    Globals().KolsedOnlyMode = true;
    File("PROJ.IDX", "A\nB\nC\n");
    TKOLSHELLFORM form;
    form.Documents().FirstOpen = true;
    QTimer::singleShot(0, [] {
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    form.Documents().Open1Click();
    QVERIFY(!form.Documents().FirstOpen);
    QVERIFY(dialogs_->Titles.isEmpty()); // no file dialog the first time
    dialogs_->OpenAnswers = {""};
    form.Documents().Open1Click();
    QCOMPARE(dialogs_->Filters.last(), QString("Index files|*.IDX|KOLSED files|*.KSD"));
    QCOMPARE(dialogs_->FilterIndexes.last(), 1);
}

void TestDocuments::saveAsksOnlyForUnnamedPlot() {
    SetCurrentDir(tmp_->path().toStdString());
    TKOLSHELLFORM form;
    TEditForm::NewEditorNumber = 0;
    auto* editor = new TEditForm;
    form.AddChild(editor);
    editor->Editor()->AppendLine("* new deck");
    auto* plot = new FakePlot;
    form.AddChild(plot);
    dialogs_->SaveAnswers = {Path("P")}; // typed without an extension
    form.Documents().Save1Click();
    QCOMPARE(dialogs_->Titles, QStringList({"Saving window Plot 1: from RUN.OUT"}));
    QCOMPARE(dialogs_->Proposed, QStringList({"*.KSP"}));
    QCOMPARE(dialogs_->FilterIndexes, QList<int>({5})); // the plot files
    QCOMPARE(ReadTestFile(Path("NoName1.DCK").toStdString()), std::string("* new deck\r\n"));
    QCOMPARE(plot->saved, Path("P.KSP").toStdString());
    QCOMPARE(plot->Title(), Path("P.KSP"));
    form.Documents().Save1Click(); // the plot has a name now: no question
    QCOMPARE(dialogs_->Titles.size(), 1);
}

void TestDocuments::saveAsChangesKind_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<TWindowKind>("kind");
    QTest::newRow("text saved as deck") << "NOTE.TXT"
                                        << "NOTE.DCK" << 10 << TWindowKind::Deck;
    QTest::newRow("fortran stays text") << "MOD.FOR"
                                        << "MOD2.FOR" << 4 << TWindowKind::Text;
    QTest::newRow("deck saved as annotated deck") << "RUN.DCK"
                                                  << "RUN.KSD" << 1 << TWindowKind::AnnotatedText;
    QTest::newRow("no extension") << "README"
                                  << "README2" << 9 << TWindowKind::Text;
}

void TestDocuments::saveAsChangesKind() {
    QFETCH(QString, file);
    QFETCH(QString, chosen);
    QFETCH(int, filterIndex);
    QFETCH(TWindowKind, kind);
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(File(file.toStdString(), "LINE\n"));
    dialogs_->SaveAnswers = {Path(chosen)};
    form.Documents().Saveas1Click();
    QCOMPARE(dialogs_->FilterIndexes[0], filterIndex);
    QCOMPARE(dialogs_->Filters[0],
             QString("KOLVAN files|*.DCK|KOLSED files|*.KSD|FLOWDRAW files|*.DEK|FORTRAN "
                     "files|*.FOR|KOLSHELL Plot files|*.KSP|Diagram Bitmap files.|*.BMP|Diagram "
                     "Meta files|*.WMF|KOLSED table files|*.TBL|All files|*"));
    TChildForm* c = form.Children().first();
    QCOMPARE(c->WindowKind(), kind);
    QCOMPARE(c->Title(), Path(chosen));
    QCOMPARE(ReadTestFile(Path(chosen).toStdString()), std::string("LINE\n")); // its own line ends
}

// Save as on a listing or output viewer writes a copy of the file shown; the viewer goes on
// showing its own file. Never the file itself, never a read-only file.
void TestDocuments::viewerSaveAsWritesCopy_data() {
    QTest::addColumn<QString>("item"); // the Windows menu item that shows the viewer
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("message");   // @ stands for the folder
    QTest::addColumn<QByteArray>("onDisk"); // the chosen file afterwards
    const QByteArray listing("listing\r\nline 2\r\n"), output(" TIME A\n 0 1\n");
    QTest::newRow("listing copied") << "Listing1"
                                    << "COPY.LST"
                                    << "" << listing;
    QTest::newRow("output copied") << "Output1"
                                   << "COPY.OUT"
                                   << "" << output;
    QTest::newRow("over another file")
        << "Listing1"
        << "OTHER.TXT"
        << "@/OTHER.TXT already exists.  Do you want to replace it?" << listing;
    QTest::newRow("read-only target")
        << "Listing1"
        << "LOCKED.LST"
        << "File @/LOCKED.LST is read-only; it was not changed." << QByteArray("locked\n");
    QTest::newRow("the file itself")
        << "Listing1"
        << "run.lst"
        << "File @/run.lst is the file this window shows; choose another name for the copy."
        << listing;
}

void TestDocuments::viewerSaveAsWritesCopy() {
    QFETCH(QString, item);
    QFETCH(QString, chosen);
    QFETCH(QString, message);
    QFETCH(QByteArray, onDisk);
    const std::string deck = File("RUN.DCK");
    File("RUN.LST", "listing\r\nline 2\r\n");
    File("RUN.OUT", " TIME A\n 0 1\n");
    File("OTHER.TXT", "other\n");
    QCOMPARE(::chmod(File("LOCKED.LST", "locked\n").c_str(), 0444), 0);
    SetCurrentDir(tmp_->path().toStdString());
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(deck);
    QAction* show = form.Action(item);
    if (show->menu()) show = show->menu()->actions().value(0);
    show->trigger();
    QPointer<TChildForm> viewer = CurrentChild.data();
    QVERIFY(viewer && qobject_cast<TViewForm*>(viewer.data()));
    const QString title = viewer->windowTitle();
    dialogs_->SaveAnswers = {Path(chosen)};
    form.Action("Saveas1")->trigger();
    QCOMPARE(dialogs_->Titles, QStringList{"Save As"});
    QCOMPARE(QString::fromStdString(msgs_->Texts().empty() ? "" : msgs_->Texts().back()),
             QString(message).replace("@", tmp_->path()));
    QCOMPARE(QByteArray::fromStdString(ReadTestFile(NativePath(Path(chosen).toStdString()))),
             onDisk);
    QCOMPARE(ReadTestFile(Path("RUN.LST").toStdString()), std::string("listing\r\nline 2\r\n"));
    QVERIFY(viewer);
    QCOMPARE(viewer->windowTitle(), title);
    QCOMPARE(CurrentChild.data(), viewer.data());
}

void TestDocuments::editKolsedFile() {
    const std::string ksd = File("RUN.KSD", "*KOLSED\n* text\n");
    const std::string marked = File("RUN2.TXT", "*kolsed\n");
    const std::string plain = File("PLAIN.TXT", "hello\n");
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(File("OLD.DCK"));
    dialogs_->OpenAnswers = {QString::fromStdString(ksd), QString::fromStdString(ksd),
                             QString::fromStdString(plain), QString::fromStdString(marked)};
    form.Documents().EditKOLSEDfile1Click();
    QCOMPARE(dialogs_->Filters[0], QString("KOLSED Files|*.KSD|All files|*"));
    QCOMPARE(form.Children().size(), 1); // the old deck closed
    QCOMPARE(form.Children().first()->WindowKind(), TWindowKind::AnnotatedText);
    QCOMPARE(Globals().InputFileName, ksd);
    form.Documents().EditKOLSEDfile1Click(); // the same file again: its old editor goes
    QCOMPARE(form.Children().size(), 1);
    form.Documents().EditKOLSEDfile1Click(); // not an annotated deck: ignored
    QCOMPARE(form.Children().size(), 1);
    form.Documents().EditKOLSEDfile1Click();
    QCOMPARE(form.Children().size(), 2);
    QCOMPARE(form.Children().last()->FileName(), marked);
}

void TestDocuments::unreadableFile() {
    TKOLSHELLFORM form;
    QDir(tmp_->path()).mkdir("DIR.TXT");
    form.Documents().ReadaFile(Path("DIR.TXT").toStdString());
    QCOMPARE(form.Children().size(), 0);
    QCOMPARE(msgs_->Texts().back(), "File " + Path("DIR.TXT").toStdString() + " cannot be read.");
}

// A file the editor would take minutes and gigabytes over opens in the viewer, read in place,
// with the reason; a file just within the limits is edited.
void TestDocuments::bigFilesShownReadOnly_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message"); // empty: edited
    QTest::newRow("200001 lines")
        << "lines"
        << "BIG.DCK is too large to edit here (200 KB); it is shown read-only.";
    QTest::newRow("200000 lines") << "lines ok"
                                  << "";
    QTest::newRow("over 20 MB")
        << "size"
        << "BIG.DCK is too large to edit here (21 MB); it is shown read-only.";
    QTest::newRow("20 MB in 200000 lines") << "most"
                                           << "";
    QTest::newRow("one long line") << "line"
                                   << "BIG.DCK has a line too long to edit here (more than 20000 "
                                      "characters); it is shown read-only.";
}

void TestDocuments::bigFilesShownReadOnly() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    std::string name;
    if (kind == "lines")
        name = File("BIG.DCK", std::string(200001, '\n'));
    else if (kind == "lines ok")
        name = File("BIG.DCK", std::string(200000, '\n'));
    else if (kind == "line")
        name = File("BIG.DCK", std::string(20001, 'x') + "\n");
    else if (kind == "most") {
        std::string text;
        for (int i = 0; i < 200000; ++i)
            text += std::string(98, 'x') + "\r\n";
        name = File("BIG.DCK", text);
    } else {
        name = File("BIG.DCK", "END\n");
        QVERIFY(QFile::resize(QString::fromStdString(name), 21000000));
    }
    TKOLSHELLFORM form;
    form.Documents().ReadaFile(name);
    QCOMPARE(form.Children().size(), 1);
    if (message.isEmpty()) {
        QVERIFY(msgs_->Texts().empty());
        auto* edit = qobject_cast<TEditForm*>(form.Children().first());
        QVERIFY(edit);
        if (kind == "most") QCOMPARE(edit->Editor()->LineCount(), 200000);
        return;
    }
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{message.toStdString()});
    auto* view = qobject_cast<TViewForm*>(form.Children().first());
    QVERIFY(view);
    if (kind == "lines") QTRY_COMPARE_WITH_TIMEOUT(view->Viewer()->LineCount(), 200001, 20000);
}

// A FIFO where a deck or its listing is expected is never opened waiting for a writer: the
// deck is refused as unreadable, the listing counts as absent.
void TestDocuments::fifoIsNeverWaitedOn() {
    TKOLSHELLFORM form;
    QCOMPARE(::mkfifo(Path("F.DCK").toLocal8Bit().constData(), 0644), 0);
    form.Documents().ReadaFile(Path("F.DCK").toStdString());
    QCOMPARE(form.Children().size(), 0);
    QCOMPARE(msgs_->Texts().back(), "File " + Path("F.DCK").toStdString() + " cannot be read.");
    const std::string deck = File("DECK.DCK", "END\r\n");
    QCOMPARE(::mkfifo(Path("DECK.LST").toLocal8Bit().constData(), 0644), 0);
    form.Documents().ReadaFile(deck);
    QCOMPARE(form.Children().size(), 1);
    QVERIFY(!form.Action("Listing1")->isEnabled());
}

// Save over a read-only deck refuses with the one read-only text and keeps the edit in the
// window; a deck reached through a link is written where the link points.
void TestDocuments::saveKeepsReadOnlyAndLinkedDecks() {
    TKOLSHELLFORM form;
    const std::string deck = File("RUN.DCK", "old\r\n");
    QCOMPARE(::chmod(deck.c_str(), 0444), 0);
    form.Documents().ReadaFile(deck);
    auto* editor = qobject_cast<TEditForm*>(form.FirstChildOfKind(TWindowKind::Deck));
    QVERIFY(editor);
    editor->Editor()->InsertText("new ");
    form.Action("Save1")->trigger();
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{"File " + editor->FileName() +
                                                      " is read-only; it was not changed."});
    QCOMPARE(ReadTestFile(deck), std::string("old\r\n"));
    QVERIFY(editor->IsModified());

    QVERIFY(QDir(tmp_->path()).mkpath("store"));
    const std::string real = WriteTestFile(tmp_->path() + "/store", "REAL.DCK", "old\r\n");
    const std::string link = Path("LINK.DCK").toStdString();
    QCOMPARE(::symlink("store/REAL.DCK", link.c_str()), 0);
    msgs_->Answers = {MsgAnswer::No}; // the unsaved edit goes with its window
    form.DisposeKOLVANWindows(TWindowKind::Deck);
    form.Documents().ReadaFile(link);
    editor = qobject_cast<TEditForm*>(form.FirstChildOfKind(TWindowKind::Deck));
    QVERIFY(editor);
    editor->Editor()->InsertText("new ");
    msgs_->Shown.clear();
    form.Action("Save1")->trigger();
    QVERIFY(msgs_->Shown.empty());
    QVERIFY(QFileInfo(Path("LINK.DCK")).isSymLink());
    QCOMPARE(ReadTestFile(real), std::string("new old\r\n"));
}

void TestDocuments::ReopenBy(TKOLSHELLFORM& form, const QString& how, const std::string& name) {
    if (how == "open") {
        OpenByMenu(form, name);
    } else if (how == "open in other case") {
        OpenByMenu(form, UpStr(name));
    } else if (how == "open through a link") {
        const QString link = Path("LINK" + QString::fromStdString(ExtractFileExt(name)));
        QVERIFY(QFile::link(QString::fromStdString(name), link));
        OpenByMenu(form, link.toStdString());
    } else if (how == "recent entry") {
        for (QAction* a : form.Menu("File1")->actions())
            if (a->property("ListIndex").isValid() &&
                a->text().endsWith(QString::fromStdString(name))) {
                a->trigger();
                break;
            }
    } else if (how == "command line") {
        form.Documents().OpenStartFile(name);
    } else if (how == "Windows Input") {
        form.Action("Input1")->trigger();
    } else if (how == "Edit KOLSED file") {
        dialogs_->OpenAnswers = {QString::fromStdString(name)};
        form.Action("EditKOLSEDfile1")->trigger();
    } else {
        QFAIL(qPrintable("no way " + how));
    }
}

void TestDocuments::reopeningBringsWindowForward_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("again");
    QTest::newRow("File Open twice") << "NOTES.TXT"
                                     << "open"
                                     << "open";
    QTest::newRow("File Open in other case") << "notes.txt"
                                             << "open"
                                             << "open in other case";
    QTest::newRow("File Open through a link") << "NOTES.TXT"
                                              << "open"
                                              << "open through a link";
    QTest::newRow("File Open of the deck") << "RUN.DCK"
                                           << "open"
                                           << "open";
    QTest::newRow("recent-file entry of the deck") << "RUN.DCK"
                                                   << "open"
                                                   << "recent entry";
    QTest::newRow("command line") << "NOTES.TXT"
                                  << "open"
                                  << "command line";
    QTest::newRow("Windows Input on a FLOWDRAW deck") << "RUN.DEK"
                                                      << "open"
                                                      << "Windows Input";
    QTest::newRow("Edit KOLSED file twice") << "RUN.KSD"
                                            << "Edit KOLSED file"
                                            << "Edit KOLSED file";
}

void TestDocuments::reopeningBringsWindowForward() {
    QFETCH(QString, file);
    QFETCH(QString, first);
    QFETCH(QString, again);
    const std::string text = std::string(file.endsWith(".KSD") ? "*KOLSED\r\n" : "") + "old\r\n";
    const std::string name = File(file.toStdString(), text);
    TKOLSHELLFORM form;
    form.show();
    ReopenBy(form, first, name);
    QCOMPARE(form.Children().size(), 1);
    QPointer<TEditForm> editor = qobject_cast<TEditForm*>(form.Children().first());
    QVERIFY(editor);
    QTest::keyClicks(editor->Editor(), "edit ");
    // The Open command asks about a changed deck first: keep the changes in the window.
    msgs_->Answers = {MsgAnswer::No, MsgAnswer::No};
    OpenByMenu(form, File("OTHER.TXT", "other\n")); // another window in front
    QVERIFY(CurrentChild != editor);
    ReopenBy(form, again, name);
    QVERIFY(editor);
    QCOMPARE(form.Children().size(), 2); // no second window on the file
    QCOMPARE(CurrentChild.data(), editor.data());
    QVERIFY(editor->IsModified());
    msgs_->Answers.clear();
    form.Action("Save1")->trigger();
    QCOMPARE(ReadTestFile(name), "edit " + text);
    QVERIFY(!editor->IsModified());
}

void TestDocuments::openingAnotherDeckAsksFirst_data() {
    QTest::addColumn<QString>("other");
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("asks");
    QTest::newRow("recent-file entry") << "OTHER.DCK"
                                       << "recent entry" << true;
    QTest::newRow("Edit KOLSED file") << "OTHER.KSD"
                                      << "Edit KOLSED file" << true;
    QTest::newRow("recent text file closes nothing") << "OTHER.TXT"
                                                     << "recent entry" << false;
}

void TestDocuments::openingAnotherDeckAsksFirst() {
    QFETCH(QString, other);
    QFETCH(QString, how);
    QFETCH(bool, asks);
    const std::string marker = other.endsWith(".TXT") ? "" : "*KOLSED\r\n";
    const std::string otherName = File(other.toStdString(), marker + "* other\r\n");
    const std::string deck = File("RUN.DCK", "old\r\n");
    TKOLSHELLFORM form;
    form.show();
    form.Documents().ReadaFile(otherName); // now in the recent files
    form.DisposeChild(form.Children().first());
    OpenByMenu(form, deck);
    QPointer<TEditForm> editor = qobject_cast<TEditForm*>(form.FirstChildOfKind(TWindowKind::Deck));
    QVERIFY(editor);
    QTest::keyClicks(editor->Editor(), "new ");
    msgs_->Answers = {MsgAnswer::Cancel};
    ReopenBy(form, how, otherName);
    const std::vector<std::string> question{deck + " has been changed.  Save it?"};
    QCOMPARE(msgs_->Texts(), asks ? question : std::vector<std::string>());
    QVERIFY(editor);
    QVERIFY(editor->IsModified());
    QCOMPARE(form.Children().size(), asks ? 1 : 2); // Cancel: nothing else opened
}

void TestDocuments::saveWritesOnlyChangedWindows_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<TWindowKind>("kind");
    QTest::newRow("text editor") << "NOTES.TXT" << TWindowKind::Text;
    QTest::newRow("deck editor") << "RUN.DCK" << TWindowKind::Deck;
    QTest::newRow("KOLSED form") << "RUN.KSD" << TWindowKind::Form;
}

void TestDocuments::saveWritesOnlyChangedWindows() {
    QFETCH(QString, file);
    QFETCH(TWindowKind, kind);
    const std::string untouched =
        File(file.toStdString(), file.endsWith(".KSD") ? "*KOLSED\r\nEND\r\n" : "* deck\r\n");
    const std::string edited = File("EDITED.TXT", "old\r\n");
    TKOLSHELLFORM form;
    form.show();
    OpenByMenu(form, untouched);
    QCOMPARE(form.Children().last()->WindowKind(), kind);
    OpenByMenu(form, edited);
    QTest::keyClicks(qobject_cast<TEditForm*>(form.Children().last())->Editor(), "new ");
    // Meanwhile another program writes the untouched window's file.
    File(file.toStdString(), "written elsewhere\n");
    form.Action("Save1")->trigger();
    QCOMPARE(ReadTestFile(edited), std::string("new old\r\n"));
    QCOMPARE(ReadTestFile(untouched), std::string("written elsewhere\n"));
    QVERIFY(!QFile::exists(Path("RUN.BAK"))); // a form's deck is not even moved to its backup
    QVERIFY(msgs_->Texts().empty());
}

void TestDocuments::saveKeepsLongLinesWhole() {
    const std::string line(300, 'x');
    const std::string name = File("LONG.DCK", "* deck\r\n" + line + "\r\n");
    TKOLSHELLFORM form;
    form.show();
    OpenByMenu(form, name);
    auto* editor = qobject_cast<TEditForm*>(form.Children().first());
    QCOMPARE(editor->Editor()->Line(2).size(), 300);
    QTest::keyClicks(editor->Editor(), "*");
    form.Action("Save1")->trigger();
    QCOMPARE(ReadTestFile(name), "** deck\r\n" + line + "\r\n");
    // Save as writes the whole line under the new name too.
    dialogs_->SaveAnswers = {Path("COPY.DCK")};
    form.Action("Saveas1")->trigger();
    QCOMPARE(ReadTestFile(Path("COPY.DCK").toStdString()), "** deck\r\n" + line + "\r\n");
}

void TestDocuments::saveKeepsLineEnds_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("LF stays LF") << QByteArray("one\ntwo\n") << QByteArray("new one\ntwo\n");
    QTest::newRow("CR LF stays CR LF")
        << QByteArray("one\r\ntwo\r\n") << QByteArray("new one\r\ntwo\r\n");
    QTest::newRow("no line end after the last line")
        << QByteArray("one\ntwo") << QByteArray("new one\ntwo");
    QTest::newRow("empty lines at the end")
        << QByteArray("one\n\n\n") << QByteArray("new one\n\n\n");
    QTest::newRow("one line without a line end") << QByteArray("one") << QByteArray("new one");
    QTest::newRow("empty file") << QByteArray() << QByteArray("new \r\n");
}

void TestDocuments::saveKeepsLineEnds() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    const std::string name = File("ENDS.TXT", before.toStdString());
    TKOLSHELLFORM form;
    form.show();
    OpenByMenu(form, name);
    QTest::keyClicks(qobject_cast<TEditForm*>(form.Children().first())->Editor(), "new ");
    form.Action("Save1")->trigger();
    QCOMPARE(QByteArray::fromStdString(ReadTestFile(name)), after);
}

void TestDocuments::newFileSavedWithCrLf() {
    SetCurrentDir(tmp_->path().toStdString());
    TEditForm::NewEditorNumber = 0;
    TKOLSHELLFORM form;
    form.show();
    form.Action("New1")->trigger();
    QCOMPARE(form.Children().size(), 1);
    auto* editor = qobject_cast<TEditForm*>(form.Children().first());
    QCOMPARE(editor->FileName(), std::string("NoName1.DCK"));
    QTest::keyClicks(editor->Editor(), "one");
    QTest::keyClick(editor->Editor(), Qt::Key_Return);
    QTest::keyClicks(editor->Editor(), "two");
    form.Action("Save1")->trigger();
    QCOMPARE(ReadTestFile(Path("NoName1.DCK").toStdString()), std::string("one\r\ntwo\r\n"));
}

void TestDocuments::newFileSavedInStartFolder() {
    // Started from a folder of the user's, away from the program directory: File, New then
    // Save writes there.
    QVERIFY(QDir(tmp_->path()).mkpath("work"));
    const std::string start = tmp_->path().toStdString() + "/work";
    QVERIFY(SetCurrentDir(start));
    Globals().StartDir = start;
    TEditForm::NewEditorNumber = 0;
    TKOLSHELLFORM form;
    form.show();
    QCOMPARE(GetCurrentDir(), start);
    form.Action("New1")->trigger();
    auto* editor = qobject_cast<TEditForm*>(form.Children().first());
    QTest::keyClicks(editor->Editor(), "one");
    form.Action("Save1")->trigger();
    QCOMPARE(ReadTestFile(start + "/NoName1.DCK").substr(0, 3), std::string("one"));
    QVERIFY(!QFile::exists(Path("NoName1.DCK")));
}

void TestDocuments::pictureChosenInOpen_data() {
    QTest::addColumn<QString>("chosen");
    QTest::newRow("bitmap") << "RUN.BMP";
    QTest::newRow("metafile, a bitmap beside it") << "RUN.WMF";
}

void TestDocuments::pictureChosenInOpen() {
    // A picture chosen in File, Open is shown in the diagram window, as itself.
    QFETCH(QString, chosen);
    File("RUN.BMP", Bitmap());
    File("RUN.WMF", Metafile());
    TKOLSHELLFORM form;
    form.show();
    OpenByMenu(form, Path(chosen).toStdString());
    auto* diagram = qobject_cast<TDiagramForm*>(form.FirstChildOfKind(TWindowKind::Diagram));
    QVERIFY(diagram);
    QCOMPARE(form.Children().size(), 1);
    QCOMPARE(diagram->windowTitle(), Path(chosen));
}

void TestDocuments::indexFolders_data() {
    QTest::addColumn<QString>("folder"); // where the project index lies
    QTest::newRow("start folder") << "start";
    QTest::newRow("configuration folder") << ".config/kolshell";
    QTest::newRow("program directory") << "program";
    QTest::newRow("none") << "";
}

void TestDocuments::indexFolders() {
    QFETCH(QString, folder);
    for (const char* dir : {"start", ".config/kolshell", "program"})
        QVERIFY(QDir(tmp_->path()).mkpath(dir));
    const std::string dft = ReadTestFile(Path("KOLSHELL.DFT").toStdString());
    WriteTestFile(Path("program"), "KOLSHELL.DFT", dft);
    Globals().KolshellDir = Path("program").toStdString();
    Globals().StartDir = Path("start").toStdString();
    if (!folder.isEmpty()) WriteTestFile(Path(folder), "PROJ.IDX", "A\nB\n");
    TKOLSHELLFORM form;
    QCOMPARE(form.Documents().IndexFileFound(), !folder.isEmpty());
    QCOMPARE(QString::fromStdString(form.Documents().IndexFileName()),
             folder.isEmpty() ? QString() : Path(folder + "/PROJ.IDX"));
}

QTEST_MAIN(TestDocuments)
void TestDocuments::modifiedMark_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("bytes");
    QTest::addColumn<QString>("field");
    QTest::newRow("deck in the editor") << "RUN.DCK"
                                        << "END\n"
                                        << "";
    QTest::newRow("form") << "RUN.KSD"
                          << "*KOLSED\nCONSTANTS 1\nX = 1\n*|X|m|m|0|1|0|99|0\nEND\n"
                          << "Input1";
}

// A window with unsaved changes shows the modified mark in its title from the first key the
// user types; File, Save takes it away.
void TestDocuments::modifiedMark() {
    QFETCH(QString, name);
    QFETCH(QString, bytes);
    QFETCH(QString, field);
    TKOLSHELLFORM form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Documents().ReadaFile(File(name.toStdString(), bytes.toStdString()));
    TChildForm* c = form.Children().first();
    QCOMPARE(c->windowTitle(), Path(name) + "[*]");
    QVERIFY(!c->isWindowModified());
    auto* editor = qobject_cast<TEditForm*>(c);
    QWidget* typed =
        editor ? static_cast<QWidget*>(editor->Editor()) : c->findChild<QWidget*>(field);
    QVERIFY(typed);
    typed->setFocus();
    QTest::keyClick(typed, Qt::Key_5);
    QVERIFY(c->isWindowModified());
    form.Action("Save1")->trigger();
    QVERIFY(!c->IsModified());
    QVERIFY(!c->isWindowModified());
    QVERIFY(ReadTestFile(Path(name).toStdString()).find('5') != std::string::npos);
}

#include "tst_documents.moc"
