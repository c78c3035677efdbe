#include "ui/Main.h"

#include "app/MainModule.h"
#include "app/SettingsStore.h"
#include "link/EventPump.h"
#include "link/QtCommControl.h"
#include "link/Waiter.h"
#include "ui/frmCommSetup.h"
#include "ui/frmMainMenu.h"
#include "ui/sfrmErrComm1.h"

#include <QApplication>
#include <QScreen>

#include <memory>

namespace {

void centre(QWidget &window) {
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
}

} // namespace

int Main(QApplication &app) {
    MainModule state;
    state.initialise();
    SteadyClock clock;
    QtEventPump pump;
    Waiter waiter(state, clock, pump);
    SettingsStore store;
    QtCommControl setupPort;
    std::unique_ptr<frmMainMenu> mainWindow;

    frmCommSetup setup(state, setupPort, waiter, store,
                       frmCommSetup::Actions{[&] {
                                                 mainWindow = std::make_unique<frmMainMenu>(state);
                                                 mainWindow->show();
                                                 centre(*mainWindow);
                                             },
                                             [&app] { app.exit(0); },
                                             [&setup](const QString &reason) {
                                                 sfrmErrComm1 error(&setup);
                                                 error.setReason(reason);
                                                 error.showModal();
                                             }});
    setup.show();
    centre(setup);
    return app.exec();
}
