#include "Main.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    // Where the per-user data (the recovery file of a save run) lives.
    QApplication::setOrganizationName(QStringLiteral("KVT450"));
    QApplication::setApplicationName(QStringLiteral("KVT450"));
    return Main(app);
}
