// A save run against the in-process encoder that stops swiping after three cards, so that
// a test can kill the program in the middle of the run. Its one argument is the folder of
// the recovery files.
#include "FakeLink.h"
#include "ModelPort.h"

#include "iso/FileCommands.h"

#include <QApplication>

#include <cstdio>

using namespace std::chrono_literals;

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    FakeLink link("LRQ118");
    ModelPort *port = nullptr;
    QWidget parent;
    FileCommands commands(link.context([&](QObject *owner) {
        port = new ModelPort(link.clock, EncoderModel::CommandSet::Lrq118);
        port->setParent(owner);
        port->model().setDeck({Card::fromTexts("ONE", "1", "11"), Card::fromTexts("TWO", "2", "22"),
                               Card::fromTexts("THREE", "3", "")});
        port->model().setAutoSwipe(300ms);
        return port;
    }),
                          &parent, QString::fromLocal8Bit(argv[1]));
    commands.setFileDialogs({}, [](QWidget *, const QString &, const QString &, const QString &) {
        return QStringLiteral("/never/written.txt");
    });
    std::function<void()> watch = [&] {
        if (link.state.SaveCardNumber != 4) {
            link.pump.after(5ms, watch);
            return;
        }
        port->model().setAutoSwipe(std::nullopt);
        std::printf("saved 3\n");
        std::fflush(stdout);
    };
    link.pump.after(5ms, watch);
    commands.saveToFile();
    // Only reached when the test did not kill the program.
    return 1;
}
