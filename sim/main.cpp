#include "SimOptions.h"
#include "Simulator.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// Ctrl+C, SIGTERM and a closed terminal end the event loop, so that the settings are
// put back as on any other end.
bool quitOnSignals(QCoreApplication &app) {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigemptyset(&action.sa_mask);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    Simulator::Options options;
    if (const std::optional<int> end = SimOptions::read(app.arguments().mid(1), options))
        return *end;
    if (!quitOnSignals(app)) {
        std::fputs("kvt450-sim: cannot watch for Ctrl+C\n", stderr);
        return 2;
    }

    Simulator simulator(options);
    QObject::connect(&simulator, &Simulator::finished, &app, &QCoreApplication::quit);
    QString error;
    if (!simulator.start(error)) {
        std::fprintf(stderr, "kvt450-sim: %s\n", qPrintable(error));
        return 2;
    }
    for (const QString &line : SimOptions::summary(options))
        std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
    return app.exec();
}
