#include "common/lib1.h"
#include "common/paths.h"
#include "plot/outputfiles.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace kolshell;

namespace {
QStringList Q(const std::vector<std::string>& v) {
    QStringList l;
    for (const auto& s : v)
        l << QString::fromStdString(s);
    return l;
}
} // namespace

class TestPaths : public QObject {
    Q_OBJECT
  private slots:
    void nameParts_data();
    void nameParts();
    void wildcard_data();
    void wildcard();
    void caseInsensitiveLookup();
    void driveLetter();
    void findFiles();
    void outputFiles();
    void textLines();
    void atomicWrite();
    void saveKeepsPermissionBits_data();
    void saveKeepsPermissionBits();
    void saveOverReadOnlyFileIsRefused();
    void saveThroughLinkWritesItsTarget_data();
    void saveThroughLinkWritesItsTarget();
    void saveKeepsHardLinks();
    void saveFileWithLongName();
    void lineReader_data();
    void lineReader();
    void specialFilesAreNotRead_data();
    void specialFilesAreNotRead();
};

void TestPaths::nameParts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("file");
    QTest::newRow("windows deck") << "C:\\KOLVAN\\RUN.dck"
                                  << ".DCK"
                                  << "C:\\KOLVAN\\RUN"
                                  << "C:\\KOLVAN"
                                  << "RUN.dck";
    QTest::newRow("dotted folder") << "C:\\A.B\\RUN.DCK"
                                   << ".DCK"
                                   << "C:\\A.B\\RUN"
                                   << "C:\\A.B"
                                   << "RUN.DCK";
    QTest::newRow("long extension") << "/p/x.dckx"
                                    << ".DCK"
                                    << "/p/x"
                                    << "/p"
                                    << "x.dckx";
    QTest::newRow("short extension") << "run.f"
                                     << ".F"
                                     << "run"
                                     << ""
                                     << "run.f";
    QTest::newRow("no extension in dotted dir") << "/a.b/file"
                                                << ""
                                                << "/a.b/file"
                                                << "/a.b"
                                                << "file";
    QTest::newRow("two dots in the file name") << "/home/j.smith/tank.v2/RUN.OLD.DCK"
                                               << ".DCK"
                                               << "/home/j.smith/tank.v2/RUN"
                                               << "/home/j.smith/tank.v2"
                                               << "RUN.OLD.DCK";
    QTest::newRow("root file") << "/RUN.OUT"
                               << ".OUT"
                               << "/RUN"
                               << "/"
                               << "RUN.OUT";
}

void TestPaths::nameParts() {
    QFETCH(QString, name);
    QFETCH(QString, ext);
    QFETCH(QString, base);
    QFETCH(QString, dir);
    QFETCH(QString, file);
    const std::string n = name.toStdString();
    QCOMPARE(QString::fromStdString(ExtOf(n)), ext);
    QCOMPARE(QString::fromStdString(BaseName(n)), base);
    QCOMPARE(QString::fromStdString(ExtractFileDir(n)), dir);
    QCOMPARE(QString::fromStdString(ExtractFileName(n)), file);
}

void TestPaths::wildcard_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("match");
    QTest::newRow("out") << "RUN.OUT"
                         << "*.O*" << true;
    QTest::newRow("lower oua") << "run.oua"
                               << "*.O*" << true;
    QTest::newRow("plt") << "run.plt"
                         << "*.PLT" << true;
    QTest::newRow("deck is no output") << "RUN.DCK"
                                       << "*.O*" << false;
    QTest::newRow("two dots") << "a.b.out"
                              << "*.O*" << true;
    QTest::newRow("question mark") << "RUN.OUT"
                                   << "R?N.*" << true;
    QTest::newRow("too short") << "RUN"
                               << "RUN?" << false;
}

void TestPaths::wildcard() {
    QFETCH(QString, name);
    QFETCH(QString, pattern);
    QFETCH(bool, match);
    QCOMPARE(MatchesWildcard(name.toStdString(), pattern.toStdString()), match);
}

void TestPaths::caseInsensitiveLookup() {
    QTemporaryDir tmp;
    QDir(tmp.path()).mkpath("Proj/Sub");
    WriteTestFile(tmp.path() + "/Proj/Sub", "Deck.DCK", "x");
    const std::string root = tmp.path().toStdString();
    QCOMPARE(NativePath(root + "\\PROJ\\sub\\deck.dck"), root + "/Proj/Sub/Deck.DCK");
    // A new file keeps the case given, in the directory found on disk.
    QCOMPARE(NativePath(root + "/proj/SUB/New.TXT"), root + "/Proj/Sub/New.TXT");
    // An exact match wins over a case-insensitive one.
    WriteTestFile(tmp.path() + "/Proj/Sub", "deck.dck", "y");
    QCOMPARE(NativePath(root + "/Proj/Sub/deck.dck"), root + "/Proj/Sub/deck.dck");
    QVERIFY(IsDirectory(root + "/PROJ"));
}

void TestPaths::driveLetter() {
    QCOMPARE(NativePath("C:\\tmp"), std::string("/tmp"));
    QCOMPARE(NativePath("c:"), std::string("/"));
}

void TestPaths::findFiles() {
    QTemporaryDir tmp;
    WriteTestFile(tmp.path(), "b.out", "");
    WriteTestFile(tmp.path(), "A.OUT", "");
    WriteTestFile(tmp.path(), ".hidden.out", "");
    QDir(tmp.path()).mkdir("dir.out");
    QCOMPARE(Q(FindFiles(tmp.path().toStdString(), "*.OUT")), QStringList({"A.OUT", "b.out"}));
}

void TestPaths::outputFiles() {
    QTemporaryDir tmp;
    for (const char* n : {"RUN.DCK", "run.out", "RUN.OUA", "KOLVAN.OUT", "RUN.PLT"})
        WriteTestFile(tmp.path(), n, "");
    QDir(tmp.path()).mkdir("X.OUT");
    const std::string deck = tmp.path().toStdString() + "/RUN.DCK";
    OutputFileList list = ListOutputFiles(tmp.path().toStdString() + "/RUN.OUT");
    QCOMPARE(Q(list.Files), QStringList({"RUN.PLT", "RUN.OUA", "run.out"}));
    QCOMPARE(list.Selected, 2);
    QCOMPARE(ListOutputFiles(deck).Selected, 0);
    QVERIFY(HasOutputFiles(deck));
    QVERIFY(!HasOutputFiles(""));

    QTemporaryDir only;
    WriteTestFile(only.path(), "kolvan.out", "");
    QVERIFY(!HasOutputFiles(only.path().toStdString() + "/D.DCK"));
}

void TestPaths::textLines() {
    QTemporaryDir tmp;
    const std::string f =
        WriteTestFile(tmp.path(), "t.txt", "one\r\ntwo\n" + std::string(300, 'x') + "\r\n\nlast");
    std::vector<std::string> lines;
    QVERIFY(ReadTextLines(f, lines));
    QCOMPARE(lines.size(), size_t(5));
    QCOMPARE(lines[1], std::string("two"));
    QCOMPARE(lines[2].size(), size_t(255));
    QCOMPARE(lines[3], std::string());
    QCOMPARE(lines[4], std::string("last"));
    QVERIFY(!ReadTextLines(tmp.path().toStdString() + "/none.txt", lines));
    QVERIFY(!ReadTextLines(tmp.path().toStdString(), lines)); // a directory
}

void TestPaths::atomicWrite() {
    QTemporaryDir tmp;
    const std::string f = WriteTestFile(tmp.path(), "keep.txt", "old");
    QVERIFY(WriteFileAtomic(f, "new"));
    QCOMPARE(ReadTestFile(f), std::string("new"));
    QVERIFY(!WriteFileAtomic(tmp.path().toStdString() + "/no/such/dir/x.txt", "data"));
    QCOMPARE(QDir(tmp.path()).entryList(QDir::Files), QStringList({"keep.txt"}));
}

namespace {
mode_t ModeOf(const std::string& file) {
    struct stat st;
    return ::stat(file.c_str(), &st) == 0 ? st.st_mode & 07777 : mode_t(0);
}
bool IsLink(const std::string& file) {
    struct stat st;
    return ::lstat(file.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}
} // namespace

void TestPaths::saveKeepsPermissionBits_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("group may read") << 0640;
    QTest::newRow("owner only") << 0600;
    QTest::newRow("a script") << 0755;
    QTest::newRow("shared writable") << 0666;
}

void TestPaths::saveKeepsPermissionBits() {
    QFETCH(int, mode);
    QTemporaryDir tmp;
    const std::string f = WriteTestFile(tmp.path(), "RUN.DCK", "old");
    QCOMPARE(::chmod(f.c_str(), mode_t(mode)), 0);
    QVERIFY(WriteFileAtomic(f, "new"));
    QCOMPARE(ReadTestFile(f), std::string("new"));
    QCOMPARE(int(ModeOf(f)), mode);
    // A new file gets the usual bits of a new file, not those of a private temporary.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const std::string fresh = tmp.path().toStdString() + "/NEW.DCK";
    QVERIFY(WriteFileAtomic(fresh, "x"));
    QCOMPARE(int(ModeOf(fresh)), int(0666 & ~mask));
}

void TestPaths::saveOverReadOnlyFileIsRefused() {
    QTemporaryDir tmp;
    const std::string f = WriteTestFile(tmp.path(), "RUN.DCK", "old");
    QCOMPARE(::chmod(f.c_str(), 0444), 0);
    QVERIFY(IsReadOnlyFile(f));
    QVERIFY(!WriteFileAtomic(f, "new"));
    QCOMPARE(ReadTestFile(f), std::string("old"));
    QCOMPARE(int(ModeOf(f)), 0444);
    QCOMPARE(QDir(tmp.path()).entryList(QDir::Files), QStringList({"RUN.DCK"}));
    QCOMPARE(WriteFailureText(f, "other"), "File " + f + " is read-only; it was not changed.");
    // Reached by another case of its name, or through a link, it is still refused.
    const std::string upper = tmp.path().toStdString() + "/run.dck";
    QVERIFY(!WriteFileAtomic(upper, "new"));
    const std::string link = tmp.path().toStdString() + "/LINK.DCK";
    QCOMPARE(::symlink("RUN.DCK", link.c_str()), 0);
    QVERIFY(!WriteFileAtomic(link, "new"));
    QCOMPARE(WriteFailureText(link, "other"),
             "File " + link + " is read-only; it was not changed.");
    QCOMPARE(ReadTestFile(f), std::string("old"));
    // A writable file that cannot be written for another reason keeps the caller's text.
    const std::string missing = tmp.path().toStdString() + "/no/such/dir/x.txt";
    QCOMPARE(WriteFailureText(missing, "other"), std::string("other"));
}

void TestPaths::saveThroughLinkWritesItsTarget_data() {
    QTest::addColumn<bool>("relative");
    QTest::addColumn<bool>("chained");
    QTest::newRow("relative link") << true << false;
    QTest::newRow("absolute link") << false << false;
    QTest::newRow("link to a link") << true << true;
}

void TestPaths::saveThroughLinkWritesItsTarget() {
    QFETCH(bool, relative);
    QFETCH(bool, chained);
    QTemporaryDir tmp;
    QVERIFY(QDir(tmp.path()).mkpath("store"));
    const std::string dir = tmp.path().toStdString();
    const std::string target = WriteTestFile(tmp.path() + "/store", "REAL.DCK", "old");
    QCOMPARE(::chmod(target.c_str(), 0640), 0);
    const std::string link = dir + "/RUN.DCK";
    std::string pointsAt = relative ? "store/REAL.DCK" : target;
    if (chained) {
        QCOMPARE(::symlink(pointsAt.c_str(), (dir + "/MIDDLE.DCK").c_str()), 0);
        pointsAt = "MIDDLE.DCK";
    }
    QCOMPARE(::symlink(pointsAt.c_str(), link.c_str()), 0);
    QVERIFY(WriteFileAtomic(link, "new"));
    QVERIFY(IsLink(link));
    QCOMPARE(ReadTestFile(target), std::string("new"));
    QCOMPARE(int(ModeOf(target)), 0640);
    QCOMPARE(QDir(tmp.path() + "/store").entryList(QDir::Files), QStringList({"REAL.DCK"}));
    if (chained) QVERIFY(IsLink(dir + "/MIDDLE.DCK"));
}

void TestPaths::saveKeepsHardLinks() {
    QTemporaryDir tmp;
    const std::string f = WriteTestFile(tmp.path(), "RUN.DCK", "old");
    const std::string other = tmp.path().toStdString() + "/SHARED.DCK";
    QCOMPARE(::link(f.c_str(), other.c_str()), 0);
    QVERIFY(WriteFileAtomic(f, "new text"));
    // Both names still lead to the one file, which holds the new text.
    QCOMPARE(ReadTestFile(other), std::string("new text"));
    QVERIFY(SameFile(f, other));
    QCOMPARE(QDir(tmp.path()).entryList(QDir::Files), QStringList({"RUN.DCK", "SHARED.DCK"}));
}

void TestPaths::saveFileWithLongName() {
    QTemporaryDir tmp;
    const std::string name(246, 'L');
    const std::string f = WriteTestFile(tmp.path(), name + ".DCK", "old");
    QVERIFY(WriteFileAtomic(f, "new"));
    QCOMPARE(ReadTestFile(f), std::string("new"));
    QCOMPARE(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// Lines read one at a time are the lines of the whole file, cut and with their CRs taken off
// alike, also across the reader's 64 KB slices.
void TestPaths::lineReader_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("maxLength");
    QTest::newRow("empty") << QByteArray() << 255;
    QTest::newRow("one newline") << QByteArray("\n") << 255;
    QTest::newRow("crlf, no last end") << QByteArray("a\r\nb\r\n\r\nc\r") << 255;
    QTest::newRow("cut lines") << QByteArray("abcdef\r\nabc\r\nabcd\r\n") << 3;
    QTest::newRow("cr at the cut") << QByteArray("abc\r\nab\r\r\n") << 3;
    QTest::newRow("cr across slices") << QByteArray(65535, 'x') + "\r\n" + "y\r\n" << 100000;
    QTest::newRow("long line across slices") << QByteArray(200000, 'x') + "\nz" << 70000;
}

void TestPaths::lineReader() {
    QFETCH(QByteArray, text);
    QFETCH(int, maxLength);
    QTemporaryDir dir;
    const std::string bytes = text.toStdString();
    const std::string name = WriteTestFile(dir.path(), "L.TXT", bytes);
    TTextLineReader reader{size_t(maxLength)};
    QVERIFY(reader.Open(name));
    std::vector<std::string> lines;
    for (std::string line; reader.Next(line);)
        lines.push_back(line);
    QCOMPARE(lines, SplitTextLines(bytes, size_t(maxLength)));
}

// A FIFO without a writer, a socket or a device is no file to read: every reader returns at
// once instead of waiting, or reading without end.
void TestPaths::specialFilesAreNotRead_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("device") << "/dev/zero";
    QTest::newRow("folder") << "folder";
}

void TestPaths::specialFilesAreNotRead() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    std::string name = kind.toStdString();
    if (kind == "fifo") {
        name = dir.path().toStdString() + "/F.DCK";
        QCOMPARE(::mkfifo(name.c_str(), 0644), 0);
    } else if (kind == "folder") {
        name = dir.path().toStdString();
    }
    std::string bytes;
    std::vector<std::string> lines;
    QVERIFY(!IsRegularFile(name));
    QVERIFY(!FileExists(name));
    QVERIFY(!ReadFileBytes(name, bytes));
    QVERIFY(!ReadTextLines(name, lines));
    QCOMPARE(OpenRegularFile(name), -1);
    QVERIFY(!OpenRegularFileStream(name));
    const std::string plain = WriteTestFile(dir.path(), "P.DCK", "a\nb\n");
    QVERIFY(IsRegularFile(plain) && FileExists(plain) && ReadTextLines(plain, lines));
    QCOMPARE(lines, std::vector<std::string>({"a", "b"}));
}

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_paths.moc"
