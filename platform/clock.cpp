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
    // Qt's timers count whole milliseconds: the rest wakes up to a millisecond early.
    const milliseconds rest = std::chrono::duration_cast<milliseconds>(deadline - monotonic());
    if (!QCoreApplication::instance() || !QAbstractEventDispatcher::instance() ||
        rest < milliseconds(1)) {
        sleepUntil(deadline);
        return;
    }
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(rest);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

QTime SystemClock::localTime() const {
    return QTime::currentTime();
}

std::chrono::system_clock::time_point SystemClock::utcNow() const {
    return std::chrono::system_clock::now();
}
