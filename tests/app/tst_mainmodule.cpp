#include "app/CharacterMessages.h"
#include "app/MainModule.h"

#include <QTest>

class TestMainModule : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keyingSets() {
        MainModule m;
        m.initialise();
        // Track 1 keys 32..95 except "<" and "?"; tracks 2 and 3 key 48..62 except "<".
        for (int code = 0; code <= 255; ++code) {
            const bool notLtOrQuery = code != 60 && code != 63;
            QCOMPARE(m.Track1Chars.contains(char(code)), code >= 32 && code <= 95 && notLtOrQuery);
            QCOMPARE(m.Track23Chars.contains(char(code)), code >= 48 && code <= 62 && notLtOrQuery);
        }
    }

    // Which checks accept each text: track 1, tracks 2/3, raw 5-, 6- and 7-bit.
    void characterChecks_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("accepted");
        QTest::newRow("empty") << QByteArray() << "";
        QTest::newRow("% ^ / and space") << QByteArray("%B1234 ^NAME/X^") << "T1 R7";
        QTest::newRow("single space") << QByteArray(" ") << "T1";
        QTest::newRow("question mark") << QByteArray("12?") << "R6 R7";
        QTest::newRow("lower case") << QByteArray("ABc") << "R7";
        QTest::newRow("code 96") << QByteArray("`") << "";
        QTest::newRow("code 200") << QByteArray("A\xC8") << "";
        QTest::newRow("digits ; =") << QByteArray("1234=567;") << "T1 T23 R6 R7";
        QTest::newRow("less-than") << QByteArray("<") << "T1 T23";
        QTest::newRow("letter on 2/3") << QByteArray("12A") << "T1 R7";
        QTest::newRow("slash on 2/3") << QByteArray("1/2") << "T1 R6 R7";
        QTest::newRow("line break") << QByteArray("12\r\n") << "R6 R7";
        QTest::newRow("code 1") << QByteArray("\x01") << "R5 R6 R7";
        QTest::newRow("even first") << QByteArray("\x02") << "";
        QTest::newRow("contains 0") << QByteArray("\x01\x00", 2) << "";
        QTest::newRow("contains 32") << QByteArray("\x01\x20") << "R6 R7";
        QTest::newRow("64") << QByteArray("\x01\x40") << "R7";
        QTest::newRow("127") << QByteArray("\x7F") << "R7";
        QTest::newRow("128") << QByteArray("\x01\x80") << "";
    }

    void characterChecks() {
        QFETCH(QByteArray, text);
        const bool results[] = {IsTrack1Text(text), IsTrack23Text(text), IsRaw5BitText(text),
                                IsRaw6BitText(text), IsRaw7BitText(text)};
        const char *const names[] = {"T1", "T23", "R5", "R6", "R7"};
        QStringList accepted;
        for (int i = 0; i < 5; ++i) {
            if (results[i])
                accepted << QLatin1String(names[i]);
        }
        QTEST(accepted.join(u' '), "accepted");
    }

    void valOrZero_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint32>("value");
        // Else ValOrZero gives 0 for it, and ValInRange nothing.
        QTest::addColumn<bool>("inRange");
        QTest::newRow("empty") << QByteArray() << 0 << true;
        QTest::newRow("5") << QByteArray("5") << 5 << true;
        QTest::newRow("blanks inside") << QByteArray(" 1 2") << 12 << true;
        QTest::newRow("2.5 to even") << QByteArray("2.5") << 2 << true;
        QTest::newRow("3.5 to even") << QByteArray("3.5") << 4 << true;
        QTest::newRow("eleven nines") << QByteArray("99999999999") << 0 << false;
        QTest::newRow("trailing letters") << QByteArray("12AB") << 12 << true;
        QTest::newRow("letters only") << QByteArray("AB") << 0 << true;
        QTest::newRow("exponent") << QByteArray("1.5E3") << 1500 << true;
        QTest::newRow("exponent without digits") << QByteArray("12E") << 12 << true;
        QTest::newRow("hex") << QByteArray("&HFF") << 255 << true;
        QTest::newRow("hex all ones") << QByteArray("&HFFFFFFFF") << -1 << true;
        QTest::newRow("octal") << QByteArray("&O17") << 15 << true;
        QTest::newRow("bad octal digit") << QByteArray("&O19") << 1 << true;
        QTest::newRow("ampersand only") << QByteArray("&") << 0 << true;
        QTest::newRow("int max") << QByteArray("2147483647") << 2147483647 << true;
        QTest::newRow("int min") << QByteArray("-2147483648") << qint32(-2147483647 - 1) << true;
        QTest::newRow("one past max") << QByteArray("2147483648") << 0 << false;
        QTest::newRow("huge exponent") << QByteArray("1E999") << 0 << false;
    }

    void valOrZero() {
        QFETCH(QByteArray, text);
        QTEST(ValOrZero(text), "value");
        QTEST(ValInRange(text).has_value(), "inRange");
    }

    // The main window, the base record and the Non-ISO entry all show these texts.
    void standardFormatMessages_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("fellowing");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        const QString t1 = " 7-Bit Character (Std T1) Format Error";
        const QString t23 = " 5-Bit Character (Std T2/T3) Format Error";
        const QString t1List = "SP ! \" # $ % & ' ( ) * + , - . / 0 1 2 3 4 5 6 7 8 9 : ; = > @ "
                               "A B C   \nD E F G H I J K L M N O P Q R S T U V W X Y Z [ \\ ] ^ _";
        const QString t23List = "0 1 2 3 4 5 6 7 8 9 : ; = > ";
        const QString following = "Use the following characters only:   \n";
        const QString fellowing = "Use the fellowing characters only:   \n";
        QTest::newRow("7 bits") << 7 << false << t1 << following + t1List;
        QTest::newRow("7 bits, fellowing") << 7 << true << t1 << fellowing + t1List;
        QTest::newRow("5 bits") << 5 << false << t23 << following + t23List;
        QTest::newRow("5 bits, fellowing") << 5 << true << t23 << fellowing + t23List;
    }

    void standardFormatMessages() {
        QFETCH(int, bits);
        QFETCH(bool, fellowing);
        const InformationMessage message =
            StandardFormatMessage(bits, fellowing ? Wording::Fellowing : Wording::Following);
        QTEST(message.title, "title");
        QTEST(message.text, "text");
    }
};

QTEST_GUILESS_MAIN(TestMainModule)
#include "tst_mainmodule.moc"
