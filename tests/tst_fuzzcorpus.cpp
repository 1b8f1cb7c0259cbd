// Every fuzz target over its checked-in corpus: the seeds, and each input that once crashed
// a parser or ran away, kept as a regression case. Under the sanitizers any memory fault or
// undefined behaviour they still cause stops the program.
#include "tests/fuzz/fuzztarget.h"

#include <QDir>
#include <QtTest>

class TestFuzzCorpus : public QObject {
    Q_OBJECT
  private slots:
    void replay_data();
    void replay();
};

void TestFuzzCorpus::replay_data() {
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("file");
    const QDir corpus(qEnvironmentVariable("KOLSHELL_SOURCE") + "/tests/fuzz/corpus");
    QVERIFY(corpus.exists());
    int listed = 0;
    for (size_t t = 0; t < FuzzTargets().size(); ++t) {
        const QString name = QString::fromStdString(FuzzTargets()[t].first);
        const QDir dir(corpus.filePath(name));
        QVERIFY2(dir.exists(), qPrintable("no corpus for " + name));
        for (const QString& f : dir.entryList(QDir::Files, QDir::Name)) {
            QTest::newRow(qPrintable(name + "/" + f)) << int(t) << dir.filePath(f);
            ++listed;
        }
    }
    QVERIFY(listed >= int(FuzzTargets().size()));
}

void TestFuzzCorpus::replay() {
    QFETCH(int, target);
    QFETCH(QString, file);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    // Every input comes back (how fast is the fuzz benchmark's business, not this test's).
    FuzzTargets()[size_t(target)].second(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                         size_t(bytes.size()));
}

QTEST_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
