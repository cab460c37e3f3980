#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class Clock;
struct GlobalState;

// The waits of a program step. Every wait is timed on the monotonic clock, so a step across
// local midnight or a daylight-saving change lasts exactly its time.
class Waits {
public:
    Waits(Clock &clock, const GlobalState &state);

    // Waits value in unit ("ms", "s", "min" or "h", compared exactly). Under a second in "ms" is
    // one blocking sleep, so short steps keep their timing; everything else polls through
    // WaitMs. Any other unit, and a negative or non-finite value, does not wait.
    void WaitTime(double value, const QString &unit);
    // Waits ms milliseconds while serving events as they come, and at least every 10 ms;
    // returns early once prog_running is cleared.
    void WaitMs(qint32 ms);
    // The local wall-clock time of day in milliseconds. Nothing is timed by it.
    qint32 MsSinceMidnight() const;

    // value in unit as milliseconds, not yet rounded: the factors are applied one after the
    // other (value x 1000 x 60 x 60 for "h"), as the steps are defined, so that a value whose
    // product lands on half a millisecond rounds as they say. Nothing for a text that names none
    // of the four units.
    static std::optional<double> inMilliseconds(double value, const QString &unit);
    // The whole milliseconds that WaitTime(value, unit) waits; 0 when it does not wait.
    static qint64 plannedMs(double value, const QString &unit);

private:
    struct Plan {
        // One blocking sleep, or a wait that serves events.
        bool blocking = false;
        qint64 ms = 0;
    };
    // How WaitTime waits value in unit; nothing when it does not wait at all.
    static std::optional<Plan> plan(double value, const QString &unit);

    Clock &m_clock;
    const GlobalState &m_state;
};
