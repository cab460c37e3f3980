#pragma once

#include "platform/serialport.h"

#include <QCoreApplication>
#include <QSerialPort>

class SettingsStore;

// The serial port of the machine, through Qt SerialPort. Qt fills its buffers only while events
// are served, and the protocol never serves them around a read, so writes wait until the bytes
// have left and reads first drain what the operating system holds.
class SystemSerialPort final : public SerialPort {
    Q_DECLARE_TR_FUNCTIONS(SystemSerialPort)

public:
    explicit SystemSerialPort(const SettingsStore &store);

    void setPortNumber(int number) override;
    bool open() override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray &bytes) override;
    std::optional<QByteArray> readAll() override;
    QString errorString() const override;

private:
    bool hasFailed() const;
    void noteFailure(const QString &what);

    const SettingsStore &m_store;
    QSerialPort m_port;
    QString m_path;
    QString m_error;
};
