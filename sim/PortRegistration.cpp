#include "PortRegistration.h"

#include <QSettings>

namespace {

// The utility's own store: ~/.config/KVT450/KVT450.conf on Linux.
QSettings openStore() {
    return QSettings(QStringLiteral("KVT450"), QStringLiteral("KVT450"));
}

} // namespace

PortRegistration::PortRegistration(int port, const QString &device) : port_(port), device_(device) {
    QSettings store = openStore();
    if (store.contains(key()))
        previous_ = store.value(key()).toString();
    store.setValue(key(), device_);
    store.sync();
}

void PortRegistration::restore() {
    if (!active_)
        return;
    active_ = false;
    QSettings store = openStore();
    if (store.value(key()).toString() != device_)
        return;
    if (previous_)
        store.setValue(key(), *previous_);
    else
        store.remove(key());
    store.sync();
}

QString PortRegistration::key() const {
    return QStringLiteral("Ports/COM%1").arg(port_);
}

QString PortRegistration::storeFile() {
    return openStore().fileName();
}
