#include "plot/outputdata.h"
#include "plot/plotdef.h"
#include "plot/plotextension.h"
#include "plot/plotview.h"

#include "tests/support/bytes.h"

#include <QtTest>
#include <cstring>

using namespace kolshell;

namespace {

// A plot file of two lines with 11 and 21 points, laid out by hand.
std::string Fixture() {
    std::string f(256 + 8220, '\0');
    PutStr(f, 0, "Plot 1: from RUN.OUT");
    const size_t d = 256;
    Put32(f, d, 2);
    PutStr(f, d + 260, "TIME S");
    PutStr(f, d + 291, "LEVEL M");
    // AxisMax X = 10.0 as a 10-byte real: significand 0xA000..., exponent 16383 + 3.
    f[d + 342 + 7] = char(0xA0);
    f[d + 342 + 8] = char(0x02);
    f[d + 342 + 9] = char(0x40);
    Put32(f, d + 372, 5);
    f[d + 382] = 1;
    f[d + 384] = 2;
    f[d + 390] = 1;
    std::string lines;
    for (int i = 0; i < 2; ++i) {
        std::string l(156, '\0');
        const int n = i == 0 ? 11 : 21;
        Put32(l, 0, n);
        Put32(l, 4, 21);
        Put32(l, 12, i + 1);
        Put32(l, 20, i + 1);
        PutStr(l, 24, "TIME");
        PutStr(l, 45, i == 0 ? "LEVEL" : "FLOW");
        Put32(l, 116, 1);
        Put32(l, 120, n);
        Put32(l, 124, 1);
        Put32(l, 132, 2 + i);
        f.replace(d + 392 + 156 * size_t(i), 156, l);
        lines += l;
        for (int k = 0; k < n; ++k)
            lines += R48(k);
        for (int k = 0; k < n; ++k)
            lines += R48(2 * k);
    }
    return f + lines;
}

TOutputData Data() {
    TOutputData d;
    ReadOutputText("TIME A B C\nS M KG N\n0 1 2 3\n1 4 5 6\n2 7 8 9\n3 10 11 12\n", d);
    return d;
}

PlotChoices Choices(std::vector<int> ys, int colour, int symbol) {
    PlotChoices c;
    c.XCol = 1;
    c.YCols = std::move(ys);
    c.Colour = colour;
    c.Symbol = symbol;
    return c;
}

} // namespace

class TestPlotDef : public QObject {
    Q_OBJECT
  private slots:
    void readFixture();
    void writeBack();
    void fixtureRoundTrip_data();
    void fixtureRoundTrip();
    void hostile_data();
    void hostile();
    void newPlot_data();
    void newPlot();
    void rowRange_data();
    void rowRange();
    void overlay();
    void deleteLine();
    void linesShareColumns();
    void fullLegendsKept();
    void xIncreasing_data();
    void xIncreasing();
};

void TestPlotDef::readFixture() {
    const std::string f = Fixture();
    QCOMPARE(f.size(), size_t(256 + 8220 + (156 + 132) + (156 + 252)));
    std::string caption, error;
    TPlotDef d;
    QVERIFY2(DecodePlotFile(f, "x.ksp", caption, d, error), error.c_str());
    QCOMPARE(caption, std::string("Plot 1: from RUN.OUT"));
    QCOMPARE(d.NLines, 2);
    QCOMPARE(d.AxisTitle[1], std::string("LEVEL M"));
    QCOMPARE(d.AxisMax[0], Extended(10));
    QCOMPARE(d.Ticks[0], 5);
    QCOMPARE(int(d.NumStyle[0]), 1);
    QCOMPARE(int(d.NumDigits[0]), 2);
    QCOMPARE(d.Lines[1].NPoints, 21);
    QCOMPARE(d.Lines[1].ColName[1], std::string("FLOW"));
    QCOMPARE(d.Lines[1].Colour, 3);
    QCOMPARE(DecodeReal48(d.Lines[1].YValues[20]), 40.0);
    QCOMPARE(DecodeReal48(d.Lines[0].XValues[10]), 10.0);
}

void TestPlotDef::writeBack() {
    std::string caption, error;
    TPlotDef d;
    QVERIFY(DecodePlotFile(Fixture(), "x.ksp", caption, d, error));
    QCOMPARE(QByteArray::fromStdString(EncodePlotFile(caption, d)).toHex(),
             QByteArray::fromStdString(Fixture()).toHex());
}

// Files laid out by hand: read and written again, every byte comes back, also the ones the
// program only carries.
void TestPlotDef::fixtureRoundTrip_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("two lines") << QByteArray::fromStdString(Fixture());
    std::string f = Fixture();
    const size_t d = 256, line1 = d + 392, stored = 256 + 8220;
    for (size_t i = 0; i < 256; ++i)
        f[d + 4 + i] = char(i); // reserved after NLines
    for (size_t i = 0; i < 28; ++i)
        f[d + 8192 + i] = char(0xF0 + i % 16); // reserved at the end
    for (size_t at : {line1, stored}) {
        Put32(f, at + 108, int32_t(0x89ABCDEF)); // XPtr
        Put32(f, at + 112, 7);                   // YPtr
        f[at + 136] = 1;                         // Smooth
        f[at + 137] = char(0x5A);
        for (size_t i = 0; i < 16; ++i)
            f[at + 140 + i] = char(0xA0 + i);
    }
    f[d + 362] = 1, f[d + 363] = 1; // grids
    f[d + 380] = 0, f[d + 381] = 1; // a logarithmic Y axis
    PutStr(f, d + 260, std::string(30, 'T'));
    QTest::newRow("carried bytes") << QByteArray::fromStdString(f);
}

void TestPlotDef::fixtureRoundTrip() {
    QFETCH(QByteArray, bytes);
    std::string caption, error;
    TPlotDef d;
    QVERIFY2(DecodePlotFile(bytes.toStdString(), "x.ksp", caption, d, error), error.c_str());
    QCOMPARE(QByteArray::fromStdString(EncodePlotFile(caption, d)).toHex(), bytes.toHex());
}

void TestPlotDef::hostile_data() {
    QTest::addColumn<QByteArray>("bytes");
    const std::string f = Fixture();
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no definition") << QByteArray::fromStdString(f.substr(0, 5000));
    QTest::newRow("line record missing")
        << QByteArray::fromStdString(f.substr(0, 256 + 8220 + 100));
    QTest::newRow("points cut short") << QByteArray::fromStdString(f.substr(0, f.size() - 1));
    std::string zero = f;
    Put32(zero, 256, 0);
    QTest::newRow("no lines") << QByteArray::fromStdString(zero);
    std::string many = f;
    Put32(many, 256, 51);
    QTest::newRow("51 lines") << QByteArray::fromStdString(many);
    std::string huge = f;
    Put32(huge, 256 + 8220, 0x7FFFFFFF);
    QTest::newRow("huge point count") << QByteArray::fromStdString(huge);
    std::string negative = f;
    Put32(negative, 256 + 8220, -5);
    QTest::newRow("negative point count") << QByteArray::fromStdString(negative);
}

void TestPlotDef::hostile() {
    QFETCH(QByteArray, bytes);
    std::string caption = "kept", error;
    TPlotDef d;
    d.NLines = 7;
    QVERIFY(!DecodePlotFile(bytes.toStdString(), "bad.ksp", caption, d, error));
    QVERIFY(error.find("bad.ksp") != std::string::npos);
    QCOMPARE(caption, std::string("kept"));
    QCOMPARE(d.NLines, 7);
    // Read from the file itself, part by part, the same refusal.
    QTemporaryDir dir;
    const std::string name = dir.path().toStdString() + "/BAD.KSP";
    QFile file(QString::fromStdString(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    std::string fromFile;
    QVERIFY(!OpenPlotFile(name, caption, d, fromFile));
    QCOMPARE(fromFile, "The plot file " + name + error.substr(error.find(" cannot")));
    QCOMPARE(caption, std::string("kept"));
    QCOMPARE(d.NLines, 7);
}

void TestPlotDef::newPlot_data() {
    QTest::addColumn<int>("symbol");
    QTest::addColumn<QList<int>>("symbols");
    QTest::newRow("no symbols") << 0 << QList<int>{0, 0, 0};
    QTest::newRow("symbols advance") << 1 << QList<int>{1, 2, 3};
}

void TestPlotDef::newPlot() {
    QFETCH(int, symbol);
    QFETCH(QList<int>, symbols);
    TPlotDef working, plot;
    std::string error;
    QVERIFY(BuildNewPlot(working, Data(), Choices({2, 3, 4}, 2, symbol), plot, error));
    QCOMPARE(plot.NLines, 3);
    for (int k = 0; k < 3; ++k) {
        const TPlotLine& l = plot.Lines[size_t(k)];
        QCOMPARE(l.Colour, 2 + k);
        QCOMPARE(l.Symbol, symbols[k]);
        QCOMPARE(l.LineNo, k + 1);
        QCOMPARE(l.XCol, 0);
        QCOMPARE(l.YCol, k + 1);
        QCOMPARE(l.NPoints, 4);
    }
    QCOMPARE(plot.AxisTitle[0], std::string("TIME S"));
    QCOMPARE(plot.AxisTitle[1], std::string("A M"));
    QCOMPARE(DecodeReal48(plot.Lines[2].YValues[3]), 12.0);
    int count = 0;
    QCOMPARE(NextPlotCaption(count, "/p/RUN.OUT"), std::string("Plot 1: from /p/RUN.OUT"));
    QCOMPARE(NextPlotCaption(count, "/p/RUN.OUT"), std::string("Plot 2: from /p/RUN.OUT"));
    QVERIFY(!BuildNewPlot(working, Data(), Choices({}, 0, 0), plot, error));
}

void TestPlotDef::rowRange_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("as given") << "2"
                              << "4" << 2 << 4;
    QTest::newRow("zero from") << "0"
                               << "3" << 1 << 3;
    QTest::newRow("text from") << "abc"
                               << "3" << 1 << 3;
    QTest::newRow("to equals from") << "3"
                                    << "3" << 3 << 5;
    QTest::newRow("to beyond rows") << "1"
                                    << "99" << 1 << 5;
    QTest::newRow("from beyond rows") << "9"
                                      << "2" << 5 << 5;
}

void TestPlotDef::rowRange() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, first);
    QFETCH(int, last);
    PlotChoices c;
    c.FromRow = from.toStdString();
    c.ToRow = to.toStdString();
    int32_t f = 0, t = 0;
    PlotRowRange(c, 5, f, t);
    QCOMPARE(f, first);
    QCOMPARE(t, last);
}

void TestPlotDef::overlay() {
    TPlotDef plot;
    std::string error;
    QVERIFY(BuildNewPlot(TPlotDef(), Data(), Choices({2}, 0, 1), plot, error));
    QVERIFY(OverlayPlot(plot, Data(), Choices({3, 4}, 5, 1), error));
    QCOMPARE(plot.NLines, 3);
    QCOMPARE(plot.Lines[1].Colour, 5);
    QCOMPARE(plot.Lines[2].Colour, 6);
    QCOMPARE(plot.Lines[2].Symbol, 2);
    QCOMPARE(plot.Lines[2].LineNo, 3);
    QCOMPARE(plot.AxisTitle[1], std::string("A M")); // titles untouched
    PlotChoices many = Choices(std::vector<int>(48, 2), 0, 0);
    QVERIFY(!OverlayPlot(plot, Data(), many, error));
    QCOMPARE(plot.NLines, 3);
    QVERIFY(error.find("50") != std::string::npos);
}

void TestPlotDef::deleteLine() {
    TPlotDef plot;
    std::string error;
    QVERIFY(BuildNewPlot(TPlotDef(), Data(), Choices({2, 3, 4}, 0, 0), plot, error));
    QVERIFY(DeletePlotLine(plot, 1));
    QCOMPARE(plot.NLines, 2);
    QCOMPARE(plot.Lines[0].YCol, 2);
    QVERIFY(DeletePlotLine(plot, 2));
    QVERIFY(!DeletePlotLine(plot, 1)); // the only line: the window closes instead
    QCOMPARE(plot.NLines, 1);
}

// A plot's lines refer to the columns as read: one X column for all lines, nothing copied
// when a definition is copied; changing a line's values leaves the table as it was.
void TestPlotDef::linesShareColumns() {
    TOutputData data = Data();
    TPlotDef plot;
    std::string error;
    QVERIFY(BuildNewPlot(TPlotDef(), data, Choices({2, 3, 4}, 0, 0), plot, error));
    QCOMPARE(plot.Lines[0].XValues.Source(), static_cast<const void*>(data.Columns[1].get()));
    QCOMPARE(plot.Lines[2].XValues.Source(), plot.Lines[0].XValues.Source());
    QCOMPARE(plot.Lines[1].YValues.Source(), static_cast<const void*>(data.Columns[3].get()));
    const TPlotDef copy = plot;
    QCOMPARE(copy.Lines[1].YValues.data(), plot.Lines[1].YValues.data());
    plot.Lines[1].YValues[0] = EncodeReal48(99);
    QCOMPARE(data.Value(3, 1), 2.0);
    QCOMPARE(DecodeReal48(copy.Lines[1].YValues[0]), 2.0);
    QCOMPARE(DecodeReal48(plot.Lines[1].YValues[0]), 99.0);
    QCOMPARE(DecodeReal48(plot.Lines[1].YValues[3]), 11.0);
}

QTEST_GUILESS_MAIN(TestPlotDef)
#include "tst_plotdef.moc"

// Legends longer than the name field survive saving and opening; the defined part of the file
// is what it would be without them, so older readers see the same plot.
void TestPlotDef::fullLegendsKept() {
    const std::string f = Fixture();
    std::string caption, error;
    TPlotDef d;
    QVERIFY(DecodePlotFile(f, "x.ksp", caption, d, error));
    QCOMPARE(EncodePlotExtension(d), std::string()); // nothing to keep: the file as it was
    d.Lines[1].Legend = "run 3: QPUMP=0.005, AREA=2.5";
    d.Lines[1].ColName[1] = d.Lines[1].Legend.substr(0, 20);
    QTemporaryDir dir;
    const std::string name = dir.path().toStdString() + "/R.KSP";
    QVERIFY(SavePlotWithLegends(name, caption, d));
    QFile file(QString::fromStdString(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const std::string defined = EncodePlotFile(caption, d);
    QCOMPARE(bytes.left(int(defined.size())).toStdString(), defined);
    // "KSPX", one entry: line 2, 28 characters.
    QCOMPARE(bytes.mid(int(defined.size()), 10), QByteArray("KSPX\x01\x00\x02\x00\x1c\x00", 10));
    TPlotDef back;
    QVERIFY(OpenPlotWithLegends(name, caption, back, error));
    QCOMPARE(back.Lines[1].Legend, std::string("run 3: QPUMP=0.005, AREA=2.5"));
    QCOMPARE(back.Lines[0].Legend, std::string());
    // A damaged block is ignored.
    TPlotDef cut;
    cut.NLines = 2;
    DecodePlotExtension(std::string("KSPX\x01\x00\x02\x00\xff\x00", 10) + "abc", cut);
    QCOMPARE(cut.Lines[1].Legend, std::string());
}

namespace {
// A line whose X values are the given whole numbers (negative ones with the sign bit set), and
// a junk-fraction zero (exponent byte 0) where 1000 is given.
TPlotLine XLine(const QList<int>& xs) {
    TPlotLine l;
    for (int x : xs) {
        std::string b = x == 1000 ? std::string("\0\x12\x34\x56\x78\xFF", 6) : R48(std::abs(x));
        if (x < 0) b[5] = char(uint8_t(b[5]) | 0x80);
        Real48Bytes r;
        std::memcpy(r.data(), b.data(), 6);
        l.XValues.push_back(r);
        l.YValues.push_back(r);
    }
    l.NPoints = int(xs.size());
    return l;
}
} // namespace

void TestPlotDef::xIncreasing_data() {
    QTest::addColumn<QList<int>>("xs");
    QTest::addColumn<bool>("increasing");
    QTest::newRow("rising") << QList<int>{0, 1, 2, 3, 60, 61, 1000000} << true;
    QTest::newRow("level stretches") << QList<int>{1, 1, 2, 2, 2, 3} << true;
    QTest::newRow("one step back") << QList<int>{1, 2, 4, 3, 5} << false;
    QTest::newRow("negative to positive") << QList<int>{-300, -2, -1, 0, 1} << true;
    QTest::newRow("falling negatives") << QList<int>{-1, -2} << false;
    QTest::newRow("a zero with a junk fraction") << QList<int>{-1, 1000, 0, 1000, 1} << true;
    QTest::newRow("back to a zero") << QList<int>{1, 1000} << false;
    QTest::newRow("a higher exponent beats a bigger fraction") << QList<int>{3, 4, 7, 8} << true;
}

// X columns that never fall are searched by bisection: the test reads the 6-byte reals' bits in
// order, and the point found is the nearest either way.
void TestPlotDef::xIncreasing() {
    QFETCH(QList<int>, xs);
    QFETCH(bool, increasing);
    const TPlotLine l = XLine(xs);
    QCOMPARE(XIncreasing(l), increasing);
    if (!increasing) return;
    for (int x = xs.front() - 1; x <= std::min(xs.back(), 70) + 1; ++x) {
        const int a = NearestPoint(l, x, true), b = NearestPoint(l, x, false);
        QCOMPARE(std::fabs(DecodeReal48(l.XValues[size_t(a)]) - x),
                 std::fabs(DecodeReal48(l.XValues[size_t(b)]) - x));
    }
}
