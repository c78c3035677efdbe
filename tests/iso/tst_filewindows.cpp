#include "PromptRig.h"

#include "app/MainModule.h"
#include "iso/RecoveryFile.h"
#include "iso/cfrmEncodeRF.h"
#include "iso/cfrmEncodeWF.h"

#include <QTemporaryDir>

namespace {

const QByteArray DeckRecords = "ONE|1|11\r\nTWO|2|22\r\nTHREE|3|+\r\n";

struct RecoveryFolder {
    QTemporaryDir folder;
    RecoveryFile recovery{folder.path()};
};

struct SaveRig : RecoveryFolder, ModelRig<cfrmEncodeWF> {
    explicit SaveRig(Set set) : ModelRig(set, recovery) {
        model().setDeck({Card::fromTexts("ONE", "1", "11"), Card::fromTexts("TWO", "2", "22"),
                         Card::fromTexts("THREE", "3", "")});
    }
};

// Notes LC each time the encoder begins to wait for a card.
struct Waits {
    template <class Rig> bool begun(Rig &rig) {
        const bool was = std::exchange(waiting, rig.model().waitingForSwipe());
        const bool begun = waiting && !was;
        if (begun)
            numbers << rig.template child<QLabel>("LC")->text();
        return begun;
    }
    bool waiting = false;
    QStringList numbers;
};

} // namespace

class TestFileWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saveSwipes_data();
    void saveSwipes();
    void encodeRecords_data();
    void encodeRecords();
};

void TestFileWindows::saveSwipes_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<QString>("fault"); // of a card swiped before the deck
    QTest::addColumn<int>("cards");     // saved before Cancel
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QStringList>("numbers");
    const QStringList deck{"1", "2", "3", "4"};
    const QStringList again{"1", "1", "2", "3", "4"};
    for (const Set set : {Set::Lrq118, Set::Kvt380a}) {
        setRow(set, "Cancel before any card") << "" << 0 << QStringList() << QStringList{"1"};
        setRow(set, "three cards") << "" << 3 << QStringList() << deck;
        setRow(set, "a failed read") << "read" << 3 << QStringList{"Read Swipe Error: *"} << again;
    }
    // A track read as "*" is shown as read; nor is a KVT-380A answer kept that would not read
    // back as the same card.
    setRow(Set::Lrq118, "a damaged track")
        << "damaged" << 3 << QStringList{"Read Swipe Error: *"} << again;
    setRow(Set::Kvt380a, "a damaged track")
        << "damaged" << 3 << QStringList{"Read Swipe Error: BAD"} << again;
    setRow(Set::Kvt380a, "| in an answer")
        << "B|D" << 3 << QStringList{"Read Swipe Error: B|D"} << again;
}

void TestFileWindows::saveSwipes() {
    QFETCH(Set, set);
    QFETCH(QString, fault);
    QFETCH(int, cards);
    SaveRig rig(set);
    if (!fault.isEmpty())
        rig.model().insertCard(Card::fromTexts("BAD", "9", fault == u"damaged" ? "*" : "9"));
    if (fault == u"read")
        rig.model().failNextRead();
    else if (fault.contains(u'|'))
        rig.model().answerWrongly("Q", fault.toLatin1());
    QVERIFY(rig.recovery.start());
    Waits waits;
    rig.cancelWhen([&] {
        waits.begun(rig);
        return rig.state.SaveCardNumber == cards + 1 && rig.model().waitingForSwipe();
    });
    rig.window->run();

    QTEST(rig.errors, "errors");
    QTEST(waits.numbers, "numbers");
    const QByteArray saved = cards == 0 ? QByteArray() : DeckRecords;
    QCOMPARE(rig.state.SaveFileText, saved);
    QCOMPARE(RecoveryFile::pendingText(rig.recovery.path()), saved);
    QCOMPARE(rig.state.SaveCardNumber, cards + 1);
    // The last card's blank track 3 is stored and shown as "+", length 1.
    if (cards > 0)
        QCOMPARE(rig.tracks() + ' ' + rig.lengths(), "THREE|3|+ 5|1|1");
    QCOMPARE(rig.records.message(), QByteArray());
    // Closing: LRQ118 sends ESC a only, KVT-380A DEL.
    QVERIFY(sentHex(*rig.port).endsWith(set == Set::Lrq118 ? " 1b61" : " 7f"));
    QVERIFY(!rig.port->isOpen());
}

void TestFileWindows::encodeRecords_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("act");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QByteArrayList>("written");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<bool>("cancelled");
    const QByteArrayList deck{"ONE|1|11", "TWO|2|22", "THREE|3|"};
    const QStringList failed{"Write Swipe Error: *"};
    for (const Set set : {Set::Lrq118, Set::Kvt380a}) {
        setRow(set, "three records")
            << DeckRecords << "" << QStringList{"1", "2", "3"} << deck << QStringList() << false;
        setRow(set, "Skip on the second")
            << DeckRecords << "skip" << QStringList{"1", "2", "2"}
            << QByteArrayList{deck[0], deck[2]} << QStringList() << false;
        setRow(set, "a failed write, then a good one")
            << DeckRecords << "fail" << QStringList{"1", "1", "2", "3"} << deck << failed << false;
        setRow(set, "Cancel on the first") << DeckRecords << "cancel" << QStringList{"1"}
                                           << QByteArrayList() << QStringList() << true;
        setRow(set, "close box on the first") << DeckRecords << "close" << QStringList{"1"}
                                              << QByteArrayList() << QStringList() << true;
        setRow(set, "last line unended")
            << QByteArray("ONE|1|11\r\nTWO|2|22") << "" << QStringList{"1"} << deck.mid(0, 1)
            << QStringList() << false;
    }
    // A command the encoder refuses ends the run as the end of the file would.
    setRow(Set::Kvt380a, "refused")
        << DeckRecords << "refuse" << QStringList{"1"} << QByteArrayList() << failed << false;
}

void TestFileWindows::encodeRecords() {
    QFETCH(Set, set);
    QFETCH(QByteArray, file);
    QFETCH(QString, act);
    QFETCH(QStringList, numbers);
    ModelRig<cfrmEncodeRF> rig(set);
    rig.state.EncodeFileText = file;
    rig.state.EncodeFileCancelled = false;
    if (act == u"fail")
        rig.model().failNextWrite();
    if (act == u"refuse")
        rig.model().answerWrongly("@", "!");
    bool skipWasEnabled = false;
    Waits waits;
    rig.poll([&] {
        if (!waits.begun(rig))
            return false;
        rig.model().insertCard({});
        if (act == u"skip" && waits.numbers.size() == 2) {
            skipWasEnabled = rig.child("Command1_1")->isEnabled();
            rig.child("Command1_1")->click();
        } else if (act == u"cancel") {
            rig.cancelButton()->click();
        } else if (act == u"close") {
            rig.window->close();
        }
        return waits.numbers.size() == numbers.size();
    });
    rig.window->run();

    QCOMPARE(waits.numbers, numbers);
    QTEST(rig.written, "written");
    QTEST(rig.errors, "errors");
    QTEST(rig.state.EncodeFileCancelled, "cancelled");
    QCOMPARE(skipWasEnabled, act == u"skip");
    QVERIFY(!rig.child("Command1_1")->isEnabled());
    QCOMPARE(rig.records.message(), QByteArray());
    // The opening and the first record's write; closing sends DEL through SendAndWait in both
    // command sets, and an LRQ118 write cancelled while it waits for a card its ESC a.
    const QByteArray sent = sentHex(*rig.port);
    const bool lrq = set == Set::Lrq118;
    QVERIFY(sent.startsWith(lrq ? "1b61 1b5a3d163d 1b6ad24bd2 1b771b731b014f4e451b02311b0331313f1c"
                                : "7f 28 41 4f4e4504 42 3104 43 313104 40"));
    QVERIFY(sent.endsWith(lrq && rig.state.EncodeFileCancelled ? " 7f 1b61" : " 7f"));
    QVERIFY(!rig.port->isOpen());
}

QTEST_MAIN(TestFileWindows)
#include "tst_filewindows.moc"
