#include "ui/PromptPlacement.h"

#include <QTest>

class TestPromptPlacement : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Screen, main window and its button area (frames in screen coordinates), the prompt's
    // size: where the prompt goes.
    void placement_data() {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("owner");
        QTest::addColumn<QRect>("buttons");
        QTest::addColumn<QSize>("prompt");
        QTest::addColumn<QPoint>("position");
        const QRect wide(0, 0, 1920, 1080);
        const QRect owner(300, 200, 620, 450);
        const QRect buttons(310, 530, 600, 110);
        const QSize prompt(400, 150);
        QTest::newRow("room on the right")
            << wide << owner << buttons << prompt << QPoint(928, 200);
        QTest::newRow("right edge exactly")
            << QRect(0, 0, 1328, 1080) << owner << buttons << prompt << QPoint(928, 200);
        QTest::newRow("one pixel short on the right, room on the left")
            << QRect(0, 0, 1327, 1080) << QRect(500, 200, 620, 450) << QRect(510, 530, 600, 110)
            << prompt << QPoint(92, 200);
        QTest::newRow("no room beside: over the buttons")
            << QRect(0, 0, 1280, 1024) << owner << buttons << prompt << QPoint(410, 530);
        QTest::newRow("over the buttons, pushed up to stay on screen")
            << QRect(0, 0, 1280, 600) << owner << buttons << prompt << QPoint(410, 450);
        QTest::newRow("beside, pushed up to stay on screen")
            << QRect(0, 0, 1920, 300) << owner << buttons << prompt << QPoint(928, 150);
        QTest::newRow("main window partly off the left edge")
            << QRect(0, 0, 800, 800) << QRect(-200, 100, 620, 450) << QRect(-190, 430, 600, 110)
            << prompt << QPoint(0, 430);
        QTest::newRow("second screen to the right")
            << QRect(1920, 0, 1280, 1024) << QRect(1950, 50, 620, 450) << QRect(1960, 380, 600, 110)
            << prompt << QPoint(2578, 50);
        QTest::newRow("no buttons: over the window")
            << QRect(0, 0, 1000, 800) << QRect(200, 100, 620, 450) << QRect() << prompt
            << QPoint(310, 100);
        QTest::newRow("larger than the screen: top left")
            << QRect(0, 0, 640, 480) << QRect(10, 10, 600, 400) << QRect(20, 300, 580, 100)
            << QSize(700, 500) << QPoint(0, 0);
    }

    void placement() {
        QFETCH(QRect, screen);
        QFETCH(QRect, owner);
        QFETCH(QRect, buttons);
        QFETCH(QSize, prompt);
        const QPoint position = promptPosition(screen, owner, buttons, prompt);
        QTEST(position, "position");
        const QRect placed(position, prompt);
        if (prompt.width() <= screen.width() && prompt.height() <= screen.height())
            QVERIFY(screen.contains(placed));
    }
};

QTEST_MAIN(TestPromptPlacement)
#include "tst_promptplacement.moc"
