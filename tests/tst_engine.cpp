// The stand-in engine: expressions, deck checks, the integrator and the printer's file.
#include "common/deckassign.h"
#include "engine/engine.h"
#include "tests/support/testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kolshell;

namespace {
std::vector<std::string> Lines(const QString& text) {
    std::vector<std::string> l;
    for (const QString& s : text.split('\n'))
        l.push_back(s.toStdString());
    return l;
}

QStringList Messages(const EngineDeck& d) {
    QStringList l;
    for (const EngineMessage& m : d.Messages)
        l << QString("%1:%2").arg(m.Line).arg(QString::fromStdString(m.Text));
    return l;
}

const char* Tail = "SIMULATION 0 1 1\nEND\n";
} // namespace

class TestEngine : public QObject {
    Q_OBJECT
  private slots:
    void expressions_data();
    void expressions();
    void badExpressions_data();
    void badExpressions();
    void deckErrors_data();
    void deckErrors();
    void simulationNames_data();
    void simulationNames();
    void integratorAndPrinter();
    void sourceAndFreeInputs();
    void wholeRun();
    void longEquationChain();
    void refusedAssignments_data();
    void refusedAssignments();
    void nonFiniteConstants_data();
    void nonFiniteConstants();
    void runawayOutput();
    void outputStoppedOnTheWay();
    void fullDiskStopsTheRun();
    void printersShareTheirUnitsFile();
};

void TestEngine::expressions_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("precedence") << "1 + 2 * 3 - 4 / 2" << 5.0;
    QTest::newRow("power is right-associative") << "2 ^ 3 ^ 2" << 512.0;
    QTest::newRow("minus before power") << "-2 ^ 2" << -4.0;
    QTest::newRow("parentheses") << "(1 + 2) * 3" << 9.0;
    QTest::newRow("exponent number") << "1.5E+02 + 2e-1" << 150.2;
    QTest::newRow("names, any case") << "a * B" << 6.0;
    QTest::newRow("time") << "TIME + 1" << 11.0;
    QTest::newRow("unit output") << "[3,2] * 2" << 64.0;
    QTest::newRow("functions") << "ABS(-2) + SQRT(9) + INT(2.7) + MOD(7, 4)" << 10.0;
    QTest::newRow("min max") << "MIN(A, B) * MAX(A, B)" << 6.0;
    QTest::newRow("comparisons") << "GT(B, A) + LT(B, A) * 10 + EQ(A, 2) * 100" << 101.0;
    QTest::newRow("logs") << "LOG(1000) + LN(EXP(2))" << 5.0;
    QTest::newRow("nested 900 deep") << QString(900, '(') + "A" + QString(900, ')') << 2.0;
    QTest::newRow("999 terms") << "1" + QString("+1").repeated(998) << 999.0;
}

void TestEngine::expressions() {
    QFETCH(QString, text);
    QFETCH(double, value);
    Expr e;
    std::string error;
    QVERIFY2(e.Parse(text.toStdString(), error), error.c_str());
    const Expr::Context c{[](const std::string& n) {
                              return n == "A" ? 2.0 : n == "B" ? 3.0 : n == "TIME" ? 10.0 : -99;
                          },
                          [](int u, int o) { return double(u * 10 + o); }};
    QCOMPARE(e.Evaluate(c), value);
}

void TestEngine::badExpressions_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("open parenthesis") << "(1 + 2"
                                      << "a \")\" is missing";
    QTest::newRow("unknown function") << "FOO(1)"
                                      << "unknown function FOO";
    QTest::newRow("argument count") << "MAX(1)"
                                    << "MAX takes 2 arguments";
    QTest::newRow("dangling operator") << "1 +"
                                       << "the expression ends too soon";
    QTest::newRow("junk after") << "1 2"
                                << "unexpected \"2\"";
    QTest::newRow("bad output") << "[1 2]"
                                << "an output is written [unit,output]";
    const QString deep = "the expression is nested too deeply (more than 1000 levels)";
    QTest::newRow("10000 parentheses") << QString(10000, '(') + "1" + QString(10000, ')') << deep;
    QTest::newRow("10000 signs") << QString(10000, '-') + "1" << deep;
    QTest::newRow("long chain of sums") << "1" + QString("+1").repeated(5000) << deep;
    QTest::newRow("long chain of powers") << "2" + QString("^1").repeated(5000) << deep;
    QTest::newRow("deep function arguments")
        << QString("ABS(").repeated(2000) + "1" + QString(2000, ')') << deep;
}

void TestEngine::badExpressions() {
    QFETCH(QString, text);
    QFETCH(QString, error);
    Expr e;
    std::string why;
    QVERIFY(!e.Parse(text.toStdString(), why));
    QCOMPARE(QString::fromStdString(why), error);
}

void TestEngine::deckErrors_data() {
    QTest::addColumn<QString>("deck");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("clean") << QString("* c\nCONSTANTS 1\nK = 2\nEQUATIONS 1\nX = K\n") + Tail
                           << QStringList();
    QTest::newRow("undefined name")
        << QString("EQUATIONS 1\nX = Y + 1\n") + Tail << QStringList({"2:undefined name Y"});
    QTest::newRow("cycle") << QString("EQUATIONS 3\nA = B\nB = C + 1\nC = A\n") + Tail
                           << QStringList({"2:the equations of A depend on each other"});
    QTest::newRow("annotations are comments")
        << QString("*|Caption\n*|#EQUATIONS 1\nEQUATIONS 1\nX = 1\n") + Tail << QStringList();
    QTest::newRow("no end") << "SIMULATION 0 1 1\n" << QStringList({"0:the deck has no END"});
    QTest::newRow("simulation not a number")
        << "SIMULATION nan 1 1\nEND\n"
        << QStringList({"1:SIMULATION needs start, stop and step",
                        "0:the deck has no SIMULATION statement"});
    QTest::newRow("bad step") << "SIMULATION 0 1 0\nEND\n"
                              << QStringList({"0:SIMULATION needs start <= stop and a step above "
                                              "0 (at most 10000000 steps)"});
    QTest::newRow("printer without file")
        << QString("UNIT 1 TYPE 25 P\nPARAMETERS 2\n1 12\nINPUTS 1\nTIME\nT\n") + Tail
        << QStringList({"1:no file is assigned to logical unit 12"});
    QTest::newRow("unknown type")
        << QString("UNIT 4 TYPE 99\nINPUTS 1\n4,1\n0\n") + Tail
        << QStringList({"1:type 99 is not known here; unit 4 gives 0 on all its outputs"});
    QTest::newRow("unknown statement")
        << QString("FROB 1\n") + Tail << QStringList({"1:unknown statement FROB"});
    QTest::newRow("deep equation")
        << "EQUATIONS 1\nX = " + QString(10000, '(') + "1" + QString(10000, ')') + "\n" + Tail
        << QStringList({"2:in the equation of X: the expression is nested too deeply (more "
                        "than 1000 levels)"});
    QTest::newRow("constant count beyond the deck")
        << "CONSTANTS 2147483647\nK = 2"
        << QStringList({"1:the deck ends before all its values are given", "0:the deck has no END",
                        "0:the deck has no SIMULATION statement"});
    // A typo names its own line, once: what that line and the following ones define counts
    // as defined, so the names read later add no errors.
    QTest::newRow("typo in a constant's value")
        << QString("* tank\nCONSTANTS 4\nAREA = 2.5\nQPUMP = 0.0l2\nCVALVE = 0.004\nLEVEL0 = 0.2\n"
                   "EQUATIONS 2\nNET = QPUMP - CVALVE\nX = LEVEL0 + AREA\n"
                   "UNIT 1 TYPE 3 Pump\nPARAMETERS 2\n1 QPUMP\n") +
               Tail
        << QStringList({"4:a constant is written NAME = number"});
    QTest::newRow("two typos")
        << QString("CONSTANTS 3\nA = 1\nB = 2..0\nC = x3\nEQUATIONS 1\nX = A + B + C\n") + Tail
        << QStringList(
               {"3:a constant is written NAME = number", "4:a constant is written NAME = number"});
    QTest::newRow("several constants on a line, one faulty")
        << QString("CONSTANTS 4\nA = 1  B = 2\nC = 3  D = 4,5\nEQUATIONS 1\nX = D + C\n") + Tail
        << QStringList({"3:a constant is written NAME = number"});
    QTest::newRow("missing equals sign")
        << QString("CONSTANTS 2\nA 1\nB = 2\nEQUATIONS 1\nX = A * B\n") + Tail
        << QStringList({"2:a constant is written NAME = number"});
    QTest::newRow("faulty equation read by another")
        << QString("EQUATIONS 2\nY = 2 *\nX = Y + 1\nSIMULATION 0 Y 1\nEND\n")
        << QStringList({"2:in the equation of Y: the expression ends too soon"});
    QTest::newRow("equation count beyond the deck")
        << "EQUATIONS 2147483647\nK = 2"
        << QStringList({"1:the deck ends before all its equations are given",
                        "0:the deck has no END", "0:the deck has no SIMULATION statement"});
}

void TestEngine::deckErrors() {
    QFETCH(QString, deck);
    QFETCH(QStringList, messages);
    EngineDeck d;
    ReadEngineDeck(Lines(deck), d);
    QCOMPARE(Messages(d), messages);
}

void TestEngine::simulationNames_data() {
    QTest::addColumn<QString>("deck");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("stop");
    QTest::addColumn<double>("step");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("numbers") << "SIMULATION 0 10 0.5\nEND" << 0.0 << 10.0 << 0.5 << QStringList();
    QTest::newRow("constants") << "CONSTANTS 2\nA = 2\nB = 8\nSIMULATION a B 1\nEND" << 2.0 << 8.0
                               << 1.0 << QStringList();
    // The generator's simulation card: equations that read each other, in any order.
    QTest::newRow("simulation card")
        << "EQUATIONS 8\nMONTH=0\nDAY1=  1.0000E+0000\nDAY=MONTH/24+DAY1\n"
           "STEP=  1.0000E+0000\nLENGTH=  2.8000E+0001\nSTART=24*(DAY-1)+1\n"
           "STOP=START+LENGTH*24-1\nPLOTS=INT(((STOP-START)/168.0)+0.5)\n"
           "SIMULATION START STOP STEP\nEND"
        << 1.0 << 672.0 << 1.0 << QStringList();
    QTest::newRow("equation read before it is defined")
        << "SIMULATION 0 STOP 1\nEQUATIONS 2\nSTOP=2*H\nH=TIME+3\nEND" << 0.0 << 6.0 << 1.0
        << QStringList();
    QTest::newRow("unknown name")
        << "SIMULATION 0 LATER 1\nEND" << 0.0 << 0.0 << 1.0
        << QStringList({"1:SIMULATION: LATER is no number, constant or equation"});
}

void TestEngine::simulationNames() {
    QFETCH(QString, deck);
    EngineDeck d;
    ReadEngineDeck(Lines(deck), d);
    QFETCH(QStringList, messages);
    QCOMPARE(Messages(d), messages);
    if (!messages.isEmpty()) return;
    QFETCH(double, start);
    QFETCH(double, stop);
    QFETCH(double, step);
    QCOMPARE(d.Start, start);
    QCOMPARE(d.Stop, stop);
    QCOMPARE(d.Step, step);
    QCOMPARE(RunEngineDeck(d, QDir::tempPath().toStdString()).Steps,
             int(std::lround((stop - start) / step)) + 1);
}

void TestEngine::integratorAndPrinter() {
    QTemporaryDir dir;
    EngineDeck d;
    ReadEngineDeck(Lines("CONSTANTS 2\nC = 4   X0 = 1\nEQUATIONS 2\nX = [1,1]\nIN = 2 * TIME\n"
                         "SIMULATION 0 3 0.5\nUNIT 1 TYPE 2 Store\nPARAMETERS 2\nC X0\n"
                         "INPUTS 2\nIN 1\n0 0\nUNIT 2 TYPE 25 P\nPARAMETERS 2\n1 7\nINPUTS 2\n"
                         "X IN\nX[KG] RATE\nASSIGN STORE.OUT 7\nEND"),
                   d);
    QCOMPARE(Messages(d), QStringList());
    const EngineRun run = RunEngineDeck(d, dir.path().toStdString());
    QCOMPARE(run.Steps, 7);
    QCOMPARE(run.Files.size(), size_t(1));
    QCOMPARE(run.Files[0].Rows, 4);
    // Euler steps of 0.5 with dx/dt = (2t + 1) / 4, from x = 1: x(1) = 1 + 0.5 * (1 + 2) / 4.
    const std::string out = ReadTestFile((dir.path() + "/STORE.OUT").toStdString());
    QCOMPARE(out, std::string("TIME X RATE\n"
                              " S KG -\n"
                              "   0.0000E+00   1.0000E+00   0.0000E+00\n"
                              "   1.0000E+00   1.3750E+00   2.0000E+00\n"
                              "   2.0000E+00   2.2500E+00   4.0000E+00\n"
                              "   3.0000E+00   3.6250E+00   6.0000E+00\n"));
}

void TestEngine::sourceAndFreeInputs() {
    QTemporaryDir dir;
    EngineDeck d;
    // A ramp source 1 + 2t, and a store fed by an input connected to nothing (initial 2).
    ReadEngineDeck(Lines("SIMULATION 0 2 1\nUNIT 3 TYPE 3 Ramp\nPARAMETERS 3\n2 1 2\n"
                         "UNIT 1 TYPE 2 S\nPARAMETERS 2\n1 0\nINPUTS 1\n0,0\n2\n"
                         "UNIT 2 TYPE 25 P\nPARAMETERS 2\n1 7\nINPUTS 2\n3,1 1,1\nR F\n"
                         "ASSIGN R.OUT 7\nEND"),
                   d);
    QCOMPARE(Messages(d), QStringList());
    RunEngineDeck(d, dir.path().toStdString());
    QCOMPARE(ReadTestFile((dir.path() + "/R.OUT").toStdString()),
             std::string("TIME R F\n"
                         " S - -\n" // always a units line: the first row starts with blanks
                         "   0.0000E+00   1.0000E+00   0.0000E+00\n"
                         "   1.0000E+00   3.0000E+00   2.0000E+00\n"
                         "   2.0000E+00   5.0000E+00   4.0000E+00\n"));
    ReadEngineDeck(Lines("SIMULATION 0 2 1\nUNIT 3 TYPE 3 Ramp\nPARAMETERS 2\n2 1\nEND"), d);
    QCOMPARE(Messages(d),
             QStringList({"2:a source needs its mode and value, and for mode 2 its slope"}));
}

void TestEngine::wholeRun() {
    QTemporaryDir dir;
    const std::string deck = WriteTestFile(dir.path(), "my run.dck", "EQUATIONS 1\nX = Y\nEND\n");
    QCOMPARE(RunEngine(deck), 1);
    const std::string listing = ReadTestFile((dir.path() + "/my run.LST").toStdString());
    QVERIFY(listing.find("    2  X = Y\n") != std::string::npos);
    QVERIFY(listing.find("*** ERROR   line 2: undefined name Y\n") != std::string::npos);
    QVERIFY(listing.find("nothing was simulated") != std::string::npos);
    QCOMPARE(RunEngine((dir.path() + "/none.dck").toStdString()), 2);
}

// Equations that each read the next, as many as a deck may hold, are ordered without the
// search running out of stack.
void TestEngine::longEquationChain() {
    const int n = 100000;
    std::vector<std::string> lines{"EQUATIONS " + std::to_string(n)};
    for (int i = 0; i < n; ++i)
        lines.push_back("E" + std::to_string(i) + " = " +
                        (i + 1 < n ? "E" + std::to_string(i + 1) + " + 1" : std::string("1")));
    lines.push_back("SIMULATION 0 0 1");
    lines.push_back("END");
    EngineDeck d;
    ReadEngineDeck(lines, d);
    QCOMPARE(Messages(d), QStringList());
    QCOMPARE(d.Equations.size(), size_t(n));
    QCOMPARE(d.Equations.front().Name, "E" + std::to_string(n - 1));
    QCOMPARE(d.Equations.back().Name, std::string("E0"));
}

namespace {
const char* PrinterDeck = "SIMULATION 0 2 1\nUNIT 1 TYPE 25 P\nPARAMETERS 2\n1 7\nINPUTS 1\n"
                          "TIME\nT\nASSIGN %1 7\nEND\n";
}

// A printer's file that is the deck, its listing or outside its folder is never written: the
// deck and what is outside stay as they were, and the listing names the ASSIGN line.
void TestEngine::refusedAssignments_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("why");
    QTest::newRow("the deck itself") << "SELF.DCK"
                                     << "it is the deck itself";
    QTest::newRow("the deck, other case") << "self.dck"
                                          << "it is the deck itself";
    QTest::newRow("the deck, through the folder") << "./SELF.DCK"
                                                  << "it is the deck itself";
    QTest::newRow("the listing") << "SELF.LST"
                                 << "it is the deck's listing";
    QTest::newRow("parent folder") << "../OUT.DAT"
                                   << "it lies outside the deck's folder";
    QTest::newRow("sub folder") << "sub/OUT.DAT"
                                << "it lies outside the deck's folder";
    QTest::newRow("backslashes") << "..\\OUT.DAT"
                                 << "it lies outside the deck's folder";
    QTest::newRow("absolute") << "@/OUT.DAT"
                              << "it lies outside the deck's folder";
    QTest::newRow("drive letter") << "C:OUT.DAT"
                                  << "it lies outside the deck's folder";
    QTest::newRow("link leading out") << "LINK.DAT"
                                      << "it lies outside the deck's folder";
    QTest::newRow("plain name") << "OUT.DAT"
                                << "";
}

void TestEngine::refusedAssignments() {
    QFETCH(QString, target);
    QFETCH(QString, why);
    QTemporaryDir outer;
    const QString dir = outer.path() + "/deck";
    QVERIFY(QDir().mkpath(dir + "/sub"));
    QVERIFY(QFile::link(outer.path() + "/OUT.DAT", dir + "/LINK.DAT"));
    target.replace("@", outer.path());
    const std::string text = QString(PrinterDeck).arg(target).toStdString();
    const std::string deck = WriteTestFile(dir, "SELF.DCK", text);
    QCOMPARE(RunEngine(deck), why.isEmpty() ? 0 : 1);
    QCOMPARE(ReadTestFile(deck), text);
    QCOMPARE(QFile::exists(outer.path() + "/OUT.DAT"), false);
    QCOMPARE(QFile::exists(dir + "/sub/OUT.DAT"), false);
    const std::string listing = ReadTestFile((dir + "/SELF.LST").toStdString());
    if (why.isEmpty()) {
        QVERIFY(QFile::exists(dir + "/OUT.DAT"));
        return;
    }
    const std::string error = "*** ERROR   line 8: ASSIGN " + target.toStdString() +
                              " is refused: " + why.toStdString() + "\n";
    QVERIFY2(listing.find(error) != std::string::npos, listing.c_str());
    // The check before a run from the program says the same, naming the line.
    const std::string before = DeckAssignmentProblem(Lines(QString::fromStdString(text)), deck);
    QVERIFY(before.find("Line 8 of " + deck + " assigns " + target.toStdString() +
                        " to the engine, but " + why.toStdString()) == 0);
}

void TestEngine::nonFiniteConstants_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("nan") << "nan";
    QTest::newRow("infinity") << "inf";
    QTest::newRow("minus infinity") << "-INFINITY";
    QTest::newRow("beyond double") << "1e999";
}

void TestEngine::nonFiniteConstants() {
    QFETCH(QString, value);
    EngineDeck d;
    ReadEngineDeck(Lines("CONSTANTS 1\nK = " + value + "\n" + Tail), d);
    const QStringList expected{"2:the constant K is not a finite number"};
    if (value == "1e999") // from_chars gives no value at all beyond the range of a double
        QCOMPARE(Messages(d), QStringList({"2:a constant is written NAME = number"}));
    else
        QCOMPARE(Messages(d), expected);
}

// A few lines asking for 260000 rows of 101 columns write nothing and say why.
void TestEngine::runawayOutput() {
    QTemporaryDir dir;
    QString inputs, labels;
    for (int i = 0; i < 100; ++i)
        inputs += " TIME", labels += QString(" T%1").arg(i);
    const std::string deck =
        WriteTestFile(dir.path(), "BIG.DCK",
                      QString("SIMULATION 0 259999 1\nUNIT 1 TYPE 25 P\nPARAMETERS 2\n1 7\n"
                              "INPUTS 100\n%1\n%2\nASSIGN BIG.OUT 7\nEND\n")
                          .arg(inputs, labels)
                          .toStdString());
    QCOMPARE(RunEngine(deck), 1);
    QVERIFY(!QFile::exists(dir.path() + "/BIG.OUT"));
    const std::string listing = ReadTestFile((dir.path() + "/BIG.LST").toStdString());
    QVERIFY2(listing.find("*** ERROR   line 2: the printers would write more than 25000000 "
                          "values (rows times columns) in one run; nothing was written\n") !=
                 std::string::npos,
             listing.c_str());
}

namespace {
// 1001 steps printed in rows of 27 bytes to PR.OUT, the printer on line 2.
EngineDeck ThousandSteps(const QString& file) {
    EngineDeck d;
    ReadEngineDeck(Lines(QString(PrinterDeck).arg(file).replace("0 2 1", "0 1000 1")), d);
    return d;
}
} // namespace

// A run writing past its limit is stopped there: the rows written stay in the file, the
// listing says so with the unit's line, and the steps done are told.
void TestEngine::outputStoppedOnTheWay() {
    QTemporaryDir dir;
    EngineDeck d = ThousandSteps("PR.OUT");
    QCOMPARE(d.Errors(), 0);
    const EngineRun run = RunEngineDeck(d, dir.path().toStdString(), 5000);
    QVERIFY(run.Stopped);
    QCOMPARE(d.Errors(), 1);
    QCOMPARE(Messages(d).join('|'),
             QString("2:the printers wrote more than 5000 bytes in one run; the run was stopped "
                     "at time %1 (what was written is kept)")
                 .arg(run.StoppedAt));
    QCOMPARE(run.Files.size(), size_t(1));
    const std::string out = ReadTestFile((dir.path() + "/PR.OUT").toStdString());
    QCOMPARE(run.Files[0].Rows, 185); // 12 bytes of names and units, then 27 bytes a row
    QCOMPARE(out.size(), size_t(12 + 27 * 185));
    QCOMPARE(std::count(out.begin(), out.end(), '\n'), 2L + run.Files[0].Rows);
    QCOMPARE(run.Steps, 185);
    const std::string listing = EngineListing(d, "PR.DCK", run);
    for (const char* part :
         {"*** ERROR   line 2: the printers wrote more than 5000 bytes", ": 185 time steps.",
          "The run was stopped at time 184.\n", "): 185 rows of 2 columns.\n"})
        QVERIFY2(listing.find(part) != std::string::npos, part);
    QVERIFY(listing.find("nothing was simulated") == std::string::npos);
}

// A disk that fills during the run stops it with the cause, not a listing of rows that
// never reached the file.
void TestEngine::fullDiskStopsTheRun() {
    if (!QFile::exists("/dev/full")) QSKIP("no /dev/full here");
    EngineDeck d = ThousandSteps("/dev/full");
    const EngineRun run = RunEngineDeck(d, QDir::tempPath().toStdString());
    QVERIFY(run.Stopped);
    QVERIFY(run.Steps < 1001);
    QVERIFY2(Messages(d).join('|').startsWith(
                 "2:file /dev/full could not be written (No space left on device); the run was "
                 "stopped at time "),
             qPrintable(Messages(d).join('|')));
    QVERIFY(EngineListing(d, "PR.DCK", run).find("The run was stopped at time") !=
            std::string::npos);
}

// Two printers of one logical unit write its one file in turn: both their lines are there,
// none written over by the other's.
void TestEngine::printersShareTheirUnitsFile() {
    QTemporaryDir dir;
    EngineDeck d;
    ReadEngineDeck(
        Lines("SIMULATION 0 2 1\nUNIT 1 TYPE 25 P\nPARAMETERS 2\n1 7\nINPUTS 1\nTIME\nA\n"
              "UNIT 2 TYPE 25 Q\nPARAMETERS 2\n1 7\nINPUTS 1\nTIME\nB\n"
              "ASSIGN TWO.OUT 7\nEND"),
        d);
    QCOMPARE(Messages(d), QStringList());
    const EngineRun run = RunEngineDeck(d, dir.path().toStdString());
    QCOMPARE(Messages(d), QStringList());
    const QStringList lines =
        QString::fromStdString(ReadTestFile((dir.path() + "/TWO.OUT").toStdString()))
            .split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2 * 2 + 2 * 3);
    QCOMPARE(lines.mid(0, 4), QStringList({"TIME A", " S -", "TIME B", " S -"}));
    QCOMPARE(run.Files.size(), size_t(2));
    QCOMPARE(run.Files[0].Rows + run.Files[1].Rows, 6);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
