#pragma once

#include "platform/serialport.h"
#include "support/virtualclock.h"

#include <QList>

#include <functional>

// A serial port with a scripted device behind it, in virtual time. Every write is recorded with
// the virtual time it happened at; the responder answers it, and the answer becomes readable
// after the reply delay.
class ScriptedPort final : public SerialPort {
public:
    struct Write {
        qint64 atMs;
        QByteArray bytes;
        bool operator==(const Write &other) const {
            return atMs == other.atMs && bytes == other.bytes;
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
        if (m_failAfterWrites >= 0 && m_writes.size() >= m_failAfterWrites)
            return false;
        m_writes.append({m_clock.nowMs(), bytes});
        if (m_responder) {
            const QByteArray reply = m_responder(bytes);
            if (!reply.isEmpty())
                m_pending.append({m_clock.nowMs() + m_replyDelayMs, reply});
        }
        return true;
    }
    std::optional<QByteArray> readAll() override {
        if (!m_open)
            return std::nullopt;
        QByteArray arrived;
        while (!m_pending.isEmpty() && m_pending.first().atMs <= m_clock.nowMs())
            arrived += m_pending.takeFirst().bytes;
        return arrived;
    }
    QString errorString() const override { return QStringLiteral("scripted failure"); }

    void setResponder(Responder responder) { m_responder = std::move(responder); }
    void setReplyDelayMs(qint64 ms) { m_replyDelayMs = ms; }
    void setOpenable(bool openable) { m_openable = openable; }
    // Writes fail from the given count of successful writes on, as with an unplugged adapter.
    void failAfterWrites(int count) { m_failAfterWrites = count; }

    const QList<Write> &writes() const { return m_writes; }
    QList<QByteArray> writtenBytes() const {
        QList<QByteArray> all;
        for (const Write &w : m_writes)
            all.append(w.bytes);
        return all;
    }
    int count(const QByteArray &bytes) const {
        int n = 0;
        for (const Write &w : m_writes)
            n += w.bytes == bytes ? 1 : 0;
        return n;
    }
    void clearWrites() { m_writes.clear(); }
    int opens() const { return m_opens; }
    int writesToClosedPort() const { return m_writesToClosedPort; }

private:
    VirtualClock &m_clock;
    Responder m_responder;
    QList<Write> m_writes;
    QList<Write> m_pending;
    qint64 m_replyDelayMs = 0;
    int m_number = 0;
    int m_opens = 0;
    int m_failAfterWrites = -1;
    int m_writesToClosedPort = 0;
    bool m_open = false;
    bool m_openable = true;
};
