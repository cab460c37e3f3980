#include "platform/settingsstore.h"

#include <QSettings>

namespace {
const QString kApplication = QStringLiteral("QMX-7700");

QString findIgnoringCase(const QStringList &names, const QString &name) {
    for (const QString &candidate : names) {
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return {};
}
} // namespace

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             kApplication, kApplication)) {}

SettingsStore::SettingsStore(const QString &iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::storedGroup(const QString &section) const {
    const QString found = findIgnoringCase(m_settings->childGroups(), section);
    return found.isEmpty() ? section : found;
}

QString SettingsStore::storedKey(const QString &group, const QString &key) const {
    m_settings->beginGroup(group);
    const QString found = findIgnoringCase(m_settings->childKeys(), key);
    m_settings->endGroup();
    return found;
}

QString SettingsStore::read(const QString &section, const QString &key,
                            const QString &defaultText) const {
    const QString group = storedGroup(section);
    const QString stored = storedKey(group, key);
    if (stored.isEmpty())
        return defaultText;
    return m_settings->value(group + QLatin1Char('/') + stored).toString();
}

void SettingsStore::write(const QString &section, const QString &key, const QString &text) {
    const QString group = storedGroup(section);
    m_settings->beginGroup(group);
    const QStringList keys = m_settings->childKeys();
    for (const QString &other : keys) {
        if (other.compare(key, Qt::CaseInsensitive) == 0 && other != key)
            m_settings->remove(other);
    }
    m_settings->setValue(key, text);
    m_settings->endGroup();
    m_settings->sync();
}

QString SettingsStore::location() const {
    return m_settings->fileName();
}
