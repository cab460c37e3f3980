#pragma once

#include "platform/serialport.h"

#include <QSerialPort>

class SettingsStore;

// The serial port of the machine, through Qt SerialPort. Qt fills its buffers only while events
// are served, and the protocol never serves them around a read, so writes wait until the bytes
// have left and reads first drain what the operating system holds. What arrives while events are
// served is kept only up to a bound.
class SystemSerialPort final : public SerialPort {
    Q_OBJECT

public:
    explicit SystemSerialPort(const SettingsStore &store);

    void setPortNumber(int number) override;
    bool open() override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray &bytes) override;
    std::optional<QByteArray> readAll() override;
    void discardInput() override;
    QString errorString() const override;
    QString portName() const override { return m_path; }

private:
    bool hasFailed() const;
    void noteFailure(const QString &what);
    // An error Qt found on its own, while events were served.
    void portError();

    const SettingsStore &m_store;
    QSerialPort m_port;
    QString m_path;
    QString m_error;
    // Inside one of the calls above, which report a failure themselves.
    bool m_inCall = false;
    bool m_failureSent = false;
};
