#include "link/PortList.h"

#include "link/PortConfig.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

bool isPortNumber(int number) {
    return number >= LowestPort && number <= HighestPort;
}

// The number whose default device this is, or nothing.
std::optional<int> defaultNumberOf(const QString &device) {
#ifdef Q_OS_WIN
    static const QRegularExpression pattern(QStringLiteral("^COM([0-9]{1,5})$"));
    const int offset = 0;
#else
    static const QRegularExpression pattern(QStringLiteral("^/dev/ttyS([0-9]{1,5})$"));
    const int offset = 1;
#endif
    const QRegularExpressionMatch match = pattern.match(device);
    if (!match.hasMatch())
        return std::nullopt;
    const int number = match.captured(1).toInt() + offset;
    if (!isPortNumber(number))
        return std::nullopt;
    return number;
}

// ttyUSB2 before ttyUSB10: adapters are offered in the order the system numbered them.
bool naturalLess(const DetectedPort &a, const DetectedPort &b) {
    static const QRegularExpression trailingDigits(QStringLiteral("^(.*?)([0-9]*)$"));
    const QRegularExpressionMatch x = trailingDigits.match(a.device);
    const QRegularExpressionMatch y = trailingDigits.match(b.device);
    if (x.captured(1) != y.captured(1))
        return x.captured(1) < y.captured(1);
    if (x.captured(2).size() != y.captured(2).size())
        return x.captured(2).size() < y.captured(2).size();
    return x.captured(2) < y.captured(2);
}

} // namespace

QString PortEntry::deviceText() const {
    if (description.isEmpty())
        return device;
    return QStringLiteral("%1 - %2").arg(device, description);
}

QString defaultPortDevice(int number) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

PortList::PortList(const QMap<int, QString> &mappings) {
    for (auto it = mappings.cbegin(); it != mappings.cend(); ++it)
        if (isPortNumber(it.key()))
            mappings_.insert(it.key(), {it.value(), it.value()});
    listEntries();
}

PortList::PortList(const QMap<int, QString> &mappings, const SerialPortSource &source,
                   std::optional<int> reserved) {
    QMap<QString, int> numberOfDevice;
    for (auto it = mappings.cbegin(); it != mappings.cend(); ++it) {
        if (!isPortNumber(it.key()))
            continue;
        const QString canonical = source.canonicalName(it.value());
        mappings_.insert(it.key(), {it.value(), canonical});
        // Where two numbers name one device, the lower one stands for it.
        if (!numberOfDevice.contains(canonical))
            numberOfDevice.insert(canonical, it.key());
    }

    QList<DetectedPort> detected = source.detect();
    std::sort(detected.begin(), detected.end(), naturalLess);
    QSet<int> taken(mappings.keyBegin(), mappings.keyEnd());
    if (reserved)
        taken.insert(*reserved);
    QStringList unnumbered;
    QList<int> adapterNumbers;
    for (const DetectedPort &port : detected) {
        const QString canonical = source.canonicalName(port.device);
        if (detected_.contains(canonical))
            continue;
        detected_.insert(canonical, port);
        std::optional<int> number;
        if (numberOfDevice.contains(canonical))
            number = numberOfDevice.value(canonical);
        else if (const auto standard = defaultNumberOf(port.device);
                 standard && !mappings.contains(*standard))
            number = standard;
        if (number) {
            taken.insert(*number);
            if (port.adapter)
                adapterNumbers << *number;
        } else {
            unnumbered << canonical;
        }
    }
    int next = ListedPorts + 1;
    for (const QString &canonical : std::as_const(unnumbered)) {
        while (taken.contains(next))
            ++next;
        if (next > HighestPort)
            break;
        offers_.insert(next, canonical);
        taken.insert(next);
        if (detected_.value(canonical).adapter)
            adapterNumbers << next;
    }
    if (adapterNumbers.size() == 1)
        proposal_ = adapterNumbers.constFirst();
    listEntries();
}

void PortList::listEntries() {
    QList<int> numbers;
    for (int n = LowestPort; n <= ListedPorts; ++n)
        numbers << n;
    numbers << mappings_.keys() << offers_.keys();
    for (const DetectedPort &port : std::as_const(detected_))
        if (const auto standard = defaultNumberOf(port.device);
            standard && entry(*standard).detected)
            numbers << *standard;
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (const int n : std::as_const(numbers))
        entries_ << entry(n);
}

PortEntry PortList::entry(int number) const {
    PortEntry entry;
    entry.number = number;
    QString canonical;
    if (const auto mapping = mappings_.constFind(number); mapping != mappings_.cend()) {
        entry.device = mapping->device;
        canonical = mapping->canonical;
    } else if (offers_.contains(number)) {
        canonical = offers_.value(number);
        entry.device = detected_.value(canonical).device;
        entry.offered = true;
    } else {
        entry.device = defaultPortDevice(number);
        canonical = entry.device;
    }
    if (const auto port = detected_.constFind(canonical); port != detected_.cend()) {
        entry.detected = true;
        entry.description = port->description;
    }
    return entry;
}
