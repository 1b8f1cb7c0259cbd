#include "table/fill.h"
#include "table/tableedits.h"
#include "table/tablemodel.h"
#include "tests/support/runtable.h"
#include "tests/support/scriptengine.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <map>
#include <set>

using namespace kolshell;

namespace {

struct Run {
    int Exit;
    QString Out, Err;
};

Run Koltool(const QStringList& args) {
    QProcess p;
    p.start(qEnvironmentVariable("KOLSHELL_BIN") + "/koltool", args);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// The runs of run-table's JSON as "state status" words.
QStringList RunResults(const QString& json) {
    QStringList l;
    for (const QJsonValue& v : QJsonDocument::fromJson(json.toUtf8())["Runs"].toArray()) {
        const QJsonObject o = v.toObject();
        l << o["State"].toString() + " " +
                 (o["ExitStatus"].isNull() ? QString("-")
                                           : QString::number(o["ExitStatus"].toInt()));
    }
    return l;
}

QStringList TmpFiles(const QString& dir) {
    return QDir(dir).entryList({"*.TMP"}, QDir::Files);
}

// The numbers of a column of an output file's text (names and units lines skipped).
std::vector<double> ColumnOf(const QString& file, int col) {
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    std::vector<double> v;
    for (const QString& line : QString::fromLatin1(f.readAll()).split('\n')) {
        const QStringList w = line.split(' ', Qt::SkipEmptyParts);
        bool ok = false, number = false;
        const double x = w.size() > col ? w[col].toDouble(&ok) : 0;
        if (!w.isEmpty()) w[0].toDouble(&number);
        if (ok && number) v.push_back(x);
    }
    return v;
}

QJsonObject Json(const QString& text) {
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

// A table whose deck has the script engine's constants and runs the stand-in engine after it
// (REAL.exe), which writes T.OUT: TIME and PAUSE + STATUS every second for ten seconds.
QString RealRunTable(const QString& dir, const std::vector<std::vector<double>>& rows) {
    WriteScriptEngine(dir, 0);
    QFile::copy(qEnvironmentVariable("KOLSHELL_BIN") + "/KOLVAN32.exe", dir + "/REAL.exe");
    const std::string lines = "EQUATIONS 1\nLEVEL = PAUSE + STATUS + TIME\nSIMULATION 0 10 1\n"
                              "UNIT 1 TYPE 25 Printer\nPARAMETERS 2\n1 12\nINPUTS 1\nLEVEL\n"
                              "LEVEL[M]\nASSIGN T.OUT 12\n";
    return QString::fromStdString(WriteRunTable(dir, rows, lines));
}

QByteArray Bytes(const QString& file) {
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// The decks the script engine was started on, file names only, in order.
QStringList StartedDecks(const QString& dir) {
    QStringList l;
    for (const LogLine& line : RunLog(dir))
        if (line.Start) l << QFileInfo(line.Deck).fileName();
    return l;
}

// The run table whose deck writes T.OUT.
QString KoltoolRunTable(const QString& dir, const std::vector<std::vector<double>>& rows) {
    return QString::fromStdString(WriteRunTable(dir, rows, "ASSIGN T.OUT 12\n"));
}

} // namespace

class TestKoltool : public QObject {
    Q_OBJECT
  private slots:
    void answers_data();
    void answers();
    void dft();
    void badDft();
    void tableAndScan();
    void runTable();
    void runTableStates_data();
    void runTableStates();
    void runTableSignals_data();
    void runTableSignals();
    void runTableRefusals_data();
    void runTableRefusals();
    void helpAndVersion();
    void commandHelpAndRefusal_data();
    void commandHelpAndRefusal();
    void formAndWriteDeck();
    void writeDeck_data();
    void writeDeck();
    void makeKolsed();
    void plotImage_data();
    void plotImage();
    void resultsOfDemoRuns();
    void resultsCsv();
    void resultsRefusals_data();
    void resultsRefusals();
    void fillGrid();
    void fillLatinHypercube();
    void fillRefusals_data();
    void fillRefusals();
    void runChosenRuns();
    void runFailedAgain();
    void labelAnswersValidJson_data();
    void labelAnswersValidJson();
    void pasteWithBadRowLeavesTable();
    void tableVariablesMustBeDeckConstants();
};

void TestKoltool::answers_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("out");
    QTest::newRow("format exp") << QStringList{"format-real", "0", "3", "123456"} << "1.235E+05\n";
    QTest::newRow("format fixed") << QStringList{"format-real", "1", "4", "-0.00005"}
                                  << "-0.0001\n";
    QTest::newRow("format inf") << QStringList{"format-real", "0", "2", "inf"} << "inf\n";
    QTest::newRow("format big exponent")
        << QStringList{"format-real", "0", "1", "-7.25e-1234"} << "-7.3E-1234\n";
    QTest::newRow("choose") << QStringList{"choose-format", "4", "0.05"} << "0 3\n";
    QTest::newRow("choose large") << QStringList{"choose-format", "3", "-123456"} << "1 0\n";
    QTest::newRow("str ok") << QStringList{"str-to-real", "0.1"} << "ok 0.1\n";
    QTest::newRow("str exponent") << QStringList{"str-to-real", "2.5e-3"} << "ok 0.0025\n";
    QTest::newRow("str inf") << QStringList{"str-to-real", "-INF"} << "ok -1e+99\n";
    QTest::newRow("str comma") << QStringList{"str-to-real", "1,5"} << "error\n";
    QTest::newRow("format huge fixed")
        << QStringList{"format-real", "1", "0", "1e4930"} << "1E+4930\n";
    // 2^31 - 1 minor ticks between ticks 200 pixels apart: one on each pixel, at once.
    QTest::newRow("ticks huge minor")
        << QStringList{"ticks", "0", "10", "5", "0", "1", "2", "--minor", "2147483647"}
        << "{\"Ticks\":[{\"Value\":0,\"Labelled\":true,\"Label\":\"0.00\",\"Last\":false},"
           "{\"Value\":2,\"Labelled\":true,\"Label\":\"2.00\",\"Last\":false},"
           "{\"Value\":4,\"Labelled\":true,\"Label\":\"4.00\",\"Last\":false},"
           "{\"Value\":6,\"Labelled\":true,\"Label\":\"6.00\",\"Last\":false},"
           "{\"Value\":8,\"Labelled\":true,\"Label\":\"8.00\",\"Last\":false},"
           "{\"Value\":10,\"Labelled\":true,\"Label\":\"10.00\",\"Last\":true}],"
           "\"Minor\":1000,\"Pixels\":[0,200,400,600,800,1000]}\n";
}

void TestKoltool::answers() {
    QFETCH(QStringList, args);
    QFETCH(QString, out);
    const Run r = Koltool(args);
    QCOMPARE(r.Exit, 0);
    QCOMPARE(r.Out, out);
}

void TestKoltool::dft() {
    const Run r = Koltool({"dft", qEnvironmentVariable("KOLSHELL_BIN") + "/KOLSHELL.DFT"});
    QCOMPARE(r.Exit, 0);
    QCOMPARE(r.Out.count('\n'), 1);
    QVERIFY(r.Out.startsWith(
        "{\"UnitSystem\":1,\"IncludeHeader\":0,\"IncludeSimulationCard\":0,\"Engine32\":1,"));
    // Nothing set up by default: no commands, no directories.
    QVERIFY(r.Out.contains(
        "\"UserCommands\":[\"\",\"\",\"\"],\"ProgramDirs\":[\"\",\"\",\"\",\"\",\"\",\"\"]"));
    QVERIFY(r.Out.contains("\"Ints\":[0,0,0,0,0,0,0,0,0,0],\"Bytes\":[0,0,0,0,0,0,0,0,0,0]}"));
}

void TestKoltool::badDft() {
    QTemporaryDir tmp;
    QFile f(tmp.path() + "/x.dft");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("short");
    f.close();
    for (const QString& name : {f.fileName(), tmp.path() + "/missing.dft"}) {
        const Run r = Koltool({"dft", name});
        QCOMPARE(r.Exit, 1);
        QVERIFY(r.Out.isEmpty());
        QCOMPARE(r.Err.count('\n'), 1);
    }
}

void TestKoltool::tableAndScan() {
    QTemporaryDir tmp;
    QFile deck(tmp.path() + "/T.DCK");
    QVERIFY(deck.open(QIODevice::WriteOnly));
    deck.write("CONSTANTS 2\nK = 1\n*|Gain|-|-|0|1|0|9|0\nT=\nEND\n");
    deck.close();
    Run r = Koltool({"scan-constants", deck.fileName()});
    QCOMPARE(
        r.Out,
        QString("{\"Constants\":[{\"Name\":\"K\",\"Units\":\"[-]\",\"Description\":"
                "\"Gain\",\"Value\":\"1\",\"Count\":0},{\"Name\":\"T\",\"Units\":\"[-]\","
                "\"Description\":\"No description available\",\"Value\":\"?\",\"Count\":0}]}\n"));
    r = Koltool({"scan-constants", tmp.path() + "/none.dck"});
    QCOMPARE(r.Out, QString("{\"Constants\":null}\n"));

    // One column K, one run holding 2.5, deck T.DCK beside it; built from the layout.
    QByteArray b(256, '\0');
    const QByteArray deckName = deck.fileName().toLatin1();
    b[0] = char(deckName.size());
    b.replace(1, deckName.size(), deckName);
    b += QByteArray("\x02\0\0\0\x02\0\0\0", 8) + QByteArray(12, '\0');
    b += QByteArray(2 * 97, '\0');
    QByteArray record(60, '\0');
    record[0] = 1;
    record[6] = 1;
    record[7] = 'K';
    record[44] = 2;
    record[46] = 4;
    b += record + QByteArray(10, '\0') + QByteArray("\0\0\0\0\0\0\0\xa0\0\x40", 10);
    b += QByteArray(2, '\0');
    QFile table(tmp.path() + "/T.TBL");
    QVERIFY(table.open(QIODevice::WriteOnly));
    table.write(b);
    table.close();
    r = Koltool({"table", table.fileName()});
    QCOMPARE(r.Exit, 0);
    QCOMPARE(r.Out, "{\"DeckName\":\"" + deck.fileName() +
                        "\",\"ColCount\":2,\"RowCount\":2,\"ClientRect\":[0,0,0,0],"
                        "\"RunDeckNames\":[\"\",\"\"],\"Columns\":[{\"Number\":1,\"Name\":\"K\","
                        "\"Kind\":2,\"Digits\":4,\"Values\":[\"2.500\"],\"Raw\":"
                        "[\"00000000000000a00040\"]}]}\n");
    table.open(QIODevice::WriteOnly);
    table.write(b.left(300));
    table.close();
    r = Koltool({"table", table.fileName()});
    QCOMPARE(r.Exit, 1);
    QVERIFY(r.Err.contains("is not a table file"));
}

void TestKoltool::runTable() {
    QTemporaryDir tmp;
    const QString deck = tmp.path() + "/DEMO.DCK";
    QVERIFY(CopyDemo("DEMO.DCK", deck));
    const QString table = tmp.path() + "/DEMO.TBL";
    QCOMPARE(
        Koltool({"new-table", deck, "--runs", "2", "--vars", "QPUMP,CVALVE", "-o", table}).Exit, 0);
    Run r = Koltool({"run-table", table, "--engine-dir", qEnvironmentVariable("KOLSHELL_BIN")});
    QCOMPARE(r.Exit, 1); // nothing entered yet
    QCOMPARE(r.Err, QString("koltool: Parameter in the col #1, run #1 isn't defined\n"));
    QCOMPARE(Koltool({"alter", table, "--col", "1", "--first", "1", "--last", "2", "--set", "0.01",
                      "--increment", "0.01"})
                 .Exit,
             0);
    QCOMPARE(Koltool({"alter", table, "--col", "2", "--first", "1", "--last", "9", "--set", "0.004",
                      "--multiplier", "2"})
                 .Exit,
             0);
    r = Koltool({"run-table", table, "--engine-dir", qEnvironmentVariable("KOLSHELL_BIN")});
    QCOMPARE(r.Err, QString("KOLVAN Run 1 of 2\nKOLVAN Run 2 of 2\n"));
    QCOMPARE(r.Exit, 0);
    QVERIFY(QFile::exists(tmp.path() + "/DEMO.OUT"));
    QVERIFY(QFile::exists(tmp.path() + "/DEMO1.OUT"));
    QVERIFY(!QFile::exists(tmp.path() + "/DEMO.TMP"));
    QFile listing(tmp.path() + "/DEMO1.LST");
    QVERIFY(listing.open(QIODevice::ReadOnly));
    const QByteArray text = listing.readAll();
    QVERIFY(text.contains("QPUMP=2.0000E-02"));
    QVERIFY(text.contains("CVALVE=8.0000E-03"));
    QVERIFY(text.contains("0 error(s)"));
}

void TestKoltool::runTableStates_data() {
    QTest::addColumn<QString>("parallel");
    QTest::addColumn<QStringList>("results");
    QTest::addColumn<int>("exit");
    const QStringList mixed = {"done 0", "failed 3", "done 0", "failed 137", "done 0"};
    QTest::newRow("one at a time, mixed") << "1" << mixed << 1;
    QTest::newRow("two at once, mixed") << "2" << mixed << 1;
    QTest::newRow("three at once, all done") << "3" << QStringList(5, "done 0") << 0;
}

void TestKoltool::runTableStates() {
    QFETCH(QString, parallel);
    QFETCH(QStringList, results);
    QFETCH(int, exit);
    QTemporaryDir tmp;
    WriteScriptEngine(tmp.path(), 0.3);
    const bool mixed = results.contains("failed 3");
    const QString table = KoltoolRunTable(
        tmp.path(),
        mixed ? std::vector<std::vector<double>>{{0.3}, {0.3, 3}, {0.3}, {0.3, 0, 9}, {0.3}}
              : std::vector<std::vector<double>>(5, {0.3}));
    const Run r = Koltool({"run-table", table, "--engine-dir", tmp.path(), "--parallel", parallel});
    QCOMPARE(r.Exit, exit);
    QCOMPARE(RunResults(r.Out), results);
    QCOMPARE(r.Out.count('\n'), 1); // the JSON alone: the engines' output goes to stderr
    QCOMPARE(r.Err.count("KOLVAN Run "), 5);
    for (int run = 1; run <= 5; ++run)
        QVERIFY(r.Err.contains(QString("KOLVAN Run %1 of 5\n").arg(run)));
    if (mixed) QVERIFY(r.Err.contains("koltool: 2 of 5 runs failed. The first, run 2 on "));
    QCOMPARE(MostAtOnce(tmp.path()), parallel.toInt());
    QVERIFY(TmpFiles(tmp.path()).isEmpty());
    const QJsonObject first =
        QJsonDocument::fromJson(r.Out.toUtf8())["Runs"].toArray()[1].toObject();
    QCOMPARE(first["Deck"].toString(), tmp.path() + "/T1.TMP");
    QVERIFY(first["Seconds"].toDouble() >= 0.3 && first["Seconds"].toDouble() < 30);
}

void TestKoltool::runTableSignals_data() {
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("parallel");
    QTest::addColumn<QStringList>("results");
    QTest::newRow("SIGINT") << int(SIGINT) << "1"
                            << QStringList({"stopped 143", "not run -", "not run -"});
    QTest::newRow("SIGTERM, two at once")
        << int(SIGTERM) << "2" << QStringList({"stopped 143", "stopped 143", "not run -"});
}

void TestKoltool::runTableSignals() {
    QFETCH(int, signal);
    QFETCH(QString, parallel);
    QFETCH(QStringList, results);
    QTemporaryDir tmp;
    WriteScriptEngine(tmp.path(), 30);
    const QString table = KoltoolRunTable(tmp.path(), {{30}, {30}, {30}});
    QProcess p;
    p.start(qEnvironmentVariable("KOLSHELL_BIN") + "/koltool",
            {"run-table", table, "--engine-dir", tmp.path(), "--parallel", parallel});
    QVERIFY(p.waitForStarted());
    QTRY_COMPARE(Starts(tmp.path()), parallel.toInt());
    QCOMPARE(::kill(pid_t(p.processId()), signal), 0);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 130);
    QCOMPARE(RunResults(QString::fromUtf8(p.readAllStandardOutput())), results);
    QTRY_VERIFY_WITH_TIMEOUT(EnginesGone(tmp.path()), 2000);
    QVERIFY(TmpFiles(tmp.path()).isEmpty());
    QVERIFY(QString::fromUtf8(p.readAllStandardError())
                .contains("koltool: The table run was stopped before any run had finished.\n"));
}

void TestKoltool::runTableRefusals_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("error");
    // Options refused before anything runs: exit 2, the option named.
    const auto refused = [](const char* command, const char* why) {
        return QString("koltool: ") + command + ": " + why + "\nkoltool: see koltool " + command +
               " --help\n";
    };
    QTest::newRow("parallel zero")
        << "" << QStringList({"--parallel", "0"}) << 2
        << refused("run-table", "--parallel: Value 0 not in range 1 to 1024");
    QTest::newRow("parallel not a number")
        << "" << QStringList({"--parallel", "two"}) << 2
        << refused("run-table", "--parallel: two is not a whole number");
    QTest::newRow("time not a number")
        << "" << QStringList({"--slurm", "--time", "soon"}) << 2
        << refused("run-table", "--time: soon is not a whole number");
    QTest::newRow("negative throttle") << "" << QStringList({"--slurm", "--max-at-once", "-2"}) << 2
                                       << refused("run-table", "--max-at-once: -2 is less than 0");
    QTest::newRow("misspelt option") << "" << QStringList({"--paralel", "4"}) << 2
                                     << refused("run-table", "not understood: --paralel 4");
    QTest::newRow("missing value")
        << "" << QStringList({"--parallel"}) << 2
        << refused("run-table", "--parallel: 1 required INT:INT in [1 - 1024] missing");
    const QString usage =
        "koltool: usage: run-table FILE.TBL [--runs 3,5-7 | --failed] [--engine-dir DIR] "
        "[--parallel N] [--keep-decks] [--slurm [--partition P] [--time MIN] "
        "[--max-at-once M] [--sbatch-args \"...\"]]\n";
    QTest::newRow("runs and failed")
        << "" << QStringList({"--runs", "1", "--failed"}) << 1 << usage;
    QTest::newRow("run past the table")
        << "" << QStringList({"--runs", "1,3"}) << 1
        << "koltool: The table has runs 1 to 2: '3' lies outside them.\n";
    QTest::newRow("nothing failed")
        << "" << QStringList({"--failed"}) << 1
        << "koltool: No run of @/T.TBL failed or was stopped the last time it ran.\n";
    QTest::newRow("engine cannot start")
        << "" << QStringList({"--engine-dir", "@/plain"}) << 1
        << "koltool: @/plain/KOLVAN32.exe could not be started: Permission denied.\n";
}

namespace {
const char* const CommandNames[] = {
    "format-real", "choose-format", "str-to-real", "dft",        "default-dft",
    "output",      "scale",         "ticks",       "label",      "output-files",
    "ksp",         "make-plot",     "plot-image",  "table",      "scan-constants",
    "new-table",   "alter",         "runs",        "paste",      "run-table",
    "results",     "fill",          "form",        "write-deck", "make-kolsed"};
} // namespace

void TestKoltool::helpAndVersion() {
    const Run help = Koltool({"--help"});
    QCOMPARE(help.Exit, 0);
    QVERIFY(help.Err.isEmpty());
    QVERIFY(help.Out.contains("Usage: koltool [OPTIONS] SUBCOMMAND"));
    for (const char* name : CommandNames) // one line each
        QVERIFY2(help.Out.contains(QRegularExpression(QString("\\n  %1 +\\S").arg(name))), name);
    QCOMPARE(Koltool({"help"}).Out, help.Out);
    const Run version = Koltool({"--version"});
    QCOMPARE(version.Exit, 0);
    QVERIFY(QRegularExpression("^koltool \\d+\\.\\d+\\n$").match(version.Out).hasMatch());
    const Run unknown = Koltool({"--helpp"});
    QCOMPARE(unknown.Exit, 2);
    QVERIFY(unknown.Out.isEmpty());
    const Run command = Koltool({"frobnicate", "x"});
    QCOMPARE(command.Exit, 2);
    QVERIFY(command.Err.startsWith("koltool: unknown command frobnicate\n"));
}

void TestKoltool::commandHelpAndRefusal_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("positionals"); // the arguments it needs before any option
    const std::map<QString, int> many = {{"format-real", 3}, {"choose-format", 2},
                                         {"scale", 2},       {"ticks", 6},
                                         {"write-deck", 2},  {"plot-image", 2}};
    for (const char* name : CommandNames)
        QTest::newRow(name) << name << (many.count(name) ? many.at(name) : 1);
}

void TestKoltool::commandHelpAndRefusal() {
    QFETCH(QString, command);
    QFETCH(int, positionals);
    const Run help = Koltool({command, "--help"});
    QCOMPARE(help.Exit, 0);
    QVERIFY2(help.Out.contains("Usage: koltool " + command + " "), qPrintable(help.Out));
    QCOMPARE(Koltool({"help", command}).Out, help.Out);
    // An unknown option is refused before the command does anything: exit 2, nothing written.
    QTemporaryDir tmp;
    QStringList args = {command};
    for (int i = 0; i < positionals; ++i)
        args << tmp.path() + "/OUT" + QString::number(i);
    if (positionals > 1 && command != "write-deck" && command != "plot-image")
        args.replaceInStrings(QRegularExpression(".*OUT"), ""); // numbers
    const Run r = Koltool(args << "--no-such-option"
                               << "1");
    QCOMPARE(r.Exit, 2);
    QVERIFY(r.Out.isEmpty());
    QVERIFY2(r.Err.startsWith("koltool: " + command + ": "), qPrintable(r.Err));
    QVERIFY2(r.Err.contains("--no-such-option"), qPrintable(r.Err));
    QVERIFY(QDir(tmp.path()).isEmpty());
}

void TestKoltool::runTableRefusals() {
    QFETCH(QString, folder);
    QFETCH(QStringList, options);
    QFETCH(int, exit);
    QFETCH(QString, error);
    QTemporaryDir tmp;
    QDir(tmp.path()).mkpath("plain");
    WriteTestFile(tmp.path() + "/plain", "KOLVAN32.exe", "not a program\n");
    WriteScriptEngine(tmp.path(), 0);
    const QString dir = folder.isEmpty() ? tmp.path() : tmp.path() + "/" + folder;
    const QString table = KoltoolRunTable(dir, {{0}, {0}});
    QStringList args = {"run-table", table, "--engine-dir", tmp.path()};
    args += options.replaceInStrings("@", tmp.path());
    const Run r = Koltool(args);
    QCOMPARE(r.Exit, exit);
    QVERIFY2(r.Err.endsWith(error.replace("@", tmp.path())), qPrintable(r.Err));
    QCOMPARE(Starts(tmp.path()), 0);
    QVERIFY(TmpFiles(dir).isEmpty());
}

void TestKoltool::formAndWriteDeck() {
    QTemporaryDir tmp;
    QFile deck(tmp.path() + "/F.KSD");
    QVERIFY(deck.open(QIODevice::WriteOnly));
    deck.write("*KOLSED\n*|(R|Start\n*|Low|LOW\n*|High|HIGH\n*|)\n*|[LOW|Low\nX = 1\n"
               "*|X|m|ft|0|3.28084|0|10.00|2\n*|]\n*|#*|[HIGH\n*|#Y = 5\n*|]\nEND\n");
    deck.close();
    Run r = Koltool({"form", deck.fileName(), "--unit-system", "2"});
    QCOMPARE(r.Exit, 0);
    const QJsonObject form = QJsonDocument::fromJson(r.Out.toUtf8()).object();
    for (const char* key :
         {"ErrorLevel", "Stop", "Messages", "Background", "BeforeCommand", "AfterCommand", "Items"})
        QVERIFY2(form.contains(key), key);
    QCOMPARE(form["Stop"].toString(), QString("none"));
    const QJsonArray items = form["Items"].toArray();
    QCOMPARE(items.size(), 4);
    const QJsonObject x = items[2].toObject();
    for (const char* key :
         {"Index",      "Line",        "Kind",     "Help",   "Name",    "Caption",
          "UnitSI",     "UnitEng",     "Offset",   "Factor", "Min",     "Max",
          "FormatMode", "Digits",      "Text",     "Group",  "InGroup", "InitiallyOn",
          "Buttons",    "ListEntries", "Selected", "Top",    "Left",    "Visible"})
        QVERIFY2(x.contains(key), key);
    QCOMPARE(x["Text"].toString(), QString("3.28"));
    QCOMPARE(x["Group"].toString(), QString("LOW"));
    QCOMPARE(x["Line"].toInt(), 7);
    const QJsonArray buttons = items[0].toObject()["Buttons"].toArray();
    QCOMPARE(buttons[0].toObject()["Checked"].toBool(), true);
    QCOMPARE(items[3].toObject()["InitiallyOn"].toBool(), false);
    QCOMPARE(items[3].toObject()["On"].toBool(), false);

    // Press "High", set X in feet, write: LOW goes off, HIGH comes on.
    const QString out = tmp.path() + "/G.KSD";
    r = Koltool({"write-deck", deck.fileName(), out, "--unit-system", "2", "--set", "3=6.5617",
                 "--button", "1.2=on"});
    QCOMPARE(r.Exit, 0);
    QFile written(out);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(),
             QByteArray("*KOLSED\n*|(R|Start\n*|Low|LOW\n*|High|HIGH\n*|)\n*|#*|[LOW|Low\n"
                        "*|#X = 2.000006095999805\n*|#*|X|m|ft|0|3.28084|0|10.00|2\n*|#*|]\n"
                        "*|[HIGH\nY = 5\n*|]\nEND\n"));
    r = Koltool({"write-deck", deck.fileName(), out, "--set", "3=11"});
    QCOMPARE(r.Exit, 1);
    QVERIFY(r.Err.contains("This parameter must be >= 0.00 and <= 10.00"));
}

void TestKoltool::writeDeck_data() {
    QTest::addColumn<QString>("deckName");
    QTest::addColumn<QByteArray>("deck");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("edits"); // "{dir}" stands for the deck's folder
    QTest::addColumn<int>("exit");
    QTest::addColumn<QByteArray>("written"); // empty: the target is not written
    QTest::addColumn<QString>("message");
    const QByteArray area = "AREA = 2.3456789\n*|Area|m2|ft2|0|10.7639|0.01|1000.00|1\n";
    const QByteArray level = "LEVEL0 = 0.20\n*|Start level|m|ft|0|3.28084|0|30.00|4\n";
    QTest::newRow("untouched value in secondary units")
        << "F.KSD" << level << "G.KSD" << QStringList{"--unit-system", "2"} << 0 << level << "";
    QTest::newRow("typed value keeps its digits")
        << "F.KSD" << QByteArray("AREA = 2.5\n*|Area|m2|ft2|0|10.7639|0.01|1000.00|1\n") << "G.KSD"
        << QStringList{"--set", "1=2.3456789"} << 0 << area << "";
    const QByteArray constants = "*|[G|Constants\r\nCONSTANTS 1\r\nA = 1\r\n*|]\r\nEND\r\n";
    QTest::newRow("group of deck lines only")
        << "F.KSD" << constants << "G.KSD" << QStringList{} << 0 << constants << "";
    const QByteArray off = "*|#*|[G|Off\n*|#A = 1\n*|#*|A|m|m|0|1|0|9|0\n*|#*|]\nEND\n";
    QTest::newRow("switched-off group without a button")
        << "F.KSD" << off << "G.KSD" << QStringList{} << 0 << off << "";
    QTest::newRow("blank line before the annotation")
        << "F.KSD" << QByteArray("A = 1\n\n \n*|A value|||0|1|0|9|0\n") << "G.KSD"
        << QStringList{"--set", "1=7"} << 0 << QByteArray("A = 7\n\n \n*|A value|||0|1|0|9|0\n")
        << "";
    const QByteArray assign = "ASSIGN IN.DAT 10\n*|?Input|0\n";
    QTest::newRow("file in the deck's folder")
        << "F.KSD" << assign << "G.KSD" << QStringList{"--set", "1={dir}/OTHER.DAT"} << 0
        << QByteArray("ASSIGN OTHER.DAT 10\n*|?Input|0\n") << "";
    QTest::newRow("file name with a blank")
        << "F.KSD" << assign << "G.KSD" << QStringList{"--set", "1={dir}/my file.dat"} << 1
        << QByteArray()
        << "my file.dat cannot be written in an ASSIGN line: the engine reads a file name only "
           "up to its first blank.";
    QTest::newRow("deck named like its backup")
        << "RUN.BAK" << QByteArray("X = 1\n*|X|||0|1|0|9|0\n") << "RUN.BAK"
        << QStringList{"--set", "1=2"} << 0 << QByteArray("X = 2\n*|X|||0|1|0|9|0\n") << "";
}

void TestKoltool::writeDeck() {
    QFETCH(QString, deckName);
    QFETCH(QByteArray, deck);
    QFETCH(QString, target);
    QFETCH(QStringList, edits);
    QFETCH(int, exit);
    QFETCH(QByteArray, written);
    QFETCH(QString, message);
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    for (const auto& [name, bytes] :
         {std::pair{deckName, deck}, std::pair{QString("IN.DAT"), QByteArray("1\n")}}) {
        QFile f(dir + "/" + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QStringList args{"write-deck", dir + "/" + deckName, dir + "/" + target};
    for (const QString& e : edits)
        args << QString(e).replace("{dir}", dir);
    const Run r = Koltool(args);
    QCOMPARE(r.Exit, exit);
    QVERIFY2(r.Err.contains(message), qPrintable(r.Err));
    QFile out(dir + "/" + target);
    if (written.isEmpty()) {
        QVERIFY(!out.exists());
        return;
    }
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(out.readAll(), written);
    if (target == deckName) { // saved under its own name: the old deck is the backup
        QFile backup(dir + "/" + deckName + ".BAK");
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QCOMPARE(backup.readAll(), deck);
    }
}

void TestKoltool::makeKolsed() {
    QTemporaryDir tmp;
    const QString source = qEnvironmentVariable("KOLSHELL_SOURCE");
    const QString deck = tmp.path() + "/DEMO.DCK";
    QVERIFY(CopyDemo("DEMO.DCK", deck));
    Run r = Koltool({"make-kolsed", deck, "--engine-dir", source + "/demo", "--list"});
    QCOMPARE(r.Exit, 0);
    const QJsonObject list = QJsonDocument::fromJson(r.Out.toUtf8()).object();
    QCOMPARE(list["Messages"].toArray().size(), 0);
    const QJsonArray units = list["Units"].toArray();
    QCOMPARE(units.size(), 2); // the printers are copied as they are
    const QJsonObject tank = units[1].toObject();
    QCOMPARE(tank["DisplayText"].toString(), QString("UNIT 1 TYPE 2 TANK"));
    QCOMPARE(tank["NoData"].toBool(), false);
    QCOMPARE(tank["Parameters"].toArray()[0].toString(),
             QString("*Capacity (inputs are divided by it)"));
    QCOMPARE(tank["Inputs"].toArray()[2].toString(),
             QString(" Flow into the store (out if negative)"));
    const QString out = tmp.path() + "/DEMO.KSD";
    r = Koltool(
        {"make-kolsed", deck, "--engine-dir", source + "/demo", "--select", "2:i3", "-o", out});
    QCOMPARE(r.Exit, 0);
    QFile ksd(out);
    QVERIFY(ksd.open(QIODevice::ReadOnly));
    QVERIFY(
        ksd.readAll().contains("FLOW=0\r\n*|Flow into the store (out if negative)      |m3/s|"));
    r = Koltool(
        {"make-kolsed", deck, "--engine-dir", source + "/demo", "--select", "2:p1", "-o", out});
    QCOMPARE(r.Exit, 1);
    QVERIFY(r.Err.contains("p1 of unit 2 cannot be chosen"));
    r = Koltool({"make-kolsed", deck, "--engine-dir", tmp.path(), "--list"});
    QVERIFY(r.Out.contains("NO DATA AVAILABLE"));
    QVERIFY(r.Out.contains("was encountered while trying to open file"));
    QCOMPARE(r.Exit, 1); // messages reported: the exit code says so
}

void TestKoltool::resultsOfDemoRuns() {
    QTemporaryDir tmp;
    const QString deck = tmp.path() + "/DEMO.DCK";
    QVERIFY(QFile::copy(qEnvironmentVariable("KOLSHELL_SOURCE") + "/demo/DEMO.DCK", deck));
    const QString table = tmp.path() + "/DEMO.TBL";
    const QString bin = qEnvironmentVariable("KOLSHELL_BIN");
    QCOMPARE(Koltool({"new-table", deck, "--runs", "1", "--vars", "AREA,QPUMP", "-o", table}).Exit,
             0);
    QCOMPARE(Koltool({"fill", table, "--grid", "AREA=1:3:3,QPUMP=0.01:0.02:2"}).Exit, 0);
    QCOMPARE(Koltool({"run-table", table, "--engine-dir", bin, "--parallel", "2"}).Exit, 0);
    const Run r = Koltool({"results", table, "--file", "DEMO.OUT", "--column", "LEVEL,QOUT",
                           "--stat", "final,min,max,mean,integral,xmax,at=1830"});
    QCOMPARE(r.Exit, 0);
    const QJsonObject o = Json(r.Out);
    QCOMPARE(o["Results"].toArray().size(), 14);
    QCOMPARE(o["Units"].toArray()[0].toString(), QString("M"));
    const QJsonArray runs = o["Runs"].toArray();
    QCOMPARE(runs.size(), 6);
    for (int k = 0; k < 6; ++k) {
        const QJsonObject run = runs[k].toObject();
        QCOMPARE(run["State"].toString(), QString("done"));
        QCOMPARE(run["Values"].toObject()["AREA"].toDouble(), 1.0 + k / 2);
        const QString out = tmp.path() + (k ? QString("/DEMO%1.OUT").arg(k) : "/DEMO.OUT");
        const std::vector<double> t = ColumnOf(out, 0), y = ColumnOf(out, 1);
        QCOMPARE(int(t.size()), 61);
        double top = y[0], sum = 0, area = 0, atTop = t[0];
        for (size_t i = 0; i < y.size(); ++i) {
            if (y[i] > top) top = y[i], atTop = t[i];
            sum += y[i];
            if (i) area += (t[i] - t[i - 1]) * (y[i] + y[i - 1]) / 2;
        }
        const QJsonObject res = run["Results"].toObject();
        auto near = [](double a, double b) {
            return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
        };
        QVERIFY(near(res["final LEVEL"].toDouble(), y.back()));
        QVERIFY(near(res["max LEVEL"].toDouble(), top));
        QVERIFY(near(res["xmax LEVEL"].toDouble(), atTop));
        QVERIFY(near(res["mean LEVEL"].toDouble(), sum / y.size()));
        QVERIFY(near(res["integral LEVEL"].toDouble(), area));
        QVERIFY(near(res["at=1830 LEVEL"].toDouble(), (y[30] + y[31]) / 2));
        QVERIFY(res.contains("min QOUT"));
    }
}

void TestKoltool::resultsCsv() {
    QTemporaryDir tmp;
    const QString table = RealRunTable(tmp.path(), {{0.25}, {0.5, 3}, {0}});
    QCOMPARE(Koltool({"run-table", table, "--engine-dir", tmp.path()}).Exit, 1);
    QVERIFY(QFile::remove(tmp.path() + "/T2.OUT"));
    const Run r = Koltool({"results", table, "--file", tmp.path() + "/T.OUT", "--column", "LEVEL",
                           "--stat", "max,at=2.5", "--csv"});
    QCOMPARE(r.Exit, 0);
    QCOMPARE(r.Out, QString("Run,State,PAUSE,STATUS,SIGNAL,max LEVEL [M],at=2.5 LEVEL [M]\r\n"
                            "1,done,0.25,0,0,10.25,2.75\r\n"
                            "2,failed: exit status 3,0.5,3,0,,\r\n"
                            "3,done: no output T2.OUT,0,0,0,,\r\n"));
}

void TestKoltool::resultsRefusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");
    const QString usage = "koltool: usage: results FILE.TBL --file OUTFILE --column COL[,COL...] "
                          "--stat final,min,max,mean,integral,xmax[,at=X] [--csv]\n";
    QTest::newRow("no statistic") << QStringList({"--file", "T.OUT", "--column", "A"}) << usage;
    QTest::newRow("bad statistic")
        << QStringList({"--file", "T.OUT", "--column", "A", "--stat", "max,median"})
        << "koltool: 'median' is not a statistic: final, min, max, mean, integral, xmax or at=X.\n";
    QTest::newRow("bad X") << QStringList({"--file", "T.OUT", "--column", "A", "--stat", "at=noon"})
                           << "koltool: 'at=noon' is not a statistic: final, min, max, mean, "
                              "integral, xmax or at=X.\n";
}

void TestKoltool::resultsRefusals() {
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    QTemporaryDir tmp;
    const QString table = KoltoolRunTable(tmp.path(), {{0}});
    const Run r = Koltool(QStringList({"results", table}) + args);
    QCOMPARE(r.Exit, 1);
    QCOMPARE(r.Err, error);
    QCOMPARE(r.Out, QString());
}

void TestKoltool::fillGrid() {
    QTemporaryDir tmp;
    const QString table = KoltoolRunTable(tmp.path(), {{0.5, 0, 7}});
    const Run r =
        Koltool({"fill", table, "--grid", "PAUSE=1:3:5,STATUS=0.005:0.02:4", "--log", "STATUS"});
    QCOMPARE(r.Exit, 0);
    TTable t;
    std::string message;
    QVERIFY(ReadTable(t, table.toStdString(), 1, message));
    QCOMPARE(t.Runs(), 20);
    for (int run = 1; run <= 20; ++run) {
        QCOMPARE(double(t.Columns[0].Values[size_t(run)]), 1 + 0.5 * ((run - 1) / 4));
        const double status = 0.005 * std::pow(4.0, ((run - 1) % 4) / 3.0);
        QVERIFY(std::fabs(double(t.Columns[1].Values[size_t(run)]) / status - 1) < 1e-12);
        QCOMPARE(double(t.Columns[2].Values[size_t(run)]), 7.0);
    }
}

void TestKoltool::fillLatinHypercube() {
    QTemporaryDir tmp;
    const QString table = KoltoolRunTable(tmp.path(), {{0.5, 0, 7}});
    const QStringList args = {
        "fill",   table, "--lhs", "40",    "--range", "PAUSE=1:3,STATUS=0.005:0.02",
        "--seed", "11",  "--log", "STATUS"};
    QCOMPARE(Koltool(args).Exit, 0);
    const QByteArray first = Bytes(table);
    QCOMPARE(Koltool(args).Exit, 0);
    QCOMPARE(Bytes(table), first); // the same seed, the same table
    TTable t;
    std::string message;
    QVERIFY(ReadTable(t, table.toStdString(), 1, message));
    QCOMPARE(t.Runs(), 40);
    std::set<int> pauses, statuses;
    for (int run = 1; run <= 40; ++run) {
        pauses.insert(int((double(t.Columns[0].Values[size_t(run)]) - 1) / 2 * 40));
        statuses.insert(
            int(std::log(double(t.Columns[1].Values[size_t(run)]) / 0.005) / std::log(4.0) * 40));
    }
    QCOMPARE(int(pauses.size()), 40);
    QCOMPARE(int(statuses.size()), 40);
}

void TestKoltool::fillRefusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");
    const QString usage = "koltool: usage: fill FILE.TBL (--grid NAME=first:last:count[,...] | "
                          "--lhs N --range NAME=first:last[,...] --seed S) [--log NAME[,...]]\n";
    QTest::newRow("unknown variable") << QStringList({"--grid", "PAUSE=1:2:2,AREA=1:2:2"})
                                      << "koltool: AREA is not a variable of the table.\n";
    QTest::newRow("log of a negative") << QStringList({"--grid", "PAUSE=-1:2:2", "--log", "PAUSE"})
                                       << "koltool: A logarithmic range of PAUSE needs values "
                                          "above 0.\n";
    QTest::newRow("count missing") << QStringList({"--grid", "PAUSE=1:2"})
                                   << "koltool: 'PAUSE=1:2' is not NAME=first:last:count.\n";
    QTest::newRow("grid and sample")
        << QStringList({"--grid", "PAUSE=1:2:2", "--lhs", "3"}) << usage;
    QTest::newRow("sample without seed")
        << QStringList({"--lhs", "3", "--range", "PAUSE=1:2"}) << usage;
    QTest::newRow("sample of none")
        << QStringList({"--lhs", "0", "--range", "PAUSE=1:2", "--seed", "1"}) << usage;
    QTest::newRow("too many runs")
        << QStringList({"--grid", "PAUSE=1:2:100,STATUS=1:2:100,SIGNAL=0:0:2"})
        << "koltool: A table holds 1 to 9999 runs; this would make more.\n";
}

void TestKoltool::fillRefusals() {
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    QTemporaryDir tmp;
    const QString table = KoltoolRunTable(tmp.path(), {{0.5}, {1}});
    const QByteArray before = Bytes(table);
    const Run r = Koltool(QStringList({"fill", table}) + args);
    QCOMPARE(r.Exit, 1);
    QCOMPARE(r.Err, error);
    QCOMPARE(Bytes(table), before);
}

void TestKoltool::runChosenRuns() {
    QTemporaryDir tmp;
    WriteScriptEngine(tmp.path(), 0);
    const QString table = KoltoolRunTable(tmp.path(), std::vector<std::vector<double>>(7, {0}));
    const Run r = Koltool({"run-table", table, "--engine-dir", tmp.path(), "--runs", "3,5-7"});
    QCOMPARE(r.Exit, 0);
    QCOMPARE(StartedDecks(tmp.path()), QStringList({"T2.TMP", "T4.TMP", "T5.TMP", "T6.TMP"}));
    QCOMPARE(RunResults(r.Out), QStringList(4, "done 0"));
    QVERIFY(TmpFiles(tmp.path()).isEmpty());
}

void TestKoltool::runFailedAgain() {
    QTemporaryDir tmp;
    const QString table = RealRunTable(tmp.path(), {{0}, {0, 3}, {0}, {0, 0, 9}});
    const QString bin = tmp.path();
    QCOMPARE(Koltool({"run-table", table, "--engine-dir", bin, "--parallel", "2"}).Exit, 1);
    const QByteArray tableBytes = Bytes(table);
    std::map<QString, QByteArray> outputs;
    for (const char* name : {"T.OUT", "T1.OUT", "T2.OUT", "T3.OUT"})
        outputs[name] = Bytes(tmp.path() + "/" + name);
    QVERIFY(!outputs["T2.OUT"].isEmpty());
    // Runs 2 and 4 get values that let them end well, so their outputs change.
    QCOMPARE(Koltool({"alter", table, "--col", "2", "--first", "1", "--last", "4", "--set", "0",
                      "--increment", "0"})
                 .Exit,
             0);
    QCOMPARE(Koltool({"alter", table, "--col", "3", "--first", "1", "--last", "4", "--set", "0",
                      "--increment", "0"})
                 .Exit,
             0);
    QCOMPARE(Koltool({"alter", table, "--col", "1", "--first", "1", "--last", "4", "--set", "0.1",
                      "--increment", "0"})
                 .Exit,
             0);
    QFile::remove(tmp.path() + "/RUNLOG");
    const Run r = Koltool({"run-table", table, "--engine-dir", bin, "--failed"});
    QCOMPARE(r.Exit, 0);
    QCOMPARE(StartedDecks(tmp.path()), QStringList({"T1.TMP", "T3.TMP"}));
    QCOMPARE(Bytes(tmp.path() + "/T.OUT"), outputs["T.OUT"]);
    QCOMPARE(Bytes(tmp.path() + "/T2.OUT"), outputs["T2.OUT"]);
    QVERIFY(Bytes(tmp.path() + "/T1.OUT") != outputs["T1.OUT"]);
    QVERIFY(Bytes(tmp.path() + "/T3.OUT") != outputs["T3.OUT"]);
    // Nothing failed now.
    const Run again = Koltool({"run-table", table, "--engine-dir", bin, "--failed"});
    QCOMPARE(again.Exit, 1);
    QVERIFY(again.Err.contains("failed or was stopped the last time it ran"));
    QVERIFY(Bytes(table) != tableBytes); // only by the values altered above
    QCOMPARE(Bytes(table).size(), tableBytes.size());
}

void TestKoltool::labelAnswersValidJson_data() {
    QTest::addColumn<QString>("octal");    // the label's bytes, as printf writes them
    QTest::addColumn<QString>("mantissa"); // what the JSON's mantissa reads as
    QTest::newRow("overlong C0 80") << "x\\300\\200" << QString("x\u00C0\u20AC");
    QTest::newRow("surrogate ED A0 80") << "\\355\\240\\200" << QString("\u00ED\u00A0\u20AC");
    QTest::newRow("F5 and FF") << "\\365\\377" << QString("\u00F5\u00FF");
    QTest::newRow("Windows degrees") << "\\260C" << QString("\u00B0C");
    QTest::newRow("UTF-8 degrees") << "\\302\\260C" << QString("\u00B0C");
}

void TestKoltool::labelAnswersValidJson() {
    QFETCH(QString, octal);
    QFETCH(QString, mantissa);
    QProcess p;
    p.start("/bin/sh", {"-c", "\"$0\" label \"$(printf '" + octal + "')\"",
                        qEnvironmentVariable("KOLSHELL_BIN") + "/koltool"});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    const QByteArray out = p.readAllStandardOutput();
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, out.constData());
    QVERIFY(QUtf8StringView(out.constData(), out.size()).isValidUtf8());
    QCOMPARE(json["Mantissa"].toString(), mantissa);
}

void TestKoltool::pasteWithBadRowLeavesTable() {
    QTemporaryDir tmp;
    const QString table = KoltoolRunTable(tmp.path(), {{1, 2, 3}, {4, 5, 6}});
    const std::string before = ReadTestFile(table.toStdString());
    QProcess p;
    p.start(qEnvironmentVariable("KOLSHELL_BIN") + "/koltool",
            {"paste", table, "--row", "1", "--col", "1"});
    p.write("7\t8\t9\r\n7\tbad\t9\r\n");
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
             QString("koltool: Bad number in row 2 column 2\n"));
    QCOMPARE(ReadTestFile(table.toStdString()), before);
}

void TestKoltool::tableVariablesMustBeDeckConstants() {
    QTemporaryDir tmp;
    const QString table = KoltoolRunTable(tmp.path(), {{0}, {0}});
    const QString deck = tmp.path() + "/T.DCK";
    // new-table refuses a variable the deck does not have, and writes nothing.
    const QString other = tmp.path() + "/NEW.TBL";
    Run r = Koltool({"new-table", deck, "--runs", "2", "--vars", "PAUSE,NOSUCH", "-o", other});
    QCOMPARE(r.Exit, 1);
    QCOMPARE(r.Err,
             QString("koltool: Variable NOSUCH of this table is not a constant of T.DCK.\n"));
    QVERIFY(!QFile::exists(other));
    // The deck loses a constant after its table was made: run-table refuses before any run.
    WriteTestFile(tmp.path(), "T.DCK", "CONSTANTS 2\nPAUSE = 0\nSTATUS = 0\nEND\n");
    WriteScriptEngine(tmp.path(), 0);
    r = Koltool({"run-table", table, "--engine-dir", tmp.path()});
    QCOMPARE(r.Exit, 1);
    QCOMPARE(r.Err,
             QString("koltool: Variable SIGNAL of this table is not a constant of T.DCK.\n"));
    QCOMPARE(Starts(tmp.path()), 0);
    QVERIFY(TmpFiles(tmp.path()).isEmpty());
}

QTEST_GUILESS_MAIN(TestKoltool)
#include "tst_koltool.moc"

// plot-image draws a plot file headlessly; a bad plot file or an unwritable output is exit 1
// with one line.
void TestKoltool::plotImage_data() {
    QTest::addColumn<QString>("out");
    QTest::addColumn<QStringList>("size");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("check");
    // Without a size: the window's client area, grown to hold the whole legend.
    QTest::newRow("png at the window's size, legend whole")
        << "A.png" << QStringList{} << 0 << "wider than 480x300";
    QTest::newRow("png 1600 x 1000")
        << "B.png" << QStringList{"--size", "1600x1000"} << 0 << "1600x1000";
    QTest::newRow("svg") << "C.svg" << QStringList{"--size", "800x500"} << 0 << "<svg";
    QTest::newRow("pdf") << "D.pdf" << QStringList{} << 0 << "%PDF";
    QTest::newRow("other extension") << "E.gif" << QStringList{} << 1 << "";
    QTest::newRow("unwritable") << "no/such/F.png" << QStringList{} << 1 << "";
    QTest::newRow("bad size") << "G.png" << QStringList{"--size", "big"} << 1 << "";
    QTest::newRow("bad plot file") << "H.png" << QStringList{"--bad"} << 1 << "";
}

void TestKoltool::plotImage() {
    QFETCH(QString, out);
    QFETCH(QStringList, size);
    QFETCH(int, exit);
    QFETCH(QString, check);
    QTemporaryDir dir;
    QFile data(dir.path() + "/R.OUT");
    QVERIFY(data.open(QIODevice::WriteOnly));
    data.write("TIME LEVEL FLOW\n0 1 5\n1 2 4\n2 4 3\n");
    data.close();
    const QString ksp = dir.path() + "/R.KSP";
    QCOMPARE(Koltool({"make-plot", dir.path() + "/R.OUT", "-o", ksp, "--x", "1", "--y", "2,3",
                      "--legend"})
                 .Exit,
             0);
    QStringList args{"plot-image", ksp, dir.path() + "/" + out};
    if (size == QStringList{"--bad"}) {
        QFile::resize(ksp, 300); // shorter than a plot definition
    } else {
        args += size;
    }
    const Run r = Koltool(args);
    QCOMPARE(r.Exit, exit);
    if (exit != 0) {
        QCOMPARE(r.Err.count('\n'), 1);
        QVERIFY(!QFile::exists(dir.path() + "/" + out));
        return;
    }
    QVERIFY2(r.Err.isEmpty(), qPrintable(r.Err));
    QFile f(dir.path() + "/" + out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    if (out.endsWith(".png")) {
        QImage image;
        QVERIFY(image.loadFromData(bytes, "PNG"));
        if (check.startsWith("wider than")) // the legend's width follows its font
            QVERIFY(image.width() > 480 && image.height() == 300);
        else
            QCOMPARE(QString("%1x%2").arg(image.width()).arg(image.height()), check);
        int blue = 0; // line 2, colour 1
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                blue += QColor(image.pixel(x, y)) == QColor(0, 0, 255);
        QVERIFY(blue > 20);
    } else {
        QVERIFY(bytes.contains(check.toLatin1()));
    }
}
