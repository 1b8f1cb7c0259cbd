// The parametric table: display texts, cell edits, clipboard, the ".TBL" layout byte by byte,
// hostile files, and the deck scan.
#include "common/codecs.h"
#include "common/paths.h"
#include "table/deckscan.h"
#include "table/rundecks.h"
#include "table/tableedits.h"
#include "table/tablemodel.h"
#include "tests/support/bytes.h"
#include "tests/support/shown.h"
#include "tests/support/testsupport.h"

#include <QTemporaryDir>
#include <QtTest>
#include <climits>

using namespace kolshell;

Q_DECLARE_METATYPE(Extended)

namespace {

// Deck "C:\RUNS\TANK.DCK", 2 runs, one column "AREA" holding 2.5 and -1 (index 0 zero).
std::string TableFixture() {
    std::string b = LengthPrefixed("C:\\RUNS\\TANK.DCK", 256);
    Add32(b, 2); // ColCount
    Add32(b, 3); // RowCount
    for (int w : {100, 200, 0, 0, 300, 150})
        Add16(b, w);
    b += LengthPrefixed("TANKS1.TMP", 97) + LengthPrefixed("", 97) + LengthPrefixed("", 97);
    std::string record;
    Add16(record, 1);
    Add16(record, 0);
    record += std::string(2, '\0');
    record += LengthPrefixed("AREA", 31);
    record += std::string(3 + 4, '\0');
    record += char(2);
    record += '\0';
    Add16(record, 4);
    record += std::string(12, '\0');
    b += record;
    b += std::string(10, '\0');                          // run 0
    b += ExtendedBytes(false, 1, 0xA000000000000000ull); // 2.5
    b += ExtendedBytes(true, 0, 0x8000000000000000ull);  // -1
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
    void runTableBesideNumberedDeck();
    void runTableAsksBeforeReplacingLastResults();
    void runDeckNamesRecordedBeforeRuns();
    void displayTexts_data();
    void displayTexts();
    void cellEdits_data();
    void cellEdits();
    void copy();
    void paste_data();
    void paste();
    void fileLayout();
    void roundTrip();
    void fixtureRoundTrip_data();
    void fixtureRoundTrip();
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
    void editsMarkChanged_data();
    void editsMarkChanged();
    void runDeckLines_data();
    void runDeckLines();
    void sharedFiles_data();
    void sharedFiles();
    void tableRun();
    void sharedFileQuestion_data();
    void sharedFileQuestion();
    void refusedRunDecks_data();
    void refusedRunDecks();
    void runDecksInDottedFolder();
    void ownRunDecksOverwritten();
    void manyRunsBesideManyFiles();
    void runDeckNotWritten();
    void undefinedCellStopsFirst_data();
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

// Files laid out by hand: read and written again, every byte comes back.
void TestTable::fixtureRoundTrip_data() {
    QTest::addColumn<QByteArray>("bytes");
    const std::string f = TableFixture();
    QTest::newRow("one column") << QByteArray::fromStdString(f);
    std::string g = f;
    g.replace(0, 256, LengthPrefixed(std::string(255, 'D'), 256));
    g.replace(264, 2, std::string("\xFF\xFF", 2)); // OriginX -1
    g.replace(276 + 97, 97, LengthPrefixed(std::string(96, 'R'), 97));
    g.replace(276 + 3 * 97 + 6, 31, LengthPrefixed(std::string(30, 'N'), 31));
    QTest::newRow("full names") << QByteArray::fromStdString(g);
}

void TestTable::fixtureRoundTrip() {
    QFETCH(QByteArray, bytes);
    TTable t;
    std::string error;
    QVERIFY2(DecodeTable(bytes.toStdString(), t, error), error.c_str());
    QCOMPARE(QByteArray::fromStdString(EncodeTable(t)).toHex(), bytes.toHex());
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
    // A table in a folder with a dot: the deck named like the table lies beside the table.
    const std::string table = (dir.path() + "/A.B/RUN.TBL").toStdString();
    TTable t = NewTable({"AREA"}, 3);
    t.DeckName = "/moved/away/RUN.DCK";
    QVERIFY(SaveTable(t, table));
    std::string message;
    QVERIFY(ReadTable(t, table, 1, message));
    QCOMPARE(message, "File " + dir.path().toStdString() +
                          "/A.B/RUN.DCK which is used by this table was not found.");
    WriteTestFile(dir.path() + "/A.B", "RUN.DCK", "CONSTANTS 1\nAREA = 2\nEND\n");
    QVERIFY(ReadTable(t, table, 1, message));
    QCOMPARE(message, std::string());
    QCOMPARE(t.DeckName, dir.path().toStdString() + "/A.B/RUN.DCK");
}

void TestTable::deckScan_data() {
    QTest::addColumn<QString>("deck");
    QTest::addColumn<int>("unitSystem");
    QTest::addColumn<QStringList>("entries"); // name|units|description|value|count
    QTest::newRow("annotated and plain")
        << "CONSTANTS 2\nAREA = 10\n*|Collector area  |m2|ft2|0|10.76|0|100|0\nFLOW=200\nEND" << 1
        << QStringList(
               {"AREA|[m2]|Collector area|10|0", "FLOW|[m2]|No description available|200|0"});
    QTest::newRow("unit system 2") << "CONSTANTS 1\nAREA = 10\n*|Area|m2|ft2|0|1|0|1|0\nEND" << 2
                                   << QStringList({"AREA|[ft2]|Area|10|0"});
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
        << QStringList({"X|[a]|" + QString(40, 'd') + "|1|0"});
    // Statements that follow the last constant of another, with and without its annotation.
    for (int system : {1, 2}) {
        const QString area = system == 2 ? "[ft2]" : "[m2]";
        QTest::addRow("adjacent, plain, system %d", system)
            << "CONSTANTS 2\nAREA=10\nFLOW=200\nCONSTANTS 1\nAREA=5\nEND" << system
            << QStringList({"AREA| |No description available|10|0",
                            "FLOW| |No description available|200|0",
                            "AREA1| |No description available|5|1"});
        QTest::addRow("adjacent, annotated, system %d", system)
            << "CONSTANTS 1\nAREA=10\n*|Area|m2|ft2|0|1|0|1|0\nCONSTANTS 1\nFLOW=5\n"
               "*|Flow|m3|gal|0|1|0|1|0\nCONSTANTS 1\nAREA=5\nEND"
            << system
            << QStringList({"AREA|" + area + "|Area|10|0",
                            "FLOW|" + QString(system == 2 ? "[gal]" : "[m3]") + "|Flow|5|0",
                            "AREA1|" + QString(system == 2 ? "[gal]" : "[m3]") +
                                "|No description available|5|1"});
        QTest::addRow("adjacent after comments, system %d", system)
            << "CONSTANTS 1\nA=1\n* note\nCONSTANTS 1\nB=2\nEND" << system
            << QStringList(
                   {"A| |No description available|1|0", "B| |No description available|2|0"});
    }
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

// Answers a table run's questions from a script and remembers them.
class ScriptedHost : public TTableRunHost {
  public:
    std::string ChooseEngineDir() override { return EngineDir; }
    SharedAnswer SharedFile(const std::string& file) override {
        Shared.push_back(file);
        return Answer;
    }
    std::string EngineDir;
    SharedAnswer Answer = SharedAnswer::OneAtATime;
    std::vector<std::string> Shared;
    bool ReplaceLastResults(const std::string& question) override {
        Questions.push_back(question);
        return GoOn;
    }
    bool GoOn = true;
    std::vector<std::string> Questions;
};

// A table of three runs on a deck in dir, the engine (an empty file will do) beside it.
TTable RunnableTable(const QString& dir, const std::string& deckFile, const std::string& text,
                     TTableRunOptions& o) {
    const std::string deck = WriteTestFile(dir, deckFile, text);
    TTable t = NewDeckTable(deck, {"AREA"}, 3);
    for (int r = 1; r <= 3; ++r)
        t.Columns[0].Values[size_t(r)] = r * 2.5;
    WriteTestFile(dir, "KOLVAN32.exe", "");
    o.EngineDir = "/no/such/dir";
    o.DefaultEngineDir = dir.toStdString();
    return t;
}

QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}
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
    QVERIFY(!shown::AlterValues(t, r));
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
    QVERIFY(shown::AlterValues(t, r));
    QCOMPARE(Column(t, 1), values);
    QCOMPARE(r.LastRun, lastAfter);
    r.Clear = true;
    QVERIFY(shown::AlterValues(t, r));
    QCOMPARE(Column(t, 1), QStringList(values.size(), "Enter value"));
    r.Column = 0;
    QVERIFY(!shown::AlterValues(t, r));
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
    // Counts near the limits of int are refused without overflow, the table left as it was.
    const int runs = t.Runs();
    for (int huge : {INT_MAX, INT_MAX - 1, 9999 - runs + 1}) {
        message.clear();
        QCOMPARE(InsertDeleteRuns(t, huge, RunPosition::After, INT_MAX, 0, message),
                 RunsResult::Rejected);
        QCOMPARE(message, std::string("A table holds at most 9999 runs."));
        QCOMPARE(t.Runs(), runs);
    }
    QCOMPARE(InsertDeleteRuns(t, -INT_MAX, RunPosition::Top, 0, 0, message),
             RunsResult::CloseTable);
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
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("written");
    QTest::newRow("own output gets the suffix") << "ASSIGN mydeck.out 12"
                                                << "MYDECK"
                                                << "1"
                                                << "ASSIGN MYDECK1.OUT 12";
    QTest::newRow("first run keeps it") << "ASSIGN MYDECK.OUT 12"
                                        << "MYDECK"
                                        << ""
                                        << "ASSIGN MYDECK.OUT 12";
    QTest::newRow("other file shared") << "ASSIGN OTHER.OUT 13"
                                       << "MYDECK"
                                       << "2"
                                       << "ASSIGN OTHER.OUT 13";
    QTest::newRow("base at the end of another name") << "ASSIGN OTHER.OUT 13"
                                                     << "R"
                                                     << "1"
                                                     << "ASSIGN OTHER.OUT 13";
    QTest::newRow("base inside another name, then alone") << "ASSIGN XR.OUT R.OUT 13"
                                                          << "R"
                                                          << "1"
                                                          << "ASSIGN XR.OUT R1.OUT 13";
    QTest::newRow("after a path separator") << "ASSIGN C:\\RES\\R.OUT 13"
                                            << "R"
                                            << "2"
                                            << "ASSIGN C:\\RES\\R2.OUT 13";
    QTest::newRow("after a slash") << "ASSIGN res/r.plt 14"
                                   << "R"
                                   << "2"
                                   << "ASSIGN RES/R2.PLT 14";
    QTest::newRow("variable line replaced") << "  area = 12.5  ! the collector"
                                            << "MYDECK"
                                            << "1"
                                            << "AREA=2.5000E+00";
    QTest::newRow("longer name left alone") << "AREA2 = 3"
                                            << "MYDECK"
                                            << "1"
                                            << "AREA2 = 3";
    QTest::newRow("use in an equation left alone") << "X = AREA*2"
                                                   << "MYDECK"
                                                   << "1"
                                                   << "X = AREA*2";
    QTest::newRow("comments upper-cased") << "*| Area |m2"
                                          << "MYDECK"
                                          << "1"
                                          << "*| AREA |M2";
}

void TestTable::runDeckLines() {
    QFETCH(QString, line);
    QFETCH(QString, base);
    QFETCH(QString, suffix);
    QFETCH(QString, written);
    QCOMPARE(QString::fromStdString(RunDeckLine(line.toStdString(), base.toStdString(),
                                                suffix.toStdString(), {"AREA"}, {"2.5000E+00"})),
             written);
}

void TestTable::sharedFiles_data() {
    QTest::addColumn<QString>("deck");
    QTest::addColumn<QString>("shared");
    QTest::newRow("own names only") << "ASSIGN R.OUT 12\nASSIGN R.PLT 13\nEND"
                                    << "";
    QTest::newRow("one other") << "ASSIGN R.OUT 12\nASSIGN common.dat 13\nEND"
                               << "common.dat";
    QTest::newRow("base inside a name") << "ASSIGN OTHER.OUT 12\nEND"
                                        << "OTHER.OUT";
    QTest::newRow("not an ASSIGN line") << "* ASSIGN X.OUT 12\nEND"
                                        << "";
}

void TestTable::sharedFiles() {
    QFETCH(QString, deck);
    QFETCH(QString, shared);
    std::vector<std::string> lines;
    for (const QString& l : deck.split('\n'))
        lines.push_back(l.toStdString());
    QCOMPARE(QString::fromStdString(SharedRunFile(lines, "R")), shared);
}

void TestTable::tableRun() {
    QTemporaryDir dir;
    TTableRunOptions o;
    TTable t = RunnableTable(
        dir.path(), "deck.dck",
        "CONSTANTS 1\nAREA = 1\nASSIGN deck.OUT 12\n* " + std::string(300, 'x') + "\nEND\n", o);
    ScriptedHost host;
    std::vector<TRun> runs;
    std::string message;
    QVERIFY2(PrepareTableRun(t, host, o, runs, message), message.c_str());
    const std::string stem = dir.path().toStdString() + "/DECK";
    QCOMPARE(t.RunDeckNames[0], stem + ".TMP");
    QCOMPARE(t.RunDeckNames[2], stem + "2.TMP");
    QCOMPARE(runs.size(), size_t(3));
    // The engine from the default directory, each run in the deck's folder.
    QCOMPARE(runs[1].Program, dir.path().toStdString() + "/KOLVAN32.exe");
    QCOMPARE(runs[1].Arguments, std::vector<std::string>({stem + "1.TMP", "/N"}));
    QCOMPARE(runs[1].Command, dir.path().toStdString() + "/KOLVAN32.exe " + stem + "1.TMP /N");
    QCOMPARE(runs[1].Dir, dir.path().toStdString());
    QCOMPARE(runs[2].Listing, stem + "2.LST");
    QCOMPARE(runs[2].Values, std::vector<std::string>{"7.5000E+00"});
    QCOMPARE(ReadTestFile(stem + "1.TMP"),
             "CONSTANTS 1\r\nAREA=5.0000E+00\r\nASSIGN DECK1.OUT 12\r\n* " + std::string(300, 'X') +
                 "\r\nEND\r\n");
    QVERIFY(host.Shared.empty()); // one run at a time: no question
    DeleteRunDecks(runs);
    QCOMPARE(FilesIn(dir.path()), QStringList({"KOLVAN32.exe", "deck.dck"}));
}

void TestTable::sharedFileQuestion_data() {
    QTest::addColumn<int>("parallel");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("runsAtOnce"); // 0: nothing runs
    QTest::newRow("one at a time: not asked") << 1 << 0 << false << 1;
    QTest::newRow("yes: one at a time")
        << 2 << int(TTableRunHost::SharedAnswer::OneAtATime) << true << 1;
    QTest::newRow("no: at once all the same")
        << 2 << int(TTableRunHost::SharedAnswer::Parallel) << true << 2;
    QTest::newRow("cancel: nothing") << 2 << int(TTableRunHost::SharedAnswer::Cancel) << true << 0;
}

void TestTable::sharedFileQuestion() {
    QFETCH(int, parallel);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(int, runsAtOnce);
    QTemporaryDir dir;
    TTableRunOptions o;
    TTable t =
        RunnableTable(dir.path(), "R.DCK",
                      "CONSTANTS 1\nAREA = 1\nASSIGN R.OUT 12\nASSIGN OTHER.OUT 13\nEND\n", o);
    o.Parallel = parallel;
    ScriptedHost host;
    host.Answer = TTableRunHost::SharedAnswer(answer);
    std::vector<TRun> runs;
    std::string message;
    QCOMPARE(PrepareTableRun(t, host, o, runs, message), runsAtOnce > 0);
    QCOMPARE(host.Shared,
             asked ? std::vector<std::string>{"OTHER.OUT"} : std::vector<std::string>{});
    QVERIFY(message.empty());
    if (runsAtOnce) QCOMPARE(o.Parallel, runsAtOnce);
    // Cancelled before any deck was written.
    if (!runsAtOnce) QCOMPARE(FilesIn(dir.path()), QStringList({"KOLVAN32.exe", "R.DCK"}));
}

void TestTable::refusedRunDecks_data() {
    QTest::addColumn<QString>("deckFile");
    QTest::addColumn<QString>("userFile"); // a file of the user's where a run deck would go
    QTest::addColumn<QString>("message");
    QTest::newRow("user's file named like a run deck")
        << "DEMO.DCK"
        << "DEMO1.TMP"
        << "File @/DEMO1.TMP already exists and was not written by a run of this table. Move or "
           "rename it before running the table.";
    QTest::newRow("the same file in lower case")
        << "DEMO.DCK"
        << "demo2.tmp"
        << "File @/DEMO2.TMP already exists and was not written by a run of this table. Move or "
           "rename it before running the table.";
}

void TestTable::refusedRunDecks() {
    QFETCH(QString, deckFile);
    QFETCH(QString, userFile);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("proj.v2");
    WriteTestFile(dir.path(), "PROJ.TMP", "the user's own\n");
    if (!userFile.isEmpty()) WriteTestFile(dir.path(), userFile.toStdString(), "mine\n");
    TTableRunOptions o;
    TTable t = RunnableTable(dir.path(), deckFile.toStdString(),
                             "CONSTANTS 1\nAREA = 1\nASSIGN DEMO.OUT 12\nEND\n", o);
    const QStringList before = FilesIn(dir.path());
    ScriptedHost host;
    std::vector<TRun> runs;
    std::string got;
    QVERIFY(!PrepareTableRun(t, host, o, runs, got));
    QCOMPARE(QString::fromStdString(got), message.replace("@", dir.path()));
    QVERIFY(runs.empty());
    QCOMPARE(FilesIn(dir.path()), before); // nothing written, nothing deleted
    QCOMPARE(ReadTestFile((dir.path() + "/PROJ.TMP").toStdString()),
             std::string("the user's own\n"));
    QVERIFY(FilesIn(dir.path() + "/proj.v2").size() <= 1);
}

void TestTable::runDecksInDottedFolder() {
    // The run decks and listings of a deck in a folder with a dot lie beside the deck.
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("proj.v2");
    TTableRunOptions o;
    TTable t = RunnableTable(dir.path(), "proj.v2/DEMO.DCK",
                             "CONSTANTS 1\nAREA = 1\nASSIGN DEMO.OUT 12\nEND\n", o);
    ScriptedHost host;
    std::vector<TRun> runs;
    std::string got;
    QVERIFY2(PrepareTableRun(t, host, o, runs, got), got.c_str());
    QCOMPARE(runs.size(), size_t(3));
    const std::string folder = dir.path().toStdString() + "/proj.v2/";
    QCOMPARE(runs[0].Deck, folder + "DEMO.TMP");
    QCOMPARE(runs[2].Deck, folder + "DEMO2.TMP");
    QCOMPARE(runs[2].Listing, folder + "DEMO2.LST");
    QVERIFY(ReadTestFile(runs[1].Deck).find("ASSIGN DEMO1.OUT 12") != std::string::npos);
    QCOMPARE(FilesIn(dir.path()), QStringList({"KOLVAN32.exe"}));
}

void TestTable::ownRunDecksOverwritten() {
    // Run decks that an earlier run of this table left (the engine was not found) are its own.
    QTemporaryDir dir;
    TTableRunOptions o;
    TTable t = RunnableTable(dir.path(), "D.DCK", "CONSTANTS 1\nAREA = 1\nEND\n", o);
    QFile::remove(dir.path() + "/KOLVAN32.exe");
    ScriptedHost host;
    std::vector<TRun> runs;
    std::string message;
    QVERIFY(!PrepareTableRun(t, host, o, runs, message));
    QVERIFY(QFile::exists(dir.path() + "/D2.TMP"));
    host.EngineDir = dir.path().toStdString();
    QVERIFY2(PrepareTableRun(t, host, o, runs, message), message.c_str());
    QCOMPARE(runs.size(), size_t(3));
}

void TestTable::manyRunsBesideManyFiles() {
    // A new table of 3000 runs in a folder that holds another run's 6000 listings and
    // outputs: the folder is looked through once, not once per run deck.
    QTemporaryDir dir;
    TTableRunOptions o;
    TTable t = RunnableTable(dir.path(), "D.DCK", "CONSTANTS 1\nAREA = 1\nEND\n", o);
    const int runs = 3000;
    t = NewDeckTable(t.DeckName, {"AREA"}, runs);
    for (int r = 1; r <= runs; ++r) {
        t.Columns[0].Values[size_t(r)] = r;
        for (const char* ext : {".LST", ".OUT"})
            QVERIFY(QFile(dir.path() + "/D" + QString::number(r) + ext).open(QIODevice::WriteOnly));
    }
    ScriptedHost host;
    std::vector<TRun> made;
    std::string message;
    QVERIFY2(PrepareTableRun(t, host, o, made, message), message.c_str());
    QCOMPARE(made.size(), size_t(runs));
    QCOMPARE(ReadTestFile(made.back().Deck),
             std::string("CONSTANTS 1\r\nAREA=3.0000E+03\r\nEND\r\n"));
    DeleteRunDecks(made);
    QCOMPARE(FilesIn(dir.path()).filter(".TMP").size(), 0);
}

void TestTable::runDeckNotWritten() {
    // The table's own run deck name, taken meanwhile by a folder: no run at all.
    QTemporaryDir dir;
    TTableRunOptions o;
    TTable t = RunnableTable(dir.path(), "D.DCK", "CONSTANTS 1\nAREA = 1\nEND\n", o);
    const std::string stem = dir.path().toStdString() + "/D";
    t.RunDeckNames = {stem + ".TMP", stem + "1.TMP", stem + "2.TMP", ""};
    QDir(dir.path()).mkdir("D1.TMP");
    ScriptedHost host;
    std::vector<TRun> runs;
    std::string message;
    QVERIFY(!PrepareTableRun(t, host, o, runs, message));
    QCOMPARE(message, "Error writing table file " + stem + "1.TMP");
    QVERIFY(runs.empty());
    QVERIFY(QFileInfo(dir.path() + "/D1.TMP").isDir());
}

void TestTable::runTableBesideNumberedDeck() {
    // TANK1.DCK lies beside TANK.DCK: run 2 of TANK's table would write TANK1's results.
    QTemporaryDir dir;
    TTableRunOptions o;
    TTable t = RunnableTable(dir.path(), "TANK.DCK",
                             "CONSTANTS 1\nAREA = 1\nASSIGN TANK.OUT 12\nEND\n", o);
    WriteTestFile(dir.path(), "TANK1.DCK", "CONSTANTS 1\nAREA = 9\nEND\n");
    WriteTestFile(dir.path(), "TANK1.OUT", "TANK1's own results\n");
    ScriptedHost host;
    std::vector<TRun> runs;
    std::string message;
    QVERIFY(!PrepareTableRun(t, host, o, runs, message));
    QCOMPARE(message, std::string("Run 2 of this table would write TANK1.LST and TANK1.OUT, the "
                                  "files of deck TANK1.DCK. Rename one of the two decks before "
                                  "running the table."));
    QVERIFY(runs.empty());
    QCOMPARE(FilesIn(dir.path()),
             QStringList({"KOLVAN32.exe", "TANK.DCK", "TANK1.DCK", "TANK1.OUT"}));
}

void TestTable::runTableAsksBeforeReplacingLastResults() {
    QTemporaryDir dir;
    TTableRunOptions o;
    TTable t = RunnableTable(dir.path(), "DEMO.DCK",
                             "CONSTANTS 1\nAREA = 1\nASSIGN DEMO.OUT 12\nASSIGN DEMO.PLT 13\n"
                             "END\n",
                             o);
    for (const char* f : {"DEMO.LST", "DEMO.OUT", "DEMO.PLT"})
        WriteTestFile(dir.path(), f, "from a Calculate\n");
    ScriptedHost host;
    host.GoOn = false;
    std::vector<TRun> runs;
    std::string message;
    // A run without its value is told first: there is nothing to go on with.
    const Extended kept = t.Columns[0].Values[2];
    t.Columns[0].Values[2] = 1E30L;
    QVERIFY(!PrepareTableRun(t, host, o, runs, message));
    QCOMPARE(message, std::string("Parameter in the col #1, run #2 isn't defined"));
    QVERIFY(host.Questions.empty());
    t.Columns[0].Values[2] = kept;
    QVERIFY(!PrepareTableRun(t, host, o, runs, message));
    QCOMPARE(message, std::string());
    QCOMPARE(host.Questions, std::vector<std::string>{
                                 "The runs of this table replace DEMO.LST, DEMO.OUT and DEMO.PLT "
                                 "of the last run of DEMO.DCK. Go on?"});
    QVERIFY(FilesIn(dir.path()).filter(".TMP").isEmpty());
    host.GoOn = true;
    QVERIFY2(PrepareTableRun(t, host, o, runs, message), message.c_str());
    QCOMPARE(runs.size(), size_t(3));
    // The table made them from now on: asked once.
    host.Questions.clear();
    QVERIFY2(PrepareTableRun(t, host, o, runs, message), message.c_str());
    QVERIFY(host.Questions.empty());
    DeleteRunDecks(runs);
}

void TestTable::runDeckNamesRecordedBeforeRuns() {
    QTemporaryDir dir;
    TTableRunOptions o;
    TTable t = RunnableTable(dir.path(), "D.DCK", "CONSTANTS 1\nAREA = 1\nEND\n", o);
    const std::string file = dir.path().toStdString() + "/D.TBL";
    QVERIFY(SaveTable(t, file));
    const std::string before = ReadTestFile(file);
    const std::vector<std::string> names = {"/x/D.TMP", "/x/D1.TMP", "/x/D2.TMP"};
    QVERIFY(RecordRunDeckNames(file, names));
    const std::string after = ReadTestFile(file);
    QCOMPARE(after.size(), before.size());
    // Only the name slots changed: a length byte and the name, per run, after the header.
    std::string expected = before;
    for (size_t k = 0; k < names.size(); ++k) {
        expected[276 + 97 * k] = char(names[k].size());
        expected.replace(276 + 97 * k + 1, names[k].size(), names[k]);
    }
    QCOMPARE(after, expected);
    QVERIFY(!RecordRunDeckNames(dir.path().toStdString() + "/NONE.TBL", names));
}

// Cells no dialog makes, only a damaged file: not a number and the infinities count as undefined.
void TestTable::undefinedCellStopsFirst_data() {
    QTest::addColumn<double>("cell");
    QTest::newRow("blank") << double(BlankValue);
    QTest::newRow("not a number") << std::nan("");
    QTest::newRow("infinity") << HUGE_VAL;
    QTest::newRow("minus infinity") << -HUGE_VAL;
}

void TestTable::undefinedCellStopsFirst() {
    QFETCH(double, cell);
    QTemporaryDir dir;
    const std::string deck = WriteTestFile(dir.path(), "D.DCK", "CONSTANTS 2\nK = 1\nL = 1\nEND\n");
    TTable t = NewDeckTable(deck, {"K", "L"}, 3);
    for (int r = 1; r <= 3; ++r)
        t.Columns[0].Values[size_t(r)] = t.Columns[1].Values[size_t(r)] = r;
    t.Columns[1].Values[3] = Extended(cell);
    ScriptedHost host;
    TTableRunOptions o;
    o.EngineDir = dir.path().toStdString();
    std::vector<TRun> runs;
    std::string message;
    QVERIFY(!PrepareTableRun(t, host, o, runs, message));
    QCOMPARE(message, std::string("Parameter in the col #2, run #3 isn't defined"));
    QVERIFY(runs.empty());
}

void TestTable::editsMarkChanged_data() {
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("marks");
    QTest::newRow("paste a new value") << "paste 5" << true;
    QTest::newRow("paste the values already there") << "paste 1" << false;
    QTest::newRow("clear a value") << "clear 1" << true;
    QTest::newRow("clear undefined cells") << "clear 2" << false;
    QTest::newRow("alter values") << "alter 5" << true;
    QTest::newRow("alter to the same values") << "alter 1" << false;
    QTest::newRow("alter clearing") << "alter clear" << true;
    QTest::newRow("insert runs") << "runs 2" << true;
    QTest::newRow("delete runs") << "runs -1" << true;
    QTest::newRow("insert no runs") << "runs 0" << false;
    QTest::newRow("new variable set") << "vars B" << true;
    QTest::newRow("same variable set") << "vars A" << false;
}

// Every edit of the table marks it changed when it changes a value or the table's shape.
void TestTable::editsMarkChanged() {
    QFETCH(QString, edit);
    QFETCH(bool, marks);
    TTable t = NewTable({"A"}, 3);
    QVERIFY(GridSetEditText(t, 1, 1, "1"));
    t.TableChanged = false;
    const QString how = edit.section(' ', 0, 0), arg = edit.section(' ', 1);
    std::string message;
    AlterRequest r;
    r.Column = 1;
    r.FirstRun = r.LastRun = 1;
    if (how == "paste") {
        QCOMPARE(PasteText(t, 1, 1, arg.toStdString()), std::string());
    } else if (how == "clear") {
        ClearCells(t, 1, arg.toInt(), 1, 3);
    } else if (how == "alter") {
        r.Clear = arg == "clear";
        r.First = arg.toDouble();
        QVERIFY(shown::AlterValues(t, r));
    } else if (how == "runs") {
        QCOMPARE(InsertDeleteRuns(t, arg.toInt(), RunPosition::Bottom, 0, 0, message),
                 RunsResult::Done);
    } else {
        ChangeVariables(t, {arg.toStdString()});
    }
    QCOMPARE(t.TableChanged, marks);
}

QTEST_GUILESS_MAIN(TestTable)
#include "tst_table.moc"
