#include "app/docrules.h"
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/widgets/childform.h"
#include "shell/widgets/setupdlg.h"
#include "tests/support/testsupport.h"

#include "common/lib1.h"
#include "common/programfiles.h"
#include "kolsed/widgets/kolsedform.h"
#include "plot/widgets/plotform.h"
#include "shell/widgets/aboutbox.h"
#include "shell/widgets/diagramform.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/helpwindow.h"
#include "shell/widgets/viewform.h"
#include "table/widgets/tableform.h"

#include <QDialog>
#include <QDirIterator>
#include <QFile>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

using namespace kolshell;

namespace {

// A child of any kind that records the edit commands it receives.
class FakeChild : public TChildForm {
  public:
    FakeChild(TWindowKind kind, const std::string& file) : TChildForm(kind), file_(file) {
        setWidget(new QWidget);
        setWindowTitle(QString::fromStdString(file));
    }
    std::string FileName() const override { return file_; }
    // The edit commands of the real window of its kind.
    std::optional<TEditCommands> EditCommands() const override {
        using C = TEditCommand;
        switch (WindowKind()) {
        case TWindowKind::Deck:
        case TWindowKind::AnnotatedText:
        case TWindowKind::Text:
            return TEditCommands{C::Cut,  C::Copy,    C::Paste,      C::Clear,
                                 C::Find, C::Replace, C::SearchAgain};
        case TWindowKind::Form:
            return TEditCommands{C::Cut, C::Copy, C::Paste, C::Clear};
        case TWindowKind::Listing:
        case TWindowKind::Output:
            return TEditCommands{C::Copy, C::Find, C::SearchAgain};
        case TWindowKind::Plot:
            return TEditCommands{C::Copy};
        case TWindowKind::Table:
            return TEditCommands{C::Cut, C::Copy, C::Paste, C::Clear, C::SearchAgain};
        default:
            return std::nullopt;
        }
    }
    void EditCut() override { calls << "cut"; }
    void EditCopy() override { calls << "copy"; }
    void EditPaste() override { calls << "paste"; }
    void EditClear() override { calls << "clear"; }
    void EditFind() override { calls << "find"; }
    void EditReplace() override { calls << "replace"; }
    void EditSearchAgain(bool f, bool r) override { calls << QString("again %1%2").arg(f).arg(r); }
    bool FormCloseQuery() override { return !refuseClose; }
    QStringList calls;
    bool refuseClose = false;

  private:
    std::string file_;
};

QStringList ItemNames(QMenu* menu) {
    QStringList names;
    for (QAction* a : menu->actions())
        names << (a->isSeparator() ? "-" : a->objectName());
    return names;
}

// The help pages of the sources, copied into the program directory as the build does.
void CopyHelp(const QString& programDir) {
    const QString from = qEnvironmentVariable("KOLSHELL_SOURCE") + "/help";
    QDir().mkpath(programDir + "/help");
    for (QDirIterator it(from, QDir::Files); it.hasNext();) {
        it.next();
        QFile::copy(it.filePath(), programDir + "/help/" + it.fileName());
    }
}

// True when the page file exists and holds the anchor, if any.
bool PageExists(const QString& helpDir, const QString& page) {
    QFile f(helpDir + "/" + page.section('#', 0, 0));
    if (!f.open(QIODevice::ReadOnly)) return false;
    return !page.contains('#') ||
           f.readAll().contains(("id=\"" + page.section('#', 1) + "\"").toUtf8());
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void normalMenus();
    void f1InModalDialogShowsHelpAbove();
    void kolsedOnlyMenus();
    void kolsedByProgramName_data();
    void kolsedByProgramName();
    void noChild();
    void enabling_data();
    void enabling();
    void lastChildClosed();
    void editDispatch_data();
    void editDispatch();
    void realWindowsEditCommands_data();
    void realWindowsEditCommands();
    void disposeWindows();
    void missingDefaults();
    void exitSavesRecentFiles();
    void closeBoxSavesRecentFiles();
    void failedRecentListSaveSaysSo();
    void closeQueryKeepsProgram();
    void plotProbe();
    void helpMenu_data();
    void helpMenu();
    void everyHelpContextHasPage();
    void missingHelpSaysSo();
    void f1OnMenuItemAndDialog();
    void helpSearchAndHistory();
    void website_data();
    void website();
    void installedProgramDir();
    void twoUsersNeverShareState();
    void earlierRecentListKept();
    void unwritableHome();

  private:
    std::unique_ptr<QTemporaryDir> tmp_;
};

void TestMainWindow::init() {
    tmp_ = std::make_unique<QTemporaryDir>();
    Globals() = TGlobals();
    Globals().KolshellDir = tmp_->path().toStdString();
    UserFoldersIn(tmp_->path());
    WriteTestFile(tmp_->path(), "KOLSHELL.DFT", EncodeDFT(DefaultSettings()));
    CurrentChild = nullptr;
}

void TestMainWindow::normalMenus() {
    TKOLSHELLFORM form;
    QCOMPARE(form.windowTitle(), QString("KOLSHELL 32"));
    QStringList bar;
    for (QAction* a : form.menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar, QStringList({"&File", "&Edit", "&KOLVAN", "K&OLSED", "&Parametrics", "&Utilities",
                               "P&lot", "&Windows", "&Help"}));
    QCOMPARE(ItemNames(form.Menu("File1")),
             QStringList({"New1", "Open1", "Save1", "Saveas1", "ExportPlot1", "-", "Print1",
                          "PrintSetup1", "-", "Setup1", "-", "Exit1", "-"}));
    QCOMPARE(form.Action("Calculate1")->shortcut(), QKeySequence("F8"));
    QCOMPARE(form.Action("Saveas1")->text(), QString("Save &as"));
    QCOMPARE(form.Action("KOLVANErrorMessges1")->property("HelpContext").toInt(), 129);
    QCOMPARE(form.Menu("Parametrics1")->property("HelpContext").toInt(), 9);
    for (const char* n : {"Input1", "Output1", "Listing1", "Table1", "Diagram1"})
        QVERIFY2(!form.Action(n)->isEnabled(), n);
    QMenu* output = form.Action("Output1")->menu();
    QCOMPARE(output->actions().first()->text(), QString("Name.out"));
    form.Runs().Utilities1Popup();
    QCOMPARE(form.Action("FLOWDRAW1")->text(), QString("FLOWDRAW"));
    Globals().UseNodeStudio = true;
    form.Runs().Utilities1Popup();
    QCOMPARE(form.Action("FLOWDRAW1")->text(), QString("NodeStudio"));
}

void TestMainWindow::kolsedOnlyMenus() {
    Globals().KolsedOnlyMode = true;
    Options().UnitSystem = 2;
    WriteTestFile(tmp_->path(), "KOLSHELL.DFT", [] {
        TSettings s = DefaultSettings();
        s.Options.UnitSystem = 2;
        return EncodeDFT(s);
    }());
    TKOLSHELLFORM form;
    QCOMPARE(form.windowTitle(), QString("KOLSED"));
    QStringList bar;
    for (QAction* a : form.menuBar()->actions())
        bar << a->objectName();
    QCOMPARE(bar, QStringList({"File1", "KOLVAN1", "Parametrics1", "Plot1", "Windows1", "Help1"}));
    QCOMPARE(ItemNames(form.Menu("File1")),
             QStringList({"Open1", "Save1", "Saveas1", "ExportPlot1", "-", "Print1", "PrintSetup1",
                          "-", "Exit1", "-"}));
    QCOMPARE(ItemNames(form.Menu("KOLVAN1")),
             QStringList({"Calculate1", "RunTable1", "StopRun1", "SIUnits", "EngUnits", "-",
                          "UserCommand1", "-"}));
    QCOMPARE(ItemNames(form.Menu("Help1")),
             QStringList({"KOLVANIndex1", "UsingHelp1", "-", "AboutKOLSHELL1", "Website"}));
    QCOMPARE(form.Action("KOLVANIndex1")->text(), QString("KOLSED Help"));
    QCOMPARE(form.Action("AboutKOLSHELL1")->text(), QString("About KOLSED"));
    const QStringList windows = ItemNames(form.Menu("Windows1"));
    QCOMPARE(windows.indexOf("AboutKOLSED1"), 9);
    QCOMPARE(windows[8], QString("-"));
    QVERIFY(form.Action("EngUnits")->isChecked());
    QVERIFY(!form.Action("SIUnits")->isChecked());
    form.Documents().SIUnitsClick();
    QCOMPARE(Options().UnitSystem, 1);
    QVERIFY(form.Action("SIUnits")->isChecked() && !form.Action("EngUnits")->isChecked());
}

void TestMainWindow::noChild() {
    TKOLSHELLFORM form;
    for (const char* n : {"RunTable1", "Print1", "MakeKOLSEDfile1", "OverlayPlot1", "ModifyPlot1",
                          "Save1", "Saveas1", "Calculate1"})
        QVERIFY2(!form.Action(n)->isEnabled(), n);
    QVERIFY(!form.Menu("Edit1")->menuAction()->isEnabled());
    QVERIFY(!form.Menu("Parametrics1")->menuAction()->isEnabled());
    QVERIFY(form.Menu("KOLVAN1")->menuAction()->isEnabled());
    QVERIFY(form.Action("Open1")->isEnabled());
}

void TestMainWindow::enabling_data() {
    QTest::addColumn<TWindowKind>("kind");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("on");
    QTest::addColumn<QStringList>("off");
    const QStringList editOn{"Find1", "Replace1", "SearchAgain1", "Copy1",
                             "Cut1",  "Paste1",   "Clear1"};
    QTest::newRow("deck") << TWindowKind::Deck << "/p/RUN.DCK"
                          << editOn + QStringList{"MakeKOLSEDfile1", "Calculate1", "NewTable1",
                                                  "Save1", "RebuildKOLVAN1"}
                          << QStringList{"RunTable1", "CompileModule1", "OverlayPlot1",
                                         "ModifyPlot1"};
    QTest::newRow("fortran") << TWindowKind::Text << "/p/model.for"
                             << editOn + QStringList{"CompileModule1"}
                             << QStringList{"Calculate1", "MakeKOLSEDfile1", "NewTable1"};
    QTest::newRow("dek text") << TWindowKind::Text << "/p/RUN.DEK"
                              << QStringList{"Calculate1", "NewTable1", "MakeKOLSEDfile1"}
                              << QStringList{"CompileModule1"};
    // An annotated deck is no source of one: it would be its own target.
    QTest::newRow("annotated text")
        << TWindowKind::AnnotatedText << "/p/RUN.KSD" << QStringList{"Calculate1", "Replace1"}
        << QStringList{"AlterTable1", "MakeKOLSEDfile1"};
    QTest::newRow("form") << TWindowKind::Form << "/p/RUN.KSD"
                          << QStringList{"Copy1",  "Cut1",       "Paste1",
                                         "Clear1", "Calculate1", "NewTable1"}
                          << QStringList{"Find1", "Replace1", "SearchAgain1", "MakeKOLSEDfile1",
                                         "RunTable1"};
    QTest::newRow("listing") << TWindowKind::Listing << ""
                             << QStringList{"Find1", "SearchAgain1", "Copy1"}
                             << QStringList{"Replace1", "Cut1",       "Paste1",
                                            "Clear1",   "Calculate1", "NewTable1"};
    QTest::newRow("output") << TWindowKind::Output << "" << QStringList{"Find1", "Copy1"}
                            << QStringList{"Paste1", "RunTable1"};
    QTest::newRow("plot") << TWindowKind::Plot << ""
                          << QStringList{"OverlayPlot1", "ModifyPlot1", "Copy1"}
                          << QStringList{"Find1", "Cut1", "Calculate1", "NewTable1", "RunTable1"};
    QTest::newRow("table") << TWindowKind::Table << ""
                           << QStringList{"SearchAgain1",
                                          "Copy1",
                                          "Cut1",
                                          "Paste1",
                                          "Clear1",
                                          "RunTable1",
                                          "AlterTable1",
                                          "InsertDeleteRuns1",
                                          "InsertDeleteVars1",
                                          "ModifyPlot1"}
                           << QStringList{"Find1",     "Replace1",        "Calculate1",
                                          "NewTable1", "MakeKOLSEDfile1", "OverlayPlot1"};
}

void TestMainWindow::enabling() {
    QFETCH(TWindowKind, kind);
    QFETCH(QString, file);
    QFETCH(QStringList, on);
    QFETCH(QStringList, off);
    TKOLSHELLFORM form;
    form.AddChild(new FakeChild(kind, file.toStdString()));
    QCOMPARE(CurrentChild->WindowKind(), kind);
    for (const QString& n : on)
        QVERIFY2(form.Action(n)->isEnabled(), qPrintable(n));
    for (const QString& n : off)
        QVERIFY2(!form.Action(n)->isEnabled(), qPrintable(n));
}

void TestMainWindow::lastChildClosed() {
    TKOLSHELLFORM form;
    auto* c = new FakeChild(TWindowKind::Deck, "/p/RUN.DCK");
    form.AddChild(c);
    QVERIFY(form.Action("Save1")->isEnabled());
    c->close();
    QCoreApplication::processEvents();
    form.UpdateMenu();
    QVERIFY(!form.Action("Save1")->isEnabled());
    QVERIFY(!form.Menu("Edit1")->menuAction()->isEnabled());
    // A diagram leaves the editing items as they were, and a plot's Overlay goes off again.
    form.AddChild(new FakeChild(TWindowKind::Plot, ""));
    QVERIFY(form.Action("OverlayPlot1")->isEnabled());
    form.AddChild(new FakeChild(TWindowKind::Diagram, ""));
    QVERIFY(!form.Action("OverlayPlot1")->isEnabled());
    QVERIFY(form.Action("Copy1")->isEnabled());
}

void TestMainWindow::editDispatch_data() {
    QTest::addColumn<TWindowKind>("kind");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("deck") << TWindowKind::Deck
                          << QStringList{"cut",  "copy",     "paste",   "clear",
                                         "find", "again 10", "replace", "again 01"};
    QTest::newRow("annotated text")
        << TWindowKind::AnnotatedText
        << QStringList{"cut", "copy", "paste", "clear", "find", "again 10", "replace", "again 01"};
    QTest::newRow("viewer") << TWindowKind::Listing
                            << QStringList{"copy", "find", "again 10", "again 10"};
    QTest::newRow("plot") << TWindowKind::Plot << QStringList{"copy"};
    QTest::newRow("table") << TWindowKind::Table
                           << QStringList{"cut", "copy", "paste", "clear", "again 00", "again 00"};
    QTest::newRow("diagram") << TWindowKind::Diagram << QStringList{};
}

void TestMainWindow::editDispatch() {
    QFETCH(TWindowKind, kind);
    QFETCH(QStringList, calls);
    TKOLSHELLFORM form;
    auto* c = new FakeChild(kind, "/p/RUN.DCK");
    form.AddChild(c);
    form.Editing().Cut1Click();
    form.Editing().Copy1Click();
    form.Editing().Paste1Click();
    form.Editing().Clear1Click();
    form.Editing().Find1Click();
    form.Editing().SearchAgain1Click();
    form.Editing().Replace1Click();
    form.Editing().SearchAgain1Click();
    QCOMPARE(c->calls, calls);
}

void TestMainWindow::realWindowsEditCommands_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("commands"); // Cut, Copy, Paste, Clear, Find, Replace, Search Again
    QTest::newRow("editor") << "editor"
                            << "XCPLFRA";
    QTest::newRow("viewer") << "viewer"
                            << ".C..F.A";
    QTest::newRow("form") << "form"
                          << "XCPL...";
    QTest::newRow("plot") << "plot"
                          << ".C.....";
    QTest::newRow("table") << "table"
                           << "XCPL..A";
    QTest::newRow("diagram") << "diagram"
                             << "";
}

void TestMainWindow::realWindowsEditCommands() {
    QFETCH(QString, window);
    QFETCH(QString, commands);
    std::unique_ptr<TChildForm> w;
    if (window == "editor") w.reset(new TEditForm);
    if (window == "viewer") w.reset(new TViewForm);
    if (window == "form") w.reset(new TKOLSEDForm);
    if (window == "plot") w.reset(new TPlotForm);
    if (window == "table") w.reset(new TTableForm);
    if (window == "diagram") w.reset(new TDiagramForm);
    const std::optional<TEditCommands> answer = w->EditCommands();
    QCOMPARE(answer.has_value(), !commands.isEmpty());
    if (!answer) return;
    QString got;
    const char* letters = "XCPLFRA";
    for (int i = 0; i < 7; ++i)
        got += answer->Has(TEditCommand(i)) ? letters[i] : '.';
    QCOMPARE(got, commands);
}

void TestMainWindow::disposeWindows() {
    TKOLSHELLFORM form;
    form.AddChild(new FakeChild(TWindowKind::Listing, "a.lst"));
    form.AddChild(new FakeChild(TWindowKind::Listing, "b.lst"));
    form.AddChild(new FakeChild(TWindowKind::Deck, "/p/RUN.DCK"));
    form.Action("Listing1")->setText("Listing a.lst");
    form.Action("Listing1")->setEnabled(true);
    form.Action("Input1")->setEnabled(true);
    Globals().InputFileName = "/p/RUN.DCK";
    form.DisposeKOLVANWindows(TWindowKind::Listing);
    QCOMPARE(form.Children().size(), 1);
    QCOMPARE(form.Action("Listing1")->text(), QString("Listing"));
    QVERIFY(!form.Action("Listing1")->isEnabled());
    form.DisposeKOLVANWindows(TWindowKind::Deck);
    QVERIFY(form.Children().isEmpty());
    QVERIFY(Globals().InputFileName.empty());
    QVERIFY(!form.Action("Input1")->isEnabled());
    QVERIFY(!CurrentChild);
}

void TestMainWindow::missingDefaults() {
    QFile::remove(tmp_->path() + "/KOLSHELL.DFT");
    MsgRecorder rec;
    TKOLSHELLFORM form;
    QVERIFY(!form.StartedOk());
    QCOMPARE(rec.Texts(), std::vector<std::string>{"Please copy the KOLSHELL.DFT file into the " +
                                                   Globals().KolshellDir + " directory."});
    QCOMPARE(rec.Shown[0].Kind, MsgKind::Error);
    QVERIFY(rec.Shown[0].Beep);
}

void TestMainWindow::exitSavesRecentFiles() {
    const QString fnl = tmp_->path() + "/.state/kolshell/KOLSHELL.FNL";
    {
        TKOLSHELLFORM form;
        form.show();
        form.Documents().FileNameList.Add("/p/ONE.DCK");
        form.Documents().FileNameList.Add("/p/TWO.DCK");
        form.Action("Exit1")->trigger();
    }
    QCOMPARE(ReadTestFile(fnl.toStdString()), std::string("/p/ONE.DCK\r\n/p/TWO.DCK\r\n"));
    TKOLSHELLFORM again;
    QCOMPARE(again.Documents().FileNameList.Names().size(), size_t(2));
}

void TestMainWindow::closeBoxSavesRecentFiles() {
    {
        TKOLSHELLFORM form;
        form.show();
        form.Documents().FileNameList.Add("/p/ONE.DCK");
        QVERIFY(form.close()); // what the close box does
    }
    QCOMPARE(ReadTestFile(tmp_->path().toStdString() + "/.state/kolshell/KOLSHELL.FNL"),
             std::string("/p/ONE.DCK\r\n"));
    QVERIFY(!QFile::exists(tmp_->path() + "/KOLSHELL.FNL"));
}

void TestMainWindow::failedRecentListSaveSaysSo() {
    MsgRecorder rec;
    TKOLSHELLFORM form;
    form.show();
    form.Documents().FileNameList.Add("/p/ONE.DCK");
    const std::string fnl = StateFileToRead("KOLSHELL.FNL");
    QVERIFY(QDir().mkpath(QString::fromStdString(fnl))); // a folder where the list goes
    form.Action("Exit1")->trigger();
    QCOMPARE(rec.Texts(), std::vector<std::string>{"File " + fnl +
                                                   " could not be written: the recent-file list "
                                                   "is not kept."});
    QCOMPARE(rec.Shown[0].Kind, MsgKind::Error);
}

void TestMainWindow::closeQueryKeepsProgram() {
    TKOLSHELLFORM form;
    form.show();
    auto* c = new FakeChild(TWindowKind::Deck, "/p/RUN.DCK");
    c->refuseClose = true;
    form.AddChild(c);
    form.Exit1Click();
    QVERIFY(form.isVisible());
    QCOMPARE(form.Children().size(), 1);
    QVERIFY(!FileExists(StateFileToRead("KOLSHELL.FNL")));
}

void TestMainWindow::plotProbe() {
    TKOLSHELLFORM form;
    const std::string deck = WriteTestFile(tmp_->path(), "RUN.DCK", "");
    Globals().InputFileName = deck;
    form.Plots().Plot1Popup();
    QVERIFY(!form.Action("NewPlot1")->isEnabled());
    WriteTestFile(tmp_->path(), "RUN.OUT", "");
    form.Plots().Plot1Popup();
    QVERIFY(form.Action("NewPlot1")->isEnabled());
}

void TestMainWindow::helpMenu_data() {
    QTest::addColumn<bool>("kolsed");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("page");
    QTest::newRow("KOLSHELL Index") << false << "KOLVANIndex1"
                                    << "index.html";
    QTest::newRow("KOLSED Help") << true << "KOLVANIndex1"
                                 << "kolsed.html";
    QTest::newRow("Types Index") << false << "TypesIndex1"
                                 << "types.html";
    QTest::newRow("KOLVAN Index") << false << "KOLVANIndex2"
                                  << "engine.html";
    QTest::newRow("Error Messages") << false << "KOLVANErrorMessges1"
                                    << "errors.html";
    QTest::newRow("Using Help") << false << "UsingHelp1"
                                << "usinghelp.html";
}

void TestMainWindow::helpMenu() {
    QFETCH(bool, kolsed);
    QFETCH(QString, action);
    QFETCH(QString, page);
    Globals().KolsedOnlyMode = kolsed;
    CopyHelp(tmp_->path());
    MsgRecorder msgs;
    TKOLSHELLFORM form;
    form.Action(action)->trigger();
    QVERIFY(form.Help().HelpWindow()->isVisible());
    QCOMPARE(form.Help().HelpWindow()->CurrentPage(), page);
    QVERIFY(!form.Help().HelpWindow()->Browser()->toPlainText().isEmpty());
    QVERIFY(msgs.Shown.empty());
}

void TestMainWindow::everyHelpContextHasPage() {
    CopyHelp(tmp_->path());
    TKOLSHELLFORM form;
    THelpWindow* help = form.Help().HelpWindow();
    const QString dir = tmp_->path() + "/help";
    int checked = 0;
    for (QObject* o : form.findChildren<QObject*>()) {
        const QVariant c = o->property("HelpContext");
        if (!c.isValid() || c.toInt() == 0) continue;
        const QString page = help->PageOfContext(c.toInt());
        QVERIFY2(!page.isEmpty(), qPrintable(o->objectName() + " " + c.toString()));
        QVERIFY2(PageExists(dir, page), qPrintable(page));
        ++checked;
    }
    QVERIFY2(checked > 50, qPrintable(QString::number(checked)));
    for (const char* dialog : {"TSetupDlg", "TPrintDlg", "TIndexDlg", "TAddHelpDlg", "THelpDlg",
                               "TFindDialog", "TMakeKOLSEDDlg", "TNewTableDlg", "TAlterValuesDlg",
                               "TInsertRunsDlg", "TPlotSetup", "TModPlot", "TAboutBox"}) {
        const QString page = help->PageOfClass(dialog);
        QVERIFY2(PageExists(dir, page), dialog);
    }
    // Every link between the pages leads somewhere.
    static const QRegularExpression link("href=\"([a-z]+\\.html(#[a-z0-9]+)?)\"");
    for (QDirIterator it(dir, {"*.html"}, QDir::Files); it.hasNext();) {
        QFile f(it.next());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(f.readAll());
        for (auto m = link.globalMatch(html); m.hasNext();) {
            const QString target = m.next().captured(1);
            QVERIFY2(PageExists(dir, target), qPrintable(it.fileName() + " -> " + target));
        }
    }
}

void TestMainWindow::missingHelpSaysSo() {
    MsgRecorder msgs;
    TKOLSHELLFORM form;
    form.Action("KOLVANIndex1")->trigger();
    QCOMPARE(msgs.Texts(), std::vector<std::string>{"File " + tmp_->path().toStdString() +
                                                    "/help/index.html was not found."});
    QVERIFY(!form.Help().HelpWindow()->isVisible());
}

void TestMainWindow::f1OnMenuItemAndDialog() {
    CopyHelp(tmp_->path());
    TKOLSHELLFORM form;
    form.show();
    QMenu* file = form.Menu("File1");
    file->popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(file));
    file->setActiveAction(form.Action("Open1"));
    QTest::keyClick(file, Qt::Key_F1);
    QCOMPARE(form.Help().HelpWindow()->CurrentPage(), QString("file.html#open"));
    file->hide();
    TAboutBox about(false, &form);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::keyClick(&about, Qt::Key_F1);
    QCOMPARE(form.Help().HelpWindow()->CurrentPage(), QString("helpmenu.html#about"));
}

// F1 in a modal dialog (Setup): the help shows above the dialog as one of its windows, open
// to the user while the dialog is; after the dialog it stays, a window of its own.
void TestMainWindow::f1InModalDialogShowsHelpAbove() {
    CopyHelp(tmp_->path());
    WriteTestFile(tmp_->path(), "CNFGKV.KOL", "head\r\nY\r\nN\r\nY\r\nN\r\nY\r\nN\r\nY\r\n");
    TKOLSHELLFORM form;
    form.show();
    QPointer<THelpWindow> help = form.Help().HelpWindow();
    bool above = false, transient = false;
    QTimer::singleShot(0, &form, [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!modal) return;
        QTest::keyClick(modal, Qt::Key_F1);
        above = help->isVisible() && help->isWindow() && help->parentWidget() == modal &&
                help->windowModality() == Qt::NonModal;
        transient = help->windowHandle() &&
                    help->windowHandle()->transientParent() == modal->windowHandle();
        modal->reject();
    });
    TSetupDlg setup(&form);
    QVERIFY(setup.Execute());
    QVERIFY(above);
    QVERIFY(transient);
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QVERIFY(!help->parentWidget());
}

void TestMainWindow::helpSearchAndHistory() {
    CopyHelp(tmp_->path());
    TKOLSHELLFORM form;
    THelpWindow* help = form.Help().HelpWindow();
    const QStringList found = help->Search("PDF printer");
    QVERIFY2(found.contains("Printing"), qPrintable(found.join("|")));
    QVERIFY(!found.contains("Plot menu"));
    QVERIFY(help->Search("nowhere-to-be-found").isEmpty());
    help->ShowPage("plots.html");
    help->ShowContext(45);
    QCOMPARE(help->CurrentPage(), QString("printing.html#select"));
    help->findChild<QToolButton*>("BackBtn")->click();
    QCOMPARE(help->CurrentPage(), QString("plots.html"));
    help->findChild<QToolButton*>("ForwardBtn")->click();
    QCOMPARE(help->CurrentPage(), QString("printing.html#select"));
    auto* index = help->findChild<QListWidget*>("IndexList");
    QVERIFY(index->count() > 50);
}

void TestMainWindow::website_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<bool>("browser");
    QTest::addColumn<QString>("address");
    QTest::newRow("built in, browser") << "" << true << "https://www.kolvan.org/";
    QTest::newRow("configured, no browser") << "Website=https://example.org/kolvan\n"
                                            << false << "https://example.org/kolvan";
}

void TestMainWindow::website() {
    QFETCH(QString, ini);
    QFETCH(bool, browser);
    QFETCH(QString, address);
    if (!ini.isEmpty()) WriteTestFile(tmp_->path(), "KOLSHELL.INI", ini.toStdString());
    MsgRecorder msgs;
    TKOLSHELLFORM form;
    QStringList opened;
    form.Help().OpenUrl = [&](const QUrl& u) {
        opened << u.toString();
        return browser;
    };
    form.Action("Website")->trigger();
    QCOMPARE(opened, QStringList{address});
    if (browser) {
        QVERIFY(msgs.Shown.empty());
    } else {
        QCOMPARE(msgs.Texts(), std::vector<std::string>{
                                   "No web browser could be started. The KOLVAN website is at " +
                                   address.toStdString()});
    }
}

void TestMainWindow::kolsedByProgramName_data() {
    QTest::addColumn<QString>("startedAs");
    QTest::addColumn<bool>("kolsed");
    QTest::newRow("installed link") << "/usr/bin/kolsed" << true;
    QTest::newRow("program directory") << "/usr/lib/kolshell/kolshell" << false;
    QTest::newRow("copy under a kolsed folder") << "/home/ann/kolsed-work/bin/kolshell" << false;
    QTest::newRow("link under a kolsed folder") << "/srv/KOLSED/kolshell" << false;
    QTest::newRow("own name in any case") << "/opt/kolshell.d/KolSed32" << true;
}

void TestMainWindow::kolsedByProgramName() {
    QFETCH(QString, startedAs);
    QFETCH(bool, kolsed);
    QCOMPARE(IsKolsedProgramName(startedAs.toStdString()), kolsed);
}

void TestMainWindow::installedProgramDir() {
    // The program directory holds the defaults; what the program writes goes to the user's
    // configuration and state folders, whether the program directory is writable or not.
    const std::string dft = EncodeDFT(DefaultSettings());
    WriteTestFile(tmp_->path(), "CNFGKV.KOL", "switches\r\nY\r\nN\r\n");
    const std::string config = tmp_->path().toStdString() + "/.config/kolshell/";
    const std::string state = tmp_->path().toStdString() + "/.state/kolshell/";
    {
        MsgRecorder msgs;
        TKOLSHELLFORM form;
        form.CreateDialogs();
        QVERIFY(form.SetupDlg()->FormActivate());
        form.SetupDlg()->findChild<QRadioButton*>("SecondaryUnits")->setChecked(true);
        form.SetupDlg()->findChild<QPushButton*>("Store")->click();
        form.Documents().ReadaFile(WriteTestFile(tmp_->path(), "NOTE.TXT", "x\n"));
        form.Exit1Click();
        QVERIFY2(msgs.Shown.empty(), msgs.Shown.empty() ? "" : msgs.Texts()[0].c_str());
    }
    QCOMPARE(ReadTestFile(Globals().KolshellDir + "/KOLSHELL.DFT"), dft);
    QVERIFY(!FileExists(Globals().KolshellDir + "/KOLSHELL.FNL"));
    QVERIFY(!FileExists(Globals().KolshellDir + "/CNFGKV.BAK"));
    QVERIFY(FileExists(state + "KOLSHELL.FNL"));
    QVERIFY(FileExists(config + "CNFGKV.KOL"));
    QVERIFY(FileExists(config + "RUNS.INI"));
    TSettings stored;
    QCOMPARE(DecodeDFT(ReadTestFile(config + "KOLSHELL.DFT"), stored,
                       [](const std::string&) { return true; }),
             DftStatus::Ok);
    QCOMPARE(stored.Options.UnitSystem, 2);
    // Only the two folders: none that differs from them in case.
    QCOMPARE(QDir(tmp_->path() + "/.config").entryList(QDir::Dirs | QDir::NoDotAndDotDot),
             QStringList{"kolshell"});
    Globals().Settings = DefaultSettings();
    TKOLSHELLFORM again; // reads the user's files
    QCOMPARE(Options().UnitSystem, 2);
    QCOMPARE(again.Documents().FileNameList.Names().size(), size_t(1));
}

void TestMainWindow::twoUsersNeverShareState() {
    // Two homes, one program directory: each user keeps the recent files and the settings
    // stored, and sees only their own.
    const QString home[2] = {tmp_->path() + "/home1", tmp_->path() + "/home2"};
    const char* file[2] = {"/p/ONE.DCK", "/p/TWO.DCK"};
    WriteTestFile(tmp_->path(), "CNFGKV.KOL", "switches\r\nY\r\nN\r\n");
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_STATE_HOME");
    const QByteArray oldHome = qgetenv("HOME");
    for (int user = 0; user < 2; ++user) {
        qputenv("HOME", home[user].toUtf8());
        MsgRecorder msgs;
        TKOLSHELLFORM form;
        form.CreateDialogs();
        QVERIFY(form.Documents().FileNameList.Names().empty());
        form.Documents().FileNameList.Add(file[user]);
        QVERIFY(form.SetupDlg()->FormActivate());
        form.SetupDlg()
            ->findChild<QRadioButton*>(user ? "SecondaryUnits" : "PrimaryUnits")
            ->setChecked(true);
        form.SetupDlg()->findChild<QPushButton*>("Store")->click();
        form.Exit1Click();
        QVERIFY(msgs.Shown.empty());
    }
    for (int user = 0; user < 2; ++user) {
        qputenv("HOME", home[user].toUtf8());
        Globals().Settings = DefaultSettings();
        TKOLSHELLFORM form;
        QCOMPARE(form.Documents().FileNameList.Names(), std::vector<std::string>{file[user]});
        QCOMPARE(Options().UnitSystem, user ? 2 : 1);
        QVERIFY(QFile::exists(home[user] + "/.local/state/kolshell/KOLSHELL.FNL"));
        QVERIFY(QFile::exists(home[user] + "/.config/kolshell/KOLSHELL.DFT"));
    }
    QVERIFY(!QFile::exists(tmp_->path() + "/KOLSHELL.FNL"));
    qputenv("HOME", oldHome);
}

void TestMainWindow::earlierRecentListKept() {
    // The recent-file list an earlier version kept with the settings is read, and kept from
    // then on in the state folder.
    QVERIFY(QDir(tmp_->path()).mkpath(".config/kolshell"));
    WriteTestFile(tmp_->path() + "/.config/kolshell", "KOLSHELL.FNL", "/p/OLD.DCK\r\n");
    {
        TKOLSHELLFORM form;
        QCOMPARE(form.Documents().FileNameList.Names(), std::vector<std::string>{"/p/OLD.DCK"});
        form.Exit1Click();
    }
    QCOMPARE(ReadTestFile(tmp_->path().toStdString() + "/.state/kolshell/KOLSHELL.FNL"),
             std::string("/p/OLD.DCK\r\n"));
}

void TestMainWindow::unwritableHome() {
    // A home where no folder can be made (a file stands in its place, which stops even the
    // superuser): the message says what could not be written.
    const QString home = tmp_->path() + "/home";
    WriteTestFile(tmp_->path(), "home", "not a folder\n");
    WriteTestFile(tmp_->path(), "CNFGKV.KOL", "switches\r\nY\r\nN\r\n");
    qputenv("XDG_CONFIG_HOME", (home + "/.config").toUtf8());
    qputenv("XDG_STATE_HOME", (home + "/.state").toUtf8());
    MsgRecorder msgs;
    {
        TKOLSHELLFORM form;
        form.CreateDialogs();
        form.Documents().FileNameList.Add("/p/ONE.DCK");
        QVERIFY(form.SetupDlg()->FormActivate());
        form.SetupDlg()->findChild<QPushButton*>("Store")->click();
        form.Exit1Click();
    }
    QStringList texts;
    for (const std::string& t : msgs.Texts())
        texts << QString::fromStdString(t);
    QVERIFY2(texts.size() >= 2, qPrintable(texts.join("\n")));
    QCOMPARE(texts.first(), "The folder " + home +
                                "/.config/kolshell could not be made (Not a directory), so the "
                                "settings and the recent-file list cannot be kept.");
    QCOMPARE(texts.last(), "The folder " + home +
                               "/.state/kolshell could not be made (Not a directory), so the "
                               "settings and the recent-file list cannot be kept.");
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
