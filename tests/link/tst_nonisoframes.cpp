#include "app/MainModule.h"
#include "link/NonIsoFrames.h"

#include <QTest>

using namespace NonIsoFrames;

namespace {

const QByteArray T1 = Format::StdT1;
const QByteArray T2 = Format::StdT2;
const QByteArray T3 = Format::StdT3;
const QByteArray C5 = Format::Custom5;
const QByteArray C6 = Format::Custom6;
const QByteArray C7 = Format::Custom7;
const QByteArray D210 = Density::Bpi210;
const QByteArray D75 = Density::Bpi75;

Selection standard(const QByteArray &f1, const QByteArray &f2, const QByteArray &f3) {
    return {true, {{{f1, D210}, {f2, D75}, {f3, D210}}}};
}

Selection custom(const QByteArray &f1, const QByteArray &f2, const QByteArray &f3,
                 const QByteArray &d1 = D210, const QByteArray &d2 = D75,
                 const QByteArray &d3 = D210) {
    return {false, {{{f1, d1}, {f2, d2}, {f3, d3}}}};
}

// Every send of a KVT-380A write as the wire sees it, one hex group per send.
QByteArray kvtWireSends(const Selection &selection, const Tracks &tracks) {
    QByteArrayList sends;
    for (const KvtTrackWrite &step : kvtWriteSteps(selection, tracks)) {
        sends << step.command.toHex(' ');
        for (int i = 0; i < step.nulCount; ++i)
            sends << "00";
        sends << step.data.toHex(' ');
    }
    sends << IsoFrames::Kvt380a::WriteEnd.toHex(' ');
    return sends.join(" / ");
}

} // namespace

Q_DECLARE_METATYPE(NonIsoFrames::Selection)
Q_DECLARE_METATYPE(NonIsoFrames::Tracks)

class TestNonIsoFrames : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void formatCodes_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<int>("bits");
        QTest::newRow("Std T1") << T1 << QByteArray("1") << 7;
        QTest::newRow("Std T2") << T2 << QByteArray("2") << 5;
        QTest::newRow("Std T3") << T3 << QByteArray("3") << 5;
        QTest::newRow("5 bits") << C5 << QByteArray("5") << 5;
        QTest::newRow("6 bits") << C6 << QByteArray("6") << 6;
        QTest::newRow("7 bits") << C7 << QByteArray("7") << 7;
        QTest::newRow("empty") << QByteArray() << QByteArray() << 0;
        QTest::newRow("trailing space") << QByteArray("5-Bit Character ") << QByteArray() << 0;
        QTest::newRow("lower case") << QByteArray("7-bit character") << QByteArray() << 0;
        QTest::newRow("T2/T3 of the main window")
            << QByteArray("5-Bit Character (Std T2/T3)") << QByteArray() << 0;
    }

    void formatCodes() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, code);
        QCOMPARE(TrackFormatCode(text), code);
        QTEST(bitsPerCharacter(TrackFormatCode(text)), "bits");
    }

    void densityValues_data() {
        QTest::addColumn<QByteArray>("density");
        QTest::addColumn<QByteArray>("expected"); // LRQ118 density, leading zeros, KVT digit
        QTest::addColumn<int>("nulCount");
        QTest::newRow("210") << D210 << QByteArray("d2 3d 31") << 15;
        QTest::newRow("75") << D75 << QByteArray("4b 16 30") << 6;
        QTest::newRow("empty") << QByteArray() << QByteArray("4b 16 30") << 6;
        QTest::newRow("210 with a space") << D210 + ' ' << QByteArray("4b 16 30") << 6;
        QTest::newRow("210 BPI alone") << QByteArray("210 BPI") << QByteArray("4b 16 30") << 6;
    }

    void densityValues() {
        QFETCH(QByteArray, density);
        const QByteArray values = QByteArray() + lrqDensityByte(density) +
                                  lrqLeadingZeroByte(density) + kvtDensityDigit(density);
        QTEST(values.toHex(' '), "expected");
        QTEST(kvtNulCount(density), "nulCount");
    }

    void densityFrames() {
        const Selection mixed = custom(C5, C6, C7, D75, D210, QByteArray("odd"));
        QCOMPARE(lrqDensityFrame(mixed).toHex(' '), "1b 6a 4b d2 4b");
        QCOMPARE(lrqLeadingZerosFrame(mixed).toHex(' '), "1b 5a 16 3d 16");
        const std::array<QByteArray, 3> kvt = kvtDensityCommands(mixed);
        QCOMPARE(kvt[0].toHex(' '), "3b 31 30");
        QCOMPARE(kvt[1].toHex(' '), "3b 32 31");
        QCOMPARE(kvt[2].toHex(' '), "3b 33 30");
    }

    void readCommands_data() {
        QTest::addColumn<Selection>("selection");
        QTest::addColumn<QByteArray>("lrq");
        QTest::addColumn<QByteArray>("kvt"); // the three track commands, one per send
        const auto row = [](const char *name, const Selection &selection, const char *lrq,
                            const char *kvt) {
            QTest::newRow(name) << selection << QByteArray(lrq) << QByteArray(kvt);
        };
        row("T1 T2 T2", standard(T1, T2, T2), "1b 52 11 02 03", "71 31 / 72 32 / 73 32");
        row("ISO formats", standard(T1, T2, T3), "1b 52 11 02 03", "71 31 / 72 32 / 73 33");
        row("T1 everywhere", standard(T1, T1, T1), "1b 52 11 12 13", "71 31 / 72 31 / 73 31");
        row("T3 on track 1", standard(T3, T2, T1), "1b 52 01 02 13", "71 33 / 72 32 / 73 31");
        row("unknown format", standard("Std T9", T2, {}), "1b 52 01 02 03", "71 / 72 32 / 73");
        row("custom", custom(C5, C6, C7), "1b 52 01 02 03", "55 35 / 56 36 / 57 37");
        row("custom unknown", custom(C7, "8-Bit Character", C5), "1b 52 01 02 03",
            "55 37 / 56 / 57 35");
    }

    void readCommands() {
        QFETCH(Selection, selection);
        QTEST(lrqReadFrame(selection).toHex(' '), "lrq");
        QByteArrayList kvt;
        for (std::size_t track = 0; track < 3; ++track)
            kvt << kvtReadTrackCommand(selection, track).toHex(' ');
        QTEST(kvt.join(" / "), "kvt");
    }

    void lrqWrite_data() {
        QTest::addColumn<Selection>("selection");
        QTest::addColumn<Tracks>("tracks");
        QTest::addColumn<QByteArray>("frame");
        const auto row = [](const char *name, const Selection &selection, const Tracks &tracks,
                            const char *frame) {
            QTest::newRow(name) << selection << tracks << QByteArray(frame);
        };
        row("ABC on track 2 in T1", standard(T2, T1, T3), {"", "ABC", ""},
            "1b 57 1b 73 1b 01 1b 12 41 42 43 1b 03 3f 1c");
        row("markers are not written", standard(T1, T2, T3), {"*", "+", "*"},
            "1b 57 1b 73 1b 11 1b 02 1b 03 3f 1c");
        row("all three", standard(T1, T2, T3), {"A", "1", "+2"},
            "1b 57 1b 73 1b 11 41 1b 02 31 1b 03 2b 32 3f 1c");
        row("no format", standard("", "", ""), {"9", "", ""},
            "1b 57 1b 73 1b 01 39 1b 02 1b 03 3f 1c");
    }

    void lrqWrite() {
        QFETCH(Selection, selection);
        QFETCH(Tracks, tracks);
        QTEST(lrqWriteFrame(selection, tracks).toHex(' '), "frame");
    }

    void kvtWrite_data() {
        QTest::addColumn<Selection>("selection");
        QTest::addColumn<Tracks>("tracks");
        QTest::addColumn<QByteArray>("sends");
        const auto row = [](const char *name, const Selection &selection, const Tracks &tracks,
                            const QByteArray &sends) {
            QTest::newRow(name) << selection << tracks << sends;
        };
        const QByteArray nuls15 = QByteArray("00 / ").repeated(15);
        row("0B on track 3, 5 bits at 75 BPI", custom(C5, C5, C5, D210, D210, D75),
            {"", "", QByteArray::fromHex("0b")},
            "47 35 / 00 / 00 / 00 / 00 / 00 / 00 / 0b 04 / 40");
        row("custom at 210 BPI", custom(C7, C5, C5), {QByteArray::fromHex("0103"), "*", "+"},
            "45 37 / " + nuls15 + "01 03 04 / 40");
        row("standard, no NULs", standard(T1, T2, T3), {"AB", "", "12"},
            "61 31 / 41 42 04 / 63 33 / 31 32 04 / 40");
        row("unknown format: letter alone", standard(T1, "nothing", T3), {"", "5", ""},
            "62 / 35 04 / 40");
        row("nothing to write", custom(C5, C6, C7), {"", "+", "*"}, "40");
    }

    void kvtWrite() {
        QFETCH(Selection, selection);
        QFETCH(Tracks, tracks);
        QTEST(kvtWireSends(selection, tracks), "sends");
    }

    void selectionFromState() {
        MainModule state;
        state.NonIsoStdFormat = false;
        state.NonIsoT1Format = C7;
        state.NonIsoT2Format = C6;
        state.NonIsoT3Format = C5;
        state.NonIsoT1Density = D75;
        state.NonIsoT2Density = D210;
        state.NonIsoT3Density = D75;
        const Selection selection = selectionOf(state);
        QCOMPARE(kvtWireSends(selection, {"", "\x01", ""}),
                 "46 36 / " + QByteArray("00 / ").repeated(15) + "01 04 / 40");
        QCOMPARE(lrqDensityFrame(selection).toHex(' '), "1b 6a 4b d2 4b");
        QCOMPARE(kvtReadTrackCommand(selection, 0), "U7");
        QCOMPARE(kvtReadTrackCommand(selection, 2), "W5");
    }
};

QTEST_GUILESS_MAIN(TestNonIsoFrames)
#include "tst_nonisoframes.moc"
