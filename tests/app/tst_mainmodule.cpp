#include "app/MainModule.h"

#include <QTest>

class TestMainModule : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initialValues();
    void trackChecks_data();
    void trackChecks();
    void rawChecks_data();
    void rawChecks();
    void valOrZero_data();
    void valOrZero();
};

void TestMainModule::initialValues() {
    MainModule m;
    m.initialise();
    QCOMPARE(m.EmulationMode, QByteArray("KVT-380A"));
    QVERIFY(m.HighCoercivity);
    QCOMPARE(m.IncrTrack, qint16(1));
    QCOMPARE(m.Track1Chars.size(), 62);
    QVERIFY(m.Track1Chars.contains(' '));
    QVERIFY(m.Track1Chars.contains('"'));
    QVERIFY(m.Track1Chars.contains('\\'));
    QVERIFY(!m.Track1Chars.contains('<'));
    QVERIFY(!m.Track1Chars.contains('?'));
    for (const char c : QByteArray("<? "))
        QVERIFY(!m.Track23Chars.contains(c));
    // Every code 32..95 except 60 and 63 is a track-1 keying character.
    for (int code = 32; code <= 95; ++code)
        QCOMPARE(m.Track1Chars.contains(char(code)), code != 60 && code != 63);
}

void TestMainModule::trackChecks_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("track1");
    QTest::addColumn<bool>("track23");
    QTest::newRow("empty") << QByteArray() << false << false;
    QTest::newRow("upper, digits, space, % ^ /") << QByteArray("%B1234 ^NAME/X^") << true << false;
    QTest::newRow("single space") << QByteArray(" ") << true << false;
    QTest::newRow("question mark") << QByteArray("12?") << false << false;
    QTest::newRow("lower case") << QByteArray("ABc") << false << false;
    QTest::newRow("brace") << QByteArray("{") << false << false;
    QTest::newRow("code 96") << QByteArray("`") << false << false;
    QTest::newRow("code 200") << QByteArray("A\xC8") << false << false;
    QTest::newRow("digits ; =") << QByteArray(";1234=5678") << true << true;
    QTest::newRow("less-than") << QByteArray("<") << true << true;
    QTest::newRow("letter on 2/3") << QByteArray("12A") << true << false;
    QTest::newRow("slash on 2/3") << QByteArray("1/2") << true << false;
    QTest::newRow("space on 2/3") << QByteArray("1 2") << true << false;
    QTest::newRow("line break") << QByteArray("12\r\n") << false << false;
}

void TestMainModule::trackChecks() {
    QFETCH(QByteArray, text);
    QFETCH(bool, track1);
    QFETCH(bool, track23);
    QCOMPARE(IsTrack1Text(text), track1);
    QCOMPARE(IsTrack23Text(text), track23);
}

void TestMainModule::rawChecks_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("raw5");
    QTest::addColumn<bool>("raw6");
    QTest::addColumn<bool>("raw7");
    QTest::newRow("empty") << QByteArray() << false << false << false;
    QTest::newRow("code 1") << QByteArray("\x01") << true << true << true;
    QTest::newRow("even first") << QByteArray("\x02") << false << false << false;
    QTest::newRow("contains 0") << QByteArray("\x01\x00", 2) << false << false << false;
    QTest::newRow("contains 32") << QByteArray("\x01\x20") << false << true << true;
    QTest::newRow("63") << QByteArray("\x3F") << false << true << true;
    QTest::newRow("64") << QByteArray("\x01\x40") << false << false << true;
    QTest::newRow("127") << QByteArray("\x7F") << false << false << true;
    QTest::newRow("128") << QByteArray("\x01\x80") << false << false << false;
}

void TestMainModule::rawChecks() {
    QFETCH(QByteArray, text);
    QFETCH(bool, raw5);
    QFETCH(bool, raw6);
    QFETCH(bool, raw7);
    QCOMPARE(IsRaw5BitText(text), raw5);
    QCOMPARE(IsRaw6BitText(text), raw6);
    QCOMPARE(IsRaw7BitText(text), raw7);
}

void TestMainModule::valOrZero_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint32>("value");
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("5") << QByteArray("5") << 5;
    QTest::newRow("blanks inside") << QByteArray(" 1 2") << 12;
    QTest::newRow("2.5 to even") << QByteArray("2.5") << 2;
    QTest::newRow("3.5 to even") << QByteArray("3.5") << 4;
    QTest::newRow("-2.5") << QByteArray("-2.5") << -2;
    QTest::newRow("eleven nines") << QByteArray("99999999999") << 0;
    QTest::newRow("trailing letters") << QByteArray("12AB") << 12;
    QTest::newRow("letters only") << QByteArray("AB") << 0;
    QTest::newRow("leading zeros") << QByteArray("0007") << 7;
    QTest::newRow("exponent") << QByteArray("1.5E3") << 1500;
    QTest::newRow("exponent without digits") << QByteArray("12E") << 12;
    QTest::newRow("hex") << QByteArray("&HFF") << 255;
    QTest::newRow("hex all ones") << QByteArray("&HFFFFFFFF") << -1;
    QTest::newRow("octal") << QByteArray("&O17") << 15;
    QTest::newRow("bad octal digit") << QByteArray("&O19") << 1;
    QTest::newRow("ampersand only") << QByteArray("&") << 0;
    QTest::newRow("int max") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("int min") << QByteArray("-2147483648") << qint32(-2147483647 - 1);
    QTest::newRow("one past max") << QByteArray("2147483648") << 0;
    QTest::newRow("huge exponent") << QByteArray("1E999") << 0;
    QTest::newRow("sign only") << QByteArray("-") << 0;
    QTest::newRow(".5 to even") << QByteArray(".5") << 0;
}

void TestMainModule::valOrZero() {
    QFETCH(QByteArray, text);
    QFETCH(qint32, value);
    QCOMPARE(ValOrZero(text), value);
}

QTEST_GUILESS_MAIN(TestMainModule)
#include "tst_mainmodule.moc"
