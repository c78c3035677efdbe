#include "FakeLink.h"
#include "ModalWatcher.h"
#include "ModelPort.h"

#include "link/NonIsoFrames.h"
#include "nonstd/nfrmReadCard.h"
#include "nonstd/nfrmReadStdFmt.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;
using Set = EncoderModel::CommandSet;
namespace Format = NonIsoFrames::Format;

Q_DECLARE_METATYPE(Set)

namespace {

using Formats = std::array<QByteArray, 3>;

const Formats IsoFormats = {Format::StdT1, Format::StdT2, Format::StdT3};

// What a result window showed: its caption, then per track the caption, the box and the
// count, as "Track 1 Data (7-Bit Character)|ABC|3".
struct Shown {
    QString caption;
    QStringList tracks;
};

Shown shownBy(QWidget *window) {
    Shown shown{window->windowTitle(), {}};
    for (int i = 0; i < 3; ++i) {
        const QString n = QString::number(i);
        shown.tracks << window->findChild<QLabel *>("Label1_" + n)->text() + "|" +
                            window->findChild<QPlainTextEdit *>("TIT_" + n)->toPlainText() + "|" +
                            window->findChild<QLabel *>("LT_" + n)->text();
    }
    return shown;
}

// The read prompt with the virtual encoder behind its port, on the fake clock, in the
// Non-ISO command with a format choice made.
struct Rig : FakeLink {
    ModalWatcher watcher;
    ModelPort *port = nullptr;
    std::unique_ptr<nfrmReadCard> window;
    QList<Shown> results;
    QStringList errors;
    // Whether the encoder's error indication was on while each error window showed.
    QList<bool> errorLit;

    Rig(Set set, bool standard, const Formats &formats)
        : FakeLink(set == Set::Kvt380a ? "KVT-380A" : "LRQ118") {
        state.NonIsoMode = true;
        state.NonIsoStdFormat = standard;
        state.NonIsoT1Format = formats[0];
        state.NonIsoT2Format = formats[1];
        state.NonIsoT3Format = formats[2];
        window = std::make_unique<nfrmReadCard>(context([this, set](QObject *parent) {
            port = new ModelPort(clock, set);
            port->setParent(parent);
            return port;
        }));
        watcher.leaveAlone = window.get();
        watcher.inspect = [this](QWidget *modal) {
            if (qobject_cast<nfrmReadStdFmt *>(modal) != nullptr) {
                results << shownBy(modal);
                return;
            }
            errors << modal->windowTitle();
            errorLit << model().indicators().error;
        };
        // Later than the 0.5 s a standard KVT-380A read waits after the answer to P.
        model().setAutoSwipe(800ms);
    }

    EncoderModel &model() { return port->model(); }
    // Presses Cancel on the first poll at which done() holds.
    void cancelWhen(std::function<bool()> done) {
        pump.after(5ms, [this, done] {
            if (done())
                window->findChild<QPushButton *>("Command1_0")->click();
            else
                cancelWhen(done);
        });
    }
};

} // namespace

Q_DECLARE_METATYPE(Formats)

class TestNonIsoRead : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsUntilCancel_data();
    void readsUntilCancel();
    void failedReadShowsReadError_data();
    void failedReadShowsReadError();
    void resetAnsweredWronglyEndsTheWindow();
};

void TestNonIsoRead::readsUntilCancel_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<bool>("standard");
    QTest::addColumn<Formats>("formats");
    QTest::addColumn<QByteArrayList>("card"); // the deck's first card; the others are like it
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("tracks");
    const QString ascii = nfrmReadStdFmt::StandardCaption;
    const QString hex = nfrmReadStdFmt::CustomCaption;
    QTest::newRow("LRQ118, ISO formats, track 2 blank")
        << Set::Lrq118 << true << IsoFormats << QByteArrayList{"ABC", "+", "9876"} << ascii
        << QStringList{"Track 1 Data (7-Bit Character)|ABC|3", "Track 2 Data (5-Bit Character)|+|0",
                       "Track 3 Data (5-Bit Character)|9876|4"};
    QTest::newRow("KVT-380A, T1 on track 3, T3 on track 1")
        << Set::Kvt380a << true << Formats{Format::StdT3, Format::StdT2, Format::StdT1}
        << QByteArrayList{"{t3}12", "+", "{t1}XY Z"} << ascii
        << QStringList{"Track 1 Data (5-Bit Character)|12|2", "Track 2 Data (5-Bit Character)|+|0",
                       "Track 3 Data (7-Bit Character)|XY Z|4"};
    QTest::newRow("KVT-380A custom: blank, values, unreadable")
        << Set::Kvt380a << false << Formats{Format::Custom5, Format::Custom6, Format::Custom7}
        << QByteArrayList{"+", "{6}01 02 03", "*"} << hex
        << QStringList{"Track 1 Data (5-Bit Character)||0",
                       "Track 2 Data (6-Bit Character)|01 02 03 |3",
                       "Track 3 Data (7-Bit Character)|2A |1"};
}

// Three cards read, each shown in the result window; Cancel while the fourth is awaited
// shows no error window, sends the closing frames and closes the port.
void TestNonIsoRead::readsUntilCancel() {
    QFETCH(Set, set);
    QFETCH(bool, standard);
    QFETCH(Formats, formats);
    QFETCH(QByteArrayList, card);
    Rig rig(set, standard, formats);
    const Card first = Card::fromTexts(card[0], card[1], card[2]);
    rig.model().setDeck({first, first, first});
    rig.cancelWhen([&] { return rig.window->cardNumber() == 4 && rig.model().waitingForSwipe(); });
    rig.window->run();

    QCOMPARE(rig.errors, QStringList());
    QCOMPARE(rig.results.size(), 3);
    for (const Shown &shown : std::as_const(rig.results)) {
        QTEST(shown.caption, "caption");
        QTEST(shown.tracks, "tracks");
    }
    for (const ModalWatcher::Seen &seen : std::as_const(rig.watcher.seen))
        QCOMPARE(seen.focus, "Command1_0");
    QCOMPARE(rig.window->findChild<QLabel *>("LC")->text(), "4");
    const QByteArray closing = QByteArray::fromHex(set == Set::Lrq118 ? "1b611b811b83" : "7f");
    QVERIFY(rig.port->sent().endsWith(closing));
    QVERIFY(!rig.port->isOpen());
    QVERIFY(!rig.window->isVisible());
}

void TestNonIsoRead::failedReadShowsReadError_data() {
    QTest::addColumn<Set>("set");
    QTest::newRow("LRQ118, bad reply") << Set::Lrq118;
    QTest::newRow("KVT-380A, P unanswered") << Set::Kvt380a;
}

// The error window shows with the error indication on, the card number stays, and the next
// card is read.
void TestNonIsoRead::failedReadShowsReadError() {
    QFETCH(Set, set);
    Rig rig(set, true, IsoFormats);
    rig.model().setDeck({Card::fromTexts("ONE", "1", "11")});
    if (set == Set::Kvt380a)
        rig.model().answerWrongly("P", {});
    else
        rig.model().failNextRead();
    rig.cancelWhen([&] { return rig.window->cardNumber() == 2 && rig.model().waitingForSwipe(); });
    rig.window->run();

    QCOMPARE(rig.errors, QStringList{"Non-ISO Read Swipe Error"});
    QCOMPARE(rig.errorLit, QList<bool>{true});
    QVERIFY(!rig.model().indicators().error);
    QCOMPARE(rig.results.size(), 1);
    QCOMPARE(rig.results[0].tracks[0], "Track 1 Data (7-Bit Character)|ONE|3");
}

void TestNonIsoRead::resetAnsweredWronglyEndsTheWindow() {
    Rig rig(Set::Kvt380a, true, IsoFormats);
    rig.model().answerWrongly(QByteArray::fromHex("7f"), "^");
    rig.window->run();

    QCOMPARE(rig.errors, QStringList{"Non-ISO Read Swipe Error"});
    QCOMPARE(rig.results.size(), 0);
    // The reset, then the closing reset: nothing was read.
    QCOMPARE(rig.port->sent().toHex(' '), "7f 7f");
    QVERIFY(!rig.port->isOpen());
}

QTEST_MAIN(TestNonIsoRead)
#include "tst_nonisoread.moc"
