// Readers whose work grows with their input, not faster: the worst inputs of 250 KB and 1 MB,
// with the work counted (steps, bytes, records), never timed.
#include "shell/helptext.h"
#include "shell/lineindex.h"
#include "shell/widgets/wmfpainter.h"
#include "shell/wmf.h"
#include "tests/support/testsupport.h"
#include "tests/support/wmfbytes.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

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

QTEST_MAIN(TestScaling)
#include "tst_scaling.moc"
