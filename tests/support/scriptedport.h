#pragma once

#include "platform/serialport.h"
#include "support/virtualclock.h"

#include <QList>
#include <QTest>

#include <functional>
#include <memory>
#include <utility>

// A serial port with a scripted device behind it, in virtual time. Every write is recorded with
// the virtual time it happened at; the responder answers it, readable at once.
class ScriptedPort final : public SerialPort {
public:
    struct Write {
        qint64 atMs;
        QByteArray bytes;
        bool operator==(const Write &other) const {
            return atMs == other.atMs && bytes == other.bytes;
        }
        // How a failing comparison shows it: when, and what.
        friend char *toString(const Write &write) {
            const std::unique_ptr<char[]> bytes(QTest::toString(write.bytes));
            return qstrdup(QByteArray::number(write.atMs) + " ms: " + bytes.get());
        }
    };
    using Responder = std::function<QByteArray(const QByteArray &written)>;

    explicit ScriptedPort(VirtualClock &clock)
        : m_clock(clock) {}

    void setPortNumber(int number) override { m_number = number; }
    bool open() override {
        ++m_opens;
        if (m_number < 1 || m_open || !m_openable)
            return false;
        m_open = true;
        return true;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &bytes) override {
        if (!m_open) {
            ++m_writesToClosedPort;
            return false;
        }
        m_writes.append({m_clock.nowMs(), bytes});
        if (m_responder)
            m_pending += m_responder(bytes);
        return true;
    }
    std::optional<QByteArray> readAll() override {
        if (!m_open)
            return std::nullopt;
        return std::exchange(m_pending, {});
    }
    void discardInput() override { m_pending.clear(); }
    QString errorString() const override { return QStringLiteral("scripted failure"); }
    QString portName() const override { return QStringLiteral("COM%1").arg(m_number); }

    // Bytes that arrive unasked, as from a noisy line.
    void receive(const QByteArray &bytes) { m_pending += bytes; }
    // The adapter is pulled while the port is open and no command uses it.
    void pull() { emit failed(); }

    void setResponder(Responder responder) { m_responder = std::move(responder); }
    void setOpenable(bool openable) { m_openable = openable; }

    const QList<Write> &writes() const { return m_writes; }
    QList<QByteArray> writtenBytes() const {
        QList<QByteArray> all;
        for (const Write &w : m_writes)
            all.append(w.bytes);
        return all;
    }
    int count(const QByteArray &bytes) const { return int(writtenBytes().count(bytes)); }
    void clearWrites() { m_writes.clear(); }
    int opens() const { return m_opens; }
    int writesToClosedPort() const { return m_writesToClosedPort; }

private:
    VirtualClock &m_clock;
    Responder m_responder;
    QList<Write> m_writes;
    QByteArray m_pending;
    int m_number = 0;
    int m_opens = 0;
    int m_writesToClosedPort = 0;
    bool m_open = false;
    bool m_openable = true;
};
