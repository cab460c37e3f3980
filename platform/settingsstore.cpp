#include "platform/settingsstore.h"

#include "platform/applicationtitle.h"

#include <QFile>
#include <QSettings>

#include <optional>

namespace {
// Far more than a settings file of this program holds.
constexpr qint64 kMaxIniBytes = 1024 * 1024;

QString findIgnoringCase(const QStringList &names, const QString &name) {
    for (const QString &candidate : names) {
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return {};
}

bool isIniFile(const QSettings &settings) {
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    return settings.format() == QSettings::IniFormat;
#else
    Q_UNUSED(settings)
    return true; // the native format here
#endif
}

// The value of section/key as a person wrote it into the INI file, when the format reads it as
// something else: unquoted, with a ";" or a ",". QSettings quotes such values itself, so only a
// hand edit leaves them bare.
std::optional<QString> handWrittenValue(const QString &file, const QString &section,
                                        const QString &key) {
    QFile ini(file);
    if (!ini.open(QIODevice::ReadOnly) || ini.size() > kMaxIniBytes)
        return std::nullopt;
    bool inSection = false;
    const QList<QByteArray> lines = ini.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (text.startsWith(u'[')) {
            inSection =
                text.mid(1, text.indexOf(u']') - 1).compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = text.indexOf(u'=');
        if (!inSection || equals < 0 ||
            text.left(equals).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        const QString value = text.mid(equals + 1).trimmed();
        if (value.startsWith(u'"') || !(value.contains(u';') || value.contains(u',')))
            return std::nullopt;
        return value;
    }
    return std::nullopt;
}
} // namespace

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QString::fromLatin1(kApplicationTitle),
                                             QString::fromLatin1(kApplicationTitle))) {}

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

QString SettingsStore::readWhole(const QString &section, const QString &key,
                                 const QString &defaultText) const {
    const std::optional<QString> written =
        isIniFile(*m_settings) ? handWrittenValue(m_settings->fileName(), section, key)
                               : std::nullopt;
    if (!written)
        return read(section, key, defaultText);
    // The text stays what it was; only how the file holds it changes.
    const QString group = storedGroup(section);
    const QString stored = storedKey(group, key);
    m_settings->setValue(group + QLatin1Char('/') + (stored.isEmpty() ? key : stored), *written);
    m_settings->sync();
    return *written;
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
