#include "plot/outputdata.h"

#include <QtTest>

namespace {
QStringList Names(const TOutputData& d, bool units = false) {
    QStringList l;
    for (int c = 1; c <= d.NCols; ++c)
        l << QString::fromStdString(units ? d.Units[size_t(c)] : d.Names[size_t(c)]);
    return l;
}
QList<double> Column(const TOutputData& d, int c) {
    QList<double> l;
    for (int r = 1; r <= d.NRows; ++r)
        l << d.Value(c, r);
    return l;
}
} // namespace

class TestOutputData : public QObject {
    Q_OBJECT
  private slots:
    void headers_data();
    void headers();
    void values();
    void wideFile();
    void oddValues();
    void missingFile();
    void bigFile();
    void engineLayoutExact();
};

void TestOutputData::headers_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<bool>("hasNames");
    QTest::addColumn<bool>("hasUnits");
    QTest::addColumn<int>("rows");
    QTest::newRow("names then data")
        << QByteArray("TIME A B\n1 2 3\n4 5 6\n") << QStringList{"TIME", "A", "B"}
        << QStringList{"", "", ""} << true << false << 2;
    QTest::newRow("names and units")
        << QByteArray("TIME,A\tB\nS M KG\n1 2 3\n") << QStringList{"TIME", "A", "B"}
        << QStringList{"S", "M", "KG"} << true << true << 1;
    QTest::newRow("blank-led second line is units")
        << QByteArray("T A\n 1 2\n3 4\n") << QStringList{"T", "A"} << QStringList{"1", "2"} << true
        << true << 1;
    QTest::newRow("no names") << QByteArray("0.0 1 2\n1.0 3 4\n")
                              << QStringList{"TIME", "Col 2", "Col 3"} << QStringList{"", "", ""}
                              << false << false << 2;
    QTest::newRow("quote before name") << QByteArray("\"X Y\n1 2\n") << QStringList{"\"X", "Y"}
                                       << QStringList{"", ""} << true << false << 2;
    QTest::newRow("double comma") << QByteArray("A,,B\n1 2\n") << QStringList{"A", "B"}
                                  << QStringList{"", ""} << true << false << 2;
    QTest::newRow("ends after header") << QByteArray("A B\nU V\n") << QStringList{"A", "B"}
                                       << QStringList{"U", "V"} << true << true << 1;
    QTest::newRow("one line without names") << QByteArray("1 2\n") << QStringList{"TIME", "Col 2"}
                                            << QStringList{"", ""} << false << false << 2;
    QTest::newRow("long name cut")
        << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ B\n1 2")
        << QStringList{"ABCDEFGHIJKLMNOPQRST", "B"} << QStringList{"", ""} << true << false << 2;
    QTest::newRow("crlf and trailing empty line")
        << QByteArray("A\r\n-1\r\n2\r\n\r\n") << QStringList{"A"} << QStringList{""} << true
        << false << 3;
}

void TestOutputData::headers() {
    QFETCH(QByteArray, text);
    QFETCH(QStringList, names);
    QFETCH(QStringList, units);
    QFETCH(bool, hasNames);
    QFETCH(bool, hasUnits);
    QFETCH(int, rows);
    TOutputData d;
    ReadOutputText(text.toStdString(), d);
    QCOMPARE(Names(d), names);
    QCOMPARE(Names(d, true), units);
    QCOMPARE(bool(d.HasNames), hasNames);
    QCOMPARE(bool(d.HasUnits), hasUnits);
    QCOMPARE(d.NRows, rows);
}

void TestOutputData::values() {
    TOutputData d;
    // The second row runs on to the next line; the rest of that line is skipped.
    ReadOutputText("T A B\nS M K\n 0.0000E+00  1.5 -2\n 1.0000E+00\n 2.5 4 99\n 2 8 0.1\n", d);
    QCOMPARE(d.NRows, 4);
    QCOMPARE(Column(d, 1), (QList<double>{0, 1, 2, 0}));
    QCOMPARE(Column(d, 2), (QList<double>{1.5, 2.5, 8, 0}));
    QCOMPARE(Column(d, 3), (QList<double>{-2, 4, RoundToReal48(0.1), 0}));
    QCOMPARE(d.Min(3), -2.0);
    QCOMPARE(d.Max(3), 4.0);
    QCOMPARE(d.Min(1), 0.0); // the extra counted row reads as 0
}

void TestOutputData::wideFile() {
    QString names, row;
    for (int i = 1; i <= 30; ++i) {
        names += QString("C%1 ").arg(i);
        row += QString("%1 ").arg(i);
    }
    TOutputData d;
    ReadOutputText((names + "\n" + row + "\n" + row + "\n").toStdString(), d);
    QCOMPARE(d.NCols, 25);
    QCOMPARE(Column(d, 25), (QList<double>{25, 25}));
    QCOMPARE(Column(d, 1), (QList<double>{1, 1})); // the 26th..30th numbers are skipped
}

void TestOutputData::oddValues() {
    TOutputData d;
    ReadOutputText("A B\n1e40 x\n-1e300 5\n", d);
    QCOMPARE(Column(d, 1), (QList<double>{Real48Max, -Real48Max}));
    QCOMPARE(Column(d, 2), (QList<double>{0, 5}));
    QCOMPARE(d.Max(1), Real48Max);
}

void TestOutputData::missingFile() {
    TOutputData d;
    ReadOutputText("A\n1\n", d);
    QVERIFY(!ReadOutputFile("/no/such/file.out", d));
    QCOMPARE(d.NCols, 0);
    QCOMPARE(d.NRows, 0);
}

void TestOutputData::bigFile() {
    // Several buffers' worth, so numbers and lines straddle the reader's buffer edges.
    std::string text = "TIME X\nS M\n";
    const int rows = 300000;
    for (int i = 0; i < rows; ++i)
        text += " " + std::to_string(i) + ".0000E+00      " + std::to_string(2 * i) + "\n";
    TOutputData d;
    ReadOutputText(text, d);
    QCOMPARE(d.NRows, rows);
    QCOMPARE(d.Value(1, 1), 0.0);
    QCOMPARE(d.Value(2, rows), 2.0 * (rows - 1));
    QCOMPARE(d.Value(1, 174763), 174762.0);
    QCOMPARE(d.Max(2), 2.0 * (rows - 1));
    double sum = 0;
    for (int r = 1; r <= rows; ++r)
        sum += d.Value(1, r);
    QCOMPARE(sum, double(rows) * (rows - 1) / 2);
}

void TestOutputData::engineLayoutExact() {
    // Numbers in the engine's "%13.4E" layout read exactly as the general conversion does.
    std::string text = "A B\nU V\n";
    std::vector<double> want;
    uint64_t seed = 7;
    for (int i = 0; i < 4000; ++i) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        const double x =
            std::ldexp(double(seed >> 11) / double(1ull << 53) - 0.5, int(seed % 140) - 70);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%13.4E", x);
        text += buf;
        text += (i % 2) ? "\n" : "";
        want.push_back(RoundToReal48(std::strtod(buf, nullptr)));
    }
    TOutputData d;
    ReadOutputText(text, d);
    QCOMPARE(d.NRows, 2000);
    for (int i = 0; i < 4000; ++i)
        QCOMPARE(d.Value(1 + i % 2, 1 + i / 2), want[size_t(i)]);
}

QTEST_GUILESS_MAIN(TestOutputData)
#include "tst_outputdata.moc"
