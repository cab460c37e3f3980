#include "platform/clock.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>

#include <thread>

Clock::Duration SystemClock::monotonic() const {
    return std::chrono::steady_clock::now().time_since_epoch();
}

void SystemClock::sleep(Duration duration) {
    if (duration > Duration::zero())
        std::this_thread::sleep_for(duration);
}

void SystemClock::serveEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void SystemClock::waitForEvents(Duration deadline) {
    using std::chrono::milliseconds;
    // A timer wakes the event loop a millisecond or two before the deadline, at millisecond
    // precision; the rest is slept, so that the rest ends on the deadline.
    const milliseconds early =
        std::chrono::duration_cast<milliseconds>(deadline - monotonic()) - milliseconds(1);
    if (!QCoreApplication::instance() || !QAbstractEventDispatcher::instance() ||
        early < milliseconds(1)) {
        sleepUntil(deadline);
        return;
    }
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(early);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    // An event ended the rest early; otherwise the timer did, and the deadline is slept to.
    if (!wake.isActive())
        sleepUntil(deadline);
}

QTime SystemClock::localTime() const {
    return QTime::currentTime();
}
