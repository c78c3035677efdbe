#include "ui/Main.h"

#include "app/MainModule.h"
#include "app/SettingsStore.h"
#include "iso/cfrmReadCard.h"
#include "iso/cfrmWriteCard.h"
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

// Every window is made the first time it is used and kept for the rest of the run.
template <class Window>
std::function<void()> opener(std::unique_ptr<Window> &slot, const PromptWindow::Context &context,
                             QWidget *parent) {
    return [&slot, context, parent] {
        if (!slot)
            slot = std::make_unique<Window>(context, parent);
        slot->run();
    };
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
    std::unique_ptr<cfrmReadCard> readCard;
    std::unique_ptr<cfrmWriteCard> writeCard;

    const auto openMainWindow = [&] {
        mainWindow = std::make_unique<frmMainMenu>(state);
        const PromptWindow::Context context{state, waiter, *mainWindow, [](QObject *parent) {
                                                return new QtCommControl(parent);
                                            }};
        CommandWindows windows;
        windows.readCard = opener(readCard, context, mainWindow.get());
        windows.writeCard = opener(writeCard, context, mainWindow.get());
        mainWindow->setCommandWindows(windows);
        mainWindow->show();
        centre(*mainWindow);
    };

    frmCommSetup setup(state, setupPort, waiter, store,
                       frmCommSetup::Actions{openMainWindow, [&app] { app.exit(0); },
                                             [&setup](const QString &reason) {
                                                 sfrmErrComm1 error(&setup);
                                                 error.setReason(reason);
                                                 error.showModal();
                                             }});
    setup.show();
    centre(setup);
    return app.exec();
}
