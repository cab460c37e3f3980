// The device link over a real pseudo-terminal against qmx7700-sim, in real time.
#include "support/fakelinkviews.h"
#include "support/simlink.h"

#include <QElapsedTimer>
#include <QTest>

namespace {
const QList<int> kPositions{-300, 150,  1200,  2400,  3600,  4800,  6000,  7200,
                            8400, 9600, 10800, 12000, 13200, 14400, 15600, 32767};

// The link with the lamps, status and messages it reports to.
struct Program : SimLink {
    explicit Program(const Simulator &sim)
        : SimLink(sim) {
        link.setViews(LinkViews{&status, {&lamps}, &messages, nullptr, nullptr});
    }

    FakeStatus status;
    FakeLamps lamps;
    FakeMessages messages;
};
} // namespace

class TestDeviceSim : public QObject {
    Q_OBJECT

private slots:
    void connectReadsPositions_data();
    void connectReadsPositions();
    void gotoChannelTrace();
    void motorReachesDistantChannel();
    void silentDeviceIsNotFound();
    void unplugDuringChannelCommand();
    void faultHoldsConnect();
};

void TestDeviceSim::connectReadsPositions_data() {
    QTest::addColumn<QString>("format");
    QTest::newRow("H") << "H";
    QTest::newRow("A") << "A";
}

void TestDeviceSim::connectReadsPositions() {
    QFETCH(QString, format);

    Simulator sim;
    QVERIFY(sim.start({QStringLiteral("--format"), format, QStringLiteral("--positions"),
                       positionList(kPositions)}));
    Program program(sim);
    program.link.Connect();

    QCOMPARE(program.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
    QVERIFY(program.state.dev_found);
    for (int channel = 0; channel < kChannelCount; ++channel)
        QCOMPARE(int(program.state.ch_pos[channel]), kPositions[channel]);
    QVERIFY(program.lamps.power);
    QVERIFY(!program.lamps.error);
    const QList<QByteArray> expected{"ver\\r\\n", "GPROGSEQ\\r\\n", "VER\\r", "GFS\\r"};
    QCOMPARE(sim.commandsSince(0), expected);
}

void TestDeviceSim::gotoChannelTrace() {
    Simulator sim;
    QVERIFY(sim.start({QStringLiteral("--positions"), positionList(kPositions),
                       QStringLiteral("--speed"), QStringLiteral("0")}));
    Program program(sim);
    program.link.Connect();
    QCOMPARE(program.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
    const qsizetype before = sim.trace().size();

    QCOMPARE(program.link.GotoChannel(4), GotoResult::Sent);

    // An instant motor stays on its position, inside the window: all 20 polls run.
    QList<QByteArray> expected{"LA3600\\r", "M\\r"};
    for (int poll = 0; poll < 20; ++poll)
        expected << "POS\\r"
                 << "GFS\\r";
    expected << "LR0\\r"
             << "M\\r";
    QTRY_COMPARE(sim.commandsSince(before), expected);
}

void TestDeviceSim::motorReachesDistantChannel() {
    // At 20000 units a second, channel 15 lies 0.8 s away: the command's one poll sees the motor
    // on its way, and the release must not stop it there.
    Simulator sim;
    QVERIFY(sim.start({QStringLiteral("--positions"), positionList(kPositions)}));
    Program program(sim);
    program.link.Connect();
    QCOMPARE(program.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
    QCOMPARE(program.link.GotoChannel(14), GotoResult::Sent);
    QTest::qWait(1600);

    // Sent again, the command finds the motor on the channel: all 20 polls run.
    const qsizetype before = sim.trace().size();
    QCOMPARE(program.link.GotoChannel(14), GotoResult::Sent);
    QTRY_COMPARE(sim.commandsSince(before).count("POS\\r"), 20);
}

void TestDeviceSim::silentDeviceIsNotFound() {
    Simulator sim;
    QVERIFY(sim.start({QStringLiteral("--silent")}));
    Program program(sim);
    QElapsedTimer timer;
    timer.start();
    program.link.Connect();

    QVERIFY(timer.elapsed() >= 5500);
    QCOMPARE(program.link.statusText(), QStringLiteral("NOT CONNECTED"));
    QCOMPARE(program.messages.messages, QStringList{QStringLiteral("QMX-7700 not found")});
    QVERIFY(!program.port.isOpen());
    QCOMPARE(sim.trace().size(), 10);
}

void TestDeviceSim::unplugDuringChannelCommand() {
    // The connect takes four commands; the adapter goes after the first position query.
    Simulator sim;
    QVERIFY(sim.start({QStringLiteral("--unplug-after"), QStringLiteral("7")}));
    Program program(sim);
    program.link.Connect();
    QCOMPARE(program.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));

    QCOMPARE(program.link.GotoChannel(2), GotoResult::Failed);
    QCOMPARE(program.link.statusText(), QStringLiteral("NOT CONNECTED"));
    QVERIFY(!program.port.isOpen());
    QVERIFY(!program.state.dev_found);
    QVERIFY(!program.status.reason.isEmpty());
    QVERIFY(sim.waitForExit(5000));
    QCOMPARE(sim.exitCode(), 0);

    // Nothing more is tried on the closed port.
    QCOMPARE(program.link.GotoChannel(2), GotoResult::NotSent);
    QVERIFY(!program.link.QueryFault(true));
}

void TestDeviceSim::faultHoldsConnect() {
    Simulator sim;
    QVERIFY(sim.start({QStringLiteral("--fault"), QStringLiteral("7:1000")}));
    Program program(sim);
    QElapsedTimer timer;
    timer.start();
    program.link.Connect();

    // Handshake and version take 1.2 s, the fault 1 s, the settle time 0.5 s.
    QVERIFY2(timer.elapsed() >= 2700, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(program.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
    QVERIFY(!program.lamps.error);
    QVERIFY(program.lamps.log.contains(QStringLiteral("error on")));
    int faultQueries = 0;
    for (const Simulator::Command &command : sim.trace())
        faultQueries += command.bytes == "GFS\\r" ? 1 : 0;
    QVERIFY2(faultQueries >= 10, qPrintable(QString::number(faultQueries)));
}

QTEST_GUILESS_MAIN(TestDeviceSim)
#include "tst_device_sim.moc"
