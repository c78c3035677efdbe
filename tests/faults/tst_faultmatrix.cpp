// Every prompt window against every way an encoder or its line can misbehave, in both
// command sets: the window ends on its own or on Cancel, never claims a card it did not
// read, write or erase, never shows garbage as card data, and a read afterwards works.

#include "FakeLink.h"
#include "ModalWatcher.h"
#include "ModelPort.h"
#include "NonIsoChoice.h"

#include "iso/RecoveryFile.h"
#include "iso/cfrmCopyCard.h"
#include "iso/cfrmEncodeRF.h"
#include "iso/cfrmEncodeWF.h"
#include "iso/cfrmReadCard.h"
#include "iso/cfrmWriteCard.h"
#include "iso/cfrmWriteIncr.h"
#include "iso/frmEraseCard.h"
#include "link/LineSettings.h"
#include "nonstd/nfrmReadCard.h"
#include "nonstd/nfrmSwipeWrite.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <type_traits>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using Set = EncoderModel::CommandSet;
namespace Format = NonIsoFrames::Format;

namespace {

enum class Fault {
    None,             // the encoder behaves: the yardstick for the rest
    Silent,           // nothing is ever answered
    Garbage,          // every answer is replaced by bytes of no meaning
    GarbledCard,      // the answers turn to garbage once a card is awaited
    Pieces,           // answers arrive a few bytes at a time
    SlowLine,         // the line runs at 1200 baud, and the settings say so
    Vanishes,         // the adapter is pulled out while a card is awaited
    BytesAfterCancel, // the card is swiped just after Cancel
};

const QByteArrayList CardTracks{"FAULT TEST", "1234567890", "4321"};
const QByteArray ReadMessage = "\r\nSuccessful read from card swipe.";
const Duration CancelAt = 20s;
// How long a window may take to close after Cancel or a lost port: its closing frames and
// pauses, never another wait for the encoder.
const Duration EndsWithin = 5s;

// A port whose answers can be turned to garbage.
class GarblingPort final : public ModelPort {
    Q_OBJECT
public:
    enum class Garble { Never, Always, OnceCardAwaited };
    using ModelPort::ModelPort;

    Garble garble = Garble::Never;

protected:
    void collect() override {
        const qsizetype before = buffer().size();
        ModelPort::collect();
        if (garble == Garble::OnceCardAwaited && model().waitingForSwipe())
            garble = Garble::Always;
        if (garble != Garble::Always)
            return;
        for (qsizetype i = before; i < buffer().size(); ++i)
            buffer()[i] = (i % 2) != 0 ? '~' : '\xff';
    }
};

bool isGarbage(const QByteArray &text) {
    return text.contains('~') || text.contains('\xff');
}

int countEvents(const QStringList &events, const QString &start) {
    return static_cast<int>(events.filter(QRegularExpression(u'^' + start)).size());
}

// A prompt window with the virtual encoder behind its port, a card in the slot that is
// swiped 0.3 s after it is asked for, and every window over the prompt answered.
template <class Window> struct MatrixRig : FakeLink {
    QTemporaryDir folder;
    RecoveryFile recovery{folder.path()};
    ModalWatcher watcher;
    GarblingPort *port = nullptr;
    std::unique_ptr<Window> window;
    // What the windows over the prompt showed in their text boxes.
    QByteArrayList boxTexts;

    template <class Prepare>
    MatrixRig(Set set, Prepare prepare) : FakeLink(set == Set::Kvt380a ? "KVT-380A" : "LRQ118") {
        prepare(state, records);
        const PortFactory factory = [this, set](QObject *parent) {
            port = new GarblingPort(clock, set);
            port->setParent(parent);
            return port;
        };
        if constexpr (std::is_constructible_v<Window, PromptWindow::Context, RecoveryFile &>)
            window = std::make_unique<Window>(context(factory), recovery);
        else
            window = std::make_unique<Window>(context(factory));
        watcher.leaveAlone = window.get();
        watcher.inspect = [this](QWidget *shown) {
            for (const QPlainTextEdit *box : shown->findChildren<QPlainTextEdit *>())
                boxTexts << box->toPlainText().toLatin1();
        };
        model().setAutoSwipe(300ms);
        model().insertCard(Card::fromTexts(CardTracks[0], CardTracks[1], CardTracks[2]));
    }

    EncoderModel &model() { return port->model(); }
    QPushButton *cancelButton() const {
        return window->template findChild<QPushButton *>(QStringLiteral("Command1_0"));
    }
    void poll(const std::function<bool()> &check) {
        pump.after(5ms, [this, check] {
            if (!check())
                poll(check);
        });
    }
};

template <class Window>
constexpr bool ReadsTheCard =
    std::is_same_v<Window, cfrmReadCard> || std::is_same_v<Window, cfrmCopyCard> ||
    std::is_same_v<Window, cfrmEncodeWF> || std::is_same_v<Window, nfrmReadCard>;

// What each window is given before it opens.
using Prepare = std::function<void(MainModule &, FakeRecords &)>;

void nothing(MainModule &, FakeRecords &) {}

void keyedRecord(MainModule &, FakeRecords &records) {
    records.setTrack(0, "WRITE ME");
    records.setTrack(1, "1111");
    records.setTrack(2, "2222");
}

void eraseTracks1And3(MainModule &state, FakeRecords &) {
    state.EraseTrackMask = 5;
}

void batchOnTrack2(MainModule &state, FakeRecords &) {
    state.IncrTrack = 2;
    state.Track1Data = "BATCH";
    state.Track2Data = "99";
    state.Track3Data = "";
    state.IncrNumber = 1000;
    state.IncrStep = 1;
    state.IncrCount = 50;
    state.IncrSuffix = "";
}

void fileOfRecords(MainModule &state, FakeRecords &) {
    state.EncodeFileText = "FILE ONE|111|222\r\nFILE TWO|333|444\r\n";
    state.EncodeFileCancelled = false;
}

void isoFormats(MainModule &state, FakeRecords &) {
    state.NonIsoMode = true;
    NonIsoChoice{true, {Format::StdT1, Format::StdT2, Format::StdT3}}.applyTo(state);
    state.NonIsoKeyedText = {"RAW DATA", "5555", "6666"};
}

// The cards the windows said were done, against what the encoder did.
struct Claims {
    int reads = 0;
    int writes = 0;
    int erases = 0;
};

template <class Window> Claims claimsOf(const MatrixRig<Window> &rig) {
    Claims c;
    for (const QByteArray &message : rig.records.messageLog) {
        c.reads += message.contains("Successful read") ? 1 : 0;
        c.writes += message.contains("Write complete") ? 1 : 0;
        c.erases += message.contains("Erase complete") ? 1 : 0;
    }
    for (const ModalWatcher::Seen &seen : rig.watcher.seen)
        c.reads += seen.className == u"nfrmReadStdFmt" ? 1 : 0;
    if constexpr (std::is_same_v<Window, nfrmSwipeWrite>)
        c.writes += rig.window->cardNumber() - 1;
    return c;
}

void applyFault(Fault fault, GarblingPort &port, PortConfig &config) {
    EncoderModel &model = port.model();
    switch (fault) {
    case Fault::Silent:
        model.setSilent(true);
        break;
    case Fault::Garbage:
        port.garble = GarblingPort::Garble::Always;
        break;
    case Fault::GarbledCard:
        port.garble = GarblingPort::Garble::OnceCardAwaited;
        break;
    case Fault::Pieces:
        model.answerInPieces(3, 10ms);
        break;
    case Fault::SlowLine:
        config.settingsText = "1200,e,7,1";
        config.line = parseLineSettings(config.settingsText).value();
        model.setLineSpeed(EncoderModel::LineSpeed{1200, 7, true});
        break;
    case Fault::None:
    case Fault::Vanishes:
    case Fault::BytesAfterCancel:
        break;
    }
}

// Runs the window under the fault and checks what it did; then, with the fault gone, a read
// through the same encoder.
template <class Window> void exercise(Set set, Fault fault, const Prepare &prepare) {
    MatrixRig<Window> rig(set, prepare);
    applyFault(fault, *rig.port, rig.config);
    // When Cancel was pressed or the port lost; the window must end soon after.
    auto endCause = std::make_shared<Duration>(Duration::max());
    // Pressed again while an error window keeps the prompt disabled, as an operator would.
    const auto cancel = [&rig, endCause] {
        *endCause = rig.clock.now();
        rig.poll([&rig] {
            if (rig.state.CancelRequested || !rig.window->isVisible())
                return true;
            if (rig.window->isEnabled())
                QMetaObject::invokeMethod(rig.cancelButton(), &QAbstractButton::click,
                                          Qt::QueuedConnection);
            return false;
        });
    };
    if (fault == Fault::Vanishes || fault == Fault::BytesAfterCancel) {
        rig.model().setAutoSwipe(std::nullopt);
        rig.poll([&rig, fault, endCause, cancel] {
            if (!rig.model().waitingForSwipe())
                return false;
            if (fault == Fault::Vanishes) {
                *endCause = rig.clock.now();
                rig.port->vanish();
            } else {
                cancel();
                rig.pump.after(10ms, [&rig] { rig.port->swipe(); });
            }
            return true;
        });
    }
    rig.pump.after(CancelAt, [endCause, cancel] {
        if (*endCause == Duration::max())
            cancel();
    });
    rig.window->run();
    const Duration ended = rig.clock.now();

    const QStringList &events = rig.port->events();
    const QString story = events.join(u'\n');
    if (*endCause != Duration::max())
        QVERIFY2(ended - *endCause < EndsWithin, qPrintable(story));
    const Claims claims = claimsOf(rig);
    QVERIFY2(claims.reads <= countEvents(events, u"card read:"_s), qPrintable(story));
    QVERIFY2(claims.writes <= countEvents(events, u"card written:"_s), qPrintable(story));
    QVERIFY2(claims.erases <= countEvents(events, u"card erased:"_s), qPrintable(story));
    for (int i = 0; i < 6; ++i)
        QVERIFY2(!isGarbage(rig.records.track(i)), rig.records.track(i).toHex(' ').constData());
    for (const QByteArray &text : rig.boxTexts + rig.records.messageLog)
        QVERIFY2(!isGarbage(text), text.toHex(' ').constData());
    QVERIFY(!isGarbage(rig.state.SaveFileText));
    // What a reading window shows is the card, whole, or no card at all.
    if constexpr (ReadsTheCard<Window>) {
        for (int i = 0; i < 6; ++i) {
            const QByteArray shown = rig.records.track(i);
            QVERIFY2(shown.isEmpty() || shown == "*" || shown == CardTracks[i % 3],
                     shown.constData());
        }
        for (const QByteArray &text : rig.boxTexts)
            QVERIFY2(text.isEmpty() || CardTracks.contains(text), text.constData());
    }
    for (const QByteArray &record : rig.state.SaveFileText.split('\n'))
        QVERIFY(record.isEmpty() || record == CardTracks.join('|') + '\r');
    // A slow or chopped-up line is no fault: the window does its work.
    if (fault == Fault::None || fault == Fault::Pieces || fault == Fault::SlowLine) {
        QVERIFY2(claims.reads + claims.writes + claims.erases > 0, qPrintable(story));
        for (const ModalWatcher::Seen &seen : rig.watcher.seen)
            QVERIFY2(seen.className == u"nfrmReadStdFmt", qPrintable(seen.title + u'\n' + story));
    }

    // A pulled adapter is told, in the port's own words.
    if (fault == Fault::Vanishes) {
        const auto told = std::any_of(
            rig.watcher.seen.cbegin(), rig.watcher.seen.cend(),
            [](const ModalWatcher::Seen &seen) { return seen.text.contains(u"unplugged"); });
        QVERIFY2(told, qPrintable(story));
    }

    // The operator puts things right and, a second later, reads a card through the same
    // encoder.
    rig.clock.advance(1s);
    EncoderModel &model = rig.model();
    model.clearFaults();
    model.setSilent(false);
    model.answerInPieces(0, {});
    rig.port->plugIn();
    model.setAutoSwipe(300ms);
    model.insertCard(Card::fromTexts("AGAIN", "24680", "13579"));
    rig.port->garble = GarblingPort::Garble::Never;
    rig.state.NonIsoMode = false;
    const qsizetype windowsBefore = rig.watcher.seen.size();
    const qsizetype messagesBefore = rig.records.messageLog.size();
    const qsizetype eventsBefore = rig.port->events().size();
    cfrmReadCard again(rig.context([&rig](QObject *) { return rig.port; }));
    rig.watcher.leaveAlone = &again;
    rig.poll([&] {
        if (!rig.records.messageLog.mid(messagesBefore).contains(ReadMessage) &&
            ended + 60s > rig.clock.now())
            return false;
        again.findChild<QPushButton *>(QStringLiteral("Command1_0"))->click();
        return true;
    });
    again.run();
    QVERIFY2(rig.records.messageLog.mid(messagesBefore).contains(ReadMessage),
             qPrintable(rig.port->events().mid(eventsBefore).join(u'\n') + u"\nsent "_s +
                        QString::fromLatin1(rig.port->sent().toHex(' ').right(120))));
    QCOMPARE(rig.records.track(3) + '|' + rig.records.track(4) + '|' + rig.records.track(5),
             "AGAIN|24680|13579");
    QCOMPARE(rig.watcher.seen.size(), windowsBefore);
}

struct WindowCase {
    const char *name;
    void (*run)(Set, Fault, const Prepare &);
    Prepare prepare;
};

const WindowCase Windows[] = {
    {"cfrmReadCard", exercise<cfrmReadCard>, nothing},
    {"cfrmWriteCard", exercise<cfrmWriteCard>, keyedRecord},
    {"cfrmCopyCard", exercise<cfrmCopyCard>, nothing},
    {"frmEraseCard", exercise<frmEraseCard>, eraseTracks1And3},
    {"cfrmWriteIncr", exercise<cfrmWriteIncr>, batchOnTrack2},
    {"cfrmEncodeWF", exercise<cfrmEncodeWF>, nothing},
    {"cfrmEncodeRF", exercise<cfrmEncodeRF>, fileOfRecords},
    {"nfrmReadCard", exercise<nfrmReadCard>, isoFormats},
    {"nfrmSwipeWrite", exercise<nfrmSwipeWrite>, isoFormats},
};

const std::pair<Fault, const char *> Faults[] = {
    {Fault::None, "healthy"},      {Fault::Silent, "silent"},
    {Fault::Garbage, "garbage"},   {Fault::GarbledCard, "garbled card"},
    {Fault::Pieces, "in pieces"},  {Fault::SlowLine, "1200 baud"},
    {Fault::Vanishes, "vanishes"}, {Fault::BytesAfterCancel, "bytes after Cancel"},
};

} // namespace

Q_DECLARE_METATYPE(Set)
Q_DECLARE_METATYPE(Fault)

class TestFaultMatrix : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyWindowSurvives_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<Set>("set");
        QTest::addColumn<Fault>("fault");
        for (int w = 0; w < int(std::size(Windows)); ++w)
            for (const Set set : {Set::Lrq118, Set::Kvt380a})
                for (const auto &[fault, name] : Faults)
                    QTest::addRow("%s, %s, %s", Windows[w].name,
                                  set == Set::Kvt380a ? "KVT-380A" : "LRQ118", name)
                        << w << set << fault;
    }

    void everyWindowSurvives() {
        QFETCH(int, window);
        QFETCH(Set, set);
        QFETCH(Fault, fault);
        Windows[window].run(set, fault, Windows[window].prepare);
    }
};

QTEST_MAIN(TestFaultMatrix)
#include "tst_faultmatrix.moc"
