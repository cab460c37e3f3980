// The whole program against a misbehaving qmx7700-sim in real time: a pulled adapter, garbage
// and late replies, a fault that never clears, the window closed in the middle of things, and
// long use (connect cycles, an endless run) that must not leak.
#include "device/devicelink.h"
#include "support/procstats.h"
#include "support/simapp.h"
#include "support/simlink.h"
#include "support/simulator.h"
#include "ui/frmchannel.h"
#include "ui/frmprogram.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {
const QString kConnected = QStringLiteral("CONNECTED TO QMX7700");
const QString kNotConnected = QStringLiteral("NOT CONNECTED");
// Four digits at most, so that a position reply fits where a fault reply is read.
const QList<int> kPositions{500,  1000, 1500, 2000, 2500, 3000, 3500, 4000,
                            4500, 5000, 5500, 6000, 6500, 7000, 7500, 8000};

bool startSim(Simulator &sim, const QStringList &options = {}) {
    return sim.start(QStringList{QStringLiteral("--positions"), positionList(kPositions)} +
                     options);
}

// The commands received, without their terminators (other tests check those), one blank apart.
QString commands(const Simulator &sim) {
    QStringList texts;
    for (QByteArray command : sim.commandsSince(0))
        texts << QString::fromLatin1(command.replace("\\r", "").replace("\\n", ""));
    return texts.join(u' ');
}

bool errorLampLit(const SimApp &app) {
    return !app.module->channelView()
                ->findChild<QWidget *>(QStringLiteral("picErroron"))
                ->isHidden();
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
    QVERIFY(startSim(sim, {QStringLiteral("--unplug-after"), QStringLiteral("13")}));
    SimApp app(sim.linkPath());
    app.module->startUp();
    QCOMPARE(app.statusPanel()->text(), kConnected);
    app.program({QStringLiteral("16 5 ms"), QStringLiteral("1 5 ms"), QStringLiteral("16 5 ms")});
    app.click(QStringLiteral("Run"));

    QVERIFY(!app.module->state().prog_running);
    QVERIFY(!app.action(QStringLiteral("Run"))->isChecked());
    QVERIFY(app.action(QStringLiteral("Stop"))->isChecked());
    QCOMPARE(app.statusPanel()->text(), kNotConnected);
    QVERIFY(!app.statusPanel()->toolTip().isEmpty());
    QVERIFY(!app.module->state().dev_found);
    QVERIFY(!app.module->port().isOpen());
    QCOMPARE(app.messages->messages.size(), 1);
    QVERIFY(app.messages->messages.first().contains(QLatin1String("step 2")));
    QVERIFY(sim.waitForExit(5000));
    QCOMPARE(commands(sim),
             QStringLiteral("ver GPROGSEQ VER GFS LA8000 M POS GFS LR0 M LA500 M POS"));
    QCOMPARE(app.exits, 0);

    // The adapter plugged in again: a connect from the menu finds the device.
    Simulator fresh;
    QVERIFY(startSim(fresh, {QStringLiteral("--link"), sim.linkPath()}));
    app.click(QStringLiteral("mnuToolsmnuConnect"));
    QCOMPARE(app.statusPanel()->text(), kConnected);
    QVERIFY(app.statusPanel()->toolTip().isEmpty());
    QCOMPARE(commands(fresh), QStringLiteral("ver GPROGSEQ VER GFS"));
}

void TestFaultsSim::badDevice_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("clickDial"); // button 1 after the connect
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("reason"); // in the status tooltip
    QTest::addColumn<bool>("errorLamp");
    QTest::addColumn<QString>("trace"); // a pattern

    // The device that does not identify itself is not found.
    QTest::newRow("version text wrong")
        << QStringList{"--version", "Versio"} << false << kNotConnected
        << QStringList{"QMX-7700 not found"} << false << false << "ver GPROGSEQ VER";
    QTest::newRow("unplugged in the handshake")
        << QStringList{"--unplug-after", "2"} << false << kNotConnected << QStringList() << true
        << false << "ver GPROGSEQ";
    // A fault reply that is no number is no fault; a position that is none stops the command,
    // and the link stays up.
    QTest::newRow("garbage fault and position replies")
        << QStringList{"--garbage", "--speed", "0"} << true << kConnected << QStringList() << true
        << false << "ver GPROGSEQ VER GFS LA500 M POS";
    // Each reply comes after its read; the next read takes it. The fault query reads the late
    // position (not 0) and lights the lamp although the device reports no fault.
    QTest::newRow("late replies") << QStringList{"--late", "80", "--speed", "0"} << true
                                  << kConnected << QStringList() << false << true
                                  << "ver GPROGSEQ VER GFS LA500 M( POS GFS)+ LR0 M";
}

void TestFaultsSim::badDevice() {
    QFETCH(QStringList, options);
    QFETCH(bool, clickDial);
    QFETCH(QString, status);
    QFETCH(QStringList, messages);
    QFETCH(bool, reason);
    QFETCH(bool, errorLamp);
    QFETCH(QString, trace);

    Simulator sim;
    QVERIFY(startSim(sim, options));
    SimApp app(sim.linkPath());
    app.module->startUp();
    if (clickDial) {
        QCOMPARE(app.statusPanel()->text(), kConnected);
        QTest::mouseClick(app.dialButton(0), Qt::LeftButton);
    }

    QCOMPARE(app.statusPanel()->text(), status);
    QCOMPARE(app.module->port().isOpen(), status == kConnected);
    QCOMPARE(app.messages->messages, messages);
    QCOMPARE(!app.statusPanel()->toolTip().isEmpty(), reason);
    QCOMPARE(errorLampLit(app), errorLamp);
    QVERIFY(!app.module->state().prog_running);
    QTest::qWait(200);
    const QRegularExpression expected(QRegularExpression::anchoredPattern(trace));
    QVERIFY2(expected.match(commands(sim)).hasMatch(), qPrintable(commands(sim)));
    QCOMPARE(app.exits, 0);
}

void TestFaultsSim::endedInsideAnOperation_data() {
    QTest::addColumn<bool>("duringRun");   // otherwise in a connect's wait for a fault that stays
    QTest::addColumn<bool>("closeWindow"); // otherwise Disconnect
    QTest::addColumn<QString>("status");   // of the link, at the end

    QTest::newRow("Disconnect in the fault wait") << false << false << kNotConnected;
    QTest::newRow("closed in the fault wait") << false << true << kNotConnected;
    // Closing stops the run and closes the port; the windows that showed the link are gone.
    QTest::newRow("closed during a run") << true << true << kConnected;
}

void TestFaultsSim::endedInsideAnOperation() {
    QFETCH(bool, duringRun);
    QFETCH(bool, closeWindow);
    QFETCH(QString, status);

    Simulator sim;
    QVERIFY(startSim(sim, {duringRun ? QStringLiteral("--speed=0") : QStringLiteral("--fault=5")}));
    SimApp app(sim.linkPath());
    qsizetype actedAt = -1;
    const auto act = [&] {
        actedAt = sim.trace().size();
        if (closeWindow)
            app.main().close();
        else
            app.click(QStringLiteral("mnuToolsmnuDisconnect"));
    };
    if (duringRun) {
        app.module->startUp();
        QCOMPARE(app.statusPanel()->text(), kConnected);
        app.program({QStringLiteral("16 10 s")});
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
    QVERIFY(!app.module->state().prog_running);
    QCOMPARE(app.module->link().statusText(), status);
    QCOMPARE(app.module->state().dev_found, duringRun);
    // The fault wait ends like a failed connect and says why.
    QCOMPARE(app.module->link().failureReason().isEmpty(), duringRun);
    QVERIFY(!app.module->port().isOpen());
    QTRY_COMPARE(app.exits, closeWindow ? 1 : 0);
    QTest::qWait(300);
    QCOMPARE(app.exits, closeWindow ? 1 : 0);
    QCOMPARE(app.module->unloaded(), closeWindow);
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
    QVERIFY2(growth.kib < 2048, qPrintable(QString::number(growth.kib)));
    // A repeated connect identifies the device and asks for a fault, nothing else.
    QTRY_COMPARE(sim.trace().size(), 4 + 2 * kCycles);
    QCOMPARE(commands(sim).count(QLatin1String("VER GFS")), 1 + kCycles);
}

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
    app.program({QStringLiteral("1 5 ms"), QStringLiteral("16 5 ms")});
    frmProgram *editor = app.module->programView();
    editor->findChild<QCheckBox *>(QStringLiteral("chk_cont"))->setChecked(true);
    editor->findChild<QLineEdit *>(QStringLiteral("txt_no_of_runs"))->setText(QStringLiteral("-1"));

    QList<qint64> memory{residentKiB()};
    QList<int> descriptors{openFileDescriptors()};
    QTimer sampler;
    sampler.callOnTimeout([&] {
        memory << residentKiB();
        descriptors << openFileDescriptors();
    });
    sampler.start(1000);
    QTimer::singleShot(seconds * 1000, &app.main(), [&] { app.click(QStringLiteral("Stop")); });
    app.click(QStringLiteral("Run"));
    sampler.stop();

    QVERIFY(memory.size() > warmUp + 1);
    const QList<QByteArray> run = sim.commandsSince(afterConnect);
    const auto steps = std::count_if(run.cbegin(), run.cend(), [](const QByteArray &command) {
        return command.startsWith("LA");
    });
    qInfo("endless run of %d s: %d steps, %d commands; memory %lld KiB at the start, %lld after "
          "%d s, %lld at the end",
          seconds, int(steps), int(run.size()), memory.first(), memory[warmUp], warmUp,
          memory.last());
    QVERIFY(!app.module->state().prog_running);
    QVERIFY(!app.action(QStringLiteral("Run"))->isChecked());
    QCOMPARE(app.statusPanel()->text(), kConnected);
    QVERIFY(app.messages->messages.isEmpty());
    QVERIFY(steps >= 2);
    QVERIFY(descriptors.last() <= descriptors[warmUp]);
    QVERIFY2(memory.last() - memory[warmUp] < 2048,
             qPrintable(QString::number(memory.last() - memory[warmUp])));
}

QTEST_MAIN(TestFaultsSim)
#include "tst_faults_sim.moc"
