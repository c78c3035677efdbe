#include "Main.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <optional>
#include <string_view>

namespace {

constexpr const char *HelpText = R"(Usage: kvt450 [--help | --version]

Reads, writes, copies and erases magnetic-stripe cards with a KVT-450 series
encoder on a serial port. The port, the line settings, the command set and the
write coercivity are confirmed in the setup window at every start and kept for
the next one (on Linux in ~/.config/KVT450/KVT450.conf).

Options:
  -h, --help     show this help and end
  --version      show the version and end

Qt's own options, such as -platform or -style, are accepted too.
)";

// Answered before the window system is reached, so that they also work on a console
// without a display.
std::optional<int> answerInformationRequest(int argc, char *argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(HelpText, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("kvt450 (%s) %s\n", KVT_APP_NAME, KVT_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[]) {
    if (const std::optional<int> exitCode = answerInformationRequest(argc, argv))
        return *exitCode;
    QApplication app(argc, argv);
    // Qt has taken out its own options: a word left over is a typing mistake, and starting
    // anyway would hide it.
    if (const QStringList unknown = QApplication::arguments().mid(1); !unknown.isEmpty()) {
        std::fprintf(stderr, "kvt450: unknown argument '%s'\nTry 'kvt450 --help'.\n",
                     qPrintable(unknown.first()));
        return 2;
    }
    // Where the per-user data (the recovery files of save runs) lives.
    QApplication::setOrganizationName(QStringLiteral("KVT450"));
    QApplication::setApplicationName(QStringLiteral("KVT450"));
    QApplication::setApplicationVersion(QStringLiteral(KVT_VERSION));
    // Lets the desktop shell match the window to its menu entry and icon.
    QApplication::setDesktopFileName(QStringLiteral(KVT_APP_ID));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/kvt450.svg")));
    return Main(app);
}
