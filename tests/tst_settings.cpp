#include "common/settings.h"
#include "shell/cnfgkv.h"
#include "tests/support/testsupport.h"

#include "tests/support/bytes.h"
#include <QTemporaryDir>

#include <QtTest>

using namespace kolshell;

namespace {

// Layout of KOLSHELL.DFT, written out here independently of the code under test.
constexpr int UserCommandsAt = 20, DirsAt = 20 + 2304, LinkCountAt = DirsAt + 1792,
              LinksAt = LinkCountAt + 4, IntsAt = DirsAt + 3076, BytesAt = DirsAt + 3116;

// A complete file with every field set to something recognisable.
std::string Fixture() {
    std::string b(5452, '\0');
    Put32(b, 0, 2);
    Put32(b, 4, 1);
    Put32(b, 8, 0);
    b[12] = 1;
    PutStr(b, UserCommandsAt, "fl32 /c");
    PutStr(b, UserCommandsAt + 256, "make");
    PutStr(b, UserCommandsAt + 512, "echo hi");
    const char* dirs[] = {"/eng", "/flow", "/zk", "/zr", "/ml", "/gc"};
    for (int i = 0; i < 6; ++i)
        PutStr(b, size_t(DirsAt + 256 * i), dirs[i]);
    Put32(b, LinkCountAt, 5);
    PutStr(b, LinksAt, "/usr/bin/app1");
    PutStr(b, LinksAt + 256, "/usr/bin/app2");
    for (int i = 0; i < 10; ++i)
        Put32(b, size_t(IntsAt + 4 * i), 100 + i);
    for (int i = 0; i < 10; ++i)
        b[size_t(BytesAt + i)] = char(200 + i);
    return b;
}

bool NoBitmaps(const std::string&) {
    return false;
}
bool AllBitmaps(const std::string&) {
    return true;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
  private slots:
    void decodeFixture();
    void encodeLayout();
    void roundTrip();
    void fixtureRoundTrip_data();
    void fixtureRoundTrip();
    void shortFiles_data();
    void shortFiles();
    void linkCounts_data();
    void linkCounts();
    void linkBitmaps();
    void missingFile();
    void switchesRewrite();
    void switchesShortFile();
};

void TestSettings::decodeFixture() {
    TSettings s;
    QCOMPARE(DecodeDFT(Fixture(), s, NoBitmaps), DftStatus::Ok);
    QCOMPARE(s.Options.UnitSystem, 2);
    QCOMPARE(s.Options.IncludeHeader, 1);
    QCOMPARE(int(s.Options.Engine32), 1);
    QCOMPARE(s.UserCommands.User, std::string("echo hi"));
    QCOMPARE(s.ProgramDirs.Dirs[pdGridcalc], std::string("/gc"));
    QCOMPARE(s.ProgramDirs.Links[1], std::string("/usr/bin/app2"));
    QCOMPARE(s.ProgramDirs.Ints[9], 109);
    QCOMPARE(int(s.ProgramDirs.Bytes[0]), 200);
}

void TestSettings::encodeLayout() {
    TSettings s;
    QCOMPARE(DecodeDFT(Fixture(), s, NoBitmaps), DftStatus::Ok);
    const std::string out = EncodeDFT(s);
    QCOMPARE(out.size(), size_t(5452));
    QCOMPARE(QByteArray::fromStdString(out).toHex(), QByteArray::fromStdString(Fixture()).toHex());
}

void TestSettings::roundTrip() {
    TSettings s = DefaultSettings();
    s.Options.IncludeSimulationCard = 1;
    s.ProgramDirs.Links[3] = "/opt/tool";
    s.ProgramDirs.LinkBitmaps[3] = "/opt/tool.bmp";
    s.ProgramDirs.Ints[4] = -7;
    TSettings back;
    QCOMPARE(DecodeDFT(EncodeDFT(s), back, AllBitmaps), DftStatus::Ok);
    QCOMPARE(EncodeDFT(back), EncodeDFT(s));
    QCOMPARE(back.ProgramDirs.LinkBitmaps[3], std::string("/opt/tool.bmp"));
    QCOMPARE(back.UserCommands.Rebuild, s.UserCommands.Rebuild);
}

// Files laid out by hand: read and written again, every byte comes back.
void TestSettings::fixtureRoundTrip_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("complete") << QByteArray::fromStdString(Fixture());
    std::string f = Fixture();
    PutStr(f, LinksAt + 2 * 256, "/opt/three\x01/opt/three.bmp");
    PutStr(f, LinksAt + 3 * 256, std::string(255, 'x'));
    QTest::newRow("bitmap and a full entry") << QByteArray::fromStdString(f);
    f = Fixture();
    Put32(f, 0, -1);
    Put32(f, IntsAt, INT32_MIN);
    Put32(f, IntsAt + 36, INT32_MAX);
    PutStr(f, DirsAt + 5 * 256, std::string(255, 'd'));
    QTest::newRow("extreme numbers") << QByteArray::fromStdString(f);
}

void TestSettings::fixtureRoundTrip() {
    QFETCH(QByteArray, bytes);
    TSettings s;
    QCOMPARE(DecodeDFT(bytes.toStdString(), s, AllBitmaps), DftStatus::Ok);
    QCOMPARE(QByteArray::fromStdString(EncodeDFT(s)).toHex(), bytes.toHex());
}

void TestSettings::shortFiles_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("linksRead");
    QTest::addColumn<bool>("intsRead");
    QTest::newRow("ends after the directories") << LinkCountAt << true << false << false;
    QTest::newRow("ends inside the links") << LinksAt + 300 << true << true << false;
    QTest::newRow("ends before the bytes") << BytesAt + 5 << true << true << false;
    QTest::newRow("no padding") << 5450 << true << true << true;
    QTest::newRow("inside the directories") << LinkCountAt - 1 << false << false << false;
    QTest::newRow("empty") << 0 << false << false << false;
}

void TestSettings::shortFiles() {
    QFETCH(int, size);
    QFETCH(bool, ok);
    QFETCH(bool, linksRead);
    QFETCH(bool, intsRead);
    TSettings s;
    s.ProgramDirs.Links[0] = "before";
    QCOMPARE(DecodeDFT(Fixture().substr(0, size_t(size)), s, NoBitmaps),
             ok ? DftStatus::Ok : DftStatus::Damaged);
    if (!ok) {
        QCOMPARE(s.ProgramDirs.Links[0], std::string("before")); // nothing half-read
        return;
    }
    QCOMPARE(s.ProgramDirs.Dirs[pdEngine], std::string("/eng"));
    QCOMPARE(s.ProgramDirs.Links[0], std::string(linksRead ? "/usr/bin/app1" : ""));
    QCOMPARE(s.ProgramDirs.Ints[0], intsRead ? 100 : 0);
    QCOMPARE(int(s.ProgramDirs.Bytes[9]), intsRead ? 209 : 0);
}

void TestSettings::linkCounts_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("extraEntries");
    QTest::addColumn<int>("links");
    QTest::addColumn<int>("firstInt"); // -1: whatever follows the count
    QTest::newRow("seven entries") << 7 << 2 << 5 << 100;
    QTest::newRow("huge count") << 0x7FFFFFFF << 0 << 5 << 0;
    QTest::newRow("negative") << -3 << 0 << 0 << -1;
    QTest::newRow("two") << 2 << -3 << 2 << 100;
}

void TestSettings::linkCounts() {
    QFETCH(int, count);
    QFETCH(int, extraEntries);
    QFETCH(int, links);
    QFETCH(int, firstInt);
    std::string b = Fixture();
    for (int i = 2; i < 5; ++i)
        PutStr(b, size_t(LinksAt + 256 * i), "/l" + std::to_string(i));
    std::string tail = b.substr(IntsAt);
    b.resize(LinksAt + size_t(256 * (5 + extraEntries)), '\0');
    if (count >= 0 && count < 100) b += tail; // the numbers follow the entries written
    Put32(b, LinkCountAt, count);
    TSettings s;
    QCOMPARE(DecodeDFT(b, s, NoBitmaps), DftStatus::Ok);
    int n = 0;
    for (const auto& l : s.ProgramDirs.Links)
        n += !l.empty();
    QCOMPARE(n, links);
    QCOMPARE(s.ProgramDirs.LinkCount, 5);
    if (firstInt >= 0) QCOMPARE(s.ProgramDirs.Ints[0], firstInt);
}

void TestSettings::linkBitmaps() {
    QTemporaryDir tmp;
    const std::string bmp = WriteTestFile(tmp.path(), "b.bmp", "BM");
    std::string b = Fixture();
    PutStr(b, LinksAt, "/usr/bin/app1\x01" + bmp);
    PutStr(b, LinksAt + 256, "/usr/bin/app2\x01" + bmp + ".gone");
    const std::string file = WriteTestFile(tmp.path(), "KOLSHELL.DFT", b);
    TSettings s;
    QCOMPARE(ReadDFT(file, s), DftStatus::Ok);
    QCOMPARE(s.ProgramDirs.Links[0], std::string("/usr/bin/app1"));
    QCOMPARE(s.ProgramDirs.LinkBitmaps[0], bmp);
    QCOMPARE(s.ProgramDirs.Links[1], std::string("/usr/bin/app2"));
    QCOMPARE(s.ProgramDirs.LinkBitmaps[1], std::string());
    // Written back: path, code 1, bitmap.
    const std::string out = EncodeDFT(s);
    QCOMPARE(out.substr(LinksAt, 1 + 14 + bmp.size()),
             std::string(1, char(14 + bmp.size())) + "/usr/bin/app1\x01" + bmp);
}

void TestSettings::missingFile() {
    QTemporaryDir tmp;
    TSettings s;
    std::string error;
    QCOMPARE(ReadDFT(tmp.path().toStdString() + "/KOLSHELL.DFT", s, &error), DftStatus::Missing);
    const std::string file = WriteTestFile(tmp.path(), "bad.dft", "not a defaults file");
    QCOMPARE(ReadDFT(file, s, &error), DftStatus::Damaged);
    QVERIFY(error.find(file) != std::string::npos);
}

void TestSettings::switchesRewrite() {
    QTemporaryDir tmp;
    std::string text = "KOLVAN switches\r\n";
    for (int i = 0; i < 7; ++i)
        text += std::string(i % 2 ? "n" : "y") + " switch " + std::to_string(i) + "\r\n";
    text += "extra 1\r\nextra 2\r\n";
    WriteTestFile(tmp.path(), "CNFGKV.KOL", text);
    WriteTestFile(tmp.path(), "CNFGKV.BAK", "stale");
    const std::string dir = tmp.path().toStdString();
    EngineSwitches on{};
    QVERIFY(ReadEngineSwitches(dir + "/CNFGKV.KOL", on));
    QCOMPARE(on, (EngineSwitches{true, false, true, false, true, false, true}));
    std::string error;
    QVERIFY(RewriteEngineSwitches(dir, {false, true, true, true, false, false, false}, &error));
    // The lines after the eighth stay: the engine may read them.
    const std::string first =
        "KOLVAN switches\r\nN switch 0\r\nY switch 1\r\nY switch 2\r\n"
        "Y switch 3\r\nN switch 4\r\nN switch 5\r\nN switch 6\r\nextra 1\r\nextra 2\r\n";
    QCOMPARE(ReadTestFile(dir + "/CNFGKV.KOL"), first);
    QCOMPARE(ReadTestFile(dir + "/CNFGKV.BAK"), text);
    // A second OK: the backup holds the first result, and nothing is kept only there.
    QVERIFY(RewriteEngineSwitches(dir, {true, true, true, true, false, false, false}, &error));
    QCOMPARE(ReadTestFile(dir + "/CNFGKV.BAK"), first);
    QCOMPARE(ReadTestFile(dir + "/CNFGKV.KOL"),
             "KOLVAN switches\r\nY" + first.substr(first.find("\r\n") + 3));
}

void TestSettings::switchesShortFile() {
    QTemporaryDir tmp;
    WriteTestFile(tmp.path(), "CNFGKV.KOL", "first\nY a\n\n");
    const std::string dir = tmp.path().toStdString();
    QVERIFY(RewriteEngineSwitches(dir, {true, true, false, false, false, false, true}, nullptr));
    // Missing lines are added with the file's own line end.
    QCOMPARE(ReadTestFile(dir + "/CNFGKV.KOL"), std::string("first\nY a\nY\nN\nN\nN\nN\nY\n"));
    std::string error;
    QVERIFY(!RewriteEngineSwitches(dir + "/missing", {}, &error));
    QVERIFY(!error.empty());
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
