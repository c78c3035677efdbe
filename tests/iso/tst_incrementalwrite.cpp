#include "BatchRecord.h"
#include "PromptRig.h"

#include "iso/cfrmWriteIncr.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// What the encoder or the operator does to the batch.
enum class Event { None, SecondWriteFails, CancelAtCard2, ResetRefused };

// The batch window; each card written, and each window shown, is noted with the progress at
// that moment.
struct Rig : ModelRig<cfrmWriteIncr> {
    QStringList happened;
    std::function<void()> afterWrite;

    Rig(Set set, const Batch &batch) : ModelRig(set) {
        batch.applyTo(state);
        watcher.inspect = [this](QWidget *shown) {
            happened << progress() + u": "_s + shown->windowTitle();
        };
        model().setWrittenSink([this](const Card &card) {
            // The card written is the one the input record shows, under a progress line that
            // the window is wide enough for.
            const auto *sentence = child<QLabel>("Label1");
            happened << progress() + u": "_s + QString::fromLatin1(cardText(card)) +
                            (cardText(card) == tracks(0) ? QString() : u" (not shown)"_s) +
                            (sentence->width() >= sentence->sizeHint().width() ? QString()
                                                                               : u" (cut off)"_s);
            if (afterWrite)
                afterWrite();
        });
    }

    QString progress() const {
        const QString sentence = child<QLabel>("Label1")->text();
        const QString total = QRegularExpression(u"of  ([^.]+)\\."_s).match(sentence).captured(1);
        return child<QLabel>("LC")->text() + u" of "_s + total;
    }
};

} // namespace

Q_DECLARE_METATYPE(Event)

class TestIncrementalWrite : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void batches_data() {
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
            setRow(set, "ID98Z, ID99Z, ID100Z")
                << id98 << Event::None << id98Written << 0 << QString() << QByteArray();
            // The window closes right after the write: nothing but the closing DEL follows it.
            setRow(set, "Count 1") << Batch{2, {"", ";", ""}, 7, 1, 1, "="} << Event::None
                                   << QStringList{u"1 of 1: |;7=|"_s} << 0 << QString()
                                   << QByteArray(set == Set::Lrq118 ? "03 3f 1c" : "3d 04 40 7f");
        }
        setRow(Set::Kvt380a, "a failed write on card 2 repeats card 2")
            << id98 << Event::SecondWriteFails
            << QStringList{id98Written[0], u"2 of 3: "_s + writeError, id98Written[1],
                           id98Written[2]}
            << 0 << QString() << QByteArray();
        setRow(Set::Lrq118, "Cancel during card 2 of 5")
            << Batch{1, {"ID", "", ""}, 98, 1, 5, "Z"} << Event::CancelAtCard2
            << QStringList{u"1 of 5: ID98Z||"_s} << 4 << QString() << QByteArray();
        // A card whose numbered track cannot hold its text ends the batch before it is written.
        setRow(Set::Lrq118, "track 2 goes negative")
            << Batch{2, {"", "", ""}, 1, -1, 5, ""} << Event::None
            << QStringList{u"1 of 5: |1|"_s, u"2 of 5: |0|"_s,
                           u"3 of 5: Incremental Encode Prompt "_s}
            << 3
            << u"The batch stops at card 3 of 5, which was not written: its track 2 holds \"-\", "
               "which this track cannot carry.\n\nTrack 2 would read: -1"_s
            << QByteArray();
        // A refused reset ends the batch after the write error window.
        setRow(Set::Kvt380a, "reset refused")
            << id98 << Event::ResetRefused << QStringList{u"1 of n: "_s + writeError} << 3
            << QString() << QByteArray("7f 7f");
    }

    void batches() {
        QFETCH(Set, set);
        QFETCH(Batch, batch);
        QFETCH(Event, event);
        QFETCH(QStringList, happened);
        QFETCH(QString, notice);
        QFETCH(QByteArray, tail);
        Rig rig(set, batch);
        EncoderModel &model = rig.model();
        if (event == Event::SecondWriteFails) {
            rig.afterWrite = [&model, first = true]() mutable {
                if (std::exchange(first, false))
                    model.failNextWrite();
            };
        }
        if (event == Event::CancelAtCard2)
            rig.cancelWhen(
                [&] { return rig.window->cardNumber() == 2 && model.waitingForSwipe(); });
        if (event == Event::ResetRefused)
            model.answerWrongly(QByteArray::fromHex("7f"), "X");
        rig.window->run();

        QCOMPARE(rig.happened, happened);
        QTEST(rig.state.IncrCount, "left");
        if (!notice.isEmpty())
            QCOMPARE(rig.watcher.seen.last().text, notice);
        if (!tail.isEmpty())
            QCOMPARE(rig.port->sent().right(tail.count(' ') + 1).toHex(' '), tail);
        // After the batch the last card stays in the output record for the main window to clear.
        if (rig.state.IncrCount == 0)
            QCOMPARE(QString::fromLatin1(rig.tracks()), happened.last().section(u": "_s, 1));
        const QString sentence = u"You are writing card #                 of  "_s +
                                 (happened.first().contains(u" of n"_s)
                                      ? u"n."_s
                                      : u"%1. Please swipe a card."_s.arg(batch.count));
        QCOMPARE(rig.child<QLabel>("Label1")->text(), sentence);
        QVERIFY(!rig.window->isVisible());
        QVERIFY(!rig.port->isOpen());
        QCOMPARE(rig.records.message(), QByteArray());
        QCOMPARE(rig.state.WriteErrCaption, QByteArray());
    }
};

QTEST_MAIN(TestIncrementalWrite)
#include "tst_incrementalwrite.moc"
