#include "common/lib1.h"
#include "common/messages.h"
#include "tests/support/testsupport.h"

#include <QTemporaryDir>
#include <QtTest>
#include <climits>
#include <cmath>

using namespace kolshell;

Q_DECLARE_METATYPE(Extended)

class TestLib1 : public QObject {
    Q_OBJECT
  private slots:
    void formatReal_data();
    void formatReal();
    void chooseFormat_data();
    void chooseFormat();
    void strToReal_data();
    void strToReal();
    void strToRealDot_data();
    void strToRealDot();
    void validateReal_data();
    void validateReal();
    void strings();
    void numbers();
    void fileExists();
    void showMsgKinds();
};

void TestLib1::formatReal_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("digits");
    QTest::addColumn<Extended>("x");
    QTest::addColumn<QString>("text");
    QTest::newRow("fixed 2") << 1 << 2 << Extended(3.14159) << "3.14";
    QTest::newRow("fixed rounds half up") << 1 << 2 << Extended(0.125) << "0.13";
    QTest::newRow("fixed 0 decimals") << 1 << 0 << Extended(2.5) << "3";
    QTest::newRow("fixed carry") << 1 << 3 << Extended(999.9996) << "1000.000";
    QTest::newRow("fixed negative") << 1 << 1 << Extended(-12.25) << "-12.3";
    QTest::newRow("fixed tiny negative has no sign") << 1 << 2 << Extended(-0.001) << "0.00";
    QTest::newRow("fixed 18 whole digits")
        << 1 << 1 << Extended(123456789012345678.0L) << "123456789012345678.0";
    // Beyond the digits a 10-byte real carries, fixed point falls back to the exponent form.
    QTest::newRow("fixed too wide is exp") << 1 << 2 << Extended(1e20) << "1.00E+20";
    QTest::newRow("fixed rounds up past 18 digits")
        << 1 << 0 << Extended(999999999999999999.6L) << "1E+18";
    QTest::newRow("fixed 1E4930") << 1 << 0 << Extended(1e4930L) << "1E+4930";
    // Falling back to the exponent form keeps the digits that make the value.
    QTest::newRow("fixed 1.5E25") << 1 << 0 << Extended(1.5e25L) << "1.5E+25";
    QTest::newRow("fixed 19 digits")
        << 1 << 0 << Extended(1234567890123456789.0L) << "1.234567890123456789E+18";
    QTest::newRow("fixed 1.9E19, 2 digits") << 1 << 2 << Extended(1.9e19L) << "1.90E+19";
    QTest::newRow("fixed 1.9E19") << 1 << 0 << Extended(1.9e19L) << "1.9E+19";
    QTest::newRow("fixed -1E4930 many decimals")
        << 1 << 30 << Extended(-1e4930L) << "-1." + QString(30, '0') + "E+4930";
    QTest::newRow("exp 300 digits keeps its exponent")
        << 0 << 300 << Extended(250) << "2.5" + QString(244, '0') + "E+02";
    QTest::newRow("fixed zero") << 1 << 1 << Extended(0) << "0.0";
    QTest::newRow("exp 3 digits") << 0 << 3 << Extended(123456) << "1.235E+05";
    QTest::newRow("exp 0 digits") << 0 << 0 << Extended(123456) << "1E+05";
    QTest::newRow("exp 4 digits") << 0 << 4 << Extended(123.45) << "1.2345E+02";
    QTest::newRow("exp negative") << 0 << 4 << Extended(-2.5) << "-2.5000E+00";
    QTest::newRow("exp zero") << 0 << 4 << Extended(0) << "0.0000E+00";
    QTest::newRow("exp three-digit exponent") << 0 << 4 << Extended(1.5e-300L) << "1.5000E-300";
    QTest::newRow("exp four-digit exponent") << 0 << 4 << Extended(1e1000L) << "1.0000E+1000";
    QTest::newRow("exp carry into exponent") << 0 << 2 << Extended(9.999) << "1.00E+01";
    QTest::newRow("exp negative digits keep one") << 0 << -1 << Extended(5) << "5.0E+00";
    QTest::newRow("other mode is exp") << 7 << 1 << Extended(0.05) << "5.0E-02";
    QTest::newRow("inf fixed") << 1 << 3 << Extended(1e99L) << "inf";
    QTest::newRow("-inf exp") << 0 << 4 << Extended(-1e99L) << "-inf";
    QTest::newRow("2e99 is a number") << 0 << 3 << Extended(2e99L) << "2.000E+99";
}

void TestLib1::formatReal() {
    QFETCH(int, mode);
    QFETCH(int, digits);
    QFETCH(Extended, x);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(FormatReal(NumberFormat{uint8_t(mode), int16_t(digits)}, x)),
             text);
}

void TestLib1::chooseFormat_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<Extended>("x");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("digits");
    QTest::newRow("zero") << 3 << Extended(0) << 1 << 1;
    QTest::newRow("12.5") << 3 << Extended(12.5) << 1 << 1;
    QTest::newRow("1e-6") << 3 << Extended(0.000001) << 0 << 2;
    QTest::newRow("1e-5 exactly") << 3 << Extended(1e-5L) << 0 << 2;
    QTest::newRow("123456") << 3 << Extended(123456) << 1 << 0;
    QTest::newRow("2.5") << 4 << Extended(2.5) << 1 << 3;
    QTest::newRow("25") << 4 << Extended(25) << 1 << 2;
    QTest::newRow("2500") << 4 << Extended(2500) << 1 << 0;
    QTest::newRow("250000") << 4 << Extended(250000) << 1 << 0;
    QTest::newRow("0.5") << 4 << Extended(0.5) << 1 << 4;
    QTest::newRow("0.05") << 4 << Extended(0.05) << 0 << 3;
    QTest::newRow("negative like positive") << 4 << Extended(-0.05) << 0 << 3;
    QTest::newRow("truncation towards zero") << 3 << Extended(1500) << 1 << 0;
    QTest::newRow("1e-4 between the rules") << 2 << Extended(0.0001) << 0 << 1;
    // Digit counts far beyond a format's: no overflow, the nearest format there is.
    QTest::newRow("int max digits") << INT_MAX << Extended(2.5) << 1 << 32766;
    QTest::newRow("int min digits") << INT_MIN << Extended(2.5) << 1 << 0;
    QTest::newRow("int min digits, small value") << INT_MIN << Extended(1e-6) << 0 << -32768;
    QTest::newRow("int max digits, huge value") << INT_MAX << Extended(1e300) << 1 << 32466;
    QTest::newRow("int max digits, not a number") << INT_MAX << Extended(NAN) << 0 << 32766;
}

void TestLib1::chooseFormat() {
    QFETCH(int, n);
    QFETCH(Extended, x);
    QFETCH(int, mode);
    QFETCH(int, digits);
    const NumberFormat f = ChooseFormat(n, x);
    QCOMPARE(int(f.Mode), mode);
    QCOMPARE(int(f.Digits), digits);
}

void TestLib1::strToReal_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<Extended>("value");
    QTest::newRow("plain") << "1.5" << true << Extended(1.5);
    QTest::newRow("blanks around") << "  2 " << true << Extended(2);
    QTest::newRow("exponent") << "1e5" << true << Extended(1e5);
    QTest::newRow("leading point") << ".5" << true << Extended(0.5);
    QTest::newRow("trailing point") << "5." << true << Extended(5);
    QTest::newRow("plus") << "+3" << true << Extended(3);
    QTest::newRow("inf") << "Inf" << true << Extended(1e99L);
    QTest::newRow("-inf any case") << "-iNF" << true << Extended(-1e99L);
    QTest::newRow("beyond double") << "1e400" << true << Extended(1e400L);
    QTest::newRow("decimal comma") << "1,5" << false << Extended(0);
    QTest::newRow("empty") << "" << false << Extended(0);
    QTest::newRow("blank") << " " << false << Extended(0);
    QTest::newRow("letters") << "abc" << false << Extended(0);
    QTest::newRow("dangling exponent") << "1e" << false << Extended(0);
    QTest::newRow("trailing garbage") << "1.5x" << false << Extended(0);
    QTest::newRow("overflow") << "1e99999" << false << Extended(0);
    QTest::newRow("inner blank") << "1 5" << false << Extended(0);
}

void TestLib1::strToReal() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(Extended, value);
    Extended v = 42;
    QCOMPARE(StrToReal(text.toStdString(), v), ok);
    QCOMPARE(v, ok ? value : Extended(42)); // unchanged when not ok
}

void TestLib1::strToRealDot_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Extended>("value");
    QTest::addColumn<int>("pos");
    QTest::newRow("trailing point") << "12." << Extended(12) << 0;
    QTest::newRow("plain") << "-3.25" << Extended(-3.25) << 0;
    QTest::newRow("leading blanks") << "  7" << Extended(7) << 0;
    QTest::newRow("bad fourth") << "1.5x" << Extended(0) << 4;
    QTest::newRow("letters") << "abc" << Extended(0) << 1;
    QTest::newRow("empty") << "" << Extended(0) << 1;
    QTest::newRow("dangling exponent") << "1e" << Extended(0) << 3;
}

void TestLib1::strToRealDot() {
    QFETCH(QString, text);
    QFETCH(Extended, value);
    QFETCH(int, pos);
    int p = -1;
    const Extended v = StrToRealDot(text.toStdString(), p);
    QCOMPARE(p, pos);
    if (pos == 0) QCOMPARE(v, value);
}

void TestLib1::validateReal_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::newRow("5 rejects low") << 5 << "0" << false;
    QTest::newRow("5 rejects high") << 5 << "1" << false;
    QTest::newRow("5 accepts inside") << 5 << "0.5" << true;
    QTest::newRow("5 rejects empty") << 5 << "" << false;
    QTest::newRow("7 rejects empty") << 7 << "" << false;
    QTest::newRow("1 rejects low") << 1 << "0" << false;
    QTest::newRow("1 accepts above") << 1 << "100" << true;
    QTest::newRow("2 accepts low") << 2 << "0" << true;
    QTest::newRow("3 accepts high") << 3 << "1" << true;
    QTest::newRow("3 rejects above") << 3 << "1.01" << false;
    QTest::newRow("4 ignores low") << 4 << "-100" << true;
    QTest::newRow("4 rejects above") << 4 << "2" << false;
    QTest::newRow("6 like 3") << 6 << "-0.1" << false;
    QTest::newRow("65 like 3") << 65 << "0.3" << true;
    QTest::newRow("other any number") << 9 << "1e30" << true;
    QTest::newRow("other needs a number") << 9 << "x" << false;
    QTest::newRow("negative kind fails") << -1 << "0.5" << false;
}

void TestLib1::validateReal() {
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(bool, ok);
    Extended v = 99;
    QCOMPARE(ValidateRealText(text.toStdString(), kind, 0, 1, v), ok);
    if (!ok) QCOMPARE(v, Extended(0));
}

void TestLib1::strings() {
    QCOMPARE(UpStr("deck.dck"), std::string("DECK.DCK"));
    QCOMPARE(UpStr("caf\xe9 \xc3\xa9"), std::string("CAF\xe9 \xc3\xa9"));
    std::string s = "  ab c  ";
    TrimBlanks(s, 10);
    QCOMPARE(s, std::string("ab c"));
    s = "\tabc ";
    TrimBlanks(s, 2);
    QCOMPARE(s, std::string("\ta")); // only blanks are trimmed
    s = "   ";
    TrimBlanks(s, 5);
    QCOMPARE(s, std::string());
    QCOMPARE(IntToStrN(-12345, 3), std::string("-12"));
    QCOMPARE(IntToStrN(7, 10), std::string("7"));
}

void TestLib1::numbers() {
    QCOMPARE(IntPower(2, 10), Extended(1024));
    QCOMPARE(IntPower(2, -2), Extended(0.25));
    QCOMPARE(IntPower(5, 0), Extended(1));
    QCOMPARE(IntPower(-3, 3), Extended(-27));
    // The factor is the one the program has always used, a little under 1/ln 10.
    QVERIFY(std::fabs(Log10(1000) - 2.999999990872058L) < 1e-14L);
    QVERIFY(std::fabs(Log10(1000) - 3) < 1e-8L);
}

void TestLib1::fileExists() {
    QTemporaryDir dir;
    QVERIFY(!FileExists(""));
    QVERIFY(!FileExists(dir.path().toStdString()));
    const std::string f = WriteTestFile(dir.path(), "Deck.dck", "x");
    QVERIFY(FileExists(f));
    QVERIFY(FileExists(dir.path().toStdString() + "\\DECK.DCK"));
    QVERIFY(!FileExists(dir.path().toStdString() + "/missing.dck"));
}

void TestLib1::showMsgKinds() {
    MsgRecorder rec;
    QCOMPARE(ShowMsg("odd", MsgKind(9), true), MsgAnswer::None);
    QCOMPARE(ShowMsg("odd", MsgKind(-1), false), MsgAnswer::None);
    QVERIFY(rec.Shown.empty());
    QCOMPARE(rec.Beeps, 1);
    rec.Answers = {MsgAnswer::No};
    QCOMPARE(ShowMsg("Save?", MsgKind::WarningYesNoCancel, true), MsgAnswer::No);
    QCOMPARE(rec.Shown.size(), size_t(1));
    QCOMPARE(rec.Shown[0].Kind, MsgKind::WarningYesNoCancel);
    QVERIFY(rec.Shown[0].Beep);
    QCOMPARE(ShowMsg("fine", MsgKind::Information, false), MsgAnswer::Ok);
    QVERIFY(!rec.Shown[1].Beep);
}

QTEST_GUILESS_MAIN(TestLib1)
#include "tst_lib1.moc"
