#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

// What every benchmark measures with: steady_clock, and nearest-rank percentiles (with fewer
// than 100 samples, p99 is the largest).
namespace bench {
using Steady = std::chrono::steady_clock;

inline double msBetween(Steady::time_point from, Steady::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

inline double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::max(1.0, std::ceil(p * double(values.size()))));
    return values[std::min(rank, values.size()) - 1];
}

// A moment on the steady clock in microseconds, as the simulator's trace counts them.
inline qint64 microseconds(Steady::time_point at) {
    return std::chrono::duration_cast<std::chrono::microseconds>(at.time_since_epoch()).count();
}

// The machine's load average, printed beside the figures that it sways.
inline QByteArray loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("?");
}

// A row of the latency tables: measure, samples, median, p99, target, yardstick (all in ms).
inline void printRow(const char *measure, const std::vector<double> &ms, double target,
                     const QString &yardstick) {
    std::printf("| %s | %zu | %.2f | %.2f | %.0f | %s |\n", measure, ms.size(), percentile(ms, 0.5),
                percentile(ms, 0.99), target, qPrintable(yardstick));
}
} // namespace bench
