#pragma once

#include <QString>

class SettingsStore;

// The section of the settings store that maps port numbers to devices.
inline constexpr char kPortsSection[] = "Ports";

// The device path of serial port number `number`: the "ComN" entry of the section "Ports" when
// the store has one (for example a stable /dev/serial/by-id/... name), otherwise the platform's
// own name for it. Empty for numbers below 1, which name no port.
QString portDevicePath(int number, const SettingsStore &store);

// Maps port number `number` to `devicePath` in the section "Ports"; numbers below 1 name no port
// and are left alone.
void mapPortDevice(int number, const QString &devicePath, SettingsStore &store);
