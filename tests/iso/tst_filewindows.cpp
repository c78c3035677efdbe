#include "PromptRig.h"

#include "app/MainModule.h"
#include "iso/RecoveryFile.h"
#include "iso/cfrmEncodeRF.h"
#include "iso/cfrmEncodeWF.h"

#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

struct RecoveryFolder {
    QTemporaryDir folder;
    RecoveryFile recovery{folder.path()};
};

struct SaveRig : RecoveryFolder, ModelRig<cfrmEncodeWF> {
    explicit SaveRig(Set set) : ModelRig(set, recovery) { model().setDeck(ThreeCards); }
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
    // Three cards of the deck saved, in both command sets, after a bad card that is refused:
    // a failed read, a track read as "*", or a KVT-380A answer that would not read back as the
    // same card.
    void saveSwipes_data() {
        QTest::addColumn<Set>("set");
        QTest::addColumn<QString>("fault"); // of the bad card
        QTest::addColumn<QString>("error");
        setRow(Set::Kvt380a, "a failed read") << u"read"_s << u"Read Swipe Error: *"_s;
        setRow(Set::Lrq118, "a damaged track") << u"damaged"_s << u"Read Swipe Error: *"_s;
        setRow(Set::Kvt380a, "a damaged track") << u"damaged"_s << u"Read Swipe Error: BAD"_s;
        setRow(Set::Kvt380a, "| in an answer") << u"B|D"_s << u"Read Swipe Error: B|D"_s;
    }

    void saveSwipes() {
        QFETCH(Set, set);
        QFETCH(QString, fault);
        QFETCH(QString, error);
        SaveRig rig(set);
        rig.model().insertCard(Card::fromTexts("BAD", "9", fault == u"damaged" ? "*" : "9"));
        if (fault == u"read")
            rig.model().failNextRead();
        else if (fault.contains(u'|'))
            rig.model().answerWrongly("Q", fault.toLatin1());
        QVERIFY(rig.recovery.start());
        Waits waits;
        rig.cancelWhen([&] {
            waits.begun(rig);
            return rig.state.SaveCardNumber == 4 && rig.model().waitingForSwipe();
        });
        rig.window->run();

        // A failed card keeps its number.
        QCOMPARE(rig.errors.join(""), error);
        QCOMPARE(waits.numbers.join(' '), "1 1 2 3 4");
        QCOMPARE(rig.state.SaveFileText, DeckRecords);
        QCOMPARE(RecoveryFile::pendingText(rig.recovery.path()), DeckRecords);
        // The last card's blank track 3 is stored and shown as "+", length 1.
        QCOMPARE(rig.tracks() + ' ' + rig.lengths(), "THREE|3|+ 5|1|1");
        QCOMPARE(rig.records.message(), QByteArray());
        // Closing: LRQ118 sends ESC a only, KVT-380A DEL.
        QVERIFY(sentHex(*rig.port).endsWith(set == Set::Lrq118 ? " 1b61" : " 7f"));
        QVERIFY(!rig.port->isOpen());
    }

    // LC each time a card is awaited, and the cards written. A failed write is offered again;
    // a command the encoder refuses ends the run as the end of the file would.
    void encodeRecords_data() {
        QTest::addColumn<Set>("set");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("act");
        QTest::addColumn<QString>("numbers");
        QTest::addColumn<QByteArray>("written");
        const auto row = [](Set set, const char *name, const char *act, const char *numbers,
                            const QByteArray &written, const QByteArray &file = DeckRecords) {
            setRow(set, name) << file << QString::fromLatin1(act) << QString::fromLatin1(numbers)
                              << written;
        };
        const QByteArray all = "ONE|1|11 TWO|2|22 THREE|3|";
        for (const Set set : {Set::Lrq118, Set::Kvt380a}) {
            row(set, "three records", "", "1 2 3", all);
            row(set, "Skip on the second", "skip", "1 2 2", "ONE|1|11 THREE|3|");
            row(set, "a failed write, then a good one", "fail", "1 1 2 3", all);
        }
        row(Set::Lrq118, "Cancel on the first", "cancel", "1", {});
        row(Set::Lrq118, "close box on the first", "close", "1", {});
        row(Set::Lrq118, "last line unended", "", "1", "ONE|1|11", "ONE|1|11\r\nTWO|2|22");
        row(Set::Kvt380a, "refused", "refuse", "1", {});
    }

    void encodeRecords() {
        QFETCH(Set, set);
        QFETCH(QByteArray, file);
        QFETCH(QString, act);
        QFETCH(QString, numbers);
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
            return waits.numbers.join(' ') == numbers;
        });
        rig.window->run();

        const bool cancelled = act == u"cancel" || act == u"close";
        QCOMPARE(waits.numbers.join(' '), numbers);
        QTEST(rig.written.join(' '), "written");
        QCOMPARE(rig.errors.join(""),
                 act == u"fail" || act == u"refuse" ? "Write Swipe Error: *" : "");
        QCOMPARE(rig.state.EncodeFileCancelled, cancelled);
        QCOMPARE(skipWasEnabled, act == u"skip");
        QVERIFY(!rig.child("Command1_1")->isEnabled());
        QCOMPARE(rig.records.message(), QByteArray());
        // The opening and the first record's write; closing sends DEL through SendAndWait in both
        // command sets, and an LRQ118 write cancelled while it waits for a card its ESC a.
        const QByteArray sent = sentHex(*rig.port);
        const bool lrq = set == Set::Lrq118;
        QVERIFY(
            sent.startsWith(lrq ? "1b61 1b5a3d163d 1b6ad24bd2 1b771b731b014f4e451b02311b0331313f1c"
                                : "7f 28 41 4f4e4504 42 3104 43 313104 40"));
        QVERIFY(sent.endsWith(lrq && cancelled ? " 7f 1b61" : " 7f"));
        QVERIFY(!rig.port->isOpen());
    }
};

QTEST_MAIN(TestFileWindows)
#include "tst_filewindows.moc"
