#include "FakeLink.h"
#include "ModalWatcher.h"
#include "ModelPort.h"

#include "app/MainModule.h"
#include "iso/cfrmRecEntry.h"
#include "iso/cfrmTrackSelect.h"
#include "iso/cfrmWriteIncr.h"
#include "ui/WindowSlot.h"
#include "ui/frmMainMenu.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using Set = EncoderModel::CommandSet;

namespace {

// The base record as OK in the base-record window leaves it.
struct Batch {
    qint16 track = 1;
    IsoFrames::Tracks prefixes;
    qint64 start = 0;
    qint64 step = 1;
    qint32 count = 1;
    QByteArray suffix;
};

// What the encoder or the operator does to the batch.
enum class Event {
    None,
    SecondWriteFails,
    CancelAtCard2,
    TrackDataRefused,
    ResetRefused,
    OpeningRefused
};

QByteArray joined(const Card &card) {
    return card.tracks[0].data + '|' + card.tracks[1].data + '|' + card.tracks[2].data;
}

// The batch window with the virtual encoder behind its port, on the fake clock.
struct Rig : FakeLink {
    ModalWatcher watcher;
    ModelPort *port = nullptr;
    std::unique_ptr<cfrmWriteIncr> window;
    // Each card written, and each window shown, with the progress at that moment.
    QStringList happened;
    std::function<void()> afterWrite;

    Rig(Set set, const Batch &batch) : FakeLink(set == Set::Kvt380a ? "KVT-380A" : "LRQ118") {
        state.IncrTrack = batch.track;
        state.Track1Data = batch.prefixes[0];
        state.Track2Data = batch.prefixes[1];
        state.Track3Data = batch.prefixes[2];
        state.IncrNumber = batch.start;
        state.IncrStep = batch.step;
        state.IncrCount = batch.count;
        state.IncrSuffix = batch.suffix;
        window = std::make_unique<cfrmWriteIncr>(context([this, set](QObject *parent) {
            port = new ModelPort(clock, set);
            port->setParent(parent);
            return port;
        }));
        watcher.leaveAlone = window.get();
        watcher.inspect = [this](QWidget *shown) {
            happened << progress() + u": "_s + shown->windowTitle();
        };
        model().setAutoSwipe(300ms);
        model().setWrittenSink([this](const Card &card) {
            // The card written is the one the input record shows, under a progress line that
            // the window is wide enough for.
            const bool shown =
                joined(card) == records.track(0) + '|' + records.track(1) + '|' + records.track(2);
            const auto *sentence = window->findChild<QLabel *>(u"Label1"_s);
            const bool whole = sentence->width() >= sentence->sizeHint().width();
            happened << progress() + u": "_s + QString::fromLatin1(joined(card)) +
                            (shown ? QString() : u" (not shown)"_s) +
                            (whole ? QString() : u" (cut off)"_s);
            if (afterWrite)
                afterWrite();
        });
    }

    EncoderModel &model() { return port->model(); }
    QString progress() const {
        const QString sentence = window->findChild<QLabel *>(u"Label1"_s)->text();
        const QString total = QRegularExpression(u"of  ([^.]+)\\."_s).match(sentence).captured(1);
        return window->findChild<QLabel *>(u"LC"_s)->text() + u" of "_s + total;
    }
    void cancelWhen(std::function<bool()> done) {
        pump.after(5ms, [this, done] {
            if (done())
                window->findChild<QPushButton *>(u"Command1_0"_s)->click();
            else
                cancelWhen(done);
        });
    }
};

} // namespace

Q_DECLARE_METATYPE(Set)
Q_DECLARE_METATYPE(Batch)
Q_DECLARE_METATYPE(Event)

class TestIncrementalWrite : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void batches_data();
    void batches();
    void commandSequence_data();
    void commandSequence();
};

void TestIncrementalWrite::batches_data() {
    QTest::addColumn<Set>("set");
    QTest::addColumn<Batch>("batch");
    QTest::addColumn<Event>("event");
    QTest::addColumn<QStringList>("happened");
    QTest::addColumn<int>("left");        // IncrCount afterwards
    QTest::addColumn<QString>("notice");  // the text of the last message; empty: not checked
    QTest::addColumn<QByteArray>("tail"); // the last bytes sent, in hex; empty: not checked
    const Batch id98{1, {"ID", "12", ""}, 98, 1, 3, "Z"};
    const QStringList id98Written{u"1 of 3: ID98Z|12|"_s, u"2 of 3: ID99Z|12|"_s,
                                  u"3 of 3: ID100Z|12|"_s};
    const QString writeError = u"Incremental Encode Write Error"_s;
    for (const Set set : {Set::Lrq118, Set::Kvt380a}) {
        const char *name = set == Set::Lrq118 ? "LRQ118" : "KVT-380A";
        const auto row = [name](const char *what) -> QTestData & {
            return QTest::addRow("%s: %s", name, what);
        };
        row("ID98Z, ID99Z, ID100Z")
            << set << id98 << Event::None << id98Written << 0 << QString() << QByteArray();
        row("a failed write on card 2 repeats card 2")
            << set << id98 << Event::SecondWriteFails
            << QStringList{id98Written[0], u"2 of 3: "_s + writeError, id98Written[1],
                           id98Written[2]}
            << 0 << QString() << QByteArray();
        row("Cancel during card 2 of 5")
            << set << Batch{1, {"ID", "", ""}, 98, 1, 5, "Z"} << Event::CancelAtCard2
            << QStringList{u"1 of 5: ID98Z||"_s} << 4 << QString() << QByteArray();
        // The window closes right after the write: nothing but the closing DEL follows it.
        row("Count 1") << set << Batch{2, {"", ";", ""}, 7, 1, 1, "="} << Event::None
                       << QStringList{u"1 of 1: |;7=|"_s} << 0 << QString()
                       << QByteArray(set == Set::Lrq118 ? "03 3f 1c" : "3d 04 40 7f");
    }
    QTest::newRow("Increment 0") << Set::Lrq118 << Batch{3, {"N", "", "55"}, 4, 0, 2, ""}
                                 << Event::None
                                 << QStringList{u"1 of 2: N||554"_s, u"2 of 2: N||554"_s} << 0
                                 << QString() << QByteArray();
    QTest::newRow("counting up past 32 bits")
        << Set::Kvt380a << Batch{2, {"", "", ""}, 2147483646, 1, 3, ""} << Event::None
        << QStringList{u"1 of 3: |2147483646|"_s, u"2 of 3: |2147483647|"_s,
                       u"3 of 3: |2147483648|"_s}
        << 0 << QString() << QByteArray();
    // A card whose numbered track cannot hold its text ends the batch before it is written.
    const QString stops = u"3 of 5: Incremental Encode Prompt "_s;
    QTest::newRow("track 2 goes negative")
        << Set::Lrq118 << Batch{2, {"", "", ""}, 1, -1, 5, ""} << Event::None
        << QStringList{u"1 of 5: |1|"_s, u"2 of 5: |0|"_s, stops} << 3
        << u"The batch stops at card 3 of 5, which was not written: its track 2 holds \"-\", "
           "which this track cannot carry.\n\nTrack 2 would read: -1"_s
        << QByteArray();
    const QString a73(73, u'A');
    QTest::newRow("track 1 overflows")
        << Set::Kvt380a << Batch{1, {QByteArray(73, 'A'), "", ""}, 998, 1, 5, ""} << Event::None
        << QStringList{u"1 of 5: "_s + a73 + u"998||"_s, u"2 of 5: "_s + a73 + u"999||"_s, stops}
        << 3
        << u"The batch stops at card 3 of 5, which was not written: its track 1 has 77 "
           "characters, more than the 76 it can hold.\n\nTrack 1 would read: "_s +
               a73 + u"1000"_s
        << QByteArray();
    // A refused command ends the batch after the error window; so does a refused opening.
    QTest::newRow("track data refused") << Set::Kvt380a << id98 << Event::TrackDataRefused
                                        << QStringList{u"1 of 3: "_s + writeError} << 3 << QString()
                                        << QByteArray("04 4c 6c 4d 6d 7f");
    QTest::newRow("reset refused")
        << Set::Kvt380a << id98 << Event::ResetRefused << QStringList{u"1 of n: "_s + writeError}
        << 3 << QString() << QByteArray("7f 7f");
    QTest::newRow("opening refused") << Set::Kvt380a << id98 << Event::OpeningRefused
                                     << QStringList{u"1 of n: Read Swipe Error"_s} << 3 << QString()
                                     << QByteArray("7f 28 4c 6c 4d 6d 7f");
}

void TestIncrementalWrite::batches() {
    QFETCH(Set, set);
    QFETCH(Batch, batch);
    QFETCH(Event, event);
    QFETCH(QStringList, happened);
    QFETCH(QString, notice);
    QFETCH(QByteArray, tail);
    Rig rig(set, batch);
    EncoderModel &model = rig.model();
    switch (event) {
    case Event::None:
        break;
    case Event::SecondWriteFails:
        rig.afterWrite = [&model, first = true]() mutable {
            if (std::exchange(first, false))
                model.failNextWrite();
        };
        break;
    case Event::CancelAtCard2:
        rig.cancelWhen([&] { return rig.window->cardNumber() == 2 && model.waitingForSwipe(); });
        break;
    case Event::TrackDataRefused:
        model.answerWrongly(QByteArray(1, IsoFrames::Eot), "!");
        break;
    case Event::ResetRefused:
        model.answerWrongly(QByteArray::fromHex("7f"), "X");
        break;
    case Event::OpeningRefused:
        model.answerWrongly("(", "!");
        break;
    }
    rig.window->run();

    QCOMPARE(rig.happened, happened);
    QTEST(rig.state.IncrCount, "left");
    if (!notice.isEmpty())
        QCOMPARE(rig.watcher.seen.last().text, notice);
    if (!tail.isEmpty())
        QCOMPARE(rig.port->sent().right(tail.count(' ') + 1).toHex(' '), tail);
    // After the batch the last card stays in the output record for the main window to clear.
    const QString last = happened.last();
    if (rig.state.IncrCount == 0)
        QCOMPARE(QString::fromLatin1(rig.records.track(3) + '|' + rig.records.track(4) + '|' +
                                     rig.records.track(5)),
                 last.section(u": "_s, 1));
    const QString sentence =
        u"You are writing card #                 of  "_s +
        (happened.first().contains(u" of n"_s) ? u"n."_s
                                               : u"%1. Please swipe a card."_s.arg(batch.count));
    QCOMPARE(rig.window->findChild<QLabel *>(u"Label1"_s)->text(), sentence);
    QVERIFY(!rig.window->isVisible());
    QVERIFY(!rig.port->isOpen());
    QCOMPARE(rig.records.message(), QByteArray());
    QCOMPARE(rig.state.WriteErrCaption, QByteArray());
}

void TestIncrementalWrite::commandSequence_data() {
    QTest::addColumn<QString>("cancelIn");
    QTest::addColumn<QStringList>("seen");
    QTest::addColumn<int>("written");
    const QString select = u"Incremental Encode - Track Selection"_s;
    const QString entry = u"Incremental Encode - Base Record Entry"_s;
    const QString complete = u"Incremental Encode Complete"_s;
    QTest::newRow("cancelled in the track choice") << u"track choice"_s << QStringList{select} << 0;
    QTest::newRow("cancelled in the base record")
        << u"base record"_s << QStringList{select, entry} << 0;
    QTest::newRow("Count empty: one card") << u""_s << QStringList{select, entry, complete} << 1;
    QTest::newRow("Cancel during card 2 of 5")
        << u"card 2"_s << QStringList{select, entry, complete} << 1;
}

// The main window's command with the three windows as the program wires them.
void TestIncrementalWrite::commandSequence() {
    QFETCH(QString, cancelIn);
    FakeLink link("LRQ118");
    frmMainMenu main(link.state);
    ModelPort *port = nullptr;
    cfrmWriteIncr write(link.context([&](QObject *parent) {
        port = new ModelPort(link.clock, Set::Lrq118);
        port->setParent(parent);
        return port;
    }),
                        &main);
    std::unique_ptr<cfrmTrackSelect> trackSelect;
    std::unique_ptr<cfrmRecEntry> recEntry;
    CommandWindows windows;
    windows.incrTrackSelect = [&] {
        windowIn(trackSelect, std::ref(link.state), &main).run();
    };
    windows.recEntry = [&] {
        windowIn(recEntry, std::ref(link.state), &main).run();
    };
    windows.writeIncr = [&] {
        write.run();
    };
    main.setCommandWindows(windows);
    main.setTrack(3, "OLD");

    int written = 0;
    port->model().setAutoSwipe(300ms);
    port->model().setWrittenSink([&written](const Card &) { ++written; });
    ModalWatcher watcher;
    watcher.leaveAlone = &write;
    // The operator picks track 2 and types 12 / 7 (and a Count of 5); the watcher's own
    // answer, Cancel, stands for the step where the operator cancels.
    watcher.inspect = [&](QWidget *shown) {
        const auto ok = [shown] {
            shown->findChild<QPushButton *>(u"Command1_1"_s)->click();
        };
        if (shown == trackSelect.get() && cancelIn != u"track choice") {
            shown->findChild<QRadioButton *>(u"Option1_1"_s)->click();
            ok();
        } else if (shown == recEntry.get() && cancelIn != u"base record") {
            shown->findChild<QLineEdit *>(u"TIT5"_s)->setText(u"12"_s);
            shown->findChild<QLineEdit *>(u"TIT6"_s)->setText(u"7"_s);
            if (cancelIn == u"card 2")
                shown->findChild<QLineEdit *>(u"TIT8"_s)->setText(u"5"_s);
            ok();
        }
    };
    std::function<void()> cancelAtCard2 = [&] {
        if (write.cardNumber() == 2 && port->model().waitingForSwipe())
            write.findChild<QPushButton *>(u"Command1_0"_s)->click();
        else
            link.pump.after(5ms, cancelAtCard2);
    };
    if (cancelIn == u"card 2")
        link.pump.after(5ms, cancelAtCard2);
    main.command(5);

    QStringList seen;
    for (const ModalWatcher::Seen &s : watcher.seen)
        seen << s.title;
    QTEST(seen, "seen");
    QTEST(written, "written");
    QCOMPARE(link.state.IncrTrack, qint16(cancelIn == u"track choice" ? 1 : 2));
    // The command's start cleared the input record; a batch ends with both records cleared,
    // a cancelled step leaves the output record as it was.
    QCOMPARE(main.track(1), QByteArray());
    QCOMPARE(main.track(3), seen.size() < 3 ? QByteArray("OLD") : QByteArray());
}

QTEST_MAIN(TestIncrementalWrite)
#include "tst_incrementalwrite.moc"
