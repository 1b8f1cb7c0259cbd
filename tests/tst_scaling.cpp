// Readers whose work grows with their input, not faster: the worst inputs of 250 KB and 1 MB,
// with the work counted (steps, bytes, records, allocations), never timed.
#include "shell/helptext.h"
#include "shell/lineindex.h"
#include "shell/widgets/wmfpainter.h"
#include "shell/wmf.h"
#include "table/generator.h"
#include "table/runstates.h"
#include "tests/fuzz/fuzztarget.h"
#include "tests/support/bytes.h"
#include "tests/support/testsupport.h"
#include "tests/support/wmfbytes.h"
#include "tests/support/worstinputs.h"

#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <cstdlib>
#include <new>

using namespace kolshell;

// Every allocation of the program through new is counted: how many, how many bytes in all,
// and the most held at once.
namespace {
std::atomic<size_t> allocations{0}, allocatedBytes{0}, liveBytes{0}, peakBytes{0};

void* Allocate(size_t n) {
    void* p = std::malloc(n + 16);
    if (!p) throw std::bad_alloc();
    *static_cast<size_t*>(p) = n;
    ++allocations;
    allocatedBytes += n;
    const size_t live = liveBytes += n;
    for (size_t peak = peakBytes; live > peak && !peakBytes.compare_exchange_weak(peak, live);) {
    }
    return static_cast<char*>(p) + 16;
}

void Release(void* p) {
    if (!p) return;
    char* block = static_cast<char*>(p) - 16;
    liveBytes -= *reinterpret_cast<size_t*>(block);
    std::free(block);
}
} // namespace

void* operator new(size_t n) {
    return Allocate(n);
}
void* operator new[](size_t n) {
    return Allocate(n);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    Release(p);
}
// The library's temporary buffers (stable_sort) take theirs with nothrow: counted the same, and
// every form of delete frees what these gave.
void* operator new(size_t n, const std::nothrow_t&) noexcept {
    try {
        return Allocate(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](size_t n, const std::nothrow_t& tag) noexcept {
    return operator new(n, tag);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Release(p);
}

namespace {

// What one call of a reader allocated.
struct TWork {
    size_t Allocations = 0, Bytes = 0, Peak = 0;
};

template <typename F> TWork Counted(F&& f) {
    const size_t a = allocations, b = allocatedBytes, live = liveBytes;
    peakBytes = live;
    f();
    return {allocations - a, allocatedBytes - b, peakBytes - live};
}

// Linear growth from the small input to the four times bigger one, with room for the
// doubling of buffers: a quadratic reader does 16 times the work.
bool Linear(size_t small, size_t big, double room) {
    return double(big) <= room * double(small) + 4096;
}

QString Figures(const TWork& small, const TWork& big) {
    return QString("allocations %1 -> %2, bytes %3 -> %4, peak %5 -> %6")
        .arg(small.Allocations)
        .arg(big.Allocations)
        .arg(small.Bytes)
        .arg(big.Bytes)
        .arg(small.Peak)
        .arg(big.Peak);
}

FuzzFunction Reader(const QString& name) {
    for (const auto& [target, f] : FuzzTargets())
        if (QString::fromStdString(target) == name) return f;
    return nullptr;
}

// A table of `runs` runs and one column, laid out as the table file stores it.
std::string TableBytes(int runs) {
    std::string b = LengthPrefixed("T.DCK", 256);
    Add32(b, 2);
    Add32(b, uint32_t(runs + 1));
    for (int w : {100, 200, 0, 0, 300, 150})
        Add16(b, w);
    for (int r = 0; r <= runs; ++r)
        b += LengthPrefixed("T" + std::to_string(r) + ".DCK", 97);
    std::string record;
    Add16(record, 1);
    Add16(record, 0);
    record += std::string(2, '\0') + LengthPrefixed("AREA", 31) + std::string(7, '\0');
    record += std::string{char(2), '\0'};
    Add16(record, 4);
    b += record + std::string(12, '\0');
    for (int r = 0; r <= runs; ++r)
        b += ExtendedBytes(false, 1, 0xA000000000000000ull); // 2.5
    Add16(b, 0);
    return b;
}

// n solid brushes, none ever deleted: each takes a new slot of the object table.
std::string Brushes(size_t bytes) {
    std::string r;
    while (r.size() < bytes)
        Record(r, 0x02FC, {0, 0x00FF, 0x0000, 0});
    return Placeable(r);
}

size_t WmfSteps(size_t bytes) {
    TWmfFile wmf;
    std::string error;
    if (!ParseWmf(Brushes(bytes), wmf, error)) return 0;
    size_t steps = 0;
    RenderWmf(wmf, QSize(10, 10), &steps);
    return steps;
}

} // namespace

class TestScaling : public QObject {
    Q_OBJECT
  private slots:
    void wmfObjectTable();
    void helpTopicSearch_data();
    void helpTopicSearch();
    void lineIndex_data();
    void lineIndex();
    void readers_data();
    void readers();
    void tableFile();
    void runStates();
    void unitListHoldsOneUnit();
};

// Brushes by the ten thousand: the object table takes each in a step or so.
void TestScaling::wmfObjectTable() {
    const size_t small = WmfSteps(250000), big = WmfSteps(1000000);
    QVERIFY(small > 10000);
    QVERIFY2(big <= 1000000 / 14 + 10 && big <= 5 * small,
             qPrintable(QString("%1 %2").arg(small).arg(big)));
}

void TestScaling::helpTopicSearch_data() {
    QTest::addColumn<QByteArray>("unit");
    QTest::newRow("markers on their own lines") << QByteArray(".TOPIC\n");
    QTest::newRow("markers on one line") << QByteArray(".topic");
    QTest::newRow("markers, the equals sign far off") << QByteArray(".TOPIC x");
}

// A help file of markers only, none for the topic asked: every character looked at a few
// times at most, whatever the number of markers.
void TestScaling::helpTopicSearch() {
    QFETCH(QByteArray, unit);
    for (size_t size : {size_t(250000), size_t(1000000)}) {
        std::string bytes;
        while (bytes.size() < size)
            bytes += unit.toStdString();
        bytes += "\n=2\n";
        std::string text;
        size_t steps = 0;
        QVERIFY(!FindHelpTopic(bytes, 1, text, &steps));
        QVERIFY2(steps <= 3 * bytes.size(), qPrintable(QString::number(steps)));
    }
}

void TestScaling::lineIndex_data() {
    QTest::addColumn<QByteArray>("unit");
    QTest::newRow("empty lines") << QByteArray("\n");
    QTest::newRow("crlf lines") << QByteArray("\r\n");
    QTest::newRow("short lines") << QByteArray("x\n");
    QTest::newRow("lines of 300") << QByteArray(300, 'x') + "\n";
}

// The viewer's index of line starts: at most 2 bytes a line, 9 for a line of 255 bytes or
// more (under 4 % of the file then), and the lines found where they are.
void TestScaling::lineIndex() {
    QFETCH(QByteArray, unit);
    QTemporaryDir dir;
    for (size_t size : {size_t(250000), size_t(1000000)}) {
        std::string text;
        while (text.size() < size)
            text += unit.toStdString();
        text += "last";
        const std::string name = WriteTestFile(dir.path(), "L.LST", text);
        TLineIndex index;
        QVERIFY(index.Open(name));
        while (index.IndexStep(65536)) {
        }
        const size_t lines = index.LineCount();
        QCOMPARE(lines, (text.size() - 4) / size_t(unit.size()) + 1);
        QVERIFY2(index.IndexBytes() <= (unit.size() < 255 ? 2 : 9) * lines + 16384,
                 qPrintable(QString("%1 bytes for %2 lines").arg(index.IndexBytes()).arg(lines)));
        QCOMPARE(index.Line(lines - 1), std::string("last"));
        QCOMPARE(index.Line(lines / 2),
                 unit.toStdString().substr(0, unit.indexOf('\r') >= 0 ? unit.indexOf('\r')
                                                                      : unit.size() - 1));
    }
}

void TestScaling::readers_data() {
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<QByteArray>("suffix");
    for (const TWorstInput& w : WorstInputs())
        QTest::newRow(w.Name) << w.Reader << QByteArray(w.Prefix) << QByteArray(w.Unit)
                              << QByteArray(w.Suffix);
}

// Each reader, through the same call its fuzz target makes, on the worst input of its kind:
// what it allocates grows with the input, not faster.
void TestScaling::readers() {
    QFETCH(QString, reader);
    QFETCH(QByteArray, prefix);
    QFETCH(QByteArray, unit);
    QFETCH(QByteArray, suffix);
    const FuzzFunction f = Reader(reader);
    QVERIFY2(f, qPrintable(reader));
    TWork work[2];
    for (int i = 0; i < 2; ++i) {
        const std::string input = Repeated(prefix.toStdString(), unit.toStdString(),
                                           suffix.toStdString(), i ? 1000000 : 250000);
        const auto* data = reinterpret_cast<const uint8_t*>(input.data());
        f(data, input.size()); // files and tables of the first call are made
        work[i] = Counted([&] { f(data, input.size()); });
    }
    QVERIFY2(Linear(work[0].Allocations, work[1].Allocations, 6) &&
                 Linear(work[0].Bytes, work[1].Bytes, 10) && Linear(work[0].Peak, work[1].Peak, 10),
             qPrintable(Figures(work[0], work[1])));
}

// The table file: 2,500 and 9,999 runs, the most it holds.
void TestScaling::tableFile() {
    const FuzzFunction f = Reader("tablefile");
    TWork work[2];
    for (int i = 0; i < 2; ++i) {
        const std::string bytes = TableBytes(i ? 9999 : 2500);
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        work[i] = Counted([&] { f(data, bytes.size()); });
        QVERIFY(work[i].Allocations > 0);
    }
    QVERIFY2(Linear(work[0].Allocations, work[1].Allocations, 6) &&
                 Linear(work[0].Bytes, work[1].Bytes, 10),
             qPrintable(Figures(work[0], work[1])));
}

// The run states beside a table: a line per run.
void TestScaling::runStates() {
    QTemporaryDir dir;
    TWork work[2];
    for (int i = 0; i < 2; ++i) {
        const std::string table = (dir.path() + QString("/S%1.TBL").arg(i)).toStdString();
        WriteTestFile(
            dir.path(), "S" + std::to_string(i) + ".TBL.RUNS",
            Repeated("KOLSHELL run states 1\n", "@\tdone\t0\t1.5,2\n", "", i ? 1000000 : 250000));
        TRunRecords records;
        work[i] = Counted([&] { records = ReadRunStates(table); });
        QVERIFY(records.size() > 10000);
    }
    QVERIFY2(Linear(work[0].Allocations, work[1].Allocations, 6) &&
                 Linear(work[0].Bytes, work[1].Bytes, 10),
             qPrintable(Figures(work[0], work[1])));
}

// Make KOLSED file's unit list reads the deck a line at a time and hands each unit on: what
// it holds at once does not grow with the deck.
void TestScaling::unitListHoldsOneUnit() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("INFO"));
    WriteTestFile(dir.path() + "/INFO", "TYPE7.INF", "TYPE 7\n\nP\nfirst\nm m 0 1 0 10\n");
    TWork work[2];
    size_t units[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        const std::string deck =
            WriteTestFile(dir.path(), "D" + std::to_string(i) + ".DCK",
                          Repeated("* a deck of many units\n",
                                   "UNIT @ TYPE 7 U\n* its comment\nPARAMETERS 1\n1.5\n", "END\n",
                                   i ? 1000000 : 250000));
        TDiagnostics diagnostics;
        work[i] = Counted([&] {
            ListDeckUnits(
                deck, dir.path().toStdString(),
                [&](DeckUnit&) {
                    ++units[i];
                    diagnostics.clear();
                },
                diagnostics);
        });
    }
    QVERIFY(units[0] > 5000 && units[1] > 3 * units[0]);
    // One unit, two lines and the reader's buffer: the same for both decks.
    QVERIFY2(work[1].Peak <= work[0].Peak + 1024 && work[1].Peak < 200000,
             qPrintable(Figures(work[0], work[1])));
    QVERIFY2(Linear(work[0].Allocations, work[1].Allocations, 6),
             qPrintable(Figures(work[0], work[1])));
}

QTEST_MAIN(TestScaling)
#include "tst_scaling.moc"
