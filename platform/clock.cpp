#include "platform/clock.h"

#include <QCoreApplication>

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

QTime SystemClock::localTime() const {
    return QTime::currentTime();
}

std::chrono::system_clock::time_point SystemClock::utcNow() const {
    return std::chrono::system_clock::now();
}
