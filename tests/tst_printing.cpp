// Printing: the job's margin, line advance and page breaks, the Select Windows to Print
// dialog, and the windows' print routines, printed to PDF files.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/widgets/printjob.h"
#include "kolsed/widgets/kolsedform.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/helpviewer.h"
#include "shell/widgets/printdlg.h"
#include "table/tableedits.h"
#include "table/widgets/tableform.h"
#include "tests/support/testsupport.h"

#include <QLabel>
#include <QListWidget>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QtTest>

using namespace kolshell;

namespace {

int PdfPages(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    return int(QString::fromLatin1(f.readAll()).count(QRegularExpression("/Type\\s*/Page[^s]")));
}

// A plot stand-in: a frame of a fixed height, and whether "Please wait" was up meanwhile.
class FakePlot : public TChildForm {
  public:
    FakePlot() : TChildForm(TWindowKind::Plot) {
        setWidget(new QWidget);
        setWindowTitle("Plot 1: from RUN.OUT");
    }
    int PrintHeight(TPrintJob& job) override { return job.PageHeight() / 3; }
    bool Print(TPrintJob& job) override {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->windowTitle() == "Please wait" && w->isVisible()) sawProgress = true;
        job.Canvas().drawRect(job.PrintX(), job.PrintY(), 100, PrintHeight(job));
        return true;
    }
    bool sawProgress = false;
};

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void marginsAndPages_data();
    void marginsAndPages();
    void dialogLists();
    void windowsInOneJob();
    void wideTable();
    void formSkipsSwitchedOffGroups();
    void formPictureBelowItsLine();
    void noEmptyLastPage_data();
    void noEmptyLastPage();
    void failedStartSaysSo();
    void cancelledPrintDialog();
    void pdfWithoutPrinter();
    void helpButton();

  private:
    // File, Print with every window chosen and OK pressed; true when the dialog closed.
    bool PrintAll(TKOLSHELLFORM& main);
    std::unique_ptr<TestFolder> dir_;
    std::unique_ptr<MsgRecorder> msgs_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
};

void TestPrinting::init() {
    dir_ = std::make_unique<TestFolder>();
    FreshProgramDir(*dir_);
    msgs_ = std::make_unique<MsgRecorder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    CurrentPrinter().setOutputFormat(QPrinter::PdfFormat);
    CurrentPrinter().setOutputFileName(dir_->Dir.path() + "/out.pdf");
}

void TestPrinting::cleanup() {
    dialogs_.reset(); // before the next test installs its own
    msgs_.reset();
}

void TestPrinting::marginsAndPages_data() {
    QTest::addColumn<bool>("landscape");
    QTest::newRow("portrait") << false;
    QTest::newRow("landscape") << true;
}

void TestPrinting::marginsAndPages() {
    QFETCH(bool, landscape);
    QPdfWriter pdf(dir_->Dir.path() + "/job.pdf");
    pdf.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    TPrintJob job(&pdf);
    QCOMPARE(job.Margin(), (landscape ? pdf.width() : pdf.height()) / 11);
    QCOMPARE(job.PrintX(), job.Margin() / 2);
    QCOMPARE(job.PrintY(), job.Margin() / 4 + 3 * job.LineHeight());
    // Lines until the bottom margin is passed: a new page, its text at margin + the step.
    int lines = 0;
    while (job.PageNumber() == 1) {
        job.Advance(job.LineHeight());
        ++lines;
    }
    QVERIFY(lines > 10);
    QCOMPARE(job.PrintY(), job.Margin() + job.LineHeight());
    job.ForceNewPage(); // the new page is still empty: no second one
    QCOMPARE(job.PageNumber(), 2);
    job.Text(job.PrintX(), job.PrintY(), "on page 2");
    job.ForceNewPage();
    QCOMPARE(job.PageNumber(), 3);
}

void TestPrinting::dialogLists() {
    TKOLSHELLFORM main;
    main.Documents().ReadaFile(dir_->Write("A.TXT", "a\n"));
    TPrintDlg only(&main);
    only.FormActivate(main.Children(), CurrentChild.data());
    QCOMPARE(only.DstList->count(), 1);
    QCOMPARE(only.DstList->item(0)->text(), QString("A.TXT"));
    QVERIFY(!only.IncludeBtn->isEnabled());
    QVERIFY(!only.IncAllBtn->isEnabled());
    main.Documents().ReadaFile(dir_->Write("C.TXT", "c\n"));
    main.Documents().ReadaFile(dir_->Write("B.TXT", "b\n"));
    TPrintDlg dlg(&main);
    dlg.FormActivate(main.Children(), CurrentChild.data());
    QCOMPARE(dlg.SrcList->item(0)->text(), QString("A.TXT")); // sorted
    QCOMPARE(dlg.SrcList->item(1)->text(), QString("C.TXT"));
    dlg.IncAllBtn->click();
    QCOMPARE(dlg.DstList->item(2)->text(), QString("C.TXT"));
    QVERIFY(!dlg.IncludeBtn->isEnabled());
    dlg.DstList->item(0)->setSelected(true);
    dlg.ExcludeBtn->click();
    QCOMPARE(dlg.SrcList->count(), 1);
    QCOMPARE(dlg.DstList->currentItem()->text(), QString("A.TXT"));
    QCOMPARE(ShortCaption("Plot 2: from C:\\RUN\\X.OUT"), QString("Plot 2"));
    QCOMPARE(ShortCaption("C:\\RUN\\DECK.DCK"), QString("DECK.DCK"));
}

void TestPrinting::windowsInOneJob() {
    TKOLSHELLFORM main;
    std::string longText;
    for (int i = 1; i <= 150; ++i)
        longText += "line " + std::to_string(i) + "\n";
    main.Documents().ReadaFile(dir_->Write("LONG.TXT", longText));
    main.Documents().ReadaFile(dir_->Write("SHORT.TXT", "one\n"));
    bool ran = false;
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TPrintDlg&>(d);
        dlg.IncAllBtn->click();
        dlg.OKBtn->click();
        ran = true;
    };
    main.Documents().Print1Click();
    QVERIFY(ran);
    const int pages = PdfPages(dir_->Dir.path() + "/out.pdf");
    QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
}

void TestPrinting::wideTable() {
    // Forty columns do not fit one page: they print in bands, and printing ends.
    std::vector<std::string> names;
    for (int i = 1; i <= 40; ++i)
        names.push_back("VARIABLE" + std::to_string(i));
    TTableForm table;
    table.SetTable(NewDeckTable(dir_->Path("D.DCK"), names, 3));
    QPdfWriter pdf(dir_->Dir.path() + "/table.pdf");
    TPrintJob job(&pdf);
    const int y0 = job.PrintY();
    QVERIFY(table.Print(job));
    // More than one band of header + 3 runs each.
    QVERIFY(job.PrintY() - y0 > 8 * job.LineHeight());
}

void TestPrinting::formSkipsSwitchedOffGroups() {
    for (const char* f : {"DEMO.KSD", "VALVES.DAT", "DEMO.BMP"})
        CopyDemo(f, dir_->Dir.path() + "/" + f);
    TKOLSEDForm form;
    QVERIFY(form.ReadDeck(dir_->Path("DEMO.KSD")));
    auto printed = [&form, this] {
        QPdfWriter pdf(dir_->Dir.path() + "/form.pdf");
        TPrintJob job(&pdf);
        const int y0 = job.PrintY();
        form.Print(job);
        return job.PrintY() - y0 + (job.PageNumber() - 1) * job.PageHeight();
    };
    const int all = printed();
    QVERIFY(all > 0);
    form.findChild<QRadioButton*>("START.1")->click(); // "Partly filled" goes off
    const int fewer = printed();
    QVERIFY2(fewer < all, qPrintable(QString("%1 %2").arg(fewer).arg(all)));
}

// A picture prints below the line printed before it, not over it.
void TestPrinting::formPictureBelowItsLine() {
    const auto advance = [this](const std::string& deck, int* pictureHeight) {
        TKOLSEDForm form;
        if (!form.ReadDeck(dir_->Write("P.KSD", deck))) return -1;
        for (QLabel* l : form.findChildren<QLabel*>())
            if (!l->pixmap().isNull()) *pictureHeight = l->pixmap().height();
        QPdfWriter pdf(dir_->Dir.path() + "/form.pdf");
        TPrintJob job(&pdf);
        const int y0 = job.PrintY();
        form.Print(job);
        return int(job.PrintY() - y0 - *pictureHeight * job.Scale());
    };
    int none = 0, height = 0;
    const int line = advance("*KOLSED\n*|*Heading\nEND\n", &none);
    const int withPicture = advance("*KOLSED\n*|*Heading\n*|<PICTURE> \"Text\"\nEND\n", &height);
    QVERIFY(line > 0);
    QVERIFY(height > 0);
    QVERIFY2(withPicture >= 2 * line, qPrintable(QString("%1 %2").arg(withPicture).arg(line)));
}

bool TestPrinting::PrintAll(TKOLSHELLFORM& main) {
    bool accepted = false;
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TPrintDlg&>(d);
        dlg.IncAllBtn->click();
        dlg.OKBtn->click();
        accepted = dlg.result() == QDialog::Accepted;
    };
    main.Action("Print1")->trigger();
    return accepted;
}

void TestPrinting::noEmptyLastPage_data() {
    QTest::addColumn<QStringList>("windows");
    QTest::addColumn<int>("pages");
    QTest::newRow("a plot alone") << QStringList{"plot"} << 1;
    QTest::newRow("text, then a plot") << QStringList{"text", "plot"} << 1;
    QTest::newRow("two plots") << QStringList{"plot", "plot"} << 2;
    QTest::newRow("a plot, then text") << QStringList{"plot", "text"} << 2;
    QTest::newRow("text to the foot of a page") << QStringList{"page"} << 1;
}

void TestPrinting::noEmptyLastPage() {
    QFETCH(QStringList, windows);
    QFETCH(int, pages);
    TKOLSHELLFORM main;
    QList<TChildForm*> list;
    for (const QString& w : windows) {
        if (w == "plot") {
            auto* plot = new FakePlot;
            main.AddChild(plot);
            list << plot;
            continue;
        }
        auto* text = new TEditForm;
        main.AddChild(text);
        QVERIFY(text->Open(dir_->Write("T.TXT", "one line\n")));
        list << text;
    }
    if (windows == QStringList{"page"}) {
        // As many lines as fill the first page exactly, with the advance after the window.
        TPrintJob job(&CurrentPrinter()); // the same page as the job below; out.pdf is rewritten
        int lines = 0;
        while (job.PageNumber() == 1) {
            job.Advance(job.LineHeight());
            ++lines;
        }
        auto* text = static_cast<TEditForm*>(list.first());
        QVERIFY(text->Open(dir_->Write("T.TXT", std::string(size_t(lines - 2), '\n'))));
    }
    QVERIFY(PrintWindows(list));
    QCOMPARE(PdfPages(dir_->Dir.path() + "/out.pdf"), pages);
}

void TestPrinting::failedStartSaysSo() {
    TKOLSHELLFORM main;
    auto* plot = new FakePlot;
    main.AddChild(plot);
    CurrentPrinter().setOutputFileName(dir_->Dir.path() + "/no such folder/out.pdf");
    QVERIFY(!PrintAll(main)); // the choice stays open
    QCOMPARE(msgs_->Texts(), std::vector<std::string>{"Printing could not start: " +
                                                      dir_->Path("no such folder/out.pdf") +
                                                      " could not be opened."});
    QCOMPARE(msgs_->Shown.back().Kind, MsgKind::Error);
}

void TestPrinting::cancelledPrintDialog() {
    TKOLSHELLFORM main;
    main.Documents().ReadaFile(dir_->Write("A.TXT", "a\n"));
    dialogs_->PrintAnswer = false;
    QVERIFY(!PrintAll(main));
    QVERIFY(!QFile::exists(dir_->Dir.path() + "/out.pdf"));
    QVERIFY(msgs_->Shown.empty());
}

void TestPrinting::pdfWithoutPrinter() {
    if (!QPrinterInfo::availablePrinters().isEmpty()) QSKIP("this machine has a printer");
    CurrentPrinter().setOutputFileName(QString());
    CurrentPrinter().setOutputFormat(QPrinter::NativeFormat);
    TKOLSHELLFORM main;
    const std::string deck = dir_->Write("RUN.DCK", "* a deck\nEND\n");
    main.Documents().ReadaFile(deck);
    auto* plot = new FakePlot;
    main.AddChild(plot);
    QVERIFY(PrintAll(main));
    QCOMPARE(dialogs_->PrintFiles, QStringList{dir_->Dir.path() + "/RUN.PDF"});
    QCOMPARE(PdfPages(dir_->Dir.path() + "/RUN.PDF"), 2);
    QVERIFY(plot->sawProgress);
    // The next deck's print proposes its own name; a file the user chose stays chosen.
    main.Documents().ReadaFile(dir_->Write("OTHER.DCK", "END\n"));
    QVERIFY(PrintAll(main));
    QCOMPARE(dialogs_->PrintFiles.last(), dir_->Dir.path() + "/OTHER.PDF");
    CurrentPrinter().setOutputFileName(dir_->Dir.path() + "/MINE.PDF");
    QVERIFY(PrintAll(main));
    QCOMPARE(dialogs_->PrintFiles.last(), dir_->Dir.path() + "/MINE.PDF");
}

void TestPrinting::helpButton() {
    std::vector<int> shown;
    TKOLSHELLFORM main; // installs its own handler, replaced here
    HelpContextHandler old = SetHelpContextHandler([&](int c) { shown.push_back(c); });
    main.Documents().ReadaFile(dir_->Write("A.TXT", "a\n"));
    main.ExecDialog = [](QDialog& d) { static_cast<TPrintDlg&>(d).HelpBtn->click(); };
    main.Action("Print1")->trigger();
    SetHelpContextHandler(old);
    QCOMPARE(shown, std::vector<int>{45});
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
