// Measures how precisely the program's waits end and what they cost while they wait, beside a
// plain std::this_thread::sleep_for of the same length as the yardstick. Overshoot is the time
// past the requested end, on steady_clock; CPU is process CPU time per second of waiting.
//
//   bench_waits [--reps N5ms,N50ms,N500ms,N1500ms,N10s]

#include "bench/timing.h"
#include "core/globalstate.h"
#include "platform/clock.h"
#include "program/waits.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QStringList>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {
using bench::percentile;

struct Case {
    const char *label;
    double value;
    const char *unit;
    double requestedMs;
    int reps;
};

struct Sample {
    std::vector<double> overshootMs;
    double waitedS = 0;
    double cpuS = 0;
};

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

template <typename Wait> void measure(Sample &sample, double requestedMs, Wait &&wait) {
    using Clock = std::chrono::steady_clock;
    const double cpuBefore = cpuSeconds();
    const Clock::time_point start = Clock::now();
    wait();
    const Clock::time_point end = Clock::now();
    sample.cpuS += cpuSeconds() - cpuBefore;
    const double tookMs = std::chrono::duration<double, std::milli>(end - start).count();
    sample.overshootMs.push_back(tookMs - requestedMs);
    sample.waitedS += tookMs / 1000;
}

QString cpuModel() {
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : info.readAll().split('\n')) {
            if (line.startsWith("model name"))
                return QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
        }
    }
    return QStringLiteral("unknown");
}
} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);

    std::vector<Case> cases = {
        {"5 ms", 5, "ms", 5, 400},     {"50 ms", 50, "ms", 50, 200}, {"500 ms", 500, "ms", 500, 30},
        {"1.5 s", 1.5, "s", 1500, 16}, {"10 s", 10, "s", 10000, 3},
    };
    const QStringList args = app.arguments();
    const qsizetype repsAt = args.indexOf(QStringLiteral("--reps"));
    if (repsAt > 0) {
        const QStringList counts = args.value(repsAt + 1).split(QLatin1Char(','));
        if (counts.size() != qsizetype(cases.size())) {
            std::fprintf(stderr, "usage: bench_waits [--reps N5ms,N50ms,N500ms,N1500ms,N10s]\n");
            return 2;
        }
        for (std::size_t i = 0; i < cases.size(); ++i)
            cases[i].reps = std::max(1, counts[qsizetype(i)].toInt());
    }

    SystemClock clock;
    GlobalState state;
    state.prog_running = true;
    Waits waits(clock, state);

    std::printf("machine: %u hardware threads, %s\n", std::thread::hardware_concurrency(),
                qPrintable(cpuModel()));
    std::printf("%-7s %5s | %-28s | %-28s\n", "", "", "WaitTime", "sleep_for (yardstick)");
    std::printf("%-7s %5s | %8s %8s %9s | %8s %8s %9s\n", "wait", "reps", "median", "p99", "CPU",
                "median", "p99", "CPU");
    for (const Case &c : cases) {
        Sample ours;
        Sample yardstick;
        const QString unit = QString::fromLatin1(c.unit);
        const auto requested = std::chrono::duration<double, std::milli>(c.requestedMs);
        // Alternating keeps both sides under the same conditions as the machine's load drifts.
        for (int i = 0; i < c.reps; ++i) {
            measure(ours, c.requestedMs, [&] { waits.WaitTime(c.value, unit); });
            measure(yardstick, c.requestedMs, [&] {
                std::this_thread::sleep_for(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(requested));
            });
        }
        std::printf("%-7s %5d | %5.3f ms %5.3f ms %7.4f %% | %5.3f ms %5.3f ms %7.4f %%\n", c.label,
                    c.reps, percentile(ours.overshootMs, 0.5), percentile(ours.overshootMs, 0.99),
                    100 * ours.cpuS / ours.waitedS, percentile(yardstick.overshootMs, 0.5),
                    percentile(yardstick.overshootMs, 0.99),
                    100 * yardstick.cpuS / yardstick.waitedS);
        std::fflush(stdout);
    }

    // Where the polling wait's CPU goes: the 10 ms wake-ups themselves, or serving events.
    constexpr int kRounds = 300;
    const auto slice = std::chrono::milliseconds(10);
    double before = cpuSeconds();
    for (int i = 0; i < kRounds; ++i)
        std::this_thread::sleep_for(slice);
    const double bareUs = (cpuSeconds() - before) / kRounds * 1e6;
    before = cpuSeconds();
    for (int i = 0; i < kRounds; ++i) {
        clock.serveEvents();
        std::this_thread::sleep_for(slice);
    }
    const double servedUs = (cpuSeconds() - before) / kRounds * 1e6;
    std::printf("CPU per 10 ms round: %.1f us sleeping alone, %.1f us with events served "
                "(%.3f %% of one core for serving events 100 times a second)\n",
                bareUs, servedUs, std::max(0.0, servedUs - bareUs) * 100 / 1e4);

    std::printf("overshoot = actual - requested wait on steady_clock; CPU = process CPU time per "
                "second waited, in %% of one core; p99 is nearest-rank (the largest sample when "
                "reps < 100)\n");
    return 0;
}
