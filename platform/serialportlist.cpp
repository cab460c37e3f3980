#include "platform/serialportlist.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace {
// udev's names that stay the same whichever order adapters are plugged in.
const QString kByIdFolder = QStringLiteral("/dev/serial/by-id");
} // namespace

QString stableDeviceName(const QString &systemLocation, const QString &byIdFolder) {
    const QString target = QFileInfo(systemLocation).canonicalFilePath();
    if (target.isEmpty())
        return {};
    const QFileInfoList links =
        QDir(byIdFolder)
            .entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        if (link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    }
    return {};
}

QList<SerialPortEntry> SystemSerialPortList::ports() const {
    QList<SerialPortEntry> entries;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        SerialPortEntry entry;
        entry.systemLocation = info.systemLocation();
        entry.path = stableDeviceName(entry.systemLocation, kByIdFolder);
        if (entry.path.isEmpty())
            entry.path = entry.systemLocation;
        entry.description = info.description();
        entry.manufacturer = info.manufacturer();
        entry.serialNumber = info.serialNumber();
        entries << entry;
    }
    return entries;
}

bool SystemSerialPortList::isPresent(const QString &devicePath) const {
    if (devicePath.isEmpty())
        return false;
#ifdef Q_OS_WIN
    // COM names are no files.
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        if (info.portName().compare(devicePath, Qt::CaseInsensitive) == 0 ||
            info.systemLocation().compare(devicePath, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
#else
    // A link that leads nowhere (an unplugged adapter's by-id name) is not there.
    return QFileInfo::exists(devicePath);
#endif
}
