// The plot window: its frame, drawing of lines and symbols in their colours, dragging and
// resizing the frame, the double click, and printing plots each on their own page.
#include "common/codecs.h"
#include "common/globals.h"
#include "common/widgets/printjob.h"
#include "plot/widgets/plotform.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/printdlg.h"
#include "tests/support/bytes.h"
#include "tests/support/testsupport.h"

#include <QElapsedTimer>
#include <QPdfWriter>
#include <QPrinter>
#include <QRegularExpression>
#include <QtTest>

namespace {

// One line from (0,0) to (10,10) in eleven points, axes 0..10.
TPlotDef Diagonal(int lineStyle, int symbol, int colour) {
    TPlotDef d;
    d.NLines = 1;
    for (int a = 0; a < 2; ++a) {
        d.AxisMin[size_t(a)] = 0;
        d.AxisMax[size_t(a)] = 10;
        d.Ticks[size_t(a)] = 5;
        d.NumStyle[size_t(a)] = 1;
        d.NumDigits[size_t(a)] = 0;
    }
    TPlotLine& l = d.Lines[0];
    l.NPoints = 11;
    l.LineStyle = lineStyle;
    l.Symbol = symbol;
    l.Colour = colour;
    l.ColName = {"X", "Y"};
    for (int k = 0; k <= 10; ++k) {
        l.XValues.push_back(EncodeReal48(k));
        l.YValues.push_back(EncodeReal48(k));
    }
    return d;
}

// Pixels of the colour inside the frame (the outline left out).
int CountColour(TPlotForm& plot, QColor c) {
    QImage image = plot.findChild<QWidget*>("PlotCanvas")->grab().toImage();
    const QRect inside = plot.Frame().adjusted(2, 2, -2, -2);
    int n = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            n += QColor(image.pixel(x, y)) == c;
    return n;
}

} // namespace

class TestPlotForm : public QObject {
    Q_OBJECT
  private slots:
    void frameAndColours();
    void drawing_data();
    void drawing();
    void dragAndResize();
    void doubleClick();
    void printing();
    void hostileFieldsBounded();
};

void TestPlotForm::frameAndColours() {
    TPlotForm plot;
    QCOMPARE(plot.size(), QSize(500, 340));
    QCOMPARE(plot.Frame(), QRect(QPoint(100, 20), QPoint(400, 225)));
    QCOMPARE(PlotColour(2), QColor(255, 0, 0));
    QCOMPARE(PlotColour(15), QColor(255, 255, 0));
    QCOMPARE(PlotColour(16), QColor(0, 0, 0));
    QCOMPARE(plot.WindowKind(), wkPlot);
}

void TestPlotForm::drawing_data() {
    QTest::addColumn<int>("lineStyle");
    QTest::addColumn<int>("symbol");
    QTest::addColumn<int>("colour");
    QTest::addColumn<bool>("coloured");
    QTest::newRow("red line") << 1 << 0 << 2 << true;
    QTest::newRow("blue filled squares") << 0 << 9 << 1 << true;
    QTest::newRow("symbol 16 is a circle") << 0 << 16 << 3 << true;
    QTest::newRow("no line, no symbol") << 0 << 0 << 2 << false;
}

void TestPlotForm::drawing() {
    QFETCH(int, lineStyle);
    QFETCH(int, symbol);
    QFETCH(int, colour);
    QFETCH(bool, coloured);
    TPlotForm plot;
    plot.SetPlot("Plot 1: from X.OUT", Diagonal(lineStyle, symbol, colour));
    plot.show();
    QCOMPARE(CountColour(plot, PlotColour(colour)) > 0, coloured);
}

void TestPlotForm::dragAndResize() {
    TPlotForm plot;
    plot.SetPlot("Plot 1: from X.OUT", Diagonal(1, 0, 0));
    plot.MouseDown(QPoint(200, 100));
    plot.MouseMove(QPoint(230, 120));
    plot.MouseUp(QPoint(230, 120));
    QCOMPARE(plot.Frame(), QRect(QPoint(130, 40), QPoint(430, 245)));
    // The lower right corner handle resizes; past the top left the frame is kept as it is.
    plot.MouseDown(QPoint(425, 240));
    plot.MouseMove(QPoint(100, 30));
    plot.MouseUp(QPoint(100, 30));
    QCOMPARE(plot.Frame().left(), 130);
    QCOMPARE(plot.Frame().right(), 100);
    QCOMPARE(plot.Frame().bottom(), 30);
    // A press outside the frame does nothing.
    plot.MouseDown(QPoint(5, 5));
    plot.MouseMove(QPoint(50, 50));
    plot.MouseUp(QPoint(50, 50));
    QCOMPARE(plot.Frame().left(), 130);
}

void TestPlotForm::doubleClick() {
    TPlotForm plot;
    TPlotForm* asked = nullptr;
    TPlotForm::ModifyRequested = [&asked](TPlotForm* p) { asked = p; };
    plot.MouseDown(QPoint(200, 100));
    plot.DoubleClick();
    plot.MouseUp(QPoint(260, 150));
    TPlotForm::ModifyRequested = nullptr;
    QCOMPARE(asked, &plot);
    QCOMPARE(plot.Frame().topLeft(), QPoint(100, 20)); // no drag
}

void TestPlotForm::printing() {
    QTemporaryDir dir;
    MsgRecorder msgs;
    TPlotForm a, b;
    a.SetPlot("Plot 1: from X.OUT", Diagonal(1, 1, 2));
    b.SetPlot("Plot 2: from X.OUT", Diagonal(2, 0, 1));
    a.show();
    b.show();
    TEditForm text;
    const std::string file = WriteTestFile(dir.path(), "T.TXT", "after the plots\n");
    QVERIFY(text.Open(file));
    {
        QPdfWriter pdf(dir.path() + "/h.pdf");
        TPrintJob job(&pdf);
        const double margin = pdf.height() / 11;
        const QWidget* view = a.findChild<QWidget*>("PlotCanvas")->parentWidget();
        const double s = (pdf.width() - margin) / view->width();
        QCOMPARE(a.PrintHeight(job), int(std::lround((225 - 20 + 100) * s)));
    }
    CurrentPrinter().setOutputFormat(QPrinter::PdfFormat);
    CurrentPrinter().setOutputFileName(dir.path() + "/plots.pdf");
    PrintWindows({&a, &b, &text});
    QFile f(dir.path() + "/plots.pdf");
    QVERIFY(f.open(QIODevice::ReadOnly));
    const int pages =
        int(QString::fromLatin1(f.readAll()).count(QRegularExpression("/Type\\s*/Page[^s]")));
    QCOMPARE(pages, 3); // each plot on its own page, the text on a fresh one
}

// A plot file whose drawing fields ask for 2^31 - 1 minor ticks, ticks, symbol shapes and
// digits opens and paints at once, in bounded memory.
void TestPlotForm::hostileFieldsBounded() {
    QTemporaryDir dir;
    std::string bytes = EncodePlotFile("Plot 1: from X.OUT", Diagonal(1, 1, 2));
    const size_t def = 256, stored = def + 8220; // the definition, then line 1's own record
    for (size_t field : {364, 368, 372, 376})    // MinorTicks and Ticks of X and Y
        Put32(bytes, def + field, INT32_MAX);
    for (size_t digits : {384, 388}) // NumDigits of X and Y, 16 bits each
        bytes[def + digits] = '\xFF', bytes[def + digits + 1] = '\x7F';
    Put32(bytes, stored + 124, INT32_MAX); // LineStyle
    Put32(bytes, stored + 128, INT32_MAX); // Symbol
    Put32(bytes, stored + 132, INT32_MAX); // Colour
    const std::string file = WriteTestFile(dir.path(), "HUGE.KSP", bytes);
    MsgRecorder msgs;
    TPlotForm plot;
    QVERIFY(plot.OpenPlot(file));
    QCOMPARE(plot.Def().MinorTicks[0], INT32_MAX); // kept as the file has it
    plot.show();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(CountColour(plot, Qt::black) > 0);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(msgs.Texts().empty());
}

QTEST_MAIN(TestPlotForm)
#include "tst_plotform.moc"
