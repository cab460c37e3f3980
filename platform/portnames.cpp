#include "platform/portnames.h"

#include "platform/settingsstore.h"

QString portDevicePath(int number, const SettingsStore &store) {
    if (number < 1)
        return {};
    const QString mapped =
        store.read(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(number), QString())
            .trimmed();
    if (!mapped.isEmpty())
        return mapped;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}
