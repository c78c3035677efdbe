#include "PromptRig.h"

#include "app/MainModule.h"
#include "iso/cfrmCopyCard.h"

#include <QLabel>
#include <QTest>

using namespace std::chrono_literals;

namespace {

enum class Fault { FailRead, DamagedTrack, FailWrite, RefuseWrite };

QByteArray joined(const QByteArrayList &tracks) {
    return tracks.join(',');
}

// What the copy window shows: caption, prompt text and colour.
QString phase(const cfrmCopyCard &window) {
    const auto *prompt = window.findChild<QLabel *>(QStringLiteral("Label1"));
    const QColor colour = prompt->palette().color(QPalette::WindowText);
    const bool buttonText = colour == window.palette().color(QPalette::ButtonText);
    const bool clipped = prompt->width() < prompt->fontMetrics().horizontalAdvance(prompt->text());
    return window.windowTitle() + " / " + prompt->text() + " / " +
           (buttonText ? "button text" : colour.name()) + (clipped ? " / clipped" : "");
}

struct CopyRig : ModelRig<cfrmCopyCard> {
    explicit CopyRig(Set set) : ModelRig(set) {
        model().setWrittenSink([this](const Card &) { ++written; });
    }
    // Cancel while the window waits for the source card after `copies` copies.
    void cancelAfter(int copies) {
        cancelWhen([this, copies] {
            return written == copies && model().waitingForSwipe() &&
                   window->windowTitle() == cfrmCopyCard::ReadCaption;
        });
    }
    int written = 0;
};

const QString ReadPhase =
    cfrmCopyCard::ReadCaption + " / " + cfrmCopyCard::ReadPrompt + " / button text";
const QString WritePhase =
    cfrmCopyCard::WriteCaption + " / " + cfrmCopyCard::WritePrompt + " / #ff0000";

} // namespace

Q_DECLARE_METATYPE(Set)
Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Replies)

class TestCopyCard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void copyOneCard_data();
    void copyOneCard();
    void failures_data();
    void failures();
    void openingAndClosing_data();
    void openingAndClosing();
    void lateAnswerToErrorIndication();
};

void TestCopyCard::copyOneCard_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<QByteArrayList>("sent");
    QTest::addColumn<bool>("portOpenForWrite"); // when the write phase begins
    // A source whose track 2 is blank, onto a target whose track 2 is kept.
    QTest::newRow("LRQ118") << Set::Lrq118
                            << QByteArrayList{"1b61",       "1b5a3d163d",
                                              "1b6ad24bd2", "1b72",
                                              "1b61",       "1b771b731b014142431b021b033435363f1c",
                                              "1b72",       "1b61"}
                            << false;
    QTest::newRow("KVT-380A") << Set::Kvt380a
                              << QByteArrayList{"7f", "4c", "50",       "51", "52",
                                                "53", "41", "41424304", "43", "34353604",
                                                "40", "4c", "50",       "7f"}
                              << true;
}

// One copy, then Cancel while the window waits for the next source card.
void TestCopyCard::copyOneCard() {
    QFETCH(Set, set);
    CopyRig rig(set);
    rig.model().insertCard(Card::fromTexts("ABC", "", "456"));
    QString writePhase;
    bool portOpenForWrite = false;
    QByteArrayList inputForWrite;
    QByteArrayList lengthsForWrite;
    rig.poll([&] {
        if (rig.window->windowTitle() != cfrmCopyCard::WriteCaption)
            return false;
        writePhase = phase(*rig.window);
        portOpenForWrite = rig.port->isOpen();
        inputForWrite = rig.shown(&FakeRecords::track, 0);
        lengthsForWrite = rig.shown(&FakeRecords::length, 0);
        rig.model().insertCard(Card::fromTexts("OLD", "999", "777"));
        return true;
    });
    rig.cancelAfter(1);
    rig.window->run();

    QTEST(hex(rig.port->sends()), "sent");
    QTEST(portOpenForWrite, "portOpenForWrite");
    QCOMPARE(writePhase, WritePhase);
    QCOMPARE(inputForWrite, (QByteArrayList{"ABC", "+", "456"}));
    QCOMPARE(lengthsForWrite, (QByteArrayList{"3", "0", "3"}));
    QCOMPARE(rig.model().card().describe(),
             QStringLiteral(R"(track 1 "ABC", track 2 "999", track 3 "456")"));
    // Back in the read phase; Cancel clears the output record and the message, and keeps the
    // source in the input record.
    QCOMPARE(phase(*rig.window), ReadPhase);
    QCOMPARE(rig.shown(&FakeRecords::track, 0), (QByteArrayList{"ABC", "+", "456"}));
    QCOMPARE(rig.shown(&FakeRecords::track), (QByteArrayList{"", "", ""}));
    QCOMPARE(rig.shown(&FakeRecords::length), (QByteArrayList{"0", "0", "0"}));
    QCOMPARE(rig.records.message(), QByteArray());
    QVERIFY(rig.errors.isEmpty());
    QVERIFY(!rig.port->isOpen());
}

void TestCopyCard::failures_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QByteArrayList>("indications"); // error indication frames sent
    QTest::addColumn<int>("copies");                 // before the window closes
    QTest::addColumn<QByteArray>("input");           // the input record at the end
    const QString failedRead = QStringLiteral("Read Swipe Error; input ,,; output ");
    QTest::newRow("LRQ118 read failed") << Set::Lrq118 << Fault::FailRead << QStringList{failedRead}
                                        << QByteArrayList{"1b85"} << 2 << QByteArray("B2,22,+");
    QTest::newRow("KVT-380A read failed")
        << Set::Kvt380a << Fault::FailRead << QStringList{failedRead} << QByteArrayList{"4d"} << 2
        << QByteArray("B2,22,+");
    QTest::newRow("KVT-380A damaged track")
        << Set::Kvt380a << Fault::DamagedTrack
        << QStringList{"Read Swipe Error; input A1,11,*; output "} << QByteArrayList() << 2
        << QByteArray("B2,22,+");
    const QString failedWrite = QStringLiteral("Write Swipe Error; input A1,11,+; output *");
    QTest::newRow("LRQ118 write failed, written again")
        << Set::Lrq118 << Fault::FailWrite << QStringList{failedWrite}
        << QByteArrayList{"1b85", "1b81"} << 2 << QByteArray("B2,22,+");
    QTest::newRow("KVT-380A write refused: the window closes")
        << Set::Kvt380a << Fault::RefuseWrite << QStringList{failedWrite}
        << QByteArrayList{"4d", "6d"} << 0 << QByteArray("A1,11,+");
}

// Two source cards from the deck, each copied onto the card in the slot; then Cancel.
void TestCopyCard::failures() {
    QFETCH(Set, set);
    QFETCH(Fault, fault);
    QFETCH(int, copies);
    CopyRig rig(set);
    QList<Card> deck{Card::fromTexts("A1", "11", ""), Card::fromTexts("B2", "22", "")};
    switch (fault) {
    case Fault::FailRead:
        deck.prepend(Card::fromTexts("BAD", "0", ""));
        rig.model().failNextRead();
        break;
    case Fault::DamagedTrack:
        deck.prepend(Card::fromTexts("A1", "11", "*"));
        break;
    case Fault::FailWrite:
        rig.model().failNextWrite();
        break;
    case Fault::RefuseWrite:
        rig.model().answerWrongly("A", "X");
        break;
    }
    rig.model().setDeck(deck);
    rig.watcher.inspect = [&rig](QWidget *error) {
        // The copy window is disabled behind its error window, which itself stays usable.
        QVERIFY(!rig.window->isEnabled());
        QVERIFY(error->isEnabled());
        rig.errors << error->windowTitle() + "; input " +
                          joined(rig.shown(&FakeRecords::track, 0)) + "; output " +
                          rig.records.track(3);
    };
    // A refused write ends the window by itself.
    if (fault != Fault::RefuseWrite)
        rig.cancelAfter(copies);
    rig.window->run();

    QTEST(rig.errors, "errors");
    QVERIFY(rig.window->isEnabled());
    QByteArrayList indications;
    for (const QByteArray &send : hex(rig.port->sends())) {
        if (QByteArrayList{"1b85", "1b81", "4d", "6d"}.contains(send))
            indications << send;
    }
    QTEST(indications, "indications");
    QCOMPARE(rig.written, copies);
    QTEST(joined(rig.shown(&FakeRecords::track, 0)), "input");
    QCOMPARE(rig.shown(&FakeRecords::track), (QByteArrayList{"", "", ""}));
    QCOMPARE(rig.records.message(), QByteArray());
    QVERIFY(!rig.port->isOpen());
}

void TestCopyCard::openingAndClosing_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<Replies>("replies");
    QTest::addColumn<Duration>("cancelAt"); // 0: the window closes by itself
    QTest::addColumn<bool>("portLost");     // the port is found closed when Cancel is pressed
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QByteArrayList>("sent");
    QTest::addColumn<Duration>("closing"); // from Cancel until the window has gone
    const QByteArray density = QByteArray::fromHex("1b6ad24bd2");
    const QByteArray del = QByteArray::fromHex("7f");
    const QStringList readError{QStringLiteral("Read Swipe Error: ")};
    // The closing step sends nothing in LRQ118; the pending read still ends with ESC a.
    QTest::newRow("close copy, LRQ118")
        << Set::Lrq118 << Replies{{density, QByteArray::fromHex("1b30"), 10ms}} << Duration(1500ms)
        << false << QStringList()
        << QByteArrayList{"1b61", "1b5a3d163d", "1b6ad24bd2", "1b72", "1b61"} << Duration(0ms);
    // DEL, up to 0.5 s for its answer, then 0.2 s.
    QTest::newRow("close copy, KVT-380A reopens")
        << Set::Kvt380a << Replies{{del, ":", 10ms}, {"L", "^", 10ms}, {"P", "^", 10ms}}
        << Duration(1500ms) << true << QStringList() << QByteArrayList{"7f", "4c", "50", "7f"}
        << Duration(700ms);
    QTest::newRow("KVT-380A reset answered wrongly")
        << Set::Kvt380a << Replies{{del, "X", 10ms}} << Duration(0ms) << false << readError
        << QByteArrayList{"7f", "7f"} << Duration(0ms);
    QTest::newRow("KVT-380A L refused: indication on, then the window closes")
        << Set::Kvt380a << Replies{{del, ":", 10ms}, {"L", "X", 10ms}} << Duration(0ms) << false
        << readError << QByteArrayList{"7f", "4c", "4d", "7f"} << Duration(0ms);
    // Nothing answers L once the port is closed: no error for the operator who closed it.
    QTest::newRow("closed while L is unanswered")
        << Set::Kvt380a << Replies{{del, ":", 10ms}} << Duration(500ms) << false << QStringList()
        << QByteArrayList{"7f", "4c", "7f"} << Duration(700ms);
}

void TestCopyCard::openingAndClosing() {
    QFETCH(Set, set);
    QFETCH(Replies, replies);
    QFETCH(Duration, cancelAt);
    QFETCH(bool, portLost);
    ScriptRig<cfrmCopyCard> rig(modeOf(set));
    QVERIFY(rig.port != nullptr);
    script(*rig.port, replies);
    Duration cancelled{};
    if (cancelAt > Duration::zero()) {
        rig.pump.after(cancelAt, [&] {
            if (portLost)
                rig.port->close();
            cancelled = rig.clock.now();
            rig.cancelButton()->click();
        });
    }
    rig.window->run();

    QTEST(rig.errors, "errors");
    QTEST(hex(rig.port->sends()), "sent");
    if (cancelAt > Duration::zero()) {
        QFETCH(Duration, closing);
        QVERIFY(rig.clock.now() - cancelled >= closing);
        QVERIFY(rig.clock.now() - cancelled < closing + 20ms);
    }
    QVERIFY(!rig.port->isOpen());
    QVERIFY(!rig.window->isVisible());
}

// KVT-380A: after a failed read the answer to M comes in while the error window is shown; the
// L before the next read is judged on its own answer.
void TestCopyCard::lateAnswerToErrorIndication() {
    ScriptRig<cfrmCopyCard> rig("KVT-380A");
    ScriptedPort &port = *rig.port;
    port.onSend(QByteArray::fromHex("7f"), ":", 10ms);
    port.onSend("L", "^");
    port.onSend("P", "^", 10ms);
    port.arrive("^", 1s); // the swipe
    for (const char *track : {"Q", "R", "S"})
        port.onSend(track, "*", 10ms);
    port.onSend("M", "^", 5ms);
    port.onSend("L", "^");
    rig.watcher.inspect = [&rig](QWidget *error) {
        rig.errors << error->windowTitle();
        rig.clock.advance(1s); // the operator reads the message
    };
    const Duration start = rig.clock.now();
    rig.cancelWhen([&rig, start] { return rig.clock.now() - start > 5s; });
    rig.window->run();

    QCOMPARE(rig.errors, QStringList{"Read Swipe Error"});
    QCOMPARE(hex(port.sends()),
             (QByteArrayList{"7f", "4c", "50", "51", "52", "53", "4d", "4c", "50", "7f"}));
}

QTEST_MAIN(TestCopyCard)
#include "tst_copycard.moc"
