// Measures what a channel command costs beyond its fixed waits: GotoChannel against
// qmx7700-sim in real time, through the real port and clock. A poll waits 50 ms for the position
// and 60 ms for the fault query, so a command of n polls has n x 110 ms of fixed waits; the
// overhead is the rest: writes, reads, parsing and the sleeps' wake-up latency. Beside it stand
// the machine's own figures: how late each sleep returns and how long each write takes in the
// system. A sleep that wakes, or a write that returns, more than 1 ms late restarts the link's
// schedule and so adds its lateness to the command; the commands that met neither show our own
// overhead alone. The simulator is set so that every command polls once (a slow motor far from
// the target) or 20 times (an instant motor on it); the trace confirms the poll counts.
//
//   bench_goto [--reps N1,N20]

#include "bench/timedport.h"
#include "core/globalstate.h"
#include "device/devicelink.h"
#include "platform/clock.h"
#include "platform/settingsstore.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {
using bench::msBetween;
using bench::percentile;
using bench::Steady;
using bench::TimedPort;
constexpr double kPollWaitsMs = 50 + 60;

// Later than this, a sleep or write restarts the link's schedule.
bool late(double ms) {
    return ms > 1.0;
}

// The system clock, noting how late each sleep returns.
class MeasuredClock final : public Clock {
public:
    Duration monotonic() const override { return m_clock.monotonic(); }
    void sleep(Duration duration) override {
        const Steady::time_point start = Steady::now();
        m_clock.sleep(duration);
        lateMs.push_back(msBetween(start, Steady::now()) -
                         std::chrono::duration<double, std::milli>(duration).count());
    }
    void serveEvents() override { m_clock.serveEvents(); }
    QTime localTime() const override { return m_clock.localTime(); }
    std::chrono::system_clock::time_point utcNow() const override { return m_clock.utcNow(); }

    std::vector<double> lateMs;

private:
    SystemClock m_clock;
};

struct Result {
    std::vector<double> overheadMs;
    std::vector<double> undisturbedMs; // of the commands that met no late sleep nor slow write
    std::vector<double> lateMs;        // per sleep
    std::vector<double> writeMs;       // per write
    int polls = 0;                     // position queries the simulator received
    int failed = 0; // commands that met a reply they could not read (a late one, under load)
};

int countPolls(const QString &tracePath) {
    QFile trace(tracePath);
    if (!trace.open(QIODevice::ReadOnly))
        return -1;
    return int(trace.readAll().count(" POS\\r\n"));
}

// Starts the simulator with `options`, connects and runs `reps` channel commands.
bool run(const QStringList &options, int reps, int index, Result &result) {
    QTemporaryDir dir;
    const QString terminal = dir.filePath(QStringLiteral("qmx7700"));
    const QString trace = dir.filePath(QStringLiteral("trace"));
    QProcess sim;
    sim.start(QStringLiteral(QMX_SIM_PATH),
              QStringList{QStringLiteral("--link"), terminal, QStringLiteral("--trace"), trace} +
                  options);
    if (!sim.waitForReadyRead(5000) || !sim.readLine().startsWith("ready ")) {
        std::fprintf(stderr, "the simulator did not start\n");
        return false;
    }

    SettingsStore store(dir.filePath(QStringLiteral("settings.conf")));
    store.write(QStringLiteral("Ports"), QStringLiteral("Com1"), terminal);
    GlobalState state;
    state.opt_comport = 1;
    TimedPort port(store);
    MeasuredClock clock;
    DeviceLink link(state, port, clock);
    link.Connect();
    if (link.statusText() != QLatin1String(DeviceLink::kConnectedText)) {
        std::fprintf(stderr, "no connection to the simulator\n");
        return false;
    }
    const int pollsBefore = countPolls(trace);
    clock.lateMs.clear();
    port.writeMs.clear();
    for (int i = 0; i < reps; ++i) {
        const std::size_t sleepsBefore = clock.lateMs.size();
        const std::size_t writesBefore = port.writeMs.size();
        const Steady::time_point start = Steady::now();
        if (link.GotoChannel(index) != GotoResult::Sent) {
            ++result.failed;
            continue;
        }
        const double tookMs = msBetween(start, Steady::now());
        result.overheadMs.push_back(tookMs);
        if (std::none_of(clock.lateMs.cbegin() + std::ptrdiff_t(sleepsBefore), clock.lateMs.cend(),
                         late) &&
            std::none_of(port.writeMs.cbegin() + std::ptrdiff_t(writesBefore), port.writeMs.cend(),
                         late))
            result.undisturbedMs.push_back(tookMs);
    }
    result.polls = countPolls(trace) - pollsBefore;
    result.lateMs = clock.lateMs;
    result.writeMs = port.writeMs;
    sim.terminate();
    sim.waitForFinished(5000);
    return true;
}

void report(const char *label, int polls, Result &result) {
    const int reps = int(result.overheadMs.size());
    if (reps == 0)
        return;
    for (std::vector<double> *times : {&result.overheadMs, &result.undisturbedMs})
        for (double &ms : *times)
            ms -= polls * kPollWaitsMs;
    const auto share = [](const std::vector<double> &ms) {
        return 100.0 * double(std::count_if(ms.cbegin(), ms.cend(), late)) / double(ms.size());
    };
    std::printf("%-8s %4d %6d | %7.3f %7.3f | %4d %7.3f %7.3f | %7.3f %7.3f %6.2f %% | %7.3f "
                "%7.3f %6.2f %%\n",
                label, reps, result.polls, percentile(result.overheadMs, 0.5),
                percentile(result.overheadMs, 0.99), int(result.undisturbedMs.size()),
                result.undisturbedMs.empty() ? 0.0 : percentile(result.undisturbedMs, 0.5),
                result.undisturbedMs.empty() ? 0.0 : percentile(result.undisturbedMs, 0.99),
                percentile(result.lateMs, 0.5), percentile(result.lateMs, 0.99),
                share(result.lateMs), percentile(result.writeMs, 0.5),
                percentile(result.writeMs, 0.99), share(result.writeMs));
    if (result.failed > 0 || result.polls != reps * polls)
        std::printf("  %d commands failed and %d position queries were sent where %d were "
                    "expected: replies came late, the machine is too busy to measure\n",
                    result.failed, result.polls, reps * polls);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    int reps1 = 200;
    int reps20 = 30;
    const QStringList args = app.arguments();
    const qsizetype repsAt = args.indexOf(QStringLiteral("--reps"));
    if (repsAt > 0) {
        const QStringList counts = args.value(repsAt + 1).split(QLatin1Char(','));
        if (counts.size() != 2) {
            std::fprintf(stderr, "usage: bench_goto [--reps N1,N20]\n");
            return 2;
        }
        reps1 = std::max(1, counts[0].toInt());
        reps20 = std::max(1, counts[1].toInt());
    }

    std::printf("%-8s %4s %6s | %-15s | %-20s | %-24s | %-24s\n", "", "", "", "overhead (ms)",
                "undisturbed (ms)", "a sleep's wake-up (ms)", "a write (ms)");
    std::printf("%-8s %4s %6s | %7s %7s | %4s %7s %7s | %7s %7s %8s | %7s %7s %8s\n", "command",
                "reps", "POS", "p50", "p99", "n", "p50", "p99", "p50", "p99", "> 1 ms", "p50",
                "p99", "> 1 ms");
    // A motor of 1 unit a second barely leaves 0, far from channel 16 at 16000: one poll.
    Result one;
    if (!run({QStringLiteral("--speed"), QStringLiteral("1")}, reps1, 15, one))
        return 1;
    report("1 poll", 1, one);
    // An instant motor sits on the target: the reading stays in the window for all 20 polls.
    Result twenty;
    if (!run({QStringLiteral("--speed"), QStringLiteral("0")}, reps20, 15, twenty))
        return 1;
    report("20 polls", 20, twenty);

    std::printf("overhead = a command's time minus its fixed waits (n x 110 ms), on "
                "steady_clock; undisturbed = the same of the n commands that met no sleep woken "
                "and no write returned more than 1 ms late: our own overhead; wake-up = how much "
                "longer than asked a sleep took; write = how long the port's write took (> 1 ms: "
                "the share that late, which restarts the link's schedule); p99 is nearest-rank "
                "(the largest sample when there are fewer than 100)\n");
    return 0;
}
