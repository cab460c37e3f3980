#include "core/settings.h"

#include "core/numbers.h"
#include "core/settingskeys.h"
#include "platform/settingsstore.h"

bool LoadSettings(GlobalState &state, const SettingsStore &store) {
    const QString section = QString::fromLatin1(kSettingsSection);
    for (const OptionKey *key : kOptionReadOrder) {
        const QString text = store.read(section, QString::fromLatin1(key->readAs),
                                        QString::number(key->defaultValue));
        const std::optional<qint16> value = parseInteger(text);
        if (!value)
            return false;
        state.*(key->global) = *value;
    }
    return true;
}

qint32 ReadPosition(const SettingsStore &store, const PositionKey &key) {
    const QString text =
        store.read(QString::fromLatin1(kSettingsSection), QString::fromLatin1(key.name),
                   QString::number(key.defaultValue));
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return (ok ? toLong(value) : std::nullopt).value_or(key.defaultValue);
}

void SaveOptions(const GlobalState &state, SettingsStore &store) {
    const QString section = QString::fromLatin1(kSettingsSection);
    for (const OptionKey *key : kOptionWriteOrder)
        store.write(section, QString::fromLatin1(key->writtenAs),
                    QString::number(state.*(key->global)));
}
