#include "FakeRecords.h"
#include "FakeTime.h"
#include "ModalWatcher.h"
#include "ModelPort.h"

#include "app/MainModule.h"
#include "iso/cfrmReadCard.h"
#include "iso/cfrmWriteCard.h"
#include "link/Waiter.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;
using Set = EncoderModel::CommandSet;

Q_DECLARE_METATYPE(Set)

namespace {

const QByteArray Success("\r\nSuccessful read from card swipe.");
const QByteArray WriteComplete("\r\nWrite complete.  Verify data accuracy before continue.");

// A read or write window with the virtual encoder behind its port, on the fake clock.
template <class Window> struct Rig {
    MainModule state;
    FakeClock clock;
    FakePump pump{clock};
    Waiter waiter{state, clock, pump};
    FakeRecords records;
    ModalWatcher watcher;
    ModelPort *port = nullptr;
    std::unique_ptr<Window> window;

    explicit Rig(Set set) {
        state.initialise();
        state.EmulationMode = set == Set::Kvt380a ? "KVT-380A" : "LRQ118";
        state.CommPort = "1";
        state.CommSettings = "9600,o,7,1";
        const PromptWindow::Context context{state, waiter, records, [this, set](QObject *parent) {
                                                port = new ModelPort(clock, set);
                                                port->setParent(parent);
                                                return port;
                                            }};
        window = std::make_unique<Window>(context);
        watcher.leaveAlone = window.get();
        model().setAutoSwipe(300ms);
    }

    EncoderModel &model() { return port->model(); }
    QString cardNumber() const { return window->template findChild<QLabel *>("LC")->text(); }
    // Runs action on the first poll at which done() holds.
    void when(std::function<bool()> done, std::function<void()> action) {
        pump.after(5ms, [this, done, action] {
            if (done())
                action();
            else
                when(done, action);
        });
    }
    void cancelWhen(std::function<bool()> done) {
        when(done, [this] { window->template findChild<QPushButton *>("Command1_0")->click(); });
    }
    QStringList errorWindows() const {
        QStringList titles;
        for (const ModalWatcher::Seen &s : watcher.seen)
            titles << s.title;
        return titles;
    }
};

Card card(const QByteArray &t1, const QByteArray &t2, const QByteArray &t3) {
    return Card::fromTexts(t1, t2, t3);
}

} // namespace

class TestReadWrite : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bothSets_data();
    void readsCardsUntilCancel_data() { bothSets_data(); }
    void readsCardsUntilCancel();
    void readFailures_data();
    void readFailures();
    void cancelWhileWaitingSendsClosingFrames_data();
    void cancelWhileWaitingSendsClosingFrames();
    void writeCopiesInputToOutput_data() { bothSets_data(); }
    void writeCopiesInputToOutput();
    void writeFailures_data();
    void writeFailures();
    void refusedOpeningShowsReadError();
};

void TestReadWrite::bothSets_data() {
    QTest::addColumn<Set>("set");
    QTest::newRow("LRQ118") << Set::Lrq118;
    QTest::newRow("KVT-380A") << Set::Kvt380a;
}

void TestReadWrite::readsCardsUntilCancel() {
    QFETCH(Set, set);
    Rig<cfrmReadCard> rig(set);
    rig.model().setAutoSwipe(1200ms);
    rig.model().setDeck({card("ONE", "1", "11"), card("TWO", "2", "22"), card("THREE", "", "33")});
    QByteArrayList messages;
    rig.cancelWhen([&rig, &messages] {
        messages << rig.records.message();
        return rig.cardNumber() == QLatin1String("4");
    });
    rig.window->run();

    QCOMPARE(rig.records.track(3), QByteArray("THREE"));
    // A blank track shows "+" with length 0 and still counts as read.
    QCOMPARE(rig.records.track(4), QByteArray("+"));
    QCOMPARE(rig.records.length(4), QByteArray("0"));
    QCOMPARE(rig.records.length(5), QByteArray("2"));
    QCOMPARE(messages.last(), Success);
    QCOMPARE(rig.records.message(), QByteArray()); // cleared when the window closed
    QVERIFY(rig.errorWindows().isEmpty());
    QVERIFY(!rig.port->isOpen());
}

void TestReadWrite::readFailures_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<bool>("damagedTrack"); // else the whole read fails
    QTest::addColumn<QByteArray>("shownTrack1");
    QTest::newRow("LRQ118 failed read") << Set::Lrq118 << false << QByteArray("*");
    QTest::newRow("KVT-380A failed read") << Set::Kvt380a << false << QByteArray("*");
    QTest::newRow("KVT-380A damaged track 3") << Set::Kvt380a << true << QByteArray("ABC");
}

void TestReadWrite::readFailures() {
    QFETCH(Set, set);
    QFETCH(bool, damagedTrack);
    Rig<cfrmReadCard> rig(set);
    Card bad = card("ABC", "123", "");
    if (damagedTrack)
        bad.tracks[2] = Track::damaged();
    else
        rig.model().failNextRead();
    rig.model().insertCard(bad);
    QByteArray shown;
    QString numberAfterError;
    rig.cancelWhen([&] {
        if (rig.watcher.seen.isEmpty())
            return false;
        shown = rig.records.track(3);
        numberAfterError = rig.cardNumber();
        return true;
    });
    rig.window->run();

    QCOMPARE(rig.errorWindows(), QStringList{QStringLiteral("Read Swipe Error")});
    QCOMPARE(rig.watcher.seen[0].text, QStringLiteral("Read error!  Please try again."));
    QTEST(shown, "shownTrack1");
    QCOMPARE(numberAfterError, QStringLiteral("1"));
    if (set == Set::Lrq118) // error indication on, off, then ready again
        QVERIFY(rig.port->sent().contains(QByteArray::fromHex("1b851b811b83")));
}

void TestReadWrite::cancelWhileWaitingSendsClosingFrames_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<QByteArray>("closing");
    QTest::newRow("LRQ118") << Set::Lrq118 << QByteArray::fromHex("1b611b811b83");
    QTest::newRow("KVT-380A") << Set::Kvt380a << QByteArray::fromHex("7f");
}

void TestReadWrite::cancelWhileWaitingSendsClosingFrames() {
    QFETCH(Set, set);
    QFETCH(QByteArray, closing);
    Rig<cfrmReadCard> rig(set);
    rig.model().setAutoSwipe(std::nullopt);
    rig.records.setMessage("old");
    rig.cancelWhen([&rig] { return rig.model().waitingForSwipe(); });
    rig.window->run();

    QVERIFY(rig.errorWindows().isEmpty());
    QVERIFY(rig.port->sent().endsWith(closing));
    QCOMPARE(rig.records.message(), QByteArray());
    QVERIFY(!rig.port->isOpen());
}

void TestReadWrite::writeCopiesInputToOutput() {
    QFETCH(Set, set);
    Rig<cfrmWriteCard> rig(set);
    rig.records.setTrack(0, "ABC");
    rig.records.setTrack(2, "+");
    QByteArray messageAfterCard;
    rig.cancelWhen([&] {
        messageAfterCard = rig.records.message();
        return rig.window->cardNumber() == 2;
    });
    rig.window->run();

    QCOMPARE(messageAfterCard, WriteComplete);
    const QByteArrayList shown{rig.records.track(3), rig.records.track(4), rig.records.track(5)};
    QCOMPARE(shown, (QByteArrayList{"ABC", "", "+"}));
    const QByteArrayList lengths{rig.records.length(3), rig.records.length(4),
                                 rig.records.length(5)};
    QCOMPARE(lengths, (QByteArrayList{"3", "0", "1"}));
    QCOMPARE(rig.model().card().tracks[0].data, QByteArray("ABC"));
    QVERIFY(rig.errorWindows().isEmpty());
}

void TestReadWrite::writeFailures_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<QByteArray>("track1");
    QTest::addColumn<bool>("windowGoesOn");
    // A failed card is offered again; a refused command ends the window.
    QTest::newRow("LRQ118 failed") << Set::Lrq118 << QByteArray("ABC") << true;
    QTest::newRow("KVT-380A failed") << Set::Kvt380a << QByteArray("ABC") << true;
    // Track 1 holds no lower case: the encoder refuses the text when it arrives.
    QTest::newRow("KVT-380A refused") << Set::Kvt380a << QByteArray("abc") << false;
}

void TestReadWrite::writeFailures() {
    QFETCH(Set, set);
    QFETCH(QByteArray, track1);
    QFETCH(bool, windowGoesOn);
    Rig<cfrmWriteCard> rig(set);
    rig.records.setTrack(0, track1);
    rig.model().failNextWrite();
    QByteArray shownAfterError;
    rig.when([&rig] { return !rig.watcher.seen.isEmpty(); },
             [&] { shownAfterError = rig.records.track(3); });
    if (windowGoesOn)
        rig.cancelWhen([&rig] { return rig.window->cardNumber() == 2; });
    rig.window->run();

    QCOMPARE(rig.errorWindows(), QStringList{QStringLiteral("Write Swipe Error")});
    QCOMPARE(rig.watcher.seen[0].text, QStringLiteral("Write error!  Please try again."));
    QCOMPARE(shownAfterError, QByteArray("*"));
    QCOMPARE(rig.window->cardNumber(), windowGoesOn ? 2 : 1);
    QCOMPARE(rig.model().card().tracks[0].data, windowGoesOn ? track1 : QByteArray());
}

void TestReadWrite::refusedOpeningShowsReadError() {
    Rig<cfrmWriteCard> rig(Set::Kvt380a);
    rig.records.setTrack(0, "ABC");
    rig.model().answerWrongly("(", "!");
    rig.window->run();

    QCOMPARE(rig.errorWindows(), QStringList{QStringLiteral("Read Swipe Error")});
    // Ready off after the refusal, then the error indication on and off, then DEL on closing.
    QCOMPARE(rig.port->sent(), QByteArray("\x7F(LlMm\x7F"));
}

QTEST_MAIN(TestReadWrite)
#include "tst_readwrite.moc"
