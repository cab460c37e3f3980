// Faults that show only over time, in virtual time: ten thousand connect cycles through the
// application module, and a stop served in the middle of a wait.
#include "core/globalstate.h"
#include "device/devicelink.h"
#include "program/waits.h"
#include "support/apprig.h"
#include "support/procstats.h"
#include "support/scriptedport.h"
#include "support/virtualclock.h"

#include <QTest>

namespace {
// A QMX-7700 that answers at once and reports no fault.
QByteArray device(const QByteArray &written) {
    if (written == "GPROGSEQ\r\n") {
        QByteArray table = "GPROGSEQ\r\nQMX-7700\r\n16 channels\r\npositions\r\n";
        for (int channel = 1; channel <= kChannelCount; ++channel)
            table += "H" + QByteArray::number(channel + 10) + " " +
                     QByteArray::number(channel * 100) + "\r\n";
        return table;
    }
    if (written == "VER\r")
        return "Version 2.10\r\n";
    return written == "GFS\r" ? "0\r\n" : QByteArray();
}
} // namespace

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void connectCycles();
    void stopEndsTheWaitWhereItIsServed_data();
    void stopEndsTheWaitWhereItIsServed();
};

void TestFaults::connectCycles() {
    AppRig app;
    ScriptedPort *port = nullptr;
    auto clock = std::make_unique<VirtualClock>();
    clock->setOnServeEvents([] { QCoreApplication::processEvents(); });
    VirtualClock &virtualTime = *clock;
    app.build(
        [&](SettingsStore &) {
            auto scripted = std::make_unique<ScriptedPort>(virtualTime);
            scripted->setResponder(device);
            port = scripted.get();
            return scripted;
        },
        std::move(clock));
    app.module->startUp();
    QCOMPARE(app.module->link().statusText(), QStringLiteral("CONNECTED TO QMX7700"));

    port->clearWrites();
    constexpr int kCycles = 10000;
    int connected = 0;
    const Growth growth = growthOver(kCycles, 10, [&] {
        app.click(QStringLiteral("mnuToolsmnuDisconnect"));
        app.click(QStringLiteral("mnuToolsmnuConnect"));
        // A repeated connect identifies the device and asks for a fault, nothing else.
        const bool identified = port->writtenBytes() == QList<QByteArray>{"VER\r", "GFS\r"};
        connected += identified && app.module->state().dev_found && port->isOpen() ? 1 : 0;
        // The test's own record of the writes would grow.
        port->clearWrites();
        QCoreApplication::processEvents();
    });
    qInfo("%d connect cycles: %d more descriptors, %lld KiB more memory after the tenth", kCycles,
          growth.fds, growth.kib);
    QCOMPARE(connected, kCycles);
    QVERIFY2(growth.fds <= 0, qPrintable(QString::number(growth.fds)));
    // Any leak of some 200 bytes a cycle or more breaks this bound.
    QVERIFY2(!grewLikeALeak(growth.kib), qPrintable(QString::number(growth.kib)));
}

void TestFaults::stopEndsTheWaitWhereItIsServed_data() {
    QTest::addColumn<int>("round"); // in which the stop request is served

    QTest::newRow("first round") << 1;
    QTest::newRow("fifth round") << 5;
}

void TestFaults::stopEndsTheWaitWhereItIsServed() {
    QFETCH(int, round);

    VirtualClock clock;
    GlobalState state;
    state.prog_running = true;
    Waits waits(clock, state);
    int served = 0;
    clock.setOnServeEvents([&] {
        if (++served == round)
            RequestStop(state);
    });
    const qint64 start = clock.nowMs();
    waits.WaitMs(60000);

    // The rounds before the stop slept their 10 ms; the wait sleeps no round after it.
    QCOMPARE(served, round);
    QCOMPARE(clock.nowMs() - start, qint64(10 * (round - 1)));
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
