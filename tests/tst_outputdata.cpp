#include "plot/outputdata.h"

#include <QtTest>

#include <atomic>
#include <thread>
#include <unistd.h>

using namespace kolshell;

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
    void longHeaderLines();
    void oddValues();
    void missingFile();
    void bigFile();
    void engineLayoutExact();
    void engineLayoutNearTies();
    void engineLines_data();
    void engineLines();
    void twoParts_data();
    void twoParts();
    void linesNoNumberReaches_data();
    void linesNoNumberReaches();
    void fileRewrittenWhileRead();
    void fileShorterThanItsCount_data();
    void fileShorterThanItsCount();
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
    // The extra counted row repeats the last row read: no column is pulled to 0 by it.
    QCOMPARE(Column(d, 1), (QList<double>{0, 1, 2, 2}));
    QCOMPARE(Column(d, 2), (QList<double>{1.5, 2.5, 8, 8}));
    QCOMPARE(Column(d, 3), (QList<double>{-2, 4, RoundToReal48(0.1), RoundToReal48(0.1)}));
    QCOMPARE(d.Min(3), -2.0);
    QCOMPARE(d.Max(3), 4.0);
    QCOMPARE(d.Min(2), 1.5);
    // A one-line file counts as two rows, the second the same as the first.
    ReadOutputText("5 7\n", d);
    QCOMPARE(d.NRows, 2);
    QCOMPARE(Column(d, 2), (QList<double>{7, 7}));
    QCOMPARE(d.Min(2), 7.0);
}

void TestOutputData::longHeaderLines() {
    // A header line of 25 names of ten characters comes to more than 255 characters: every
    // name and unit is read, up to the last.
    QString names, units, row;
    for (int i = 1; i <= 25; ++i) {
        names += QString("NAME%1").arg(i, 6, 10, QChar('0')) + "  ";
        units += QString("unit%1").arg(i, 6, 10, QChar('0')) + "  ";
        row += QString("%1 ").arg(i);
    }
    QVERIFY(names.size() > 255);
    TOutputData d;
    ReadOutputText((names + "\n" + units + "\n" + row + "\n").toStdString(), d);
    QCOMPARE(d.NCols, 25);
    QCOMPARE(Names(d).last(), QString("NAME000025"));
    QCOMPARE(Names(d, true).last(), QString("unit000025"));
    QCOMPARE(Column(d, 25).first(), 25.0);
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
    // Several windows' worth, read from a file, so numbers and lines straddle the window edges
    // and the file is read in two parts.
    std::string text = "TIME X\nS M\n";
    const int rows = 300000;
    for (int i = 0; i < rows; ++i)
        text += " " + std::to_string(i) + ".0000E+00      " + std::to_string(2 * i) + "\n";
    QTemporaryDir dir;
    const std::string name = (dir.path() + "/BIG.OUT").toStdString();
    FILE* f = std::fopen(name.c_str(), "wb");
    QVERIFY(f && std::fwrite(text.data(), 1, text.size(), f) == text.size());
    std::fclose(f);
    TOutputData d;
    QVERIFY(ReadOutputFile(name, d));
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

void TestOutputData::engineLayoutNearTies() {
    // Numbers whose value lies within a few units of the last place of a 6-byte rounding tie:
    // the quick scaling must not round them the other way.
    std::string text = "A\nU\n";
    std::vector<double> want;
    for (int e = -18; e <= 0; ++e)
        for (int m = 10000; m <= 99999; ++m) {
            char buf[32];
            std::snprintf(buf, sizeof buf, " %d.%04dE%+03d", m / 10000, m % 10000, e);
            const double x = std::strtod(buf, nullptr);
            uint64_t bits;
            std::memcpy(&bits, &x, 8);
            if ((bits & 0x1FFF) < 0x1000 - 3 || (bits & 0x1FFF) > 0x1000 + 3) continue;
            text += std::string(buf) + "\n";
            want.push_back(RoundToReal48(x));
        }
    QVERIFY(want.size() > 100);
    TOutputData d;
    ReadOutputText(text, d);
    for (size_t i = 0; i < want.size(); ++i)
        QCOMPARE(d.Value(1, int(i) + 1), want[i]);
    // The same numbers as whole lines of 13-character fields, two to a line.
    std::string fields = "A B\nU V\n";
    size_t start = 4;
    for (size_t i = 0; i < want.size(); ++i) {
        const size_t end = text.find('\n', start);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%13s", text.substr(start, end - start).c_str() + 1);
        fields += buf + std::string(i % 2 ? "\n" : "");
        start = end + 1;
    }
    ReadOutputText(fields, d);
    for (size_t i = 0; i < want.size(); ++i)
        QCOMPARE(d.Value(1 + int(i % 2), 1 + int(i / 2)), want[i]);
}

void TestOutputData::engineLines_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("signs") << QByteArray("   1.2345E+02  -9.9999E-01   0.0000E+00\n");
    QTest::newRow("negative zero") << QByteArray("  -0.0000E+00   1.0000E+00  -5.0000E-05\n");
    QTest::newRow("exponent ends") << QByteArray("   9.9999E+22   1.0000E-22   4.5000E+26\n");
    QTest::newRow("three exponent digits")
        << QByteArray("   1.0000E+00  1.2345E+100  -2.5000E+01\n");
    QTest::newRow("crlf") << QByteArray("   1.0000E+00   2.0000E+00   3.0000E+00\r\n");
    QTest::newRow("a field otherwise") << QByteArray("   1.0000E+00   2.00001E+0   3.0000E+00\n");
    QTest::newRow("lower-case e") << QByteArray("   1.0000e+00   2.0000E+00   3.0000E+00\n");
    QTest::newRow("tab in a field") << QByteArray("   1.0000E+00\t  2.0000E+00   3.0000E+00\n");
    QTest::newRow("more fields") << QByteArray(
        "   1.0000E+00   2.0000E+00   3.0000E+00   4.0E+00\n");
    QTest::newRow("digits out of place") << QByteArray("   1.0000E+00   2.0:00E+00   3.0000E+00\n");
}

// Lines in the engine's layout, read whole, give what the general conversion gives for each
// number; lines that only look like it are read number by number.
void TestOutputData::engineLines() {
    QFETCH(QByteArray, line);
    const std::string text = "A B C\nU V W\n" + line.toStdString() + line.toStdString();
    TOutputData d;
    ReadOutputText(text, d);
    QCOMPARE(d.NRows, 2);
    const QList<QByteArray> words = line.simplified().split(' ');
    for (int c = 1; c <= 3; ++c) {
        char* end = nullptr;
        double want = std::strtod(words[c - 1].constData(), &end);
        if (*end != '\0') want = 0; // not a number
        for (int r = 1; r <= 2; ++r)
            QCOMPARE(d.Value(c, r), RoundToReal48(want));
    }
}

void TestOutputData::twoParts_data() {
    QTest::addColumn<QByteArray>("text");
    auto lines = [](const char* head, const char* row, int n) {
        QByteArray t(head);
        for (int i = 0; i < n; ++i)
            t += QByteArray(row).replace("#", QByteArray::number(i));
        return t;
    };
    QTest::newRow("one line per row") << lines("T A B\nS M K\n", " #.0 -# 1.5E+0#\n", 40);
    QTest::newRow("rows over two lines") << lines("T A B\nS M K\n", " #.0 -#\n 3\n", 40);
    QTest::newRow("rows over lines, then one per line")
        << lines("T A B\n", "# 1\n2\n", 20) + lines("", "# 2 3\n", 21);
    QTest::newRow("extra numbers skipped") << lines("T A\n", "# 1 2 3 4,5\n", 33);
    QTest::newRow("no names") << lines("", "#,2,3\n", 35);
    QTest::newRow("units line is data") << lines("T A\n", "-# 7\r\n", 35);
    QTest::newRow("no end on the last line") << lines("T A\n", "# 8\n", 30) + "9 9";
    QTest::newRow("short rows at the end") << lines("T A B C\n", "# 8 7 6\n", 30) + "1\n2\n";
    QTest::newRow("empty lines") << lines("T A\n", "# 8\n\n", 30);
}

// A text read in two parts gives the table one pass gives.
void TestOutputData::twoParts() {
    QFETCH(QByteArray, text);
    TOutputData one, two;
    ReadOutputText(text.toStdString(), one, UINT64_MAX);
    ReadOutputText(text.toStdString(), two, 0);
    QCOMPARE(two.NRows, one.NRows);
    QCOMPARE(two.NCols, one.NCols);
    for (int c = 1; c <= one.NCols; ++c) {
        QCOMPARE(Column(two, c), Column(one, c));
        QCOMPARE(two.Min(c), one.Min(c));
        QCOMPARE(two.Max(c), one.Max(c));
    }
}

void TestOutputData::linesNoNumberReaches_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<double>>("first");
    const QByteArray names = "T A B C D E F G H I J K L M N O P Q R S U V W X Y\n";
    QTest::newRow("blank lines") << names + QByteArray(20000, '\n') << 401 << QList<double>();
    QTest::newRow("separators only")
        << names + QByteArray(",,\n").repeated(5000) << 300 << QList<double>();
    QTest::newRow("one number a line")
        << names + QByteArray("7\n").repeated(10000) << 401 << QList<double>(25, 7);
    QTest::newRow("numbers then blank lines")
        << "T A\n1 2\n3 4\n" + QByteArray(1000, '\n') << 253 << QList<double>{1, 2};
    QTest::newRow("one long line") << names + QByteArray("1 ").repeated(100000) + "\n"
                                   << 2 << QList<double>(25, 1);
}

// Lines that no number reaches count as rows only as far as the file's numbers could fill
// them, plus one: the table stays within three times the file's size. The rows that hold
// numbers come out as before.
void TestOutputData::linesNoNumberReaches() {
    QFETCH(QByteArray, text);
    QFETCH(int, rows);
    QFETCH(QList<double>, first);
    TOutputData d;
    ReadOutputText(text.toStdString(), d);
    QCOMPARE(d.NRows, rows);
    QVERIFY(uint64_t(d.NRows) * uint64_t(d.NCols) * 6 <= 3 * uint64_t(text.size()));
    QList<double> row;
    for (int c = 1; c <= first.size(); ++c)
        row << d.Value(c, 1);
    QCOMPARE(row, first);
    // The row past the numbers repeats the last one read.
    QCOMPARE(d.Value(d.NCols, d.NRows), d.Value(d.NCols, d.NRows - 1));
}

namespace {
// An output file as a run writes it: names, units, then rows in the engine's layout whose
// values all differ (row r holds r mod 10000 and r div 10000 + 0.5).
double RunValue(int row, int col) {
    return col == 1 ? (row - 1) % 10000 : (row - 1) / 10000 + 0.5;
}
std::string RunOutput(int rows) {
    std::string text = "TIME X\nS M\n";
    char buf[64];
    for (int r = 1; r <= rows; ++r) {
        std::snprintf(buf, sizeof buf, "%13.4E%13.4E\n", RunValue(r, 1), RunValue(r, 2));
        text += buf;
    }
    return text;
}
bool RunRow(const TOutputData& d, int r) {
    return d.Value(1, r) == RunValue(r, 1) && d.Value(2, r) == RunValue(r, 2);
}
} // namespace

// A run rewrites an output file from its start while the file is read (Plot, New Plot during a
// run): every read gives rows as the file holds them, cut where the file ended at that moment,
// and never a signal.
void TestOutputData::fileRewrittenWhileRead() {
    QTemporaryDir dir;
    const std::string name = (dir.path() + "/RUN.OUT").toStdString();
    const std::string text = RunOutput(200000);
    {
        FILE* f = std::fopen(name.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    std::atomic<bool> stop{false};
    std::thread run([&] {
        while (!stop) {
            FILE* f = std::fopen(name.c_str(), "wb"); // truncated, then written from the start
            for (size_t at = 0; at < text.size() && !stop; at += 4096)
                std::fwrite(text.data() + at, 1, std::min<size_t>(4096, text.size() - at), f);
            std::fclose(f);
        }
    });
    bool shorter = false;
    for (int i = 0; i < 40; ++i) {
        TOutputData d;
        QVERIFY(ReadOutputFile(name, d));
        QVERIFY(d.NRows <= 200001);
        shorter |= d.NRows < 200000;
        // Every row but the last is whole: the last may end where the file ended.
        for (int r = 1; r < d.NRows; ++r)
            if (!RunRow(d, r)) {
                stop = true;
                run.join();
                QFAIL(qPrintable(QString("row %1 of %2 is %3 %4")
                                     .arg(r)
                                     .arg(d.NRows)
                                     .arg(d.Value(1, r))
                                     .arg(d.Value(2, r))));
            }
    }
    stop = true;
    run.join();
    if (!shorter) qInfo("the run never cut a read short");
}

void TestOutputData::fileShorterThanItsCount_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("kept");
    QTest::newRow("one part") << 100000 << 5000;
    QTest::newRow("two parts, cut in the first") << 200000 << 5000;
    QTest::newRow("two parts, cut in the second") << 200000 << 150000;
}

// A file cut down between the count of its rows and the reading of its values keeps the rows
// read before its new end.
void TestOutputData::fileShorterThanItsCount() {
    QFETCH(int, rows);
    QFETCH(int, kept);
    QTemporaryDir dir;
    const std::string name = (dir.path() + "/RUN.OUT").toStdString();
    const std::string text = RunOutput(rows);
    FILE* f = std::fopen(name.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    const size_t size = 12 + 27 * size_t(kept) + 13; // the kept rows and one number more
    OutputReadBetweenPasses = [&] { QCOMPARE(truncate(name.c_str(), off_t(size)), 0); };
    TOutputData d;
    const bool ok = ReadOutputFile(name, d);
    OutputReadBetweenPasses = nullptr;
    QVERIFY(ok);
    QCOMPARE(d.NRows, kept);
    QVERIFY(RunRow(d, 1));
    QVERIFY(RunRow(d, kept));
    QCOMPARE(d.Max(1), std::min(kept, 10000) - 1.0);
    QCOMPARE(d.Max(2), RunValue(kept, 2));
}

QTEST_GUILESS_MAIN(TestOutputData)
#include "tst_outputdata.moc"
