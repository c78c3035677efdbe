#include "FakeLink.h"
#include "ModelPort.h"

#include "link/NonIsoFrames.h"
#include "nonstd/NonIsoWriteCommand.h"
#include "nonstd/nfrmSwipeWrite.h"
#include "nonstd/nfrmWDD.h"
#include "nonstd/nfrmWrite.h"

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
namespace Format = NonIsoFrames::Format;

namespace {

// Plays the operator: each step runs once a window of its class is the modal one on top
// and its condition holds. Buttons are pressed from the event loop, so that a window they
// open does not hold up the steps that follow.
class Operator : public QObject {
public:
    struct Step {
        const char *window;
        std::function<bool(QWidget *)> ready;
        std::function<void(QWidget *)> act;
    };

    explicit Operator(QList<Step> steps) : steps_(std::move(steps)) {
        connect(&timer_, &QTimer::timeout, this, &Operator::poll);
        timer_.start(2ms);
    }

    [[nodiscard]] qsizetype done() const { return next_; }

    static void press(QWidget *window, const char *button) {
        auto *found = window->findChild<QPushButton *>(QLatin1String(button));
        QMetaObject::invokeMethod(found, &QPushButton::click, Qt::QueuedConnection);
    }

private:
    void poll() {
        QWidget *modal = QApplication::activeModalWidget();
        if (next_ >= steps_.size() || modal == nullptr || !modal->isVisible())
            return;
        const Step &step = steps_.at(next_);
        if (!modal->inherits(step.window) || (step.ready && !step.ready(modal)))
            return;
        ++next_;
        step.act(modal);
    }

    QList<Step> steps_;
    qsizetype next_ = 0;
    QTimer timer_;
};

const QByteArray D210 = "210 BPI (Standard for T1&T3)";
const QByteArray D75 = "75 BPI (Standard for T2)";

QByteArrayList densities(const MainModule &state) {
    return {state.NonIsoT1Density, state.NonIsoT2Density, state.NonIsoT3Density};
}

} // namespace

class TestNonIsoWriteCommand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void densitiesStoredFromTheStart();
    void densitiesThenEntryThenSwipeWrite();
};

// The ISO densities are in the shared state as soon as the window opens, whatever was
// chosen before, and every pick is stored at once.
void TestNonIsoWriteCommand::densitiesStoredFromTheStart() {
    MainModule state;
    state.initialise();
    nfrmWDD window(state);
    QList<QByteArrayList> seen;
    // Once the window is open: the densities, a pick in one list, the densities, a button.
    const auto pick = [&](int track, int index, const char *button) {
        QTimer::singleShot(0, &window, [&, track, index, button] {
            seen << densities(state);
            window.findChild<QComboBox *>(u"Combo1_%1"_s.arg(track))->setCurrentIndex(index);
            seen << densities(state);
            window.findChild<QPushButton *>(QLatin1String(button))->click();
        });
    };
    state.NonIsoT1Density = D75;
    pick(0, 1, "Command3");
    QVERIFY(!window.run());
    pick(1, 0, "Command2");
    QVERIFY(window.run());
    const QByteArrayList iso = {D210, D75, D210};
    QCOMPARE(seen, (QList<QByteArrayList>{iso, {D75, D75, D210}, iso, {D210, D210, D210}}));
}

// Write, as the format selection runs it: the density window closes on OK and the entry
// window opens; its OK writes cards until Cancel; back in the entry window, the data is
// still there; Cancel there ends the command.
void TestNonIsoWriteCommand::densitiesThenEntryThenSwipeWrite() {
    FakeLink link("KVT-380A");
    MainModule &state = link.state;
    state.NonIsoMode = true;
    state.NonIsoStdFormat = true;
    state.NonIsoT1Format = Format::StdT1;
    state.NonIsoT2Format = Format::StdT2;
    state.NonIsoT3Format = Format::StdT3;
    ModelPort *port = nullptr;
    NonIsoWriteCommand command(link.context([&](QObject *parent) {
        port = new ModelPort(link.clock, EncoderModel::CommandSet::Kvt380a);
        port->setParent(parent);
        port->model().setAutoSwipe(300ms);
        return port;
    }),
                               nullptr);
    QWidget *densityWindow = nullptr;
    bool densityClosed = false;
    bool cancelled = false;
    QString dataWhenBack;
    // On the swipe write's own clock: Cancel while the second card is awaited.
    std::function<void()> cancelAtCard2 = [&] {
        auto *swipe = qobject_cast<nfrmSwipeWrite *>(QApplication::activeModalWidget());
        if (swipe == nullptr || swipe->cardNumber() != 2 || !port->model().waitingForSwipe()) {
            link.pump.after(5ms, cancelAtCard2);
            return;
        }
        swipe->findChild<QPushButton *>(u"Command1_0"_s)->click();
        cancelled = true;
    };
    Operator operate({
        {"nfrmWDD",
         {},
         [&](QWidget *w) {
             densityWindow = w;
             w->findChild<QComboBox *>(u"Combo1_2"_s)->setCurrentIndex(1);
             Operator::press(w, "Command2");
         }},
        {"nfrmWrite",
         {},
         [&](QWidget *w) {
             densityClosed = !densityWindow->isVisible();
             QTest::keyClicks(w->findChild<QPlainTextEdit *>(u"TIT_2"_s), u"123"_s);
             link.pump.after(5ms, cancelAtCard2);
             Operator::press(w, "Command1_0");
         }},
        {"nfrmWrite", [&](QWidget *) { return cancelled; },
         [&](QWidget *w) {
             dataWhenBack = w->findChild<QPlainTextEdit *>(u"TIT_2"_s)->toPlainText();
             Operator::press(w, "Command1_1");
         }},
    });
    command.run();

    QCOMPARE(operate.done(), 3);
    QVERIFY(densityClosed);
    QCOMPARE(state.NonIsoT3Density, D75);
    QCOMPARE(port->events().filter(u"wrote track"_s),
             QStringList{R"(wrote track 3: "123" (5-bit T3, 75 BPI))"});
    QCOMPARE(dataWhenBack, "123");
}

QTEST_MAIN(TestNonIsoWriteCommand)
#include "tst_nonisowritecommand.moc"
