#include "FakeLink.h"
#include "ModalWatcher.h"
#include "ModelPort.h"

#include "app/MainModule.h"
#include "iso/RecoveryFile.h"
#include "iso/cfrmEncodeRF.h"
#include "iso/cfrmEncodeWF.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <type_traits>

using namespace std::chrono_literals;
using Set = EncoderModel::CommandSet;

Q_DECLARE_METATYPE(Set)

namespace {

const QList<Card> Deck = {Card::fromTexts("ONE", "1", "11"), Card::fromTexts("TWO", "2", "22"),
                          Card::fromTexts("THREE", "3", "")};
const QByteArray DeckRecords = "ONE|1|11\r\nTWO|2|22\r\nTHREE|3|+\r\n";
const QByteArray EscA = QByteArray::fromHex("1b61");
const QByteArray Del = QByteArray::fromHex("7f");

// A file window with the virtual encoder behind its port, on the fake clock.
template <class Window> struct Rig : FakeLink {
    ModalWatcher watcher;
    ModelPort *port = nullptr;
    QTemporaryDir folder;
    RecoveryFile recovery{folder.path()};
    std::unique_ptr<Window> window;
    // Each message window, with the output record's track 1 as it was then.
    QStringList errors;
    // LC each time the encoder began to wait for a card.
    QStringList numbers;
    // Each card the encoder wrote, its tracks apart by "|".
    QByteArrayList written;

    explicit Rig(Set set) : FakeLink(set == Set::Kvt380a ? "KVT-380A" : "LRQ118") {
        const PortFactory factory = [this, set](QObject *parent) {
            port = new ModelPort(clock, set);
            port->setParent(parent);
            return port;
        };
        if constexpr (std::is_same_v<Window, cfrmEncodeWF>)
            window = std::make_unique<Window>(context(factory), recovery);
        else
            window = std::make_unique<Window>(context(factory));
        watcher.leaveAlone = window.get();
        watcher.inspect = [this](QWidget *error) {
            errors << error->windowTitle() + ": " + QString::fromLatin1(records.track(3));
        };
        model().setAutoSwipe(300ms);
        model().setWrittenSink([this](const Card &card) {
            written << card.tracks[0].data + '|' + card.tracks[1].data + '|' + card.tracks[2].data;
        });
    }

    EncoderModel &model() { return port->model(); }
    QPushButton *button(const char *name) {
        return window->template findChild<QPushButton *>(name);
    }

    // Every 5 ms: notes LC when the encoder has begun to wait for a card, and puts a blank
    // card in the slot, then runs act, until act says it is done.
    void watch(std::function<bool(bool waitBegun)> act, bool waiting = false) {
        pump.after(5ms, [this, act, waiting] {
            const bool now = model().waitingForSwipe();
            if (now && !waiting) {
                numbers << window->template findChild<QLabel *>("LC")->text();
                if constexpr (std::is_same_v<Window, cfrmEncodeRF>)
                    model().insertCard({});
            }
            if (!act(now && !waiting))
                watch(act, now);
        });
    }
};

} // namespace

class TestFileWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saveSwipes_data();
    void saveSwipes();
    void encodeRecords_data();
    void encodeRecords();
    void encodeOpening_data();
    void encodeOpening();
};

void TestFileWindows::saveSwipes_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<QString>("fault"); // of a card swiped before the deck
    QTest::addColumn<int>("cards");     // saved before Cancel
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QStringList>("numbers");
    const QStringList none;
    const QStringList deck{"1", "2", "3", "4"};
    const QStringList again{"1", "1", "2", "3", "4"};
    for (const Set set : {Set::Lrq118, Set::Kvt380a}) {
        const char *name = set == Set::Lrq118 ? "LRQ118" : "KVT-380A";
        QTest::addRow("%s, Cancel before any card", name)
            << set << "" << 0 << none << deck.mid(0, 1);
        QTest::addRow("%s, three cards", name) << set << "" << 3 << none << deck;
        QTest::addRow("%s, a failed read", name)
            << set << "read" << 3 << QStringList{"Read Swipe Error: *"} << again;
    }
    // A track read as "*" is shown as read; nor is a KVT-380A answer kept that would not read
    // back as the same card, or that the encode check would refuse.
    QTest::newRow("LRQ118, a damaged track")
        << Set::Lrq118 << "damaged" << 3 << QStringList{"Read Swipe Error: *"} << again;
    QTest::newRow("KVT-380A, a damaged track")
        << Set::Kvt380a << "damaged" << 3 << QStringList{"Read Swipe Error: BAD"} << again;
    QTest::newRow("KVT-380A, | in an answer")
        << Set::Kvt380a << "B|D" << 3 << QStringList{"Read Swipe Error: B|D"} << again;
    QTest::newRow("KVT-380A, line end in an answer")
        << Set::Kvt380a << "B\r\nD" << 3 << QStringList{"Read Swipe Error: B\r\nD"} << again;
    QTest::newRow("KVT-380A, lower case in an answer")
        << Set::Kvt380a << "bad" << 3 << QStringList{"Read Swipe Error: bad"} << again;
}

void TestFileWindows::saveSwipes() {
    QFETCH(Set, set);
    QFETCH(QString, fault);
    QFETCH(int, cards);
    Rig<cfrmEncodeWF> rig(set);
    rig.model().setDeck(Deck);
    if (!fault.isEmpty())
        rig.model().insertCard(Card::fromTexts("BAD", "9", fault == u"damaged" ? "*" : "9"));
    if (fault == u"read")
        rig.model().failNextRead();
    else if (!fault.isEmpty() && fault != u"damaged")
        rig.model().answerWrongly("Q", fault.toLatin1());
    QVERIFY(rig.recovery.start());
    rig.watch([&](bool) {
        if (rig.state.SaveCardNumber != cards + 1 || !rig.model().waitingForSwipe())
            return false;
        rig.button("Command1_0")->click();
        return true;
    });
    rig.window->run();

    QTEST(rig.errors, "errors");
    QTEST(rig.numbers, "numbers");
    const QByteArray saved = DeckRecords.left(cards == 0 ? 0 : DeckRecords.size());
    QCOMPARE(rig.state.SaveFileText, saved);
    QCOMPARE(RecoveryFile::pendingText(rig.recovery.path()), saved);
    QCOMPARE(rig.state.SaveCardNumber, cards + 1);
    if (cards > 0) {
        // The last card's blank track 3 is stored and shown as "+", length 1.
        QCOMPARE(rig.records.track(5), QByteArray("+"));
        QCOMPARE(rig.records.length(5), QByteArray("1"));
    }
    QCOMPARE(rig.records.message(), QByteArray());
    // Closing: LRQ118 sends ESC a only, KVT-380A DEL.
    QCOMPARE(rig.port->sends().last().toHex(' '), (set == Set::Lrq118 ? EscA : Del).toHex(' '));
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
    const QByteArray lfOnly = QByteArray(DeckRecords).replace("\r\n", "\n");
    const QByteArrayList deck{"ONE|1|11", "TWO|2|22", "THREE|3|"};
    const QStringList none;
    const QStringList failed{"Write Swipe Error: *"};
    for (const Set set : {Set::Lrq118, Set::Kvt380a}) {
        const char *name = set == Set::Lrq118 ? "LRQ118" : "KVT-380A";
        const auto row = [&](const char *what) -> QTestData & {
            return QTest::addRow("%s, %s", name, what) << set;
        };
        row("three records") << DeckRecords << "" << QStringList{"1", "2", "3"} << deck << none
                             << false;
        row("LF line ends") << lfOnly << "" << QStringList{"1", "2", "3"} << deck << none << false;
        row("Skip on the second") << DeckRecords << "skip" << QStringList{"1", "2", "2"}
                                  << QByteArrayList{deck[0], deck[2]} << none << false;
        row("a failed write, then a good one")
            << DeckRecords << "fail" << QStringList{"1", "1", "2", "3"} << deck << failed << false;
        row("Cancel on the first")
            << DeckRecords << "cancel" << QStringList{"1"} << QByteArrayList() << none << true;
        row("close box on the first")
            << DeckRecords << "close" << QStringList{"1"} << QByteArrayList() << none << true;
        row("last line unended") << QByteArray("ONE|1|11\r\nTWO|2|22") << "" << QStringList{"1"}
                                 << deck.mid(0, 1) << none << false;
    }
    // A command the encoder refuses ends the run as the end of the file would.
    QTest::newRow("KVT-380A, refused") << Set::Kvt380a << DeckRecords << "refuse"
                                       << QStringList{"1"} << QByteArrayList() << failed << false;
}

void TestFileWindows::encodeRecords() {
    QFETCH(Set, set);
    QFETCH(QByteArray, file);
    QFETCH(QString, act);
    QFETCH(QStringList, numbers);
    Rig<cfrmEncodeRF> rig(set);
    rig.state.EncodeFileText = file;
    rig.state.EncodeFileCancelled = false;
    if (act == u"fail")
        rig.model().failNextWrite();
    if (act == u"refuse")
        rig.model().answerWrongly("@", "!");
    bool skipWasEnabled = false;
    rig.watch([&](bool waitBegun) {
        if (!waitBegun)
            return false;
        if (act == u"skip" && rig.numbers.size() == 2) {
            QPushButton *skip = rig.button("Command1_1");
            skipWasEnabled = skip->isEnabled();
            skip->click();
        } else if (act == u"cancel") {
            rig.button("Command1_0")->click();
        } else if (act == u"close") {
            rig.window->close();
        }
        return rig.numbers.size() == numbers.size();
    });
    rig.window->run();

    QCOMPARE(rig.numbers, numbers);
    QTEST(rig.written, "written");
    QTEST(rig.errors, "errors");
    QTEST(rig.state.EncodeFileCancelled, "cancelled");
    QCOMPARE(skipWasEnabled, act == u"skip");
    QVERIFY(!rig.button("Command1_1")->isEnabled());
    QCOMPARE(rig.records.message(), QByteArray());
    // Closing sends DEL through SendAndWait in both command sets; an LRQ118 write cancelled
    // while it waits for a card then sends its ESC a.
    QByteArrayList closing{Del};
    if (set == Set::Lrq118 && rig.state.EncodeFileCancelled)
        closing << EscA;
    QCOMPARE(rig.port->sends().mid(rig.port->sends().size() - closing.size()), closing);
    QVERIFY(!rig.port->isOpen());
}

// The opening of both command sets, and a record whose track 3 is "+": only tracks 1 and 2
// are written.
void TestFileWindows::encodeOpening_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<QByteArray>("sent"); // hex, up to the swipe
    QTest::newRow("LRQ118") << Set::Lrq118
                            << QByteArray("1b 61 1b 5a 3d 16 3d 1b 6a d2 4b d2 "
                                          "1b 77 1b 73 1b 01 41 1b 02 31 1b 03 3f 1c");
    QTest::newRow("KVT-380A") << Set::Kvt380a << QByteArray("7f 28 41 41 04 42 31 04 40");
}

void TestFileWindows::encodeOpening() {
    QFETCH(Set, set);
    QFETCH(QByteArray, sent);
    Rig<cfrmEncodeRF> rig(set);
    rig.state.EncodeFileText = "A|1|+\r\n";
    QByteArray beforeSwipe;
    rig.watch([&](bool waitBegun) {
        if (waitBegun)
            beforeSwipe = rig.port->sent();
        return waitBegun;
    });
    rig.window->run();

    QCOMPARE(beforeSwipe.toHex(' '), sent);
    QCOMPARE(rig.written, QByteArrayList{"A|1|"});
    QCOMPARE(rig.records.track(5), QByteArray("+"));
    QCOMPARE(rig.records.length(5), QByteArray("1"));
    QVERIFY(!rig.state.EncodeFileCancelled);
}

QTEST_MAIN(TestFileWindows)
#include "tst_filewindows.moc"
