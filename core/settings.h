#pragma once

#include <QPoint>
#include <QString>
#include <QtGlobal>

#include <optional>

struct GlobalState;
struct OptionKey;
struct WindowPositionKeys;
class SettingsStore;

// Sets one option's global: the one place that writes the options, for the settings and the
// options dialog alike.
void setOption(GlobalState &state, const OptionKey &key, qint16 value);

// Reads the seven options into their globals in their fixed order. Stops at the first value that
// is not a whole number in the Integer range and returns false; the globals of that key and of
// every later one keep what they held.
bool LoadSettings(GlobalState &state, const SettingsStore &store);

// Writes the seven options from their globals, in the order the options dialog stores them, as
// decimal text.
void SaveOptions(const GlobalState &state, SettingsStore &store);

// A window's stored left and top edges in twips, and storing them as decimal text: the one
// reader and writer of the window positions. Each edge is read as a number with blanks around it
// allowed and a fraction rounded half to even, within the Long range; anything else gives the
// key's default.
QPoint ReadWindowPosition(const SettingsStore &store, const WindowPositionKeys &keys);
void StoreWindowPosition(SettingsStore &store, const WindowPositionKeys &keys, QPoint twips);

// The "Remote" section: whether the control server also listens on TCP, and where.
struct RemoteSettings {
    bool tcp = false;
    // Unset when the stored text is no port number (1..65535).
    std::optional<quint16> port;
    QString address;
};
RemoteSettings ReadRemoteSettings(const SettingsStore &store);
