#include "platform/portnames.h"

#include "platform/settingsstore.h"

namespace {
QString portsSection() {
    return QString::fromLatin1(kPortsSection);
}

QString mappingKey(int number) {
    return QStringLiteral("Com%1").arg(number);
}
} // namespace

QString portDevicePath(int number, const SettingsStore &store) {
    if (number < 1)
        return {};
    const QString mapped = store.readWhole(portsSection(), mappingKey(number), QString()).trimmed();
    if (!mapped.isEmpty())
        return mapped;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

void mapPortDevice(int number, const QString &devicePath, SettingsStore &store) {
    if (number < 1)
        return;
    store.write(portsSection(), mappingKey(number), devicePath);
}
