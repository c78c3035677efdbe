#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

// The next line of the simulator's output that starts with prefix, waiting for it; every
// line read is added to seen when given.
inline QString waitForLine(QProcess &sim, const QString &prefix, QStringList *seen = nullptr) {
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        while (sim.canReadLine()) {
            const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
            if (seen != nullptr)
                *seen << line;
            if (line.startsWith(prefix))
                return line;
        }
        sim.waitForReadyRead(50);
    }
    return {};
}
