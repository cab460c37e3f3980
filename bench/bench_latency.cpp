// How fast the windows answer the user, in the real program: the application module with its
// windows, the real serial port and clock, qmx7700-sim on a pseudo-terminal.
//  - dial: from the release of a dial button to the channel command at the simulator (the time
//    in its trace is CLOCK_MONOTONIC, the clock of steady_clock here). Yardstick: the same kind
//    of write made straight through the port.
//  - stop: from a click on Stop that arrives during a step's 10 s wait to the idle run state.
//    Yardstick: the wait's 10 ms round, the longest it rests before it serves events (it wakes
//    for the click at once).
//
//   bench_latency [--dial N] [--stop N]
//
// Runs on the display in DISPLAY (xcb), or offscreen without one.
#include "bench/realprogram.h"
#include "bench/simapp.h"
#include "bench/timedport.h"
#include "device/devicelink.h"
#include "support/simulator.h"

#include <QApplication>
#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {
using bench::loadAverage;
using bench::microseconds;
using bench::msBetween;
using bench::percentile;
using bench::printRow;
using bench::Steady;
using bench::TimedPort;

// Milliseconds from `sentAt` to the first command from trace line `first` on that starts with
// `prefix`, once the simulator has traced it.
double msToTrace(const Simulator &sim, qsizetype first, const QByteArray &prefix,
                 Steady::time_point sentAt) {
    const Steady::time_point giveUp = Steady::now() + std::chrono::seconds(5);
    while (Steady::now() < giveUp) {
        const QList<Simulator::Command> trace = sim.trace();
        for (qsizetype i = first; i < trace.size(); ++i) {
            if (trace[i].bytes.startsWith(prefix))
                return double(trace[i].atUs - microseconds(sentAt)) / 1000.0;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    std::fprintf(stderr, "no %s reached the simulator\n", prefix.constData());
    std::exit(1);
}

} // namespace

int main(int argc, char *argv[]) {
    bench::prepareEnvironment(QMX_SIM_PATH);
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int dialSamples = bench::intArgument(args, "--dial", 200, 1);
    const int stopSamples = bench::intArgument(args, "--stop", 100, 1);

    // Channels 1 and 16 lie far apart for the default motor: every switch polls once.
    Simulator sim;
    if (!sim.start()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    TimedPort *port = nullptr;
    SimApp app(sim.linkPath(), [&port](SettingsStore &store) {
        auto timed = std::make_unique<TimedPort>(store);
        port = timed.get();
        return timed;
    });
    app.module->startUp();
    if (app.instrument().link().statusText() != QLatin1String("CONNECTED TO QMX7700")) {
        std::fprintf(stderr, "no connection to the simulator\n");
        return 1;
    }
    const QByteArray loadBefore = loadAverage();

    std::vector<double> dial;
    std::vector<double> dialToWrite;
    for (int i = 0; i < dialSamples; ++i) {
        QWidget *button = app.dialButton(i % 2 == 0 ? 15 : 0);
        const qsizetype first = sim.trace().size();
        QTest::mousePress(button, Qt::LeftButton);
        port->writtenAt.clear();
        const Steady::time_point releasedAt = Steady::now();
        QTest::mouseRelease(button, Qt::LeftButton);
        dial.push_back(msToTrace(sim, first, "LA", releasedAt));
        // The command's first write is its "LA".
        dialToWrite.push_back(msBetween(releasedAt, port->writtenAt.front()));
    }
    std::vector<double> straight;
    for (int i = 0; i < dialSamples; ++i) {
        const qsizetype first = sim.trace().size();
        const Steady::time_point sentAt = Steady::now();
        app.instrument().port().write(QByteArrayLiteral("LR0\r"));
        straight.push_back(msToTrace(sim, first, "LR0", sentAt));
    }

    // The stop click arrives from outside the event loop, as the window system's would, at a
    // random moment of the wait.
    app.program({QStringLiteral("16 10 s")});
    std::thread user;
    Steady::time_point clickedAt;
    Steady::time_point idleAt;
    QObject::connect(&app.instrument().table(), &ProgramTable::refreshRequested, &app.main(), [&] {
        const auto delay = std::chrono::milliseconds(20 + QRandomGenerator::global()->bounded(80));
        user = std::thread([&, delay] {
            std::this_thread::sleep_for(delay);
            clickedAt = Steady::now();
            QMetaObject::invokeMethod(
                &app.main(), [&] { app.click(QStringLiteral("Stop")); }, Qt::QueuedConnection);
        });
    });
    QObject::connect(app.action(QStringLiteral("Run")), &QAction::toggled, &app.main(),
                     [&](bool running) {
                         if (!running)
                             idleAt = Steady::now();
                     });
    std::vector<double> stop;
    for (int i = 0; i < stopSamples; ++i) {
        app.instrument().table().setText(1, ProgramTable::ChannelColumn,
                                         QString::number(i % 2 == 0 ? 1 : 16));
        app.click(QStringLiteral("Run"));
        user.join();
        stop.push_back(msBetween(clickedAt, idleAt));
    }

    std::printf("load average before: %s, after: %s\n\n", loadBefore.constData(),
                loadAverage().constData());
    std::printf("| measure | samples | median ms | p99 ms | target p99 ms | yardstick |\n");
    std::printf("|---|--:|--:|--:|--:|---|\n");
    printRow("dial release to the command at the device", dial, 5,
             QStringLiteral("a write straight through the port: median %1, p99 %2 ms")
                 .arg(percentile(straight, 0.5), 0, 'f', 2)
                 .arg(percentile(straight, 0.99), 0, 'f', 2));
    printRow("of which the release to the write asked of the port", dialToWrite, 5,
             QStringLiteral("the windows' own share"));
    printRow("Stop clicked in a wait to the idle state", stop, 15,
             QStringLiteral("the wait's round, which the click no longer waits for: 10 ms"));
    return 0;
}
