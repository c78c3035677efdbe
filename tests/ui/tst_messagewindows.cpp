#include "MessageWindowSet.h"
#include "ModalWatcher.h"

#include "app/MainModule.h"

#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::StringLiterals;

class TestMessageWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsAndTexts() {
        MainModule state;
        state.initialise();
        MessageWindowSet windows(state);
        windows.save.setFileName(u"/home/op/E052026812..txt"_s);
        ModalWatcher watcher;
        for (MessageWindow *window : windows.all())
            window->showModal();
        // The read and write captions follow NonIsoMode and WriteErrCaption as they are at
        // each opening, not at construction.
        const QByteArray incremental = "Incremental Encode Write Error";
        const std::pair<bool, QByteArray> states[] = {
            {false, incremental}, {true, incremental}, {false, {}}};
        for (const auto &[nonIso, caption] : states) {
            state.NonIsoMode = nonIso;
            state.WriteErrCaption = caption;
            windows.read.showModal();
            windows.write.showModal();
        }

        QStringList shown;
        QStringList captions;
        for (const ModalWatcher::Seen &seen : watcher.seen) {
            QCOMPARE(seen.focus, u"Command1_0"_s);
            shown << seen.title + u": "_s + seen.text;
            captions << seen.title;
        }
        QCOMPARE(
            shown.first(7),
            (QStringList{
                u"Read Swipe Error: Read error!  Please try again."_s,
                u"Write Swipe Error: Write error!  Please try again."_s,
                u"Erase Swipe Error: Erase error!  Please try again."_s,
                u"File Encode Complete (EOF): End of file reached.  Press OK to exit."_s,
                u"Incremental Encode Complete: Last incremental encode done.  Press OK to exit."_s,
                u"File Encode - File Format Error: Incorrect file format. Select ASCII format only."_s,
                u"File Overwrite Abort: "_s}));
        QCOMPARE(captions.mid(7),
                 (QStringList{"Read Swipe Error", "Incremental Encode Write Error",
                              "Non-ISO Read Swipe Error", "Non-ISO Write Swipe Error",
                              "Read Swipe Error", "Write Swipe Error"}));
        // The save error names the file after its label, in a box of its own.
        QCOMPARE(windows.save.findChild<QLabel *>(u"LB"_s)->text() +
                     windows.save.findChild<QPlainTextEdit *>(u"LC"_s)->toPlainText(),
                 u"No card swipe(s) saved to /home/op/E052026812..txt"_s);
    }
};

QTEST_MAIN(TestMessageWindows)
#include "tst_messagewindows.moc"
