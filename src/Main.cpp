#include "Main.h"

#include "app/SettingsStore.h"
#include "iso/FileCommands.h"
#include "iso/cfrmCopyCard.h"
#include "iso/cfrmReadCard.h"
#include "iso/cfrmRecEntry.h"
#include "iso/cfrmTrackSelect.h"
#include "iso/cfrmWriteCard.h"
#include "iso/cfrmWriteIncr.h"
#include "iso/frmEraseCard.h"
#include "iso/frmTrackSelect.h"
#include "link/LinkRuntime.h"
#include "link/QtCommControl.h"
#include "link/SerialPorts.h"
#include "nonstd/NonIsoWriteCommand.h"
#include "nonstd/frmNonISOFmtSel.h"
#include "nonstd/nfrmReadCard.h"
#include "ui/WindowConventions.h"
#include "ui/WindowSlot.h"
#include "ui/frmCommSetup.h"
#include "ui/frmMainMenu.h"
#include "ui/sfrmErrComm1.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include <functional>
#include <memory>

namespace {

void centre(QWidget &window) {
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
}

// The window is made with args on first use; each call runs it once.
template <class Window, class... Args>
std::function<void()> opener(std::unique_ptr<Window> &slot, Args... args) {
    return [&slot, args...] {
        windowIn(slot, args...).run();
    };
}

} // namespace

int Main(QApplication &app) {
    installWindowConventions(app);
    LinkRuntime runtime;
    SettingsStore store;
    const SystemSerialPorts serialPorts;
    QtCommControl setupPort;

    std::unique_ptr<frmMainMenu> mainWindow;
    std::unique_ptr<cfrmReadCard> readCard;
    std::unique_ptr<cfrmWriteCard> writeCard;
    std::unique_ptr<FileCommands> fileCommands;
    std::unique_ptr<cfrmCopyCard> copyCard;
    std::unique_ptr<frmTrackSelect> trackSelect;
    std::unique_ptr<frmEraseCard> eraseCard;
    std::unique_ptr<cfrmTrackSelect> incrTrackSelect;
    std::unique_ptr<cfrmRecEntry> recEntry;
    std::unique_ptr<cfrmWriteIncr> writeIncr;
    std::unique_ptr<frmNonISOFmtSel> nonIsoFmtSel;
    std::unique_ptr<nfrmReadCard> nonIsoReadCard;
    std::unique_ptr<NonIsoWriteCommand> nonIsoWrite;

    const auto openMainWindow = [&] {
        mainWindow = std::make_unique<frmMainMenu>(runtime.state);
        const PromptWindow::Context context{runtime.state, runtime.waiter, *mainWindow,
                                            runtime.port, [](QObject *parent) {
                                                return new QtCommControl(parent);
                                            }};
        CommandWindows windows;
        windows.readCard = opener(readCard, context, mainWindow.get());
        windows.writeCard = opener(writeCard, context, mainWindow.get());
        fileCommands = std::make_unique<FileCommands>(context, mainWindow.get());
        windows.encodeFromFile = [&fileCommands] {
            fileCommands->encodeFromFile();
        };
        windows.saveToFile = [&fileCommands] {
            fileCommands->saveToFile();
        };
        windows.copyCard = opener(copyCard, context, mainWindow.get());
        windows.eraseTrackSelect = [&trackSelect, &runtime, parent = mainWindow.get()] {
            windowIn(trackSelect, runtime.state, parent).run();
        };
        windows.eraseCard = opener(eraseCard, context, mainWindow.get());
        windows.incrTrackSelect =
            opener(incrTrackSelect, std::ref(runtime.state), mainWindow.get());
        windows.recEntry = opener(recEntry, std::ref(runtime.state), mainWindow.get());
        windows.writeIncr = opener(writeIncr, context, mainWindow.get());
        windows.nonIsoFmtSel = [&nonIsoFmtSel, &nonIsoReadCard, &nonIsoWrite, &runtime, context,
                                parent = mainWindow.get()] {
            frmNonISOFmtSel &selection = windowIn(nonIsoFmtSel, runtime.state, parent);
            // The read and write windows open over the selection, which stays open beneath.
            selection.setWindows({.readCard = opener(nonIsoReadCard, context, &selection),
                                  .densities = opener(nonIsoWrite, context, &selection)});
            selection.run();
        };
        mainWindow->setCommandWindows(windows);
        mainWindow->show();
        centre(*mainWindow);
        // Cards a save run left unsaved are offered once the operator sees the main window.
        QMetaObject::invokeMethod(
            mainWindow.get(), [&fileCommands] { fileCommands->offerLeftBehind(); },
            Qt::QueuedConnection);
    };

    frmCommSetup setup(runtime.state, runtime.port, setupPort, runtime.waiter, store, serialPorts,
                       frmCommSetup::Actions{openMainWindow, [&app] { app.exit(0); },
                                             [&setup](const QString &reason) {
                                                 sfrmErrComm1 error(&setup);
                                                 error.setReason(reason);
                                                 error.showModal();
                                             },
                                             [&setup](const QString &sentence) {
                                                 QMessageBox::warning(
                                                     &setup, QStringLiteral("Settings Not Saved"),
                                                     sentence);
                                             }});
    setup.show();
    centre(setup);
    return app.exec();
}
