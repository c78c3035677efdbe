#pragma once

#include "link/LineSettings.h"

#include <QByteArray>
#include <QString>

#include <optional>

class PortList;
class SettingsStore;

// The port the operator chose, taken apart once by the setup window and handed to every
// port that opens it: the number, the device it stands for here, and the line settings.
struct PortConfig {
    int number = 1;
    QString device;
    QByteArray settingsText = "9600,n,8,1";
    LineSettings line;
};

// Port numbers the setup window accepts: the 16-bit range the encoder's port control takes.
inline constexpr int LowestPort = 1;
inline constexpr int HighestPort = 32767;

// The port number in a typed text (blanks around it allowed), or nothing.
[[nodiscard]] std::optional<int> parsePortNumber(const QByteArray &text);

// The grey text beside the port box: the device a typed port text stands for, or that it
// stands for none, as the check will find.
[[nodiscard]] QString portDeviceLabel(const QByteArray &portText, const PortList &ports);

// Port text and settings text as the setup window has them, or nothing when either is not
// usable; `why` then says so in one sentence.
[[nodiscard]] std::optional<PortConfig> makePortConfig(const QByteArray &portText,
                                                       const QByteArray &settingsText,
                                                       const PortList &ports, QString &why);
// The same with the store's mappings alone.
[[nodiscard]] std::optional<PortConfig> makePortConfig(const QByteArray &portText,
                                                       const QByteArray &settingsText,
                                                       const SettingsStore &store, QString &why);
