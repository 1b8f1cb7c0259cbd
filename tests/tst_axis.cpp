#include "plot/axis.h"

#include <QtTest>

#include <climits>
#include <limits>
#include <set>

using namespace kolshell;

Q_DECLARE_METATYPE(Extended)

namespace {
QList<double> Values(const std::vector<AxisTick>& t, bool labelledOnly = false) {
    QList<double> l;
    for (const AxisTick& x : t)
        if (!labelledOnly || x.Labelled) l << double(x.Value);
    return l;
}
} // namespace

class TestAxis : public QObject {
    Q_OBJECT
  private slots:
    void scale_data();
    void scale();
    void logTicks_data();
    void logTicks();
    void linearTicks();
    void pixels();
    void minorTicksBounded_data();
    void minorTicksBounded();
    void hugeTickFields();
    void labels_data();
    void labels();
    void hugeProposalsReadBack_data();
    void hugeProposalsReadBack();
};

void TestAxis::scale_data() {
    QTest::addColumn<Extended>("lo");
    QTest::addColumn<Extended>("hi");
    QTest::addColumn<Extended>("min");
    QTest::addColumn<Extended>("max");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("decimals");
    QTest::newRow("0..97.3") << Extended(0) << Extended(97.3) << Extended(0) << Extended(100) << 10
                             << 0;
    QTest::newRow("12..97.3") << Extended(12) << Extended(97.3) << Extended(10) << Extended(100)
                              << 9 << 0;
    QTest::newRow("0..30.5 trimmed")
        << Extended(0) << Extended(30.5) << Extended(0) << Extended(35) << 7 << 0;
    QTest::newRow("constant keeps ticks")
        << Extended(5) << Extended(5) << Extended(4.5) << Extended(5.5) << 7 << 2;
    QTest::newRow("1E6 keeps 3 decimals")
        << Extended(0) << Extended(1e6) << Extended(0) << Extended(1e6) << 10 << 3;
    QTest::newRow("small range") << Extended(0.001) << Extended(0.0042) << Extended(0.001)
                                 << Extended(0.0045) << 7 << 4;
    // Trimmed to quarter steps: the ends and labels need two decimals (4.75, not 4.8).
    QTest::newRow("trimmed to quarters")
        << Extended(4.9811) << Extended(6.952) << Extended(4.75) << Extended(7) << 9 << 2;
}

void TestAxis::scale() {
    QFETCH(Extended, lo);
    QFETCH(Extended, hi);
    QFETCH(Extended, min);
    QFETCH(Extended, max);
    QFETCH(int, ticks);
    QFETCH(int, decimals);
    const AxisProposal p = ScaleMinMax(lo, hi, 7, 2);
    QVERIFY2(std::fabs(p.Min - min) < 1e-12L, qPrintable(QString::number(double(p.Min))));
    QVERIFY2(std::fabs(p.Max - max) < 1e-12L, qPrintable(QString::number(double(p.Max))));
    QCOMPARE(p.Ticks, ticks);
    QCOMPARE(p.Decimals, decimals);
}

void TestAxis::logTicks_data() {
    QTest::addColumn<Extended>("lo");
    QTest::addColumn<Extended>("hi");
    QTest::addColumn<QList<double>>("ticks");
    QTest::addColumn<QList<double>>("labelled");
    QList<double> t1000;
    for (double d : {1.0, 10.0, 100.0})
        for (int k = 1; k <= 9; ++k)
            t1000 << k * d;
    t1000 << 1000;
    QTest::newRow("1..1000") << Extended(1) << Extended(1000) << t1000
                             << QList<double>{1, 10, 100, 1000};
    QTest::newRow("1..1E5") << Extended(1) << Extended(1e5)
                            << QList<double>{1, 10, 100, 1000, 1e4, 1e5}
                            << QList<double>{1, 10, 100, 1000, 1e4, 1e5};
    QTest::newRow("3..50") << Extended(3) << Extended(50)
                           << QList<double>{3, 4, 5, 6, 7, 8, 9, 10, 20, 30, 40, 50}
                           << QList<double>{3, 10};
    QTest::newRow("non-positive end")
        << Extended(0) << Extended(10) << QList<double>{0, 10} << QList<double>{0, 10};
}

void TestAxis::logTicks() {
    QFETCH(Extended, lo);
    QFETCH(Extended, hi);
    QFETCH(QList<double>, ticks);
    QFETCH(QList<double>, labelled);
    AxisScale a{lo, hi, 5, 0, true, 1, 0};
    const auto t = MajorTicks(a, 0, 1000);
    QCOMPARE(Values(t), ticks);
    QCOMPARE(Values(t, true), labelled);
    QVERIFY(t.back().Last);
    QCOMPARE(t.back().Pixel, 1000);
}

void TestAxis::linearTicks() {
    AxisScale a{0, 1, 4, 3, false, 1, 2};
    const auto t = MajorTicks(a, 100, -200);
    QCOMPARE(Values(t), (QList<double>{0, 0.25, 0.5, 0.75, 1}));
    QCOMPARE(t[1].Label, std::string("0.25"));
    QCOMPARE(t[4].Pixel, -100);
    QCOMPARE(MinorTickPixels(t[0].Pixel, t[1].Pixel, 3), (std::vector<int>{88, 75, 63}));
    QVERIFY(MinorTickPixels(0, 100, 0).empty());
    a.Ticks = 0; // counts as one interval, and ends
    QCOMPARE(Values(MajorTicks(a, 0, 10)), (QList<double>{0, 1}));
    a.Ticks = -2;
    QCOMPARE(Values(MajorTicks(a, 0, 10)), (QList<double>{0, 0.5, 1}));
}

void TestAxis::pixels() {
    AxisScale a{0, 10, 5, 0, false, 1, 1};
    QCOMPARE(ValueToPixel(a, 5, 50, 100), 100);
    QCOMPARE(ValueToPixel(a, 1e9, 0, 1000), PixelLimit);
    QCOMPARE(ValueToPixel(a, -1e9, 0, 1000), -PixelLimit);
    QCOMPARE(ValueToPixel(a, 0.25, 0, 10), 0); // 0.25 rounds to even
    a.LogAxis = true;
    a.AxisMin = 1;
    a.AxisMax = 100;
    QCOMPARE(Decades(a), 2);
    QCOMPARE(ValueToPixel(a, 10, 0, 1000), 500);
    QCOMPARE(ValueToPixel(a, -3, 7, 1000), 7);
}

void TestAxis::minorTicksBounded_data() {
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("k");
    QTest::newRow("fewer than the pixels") << 0 << 100 << 7;
    QTest::newRow("one short of the pixels") << 0 << 100 << 99;
    QTest::newRow("as many as the pixels") << 0 << 100 << 100;
    QTest::newRow("more than the pixels") << 10 << 40 << 250;
    QTest::newRow("downwards, more than the pixels") << 225 << 184 << 1000;
    QTest::newRow("no room") << 50 << 50 << 4;
    QTest::newRow("negative count") << 0 << 100 << -3;
}

// However many minor ticks are asked for, they stand where the formula puts them, each pixel
// once, and never more of them than the pixels between the two major ticks.
void TestAxis::minorTicksBounded() {
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, k);
    std::set<int> want;
    for (int j = 1; j <= k; ++j)
        want.insert(a + (b - a) * j / (k + 1));
    const std::vector<int> got = MinorTickPixels(a, b, k);
    QCOMPARE(std::set<int>(got.begin(), got.end()), want);
    QVERIFY(got.size() <= size_t(std::max(0, std::min(k, std::max(1, std::abs(b - a))))));
}

// A plot file's 2^31 - 1 minor ticks, tick count and digits: a bounded axis (the counts below
// show that no tick beyond the bounds is made).
void TestAxis::hugeTickFields() {
    AxisScale a{0, 10, INT_MAX, INT_MAX, false, 1, 32767};
    const auto t = MajorTicks(a, 0, 1000);
    QCOMPARE(int(t.size()), MaxTicks);
    QCOMPARE(double(t.back().Value), 10.0);
    QCOMPARE(t[1].Pixel, 1);
    QCOMPARE(t[1].Label, std::string("0.010000000"));
    QCOMPARE(MinorTickPixels(0, 1000, INT_MAX).size(), size_t(1000));
    QCOMPARE(MinorTickPixels(-PixelLimit, PixelLimit, INT_MAX).size(), size_t(2 * PixelLimit));
    a.Ticks = INT_MIN;
    QCOMPARE(int(MajorTicks(a, 0, 1000).size()), MaxTicks);
    a.NumDigits = -5;
    QCOMPARE(TickLabel(a, 2.5), std::string("3"));
    // A logarithmic axis up to an end no power of ten reaches stops where the ticks overflow.
    AxisScale log{1e-4000L, std::numeric_limits<Extended>::infinity(), 5, 0, true, 0, 2};
    const auto lt = MajorTicks(log, 0, 1000);
    QVERIFY(lt.size() <= size_t(MaxTicks));
    QVERIFY(lt.back().Last);
}

void TestAxis::labels_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("mantissa");
    QTest::addColumn<bool>("times");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("exponent");
    QTest::newRow("power of ten") << "1E+05"
                                  << "" << false << "10"
                                  << "5";
    QTest::newRow("mantissa and negative") << "2.5E-03"
                                           << "2.5" << true << "10"
                                           << "-3";
    QTest::newRow("minus one") << "-1E+12"
                               << "-" << false << "10"
                               << "12";
    QTest::newRow("three-digit exponent") << "1.5E+123"
                                          << "1.5" << true << "10"
                                          << "123";
    QTest::newRow("plain") << "12.50"
                           << "12.50" << false << ""
                           << "";
}

void TestAxis::labels() {
    QFETCH(QString, label);
    QFETCH(QString, mantissa);
    QFETCH(bool, times);
    QFETCH(QString, base);
    QFETCH(QString, exponent);
    const LabelParts p = SplitLabel(label.toStdString());
    QCOMPARE(QString::fromStdString(p.Mantissa), mantissa);
    QCOMPARE(p.Times, times);
    QCOMPARE(QString::fromStdString(p.Base), base);
    QCOMPARE(QString::fromStdString(p.Exponent), exponent);
}

QTEST_GUILESS_MAIN(TestAxis)
#include "tst_axis.moc"

void TestAxis::hugeProposalsReadBack_data() {
    QTest::addColumn<Extended>("lo");
    QTest::addColumn<Extended>("hi");
    QTest::newRow("1.2E18 to 1.7E18") << Extended(1.2e18L) << Extended(1.7e18L);
    QTest::newRow("1E19 to 3E19") << Extended(1e19L) << Extended(3e19L);
    QTest::newRow("1.5E25 to 2.5E25") << Extended(1.5e25L) << Extended(2.5e25L);
    QTest::newRow("1E18 to 1E25") << Extended(1e18L) << Extended(1e25L);
}

// The proposed ends of huge data are told apart in their fields and read back as proposed.
void TestAxis::hugeProposalsReadBack() {
    QFETCH(Extended, lo);
    QFETCH(Extended, hi);
    const AxisProposal p = ScaleMinMax(lo, hi, 5, 3);
    const std::string a = ProposalText(p.Min, p.Decimals), b = ProposalText(p.Max, p.Decimals);
    QVERIFY2(a != b, (a + " " + b).c_str());
    Extended ra = 0, rb = 0;
    QVERIFY(TryStrToReal(a, ra) && TryStrToReal(b, rb));
    QCOMPARE(double(ra), double(p.Min));
    QCOMPARE(double(rb), double(p.Max));
    QVERIFY(ra <= lo && rb >= hi);
}
