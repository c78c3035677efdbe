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
    void readsCardsUntilCancel_data();
    void readsCardsUntilCancel();
    void blankTrackCountsAsRead_data();
    void blankTrackCountsAsRead();
    void unreadableTrackShowsErrorWindow();
    void failedReadShowsStars_data();
    void failedReadShowsStars();
    void cancelWhileWaitingSendsClosingFrames_data();
    void cancelWhileWaitingSendsClosingFrames();
    void writeCopiesInputToOutput_data();
    void writeCopiesInputToOutput();
    void failedWriteRepeatsTheCard_data();
    void failedWriteRepeatsTheCard();
    void refusedWriteCommandEndsTheWindow();
    void vanishedPortClosesTheWindow_data();
    void vanishedPortClosesTheWindow();
    void refusedOpeningShowsReadError();
};

void TestReadWrite::readsCardsUntilCancel_data() {
    QTest::addColumn<Set>("set");
    QTest::newRow("LRQ118") << Set::Lrq118;
    QTest::newRow("KVT-380A") << Set::Kvt380a;
}

void TestReadWrite::readsCardsUntilCancel() {
    QFETCH(Set, set);
    Rig<cfrmReadCard> rig(set);
    rig.model().setAutoSwipe(1200ms);
    rig.model().setDeck({card("ONE", "1", "11"), card("TWO", "2", "22"), card("THREE", "3", "33")});
    rig.cancelWhen([&rig] { return rig.cardNumber() == QLatin1String("4"); });
    rig.window->run();

    QCOMPARE(rig.cardNumber(), QStringLiteral("4"));
    QCOMPARE(rig.records.track(3), QByteArray("THREE"));
    QCOMPARE(rig.records.track(4), QByteArray("3"));
    QCOMPARE(rig.records.track(5), QByteArray("33"));
    QCOMPARE(rig.state.Track1Data, QByteArray("THREE"));
    QCOMPARE(rig.records.length(3), QByteArray("5"));
    // The success message stood after each card; closing cleared it.
    QCOMPARE(rig.records.message(), QByteArray());
    QVERIFY(rig.errorWindows().isEmpty());
    QVERIFY(!rig.port->isOpen());
}

void TestReadWrite::blankTrackCountsAsRead_data() {
    readsCardsUntilCancel_data();
}

void TestReadWrite::blankTrackCountsAsRead() {
    QFETCH(Set, set);
    Rig<cfrmReadCard> rig(set);
    rig.model().insertCard(card("ABC", "", "123"));
    QByteArray messageAfterCard;
    rig.cancelWhen([&] {
        messageAfterCard = rig.records.message();
        return rig.cardNumber() == QLatin1String("2");
    });
    rig.window->run();

    QCOMPARE(messageAfterCard, Success);
    QCOMPARE(rig.records.track(4), QByteArray("+"));
    QCOMPARE(rig.records.length(4), QByteArray("0"));
    QCOMPARE(rig.records.length(5), QByteArray("3"));
    QVERIFY(rig.errorWindows().isEmpty());
}

void TestReadWrite::unreadableTrackShowsErrorWindow() {
    Rig<cfrmReadCard> rig(Set::Kvt380a);
    Card damaged = card("ABC", "123", "");
    damaged.tracks[2] = Track::damaged();
    rig.model().insertCard(damaged);
    rig.cancelWhen([&rig] { return !rig.watcher.seen.isEmpty(); });
    rig.window->run();

    QCOMPARE(rig.errorWindows(), QStringList{QStringLiteral("Read Swipe Error")});
    QCOMPARE(rig.watcher.seen[0].text, QStringLiteral("Read error!  Please try again."));
    QCOMPARE(rig.records.track(3), QByteArray("ABC"));
    QCOMPARE(rig.records.track(5), QByteArray("*"));
    QCOMPARE(rig.records.length(5), QByteArray("1"));
    QCOMPARE(rig.cardNumber(), QStringLiteral("1"));
}

void TestReadWrite::failedReadShowsStars_data() {
    readsCardsUntilCancel_data();
}

void TestReadWrite::failedReadShowsStars() {
    QFETCH(Set, set);
    Rig<cfrmReadCard> rig(set);
    rig.model().insertCard(card("ABC", "123", ""));
    rig.model().failNextRead();
    QByteArray messageAfterFailure = "unset";
    rig.cancelWhen([&] {
        if (rig.watcher.seen.size() == 1 && messageAfterFailure == "unset")
            messageAfterFailure = rig.records.message();
        return rig.cardNumber() == QLatin1String("2");
    });
    rig.window->run();

    QCOMPARE(rig.errorWindows(), QStringList{QStringLiteral("Read Swipe Error")});
    // The next card was read without opening the window's exchange again.
    QCOMPARE(rig.records.track(3), QByteArray("ABC"));
    QCOMPARE(rig.port->opens(), 1);
    if (set == Set::Lrq118) {
        QCOMPARE(rig.port->sent().count(QByteArray::fromHex("1b84")), 1);
        // Error indication on, off, then ready again.
        QVERIFY(rig.port->sent().contains(QByteArray::fromHex("1b851b811b83")));
    }
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
    QVERIFY(rig.state.CancelRequested);
}

void TestReadWrite::writeCopiesInputToOutput_data() {
    readsCardsUntilCancel_data();
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
    QCOMPARE(rig.records.track(3), QByteArray("ABC"));
    QCOMPARE(rig.records.track(4), QByteArray());
    QCOMPARE(rig.records.track(5), QByteArray("+"));
    QCOMPARE(rig.records.length(3), QByteArray("3"));
    QCOMPARE(rig.records.length(4), QByteArray("0"));
    QCOMPARE(rig.records.length(5), QByteArray("1"));
    QCOMPARE(rig.model().card().tracks[0].data, QByteArray("ABC"));
    QVERIFY(rig.errorWindows().isEmpty());
}

void TestReadWrite::failedWriteRepeatsTheCard_data() {
    readsCardsUntilCancel_data();
}

void TestReadWrite::failedWriteRepeatsTheCard() {
    QFETCH(Set, set);
    Rig<cfrmWriteCard> rig(set);
    rig.records.setTrack(1, "1234");
    rig.model().failNextWrite();
    rig.cancelWhen([&rig] { return rig.window->cardNumber() == 2; });
    rig.window->run();

    QCOMPARE(rig.errorWindows(), QStringList{QStringLiteral("Write Swipe Error")});
    QCOMPARE(rig.watcher.seen[0].text, QStringLiteral("Write error!  Please try again."));
    QCOMPARE(rig.model().card().tracks[1].data, QByteArray("1234"));
    QCOMPARE(rig.records.track(4), QByteArray("1234"));
}

void TestReadWrite::refusedWriteCommandEndsTheWindow() {
    Rig<cfrmWriteCard> rig(Set::Kvt380a);
    // Track 1 holds no lower case: the encoder refuses the text when it arrives.
    rig.records.setTrack(0, "abc");
    rig.window->run(); // ends by itself

    QCOMPARE(rig.errorWindows(), QStringList{QStringLiteral("Write Swipe Error")});
    QCOMPARE(rig.records.track(3), QByteArray("*"));
    QCOMPARE(rig.records.length(3), QByteArray("0"));
    QCOMPARE(rig.window->cardNumber(), 1);
    QVERIFY(!rig.port->isOpen());
}

void TestReadWrite::vanishedPortClosesTheWindow_data() {
    readsCardsUntilCancel_data();
}

void TestReadWrite::vanishedPortClosesTheWindow() {
    QFETCH(Set, set);
    Rig<cfrmReadCard> rig(set);
    rig.model().setAutoSwipe(std::nullopt);
    rig.when([&rig] { return rig.model().waitingForSwipe(); }, [&rig] { rig.port->vanish(); });
    rig.window->run(); // ends by itself

    QCOMPARE(rig.watcher.seen.size(), 1);
    QCOMPARE(rig.watcher.seen[0].icon, QMessageBox::Warning);
    QVERIFY2(rig.watcher.seen[0].text.contains(QLatin1String("port")),
             qPrintable(rig.watcher.seen[0].text));
    QVERIFY(!rig.window->isVisible());
}

void TestReadWrite::refusedOpeningShowsReadError() {
    Rig<cfrmWriteCard> rig(Set::Kvt380a);
    rig.records.setTrack(0, "ABC");
    rig.model().answerWrongly("(", "!");
    rig.window->run();

    QCOMPARE(rig.errorWindows(), QStringList{QStringLiteral("Read Swipe Error")});
    // Ready off after the refusal, then the error indication on and off, then DEL on closing.
    QCOMPARE(rig.port->sent(), QByteArray("\x7F(LlMm\x7F"));
    QVERIFY(rig.model().card().tracks[0].data.isEmpty());
}

QTEST_MAIN(TestReadWrite)
#include "tst_readwrite.moc"
