#pragma once

#include <QString>

#include <memory>

class QSettings;

// The per-user settings store: text values by section and key. Keys (and sections) are matched
// without regard to case, as the program has always read "BaudRate" where it wrote "Baudrate";
// INI files are case-sensitive, so the matching happens here.
class SettingsStore {
public:
    // The user's own store, named by the application title (as organisation and application),
    // in the native format.
    SettingsStore();
    // A store in an INI file of its own, for tests and tools.
    explicit SettingsStore(const QString &iniFile);
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    // The stored text, or defaultText when the key is absent.
    QString read(const QString &section, const QString &key, const QString &defaultText) const;
    // Like read(), for a value that names something by its whole text (a device path): a line
    // written by hand in the INI file counts whole, although the format cuts a value at a ";"
    // and splits it at a "," that are not inside quotes. Such a value is stored again quoted, so
    // that the file keeps it whole when it is written again.
    QString readWhole(const QString &section, const QString &key, const QString &defaultText) const;
    // Creates or replaces the entry; any other spelling of the key is replaced with it.
    void write(const QString &section, const QString &key, const QString &text);
    // Where the store keeps its entries, for people.
    QString location() const;

private:
    QString storedGroup(const QString &section) const;
    QString storedKey(const QString &group, const QString &key) const;

    std::unique_ptr<QSettings> m_settings;
};
