// The whole program against a misbehaving qmx7700-sim in real time: a pulled adapter, garbage
// and late replies, a fault that never clears, the window closed in the middle of things, and
// long use (connect cycles, an endless run) that must not leak.
#include "device/devicelink.h"
#include "support/procstats.h"
#include "support/simapp.h"
#include "support/simlink.h"
#include "ui/frmchannel.h"
#include "ui/frmprogram.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {
const QString kConnected = QStringLiteral("CONNECTED TO QMX7700");
// Four digits at most, so that a position reply fits where a fault reply is read.
const QList<int> kPositions{500,  1000, 1500, 2000, 2500, 3000, 3500, 4000,
                            4500, 5000, 5500, 6000, 6500, 7000, 7500, 8000};

bool startSim(Simulator &sim, const QStringList &options = {}) {
    return sim.start(QStringList{"--positions", positionList(kPositions)} + options);
}

// The commands received, without their terminators (other tests check those).
QString commands(const Simulator &sim) {
    QStringList texts;
    for (QByteArray command : sim.commandsSince(0))
        texts << QString::fromLatin1(command.replace("\\r", "").replace("\\n", ""));
    return texts.join(u' ');
}

// The link and run state in one line, and the error lamp while the windows are there.
QString linkState(const SimApp &app) {
    Module1 &module = *app.module;
    QStringList state{module.link().statusText(), module.port().isOpen() ? "open" : "closed",
                      module.state().dev_found ? "found" : "not found",
                      module.link().failureReason().isEmpty() ? "no reason" : "reason",
                      module.state().prog_running ? "running" : "idle"};
    if (const frmChannel *view = module.channelView())
        state << (view->findChild<QWidget *>(QStringLiteral("picErroron"))->isHidden() ? "lamp off"
                                                                                       : "lamp on");
    return state.join(QStringLiteral(", "));
}

// Runs `action` once, from the events that an operation on the stack serves, as soon as `ready`
// holds: the user acting in the middle of it.
void whenReady(QObject *context, const std::function<bool()> &ready,
               const std::function<void()> &action) {
    auto *timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, context, [timer, ready, action] {
        if (!ready())
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start(20);
}
} // namespace

class TestFaultsSim : public QObject {
    Q_OBJECT

private slots:
    void unpluggedDuringARun();
    void badDevice_data();
    void badDevice();
    void endedInsideAnOperation_data();
    void endedInsideAnOperation();
    void connectCycles();
    void endlessRunKeepsItsMemory();
};

void TestFaultsSim::unpluggedDuringARun() {
    // The connect takes 4 commands and a switch to a far channel 6 (the motor is on its way at
    // the first poll): the adapter goes with the position query of step 2.
    Simulator sim;
    QVERIFY(startSim(sim, {"--unplug-after", "13"}));
    SimApp app(sim.linkPath());
    app.module->startUp();
    app.program({"16 5 ms", "1 5 ms", "16 5 ms"});
    app.click(QStringLiteral("Run"));

    QCOMPARE(linkState(app), "NOT CONNECTED, closed, not found, reason, idle, lamp off");
    QCOMPARE(app.statusPanel()->toolTip(), app.module->link().failureReason());
    QVERIFY(!app.action(QStringLiteral("Run"))->isChecked());
    QCOMPARE(app.messages->messages.size(), 1);
    QVERIFY(app.messages->messages.first().contains(QLatin1String("step 2")));
    QVERIFY(sim.waitForExit(5000));
    QCOMPARE(commands(sim), "ver GPROGSEQ VER GFS LA8000 M POS GFS LR0 M LA500 M POS");

    // The adapter plugged in again: a connect from the menu finds the device.
    Simulator fresh;
    QVERIFY(startSim(fresh, {"--link", sim.linkPath()}));
    app.click(QStringLiteral("mnuToolsmnuConnect"));
    QCOMPARE(linkState(app), kConnected + ", open, found, no reason, idle, lamp off");
    QCOMPARE(commands(fresh), "ver GPROGSEQ VER GFS");
    QCOMPARE(app.exits, 0);
}

void TestFaultsSim::badDevice_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("clickDial"); // button 1, after the connect
    QTest::addColumn<QString>("state");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("trace"); // a pattern

    // A device that does not identify itself is not found.
    QTest::newRow("version text wrong")
        << QStringList{"--version", "Versio"} << false
        << "NOT CONNECTED, closed, not found, no reason, idle, lamp off"
        << QStringList{"QMX-7700 not found"} << "ver GPROGSEQ VER";
    QTest::newRow("unplugged in the handshake")
        << QStringList{"--unplug-after", "2"} << false
        << "NOT CONNECTED, closed, not found, reason, idle, lamp off" << QStringList()
        << "ver GPROGSEQ";
    QTest::newRow("channel table unreadable")
        << QStringList{"--garbage-table"} << false
        << "NOT CONNECTED, closed, not found, reason, idle, lamp off" << QStringList()
        << "ver GPROGSEQ";
    // A fault reply that is no number is no fault; a position that is none stops the command,
    // and the link stays up.
    QTest::newRow("garbage fault and position replies")
        << QStringList{"--garbage", "--speed=0"} << true
        << kConnected + ", open, found, reason, idle, lamp off" << QStringList()
        << "ver GPROGSEQ VER GFS LA500 M POS";
    // Each reply comes after its read and is taken by the next one: the fault query reads the
    // late position (not 0) and lights the lamp, though the device reports no fault.
    QTest::newRow("late replies") << QStringList{"--late", "80", "--speed=0"} << true
                                  << kConnected + ", open, found, no reason, idle, lamp on"
                                  << QStringList()
                                  << "ver GPROGSEQ VER GFS LA500 M( POS GFS)+ LR0 M";
}

void TestFaultsSim::badDevice() {
    QFETCH(QStringList, options);
    QFETCH(bool, clickDial);
    QFETCH(QString, state);
    QFETCH(QStringList, messages);
    QFETCH(QString, trace);

    const QRegularExpression expected(QRegularExpression::anchoredPattern(trace));
    // Late replies leave the device 20 ms to spare; a machine busy enough to hold the simulator
    // up longer shifts the whole exchange. A fault of the program fails every attempt.
    for (int attempt = 1;; ++attempt) {
        Simulator sim;
        QVERIFY(startSim(sim, options));
        SimApp app(sim.linkPath());
        app.module->startUp();
        if (clickDial)
            QTest::mouseClick(app.dialButton(0), Qt::LeftButton);
        QTest::qWait(200);
        const bool traced = expected.match(commands(sim)).hasMatch();
        if (attempt < 3 && (!traced || linkState(app) != state))
            continue;
        QCOMPARE(linkState(app), state);
        QCOMPARE(app.statusPanel()->toolTip(), app.module->link().failureReason());
        QCOMPARE(app.messages->messages, messages);
        QVERIFY2(traced, qPrintable(commands(sim)));
        break;
    }
}

void TestFaultsSim::endedInsideAnOperation_data() {
    QTest::addColumn<bool>("duringRun");   // otherwise in a connect's wait for a fault that stays
    QTest::addColumn<bool>("closeWindow"); // otherwise Disconnect
    QTest::addColumn<QString>("state");

    // The fault wait ends like a failed connect.
    QTest::newRow("Disconnect in the fault wait")
        << false << false << "NOT CONNECTED, closed, not found, reason, idle, lamp on";
    QTest::newRow("closed in the fault wait")
        << false << true << "NOT CONNECTED, closed, not found, reason, idle, lamp on";
    // Closing stops the run and closes the port; the windows go right after.
    QTest::newRow("closed during a run")
        << true << true << kConnected + ", closed, found, no reason, idle, lamp off";
}

void TestFaultsSim::endedInsideAnOperation() {
    QFETCH(bool, duringRun);
    QFETCH(bool, closeWindow);
    QFETCH(QString, state);

    Simulator sim;
    QVERIFY(startSim(sim, {duringRun ? "--speed=0" : "--fault=5"}));
    SimApp app(sim.linkPath());
    qsizetype actedAt = -1;
    const auto act = [&] {
        actedAt = sim.trace().size();
        app.click(closeWindow ? QStringLiteral("mnuFileExit")
                              : QStringLiteral("mnuToolsmnuDisconnect"));
    };
    if (duringRun) {
        app.module->startUp();
        app.program({"16 10 s"});
        // In the step's wait, once the switch is done.
        whenReady(
            this, [&] { return commands(sim).endsWith(QLatin1String("LR0 M")); }, act);
        app.click(QStringLiteral("Run"));
    } else {
        whenReady(
            this, [&] { return commands(sim).count(QLatin1String("GFS")) >= 3; }, act);
        app.module->startUp();
    }

    QVERIFY(actedAt > 0);
    QCOMPARE(linkState(app), state);
    QTRY_COMPARE(app.module->unloaded(), closeWindow);
    QTest::qWait(300);
    QCOMPARE(app.exits, closeWindow ? 1 : 0);
    QCOMPARE(sim.trace().size(), actedAt);
    QCOMPARE(app.setting(QStringLiteral("MainLeft")).isEmpty(), !closeWindow);
    // The port is free for the next start.
    SimLink next(sim);
    next.port.setPortNumber(1);
    QVERIFY(next.port.open());
}

void TestFaultsSim::connectCycles() {
    Simulator sim;
    QVERIFY(startSim(sim));
    SimApp app(sim.linkPath());
    app.module->startUp();
    constexpr int kCycles = 100;
    int connected = 0;
    const Growth growth = growthOver(kCycles, 10, [&] {
        app.click(QStringLiteral("mnuToolsmnuDisconnect"));
        app.click(QStringLiteral("mnuToolsmnuConnect"));
        connected += app.statusPanel()->text() == kConnected ? 1 : 0;
    });
    qInfo("%d connect cycles: %d more descriptors, %lld KiB more memory after the tenth", kCycles,
          growth.fds, growth.kib);

    QCOMPARE(connected, kCycles);
    QVERIFY2(growth.fds <= 0, qPrintable(QString::number(growth.fds)));
    QVERIFY2(!grewLikeALeak(growth.kib), qPrintable(QString::number(growth.kib)));
    // A repeated connect identifies the device and asks for a fault, nothing else.
    QTRY_COMPARE(sim.trace().size(), 4 + 2 * kCycles);
    QCOMPARE(commands(sim).count(QLatin1String("VER GFS")), 1 + kCycles);
}

// QMX_SOAK_SECONDS sets the length (20 s by default). A run longer than Qt Test's five minutes
// a function needs QTEST_FUNCTION_TIMEOUT as well, in milliseconds.
void TestFaultsSim::endlessRunKeepsItsMemory() {
    const int seconds = qEnvironmentVariableIsSet("QMX_SOAK_SECONDS")
                            ? qEnvironmentVariableIntValue("QMX_SOAK_SECONDS")
                            : 20;
    const int warmUp = std::min(10, seconds / 4);
    Simulator sim;
    QVERIFY(startSim(sim));
    SimApp app(sim.linkPath());
    app.module->startUp();
    const qsizetype afterConnect = sim.trace().size();
    // Channels far apart: each switch polls once, so the run does many steps.
    app.program({"1 5 ms", "16 5 ms"});
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
    // A reply that comes after its read (a busy machine can hold the simulator up that long)
    // spoils the next one and stops the run like any device error; the soak runs again.
    int runs = 0;
    do {
        app.click(QStringLiteral("Run"));
        ++runs;
    } while (!clock.hasExpired(seconds * 1000));
    sampler.stop();

    QVERIFY(samples.size() > warmUp + 1);
    const QString run = commands(sim).section(u' ', int(afterConnect));
    qInfo("endless run of %d s (%d runs): %d steps, %d commands; memory %lld KiB at the start, "
          "%lld after %d s, %lld at the end",
          seconds, runs, int(run.count(QLatin1String("LA"))), int(run.count(u' ') + 1),
          samples.first().kib, samples[warmUp].kib, warmUp, samples.last().kib);
    QCOMPARE(linkState(app).section(QStringLiteral(", "), 0, 2), kConnected + ", open, found");
    QVERIFY(!app.module->state().prog_running);
    QVERIFY(!app.action(QStringLiteral("Run"))->isChecked());
    QCOMPARE(app.messages->messages.size(), runs - 1);
    QVERIFY(run.count(QLatin1String("LA")) >= 2);
    QVERIFY(samples.last().fds <= samples[warmUp].fds);
    const qint64 grown = samples.last().kib - samples[warmUp].kib;
    QVERIFY2(!grewLikeALeak(grown), qPrintable(QString::number(grown)));
}

QTEST_MAIN(TestFaultsSim)
#include "tst_faults_sim.moc"
