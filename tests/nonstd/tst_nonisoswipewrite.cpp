#include "FakeLink.h"
#include "ModalWatcher.h"
#include "ModelPort.h"
#include "NonIsoChoice.h"

#include "link/NonIsoFrames.h"
#include "nonstd/nfrmSwipeWrite.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;
using Set = EncoderModel::CommandSet;
namespace Format = NonIsoFrames::Format;

Q_DECLARE_METATYPE(Set)

namespace {

using Texts = std::array<QByteArray, 3>;

const QByteArray D210 = NonIsoFrames::Density::Bpi210;

// What the format, density and entry windows leave in the shared state for a write.
struct Write {
    NonIsoChoice choice;
    Texts data{}; // keyed text, or the custom values
};

const NonIsoChoice IsoStandard{true, {Format::StdT1, Format::StdT2, Format::StdT3}};
const NonIsoChoice Custom567{false, {Format::Custom5, Format::Custom6, Format::Custom7}};

const Write AbcOnTrack2{{true, {Format::StdT2, Format::StdT1, Format::StdT3}, {D210, D210, D210}},
                        {"", "ABC", ""}};
// Track 2 alone: 0B 3F at 75 BPI, 6 bits.
const Write Custom6OnTrack2{Custom567, {"", QByteArray::fromHex("0b3f"), ""}};

// Each send in hex, one " / " between sends, so that a difference reads like the wire.
QByteArray wire(const QList<QByteArray> &sends) {
    QByteArrayList groups;
    for (const QByteArray &send : sends)
        groups << send.toHex(' ');
    return groups.join(" / ");
}

QStringList written(const QStringList &events) {
    return events.filter(QStringLiteral("wrote track"));
}

// The swipe write with the virtual encoder behind its port, on the fake clock, in the
// Non-ISO command with the data of an entry window.
struct Rig : FakeLink {
    ModalWatcher watcher;
    ModelPort *port = nullptr;
    std::unique_ptr<nfrmSwipeWrite> window;
    QStringList shown; // every window shown over the prompt, by title
    // Whether the encoder's error indication was on while each window showed.
    QList<bool> errorLit;

    Rig(Set set, const Write &write) : FakeLink(set == Set::Kvt380a ? "KVT-380A" : "LRQ118") {
        state.NonIsoMode = true;
        write.choice.applyTo(state);
        (write.choice.standard ? state.NonIsoKeyedText : state.NonIsoTrackText) = write.data;
        window = std::make_unique<nfrmSwipeWrite>(context([this, set](QObject *parent) {
            port = new ModelPort(clock, set);
            port->setParent(parent);
            return port;
        }));
        watcher.leaveAlone = window.get();
        watcher.inspect = [this](QWidget *modal) {
            shown << modal->windowTitle();
            errorLit << model().indicators().error;
        };
        model().setAutoSwipe(300ms);
    }

    EncoderModel &model() { return port->model(); }
    [[nodiscard]] QString cardNumberShown() const {
        return window->findChild<QLabel *>("LC")->text();
    }
    // Presses Cancel on the first poll at which done() holds.
    void cancelWhen(std::function<bool()> done) {
        pump.after(5ms, [this, done] {
            if (done())
                window->findChild<QPushButton *>("Command1_0")->click();
            else
                cancelWhen(done);
        });
    }
    void cancelAtCard(int number) {
        cancelWhen(
            [this, number] { return window->cardNumber() == number && model().waitingForSwipe(); });
    }
};

} // namespace

Q_DECLARE_METATYPE(Write)

class TestNonIsoSwipeWrite : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writesUntilCancel_data();
    void writesUntilCancel();
    void failedWriteReported_data();
    void failedWriteReported();
    void resetAnsweredWronglyEndsTheWindow();
    void cancelDuringLrq118SwipeWait();
    void silentDensityEndsTheWindow();
    void dataBreakingItsRulesIsNotWritten_data();
    void dataBreakingItsRulesIsNotWritten();
};

void TestNonIsoSwipeWrite::writesUntilCancel_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<Write>("write");
    QTest::addColumn<QByteArray>("card");   // what goes out for each card, density first
    QTest::addColumn<QString>("wrote");     // what the encoder says it wrote on each card
    QTest::addColumn<QByteArray>("ending"); // the last sends, after Cancel
    QTest::newRow("LRQ118, ABC on track 2 in T1")
        << Set::Lrq118 << AbcOnTrack2
        << QByteArray("1b 6a d2 d2 d2 / 1b 5a 3d 3d 3d / "
                      "1b 57 1b 73 1b 01 1b 12 41 42 43 1b 03 3f 1c / 1b 83")
        << R"(wrote track 2: "ABC" (7-bit T1, 210 BPI))" << QByteArray("1b 61");
    QTest::newRow("KVT-380A, ABC on track 2 in T1")
        << Set::Kvt380a << AbcOnTrack2
        << QByteArray("3b 31 31 / 3b 32 31 / 3b 33 31 / 62 31 / 41 42 43 04 / 40 / 6c")
        << R"(wrote track 2: "ABC" (7-bit T1, 210 BPI))" << QByteArray("7f");
    // The densities of all three tracks, the commands of track 2 only.
    QTest::newRow("KVT-380A custom, track 2 only")
        << Set::Kvt380a << Custom6OnTrack2
        << QByteArray("3b 31 31 / 3b 32 30 / 3b 33 31 / 46 36 / 00 / 00 / 00 / 00 / 00 / 00 / "
                      "0b 3f 04 / 40 / 6c")
        << "wrote track 2: 0B 3F (custom 6-bit, 75 BPI)" << QByteArray("7f");
}

// Two cards written, then Cancel while the third is awaited: the same data on each card,
// no error window, the port closed.
void TestNonIsoSwipeWrite::writesUntilCancel() {
    QFETCH(Set, set);
    QFETCH(Write, write);
    QFETCH(QByteArray, card);
    QFETCH(QString, wrote);
    QFETCH(QByteArray, ending);
    Rig rig(set, write);
    rig.cancelAtCard(3);
    rig.window->run();

    QCOMPARE(rig.shown, QStringList());
    QCOMPARE(rig.cardNumberShown(), "3");
    QCOMPARE(written(rig.port->events()), QStringList({wrote, wrote}));
    const QByteArray sent = wire(rig.port->sends());
    QCOMPARE(sent.count(card), 2);
    // The opening: LRQ118 its write opening alone, KVT-380A the reset.
    QVERIFY2(sent.startsWith(set == Set::Lrq118 ? "1b 84 / 1b 6a" : "7f / 3b 31"), sent);
    QVERIFY2(sent.endsWith(ending), sent);
    QVERIFY(!rig.port->isOpen());
    QVERIFY(!rig.window->isVisible());
}

void TestNonIsoSwipeWrite::failedWriteReported_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<QByteArray>("afterFailure"); // from the write's end to the next density
    QTest::newRow("LRQ118") << Set::Lrq118
                            << QByteArray("3f 1c / 1b 61 / 1b 85 / 1b 81 / 1b 83 / 1b 6a");
    // Ready off and the write opening before the indication, ready off again after it.
    QTest::newRow("KVT-380A") << Set::Kvt380a << QByteArray("40 / 6c / 28 / 4d / 6d / 6c / 3b 31");
}

// The encoder refuses the first card: the write error window, with the indication on, and
// the next card under the same number.
void TestNonIsoSwipeWrite::failedWriteReported() {
    QFETCH(Set, set);
    QFETCH(QByteArray, afterFailure);
    Rig rig(set, AbcOnTrack2);
    rig.model().failNextWrite();
    rig.cancelAtCard(2);
    rig.window->run();

    QCOMPARE(rig.shown, QStringList{"Non-ISO Write Swipe Error"});
    QCOMPARE(rig.errorLit, QList<bool>{true});
    QVERIFY(!rig.model().indicators().error);
    QCOMPARE(written(rig.port->events()).size(), 1);
    const QByteArray sent = wire(rig.port->sends());
    QVERIFY2(sent.contains(afterFailure), sent);
}

void TestNonIsoSwipeWrite::resetAnsweredWronglyEndsTheWindow() {
    Rig rig(Set::Kvt380a, AbcOnTrack2);
    rig.model().answerWrongly(QByteArray::fromHex("7f"), "^");
    rig.window->run();

    QCOMPARE(rig.shown, QStringList{"Non-ISO Read Swipe Error"});
    // The reset, then DEL on closing: no density, no write.
    QCOMPARE(wire(rig.port->sends()), "7f / 7f");
    QCOMPARE(rig.cardNumberShown(), "1");
    QVERIFY(!rig.port->isOpen());
}

// The write resets the encoder itself and leaves the port closed; no error window.
void TestNonIsoSwipeWrite::cancelDuringLrq118SwipeWait() {
    Rig rig(Set::Lrq118, AbcOnTrack2);
    rig.model().setAutoSwipe(std::nullopt);
    rig.cancelAtCard(1);
    rig.window->run();

    QCOMPARE(rig.shown, QStringList());
    QCOMPARE(written(rig.port->events()), QStringList());
    QCOMPARE(rig.cardNumberShown(), "1");
    const QByteArray sent = wire(rig.port->sends());
    QVERIFY2(sent.endsWith("3f 1c / 1b 61"), sent);
    QVERIFY(!rig.port->isOpen());
    QVERIFY(!rig.model().waitingForSwipe());
}

// An LRQ118 encoder that answers no density: reported once, and the window ends rather
// than freeze on every card.
void TestNonIsoSwipeWrite::silentDensityEndsTheWindow() {
    Rig rig(Set::Lrq118, AbcOnTrack2);
    rig.model().setSilent(true);
    rig.window->run();

    QCOMPARE(rig.shown, QStringList{"Non-ISO Write Swipe Error"});
    QCOMPARE(wire(rig.port->sends()), "1b 84 / 1b 6a d2 d2 d2 / 1b 61 / 1b 85 / 1b 81");
    QVERIFY(!rig.window->isVisible());
}

void TestNonIsoSwipeWrite::dataBreakingItsRulesIsNotWritten_data() {
    QTest::addColumn<Write>("write");
    QTest::addColumn<QString>("message");
    const NonIsoChoice custom5{false, {Format::Custom5, Format::Custom5, Format::Custom5}};
    const auto customData = [&](const char *hex) {
        return Write{custom5, {"", "", QByteArray::fromHex(hex)}};
    };
    const QString five = "Non-ISO 5-Bit Data Format Error";
    QTest::newRow("value 4") << customData("0104") << five;
    QTest::newRow("value 20 in 5 bits") << customData("0b20") << five;
    QTest::newRow("value 0") << customData("0b00") << five;
    QTest::newRow("even first value") << customData("0a01") << five;
    QTest::newRow("107 values at 210 BPI")
        << customData(QByteArray(107, '\x01').toHex().constData()) << "Non-ISO Write";
    QTest::newRow("the blank marker's value alone")
        << Write{Custom567, {"", "+", ""}} << "Non-ISO Write";
    QTest::newRow("standard: lower case in T1")
        << Write{IsoStandard, {"abc", "", ""}} << " 7-Bit Character (Std T1) Format Error";
    QTest::newRow("standard: the unreadable marker alone")
        << Write{IsoStandard, {"*", "", "1"}} << "Non-ISO Write";
    QTest::newRow("standard: 28 characters in T1 at 75 BPI")
        << Write{{true, {Format::StdT2, Format::StdT1, Format::StdT3}},
                 {"", QByteArray(28, 'A'), ""}}
        << "Non-ISO Write";
}

// Whatever put the data into the shared state, nothing that breaks a rule of its format
// reaches the encoder: the message, and the window closes.
void TestNonIsoSwipeWrite::dataBreakingItsRulesIsNotWritten() {
    QFETCH(Write, write);
    QFETCH(QString, message);
    Rig rig(Set::Kvt380a, write);
    rig.window->run();

    QCOMPARE(rig.shown, QStringList{message});
    // The reset, then DEL on closing.
    QCOMPARE(wire(rig.port->sends()), "7f / 7f");
    QVERIFY(!rig.window->isVisible());
}

QTEST_MAIN(TestNonIsoSwipeWrite)
#include "tst_nonisoswipewrite.moc"
