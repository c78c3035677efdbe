#include "BatchRecord.h"

#include "iso/IncrementalBatch.h"

#include <QTest>

using namespace IncrementalBatch;

namespace {

QByteArray joined(const IsoFrames::Tracks &card) {
    return card[0] + '|' + card[1] + '|' + card[2];
}

} // namespace

class TestIncrementalBatch : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void cardsOfABatch_data() {
        QTest::addColumn<Batch>("batch");
        QTest::addColumn<QByteArrayList>("cards");
        QTest::newRow("ID98Z, 3 cards") << Batch{1, {"ID", "12", ""}, 98, 1, 3, "Z"}
                                        << QByteArrayList{"ID98Z|12|", "ID99Z|12|", "ID100Z|12|"};
        QTest::newRow("7 on track 2") << Batch{2, {"NAME", ";", "+"}, 7, 1, 3, "="}
                                      << QByteArrayList{"NAME|;7=|+", "NAME|;8=|+", "NAME|;9=|+"};
        QTest::newRow("increment 0")
            << Batch{3, {"", "", "55"}, 4, 0, 2, ""} << QByteArrayList{"||554", "||554"};
        QTest::newRow("counting down through 0")
            << Batch{1, {"A", "", ""}, 1, -1, 3, ""} << QByteArrayList{"A1||", "A0||", "A-1||"};
        QTest::newRow("past the 32-bit range")
            << Batch{2, {"", "", ""}, 2147483646, 1, 3, ""}
            << QByteArrayList{"|2147483646|", "|2147483647|", "|2147483648|"};
        QTest::newRow("largest steps")
            << Batch{1, {"", "", ""}, 2147483647, 2147483647, 3, ""}
            << QByteArrayList{"2147483647||", "4294967294||", "6442450941||"};
        QTest::newRow("below the 32-bit range")
            << Batch{1, {"", "", ""}, -2147483648LL, -2147483648LL, 2, ""}
            << QByteArrayList{"-2147483648||", "-4294967296||"};
    }

    // Each card written moves the number on; the batch is done after count cards.
    void cardsOfABatch() {
        QFETCH(Batch, batch);
        MainModule state;
        state.initialise();
        batch.applyTo(state);
        QByteArrayList cards;
        bool done = false;
        while (!done && cards.size() < 10) {
            cards << joined(CurrentCard(state));
            done = CardWritten(state);
        }
        QTEST(cards, "cards");
        QCOMPARE(state.IncrCount, 0);
    }

    void cardFaults_data() {
        QTest::addColumn<QByteArray>("track1");
        QTest::addColumn<QByteArray>("track2");
        QTest::addColumn<QByteArray>("track3");
        QTest::addColumn<QString>("fault");
        const QByteArray digits(104, '7');
        QTest::newRow("writable") << QByteArray("ID-1Z") << QByteArray("12=34") << QByteArray("<")
                                  << QString();
        QTest::newRow("not written: empty, blank, failed")
            << QByteArray() << QByteArray("+") << QByteArray("*") << QString();
        QTest::newRow("negative number on track 2")
            << QByteArray() << QByteArray("-1") << QByteArray()
            << "track 2 holds \"-\", which this track cannot carry";
        QTest::newRow("negative number on track 3")
            << QByteArray() << QByteArray() << QByteArray(";12-5")
            << "track 3 holds \"-\", which this track cannot carry";
        QTest::newRow("? on track 1") << QByteArray("A?") << QByteArray() << QByteArray()
                                      << "track 1 holds \"?\", which this track cannot carry";
        QTest::newRow("lower case on track 1")
            << QByteArray("Ab") << QByteArray() << QByteArray()
            << "track 1 holds \"b\", which this track cannot carry";
        QTest::newRow("full tracks")
            << QByteArray(76, 'A') << digits.left(37) << digits << QString();
        QTest::newRow("track 1 overflows")
            << QByteArray(77, 'A') << QByteArray() << QByteArray()
            << "track 1 has 77 characters, more than the 76 it can hold";
        QTest::newRow("track 2 overflows")
            << QByteArray() << digits.left(38) << QByteArray()
            << "track 2 has 38 characters, more than the 37 it can hold";
        QTest::newRow("track 3 overflows")
            << QByteArray() << QByteArray() << digits + '8'
            << "track 3 has 105 characters, more than the 104 it can hold";
        QTest::newRow("the first fault") << QByteArray("?") << QByteArray("A") << QByteArray()
                                         << "track 1 holds \"?\", which this track cannot carry";
    }

    void cardFaults() {
        QFETCH(QByteArray, track1);
        QFETCH(QByteArray, track2);
        QFETCH(QByteArray, track3);
        const std::optional<CardFault> fault = FindCardFault({track1, track2, track3});
        QString seen;
        if (fault)
            seen = QStringLiteral("track %1 ").arg(fault->track) + DescribeTrackFault(fault->fault);
        QTEST(seen, "fault");
    }

    void numberBoxTexts_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("number");
        for (const char *text :
             {"12", "0007", "-5", "+5", "1.5", ".5", "5.", "1E3", "1e-3", "2D+2", " 7 "})
            QTest::newRow(text) << QByteArray(text) << true;
        for (const char *text : {"12AB", "E3", ".", "-", "1 2", "--1", "1E", "&H1F", "1.2.3"})
            QTest::newRow(text) << QByteArray(text) << false;
    }

    void numberBoxTexts() {
        QFETCH(QByteArray, text);
        QTEST(ReadsAsNumber(text), "number");
    }
};

QTEST_GUILESS_MAIN(TestIncrementalBatch)
#include "tst_incrementalbatch.moc"
