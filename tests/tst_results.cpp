// The results of a table's runs: each statistic against values worked out by hand, the rows of
// runs that failed or left no output, the CSV, the state memory beside the table, the grid and
// Latin hypercube fills.
#include "table/fill.h"
#include "table/results.h"
#include "table/rundecks.h"
#include "table/runstates.h"
#include "table/tableedits.h"
#include "tests/support/testsupport.h"

#include <QtTest>
#include <cmath>
#include <set>

using namespace kolshell;

namespace {

const char* const Rising = "TIME LEVEL QOUT\nS M M3/S\n0 1 2\n10 3 2\n20 2 4\n30 5 0\n";
const char* const Falling = "TIME LEVEL\n30 5\n20 2\n10 3\n0 1\n";
const char* const OneRow = "TIME LEVEL\n0 7\n";

TOutputData Output(const char* text) {
    TOutputData d;
    ReadOutputText(text, d);
    return d;
}

TStatistic Stat(const std::string& word) {
    std::vector<TStatistic> s;
    std::string error;
    if (!ParseStatistics(word, s, error) || s.size() != 1) qFatal("bad statistic %s", word.c_str());
    return s[0];
}

// A table of AREA over a deck T.DCK writing T.OUT, with the runs' values 1..n.
TTable DeckTable(TestFolder& f, int runs) {
    const std::string deck = f.Write("T.DCK", "CONSTANTS 1\nAREA = 1\nASSIGN T.OUT 12\nEND\n");
    TTable t = NewDeckTable(deck, {"AREA"}, runs);
    for (int r = 1; r <= runs; ++r)
        t.Columns[0].Values[size_t(r)] = r;
    return t;
}

TRun Ran(const TTable& t, int number, TRunState state, int status = 0) {
    TRun r;
    r.Number = number;
    r.State = state;
    r.ExitStatus = status;
    RunValueTexts(t, number, r.Values);
    return r;
}

} // namespace

class TestResults : public QObject {
    Q_OBJECT
  private slots:
    void statistics_data();
    void statistics();
    void noValue_data();
    void noValue();
    void badStatistics();
    void rowsOfRuns();
    void csvReadsBack();
    void changedValuesAreNotRun();
    void runLists_data();
    void runLists();
    void recordsMerge();
    void grid();
    void gridRefusals_data();
    void gridRefusals();
    void latinHypercubeStrata_data();
    void latinHypercubeStrata();
    void latinHypercubeRepeatsWithSeed();
};

void TestResults::statistics_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("stat");
    QTest::addColumn<double>("value");
    QTest::newRow("final") << Rising << 2 << "final" << 5.0;
    QTest::newRow("min") << Rising << 2 << "min" << 1.0;
    QTest::newRow("max") << Rising << 2 << "max" << 5.0;
    QTest::newRow("mean") << Rising << 2 << "mean" << 2.75;
    // 10 (1+3)/2 + 10 (3+2)/2 + 10 (2+5)/2
    QTest::newRow("integral") << Rising << 2 << "integral" << 80.0;
    QTest::newRow("xmax") << Rising << 2 << "xmax" << 30.0;
    QTest::newRow("at between rows") << Rising << 2 << "at=15" << 2.5;
    QTest::newRow("at a row") << Rising << 2 << "at=10" << 3.0;
    QTest::newRow("at the first row") << Rising << 2 << "at=0" << 1.0;
    QTest::newRow("at the last row") << Rising << 2 << "at=30" << 5.0;
    QTest::newRow("second column integral") << Rising << 3 << "integral" << 70.0;
    QTest::newRow("xmax of the first maximum") << "T Y\n0 4\n1 9\n2 9\n" << 2 << "xmax" << 1.0;
    QTest::newRow("min negative") << "T Y\n0 -1.5\n1 -4.25\n" << 2 << "min" << -4.25;
    QTest::newRow("falling final") << Falling << 2 << "final" << 1.0;
    // (20-30)(5+2)/2 + (10-20)(2+3)/2 + (0-10)(3+1)/2
    QTest::newRow("falling integral") << Falling << 2 << "integral" << -80.0;
    QTest::newRow("falling at") << Falling << 2 << "at=15" << 2.5;
    QTest::newRow("falling xmax") << Falling << 2 << "xmax" << 30.0;
    QTest::newRow("one row final") << OneRow << 2 << "final" << 7.0;
    QTest::newRow("one row mean") << OneRow << 2 << "mean" << 7.0;
    QTest::newRow("one row integral") << OneRow << 2 << "integral" << 0.0;
    QTest::newRow("one row at its X") << OneRow << 2 << "at=0" << 7.0;
}

void TestResults::statistics() {
    QFETCH(QString, file);
    QFETCH(int, col);
    QFETCH(QString, stat);
    QFETCH(double, value);
    double v = -1;
    std::string why;
    QVERIFY(ComputeStatistic(Output(file.toLatin1().constData()), col, Stat(stat.toStdString()), v,
                             why));
    QCOMPARE(v, value);
}

void TestResults::noValue_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("stat");
    QTest::addColumn<QString>("why");
    QTest::newRow("at beyond the end") << Rising << 2 << "at=40"
                                       << "X 40 lies outside the output's 0 to 30";
    QTest::newRow("at before a falling start") << Falling << 2 << "at=-1"
                                               << "X -1 lies outside the output's 0 to 30";
    QTest::newRow("one row, another X") << OneRow << 2 << "at=1"
                                        << "X 1 lies outside the output's 0 to 0";
    QTest::newRow("no such column") << OneRow << 3 << "max"
                                    << "no values";
}

void TestResults::noValue() {
    QFETCH(QString, file);
    QFETCH(int, col);
    QFETCH(QString, stat);
    QFETCH(QString, why);
    double v = 0;
    std::string reason;
    QVERIFY(!ComputeStatistic(Output(file.toLatin1().constData()), col, Stat(stat.toStdString()), v,
                              reason));
    QCOMPARE(QString::fromStdString(reason), why);
}

void TestResults::badStatistics() {
    std::vector<TStatistic> s;
    std::string error;
    QVERIFY(ParseStatistics("final,min,max,mean,integral,xmax,at=1800", s, error));
    QCOMPARE(s.size(), size_t(7));
    QCOMPARE(QString::fromStdString(s[6].Name()), QString("at=1800"));
    for (const char* bad : {"median", "at=", "at=x", "max,", "MAX"}) {
        QVERIFY2(!ParseStatistics(bad, s, error), bad);
        QVERIFY(error.find("is not a statistic") != std::string::npos);
    }
}

void TestResults::rowsOfRuns() {
    TestFolder f;
    TTable t = DeckTable(f, 5);
    t.TableFileName = f.Path("T.TBL");
    f.Write("T.OUT", Rising);
    f.Write("T1.OUT", "TIME LEVEL QOUT\nS M M3/S\n0 9 9\n");         // run 2 failed: not read
    f.Write("T3.OUT", "TIME FLOW\n0 1\n");                           // run 4: no LEVEL
    f.Write("T4.OUT", "TIME LEVEL QOUT\nS M M3/S\n0 2 0\n10 4 0\n"); // no record: done
    // run 3 ran but left no output
    QVERIFY(RecordRunStates(t.TableFileName,
                            {Ran(t, 1, TRunState::Done), Ran(t, 2, TRunState::Failed, 3),
                             Ran(t, 3, TRunState::Done), Ran(t, 4, TRunState::Done)}));
    TResultRequest request;
    request.File = f.Path("T.OUT");
    request.Columns = {"LEVEL"};
    request.Stats = {Stat("max"), Stat("integral"), Stat("xmax")};
    TResults r = PrepareResults(t, request, ReadRunStates(t.TableFileName));
    ReadResults(t, request, r, {0, 1, 2, 3, 4}, 3);
    // The integral over TIME is in M*S, where the maximum is in S.
    QCOMPARE(QString::fromStdString(ResultsCsv(r)),
             QString("Run,State,AREA,max LEVEL [M],integral LEVEL [M*S],xmax LEVEL [S]\r\n"
                     "1,done,1,5,80,30\r\n"
                     "2,failed: exit status 3,2,,,\r\n"
                     "3,done: no output T2.OUT,3,,,\r\n"
                     "4,done: no column LEVEL in T3.OUT,4,,,\r\n"
                     "5,done,5,4,30,10\r\n"));
    QCOMPARE(QString::fromStdString(ResultsTsv(r)).section('\n', 0, 1),
             QString("Run\tState\tAREA\tmax LEVEL [M]\tintegral LEVEL [M*S]\txmax LEVEL [S]\n"
                     "1\tdone\t1\t5\t80\t30"));
}

void TestResults::csvReadsBack() {
    TestFolder f;
    TTable t = DeckTable(f, 1);
    t.Columns[0].Values[1] = 0.1L;
    t.TableFileName = f.Path("T.TBL");
    f.Write("T.OUT", "TIME A B\n0 0.1 1e-30\n0.3 0.7 123456.789\n");
    TResultRequest request;
    request.File = f.Path("T.OUT");
    request.Columns = {"A", "B"};
    request.Stats = {Stat("mean"), Stat("at=0.1")};
    TResults r = PrepareResults(t, request, {});
    ReadResults(t, request, r, {0}, 1);
    const QStringList cells = QString::fromStdString(ResultsCsv(r)).split("\r\n")[1].split(',');
    QCOMPARE(cells.size(), 7);
    QCOMPARE(cells[2].toStdString(), ExactText(0.1L));
    QCOMPARE(std::strtold(cells[2].toLatin1().constData(), nullptr), 0.1L);
    for (int k = 0; k < 4; ++k)
        QCOMPARE(std::strtod(cells[3 + k].toLatin1().constData(), nullptr),
                 *r.Rows[0].Values[size_t(k)]);
    // A comma or a quote in a cell is quoted.
    r.Variables[0] = "A,\"B\"";
    QVERIFY(ResultsCsv(r).find("\"A,\"\"B\"\"\"") != std::string::npos);
}

void TestResults::changedValuesAreNotRun() {
    TestFolder f;
    TTable t = DeckTable(f, 2);
    t.TableFileName = f.Path("T.TBL");
    f.Write("T.OUT", Rising);
    f.Write("T1.OUT", Rising);
    QVERIFY(
        RecordRunStates(t.TableFileName, {Ran(t, 1, TRunState::Done), Ran(t, 2, TRunState::Done)}));
    t.Columns[0].Values[2] = 9;
    std::string why;
    const TRunRecords records = ReadRunStates(t.TableFileName);
    QCOMPARE(RecordedState(t, records, 1, f.Path("T.OUT"), why), TRunState::Done);
    QCOMPARE(RecordedState(t, records, 2, f.Path("T1.OUT"), why), TRunState::NotRun);
    QCOMPARE(QString::fromStdString(why), QString("the table's values changed since its run"));
}

void TestResults::runLists_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("runs"); // "error" when refused
    QTest::newRow("list and range") << "3,5-7"
                                    << "3 5 6 7";
    QTest::newRow("out of order, twice") << "7,2,2,1-2"
                                         << "1 2 7";
    QTest::newRow("single") << "9"
                            << "9";
    QTest::newRow("past the table") << "9-10"
                                    << "error";
    QTest::newRow("zero") << "0"
                          << "error";
    QTest::newRow("backwards") << "7-5"
                               << "error";
    QTest::newRow("word") << "three"
                          << "error";
    QTest::newRow("empty") << ""
                           << "error";
    QTest::newRow("open range") << "5-"
                                << "error";
}

void TestResults::runLists() {
    QFETCH(QString, text);
    QFETCH(QString, runs);
    std::vector<int> numbers;
    std::string error;
    const bool ok = ParseRunList(text.toStdString(), 9, numbers, error);
    QStringList got;
    for (int n : numbers)
        got << QString::number(n);
    QCOMPARE(ok ? got.join(' ') : QString("error"), runs);
    if (!ok) QVERIFY(!error.empty());
}

void TestResults::recordsMerge() {
    TestFolder f;
    TTable t = DeckTable(f, 3);
    const std::string table = f.Path("T.TBL");
    QVERIFY(RecordRunStates(table, {Ran(t, 1, TRunState::Done), Ran(t, 2, TRunState::Failed, 4),
                                    Ran(t, 3, TRunState::Stopped)}));
    QCOMPARE(FailedRuns(ReadRunStates(table)), std::vector<int>({2, 3}));
    // Run 2 again: runs 1 and 3 keep what they did.
    QVERIFY(RecordRunStates(table, {Ran(t, 2, TRunState::Done)}));
    const TRunRecords r = ReadRunStates(table);
    QCOMPARE(r.size(), size_t(3));
    QCOMPARE(r.at(2).State, TRunState::Done);
    QCOMPARE(r.at(3).State, TRunState::Stopped);
    QCOMPARE(FailedRuns(r), std::vector<int>({3}));
    // A damaged file counts as no record, and is replaced by the next.
    f.Write("T.TBL.RUNS", "rubbish\n1\tdone\t0\t\n");
    QVERIFY(ReadRunStates(table).empty());
}

void TestResults::grid() {
    TTable t = NewTable({"A", "B", "C"}, 2);
    t.Columns[2].Values[1] = 42;
    t.Columns[0].Values[2] = 7;
    std::vector<TFillVar> vars;
    std::string error;
    QVERIFY(ParseFillVars("A=1:3:3,b=0.001:0.1:3", true, "B", vars, error));
    QVERIFY(FillGrid(t, vars, error));
    QCOMPARE(t.Runs(), 9);
    const double b[] = {0.001, 0.01, 0.1};
    std::set<std::pair<double, double>> seen;
    for (int r = 1; r <= 9; ++r) {
        QCOMPARE(double(t.Columns[0].Values[size_t(r)]), 1.0 + (r - 1) / 3); // slowest
        QVERIFY(std::fabs(double(t.Columns[1].Values[size_t(r)]) / b[(r - 1) % 3] - 1) < 1e-12);
        QCOMPARE(double(t.Columns[2].Values[size_t(r)]), 42.0); // copied from run 1
        seen.insert(
            {double(t.Columns[0].Values[size_t(r)]), double(t.Columns[1].Values[size_t(r)])});
    }
    QCOMPARE(seen.size(), size_t(9));
    QCOMPARE(t.RunDeckNames.size(), size_t(10));
}

void TestResults::gridRefusals_data() {
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("error");
    QTest::newRow("not a variable") << "A=1:2:2,Z=1:2:2"
                                    << ""
                                    << "Z is not a variable of the table.";
    QTest::newRow("log of zero") << "A=0:2:2"
                                 << "A"
                                 << "A logarithmic range of A needs values above 0.";
    QTest::newRow("too many runs") << "A=1:2:100,B=1:2:100"
                                   << ""
                                   << "A table holds 1 to 9999 runs; this would make more.";
    QTest::newRow("named twice") << "A=1:2:2,a=1:3:2"
                                 << ""
                                 << "A is named twice.";
}

void TestResults::gridRefusals() {
    QFETCH(QString, request);
    QFETCH(QString, log);
    QFETCH(QString, error);
    TTable t = NewTable({"A", "B"}, 2);
    const std::string before = EncodeTable(t);
    std::vector<TFillVar> vars;
    std::string message;
    QVERIFY(ParseFillVars(request.toStdString(), true, log.toStdString(), vars, message));
    QVERIFY(!FillGrid(t, vars, message));
    QCOMPARE(QString::fromStdString(message), error);
    QCOMPARE(EncodeTable(t), before);
    QVERIFY(!ParseFillVars("A=1:2", true, "", vars, message));
    QVERIFY(!ParseFillVars("A=1:2:2", true, "B", vars, message));
}

void TestResults::latinHypercubeStrata_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<qulonglong>("seed");
    for (int n : {1, 2, 7, 50, 1000})
        for (qulonglong seed : {1ull, 42ull, 18446744073709551615ull})
            QTest::newRow(qPrintable(QString("%1 runs, seed %2").arg(n).arg(seed))) << n << seed;
}

void TestResults::latinHypercubeStrata() {
    QFETCH(int, n);
    QFETCH(qulonglong, seed);
    TTable t = NewTable({"AREA", "QPUMP", "KEEP"}, 3);
    t.Columns[2].Values[1] = 2.5;
    std::vector<TFillVar> vars;
    std::string error;
    QVERIFY(ParseFillVars("AREA=1:3,QPUMP=0.005:0.02", false, "QPUMP", vars, error));
    QVERIFY(FillLatinHypercube(t, vars, n, seed, error));
    QCOMPARE(t.Runs(), n);
    std::set<int> areas, pumps;
    for (int r = 1; r <= n; ++r) {
        const double a = double(t.Columns[0].Values[size_t(r)]);
        const double q = double(t.Columns[1].Values[size_t(r)]);
        QVERIFY(a > 1 && a < 3 && q > 0.005 && q < 0.02);
        areas.insert(int(std::floor((a - 1) / 2 * n)));
        pumps.insert(int(std::floor(std::log(q / 0.005) / std::log(4.0) * n)));
        QCOMPARE(double(t.Columns[2].Values[size_t(r)]), 2.5);
        // As the run deck will hold it: five significant digits.
        Extended back = 0;
        QVERIFY(StrToReal(FormatReal(NumberFormat{2, 4}, t.Columns[0].Values[size_t(r)]), back));
        QCOMPARE(back, t.Columns[0].Values[size_t(r)]);
    }
    QCOMPARE(int(areas.size()), n);
    QCOMPARE(int(pumps.size()), n);
    QCOMPARE(*areas.begin(), 0);
    QCOMPARE(*areas.rbegin(), n - 1);
}

void TestResults::latinHypercubeRepeatsWithSeed() {
    std::vector<TFillVar> vars;
    std::string error;
    QVERIFY(ParseFillVars("A=0:1", false, "", vars, error));
    TTable a = NewTable({"A"}, 1), b = a, c = a;
    QVERIFY(FillLatinHypercube(a, vars, 20, 7, error));
    QVERIFY(FillLatinHypercube(b, vars, 20, 7, error));
    QVERIFY(FillLatinHypercube(c, vars, 20, 8, error));
    QCOMPARE(EncodeTable(a), EncodeTable(b));
    QVERIFY(EncodeTable(a) != EncodeTable(c));
}

QTEST_GUILESS_MAIN(TestResults)
#include "tst_results.moc"
