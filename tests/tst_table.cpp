// The parametric table: display texts, cell edits, clipboard, the ".TBL" layout byte by byte,
// hostile files, and the deck scan.
#include "common/codecs.h"
#include "common/paths.h"
#include "table/deckscan.h"
#include "table/rundecks.h"
#include "table/tableedits.h"
#include "table/tablemodel.h"
#include "tests/support/bytes.h"
#include "tests/support/testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(Extended)

namespace {

// An 80-bit real by hand: sign and exponent, then the 64-bit significand with its integer bit.
std::string Ext(bool neg, int exponent, uint64_t significand) {
    std::string b;
    for (int i = 0; i < 8; ++i)
        b += char((significand >> (8 * i)) & 0xFF);
    Add16(b, (neg ? 0x8000 : 0) | (exponent + 16383));
    return b;
}

std::string Pstr(const std::string& s, size_t width) {
    std::string b(1, char(s.size()));
    b += s;
    b.resize(width, '\0');
    return b;
}

// Deck "C:\RUNS\TANK.DCK", 2 runs, one column "AREA" holding 2.5 and -1 (index 0 zero).
std::string TableFixture() {
    std::string b = Pstr("C:\\RUNS\\TANK.DCK", 256);
    Add32(b, 2); // ColCount
    Add32(b, 3); // RowCount
    for (int w : {100, 200, 0, 0, 300, 150})
        Add16(b, w);
    b += Pstr("TANKS1.TMP", 97) + Pstr("", 97) + Pstr("", 97);
    std::string record;
    Add16(record, 1);
    Add16(record, 0);
    record += std::string(2, '\0');
    record += Pstr("AREA", 31);
    record += std::string(3 + 4, '\0');
    record += char(2);
    record += '\0';
    Add16(record, 4);
    record += std::string(12, '\0');
    b += record;
    b += std::string(10, '\0');                // run 0
    b += Ext(false, 1, 0xA000000000000000ull); // 2.5
    b += Ext(true, 0, 0x8000000000000000ull);  // -1
    Add16(b, 0);
    return b;
}

QStringList Row(const TTable& t, int row) {
    QStringList l;
    for (int c = 1; c < t.ColCount; ++c)
        l << QString::fromStdString(GetS(t, c, row));
    return l;
}

} // namespace

class TestTable : public QObject {
    Q_OBJECT
  private slots:
    void displayTexts_data();
    void displayTexts();
    void cellEdits_data();
    void cellEdits();
    void copy();
    void paste_data();
    void paste();
    void fileLayout();
    void roundTrip();
    void hostileFiles_data();
    void hostileFiles();
    void deckReassociation();
    void deckScan_data();
    void deckScan();
    void runCounts_data();
    void runCounts();
    void alterValues_data();
    void alterValues();
    void alterOverflow_data();
    void alterOverflow();
    void insertDeleteRuns_data();
    void insertDeleteRuns();
    void changeVariables();
    void runDeckLines_data();
    void runDeckLines();
    void tableRun();
    void undefinedCellStopsFirst();
};

void TestTable::displayTexts_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("2.5") << 2.5 << "2.500";
    QTest::newRow("25") << 25.0 << "25.00";
    QTest::newRow("2500") << 2500.0 << "2500";
    QTest::newRow("250000") << 250000.0 << "250000";
    QTest::newRow("0.5") << 0.5 << "0.5000";
    QTest::newRow("0.05") << 0.05 << "5.000E-02";
    QTest::newRow("0") << 0.0 << "0.0";
    QTest::newRow("undefined") << double(UndefinedValue) << "Enter value";
    QTest::newRow("blank") << double(BlankValue) << " ";
}

void TestTable::displayTexts() {
    QFETCH(double, value);
    QFETCH(QString, text);
    TTable t = NewTable({"AREA"}, 1);
    t.Columns[0].Values[1] = value == double(UndefinedValue) ? UndefinedValue
                             : value == double(BlankValue)   ? BlankValue
                                                             : Extended(value);
    QCOMPARE(QString::fromStdString(GetS(t, 1, 1)), text);
    QCOMPARE(QString::fromStdString(GetS(t, 1, 0)), QString("AREA"));
    QCOMPARE(QString::fromStdString(GetS(t, 0, 1)), QString());
}

void TestTable::cellEdits_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("changedBySecond");
    QTest::newRow("blank") << "3"
                           << "   "
                           << " " << true;
    QTest::newRow("letters keep the old value") << "3"
                                                << "abc"
                                                << "3.000" << false;
    QTest::newRow("same value again") << " 3 "
                                      << "3.0"
                                      << "3.000" << false;
    QTest::newRow("decimal comma is no number") << "3"
                                                << "3,5"
                                                << "3.000" << false;
}

void TestTable::cellEdits() {
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, shown);
    QFETCH(bool, changedBySecond);
    TTable t = NewTable({"A"}, 2);
    t.TableChanged = false;
    QVERIFY(GridSetEditText(t, 1, 1, first.toStdString()));
    QVERIFY(t.TableChanged);
    t.TableChanged = false;
    QCOMPARE(GridSetEditText(t, 1, 1, second.toStdString()), changedBySecond);
    QCOMPARE(t.TableChanged, changedBySecond);
    QCOMPARE(QString::fromStdString(GetS(t, 1, 1)), shown);
    QVERIFY(!GridSetEditText(t, 2, 1, "1")); // no such column
}

void TestTable::copy() {
    TTable t = NewTable({"A", "B"}, 3);
    GridSetEditText(t, 1, 1, "1");
    GridSetEditText(t, 2, 2, "2.5");
    QCOMPARE(CopytoClip(t, 1, 1, 2, 2), std::string("1.0000\tEnter value\r\nEnter value\t2.500"));
    const std::string back = CopytoClip(t, 2, 1, 2, 1);
    QCOMPARE(PasteText(t, 1, 3, back), std::string("Bad number in row 3 column 1"));
}

void TestTable::paste_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("message");
    QTest::newRow("three numbers, two columns left")
        << 2 << 1 << "1\t2\t3"
        << QStringList({"Enter value|1.0000|2.000", "Enter value|Enter value|Enter value"}) << "";
    QTest::newRow("more lines than runs")
        << 1 << 1 << "1\r\n2\r\n3\r\n"
        << QStringList({"1.0000|Enter value|Enter value", "2.000|Enter value|Enter value"}) << "";
    QTest::newRow("dropped rest then next line")
        << 2 << 1 << "1\t2\t3\t4\n5\n"
        << QStringList({"Enter value|1.0000|2.000", "Enter value|5.000|Enter value"}) << "";
    QTest::newRow("inf is blank") << 1 << 2 << "inf\t-INF"
                                  << QStringList({"Enter value|Enter value|Enter value",
                                                  " |-inf|Enter value"})
                                  << "";
    QTest::newRow("bad number keeps earlier cells")
        << 1 << 1 << "7\tx\t9"
        << QStringList({"7.000|Enter value|Enter value", "Enter value|Enter value|Enter value"})
        << "Bad number in row 1 column 2";
}

void TestTable::paste() {
    QFETCH(int, col);
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(QStringList, rows);
    QFETCH(QString, message);
    TTable t = NewTable({"A", "B", "C"}, 2);
    QCOMPARE(QString::fromStdString(PasteText(t, col, row, text.toStdString())), message);
    QCOMPARE(Row(t, 1).join("|"), rows[0]);
    QCOMPARE(Row(t, 2).join("|"), rows[1]);
}

void TestTable::fileLayout() {
    TTable t;
    std::string error;
    const std::string fixture = TableFixture();
    QVERIFY2(DecodeTable(fixture, t, error), error.c_str());
    QCOMPARE(t.DeckName, std::string("C:\\RUNS\\TANK.DCK"));
    QCOMPARE(t.Runs(), 2);
    QCOMPARE(t.ClientRight - t.ClientLeft, 300);
    QCOMPARE(t.RunDeckNames[0], std::string("TANKS1.TMP"));
    QCOMPARE(t.Columns[0].Name, std::string("AREA"));
    QCOMPARE(GetS(t, 1, 1), std::string("2.500"));
    QCOMPARE(GetS(t, 1, 2), std::string("-1.0000"));
    // Written back, the bytes are the same (the unused record bytes are written as zero).
    QCOMPARE(EncodeTable(t), fixture);
}

void TestTable::roundTrip() {
    QTemporaryDir dir;
    TTable t = NewTable({"AREA", "FLOW_RATE_OF_THE_MAIN_PUMP_1234567"}, 3);
    GridSetEditText(t, 1, 1, "0.1");
    GridSetEditText(t, 2, 3, "-1.5e-300");
    t.ClientRight = 400;
    t.ClientBottom = 120;
    const std::string name = (dir.path() + "/RUN.TBL").toStdString();
    QVERIFY(SaveTable(t, name));
    QVERIFY(!t.TableChanged);
    TTable back;
    std::string message;
    QVERIFY(ReadTable(back, name, 1, message));
    QCOMPARE(back.Columns[1].Name.size(), size_t(30));
    QCOMPARE(EncodeExtended(back.Columns[0].Values[1]), EncodeExtended(t.Columns[0].Values[1]));
    QCOMPARE(EncodeExtended(back.Columns[1].Values[3]), EncodeExtended(t.Columns[1].Values[3]));
    QCOMPARE(back.Runs(), 3);
    QCOMPARE(back.ClientRight, int16_t(400));
    QVERIFY(!back.TableChanged);
}

void TestTable::hostileFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("why");
    const std::string good = TableFixture();
    auto with = [&](size_t at, const std::string& b) {
        std::string s = good;
        s.replace(at, b.size(), b);
        return QByteArray::fromStdString(s);
    };
    std::string big;
    Add32(big, 10001);
    std::string negative;
    Add32(negative, uint32_t(-1));
    std::string cols;
    Add32(cols, 3);
    QTest::newRow("empty") << QByteArray() << "it is too short to be a table";
    QTest::newRow("too many runs") << with(260, big) << "its run or column count is out of range";
    QTest::newRow("negative count")
        << with(256, negative) << "its run or column count is out of range";
    QTest::newRow("more columns than data") << with(256, cols) << "it ends before its last column";
    QTest::newRow("truncated") << QByteArray::fromStdString(good.substr(0, good.size() - 5))
                               << "it ends before its last column";
    QTest::newRow("trailing bytes")
        << QByteArray::fromStdString(good + "x") << "it holds more than its columns";
    QTest::newRow("name length above 30") << with(276 + 3 * 97 + 6, std::string(1, char(31)))
                                          << "a variable name is longer than 30 characters";
    QTest::newRow("run deck name above 96")
        << with(276, std::string(1, char(97))) << "a run deck name is too long";
    QTest::newRow("no end mark") << with(good.size() - 2, "\x01") << "its end mark is missing";
}

void TestTable::hostileFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);
    QTemporaryDir dir;
    const std::string name = WriteTestFile(dir.path(), "BAD.TBL", bytes.toStdString());
    TTable t = NewTable({"KEEP"}, 1);
    std::string message;
    QVERIFY(!ReadTable(t, name, 1, message));
    QCOMPARE(QString::fromStdString(message),
             QString::fromStdString("File " + name) + " is not a table file: " + why + ".");
    QCOMPARE(t.Columns[0].Name, std::string("KEEP")); // the table before is untouched
}

void TestTable::deckReassociation() {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("A.B");
    // A table in a folder with a dot: the deck named like the table is cut at the first dot.
    const std::string table = (dir.path() + "/A.B/RUN.TBL").toStdString();
    TTable t = NewTable({"AREA"}, 3);
    t.DeckName = "/moved/away/RUN.DCK";
    QVERIFY(SaveTable(t, table));
    std::string message;
    QVERIFY(ReadTable(t, table, 1, message));
    QCOMPARE(message, "File " + dir.path().toStdString() +
                          "/A.DCK which is used by this table was not found.");
    WriteTestFile(dir.path(), "A.DCK", "CONSTANTS 1\nAREA = 2\nEND\n");
    QVERIFY(ReadTable(t, table, 1, message));
    QCOMPARE(message, std::string());
    QCOMPARE(t.DeckName, dir.path().toStdString() + "/A.DCK");
}

void TestTable::deckScan_data() {
    QTest::addColumn<QString>("deck");
    QTest::addColumn<int>("unitSystem");
    QTest::addColumn<QStringList>("entries"); // name|units|description|value|count
    QTest::newRow("annotated and plain")
        << "CONSTANTS 2\nAREA = 10\n*|Collector area  |m2|ft2|0|10.76|0|100|0\nFLOW=200\nEND" << 1
        << QStringList(
               {"AREA|[ft2]|Collector area|10|0", "FLOW|[ft2]|No description available|200|0"});
    QTest::newRow("unit system 2") << "CONSTANTS 1\nAREA = 10\n*|Area|m2|ft2|0|1|0|1|0\nEND" << 2
                                   << QStringList({"AREA|[m2]|Area|10|0"});
    QTest::newRow("repeated name")
        << "CONSTANTS 1\nAREA = 1\nEQUATIONS 1\nX = 2\nCONSTANTS 1\n area = 2\nEND" << 1
        << QStringList(
               {"AREA| |No description available|1|0", "AREA1| |No description available|2|1"});
    QTest::newRow("empty value, comments skipped")
        << "CONSTANTS 1\n* a comment\nK =\nEND" << 1
        << QStringList({"K| |No description available|?|0"});
    QTest::newRow("unit context from a unit header")
        << "*|*     ***** UNIT 3 TYPE 2 Tank heater\nCONSTANTS 1\nQ = 5\nEND" << 1
        << QStringList({"Q|UNIT 3 Tank heater|No description available|5|0"});
    QTest::newRow("long description cut to 40")
        << "CONSTANTS 1\nX = 1\n*|" + QString(50, 'd') + "|a|b|\nEND" << 1
        << QStringList({"X|[b]|" + QString(40, 'd') + "|1|0"});
    QTest::newRow("ends on a CONSTANTS statement")
        << "EQUATIONS 0\nCONSTANTS 2\n* end" << 1 << QStringList();
    QTest::newRow("count beyond the deck")
        << "CONSTANTS 2000000000\nA = 1\nEND" << 1
        << QStringList({"A| |No description available|1|0", "END| |No description available|?|0"});
    QTest::newRow("count beyond the int range")
        << "CONSTANTS 99999999999\nA = 1\nB = 2\nEND" << 1
        << QStringList({"A| |No description available|1|0", "B| |No description available|2|0",
                        "END| |No description available|?|0"});
    QTest::newRow("a name three times")
        << "CONSTANTS 4\nA = 1\nA = 2\nA1 = 3\nA = 4\nEND" << 1
        << QStringList({"A| |No description available|1|0", "A1| |No description available|2|1",
                        "A12| |No description available|3|2", "A1| |No description available|4|1"});
}

void TestTable::deckScan() {
    QFETCH(QString, deck);
    QFETCH(int, unitSystem);
    QFETCH(QStringList, entries);
    std::vector<std::string> lines;
    for (const QString& l : deck.split('\n'))
        lines.push_back(l.toStdString());
    const auto list = ScanDeckLines(lines, unitSystem);
    QVERIFY(list);
    QStringList got;
    for (const DeckConstant& c : *list)
        got << QString::fromStdString(c.Name + "|" + c.Units + "|" + c.Description + "|" + c.Value +
                                      "|" + std::to_string(c.Count));
    QCOMPARE(got, entries);
    QVERIFY(!ScanDeckLines({"EQUATIONS 1", "X = 1", "END"}, 1)); // no CONSTANTS: no list
    QVERIFY(!ScanDeckLines({"X", "CONSTANTS 1"}, 1));            // the last line is not examined
}

namespace {
QStringList Column(const TTable& t, int c) {
    QStringList l;
    for (int r = 1; r <= t.Runs(); ++r)
        l << QString::fromStdString(GetS(t, c, r));
    return l;
}

// Records the command lines instead of running them.
class RecordingRunner : public TTableRunner {
  public:
    bool Run(const std::string& line) override {
        Lines.push_back(line);
        return true;
    }
    std::vector<std::string> Lines;
};
} // namespace

void TestTable::runCounts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("runs");
    QTest::newRow("ten") << " 10 " << 10;
    QTest::newRow("largest") << "9999" << 9999;
    QTest::newRow("zero") << "0" << -1;
    QTest::newRow("too many") << "10000" << -1;
    QTest::newRow("fraction") << "2.5" << -1;
    QTest::newRow("letters") << "ten" << -1;
}

void TestTable::runCounts() {
    QFETCH(QString, text);
    QFETCH(int, runs);
    int got = -1;
    std::string message;
    QCOMPARE(ParseRunCount(text.toStdString(), got, message), runs > 0);
    if (runs > 0)
        QCOMPARE(got, runs);
    else
        QCOMPARE(message, std::string("The number of runs must be a whole number from 1 to 9999."));
}

void TestTable::alterValues_data() {
    QTest::addColumn<int>("runs");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("lastAfter");
    QTest::newRow("increment, range clamped")
        << 5 << 2 << 9999 << int(AlterMode::Increment) << 1.0 << 0.5
        << QStringList({"Enter value", "1.0000", "1.500", "2.000", "2.500"}) << 5;
    QTest::newRow("last value") << 5 << 1 << 5 << int(AlterMode::LastValue) << 1.0 << 2.0
                                << QStringList({"1.0000", "1.250", "1.500", "1.750", "2.000"}) << 5;
    QTest::newRow("multiplier") << 4 << 1 << 4 << int(AlterMode::Multiplier) << 1.0 << 10.0
                                << QStringList({"1.0000", "10.00", "100.0", "1000"}) << 4;
    QTest::newRow("first beyond last") << 3 << 7 << 2 << int(AlterMode::Increment) << 4.0 << 1.0
                                       << QStringList({"Enter value", "Enter value", "4.000"}) << 3;
}

void TestTable::alterOverflow_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<Extended>("first");
    QTest::addColumn<Extended>("second");
    QTest::newRow("multiplier") << int(AlterMode::Multiplier) << Extended(1e4000L)
                                << Extended(1e300L);
    QTest::newRow("increment") << int(AlterMode::Increment) << Extended(1e4932L)
                               << Extended(1e4932L);
    QTest::newRow("last value") << int(AlterMode::LastValue) << Extended(-1e4932L)
                                << Extended(1e4932L);
}

// A series that overflows is refused with a message, and every cell keeps its old value.
void TestTable::alterOverflow() {
    QFETCH(int, mode);
    QFETCH(Extended, first);
    QFETCH(Extended, second);
    TTable t = NewTable({"X"}, 5);
    for (int run = 1; run <= 5; ++run)
        t.Columns[0].Values[size_t(run)] = run;
    MsgRecorder msgs;
    AlterRequest r;
    r.Column = 1;
    r.FirstRun = 1;
    r.LastRun = 5;
    r.Mode = AlterMode(mode);
    r.First = first;
    r.Second = second;
    QVERIFY(!AlterValues(t, r));
    QVERIFY(r.TooLarge);
    QCOMPARE(msgs.Texts(), std::vector<std::string>{"The value is too large."});
    QCOMPARE(Column(t, 1), (QStringList{"1.0000", "2.000", "3.000", "4.000", "5.000"}));
}

void TestTable::alterValues() {
    QFETCH(int, runs);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, mode);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(QStringList, values);
    QFETCH(int, lastAfter);
    TTable t = NewTable({"X"}, runs);
    AlterRequest r;
    r.Column = 1;
    r.FirstRun = first;
    r.LastRun = last;
    r.Mode = AlterMode(mode);
    r.First = a;
    r.Second = b;
    QVERIFY(AlterValues(t, r));
    QCOMPARE(Column(t, 1), values);
    QCOMPARE(r.LastRun, lastAfter);
    r.Clear = true;
    QVERIFY(AlterValues(t, r));
    QCOMPARE(Column(t, 1), QStringList(values.size(), "Enter value"));
    r.Column = 0;
    QVERIFY(!AlterValues(t, r));
}

void TestTable::insertDeleteRuns_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("where");
    QTest::addColumn<int>("after");
    QTest::addColumn<QStringList>("values");
    QTest::newRow("delete 3 at top")
        << -3 << int(RunPosition::Top) << 0 << QStringList({"4.000", "5.000"});
    QTest::newRow("delete 2 after 1")
        << -2 << int(RunPosition::After) << 1 << QStringList({"1.0000", "4.000", "5.000"});
    QTest::newRow("delete at bottom") << -1 << int(RunPosition::Bottom) << 0
                                      << QStringList({"1.0000", "2.000", "3.000", "4.000"});
    QTest::newRow("insert after 2") << 2 << int(RunPosition::After) << 2
                                    << QStringList({"1.0000", "2.000", "Enter value", "Enter value",
                                                    "3.000", "4.000", "5.000"});
    QTest::newRow("insert at bottom")
        << 1 << int(RunPosition::Bottom) << 0
        << QStringList({"1.0000", "2.000", "3.000", "4.000", "5.000", "Enter value"});
    QTest::newRow("after beyond the end")
        << 1 << int(RunPosition::After) << 99
        << QStringList({"1.0000", "2.000", "3.000", "4.000", "5.000", "Enter value"});
}

void TestTable::insertDeleteRuns() {
    QFETCH(int, n);
    QFETCH(int, where);
    QFETCH(int, after);
    QFETCH(QStringList, values);
    TTable t = NewTable({"X"}, 5);
    for (int r = 1; r <= 5; ++r)
        t.Columns[0].Values[size_t(r)] = r;
    std::string message;
    QCOMPARE(InsertDeleteRuns(t, n, RunPosition(where), after, 0, message), RunsResult::Done);
    QCOMPARE(Column(t, 1), values);
    QCOMPARE(t.RowCount, values.size() + 1);
    QCOMPARE(InsertDeleteRuns(t, -t.Runs(), RunPosition::Top, 0, 0, message),
             RunsResult::CloseTable);
    QCOMPARE(InsertDeleteRuns(t, 1, RunPosition::Top, 0, 100, message), RunsResult::Rejected);
    QCOMPARE(message, std::string("Error #100"));
}

void TestTable::changeVariables() {
    TTable t = NewTable({"A", "B", "C"}, 2);
    GridSetEditText(t, 1, 1, "1");
    GridSetEditText(t, 3, 2, "3");
    ChangeVariables(t, {"C", "NEW", "A"});
    QCOMPARE(t.ColCount, 4);
    QCOMPARE(Row(t, 0), QStringList({"C", "NEW", "A"}));
    QCOMPARE(Row(t, 1), QStringList({"Enter value", "Enter value", "1.0000"}));
    QCOMPARE(Row(t, 2), QStringList({"3.000", "Enter value", "Enter value"}));
    QCOMPARE(t.Columns[2].Number, int16_t(3));
}

void TestTable::runDeckLines_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("written");
    QTest::newRow("own output gets the suffix") << "ASSIGN mydeck.out 12"
                                                << "1"
                                                << "ASSIGN MYDECK1.OUT 12";
    QTest::newRow("first run keeps it") << "ASSIGN MYDECK.OUT 12"
                                        << ""
                                        << "ASSIGN MYDECK.OUT 12";
    QTest::newRow("other file shared") << "ASSIGN OTHER.OUT 13"
                                       << "2"
                                       << "ASSIGN OTHER.OUT 13";
    QTest::newRow("variable line replaced") << "  area = 12.5  ! the collector"
                                            << "1"
                                            << "AREA=2.5000E+00";
    QTest::newRow("longer name left alone") << "AREA2 = 3"
                                            << "1"
                                            << "AREA2 = 3";
    QTest::newRow("use in an equation left alone") << "X = AREA*2"
                                                   << "1"
                                                   << "X = AREA*2";
    QTest::newRow("comments upper-cased") << "*| Area |m2"
                                          << "1"
                                          << "*| AREA |M2";
}

void TestTable::runDeckLines() {
    QFETCH(QString, line);
    QFETCH(QString, suffix);
    QFETCH(QString, written);
    QCOMPARE(QString::fromStdString(RunDeckLine(line.toStdString(), "MYDECK", suffix.toStdString(),
                                                {"AREA"}, {"2.5000E+00"})),
             written);
}

void TestTable::tableRun() {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("my.dir");
    const std::string deck = WriteTestFile(dir.path(), "my.dir/deck.dck",
                                           "CONSTANTS 1\nAREA = 1\nASSIGN MY.OUT 12\nEND\n");
    TTable t = NewDeckTable(deck, {"AREA"}, 3);
    for (int r = 1; r <= 3; ++r)
        t.Columns[0].Values[size_t(r)] = r * 2.5;
    RecordingRunner runner;
    TTableRunOptions o;
    o.EngineDir = "/no/such/dir";
    o.DefaultEngineDir = dir.path().toStdString();
    WriteTestFile(dir.path(), "KOLVAN32.exe", "");
    o.KeepDecks = true;
    std::string message;
    QVERIFY2(RunTable(t, runner, o, message), message.c_str());
    // The stem is cut at the first dot of the whole name, in the deck's own directory.
    const std::string stem = dir.path().toStdString() + "/MY";
    QCOMPARE(t.RunDeckNames[0], stem + ".TMP");
    QCOMPARE(t.RunDeckNames[2], stem + "2.TMP");
    const std::string engine = dir.path().toStdString() + "\\KOLVAN32.exe ";
    QCOMPARE(runner.Lines,
             std::vector<std::string>({engine + stem + ".TMP /N", engine + stem + "1.TMP /N",
                                       engine + stem + "2.TMP /N"}));
    QCOMPARE(ReadTestFile(stem + "1.TMP"),
             std::string("CONSTANTS 1\r\nAREA=5.0000E+00\r\nASSIGN MY1.OUT 12\r\nEND\r\n"));
    o.KeepDecks = false;
    QVERIFY(RunTable(t, runner, o, message));
    QVERIFY(!FileExists(stem + ".TMP") && !FileExists(stem + "2.TMP"));
}

void TestTable::undefinedCellStopsFirst() {
    QTemporaryDir dir;
    const std::string deck = WriteTestFile(dir.path(), "D.DCK", "CONSTANTS 1\nK = 1\nEND\n");
    TTable t = NewDeckTable(deck, {"K", "L"}, 3);
    for (int r = 1; r <= 3; ++r)
        t.Columns[0].Values[size_t(r)] = t.Columns[1].Values[size_t(r)] = r;
    t.Columns[1].Values[3] = BlankValue;
    RecordingRunner runner;
    TTableRunOptions o;
    o.EngineDir = dir.path().toStdString();
    std::string message;
    QVERIFY(!RunTable(t, runner, o, message));
    QCOMPARE(message, std::string("Parameter in the col #2, run #3 isn't defined"));
    QVERIFY(runner.Lines.empty());
}

QTEST_GUILESS_MAIN(TestTable)
#include "tst_table.moc"
