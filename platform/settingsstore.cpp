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
    const QVariant value = m_settings->value(group + QLatin1Char('/') + stored);
    // An INI value with a comma outside quotes ("BaudRate=1,5", a device path with a comma)
    // comes back as the list of its parts, which toString() turns into nothing; joined again
    // they are the text as stored, but for blanks beside the commas, which QSettings drops.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
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
