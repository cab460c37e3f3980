#pragma once

#include "bench/timing.h"
#include "platform/systemserialport.h"

#include <vector>

namespace bench {
// The system's serial port, noting when each write was asked of it and how long it took.
class TimedPort final : public SerialPort {
public:
    explicit TimedPort(const SettingsStore &store)
        : m_port(store) {
        connect(&m_port, &SerialPort::failed, this, &SerialPort::failed);
    }
    void setPortNumber(int number) override { m_port.setPortNumber(number); }
    bool open() override { return m_port.open(); }
    void close() override { m_port.close(); }
    bool isOpen() const override { return m_port.isOpen(); }
    bool write(const QByteArray &bytes) override {
        const Steady::time_point start = Steady::now();
        const bool written = m_port.write(bytes);
        writtenAt.push_back(start);
        writeMs.push_back(msBetween(start, Steady::now()));
        return written;
    }
    std::optional<QByteArray> readAll() override { return m_port.readAll(); }
    void discardInput() override { m_port.discardInput(); }
    QString errorString() const override { return m_port.errorString(); }
    QString portName() const override { return m_port.portName(); }

    std::vector<Steady::time_point> writtenAt;
    std::vector<double> writeMs;

private:
    SystemSerialPort m_port;
};
} // namespace bench
