#pragma once

#include <QTime>

#include <chrono>

// Time as the device link, the runner and the record see it: a monotonic clock, a blocking sleep,
// the event yield and the wall clock. Tests substitute a virtual clock, so the protocol and the
// waits run in virtual time.
class Clock {
public:
    using Duration = std::chrono::nanoseconds;

    virtual ~Clock() = default;

    // Time since an arbitrary fixed point; never goes backwards.
    virtual Duration monotonic() const = 0;
    // Blocks the calling thread; serves no events.
    virtual void sleep(Duration duration) = 0;
    // Runs the pending user-interface events once.
    virtual void serveEvents() = 0;
    // Rests until about deadline on monotonic() (the real clock to the millisecond, not the
    // microsecond), or less: a clock that can wake for an event returns early once one has
    // come, having served it. This one cannot, and sleeps to the deadline.
    virtual void waitForEvents(Duration deadline) { sleepUntil(deadline); }
    // The local wall-clock time of day. Nothing is timed by it.
    virtual QTime localTime() const = 0;
    // The calendar time, to the microsecond or finer, for the record. Nothing is timed by it.
    virtual std::chrono::system_clock::time_point utcNow() const = 0;

    // Blocks until monotonic() reaches deadline (at once if it has); serves no events.
    virtual void sleepUntil(Duration deadline) {
        const Duration left = deadline - monotonic();
        if (left > Duration::zero())
            sleep(left);
    }

    void sleepMs(int ms) { sleep(std::chrono::milliseconds(ms)); }
};

class SystemClock final : public Clock {
public:
    Duration monotonic() const override;
    void sleep(Duration duration) override;
    void serveEvents() override;
    // Wakes for the first event, so that a click or a client's query is served at once.
    void waitForEvents(Duration deadline) override;
    QTime localTime() const override;
    std::chrono::system_clock::time_point utcNow() const override;
};
