#include "ui/Main.h"

#include "app/MainModule.h"
#include "app/SettingsStore.h"
#include "link/EventPump.h"
#include "link/QtCommControl.h"
#include "link/Waiter.h"
#include "ui/frmCommSetup.h"
#include "ui/sfrmErrComm1.h"

#include <QApplication>
#include <QScreen>

int Main(QApplication &app) {
    MainModule state;
    state.initialise();
    SteadyClock clock;
    QtEventPump pump;
    Waiter waiter(state, clock, pump);
    SettingsStore store;
    QtCommControl setupPort;

    frmCommSetup setup(state, setupPort, waiter, store,
                       frmCommSetup::Actions{[] {}, [&app] { app.exit(0); },
                                             [&setup](const QString &reason) {
                                                 sfrmErrComm1 error(&setup);
                                                 error.setReason(reason);
                                                 error.showModal();
                                             }});
    setup.show();
    setup.move(setup.screen()->availableGeometry().center() - setup.rect().center());
    return app.exec();
}
