// Make KOLSED file: reading plain decks and description files, every message, the choice of
// values, the written annotated deck line by line, and the round trip through the form
// reader and the engine.
#include "common/globals.h"
#include "common/paths.h"
#include "engine/engine.h"
#include "kolsed/annotation.h"
#include "table/generator.h"
#include "tests/support/shown.h"
#include "tests/support/testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kolshell;

namespace {

// An engine directory with description files, and decks beside it.
struct Fixture : TestFolder {
    std::string Info(int type, const std::string& text) {
        QDir().mkpath(Dir.path() + "/INFO");
        return Write("INFO/TYPE" + std::to_string(type) + ".INF", text);
    }
    // Reads the deck; the messages shown on the way are kept.
    TGenerator Make(const std::string& deck, MsgRecorder& rec) {
        TGenerator g;
        rec.Shown.clear();
        shown::MakeDeck(g, Write("D.DCK", deck), Dir.path().toStdString());
        return g;
    }
};

const std::string Type7 = "Any text first\n"
                          "TYPE 7 Pump\n"
                          "Parameters\n"
                          "SPEED\nPump speed\nrpm rpm 0 1 0 5000\n"
                          "HEAD\nPump head\nm ft 0 3.28084 0 100.0\n"
                          "INPUTS\nREP\nPOWER\nPower input\nnone 0 10\n";

std::string UnitDeck(const std::string& unit) {
    return "SIMULATION 0 1 1\n" + unit + "END\n";
}

} // namespace

class TestGenerator : public QObject {
    Q_OBJECT
  private slots:
    void makeKolsedKeepsUnitComments();
    void deckLines();
    void countBeyondDeck_data();
    void countBeyondDeck();
    void unitWords_data();
    void unitWords();
    void descriptionMessages_data();
    void descriptionMessages();
    void modeSections_data();
    void modeSections();
    void type4();
    void normalise_data();
    void normalise();
    void selection();
    void writtenDeck();
    void countedNames();
    void headerAndSimulationCard();
    void manyInputs();
    void demoRoundTrip();
};

void TestGenerator::deckLines() {
    Fixture fx;
    MsgRecorder rec;
    TGenerator g = fx.Make("* about the mass flow\n"
                           "CONSTANTS 2\nAREA = 2\n* between\nK=3\n* after\n* more\n"
                           "EQUATIONS 1\nX = AREA*2\n"
                           "SIMULATION 0 10 1\n"
                           "* Simulate gently\n"
                           "* the end of it\n"
                           "UNIT 2 TYPE 25 Printer\nPARAMETERS 2\n1 7\n"
                           "ASSIGN P.OUT 7\n"
                           "END\n"
                           "LAST = 1\n",
                           rec);
    QVERIFY(rec.Shown.empty());
    QCOMPARE(g.KeptLines,
             (std::vector<std::string>{"CONSTANTS 2", "AREA = 2", "* between", "K=3", "* after",
                                       "* more", "*|*", "EQUATIONS 1", "X = AREA*2", "*|*", "  ",
                                       "UNIT 2 TYPE 25 Printer", "PARAMETERS 2", "1 7"}));
    QCOMPARE(g.AssignLines, (std::vector<std::string>{"* about the mass flow", "ASSIGN P.OUT 7"}));
    QCOMPARE(g.SimulationLine, std::string("* Simulate gently"));
    QCOMPARE(g.MakeConstants.size(), size_t(3));
    QCOMPARE(g.MakeConstants[0].Name, std::string("AREA"));
    QCOMPARE(g.MakeConstants[2].Name, std::string("X"));
    QVERIFY(g.MakeUnits.empty());
}

void TestGenerator::countBeyondDeck_data() {
    QTest::addColumn<QString>("statement");
    QTest::newRow("constants") << "CONSTANTS 2000000000";
    QTest::newRow("equations") << "EQUATIONS 2147483647";
}

// A statement count beyond the lines that follow ends the statement at the end of the deck.
void TestGenerator::countBeyondDeck() {
    QFETCH(QString, statement);
    Fixture fx;
    MsgRecorder rec;
    TGenerator g = fx.Make(statement.toStdString() + "\nA = 1\nEND\n", rec);
    QVERIFY(rec.Shown.empty());
    QCOMPARE(g.KeptLines,
             (std::vector<std::string>{statement.toStdString(), "A = 1", "END", "*|*"}));
    QCOMPARE(g.MakeConstants.size(), size_t(2));
    QCOMPARE(g.MakeConstants[0].Name, std::string("A"));
    QCOMPARE(g.MakeConstants[1].Name, std::string("END"));
}

void TestGenerator::unitWords_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("params");
    QTest::addColumn<QString>("inputs");
    QTest::addColumn<QString>("message");
    QTest::newRow("statements add up")
        << "UNIT 1 TYPE 7 P\nPARAMETERS 1\n1500\n* note\nPARAMETERS 1\n\nK\n"
           "INPUTS 2\n0,0 3, 1\n2.5 x\n"
        << "1500 |K*"
        << "0,0 |3,1*"
        << "";
    QTest::newRow("free inputs need a number")
        << "UNIT 1 TYPE 7 P\nPARAMETERS 2\n1 2\nINPUTS 3\n0,0 -1,0 NAME\nX 1 1\n"
        << "1 |2 "
        << "0,0*|-1,0*|NAME*"
        << "";
    QTest::newRow("too many parameters")
        << "UNIT 1 TYPE 7 P\nPARAMETERS 1\n1 2\nINPUTS 1\n0,0\n1\n"
        << ""
        << ""
        << " The parameters number for unit 7 is not defined correctly";
    QTest::newRow("too many inputs") << "UNIT 1 TYPE 7 P\nPARAMETERS 2\n1 2\nINPUTS 1\n0,0 0,0\n1\n"
                                     << ""
                                     << ""
                                     << " The inputs number for unit 7 is not defined correctly";
    QTest::newRow("parameter count beyond the deck")
        << "UNIT 1 TYPE 7 P\nPARAMETERS 2147483647\n1 2\n"
        << ""
        << ""
        << " The parameters number for unit 7 is not defined correctly";
    QTest::newRow("counts added past the int range")
        << "UNIT 1 TYPE 7 P\nPARAMETERS 1\n5\nPARAMETERS 2147483647\n1\n"
        << ""
        << ""
        << " The parameters number for unit 7 is not defined correctly";
    QTest::newRow("input count beyond the deck")
        << "UNIT 1 TYPE 7 P\nINPUTS 99999999999\n0,0\n"
        << ""
        << ""
        << " The inputs number for unit 7 is not defined correctly";
}

void TestGenerator::unitWords() {
    QFETCH(QString, unit);
    QFETCH(QString, params);
    QFETCH(QString, inputs);
    QFETCH(QString, message);
    Fixture fx;
    MsgRecorder rec;
    fx.Info(7, Type7);
    TGenerator g = fx.Make(UnitDeck(unit.toStdString()), rec);
    QCOMPARE(g.MakeUnits.size(), size_t(1));
    const DeckUnit& u = g.MakeUnits[0];
    QStringList got;
    for (const WordItem& w : u.ParamValues)
        got << QString::fromStdString(w.Text) + (w.Exposable ? " " : "*");
    QStringList gotInputs;
    for (const WordItem& w : u.InputConnections)
        gotInputs << QString::fromStdString(w.Text) + (w.Exposable ? " " : "*");
    if (message.isEmpty()) {
        QVERIFY(rec.Shown.empty());
        QCOMPARE(got.join("|"), params);
        QCOMPARE(gotInputs.join("|"), inputs);
        QCOMPARE(u.DisplayText, std::string("UNIT 1 TYPE 7 P"));
    } else {
        QCOMPARE(rec.Texts(), std::vector<std::string>{message.toStdString()});
        QVERIFY(u.NoData);
        QCOMPARE(u.DisplayText, std::string("UNIT 1  - NO DATA AVAILABLE"));
        QVERIFY(SelectionLines(u, false).empty());
    }
}

void TestGenerator::descriptionMessages_data() {
    QTest::addColumn<QString>("inf");
    QTest::addColumn<QString>("message");
    QTest::newRow("no header") << "TYPE 8 Other\n"
                               << "Type 7 can not be found";
    QTest::newRow("input line among parameters")
        << "TYPE 7\nParameters\nSPEED\nSpeed\nnone 0 1\nINPUTS\nX\nx\nnone 0 1\n"
        << "Parameter 2 for type 7 isn't defined correctly";
    QTest::newRow("unit line too short") << "TYPE 7\nParameters\nSPEED\nSpeed\nrpm rpm 0 1 0\n"
                                         << "Parameter 1 for type 7 isn't defined correctly";
    QTest::newRow("file ends among parameters") << "TYPE 7\nParameters\nSPEED\nSpeed\n"
                                                << "Parameter 1 for type 7 isn't defined correctly";
    QTest::newRow("bad input group") << "TYPE 7\nP\nREP\nA\na\nnone 0 1\nINPUTS\nPOWER\nPower\nW\n"
                                     << "Input 1 for type 7 isn't defined correctly";
    QTest::newRow("no inputs part") << "TYPE 7\nP\nREP\nA\na\nnone 0 1\n"
                                    << "Input 1 for type 7 isn't defined correctly";
}

void TestGenerator::descriptionMessages() {
    QFETCH(QString, inf);
    QFETCH(QString, message);
    Fixture fx;
    MsgRecorder rec;
    fx.Info(7, inf.toStdString());
    TGenerator g = fx.Make(UnitDeck("UNIT 3 TYPE 7 P\nPARAMETERS 2\n1 2\nINPUTS 1\n0,0\n1\n"), rec);
    QCOMPARE(rec.Texts(), std::vector<std::string>{message.toStdString()});
    QVERIFY(g.MakeUnits[0].NoData);
    // The unit's own statements are kept in its block.
    const std::vector<std::string> ksd = shown::KsdLines(g, false, false);
    const std::vector<std::string> tail(ksd.end() - 9, ksd.end());
    QCOMPARE(tail, (std::vector<std::string>{"*|*", "UNIT 3 TYPE 7 P", "PARAMETERS  2", "1 2",
                                             "INPUTS  1", "0,0", "1", "", "END"}));
}

void TestGenerator::modeSections_data() {
    QTest::addColumn<QString>("params");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("message");
    const QString zero = "CONSTANTS 1\nM = -2\n";
    QTest::newRow("mode 2") << "2 5"
                            << "Second of mode 2"
                            << "";
    QTest::newRow("mode 1") << "1.9 5"
                            << "Second of mode 1"
                            << "";
    QTest::newRow("missing mode") << "3 5"
                                  << ""
                                  << "  Error in Type 7 ! MODE 1-3 can not be found";
    QTest::newRow("mode beyond the int range")
        << "6.3E10 5"
        << ""
        << "  Error in Type 7 ! MODE 1-63000000000 can not be found";
}

void TestGenerator::modeSections() {
    QFETCH(QString, params);
    QFETCH(QString, description);
    QFETCH(QString, message);
    Fixture fx;
    MsgRecorder rec;
    fx.Info(7, "TYPE 7\nPARMOD 1\nMODE 1-1\nP\nMODE\nMode\nnone 1 3\nB\nSecond of mode 1\n"
               "none 0 9\nMODE 1-2\nP\nMODE\nMode\nnone 1 3\nB\nSecond of mode 2\nnone 0 9\n");
    TGenerator g =
        fx.Make(UnitDeck("UNIT 1 TYPE 7 P\nPARAMETERS 2\n" + params.toStdString() + "\n"), rec);
    QCOMPARE(rec.Texts(), message.isEmpty() ? std::vector<std::string>{}
                                            : std::vector<std::string>{message.toStdString()});
    if (message.isEmpty())
        QCOMPARE(QString::fromStdString(g.MakeUnits[0].ParamDescriptions[1].Description),
                 description);

    // A ZERO section, chosen by the sign of a constant named as the mode parameter.
    fx.Info(8, "TYPE 8\nPARMOD 2 ZERO\nMODE 2 POS\nP\nA\nPositive\nnone 0 1\nB\nb\nnone 0 1\n"
               "MODE 2 NEG\nP\nA\nNegative\nnone 0 1\nB\nb\nnone 0 1\n");
    g = fx.Make("CONSTANTS 1\nM = -2\nUNIT 1 TYPE 8 P\nPARAMETERS 2\n1 M\nEND\n", rec);
    QVERIFY(rec.Shown.empty());
    QCOMPARE(g.MakeUnits[0].ParamDescriptions[0].Description, std::string("Negative"));
    g = fx.Make("UNIT 1 TYPE 8 P\nPARAMETERS 2\n1 1.5\nEND\n", rec);
    QCOMPARE(g.MakeUnits[0].ParamDescriptions[0].Description, std::string("Positive"));
    g = fx.Make("UNIT 1 TYPE 8 P\nPARAMETERS 2\n1 0\nEND\n", rec);
    QCOMPARE(g.MakeUnits[0].ParamDescriptions[0].Description, std::string("Negative"));
}

void TestGenerator::type4() {
    Fixture fx;
    MsgRecorder rec;
    // 25 numbered groups G1..G25 after the header, then the inputs.
    std::string inf = "TYPE 4 Store\nParameters\n";
    for (int i = 1; i <= 25; ++i)
        inf += "G" + std::to_string(i) + "\nGroup " + std::to_string(i) + "\nnone 0 9\n";
    inf += "INPUTS\nI1\nInput one\nnone 0 1\nI2\nInput two\nnone 0 1\n";
    fx.Info(4, inf);
    auto names = [](const DeckUnit& u) {
        std::string s;
        for (const DescriptionEntry& e : u.ParamDescriptions)
            s += e.Name + " ";
        return s;
    };
    // Parameter 1 = 3 adds groups 21 and 22; parameter 6 > 0 with 2 derivatives repeats
    // group 6; parameter 5 < 0 adds group 23 once per derivative.
    TGenerator g = fx.Make(UnitDeck("UNIT 1 TYPE 4 S\nPARAMETERS 6\n3 0 0 0 -1 1\n"
                                    "INPUTS 2\n0,0 0,0\n1 2\nDERIVATIVES 2\n0 0\n"),
                           rec);
    QVERIFY(rec.Shown.empty());
    QCOMPARE(names(g.MakeUnits[0]), std::string("G1 G2 G3 G4 G5 G6 G6 G7 G8 G9 G10 G11 G12 "
                                                "G13 G14 G15 G16 G17 G18 G19 G20 G21 G22 "
                                                "G23 G23 "));
    QCOMPARE(g.MakeUnits[0].InputDescriptions[1].Name, std::string("I2"));
    g = fx.Make(UnitDeck("UNIT 1 TYPE 4 S\nPARAMETERS 6\n1 0 0 0 1 1\nDERIVATIVES 1\n0\n"), rec);
    QCOMPARE(names(g.MakeUnits[0]).size(), std::string("G1 G2 G3 G4 G5 G6 G7 G8 G9 G10 G11 G12 "
                                                       "G13 G14 G15 G16 G17 G18 G19 G20 ")
                                               .size());
    // A file that ends before its inputs: the unit shows no data.
    fx.Info(4, inf.substr(0, inf.find("INPUTS")));
    g = fx.Make(UnitDeck("UNIT 1 TYPE 4 S\nPARAMETERS 6\n1 0 0 0 1 1\nINPUTS 1\n0,0\n1\n"), rec);
    QCOMPARE(rec.Texts(), std::vector<std::string>{"Input 1 for Type 4 isn't defined correctly "});
    QVERIFY(g.MakeUnits[0].NoData);
}

void TestGenerator::normalise_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("field");
    QTest::newRow("none") << "none 0 100"
                          << "|||0|1|0|100|";
    QTest::newRow("None with more") << "None 1 2 3"
                                    << "|||0|1|1|2|";
    QTest::newRow("six words") << "m2 ft2 10.764 0 0 100"
                               << "|m2|ft2|10.764|0|0|100|";
    QTest::newRow("none too short") << "NONE 1"
                                    << "";
    QTest::newRow("five words") << "m ft 0 1 0"
                                << "";
    QTest::newRow("nOnE is a unit name") << "nOnE 0 100"
                                         << "";
}

void TestGenerator::normalise() {
    QFETCH(QString, line);
    QFETCH(QString, field);
    std::string got;
    QCOMPARE(NormaliseUnitLine(line.toStdString(), got), !field.isEmpty());
    if (!field.isEmpty()) QCOMPARE(QString::fromStdString(got), field);
}

void TestGenerator::selection() {
    Fixture fx;
    MsgRecorder rec;
    fx.Info(7, Type7);
    TGenerator g =
        fx.Make(UnitDeck("UNIT 1 TYPE 7 P\nPARAMETERS 2\nRPM 20\nINPUTS 2\n2,1 0,0\n0 4.5\n"), rec);
    DeckUnit& u = g.MakeUnits[0];
    QCOMPARE(SelectionLines(u, false), (std::vector<std::string>{"*Pump speed", " Pump head"}));
    QCOMPARE(SelectionLines(u, true), (std::vector<std::string>{"*Power input", " Power input"}));
    QVERIFY(!SetSelected(u, true, 0, true));
    QVERIFY(!u.InputDescriptions[0].Selected);
    QVERIFY(SetSelected(u, true, 1, true));
    SelectAll(u, false);
    QVERIFY(!u.ParamDescriptions[0].Selected);
    QVERIFY(u.ParamDescriptions[1].Selected);
    SelectNone(u, false);
    QVERIFY(!u.ParamDescriptions[1].Selected);
    QVERIFY(u.InputDescriptions[1].Selected); // the other list keeps its choice
}

void TestGenerator::writtenDeck() {
    Fixture fx;
    MsgRecorder rec;
    fx.Info(7, Type7);
    TGenerator g = fx.Make("ASSIGN A.OUT 7\nSIMULATION 0 1 1\nUNIT 1 TYPE 7 P\nPARAMETERS 2\n"
                           "1500 20\nINPUTS 2\n2,1 0,0\n0 4.5\nTRACE 0 1\nEND\n",
                           rec);
    SelectAll(g.MakeUnits[0], false);
    SelectAll(g.MakeUnits[0], true);
    QVERIFY(shown::WriteKsd(g, fx.Path("D.KSD"), false, false));
    QCOMPARE(ReadTestFile(fx.Path("D.KSD")),
             std::string("*KOLSED\r\nASSIGN A.OUT 7\r\nSIMULATION 0 1 1\r\n\r\n"
                         "*|*     ***** UNIT 1 TYPE 7 P *****\r\n*|*\r\n"
                         "*|*           PARAMETERS       \r\nCONSTANTS  2\r\n"
                         "SPEED=1500\r\n"
                         "*|Pump speed                                 |rpm|rpm|0|1|0|5000|\r\n"
                         "HEAD=20\r\n"
                         "*|Pump head                                  |m|ft|0|3.28084|0|100.0|\r\n"
                         "*|*\r\n"
                         "*|*             INPUTS         \r\nCONSTANTS  1\r\n"
                         "POWER=4.5\r\n"
                         "*|Power input                                |||0|1|0|10|\r\n*|*\r\n"
                         "UNIT 1 TYPE 7 P\r\nPARAMETERS  2\r\nSPEED HEAD \r\n"
                         "INPUTS  2\r\n2,1 POWER \r\n0 4.5 \r\nTRACE 0 1\r\n\r\nEND\r\n"));
    // The unit field starts in column 46.
    QCOMPARE(
        ReadTestFile(fx.Path("D.KSD")).find("|rpm") -
            ReadTestFile(fx.Path("D.KSD")).rfind("\n", ReadTestFile(fx.Path("D.KSD")).find("|rpm")),
        size_t(46));
}

void TestGenerator::makeKolsedKeepsUnitComments() {
    Fixture fx;
    MsgRecorder rec;
    fx.Info(7, Type7);
    TGenerator g = fx.Make("SIMULATION 0 1 1\nUNIT 1 TYPE 7 P\n* the pump of bay 2\nPARAMETERS 2\n"
                           "* speed from the data sheet\n1500 20\nINPUTS 2\n2,1 0,0\n"
                           "* power at start\n0 4.5\n* trace only the head\nTRACE 0 1\n"
                           "* done\nEND\n",
                           rec);
    QVERIFY(shown::WriteKsd(g, fx.Path("D.KSD"), false, false));
    const std::string written = ReadTestFile(fx.Path("D.KSD"));
    // Each comment stays within its unit, in the order the deck had them.
    size_t at = written.find("\r\nUNIT 1 TYPE 7 P\r\n");
    QVERIFY(at != std::string::npos);
    for (const char* comment :
         {"* the pump of bay 2\r\n", "* speed from the data sheet\r\n", "* power at start\r\n",
          "* trace only the head\r\n", "* done\r\n"}) {
        const size_t next = written.find(comment, at);
        QVERIFY2(next != std::string::npos, comment);
        at = next;
    }
    QVERIFY(written.find("* trace only the head\r\nTRACE 0 1\r\n") != std::string::npos);
    QVERIFY(written.find("TRACE 0 1\r\n* done\r\n") != std::string::npos);
}

void TestGenerator::countedNames() {
    Fixture fx;
    MsgRecorder rec;
    fx.Info(7, Type7);
    // The deck defines HEAD already; two pumps of one type.
    TGenerator g = fx.Make("CONSTANTS 1\nHEAD = 2\nUNIT 1 TYPE 7 A\nPARAMETERS 2\n1 2\n"
                           "UNIT 2 TYPE 7 B\nPARAMETERS 2\n3 4\nEND\n",
                           rec);
    SelectAll(g.MakeUnits[0], false);
    SelectAll(g.MakeUnits[1], false);
    CreateConstants(g);
    QCOMPARE(g.MakeUnits[0].ParamValues[0].Text, std::string("SPEED"));
    QCOMPARE(g.MakeUnits[0].ParamValues[1].Text, std::string("HEAD1"));
    QCOMPARE(g.MakeUnits[1].ParamValues[0].Text, std::string("SPEED1"));
    QCOMPARE(g.MakeUnits[1].ParamValues[1].Text, std::string("HEAD2"));
}

void TestGenerator::headerAndSimulationCard() {
    Fixture fx;
    MsgRecorder rec;
    TGenerator g = fx.Make("SIMULATION 0 1 1\nX = 1\nEND\n", rec);
    std::vector<std::string> lines = shown::KsdLines(g, true, true);
    QCOMPARE(rec.Texts(),
             std::vector<std::string>{"Error 2 while reading file " +
                                      JoinPath(fx.Dir.path().toStdString(), "Header.txt")});
    QCOMPARE(lines[1], std::string("*|*"));
    QCOMPARE(lines[2], std::string("*|*              ***** Simulation Parameters *****"));
    QCOMPARE(lines[18], std::string("SIMULATION START STOP STEP"));
    QCOMPARE(std::count(lines.begin(), lines.end(), std::string("SIMULATION 0 1 1")), 0);
    fx.Write("Header.txt", "Project X\n");
    rec.Shown.clear();
    lines = shown::KsdLines(g, true, false);
    QVERIFY(rec.Shown.empty());
    QCOMPARE(
        std::vector<std::string>(lines.begin(), lines.begin() + 5),
        (std::vector<std::string>{"*KOLSED", "*|*", "*|*Project X", "*|*", "SIMULATION 0 1 1"}));
}

void TestGenerator::manyInputs() {
    Fixture fx;
    MsgRecorder rec;
    fx.Info(7, Type7);
    std::string conns, initials;
    for (int i = 1; i <= 12; ++i)
        conns += "0,0 ", initials += std::to_string(i) + " ";
    TGenerator g = fx.Make(UnitDeck("UNIT 1 TYPE 7 P\nPARAMETERS 2\n1 2\nINPUTS 12\n" + conns +
                                    "\n" + initials + "\n"),
                           rec);
    SetSelected(g.MakeUnits[0], true, 11, true);
    const std::vector<std::string> lines = shown::KsdLines(g, false, false);
    CreateConstants(g);
    const std::vector<std::string> after = shown::KsdLines(g, false, false);
    const auto at = std::find(after.begin(), after.end(), std::string("INPUTS 10"));
    QVERIFY(at != after.end());
    QCOMPARE(*(at + 1), std::string("0,0 0,0 0,0 0,0 0,0 0,0 0,0 0,0 0,0 0,0 "));
    QCOMPARE(*(at + 2), std::string("1 2 3 4 5 6 7 8 9 10 "));
    QCOMPARE(*(at + 3), std::string("INPUTS  2"));
    QCOMPARE(*(at + 4), std::string("0,0 POWER "));
    QCOMPARE(*(at + 5), std::string("11 12 "));
    QVERIFY(lines != after);
}

void TestGenerator::demoRoundTrip() {
    Fixture fx;
    MsgRecorder rec;
    const QString source = qEnvironmentVariable("KOLSHELL_SOURCE");
    QVERIFY(CopyDemo("DEMO.DCK", fx.Dir.path() + "/DEMO.DCK"));
    const std::string engineDir = (source + "/demo").toStdString();
    TGenerator g;
    QVERIFY(shown::MakeDeck(g, fx.Path("DEMO.DCK"), engineDir));
    QVERIFY(rec.Shown.empty());
    int chosen = 0;
    for (DeckUnit& u : g.MakeUnits) {
        SelectAll(u, false);
        SelectAll(u, true);
        for (const auto* list : {&u.ParamDescriptions, &u.InputDescriptions})
            for (const DescriptionEntry& e : *list)
                chosen += e.Selected;
    }
    QCOMPARE(chosen, 3); // the rain's mode and flow, the tank's spare inflow
    QVERIFY(shown::WriteKsd(g, fx.Path("DEMO.KSD"), true, false));
    TFormModel form;
    shown::ReadDeck(form, fx.Path("DEMO.KSD"), TFixedMetrics());
    QVERIFY(rec.Shown.empty());
    QVERIFY(form.Finished);
    std::vector<const TFormItem*> fields;
    for (const auto& item : form.Items)
        if (item->Kind == ikNumber) fields.push_back(item.get());
    QCOMPARE(fields.size(), size_t(3));
    QCOMPARE(fields[1]->Name, std::string("FLOW"));
    QCOMPARE(fields[1]->UnitSI, std::string("m3/s"));
    QCOMPARE(fields[1]->UnitEng, std::string("gal/min"));
    QCOMPARE(double(fields[1]->Input->Min), -10.0);
    QCOMPARE(fields[1]->Input->Text, std::string("0.0000"));
    QCOMPARE(fields[2]->Name, std::string("FLOW1"));
    QCOMPARE(fields[2]->Caption->Text.substr(0, 19), std::string("Flow into the store"));
    // The engine gives the same outputs for both decks.
    QCOMPARE(RunEngine(fx.Path("DEMO.DCK")), 0);
    const std::string plain = ReadTestFile(fx.Path("DEMO.OUT"));
    QCOMPARE(RunEngine(fx.Path("DEMO.KSD")), 0);
    QCOMPARE(ReadTestFile(fx.Path("DEMO.OUT")), plain);
    QVERIFY(!plain.empty());
}

QTEST_GUILESS_MAIN(TestGenerator)
#include "tst_generator.moc"
