// The settings store as an operator may have edited it by hand: the input is the whole
// file. Loading it, saving what was loaded and loading again gives the same values, the
// port the setup window would build from them is made or refused with a reason, and the
// virtual encoder's stale port registrations are cleared.
#include "FuzzInput.h"

#include "app/PortRegistrationRecord.h"
#include "app/SettingsStore.h"
#include "link/LineSettings.h"
#include "link/PortConfig.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

namespace {

bool operator==(const CommSetupValues &a, const CommSetupValues &b) {
    return a.Port == b.Port && a.Baud == b.Baud && a.Parity == b.Parity && a.DataBit == b.DataBit &&
           a.Coercivity == b.Coercivity && a.Mode == b.Mode;
}

// Each input is a new file to the store, even when it has the size and second of the last.
qint64 fileStamp = 0;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // A store in memory where there is one: every input is written and read back.
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static QTemporaryDir home(base + QStringLiteral("/kvt450-fuzz-XXXXXX"));
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QDir().mkpath(QFileInfo(SettingsStore::fileName()).absolutePath());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString name = SettingsStore::fileName();
    {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(FuzzInput(data, size).rest());
        file.setFileTime(QDateTime::fromSecsSinceEpoch(++fileStamp),
                         QFileDevice::FileModificationTime);
    }
    SettingsStore store;
    const CommSetupValues loaded = store.load();
    for (int n = 1; n <= 12; ++n)
        (void)store.portOverride(n);

    QString why;
    const QByteArray settings = buildCommSettings(loaded.Baud, loaded.Parity, loaded.DataBit);
    const std::optional<PortConfig> config = makePortConfig(loaded.Port, settings, store, why);
    fuzzCheck(config.has_value() == why.isEmpty(), "a refused port says why");

    fuzzCheck(!store.save(loaded).has_value(), "a store that could be read can be written");
    fuzzCheck(store.load() == loaded, "saved values load back as they were");

    // Port registrations a simulator left behind, all of them stale: each mapping is put
    // back or its record dropped.
    QSettings raw(QStringLiteral("KVT450"), QStringLiteral("KVT450"));
    const RegistrationChecks gone{[](const QString &) { return false; },
                                  [](qint64) {
                                      return false;
                                  }};
    (void)restoreStaleRegistrations(raw, gone);
    fuzzCheck(PortRegistrationRecord::loadAll(raw).isEmpty(),
              "no registration outlives its program");
    return 0;
}
