#include "app/MainModule.h"
#include "link/NonIsoFrames.h"
#include "nonstd/HexData.h"
#include "nonstd/NonIsoTexts.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

const QByteArray D210 = NonIsoFrames::Density::Bpi210;
constexpr int RandomRuns = 300000;
constexpr quint32 Seed = 450;

constexpr HexStatus Ok = HexStatus::Converted;
constexpr HexStatus Long = HexStatus::GroupTooLong;
constexpr HexStatus Reserved = HexStatus::ReservedValue;

// Mostly hex digits and spaces, with line ends and any other byte now and then.
QByteArray randomHexText(QRandomGenerator &random) {
    static const QByteArray Likely = "0123456789ABCDEFabcdef    \r\n";
    QByteArray text(random.bounded(24), '\0');
    for (char &c : text)
        c = random.bounded(8) == 0 ? static_cast<char>(random.bounded(256))
                                   : Likely.at(random.bounded(Likely.size()));
    return text;
}

// Up to maxSize bytes, each below bound.
QByteArray randomBytes(QRandomGenerator &random, int maxSize, int bound) {
    QByteArray bytes(random.bounded(maxSize), '\0');
    for (char &c : bytes)
        c = static_cast<char>(random.bounded(bound));
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(InformationMessage)
Q_DECLARE_METATYPE(HexStatus)
Q_DECLARE_METATYPE(CustomDataFault)

class TestHexData : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void toHexPairs_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("pairs");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("blank marker") << QByteArray("+") << QByteArray("2B ");
        QTest::newRow("11 and 63") << QByteArray::fromHex("0b3f") << QByteArray("0B 3F ");
        QTest::newRow("1 2 3") << QByteArray::fromHex("010203") << QByteArray("01 02 03 ");
        QTest::newRow("0 and 255") << QByteArray::fromHex("00ff") << QByteArray("00 FF ");
    }

    void toHexPairs() {
        QFETCH(QByteArray, data);
        QTEST(ToHexPairs(data), "pairs");
    }

    void countHexPairs_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qsizetype>("count");
        QTest::newRow("empty") << QByteArray() << qsizetype(0);
        QTest::newRow("one pair") << QByteArray("2B ") << qsizetype(1);
        QTest::newRow("keyed 1F0B") << QByteArray("1F 0B ") << qsizetype(2);
        QTest::newRow("no trailing space") << QByteArray("1F 0B") << qsizetype(2);
        QTest::newRow("leading space") << QByteArray(" 1F 0B") << qsizetype(3);
        QTest::newRow("doubled spaces") << QByteArray("1F  0B  ") << qsizetype(2);
        QTest::newRow("spaces only") << QByteArray("   ") << qsizetype(1);
        QTest::newRow("run together") << QByteArray("1F0B3C") << qsizetype(1);
    }

    void countHexPairs() {
        QFETCH(QByteArray, text);
        QTEST(CountHexPairs(text), "count");
    }

    void hexToData_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<HexStatus>("status");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("keyed pairs") << QByteArray("1F 0B ") << Ok << QByteArray("1f 0b");
        QTest::newRow("CR LF at the end") << QByteArray("1F 0B\r\n") << Ok << QByteArray("1f 0b");
        QTest::newRow("two CR LF") << QByteArray("01\r\n\r\n") << Ok << QByteArray("01");
        QTest::newRow("CR LF inside") << QByteArray("01\r\n03") << Long << QByteArray();
        QTest::newRow("CR alone") << QByteArray("0A\r") << Long << QByteArray();
        QTest::newRow("single digits") << QByteArray("  1  3 ") << Ok << QByteArray("01 03");
        QTest::newRow("three digits") << QByteArray("123") << Long << QByteArray();
        QTest::newRow("value 4") << QByteArray("01 04") << Reserved << QByteArray();
        QTest::newRow("value 4, one digit") << QByteArray("4") << Reserved << QByteArray();
        QTest::newRow("40 is not 4") << QByteArray("40") << Ok << QByteArray("40");
        QTest::newRow("first error wins: length") << QByteArray("123 04") << Long << QByteArray();
        QTest::newRow("first error wins: value")
            << QByteArray("04 123") << Reserved << QByteArray();
        QTest::newRow("00") << QByteArray("00") << Ok << QByteArray("00");
        QTest::newRow("not hex first") << QByteArray("G1") << Ok << QByteArray("00");
        QTest::newRow("not hex second") << QByteArray("1G") << Ok << QByteArray("01");
        QTest::newRow("empty") << QByteArray() << Ok << QByteArray();
        QTest::newRow("CR LF only") << QByteArray("\r\n") << Ok << QByteArray();
        // Data that spells "Err" is data, not a failure: the status alone tells.
        QTest::newRow("data reading Err") << QByteArray("45 72 72") << Ok << QByteArray("45 72 72");
        QTest::newRow("data reading Error")
            << QByteArray("45 72 72 6F 72") << Ok << QByteArray("45 72 72 6f 72");
    }

    void hexToData() {
        QFETCH(QByteArray, text);
        const HexConversion result = HexToData(text);
        QTEST(result.status, "status");
        QTEST(result.data.toHex(' '), "data");
    }

    // The entry window's labels show the other widths and densities.
    void widths_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QByteArray>("density");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<QByteArray>("maxDigit");
        QTest::newRow("6 at 210") << 6 << D210 << 88 << QByteArray("3");
        QTest::newRow("5, no density") << 5 << QByteArray() << 39 << QByteArray("1");
        QTest::newRow("unknown width") << 0 << D210 << 0 << QByteArray();
    }

    void widths() {
        QFETCH(int, bits);
        QFETCH(QByteArray, density);
        QTEST(TrackCapacity(bits, density), "capacity");
        QTEST(MaxHexDigit(bits), "maxDigit");
    }

    void customDataRule_data() {
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<int>("bits");
        QTest::addColumn<CustomDataFault>("fault");
        using enum CustomDataFault;
        const auto row = [](const char *hex, int bits, CustomDataFault fault) {
            QTest::addRow("%s, %d bits", hex, bits) << QByteArray(hex) << bits << fault;
        };
        row("01", 5, None);
        row("", 5, None);
        row("0a01", 5, EvenFirstValue);
        row("0b20", 5, OutOfRange);
        row("0b20", 6, None);
        row("3f40", 6, OutOfRange);
        row("7f", 7, None);
        row("0180", 7, OutOfRange);
        row("0100", 7, OutOfRange);
        row("0104", 7, ReservedValue);
        row("01", 0, OutOfRange); // unknown width
    }

    void customDataRule() {
        QFETCH(QByteArray, hex);
        QFETCH(int, bits);
        QTEST(FindCustomDataFault(QByteArray::fromHex(hex), bits), "fault");
    }

    // The read window's tests show the caption of every listed format.
    void unlistedFormatKeepsReadCaption() {
        QVERIFY(!ReadTrackCaption(0, "8-Bit Character").has_value());
    }

    void messages_data() {
        QTest::addColumn<InformationMessage>("message");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        const QString use = "Use the following characters only:   \n";
        const QString lsb = "04 is reserved for encoder use. \nLSB of first character\n"
                            "must be a '1'.";
        QTest::newRow("hex key") << HexKeyMessage() << " Hex Format Error"
                                 << use + "0 1 2 3 4 5 6 7 8 9 A B C D E F ";
        QTest::newRow("hex length")
            << HexLengthMessage() << "Non-ISO Hex Character Length Error"
            << "A hex character consists of a pair of  \n0123456789ABCDEF.\n"
               "Append a leading zero as necessary,\nsuch as 0B.";
        QTest::newRow("5-bit data") << CustomDataMessage(5) << "Non-ISO 5-Bit Data Format Error"
                                    << "Use number 01~03 and 05~1F only.      \n" + lsb;
        QTest::newRow("6-bit data") << CustomDataMessage(6) << "Non-ISO 6-Bit Data Format Error"
                                    << "Use number 01~03 and 05~3F only.      \n" + lsb;
        QTest::newRow("7-bit data") << CustomDataMessage(7) << "Non-ISO 7-Bit Data Format Error"
                                    << "Use number 01~03 and 05~7F only.      \n" + lsb;
    }

    void messages() {
        QFETCH(InformationMessage, message);
        QTEST(message.title, "title");
        QTEST(message.text, "text");
    }

    void randomInput() {
        QRandomGenerator random(Seed);
        for (int run = 0; run < RandomRuns; ++run) {
            const QByteArray text = randomHexText(random);
            const qsizetype count = CountHexPairs(text);
            QVERIFY(count >= 0 && count <= text.size());
            const HexConversion junk = HexToData(text);
            if (junk.status != HexStatus::Converted)
                QVERIFY(junk.data.isEmpty());

            QByteArray data = randomBytes(random, 40, 256);
            data.replace('\x04', "\x05");
            const QByteArray pairs = ToHexPairs(data);
            QCOMPARE(CountHexPairs(pairs), data.size());
            const QByteArray typed = run % 2 ? pairs + "\r\n" : pairs;
            const HexConversion back = HexToData(typed);
            QCOMPARE(back.status, Ok);
            QCOMPARE(back.data.toHex(' '), data.toHex(' '));

            const int bits = 5 + run % 3;
            // Short runs of values around the width's range, so that every rule is met and broken.
            const QByteArray values = randomBytes(random, 6, (1 << bits) + 2);
            const auto rawCheck = bits == 5   ? IsRaw5BitText
                                  : bits == 6 ? IsRaw6BitText
                                              : IsRaw7BitText;
            const bool clean = FindCustomDataFault(values, bits) == CustomDataFault::None;
            QCOMPARE(clean, values.isEmpty() || (rawCheck(values) && !values.contains('\x04')));
        }
    }
};

QTEST_GUILESS_MAIN(TestHexData)
#include "tst_hexdata.moc"
