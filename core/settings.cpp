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

void SaveOptions(const GlobalState &state, SettingsStore &store) {
    const QString section = QString::fromLatin1(kSettingsSection);
    for (const OptionKey *key : kOptionWriteOrder)
        store.write(section, QString::fromLatin1(key->writtenAs),
                    QString::number(state.*(key->global)));
}
