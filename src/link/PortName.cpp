#include "link/PortName.h"

#include "app/SettingsStore.h"

QString portDeviceName(int n, const SettingsStore &store) {
#ifdef Q_OS_WIN
    Q_UNUSED(store);
    return QStringLiteral("COM%1").arg(n);
#else
    const QString configured = store.portOverride(n);
    if (!configured.isEmpty())
        return configured;
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}
