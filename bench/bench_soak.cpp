// Long use of the real program against qmx7700-sim, for what only shows over time: open file
// descriptors and resident memory over connect cycles and over an endless run.
//  - connect: Disconnect and Connect from the menu, N times; growth counted from the tenth.
//  - soak: an endless run of two steps on far channels for S seconds; growth counted from a
//    quarter of it (at most 10 s) on, once caches and fonts have settled.
//  - noise: the device sends noise at the line's full rate (960 bytes a second) for T seconds
//    while the program waits for the user; growth counted over those seconds, and the next
//    channel command must read its own reply.
//
//  - unplug: the adapter is pulled while the program waits; the time until the status bar says
//    so, and the program's CPU over the 3 s after it, beside the same while connected and idle.
//
//   bench_soak [--cycles N] [--seconds S] [--noise T]
//
// Exits 1 when descriptors grew or memory grew by 2 MiB or more (more than the allocator's ups
// and downs explain), when the noise cost 1 MiB or more, when the program lost the device, or
// when a pulled adapter went unnoticed for a second or left the program busier than 1 % of a
// core above its idle.
#include "bench/procstats.h"
#include "bench/realprogram.h"
#include "bench/simapp.h"
#include "device/devicelink.h"
#include "support/simulator.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {
const QString kConnected = QStringLiteral("CONNECTED TO QMX7700");
constexpr qint64 kLeakKiB = 2048;
constexpr qint64 kNoiseKiB = 1024;
constexpr int kIdleMs = 3000;

// The process's CPU time while events are served for `ms`, in % of one core.
double cpuPercentOver(int ms) {
    const std::clock_t start = std::clock();
    QTest::qWait(ms);
    return 100.0 * double(std::clock() - start) / CLOCKS_PER_SEC / (ms / 1000.0);
}

bool fail(const char *why) {
    std::fprintf(stderr, "%s\n", why);
    return false;
}

bool connectCycles(SimApp &app, int cycles) {
    int connected = 0;
    const Growth growth = growthOver(cycles, std::min(10, cycles), [&] {
        app.click(QStringLiteral("mnuToolsmnuDisconnect"));
        app.click(QStringLiteral("mnuToolsmnuConnect"));
        connected += app.statusPanel()->text() == kConnected ? 1 : 0;
    });
    std::printf("| %d connect cycles | %d of them connected | %+d descriptors | %+lld KiB |\n",
                cycles, connected, growth.fds, growth.kib);
    if (connected != cycles)
        return fail("a connect failed");
    if (growth.fds > 0 || growth.kib >= kLeakKiB)
        return fail("the connect cycles leak");
    return true;
}

bool endlessRun(SimApp &app, int seconds) {
    const int warmUp = std::min(10, seconds / 4);
    app.program({QStringLiteral("1 5 ms"), QStringLiteral("16 5 ms")});
    frmProgram *editor = app.module->programView();
    editor->findChild<QCheckBox *>(QStringLiteral("chk_cont"))->setChecked(true);
    editor->findChild<QLineEdit *>(QStringLiteral("txt_no_of_runs"))->setText(QStringLiteral("-1"));

    QList<Growth> samples{{openFileDescriptors(), residentKiB()}};
    QElapsedTimer clock;
    clock.start();
    QTimer sampler;
    sampler.callOnTimeout([&] {
        samples.append({openFileDescriptors(), residentKiB()});
        if (clock.hasExpired(seconds * 1000))
            app.click(QStringLiteral("Stop"));
    });
    sampler.start(1000);
    // A reply late enough to spoil the next one stops the run like any device error; the run
    // starts again.
    int runs = 0;
    do {
        app.click(QStringLiteral("Run"));
        ++runs;
    } while (!clock.hasExpired(seconds * 1000));
    sampler.stop();

    if (samples.size() <= warmUp + 1)
        return fail("too few samples");
    const Growth &settled = samples[warmUp];
    std::printf("| endless run of %d s | %d runs | %+d descriptors | %+lld KiB "
                "(%lld KiB at the start, %lld after %d s) |\n",
                seconds, runs, samples.last().fds - settled.fds, samples.last().kib - settled.kib,
                samples.first().kib, settled.kib, warmUp);
    if (app.instrument().link().statusText() != kConnected)
        return fail("the run lost the device");
    if (samples.last().fds > settled.fds || samples.last().kib - settled.kib >= kLeakKiB)
        return fail("the endless run leaks");
    return true;
}
bool noiseWhileIdle(Simulator &sim, SimApp &app, int seconds) {
    app.click(QStringLiteral("mnuToolsmnuDisconnect"));
    sim.stop();
    // The connect after a disconnect sends only "VER" and "GFS"; the noise follows, through its
    // settle time and on for the measured seconds and one more.
    if (!sim.start(
            {QStringLiteral("--noise-after"), QStringLiteral("2:%1").arg(seconds * 1000 + 1000)}))
        return fail("the simulator did not start again");
    app.click(QStringLiteral("mnuToolsmnuConnect"));
    if (app.instrument().link().statusText() != kConnected)
        return fail("no connection to the noisy simulator");
    const Growth before{openFileDescriptors(), residentKiB()};
    QTest::qWait(seconds * 1000);
    const Growth growth{openFileDescriptors() - before.fds, residentKiB() - before.kib};
    QTest::qWait(1500);
    const GotoResult result = app.instrument().link().GotoChannel(15);
    std::printf(
        "| noise at 960 bytes a second for %d s, idle | channel command %s | %+d descriptors "
        "| %+lld KiB |\n",
        seconds, result == GotoResult::Sent ? "read its reply" : "FAILED", growth.fds, growth.kib);
    if (result != GotoResult::Sent)
        return fail("the command after the noise read the noise");
    if (growth.fds > 0 || growth.kib >= kNoiseKiB)
        return fail("the noise costs memory");
    return true;
}
bool unplugWhileIdle(Simulator &sim, SimApp &app) {
    const double connected = cpuPercentOver(kIdleMs);
    app.click(QStringLiteral("mnuToolsmnuDisconnect"));
    sim.stop();
    // After the "GFS" of the connect, in its settle time: the connect still ends up.
    if (!sim.start({QStringLiteral("--unplug-after"), QStringLiteral("2")}))
        return fail("the simulator did not start again");
    app.click(QStringLiteral("mnuToolsmnuConnect"));
    if (app.instrument().link().statusText() != kConnected)
        return fail("no connection before the unplug");
    QElapsedTimer noticed;
    noticed.start();
    while (app.instrument().link().statusText() == kConnected && !noticed.hasExpired(5000))
        QTest::qWait(1);
    const qint64 ms = noticed.elapsed();
    const double pulled = cpuPercentOver(kIdleMs);
    std::printf("| adapter pulled while idle | status %s after %lld ms | CPU %.2f %% of a core "
                "over %d s; connected and idle: %.2f %% |\n",
                qPrintable(app.instrument().link().statusText()), ms, pulled, kIdleMs / 1000,
                connected);
    if (ms >= 1000 || pulled > connected + 1.0)
        return fail("the pulled adapter went unnoticed");
    return true;
}
} // namespace

int main(int argc, char *argv[]) {
    bench::prepareEnvironment(QMX_SIM_PATH);
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int cycles = bench::intArgument(args, "--cycles", 100, 1);
    const int seconds = bench::intArgument(args, "--seconds", 20, 4);
    const int noiseSeconds = bench::intArgument(args, "--noise", 60, 1);

    Simulator sim;
    if (!sim.start()) {
        fail("the simulator did not start");
        return 1;
    }
    SimApp app(sim.linkPath());
    app.module->startUp();
    if (app.instrument().link().statusText() != kConnected) {
        fail("no connection to the simulator");
        return 1;
    }
    std::printf("| measure | count | descriptors | memory |\n|---|--:|--:|--:|\n");
    const bool cyclesHold = connectCycles(app, cycles);
    const bool runHolds = endlessRun(app, seconds);
    const bool noiseHolds = noiseWhileIdle(sim, app, noiseSeconds);
    const bool unplugHolds = unplugWhileIdle(sim, app);
    return cyclesHold && runHolds && noiseHolds && unplugHolds ? 0 : 1;
}
