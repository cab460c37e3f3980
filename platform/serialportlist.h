#pragma once

#include <QList>
#include <QString>

// One serial port of the machine, as the options dialog lists it.
struct SerialPortEntry {
    // The name to map a port number to: the stable /dev/serial/by-id/ link where there is one,
    // otherwise the system location.
    QString path;
    // Where the system has the device now, such as /dev/ttyUSB0 or COM3.
    QString systemLocation;
    QString description;
    QString manufacturer;
    QString serialNumber;
};

// The serial ports the machine has, behind a seam so that tests give a fixed list.
class SerialPortList {
public:
    virtual ~SerialPortList() = default;
    virtual QList<SerialPortEntry> ports() const = 0;
    // Whether a device path names a port that is there now.
    virtual bool isPresent(const QString &devicePath) const = 0;
};

// The ports that QSerialPortInfo finds.
class SystemSerialPortList final : public SerialPortList {
public:
    QList<SerialPortEntry> ports() const override;
    bool isPresent(const QString &devicePath) const override;
};

// The link in `byIdFolder` that leads to `systemLocation`, or empty when none does. The names
// sort, so the choice is the same every time when several lead there.
QString stableDeviceName(const QString &systemLocation, const QString &byIdFolder);
