#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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
    void formAndWriteDeck();
    void makeKolsed();
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
    QVERIFY(r.Out.contains("\"ProgramDirs\":[\"C:\\\\KOLVAN14\","));
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
    QVERIFY(QFile::copy(qEnvironmentVariable("KOLSHELL_SOURCE") + "/demo/DEMO.DCK", deck));
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

    // Press "High", set X in feet, write: LOW goes off, HIGH comes on.
    const QString out = tmp.path() + "/G.KSD";
    r = Koltool({"write-deck", deck.fileName(), out, "--unit-system", "2", "--set", "3=6.5617",
                 "--button", "1.2=on"});
    QCOMPARE(r.Exit, 0);
    QFile written(out);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(),
             QByteArray("*KOLSED\n*|(R|Start\n*|Low|LOW\n*|High|HIGH\n*|)\n*|#*|[LOW|Low\n"
                        "*|#X =  2.0000E+0000\n*|#*|X|m|ft|0|3.28084|0|10.00|2\n*|#*|]\n"
                        "*|[HIGH\nY = 5\n*|]\nEND\n"));
    r = Koltool({"write-deck", deck.fileName(), out, "--set", "3=11"});
    QCOMPARE(r.Exit, 1);
    QVERIFY(r.Err.contains("This parameter must be >= 0.00 and <= 10.00"));
}

void TestKoltool::makeKolsed() {
    QTemporaryDir tmp;
    const QString source = qEnvironmentVariable("KOLSHELL_SOURCE");
    const QString deck = tmp.path() + "/DEMO.DCK";
    QVERIFY(QFile::copy(source + "/demo/DEMO.DCK", deck));
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
}

QTEST_GUILESS_MAIN(TestKoltool)
#include "tst_koltool.moc"
