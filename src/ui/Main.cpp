#include "ui/Main.h"

#include "app/MainModule.h"

#include <QApplication>

int Main(QApplication &app) {
    MainModule state;
    state.initialise();
    return app.exec();
}
