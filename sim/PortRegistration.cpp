#include "PortRegistration.h"

#include <QCoreApplication>
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
    PortRegistrationRecord record{port_, device_, previous_, QCoreApplication::applicationPid()};
    // Over another simulator's registration the operator's own mapping is the one that
    // simulator kept.
    if (const auto running = PortRegistrationRecord::load(store, port_);
        running && previous_ == running->device) {
        replaced_ = running;
        record.earlier = running->earlier;
    }
    store.setValue(key(), device_);
    record.save(store);
    store.sync();
}

void PortRegistration::restore() {
    if (!active_)
        return;
    active_ = false;
    QSettings store = openStore();
    const auto record = PortRegistrationRecord::load(store, port_);
    if (store.value(key()).toString() == device_) {
        if (previous_)
            store.setValue(key(), *previous_);
        else
            store.remove(key());
        if (replaced_)
            replaced_->save(store);
        else if (record && record->device == device_)
            PortRegistrationRecord::remove(store, port_);
    } else if (record && record->device == device_) {
        PortRegistrationRecord::remove(store, port_);
    }
    store.sync();
}

QString PortRegistration::key() const {
    return PortRegistrationRecord::mappingKey(port_);
}

QString PortRegistration::storeFile() {
    return openStore().fileName();
}

QList<PortRegistrationRecord> PortRegistration::restoreStale() {
    QSettings store = openStore();
    return restoreStaleRegistrations(store);
}
