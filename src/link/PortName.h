#pragma once

#include <QString>

class SettingsStore;

// The device behind port number n: COMn on Windows; elsewhere the store's "Ports/COMn"
// when present, else /dev/ttyS<n-1>.
[[nodiscard]] QString portDeviceName(int n, const SettingsStore &store);
