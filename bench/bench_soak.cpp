// Long use of the real program against qmx7700-sim, for what only shows over time: open file
// descriptors and resident memory over connect cycles and over an endless run.
//  - connect: Disconnect and Connect from the menu, N times; growth counted from the tenth.
//  - soak: an endless run of two steps on far channels for S seconds; growth counted from a
//    quarter of it (at most 10 s) on, once caches and fonts have settled.
//
//   bench_soak [--cycles N] [--seconds S]
//
// Exits 1 when descriptors grew or memory grew by 2 MiB or more (more than the allocator's ups
// and downs explain), or when the program lost the device.
#include "bench/procstats.h"
#include "bench/realprogram.h"
#include "bench/simapp.h"
#include "device/devicelink.h"
#include "support/simulator.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>

namespace {
const QString kConnected = QStringLiteral("CONNECTED TO QMX7700");
constexpr qint64 kLeakKiB = 2048;

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
    if (app.module->link().statusText() != kConnected)
        return fail("the run lost the device");
    if (samples.last().fds > settled.fds || samples.last().kib - settled.kib >= kLeakKiB)
        return fail("the endless run leaks");
    return true;
}
} // namespace

int main(int argc, char *argv[]) {
    bench::prepareEnvironment(QMX_SIM_PATH);
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int cycles = bench::intArgument(args, "--cycles", 100, 1);
    const int seconds = bench::intArgument(args, "--seconds", 20, 4);

    Simulator sim;
    if (!sim.start()) {
        fail("the simulator did not start");
        return 1;
    }
    SimApp app(sim.linkPath());
    app.module->startUp();
    if (app.module->link().statusText() != kConnected) {
        fail("no connection to the simulator");
        return 1;
    }
    std::printf("| measure | count | descriptors | memory |\n|---|--:|--:|--:|\n");
    const bool cyclesHold = connectCycles(app, cycles);
    const bool runHolds = endlessRun(app, seconds);
    return cyclesHold && runHolds ? 0 : 1;
}
