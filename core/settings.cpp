#include "core/settings.h"

#include "core/numbers.h"
#include "core/settingskeys.h"
#include "platform/settingsstore.h"

namespace {
qint32 readPosition(const SettingsStore &store, const PositionKey &key) {
    const QString text =
        store.read(QString::fromLatin1(kSettingsSection), QString::fromLatin1(key.name),
                   QString::number(key.defaultValue));
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return (ok ? toLong(value) : std::nullopt).value_or(key.defaultValue);
}
} // namespace

void setOption(GlobalState &state, const OptionKey &key, qint16 value) {
    state.*(key.global) = value;
}

bool LoadSettings(GlobalState &state, const SettingsStore &store) {
    const QString section = QString::fromLatin1(kSettingsSection);
    for (const OptionKey *key : kOptionReadOrder) {
        const QString text = store.read(section, QString::fromLatin1(key->readAs),
                                        QString::number(key->defaultValue));
        const std::optional<qint16> value = parseInteger(text);
        if (!value)
            return false;
        setOption(state, *key, *value);
    }
    return true;
}

QPoint ReadWindowPosition(const SettingsStore &store, const WindowPositionKeys &keys) {
    return {readPosition(store, keys.left), readPosition(store, keys.top)};
}

void StoreWindowPosition(SettingsStore &store, const WindowPositionKeys &keys, QPoint twips) {
    const QString section = QString::fromLatin1(kSettingsSection);
    store.write(section, QString::fromLatin1(keys.left.name), QString::number(twips.x()));
    store.write(section, QString::fromLatin1(keys.top.name), QString::number(twips.y()));
}

void SaveOptions(const GlobalState &state, SettingsStore &store) {
    const QString section = QString::fromLatin1(kSettingsSection);
    for (const OptionKey *key : kOptionWriteOrder)
        store.write(section, QString::fromLatin1(key->writtenAs),
                    QString::number(state.*(key->global)));
}

RemoteSettings ReadRemoteSettings(const SettingsStore &store) {
    const QString section = QString::fromLatin1(kRemoteSection);
    const auto read = [&](const RemoteKey &key) {
        return store.read(section, QString::fromLatin1(key.name),
                          QString::fromLatin1(key.defaultText));
    };
    RemoteSettings remote;
    remote.tcp = parseWholeLong(read(kRemoteTcpKey)) == 1;
    const std::optional<qint32> port = parseWholeLong(read(kRemotePortKey));
    if (port && *port >= 1 && *port <= 65535)
        remote.port = quint16(*port);
    remote.address = read(kRemoteAddressKey).trimmed();
    return remote;
}
