// Printing: the job's margin, line advance and page breaks, the Select Windows to Print
// dialog, and the windows' print routines, printed to PDF files.
#include "app/kolshellform.h"
#include "common/globals.h"
#include "common/widgets/printjob.h"
#include "kolsed/widgets/kolsedform.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/printdlg.h"
#include "table/tableedits.h"
#include "table/widgets/tableform.h"
#include "tests/support/testsupport.h"

#include <QListWidget>
#include <QPdfWriter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QtTest>

namespace {

int PdfPages(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    return int(QString::fromLatin1(f.readAll()).count(QRegularExpression("/Type\\s*/Page[^s]")));
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void marginsAndPages_data();
    void marginsAndPages();
    void dialogLists();
    void windowsInOneJob();
    void wideTable();
    void formSkipsSwitchedOffGroups();

  private:
    std::unique_ptr<TestFolder> dir_;
    std::unique_ptr<MsgRecorder> msgs_;
};

void TestPrinting::init() {
    dir_ = std::make_unique<TestFolder>();
    FreshProgramDir(*dir_);
    msgs_ = std::make_unique<MsgRecorder>();
    CurrentPrinter().setOutputFormat(QPrinter::PdfFormat);
    CurrentPrinter().setOutputFileName(dir_->Dir.path() + "/out.pdf");
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
    job.ForceNewPage();
    QCOMPARE(job.PageNumber(), 3);
}

void TestPrinting::dialogLists() {
    TKOLSHELLFORM main;
    main.ReadaFile(dir_->Write("A.TXT", "a\n"));
    TPrintDlg only(&main);
    only.FormActivate(main.Children(), CurrentChild.data());
    QCOMPARE(only.DstList->count(), 1);
    QCOMPARE(only.DstList->item(0)->text(), QString("A.TXT"));
    QVERIFY(!only.IncludeBtn->isEnabled());
    QVERIFY(!only.IncAllBtn->isEnabled());
    main.ReadaFile(dir_->Write("C.TXT", "c\n"));
    main.ReadaFile(dir_->Write("B.TXT", "b\n"));
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
    main.ReadaFile(dir_->Write("LONG.TXT", longText));
    main.ReadaFile(dir_->Write("SHORT.TXT", "one\n"));
    bool ran = false;
    main.ExecDialog = [&](QDialog& d) {
        auto& dlg = static_cast<TPrintDlg&>(d);
        dlg.IncAllBtn->click();
        dlg.OKBtn->click();
        ran = true;
    };
    main.Print1Click();
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
    const QString demo = qEnvironmentVariable("KOLSHELL_SOURCE") + "/demo/";
    for (const char* f : {"DEMO.KSD", "VALVES.DAT", "DEMO.BMP"})
        QFile::copy(demo + f, dir_->Dir.path() + "/" + f);
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

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
