// The device link over a real pseudo-terminal against qmx7700-sim, in real time.
#include "support/fakeviews.h"
#include "support/simlink.h"

#include <QElapsedTimer>
#include <QTest>

namespace {
const QList<int> kPositions{-300, 150,  1200,  2400,  3600,  4800,  6000,  7200,
                            8400, 9600, 10800, 12000, 13200, 14400, 15600, 32767};
const QString kConnected = QStringLiteral("CONNECTED TO QMX7700");

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

QStringList withPositions(const QStringList &options) {
    return options + QStringList{QStringLiteral("--positions"), positionList(kPositions)};
}
} // namespace

class TestDeviceSim : public QObject {
    Q_OBJECT

private slots:
    void connectReadsPositions_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("H") << "H";
        QTest::newRow("A") << "A";
    }

    void connectReadsPositions() {
        QFETCH(QString, format);
        Simulator sim;
        QVERIFY(sim.start(withPositions({QStringLiteral("--format"), format})));
        Program program(sim);
        program.link.Connect();

        QCOMPARE(program.link.statusText(), kConnected);
        QCOMPARE(QList<int>(program.state.ch_pos.begin(), program.state.ch_pos.end()), kPositions);
        QCOMPARE(program.lamps.log, QStringList({"power on", "error off"}));
        QCOMPARE(sim.commandsSince(0),
                 QList<QByteArray>({"ver\\r\\n", "GPROGSEQ\\r\\n", "VER\\r", "GFS\\r"}));
    }

    void motorReachesDistantChannel() {
        // At 20000 units a second, channel 15 lies 0.8 s away: the command's one poll sees the
        // motor on its way, and the release must not stop it there.
        Simulator sim;
        QVERIFY(sim.start(withPositions({})));
        Program program(sim);
        program.link.Connect();
        QCOMPARE(program.link.statusText(), kConnected);
        QCOMPARE(program.link.GotoChannel(14), GotoResult::Sent);
        QTest::qWait(1600);

        // Sent again, the command finds the motor on the channel: all 20 polls run.
        const qsizetype before = sim.trace().size();
        QCOMPARE(program.link.GotoChannel(14), GotoResult::Sent);
        QTRY_COMPARE(sim.commandsSince(before), channelCommandTrace(15600));
    }

    void silentDeviceIsNotFound() {
        Simulator sim;
        QVERIFY(sim.start({QStringLiteral("--silent")}));
        Program program(sim);
        QElapsedTimer timer;
        timer.start();
        program.link.Connect();

        QVERIFY(timer.elapsed() >= 5500);
        QCOMPARE(program.messages.messages, QStringList{QStringLiteral("QMX-7700 not found")});
        QVERIFY(!program.port.isOpen());
        QCOMPARE(sim.trace().size(), 10);
    }

    void unplugDuringChannelCommand() {
        // The connect takes four commands; the adapter goes after the first position query.
        Simulator sim;
        QVERIFY(sim.start({QStringLiteral("--unplug-after"), QStringLiteral("7")}));
        Program program(sim);
        program.link.Connect();
        QCOMPARE(program.link.statusText(), kConnected);

        QCOMPARE(program.link.GotoChannel(2), GotoResult::Failed);
        QCOMPARE(program.link.statusText(), QStringLiteral("NOT CONNECTED"));
        QVERIFY(!program.port.isOpen() && !program.state.dev_found);
        QVERIFY(!program.status.reason.isEmpty());
        // Nothing more is tried on the closed port.
        QCOMPARE(program.link.GotoChannel(2), GotoResult::NotSent);
        QVERIFY(!program.link.QueryFault(true));
    }

    void faultHoldsConnect() {
        Simulator sim;
        QVERIFY(sim.start({QStringLiteral("--fault"), QStringLiteral("7:1000")}));
        Program program(sim);
        QElapsedTimer timer;
        timer.start();
        program.link.Connect();

        // Handshake and version take 1.2 s, the fault 1 s, the settle time 0.5 s.
        QVERIFY2(timer.elapsed() >= 2700, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(program.link.statusText(), kConnected);
        QVERIFY(program.lamps.log.contains(QStringLiteral("error on")) && !program.lamps.error);
        QVERIFY(sim.commandsSince(0).count("GFS\\r") >= 10);
    }
};

QTEST_GUILESS_MAIN(TestDeviceSim)
#include "tst_device_sim.moc"
