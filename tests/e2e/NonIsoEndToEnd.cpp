#include "EndToEnd.h"
#include "NonIsoChoice.h"

#include "link/NonIsoFrames.h"
#include "nonstd/nfrmReadCard.h"
#include "nonstd/nfrmSwipeWrite.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

namespace Format = NonIsoFrames::Format;
namespace Density = NonIsoFrames::Density;

Q_DECLARE_METATYPE(NonIsoChoice)

void TestEndToEnd::nonIsoRead_data() {
    QTest::addColumn<QString>("simMode");
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<NonIsoChoice>("choice");
    QTest::addColumn<QByteArray>("card");
    QTest::addColumn<QStringList>("shown");
    const NonIsoChoice swapped{true, {Format::StdT2, Format::StdT3, Format::StdT1}};
    const QByteArray card = "{t2}1234=56|+|{t1}NON ISO";
    const QStringList standard = {"Non-ISO Read: Standard Format on Non-Standard Track (ASCII)",
                                  "1234=56|7", "+|0", "NON ISO|7"};
    QTest::newRow("LRQ118 standard")
        << "lrq118" << QByteArray("LRQ118") << swapped << card << standard;
    QTest::newRow("KVT-380A standard")
        << "kvt380a" << QByteArray("KVT-380A") << swapped << card << standard;
    QTest::newRow("KVT-380A custom")
        << "kvt380a" << QByteArray("KVT-380A")
        << NonIsoChoice{false, {Format::Custom7, Format::Custom5, Format::Custom6}}
        << QByteArray("{7}7F 01 41|+|{6@210}0B 3F")
        << QStringList{"Non-ISO Read: Custom Data Format (Hex)", "7F 01 41 |3", "|0", "0B 3F |2"};
}

// A card read in the Non-ISO formats chosen, shown in the result window.
void TestEndToEnd::nonIsoRead() {
    QFETCH(NonIsoChoice, choice);
    QFETCH(QByteArray, card);
    start(card);
    if (QTest::currentTestFailed())
        return;
    Program &program = *program_;
    program.state.NonIsoMode = true;
    choice.applyTo(program.state);
    nfrmReadCard read(program.context());
    QStringList shown;
    program.watcher.inspect = [&shown](QWidget *result) {
        shown << result->windowTitle();
        for (const char *track : {"_0", "_1", "_2"})
            shown << result->findChild<QPlainTextEdit *>(QByteArray("TIT") + track)->toPlainText() +
                         "|" + result->findChild<QLabel *>(QByteArray("LT") + track)->text();
    };
    program.oneCard(read);
    QTEST(shown, "shown");
}

void TestEndToEnd::nonIsoWrite_data() {
    QTest::addColumn<QString>("simMode");
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<NonIsoChoice>("choice");
    QTest::addColumn<QByteArrayList>("data"); // keyed text, or the custom values
    QTest::addColumn<QStringList>("wrote");
    QTest::newRow("LRQ118 standard, T3 on track 1, T1 on track 2 at 75 BPI")
        << "lrq118" << QByteArray("LRQ118")
        << NonIsoChoice{true, {Format::StdT3, Format::StdT1, Format::StdT3}}
        << QByteArrayList{"1234=5", "NON ISO", ""}
        << QStringList{R"(wrote track 1: "1234=5" (5-bit T3, 210 BPI))",
                       R"(wrote track 2: "NON ISO" (7-bit T1, 75 BPI))"};
    QTest::newRow("KVT-380A custom, tracks 1 and 3")
        << "kvt380a" << QByteArray("KVT-380A")
        << NonIsoChoice{false,
                        {Format::Custom7, Format::Custom5, Format::Custom6},
                        {Density::Bpi210, Density::Bpi75, Density::Bpi75}}
        << QByteArrayList{QByteArray::fromHex("7f0141"), "", QByteArray::fromHex("0b3f")}
        << QStringList{"wrote track 1: 7F 01 41 (custom 7-bit, 210 BPI)",
                       "wrote track 3: 0B 3F (custom 6-bit, 75 BPI)"};
}

// One card written in the Non-ISO formats and densities chosen, as the simulator saw it.
void TestEndToEnd::nonIsoWrite() {
    QFETCH(NonIsoChoice, choice);
    QFETCH(QByteArrayList, data);
    QFETCH(QStringList, wrote);
    start("+|+|+");
    if (QTest::currentTestFailed())
        return;
    Program &program = *program_;
    MainModule &state = program.state;
    state.NonIsoMode = true;
    choice.applyTo(state);
    (choice.standard ? state.NonIsoKeyedText : state.NonIsoTrackText) = {data[0], data[1], data[2]};
    nfrmSwipeWrite write(program.context());
    program.oneCard(write);
    QVERIFY(program.watcher.seen.isEmpty());
    QStringList lines;
    for (qsizetype i = 0; i < wrote.size(); ++i)
        lines << waitForLine(QStringLiteral("wrote track"));
    QCOMPARE(lines, wrote);
}
