#include "common/codecs.h"

#include <QtTest>
#include <cfloat>
#include <cmath>
#include <cstring>

using namespace kolshell;

namespace {
QByteArray Bytes(const uint8_t* p, int n) {
    return QByteArray(reinterpret_cast<const char*>(p), n);
}
template <size_t N> QByteArray Bytes(const std::array<uint8_t, N>& a) {
    return Bytes(a.data(), int(N));
}
Real48Bytes R48(const QByteArray& hex) {
    const QByteArray b = QByteArray::fromHex(hex);
    Real48Bytes r{};
    std::memcpy(r.data(), b.constData(), 6);
    return r;
}
Extended80Bytes X80(const QByteArray& hex) {
    const QByteArray b = QByteArray::fromHex(hex);
    Extended80Bytes r{};
    std::memcpy(r.data(), b.constData(), 10);
    return r;
}
} // namespace

class TestCodecs : public QObject {
    Q_OBJECT
  private slots:
    void real48_data();
    void real48();
    void real48OutOfRange_data();
    void real48OutOfRange();
    void real48Rounding();
    void real48FastAgrees();
    void extended_data();
    void extended();
    void extendedMatchesHardware();
    void integers();
};

void TestCodecs::real48_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("hex");
    QTest::newRow("zero") << 0.0 << QByteArray("000000000000");
    QTest::newRow("one") << 1.0 << QByteArray("810000000000");
    QTest::newRow("minus one") << -1.0 << QByteArray("810000000080");
    QTest::newRow("half") << 0.5 << QByteArray("800000000000");
    QTest::newRow("2.5") << 2.5 << QByteArray("820000000020");
    QTest::newRow("-10") << -10.0 << QByteArray("8400000000a0");
    QTest::newRow("0.1 rounded") << 0.1 << QByteArray("7dcdcccccc4c");
    QTest::newRow("largest") << std::ldexp(2.0 - std::ldexp(1.0, -39), 126)
                             << QByteArray("ffffffffff7f");
    QTest::newRow("smallest") << std::ldexp(1.0, -128) << QByteArray("010000000000");
}

void TestCodecs::real48() {
    QFETCH(double, value);
    QFETCH(QByteArray, hex);
    bool ok = false;
    QCOMPARE(Bytes(EncodeReal48(value, &ok)).toHex(), hex);
    QVERIFY(ok);
    double rounded;
    QCOMPARE(Bytes(EncodeReal48Fast(value, rounded)).toHex(), hex);
    QCOMPARE(DecodeReal48(R48(hex)), RoundToReal48(value));
    if (value != 0.1) QCOMPARE(DecodeReal48(R48(hex)), value); // exactly representable
}

// The inline encoder of the output reader against the general one, over every exponent and
// the fractions around a rounding tie.
void TestCodecs::real48FastAgrees() {
    const double tie = std::ldexp(1.0, -40);
    for (int e = -132; e <= 130; ++e)
        for (double f : {1.0, 1.5, 2.0 - tie, 1.0 + tie, 1.0 + 3 * tie, 1.0 + tie + tie / 64,
                         1.0 + tie - tie / 64})
            for (double sign : {1.0, -1.0}) {
                const double x = sign * std::ldexp(f, e);
                double fast, general;
                const Real48Bytes a = EncodeReal48Fast(x, fast);
                const Real48Bytes b = EncodeReal48Rounded(x, general);
                QVERIFY2(a == b && fast == general, qPrintable(QString::number(x, 'g', 17)));
            }
}

void TestCodecs::real48OutOfRange_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<bool>("ok");
    QTest::newRow("too large") << 1e39 << QByteArray("ffffffffff7f") << false;
    QTest::newRow("too large negative") << -1e39 << QByteArray("ffffffffffff") << false;
    QTest::newRow("infinity") << double(INFINITY) << QByteArray("ffffffffff7f") << false;
    QTest::newRow("nan") << double(NAN) << QByteArray("000000000000") << false;
    QTest::newRow("too small") << 1e-40 << QByteArray("000000000000") << true;
    QTest::newRow("rounds over the top")
        << std::ldexp(2.0 - std::ldexp(1.0, -41), 126) << QByteArray("ffffffffff7f") << false;
}

void TestCodecs::real48OutOfRange() {
    QFETCH(double, value);
    QFETCH(QByteArray, hex);
    QFETCH(bool, ok);
    bool got = !ok;
    QCOMPARE(Bytes(EncodeReal48(value, &got)).toHex(), hex);
    QCOMPARE(got, ok);
    double rounded;
    QCOMPARE(Bytes(EncodeReal48Fast(value, rounded)).toHex(), hex);
}

void TestCodecs::real48Rounding() {
    // Any 6 bytes decode; a pattern with the sign and fraction set reads back unchanged.
    const Real48Bytes b = R48("90123456789a");
    QCOMPARE(Bytes(EncodeReal48(DecodeReal48(b))).toHex(), QByteArray("90123456789a"));
    QCOMPARE(DecodeReal48(R48("810000000040")), 1.5);
    QCOMPARE(DecodeReal48(R48("00ffffffffff")), 0.0); // exponent 0 is zero whatever follows
    // Ties go to the even fraction.
    const double tie = 1.0 + std::ldexp(1.0, -40);
    QCOMPARE(RoundToReal48(tie), 1.0);
    // The rounded value handed back is the one the bytes decode to, across the whole range.
    uint64_t seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        const double x =
            std::ldexp(double(seed >> 11) / double(1ull << 53) - 0.5, int(seed % 300) - 150);
        double rounded = 0;
        const Real48Bytes b = EncodeReal48Rounded(x, rounded);
        QCOMPARE(rounded, DecodeReal48(b));
        QVERIFY(std::fabs(rounded - x) <= std::fabs(x) * std::ldexp(1.0, -39) || rounded == 0 ||
                std::fabs(rounded) == Real48Max);
    }
}

void TestCodecs::extended_data() {
    QTest::addColumn<long double>("value");
    QTest::addColumn<QByteArray>("hex");
    QTest::newRow("zero") << 0.0L << QByteArray("00000000000000000000");
    QTest::newRow("one") << 1.0L << QByteArray("0000000000000080ff3f");
    QTest::newRow("minus two") << -2.0L << QByteArray("000000000000008000c0");
    QTest::newRow("1.5") << 1.5L << QByteArray("00000000000000c0ff3f");
    QTest::newRow("largest") << LDBL_MAX << QByteArray("fffffffffffffffffe7f");
    QTest::newRow("smallest normal") << LDBL_MIN << QByteArray("00000000000000800100");
    QTest::newRow("smallest denormal") << LDBL_TRUE_MIN << QByteArray("01000000000000000000");
    QTest::newRow("infinity") << (long double)INFINITY << QByteArray("0000000000000080ff7f");
}

void TestCodecs::extended() {
    QFETCH(long double, value);
    QFETCH(QByteArray, hex);
    QCOMPARE(Bytes(EncodeExtended(value)).toHex(), hex);
    QCOMPARE(DecodeExtended(X80(hex)), value);
}

void TestCodecs::extendedMatchesHardware() {
    // On x86 the hardware's own long double is the same 10-byte layout: an independent check.
    if (LDBL_MANT_DIG != 64) QSKIP("long double is not the x87 format here");
    const long double values[] = {1e99L, 9.99e99L,        -1e-4000L, 3.14159265358979323846L,
                                  0.1L,  -123456789.125L, 2.5L,      1e-4940L};
    for (long double v : values) {
        uint8_t hw[16] = {};
        std::memcpy(hw, &v, 10);
        QCOMPARE(Bytes(EncodeExtended(v)), Bytes(hw, 10));
        Extended80Bytes b{};
        std::memcpy(b.data(), hw, 10);
        QCOMPARE(DecodeExtended(b), v);
    }
    QVERIFY(std::isnan(DecodeExtended(X80("00000000000000c0ff7f"))));
}

void TestCodecs::integers() {
    uint8_t b[4];
    PutInt32(b, -2);
    QCOMPARE(Bytes(b, 4).toHex(), QByteArray("feffffff"));
    QCOMPARE(GetInt32(b), -2);
    PutInt16(b, 0x1234);
    QCOMPARE(Bytes(b, 2).toHex(), QByteArray("3412"));
    QCOMPARE(GetInt16(b), int16_t(0x1234));
}

QTEST_GUILESS_MAIN(TestCodecs)
#include "tst_codecs.moc"
