#include "program/waits.h"

#include "core/globalstate.h"
#include "core/numbers.h"
#include "platform/clock.h"

#include <QTime>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {
// How often a long wait serves events: short enough for a prompt stop, long enough to cost
// next to nothing.
constexpr std::chrono::milliseconds kPollInterval{10};
// The end of a wait is slept to, on the microsecond.
constexpr std::chrono::milliseconds kLastSleep{2};
constexpr qint32 kLongestBlockingMs = 1000;
} // namespace

std::optional<double> Waits::inMilliseconds(double value, const QString &unit) {
    if (unit == QLatin1String("ms"))
        return value;
    if (unit == QLatin1String("s"))
        return value * 1000;
    if (unit == QLatin1String("min"))
        return value * 1000 * 60;
    if (unit == QLatin1String("h"))
        return value * 1000 * 60 * 60;
    return std::nullopt;
}

Waits::Waits(Clock &clock, const GlobalState &state)
    : m_clock(clock)
    , m_state(state) {}

std::optional<Waits::Plan> Waits::plan(double value, const QString &unit) {
    const std::optional<double> exactMs = inMilliseconds(value, unit);
    if (!exactMs || !(value >= 0.0) || !std::isfinite(value))
        return std::nullopt;
    if (unit == QLatin1String("ms") && value < kLongestBlockingMs)
        return Plan{true, static_cast<qint64>(roundHalfEven(value))};
    // The runner rejects times that do not fit before a run starts; anything else waits nothing.
    if (const std::optional<qint32> ms = toLong(*exactMs))
        return Plan{false, *ms};
    return std::nullopt;
}

qint64 Waits::plannedMs(double value, const QString &unit) {
    const std::optional<Plan> wait = plan(value, unit);
    return wait ? wait->ms : 0;
}

void Waits::WaitTime(double value, const QString &unit) {
    const std::optional<Plan> wait = plan(value, unit);
    if (!wait)
        return;
    if (wait->blocking)
        m_clock.sleep(std::chrono::milliseconds(wait->ms));
    else
        WaitMs(static_cast<qint32>(wait->ms));
}

void Waits::WaitMs(qint32 ms) {
    const Clock::Duration deadline = m_clock.monotonic() + std::chrono::milliseconds(ms);
    while (m_state.prog_running) {
        m_clock.serveEvents();
        // A stop served just now ends the wait here, not a round later. The time left is
        // measured after the events, which may have taken long themselves.
        const Clock::Duration remaining = deadline - m_clock.monotonic();
        if (!m_state.prog_running || remaining <= Clock::Duration::zero())
            return;
        // A round rests until its end or the first event (a click on Stop, a client's query),
        // which the next round serves at once. The last moments are one sleep, so that the wait
        // ends on its deadline rather than up to a round, or a millisecond, after it.
        if (remaining <= kLastSleep)
            m_clock.sleepUntil(deadline);
        else
            m_clock.waitForEvents(m_clock.monotonic() +
                                  std::min<Clock::Duration>(kPollInterval, remaining - kLastSleep));
    }
}

qint32 Waits::MsSinceMidnight() const {
    const QTime now = m_clock.localTime();
    return ((now.hour() * 60 + now.minute()) * 60 + now.second()) * 1000 + now.msec();
}
