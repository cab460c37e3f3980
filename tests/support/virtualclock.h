#pragma once

#include "platform/clock.h"

#include <functional>

// A clock that moves only when the code under test sleeps, so protocol timing is exact and a
// long wait costs no real time. serveEvents() runs a hook, which is how a test plays the user
// (a stop request at a given moment, for example).
class VirtualClock final : public Clock {
public:
    Duration monotonic() const override { return m_now; }
    void sleep(Duration duration) override {
        ++m_sleeps;
        if (duration > Duration::zero())
            m_now += duration;
    }
    void serveEvents() override {
        if (m_onServeEvents)
            m_onServeEvents();
    }
    QTime localTime() const override {
        constexpr qint64 kDay = 86400000;
        const qint64 elapsed = (m_now - kOrigin).count() / 1000000;
        const qint64 ms = ((m_wallStartMs + elapsed + m_wallJumpMs) % kDay + kDay) % kDay;
        return QTime::fromMSecsSinceStartOfDay(int(ms));
    }
    // The wall clock's day is 29 February 2024, in UTC.
    std::chrono::system_clock::time_point utcNow() const override {
        using std::chrono::system_clock;
        const std::chrono::milliseconds wall(m_wallStartMs + m_wallJumpMs);
        return system_clock::time_point(std::chrono::duration_cast<system_clock::duration>(
            kLeapDay + wall + (m_now - kOrigin)));
    }

    qint64 nowMs() const { return m_now.count() / 1000000; }
    // The wall clock reads `ms` since midnight at virtual time zero.
    void setWallClockStart(qint64 ms) { m_wallStartMs = ms; }
    // Moves the wall clock without moving time, as a daylight-saving change does.
    void jumpWallClock(qint64 ms) { m_wallJumpMs += ms; }
    void setOnServeEvents(std::function<void()> hook) { m_onServeEvents = std::move(hook); }

    int sleeps() const { return m_sleeps; }

private:
    static constexpr Duration kOrigin{std::chrono::hours(1)};
    static constexpr std::chrono::seconds kLeapDay{1709164800};
    Duration m_now{kOrigin};
    qint64 m_wallStartMs = 12 * 3600 * 1000;
    qint64 m_wallJumpMs = 0;
    int m_sleeps = 0;
    std::function<void()> m_onServeEvents;
};
