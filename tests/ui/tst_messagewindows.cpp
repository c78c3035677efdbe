#include "ModalWatcher.h"

#include "app/MainModule.h"
#include "ui/MessageWindows.h"

#include <QPlainTextEdit>
#include <QTest>

#include <memory>

class TestMessageWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionAndText_data();
    void captionAndText();
    void captionChosenAtEachOpening();
    void saveErrorNamesTheFile();
};

namespace {

std::unique_ptr<MessageWindow> make(const QString &kind, const MainModule &state) {
    if (kind == u"sfrmReadErr")
        return std::make_unique<sfrmReadErr>(state);
    if (kind == u"sfrmWriteErr")
        return std::make_unique<sfrmWriteErr>(state);
    if (kind == u"sfrmEraseErr")
        return std::make_unique<sfrmEraseErr>();
    if (kind == u"sfrmRFOK")
        return std::make_unique<sfrmRFOK>();
    if (kind == u"sfrmIncEOK")
        return std::make_unique<sfrmIncEOK>();
    return std::make_unique<sfrmFormatError>();
}

} // namespace

void TestMessageWindows::captionAndText_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("nonIso");
    QTest::addColumn<QByteArray>("writeErrCaption");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");

    const QString readText = QStringLiteral("Read error!  Please try again.");
    const QString writeText = QStringLiteral("Write error!  Please try again.");
    const QByteArray incr = "Incremental Encode Write Error";
    QTest::newRow("read") << "sfrmReadErr" << false << QByteArray() << "Read Swipe Error"
                          << readText;
    QTest::newRow("read, caption override ignored")
        << "sfrmReadErr" << false << incr << "Read Swipe Error" << readText;
    QTest::newRow("read, Non-ISO")
        << "sfrmReadErr" << true << QByteArray() << "Non-ISO Read Swipe Error" << readText;
    QTest::newRow("write") << "sfrmWriteErr" << false << QByteArray() << "Write Swipe Error"
                           << writeText;
    QTest::newRow("write, incremental")
        << "sfrmWriteErr" << false << incr << "Incremental Encode Write Error" << writeText;
    QTest::newRow("write, Non-ISO beats the override")
        << "sfrmWriteErr" << true << incr << "Non-ISO Write Swipe Error" << writeText;
    QTest::newRow("erase") << "sfrmEraseErr" << true << incr << "Erase Swipe Error"
                           << "Erase error!  Please try again.";
    QTest::newRow("end of file") << "sfrmRFOK" << false << QByteArray()
                                 << "File Encode Complete (EOF)"
                                 << "End of file reached.  Press OK to exit.";
    QTest::newRow("batch done") << "sfrmIncEOK" << false << QByteArray()
                                << "Incremental Encode Complete"
                                << "Last incremental encode done.  Press OK to exit.";
    QTest::newRow("format") << "sfrmFormatError" << false << QByteArray()
                            << "File Encode - File Format Error"
                            << "Incorrect file format. Select ASCII format only.";
}

void TestMessageWindows::captionAndText() {
    QFETCH(QString, kind);
    QFETCH(bool, nonIso);
    QFETCH(QByteArray, writeErrCaption);
    QFETCH(QString, caption);
    QFETCH(QString, text);

    MainModule state;
    state.initialise();
    const auto window = make(kind, state);
    // The state at opening counts, not the state at construction.
    state.NonIsoMode = nonIso;
    state.WriteErrCaption = writeErrCaption;

    ModalWatcher watcher;
    window->showModal();
    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen[0].title, caption);
    QCOMPARE(watcher.seen[0].text, text);
    QCOMPARE(watcher.seen[0].focus, QStringLiteral("Command1_0"));
    QVERIFY(!window->isVisible());
}

void TestMessageWindows::captionChosenAtEachOpening() {
    MainModule state;
    state.initialise();
    sfrmWriteErr window(state);
    ModalWatcher watcher;

    state.WriteErrCaption = "Incremental Encode Write Error";
    window.showModal();
    state.WriteErrCaption.clear();
    window.showModal();
    window.showModal();

    QCOMPARE(watcher.seen.size(), 3);
    QCOMPARE(watcher.seen[0].title, QStringLiteral("Incremental Encode Write Error"));
    QCOMPARE(watcher.seen[1].title, QStringLiteral("Write Swipe Error"));
    QCOMPARE(watcher.seen[2].title, QStringLiteral("Write Swipe Error"));
}

void TestMessageWindows::saveErrorNamesTheFile() {
    sfrmSaveError window;
    const QString path = QStringLiteral("/home/operator/cards/E052026812..txt");
    window.setFileName(path);
    QString shown;
    QString label;
    bool readOnly = false;
    ModalWatcher watcher;
    watcher.inspect = [&](QWidget *modal) {
        const auto *lc = modal->findChild<QPlainTextEdit *>(QStringLiteral("LC"));
        shown = lc->toPlainText();
        readOnly = lc->isReadOnly() && lc->frameShape() == QFrame::NoFrame;
        label = modal->findChild<QLabel *>(QStringLiteral("LB"))->text();
    };
    window.showModal();
    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen[0].title, QStringLiteral("File Overwrite Abort"));
    QCOMPARE(watcher.seen[0].focus, QStringLiteral("Command1_0"));
    QCOMPARE(label, QStringLiteral("No card swipe(s) saved to "));
    QCOMPARE(shown, path);
    QVERIFY(readOnly);
}

QTEST_MAIN(TestMessageWindows)
#include "tst_messagewindows.moc"
