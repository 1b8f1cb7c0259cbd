// The plot window: its frame, drawing of lines and symbols in their colours, dragging and
// resizing the frame, the double click, and printing plots each on their own page.
#include "common/codecs.h"
#include "common/globals.h"
#include "common/widgets/printjob.h"
#include "plot/widgets/plotexport.h"
#include "plot/widgets/plotform.h"
#include "plot/widgets/plotpainter.h"
#include "shell/widgets/editform.h"
#include "shell/widgets/printdlg.h"
#include "tests/support/bytes.h"
#include "tests/support/testsupport.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QPdfWriter>
#include <QPrinter>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

using namespace kolshell;

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

// A line of n points with y = f(k) over x = k, axes given.
TPlotDef Dense(int n, double (*f)(int), double yMin, double yMax, bool logY, int symbol) {
    TPlotDef d = Diagonal(1, symbol, 2);
    d.AxisMax[0] = n - 1;
    d.AxisMin[1] = yMin;
    d.AxisMax[1] = yMax;
    d.LogAxis[1] = logY;
    TPlotLine& l = d.Lines[0];
    l.XValues = PlotValues();
    l.YValues = PlotValues();
    l.NPoints = n;
    for (int k = 0; k < n; ++k) {
        l.XValues.push_back(EncodeReal48(k));
        l.YValues.push_back(EncodeReal48(f(k)));
    }
    return d;
}

QImage Render(const TPlotDef& d, bool everyPoint) {
    QImage image(600, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    TPlotPainter painter(p, d, PlotFrame{100, 20, 500, 320}, 1.0, false);
    painter.DrawEveryPoint(everyPoint);
    painter.Draw();
    return image;
}

// Pixels of colour c in a that have no pixel of c within one pixel in b.
int Missing(const QImage& a, const QImage& b, QRgb c) {
    int n = 0;
    for (int y = 1; y < a.height() - 1; ++y)
        for (int x = 1; x < a.width() - 1; ++x) {
            if (a.pixel(x, y) != c) continue;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx)
                    near = b.pixel(x + dx, y + dy) == c;
            n += !near;
        }
    return n;
}

int Differing(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

double Spike(int k) {
    return k == 12345 ? 9.0 : 1.0;
}
double Flat(int) {
    return 5.0;
}
double Sawtooth(int k) {
    return k % 7;
}
double Extremes(int k) {
    return k % 3 == 0 ? 1.0e37 : k % 3 == 1 ? -1.0e37 : 0.5 * (k % 5);
}
// Uniformly random over the whole range: every pixel column spans the frame's height.
double Random(int k) {
    uint32_t v = uint32_t(k) * 2654435761u;
    v ^= v >> 15, v *= 2246822519u, v ^= v >> 13;
    return 8.0 * double(v % 100000) / 100000.0;
}
double DipToZero(int k) {
    return k >= 800 && k < 1200 ? (k % 2 ? 0.0 : -3.0) : 10.0;
}
double Growth(int k) {
    return std::pow(10.0, k / 5000.0);
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
    void captionFollowsTitle();
    void reducedAsEveryPoint_data();
    void reducedAsEveryPoint();
    void reductionsKept();
    void labelsApart();
    void superscript_data();
    void superscript();
    void hostileFieldsBounded();
    void zoomedReductionAsEveryPoint();
    void logAxisBreaksLine();
    void xLabelAtAxisEnd();
    void frameFollowsWindow();
    void noScrollBarsWhenItFits();
    void zoomPanReset();
    void wheelZoom();
    void readoutAndMarkers();
    void legendsInside_data();
    void legendsInside();
    void legendFontStepsDown_data();
    void legendFontStepsDown();
};

void TestPlotForm::frameAndColours() {
    TPlotForm plot;
    QCOMPARE(plot.size(), QSize(500, 340));
    QCOMPARE(plot.Frame(), QRect(QPoint(100, 20), QPoint(400, 225)));
    QCOMPARE(PlotColour(2), QColor(255, 0, 0));
    QCOMPARE(PlotColour(15), QColor(255, 255, 0));
    QCOMPARE(PlotColour(16), QColor(0, 0, 0));
    QCOMPARE(plot.WindowKind(), TWindowKind::Plot);
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
    QObject::connect(&plot, &TPlotForm::ModifyRequested, [&] { asked = &plot; });
    plot.MouseDown(QPoint(200, 100));
    plot.DoubleClick();
    plot.MouseUp(QPoint(260, 150));
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
    a.findChild<QWidget*>("PlotCanvas")->grab(); // the drawn extent
    {
        // The plot takes the printable width, in its proportions; what follows it is printed
        // with the job's own black pen and font.
        QPdfWriter pdf(dir.path() + "/h.pdf");
        TPrintJob job(&pdf);
        const QColor pen = job.Canvas().pen().color();
        const int pointSize = job.Canvas().font().pointSize();
        const double s = double(pdf.width() - 4 * job.PrintX()) / a.DrawnExtent().width();
        QCOMPARE(a.PrintHeight(job), int(std::lround((225 - 20 + 100) * s)));
        QVERIFY(a.Print(job));
        QCOMPARE(job.Canvas().pen().color(), pen);
        QCOMPARE(pen, QColor(Qt::black));
        QCOMPARE(job.Canvas().font().pointSize(), pointSize);
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

// The caption saved is the one the window shows; one that was never retitled keeps its bytes.
void TestPlotForm::captionFollowsTitle() {
    TestFolder dir;
    TPlotForm plot;
    const std::string latin1 = "Plot 1: from DEMO.OUT \xE9";
    plot.SetPlot(latin1, Diagonal(1, 0, 0));
    QVERIFY(plot.SaveDocument(dir.Path("A.KSP")));
    const std::string a = ReadTestFile(dir.Path("A.KSP"));
    QCOMPARE(a.substr(1, uint8_t(a[0])), latin1);
    plot.setWindowTitle(QString::fromStdString(dir.Path("B.KSP")));
    QVERIFY(plot.SaveDocument(dir.Path("B.KSP")));
    const std::string b = ReadTestFile(dir.Path("B.KSP"));
    QCOMPARE(b.substr(1, uint8_t(b[0])), dir.Path("B.KSP"));
}

// The per-pixel-column drawing gives the picture of drawing every point: a handful of pixels
// may differ, none is missing (a spike of one sample still shows).
void TestPlotForm::reducedAsEveryPoint_data() {
    QTest::addColumn<int>("points");
    QTest::addColumn<void*>("f");
    QTest::addColumn<double>("yMin");
    QTest::addColumn<double>("yMax");
    QTest::addColumn<bool>("logY");
    QTest::addColumn<int>("symbol");
    QTest::newRow("one-sample spike") << 40000 << (void*)&Spike << 0.0 << 10.0 << false << 0;
    QTest::newRow("flat line") << 40000 << (void*)&Flat << 0.0 << 10.0 << false << 0;
    QTest::newRow("sawtooth") << 30000 << (void*)&Sawtooth << 0.0 << 8.0 << false << 0;
    QTest::newRow("extremes off the axis")
        << 30000 << (void*)&Extremes << -1.0 << 3.0 << false << 0;
    QTest::newRow("log axis") << 20000 << (void*)&Growth << 1.0 << 1.0e4 << true << 0;
    QTest::newRow("symbols") << 20000 << (void*)&Sawtooth << 0.0 << 8.0 << false << 1;
    QTest::newRow("uniformly random") << 60000 << (void*)&Random << 0.0 << 8.0 << false << 0;
    QTest::newRow("uniformly random, symbols")
        << 20000 << (void*)&Random << 0.0 << 8.0 << false << 2;
    QTest::newRow("filled symbols, spike") << 20000 << (void*)&Spike << 0.0 << 10.0 << false << 9;
}

void TestPlotForm::reducedAsEveryPoint() {
    QFETCH(int, points);
    QFETCH(void*, f);
    QFETCH(double, yMin);
    QFETCH(double, yMax);
    QFETCH(bool, logY);
    QFETCH(int, symbol);
    const TPlotDef d =
        Dense(points, reinterpret_cast<double (*)(int)>(f), yMin, yMax, logY, symbol);
    const QImage every = Render(d, true), reduced = Render(d, false);
    const QRgb red = PlotColour(2).rgb();
    QCOMPARE(Missing(every, reduced, red), 0);
    QCOMPARE(Missing(reduced, every, red), 0);
    QVERIFY2(Differing(every, reduced) <= 12,
             qPrintable(QString::number(Differing(every, reduced))));
    if (f == (void*)&Spike) {
        // The spike reaches y = 9 of 10: row 20 + 300 / 10 = 50.
        const int x = 100 + int(std::lround(12345.0 / (points - 1) * 400));
        QCOMPARE(reduced.pixel(x, 50 + (symbol ? 3 : 0)), red);
    }
}

// A window works its reductions out once: paints, exposing and moving the frame reuse them;
// a new frame size or new axes work them out again.
void TestPlotForm::reductionsKept() {
    TPlotForm plot;
    plot.SetPlot("Plot 1", Dense(50000, &Sawtooth, 0, 8, false, 0));
    plot.show();
    QWidget* canvas = plot.findChild<QWidget*>("PlotCanvas");
    canvas->grab();
    QCOMPARE(plot.LastPaintWork(), size_t(50000));
    plot.SetFrame(120, 30, 420, 235); // moved, same size
    canvas->grab();
    QCOMPARE(plot.LastPaintWork(), size_t(0));
    plot.MouseDown(QPoint(200, 100));
    plot.MouseMove(QPoint(210, 110));
    canvas->grab(); // the outline over the kept picture
    QCOMPARE(plot.LastPaintWork(), size_t(0));
    plot.MouseUp(QPoint(210, 110));
    canvas->grab();
    QCOMPARE(plot.LastPaintWork(), size_t(0));
    plot.SetFrame(120, 30, 460, 235);
    canvas->grab();
    QCOMPARE(plot.LastPaintWork(), size_t(50000));
    plot.Def().AxisMax[1] = 16;
    plot.SetPlot("Plot 1", plot.Def());
    canvas->grab();
    QCOMPARE(plot.LastPaintWork(), size_t(50000));
}

// Tick labels never overprint, at the origin neither; the Y title clears exponent labels.
void TestPlotForm::labelsApart() {
    for (int style : {1, 0}) {
        TPlotDef d = Diagonal(1, 0, 0);
        d.AxisMin = {0, 0};
        d.AxisMax = {1.0e6, 1.0e-4};
        d.NumStyle = {uint8_t(style), uint8_t(style)};
        d.NumDigits = {3, 6};
        d.Ticks = {10, 5};
        QImage image(600, 400, QImage::Format_RGB32);
        QPainter p(&image);
        TPlotPainter painter(p, d, PlotFrame{150, 20, 500, 300}, 1.0, false);
        painter.Draw();
        QVERIFY(painter.Labels.size() >= 3);
        for (size_t i = 0; i < painter.Labels.size(); ++i)
            for (size_t k = i + 1; k < painter.Labels.size(); ++k)
                QVERIFY2(
                    !painter.Labels[i].intersects(painter.Labels[k]),
                    qPrintable(QString("labels %1 and %2, style %3").arg(i).arg(k).arg(style)));
        QVERIFY(painter.WidestYLabel > 20);
    }
}

void TestPlotForm::superscript_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("small");
    QTest::newRow("12") << 12 << 10;
    QTest::newRow("15") << 15 << 13;
    QTest::newRow("16") << 16 << 10;
    QTest::newRow("100 on paper") << 100 << 66;
}

void TestPlotForm::superscript() {
    QFETCH(int, size);
    QFETCH(int, small);
    QCOMPARE(SuperscriptPixelSize(size), small);
    QCOMPARE(SuperscriptRaise(16, 1.0), 5);
    QCOMPARE(SuperscriptRaise(130, 8.4), 40);
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
    QVERIFY(CountColour(plot, Qt::black) > 0);
    QVERIFY(msgs.Texts().empty());
}

QTEST_MAIN(TestPlotForm)
#include "tst_plotform.moc"

namespace {
// A line of 1001 points from (0,0) to (10,10), two decimals on both axes.
TPlotDef Fine() {
    TPlotDef d = Dense(1001, &Flat, 0, 10, false, 0);
    TPlotLine& l = d.Lines[0];
    l.XValues = PlotValues();
    l.YValues = PlotValues();
    for (int k = 0; k <= 1000; ++k) {
        l.XValues.push_back(EncodeReal48(k / 100.0));
        l.YValues.push_back(EncodeReal48(k / 100.0));
    }
    d.AxisMax[0] = 10;
    d.NumDigits = {2, 2};
    l.ColName = {"TIME", "LEVEL"};
    return d;
}

QPoint At(const TPlotForm& plot, double x, double y) {
    const QRect f = plot.Frame();
    return QPoint(f.left() + int(std::lround(x / 10 * (f.right() - f.left()))),
                  f.bottom() - int(std::lround(y / 10 * (f.bottom() - f.top()))));
}

void Drag(QWidget* w, Qt::MouseButton b, Qt::KeyboardModifiers keys, QPoint from, QPoint to) {
    QTest::mousePress(w, b, keys, from);
    QTest::mouseMove(w, (from + to) / 2);
    QTest::mouseMove(w, to);
    QTest::mouseRelease(w, b, keys, to);
}
} // namespace

// Zoomed in, only the points over the frame and their neighbours are reduced: the picture is
// still that of every point, the segments into the frame included.
void TestPlotForm::zoomedReductionAsEveryPoint() {
    for (auto f : {&Random, &Sawtooth}) {
        TPlotDef d = Dense(40000, f, 0, 8, false, 0);
        d.AxisMin[0] = 10000.5L;
        d.AxisMax[0] = 10400;
        // Beside the outline, a segment leaving the frame may be set on either column: the
        // pictures are compared inside that.
        const QRect inside(QPoint(102, 22), QPoint(497, 317));
        const QImage every = Render(d, true).copy(inside), reduced = Render(d, false).copy(inside);
        const QRgb red = PlotColour(2).rgb();
        QCOMPARE(Missing(every, reduced, red), 0);
        QCOMPARE(Missing(reduced, every, red), 0);
    }
}

// Points a logarithmic axis cannot show break the line; nothing is drawn at the frame's bottom.
void TestPlotForm::logAxisBreaksLine() {
    for (int symbol : {0, 1})
        for (bool every : {false, true}) {
            const QImage image = Render(Dense(2000, &DipToZero, 1, 100, true, symbol), every);
            const QRgb red = PlotColour(2).rgb();
            int low = 0, middle = 0;
            for (int x = 101; x < 500; ++x) {
                for (int y = 290; y < 320; ++y)
                    low += image.pixel(x, y) == red;
                middle += image.pixel(x, 170) == red;
            }
            QCOMPARE(low, 0);
            QVERIFY(middle > 300);
        }
}

// 0 to 10 in 10 steps with two decimals: every label fits, "10.00" at the axis end too.
void TestPlotForm::xLabelAtAxisEnd() {
    TPlotDef d = Diagonal(1, 0, 0);
    d.Ticks = {10, 5};
    d.NumDigits = {2, 0};
    QImage image(500, 340, QImage::Format_RGB32);
    QPainter p(&image);
    TPlotPainter painter(p, d, PlotFrame{}, 1.0, false);
    painter.Draw();
    int xLabels = 0;
    for (const QRect& r : painter.Labels)
        xLabels += r.top() > 225;
    QCOMPARE(xLabels, 11);
    for (int k = 1; k < xLabels; ++k)
        QVERIFY(!painter.Labels[size_t(k)].intersects(painter.Labels[size_t(k - 1)]));
    QVERIFY(std::abs(painter.Labels[size_t(xLabels - 1)].center().x() - 400) <= 1);
}

// The frame keeps its margins to the right and bottom of the client area as the window grows,
// shrinks, or shows the read-out under the plot.
void TestPlotForm::frameFollowsWindow() {
    TPlotForm plot;
    plot.SetPlot("Plot 1", Fine());
    plot.show();
    QCOMPARE(plot.Frame(), QRect(QPoint(100, 20), QPoint(400, 225)));
    auto margins = [&] {
        return QSize(plot.width() - plot.Frame().right(), plot.height() - plot.Frame().bottom());
    };
    plot.resize(plot.width() + 300, plot.height() + 200);
    const QSize kept = margins();
    QCOMPARE(plot.Frame().topLeft(), QPoint(100, 20));
    QVERIFY(plot.Frame().width() >= 600 && plot.Frame().height() >= 400);
    plot.resize(plot.width() + 100, plot.height() + 50);
    QCOMPARE(margins(), kept);
    // Dragging still moves the frame, and the window then keeps the moved frame's margins.
    QWidget* canvas = plot.findChild<QWidget*>("PlotCanvas");
    Drag(canvas, Qt::LeftButton, {}, QPoint(200, 100), QPoint(220, 110));
    QCOMPARE(plot.Frame().topLeft(), QPoint(120, 30));
    const QSize moved = margins();
    plot.resize(plot.width() - 100, plot.height() - 50);
    QCOMPARE(margins(), moved);
    QCOMPARE(plot.Frame().topLeft(), QPoint(120, 30));
}

// A new plot in the program's window area fits its window: no scroll bars.
void TestPlotForm::noScrollBarsWhenItFits() {
    QMdiArea area;
    area.resize(900, 700);
    auto* plot = new TPlotForm;
    area.addSubWindow(plot);
    plot->SetPlot("Plot 1", Fine());
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    auto* scroll = plot->findChild<QScrollArea*>();
    QVERIFY(scroll);
    QTest::qWait(50);
    QVERIFY(!scroll->verticalScrollBar()->isVisible());
    QVERIFY(!scroll->horizontalScrollBar()->isVisible());
}

void TestPlotForm::zoomPanReset() {
    TPlotForm plot;
    plot.SetPlot("Plot 1", Fine());
    plot.resize(800, 600);
    plot.show();
    QWidget* canvas = plot.findChild<QWidget*>("PlotCanvas");
    Drag(canvas, Qt::RightButton, {}, At(plot, 2.1, 3.1), At(plot, 4.9, 5.9));
    QCOMPARE(plot.ZoomDepth(), 1);
    const TPlotDef& d = plot.Def();
    QVERIFY2(d.AxisMin[0] <= 2.1L && d.AxisMin[0] >= 2 && d.AxisMax[0] >= 4.9L && d.AxisMax[0] <= 5,
             qPrintable(QString("%1 %2").arg(double(d.AxisMin[0])).arg(double(d.AxisMax[0]))));
    QVERIFY(d.AxisMin[1] <= 3.1L && d.AxisMin[1] >= 3 && d.AxisMax[1] >= 5.9L && d.AxisMax[1] <= 6);
    // Ctrl + left zooms further in; Shift + left pans to the left by a tenth of the frame.
    Drag(canvas, Qt::LeftButton, Qt::ControlModifier, At(plot, 3, 3), At(plot, 6, 6));
    QCOMPARE(plot.ZoomDepth(), 2);
    const Extended x0 = d.AxisMin[0], x1 = d.AxisMax[0];
    const QRect f = plot.Frame();
    const int tenth = (f.right() - f.left()) / 10;
    Drag(canvas, Qt::MiddleButton, {}, f.center(), f.center() + QPoint(tenth, 0));
    QCOMPARE(plot.ZoomDepth(), 3);
    QVERIFY(d.AxisMin[0] < x0 && d.AxisMax[0] < x1);
    QVERIFY(std::fabs(double((x0 - d.AxisMin[0]) - (x1 - x0) * tenth / (f.right() - f.left()))) <
            1e-9);
    plot.ZoomOut();
    QCOMPARE(plot.ZoomDepth(), 2);
    QCOMPARE(double(d.AxisMin[0]), double(x0));
    plot.ResetZoom();
    QCOMPARE(plot.ZoomDepth(), 0);
    QCOMPARE(double(d.AxisMin[0]), 0.0);
    QCOMPARE(double(d.AxisMax[0]), 10.0);
    QCOMPARE(d.NumDigits[0], int16_t(2));
    // What is saved is what is shown.
    Drag(canvas, Qt::RightButton, {}, At(plot, 2.1, 3.1), At(plot, 4.9, 5.9));
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/Z.KSP";
    QVERIFY(plot.SaveDocument(file));
    TPlotForm reopened;
    QVERIFY(reopened.OpenPlot(file));
    QCOMPARE(double(reopened.Def().AxisMin[0]), double(d.AxisMin[0]));
    QCOMPARE(double(reopened.Def().AxisMax[1]), double(d.AxisMax[1]));
}

void TestPlotForm::wheelZoom() {
    TPlotForm plot;
    TPlotDef d = Fine();
    d.LogAxis[1] = 1;
    d.AxisMin[1] = 0.001L;
    d.AxisMax[1] = 1000;
    plot.SetPlot("Plot 1", d);
    plot.resize(800, 600);
    plot.show();
    QWidget* canvas = plot.findChild<QWidget*>("PlotCanvas");
    const QPoint at = At(plot, 5, 5);
    auto wheel = [&](int delta, Qt::KeyboardModifiers keys) {
        QWheelEvent e(at, canvas->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, keys,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas, &e);
    };
    wheel(120, Qt::ShiftModifier); // X only
    QVERIFY(plot.Def().AxisMax[0] - plot.Def().AxisMin[0] < 10);
    QCOMPARE(double(plot.Def().AxisMin[1]), 0.001);
    wheel(120, Qt::ControlModifier); // Y only, in whole decades
    const double lo = double(plot.Def().AxisMin[1]), hi = double(plot.Def().AxisMax[1]);
    QVERIFY2(lo > 0.001 || hi < 1000, qPrintable(QString("%1 %2").arg(lo).arg(hi)));
    QCOMPARE(std::log10(lo), std::round(std::log10(lo)));
    QCOMPARE(std::log10(hi), std::round(std::log10(hi)));
    wheel(-120, {});
    QCOMPARE(plot.ZoomDepth(), 3);
    plot.ResetZoom();
    QCOMPARE(double(plot.Def().AxisMin[1]), 0.001);
}

void TestPlotForm::readoutAndMarkers() {
    TPlotForm plot;
    TPlotDef d = Fine();
    d.NLines = 2;
    d.Lines[1] = d.Lines[0];
    d.Lines[1].ColName[1] = "FLOW";
    d.Lines[1].YValues = PlotValues();
    for (int k = 0; k <= 1000; ++k)
        d.Lines[1].YValues.push_back(EncodeReal48(10 - k / 100.0));
    plot.SetPlot("Plot 1", d);
    plot.resize(1000 + 200, 600);
    plot.show();
    QWidget* canvas = plot.findChild<QWidget*>("PlotCanvas");
    QTest::mouseMove(canvas, QPoint(300, 300)); // the read-out under the plot shows
    // The frame is 1000 pixels wide for 10: one pixel is 0.01, a point each.
    plot.SetFrame(100, 20, 1100, 520);
    QTest::mouseMove(canvas, QPoint(100 + 300, 300));
    QVERIFY2(plot.Readout().contains("LEVEL: X = 3.00, Y = 3.00"), qPrintable(plot.Readout()));
    QVERIFY(plot.Readout().contains("FLOW: X = 3.00, Y = 7.00"));
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(100 + 200, 300));
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(100 + 700, 300));
    QCOMPARE(plot.Markers().size(), size_t(2));
    QCOMPARE(plot.Frame().left(), 100); // a click moves nothing
    QVERIFY2(plot.Readout().contains(QString::fromUtf8("LEVEL: X = 7.00, Y = 7.00, \u0394X = 5.00, "
                                                       "\u0394Y = 5.00")),
             qPrintable(plot.Readout()));
    QVERIFY(plot.Readout().contains(QString::fromUtf8("\u0394Y = -5.00")));
    QCOMPARE(plot.findChild<QLabel*>("PlotReadout")->text(), plot.Readout().replace("\n", ";   "));
}

void TestPlotForm::legendsInside_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<QSize>("size");
    for (int n : {1, 24, 50})
        for (QSize s : {QSize(480, 300), QSize(800, 500), QSize(1600, 1000), QSize(3000, 2000)})
            QTest::addRow("%d lines, %dx%d", n, s.width(), s.height()) << n << s;
}

// Legend entries never overlap one another, and every one lies inside the picture.
void TestPlotForm::legendsInside() {
    QFETCH(int, lines);
    QFETCH(QSize, size);
    TPlotDef d = Fine();
    d.NLines = lines;
    d.ShowLegend = 1;
    for (int i = 1; i < lines; ++i) {
        d.Lines[size_t(i)] = d.Lines[0];
        d.Lines[size_t(i)].ColName[1] = "run " + std::to_string(i + 1) + ": QPUMP=0.005, AREA=2.5";
    }
    const PlotLayout layout =
        LayOutPicture(d, PlotFrame{}, QSize(PlotClientWidth, PlotClientHeight), size);
    const LegendLayout l = LayOutLegend(d, layout.Frame, layout.Scale, layout.LegendFont);
    QCOMPARE(int(l.Entries.size()), lines);
    const QRect picture(QPoint(0, 0), size);
    const QFontMetrics fm(QFont("Arial", -1));
    for (size_t i = 0; i < l.Entries.size(); ++i) {
        QVERIFY2(picture.contains(l.Entries[i]), qPrintable(QString::number(i)));
        QVERIFY(l.Box.contains(l.Entries[i]));
        for (size_t k = 0; k < i; ++k)
            QVERIFY(!l.Entries[i].intersects(l.Entries[k]));
    }
}

void TestPlotForm::legendFontStepsDown_data() {
    QTest::addColumn<int>("room");
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<bool>("fits");
    QTest::newRow("room to spare: 12 pixels") << 3000 << 12 << true;
    QTest::newRow("a little short: a step down") << -1 << 11 << true;
    QTest::newRow("far too little: 8 pixels, past the room") << 500 << 8 << false;
}

// A legend that would end past its room takes a smaller font, down to 8 pixels; beyond that the
// picture grows (the export sizes its picture to hold it).
void TestPlotForm::legendFontStepsDown() {
    QFETCH(int, room);
    QFETCH(int, fontSize);
    QFETCH(bool, fits);
    TPlotDef d = Fine();
    d.NLines = 24;
    d.ShowLegend = 1;
    for (int i = 1; i < d.NLines; ++i) {
        d.Lines[size_t(i)] = d.Lines[0];
        d.Lines[size_t(i)].ColName[1] = "run " + std::to_string(i + 1) + ": QPUMP=0.005, AREA=2.5";
    }
    const PlotFrame frame;
    const LegendLayout full = LayOutLegend(d, frame, 1.0);
    QCOMPARE(full.FontSize, 12);
    if (room < 0) room = full.Box.right() - 1;
    QCOMPARE(LegendFontFor(d, frame, room), fontSize);
    const LegendLayout l = LayOutLegend(d, frame, 1.0, fontSize);
    QCOMPARE(l.FontSize, fontSize);
    QCOMPARE(l.Box.right() <= room, fits);
    QCOMPARE(int(l.Entries.size()), 24);
    if (!fits) {
        const QSize client = PlotClientFor(d, frame, QSize(room + LegendMargin, 300));
        QCOMPARE(client.width(), l.Box.right() + LegendMargin);
    }
}
