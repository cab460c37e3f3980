// The device link over a real pseudo-terminal against qmx7700-sim, in real time.
#include "support/signallog.h"
#include "support/simlink.h"

#include <QElapsedTimer>
#include <QTest>

#include <ctime>

namespace {
const QList<int> kPositions{-300, 150,  1200,  2400,  3600,  4800,  6000,  7200,
                            8400, 9600, 10800, 12000, 13200, 14400, 15600, 32767};

// The link and what it reports.
struct Program : SimLink {
    explicit Program(const Simulator &sim)
        : SimLink(sim) {
        log.watch(link);
    }
    QStringList lamps() const { return log.starting({"power", "error"}); }
    SignalLog log;
};
} // namespace

class TestDeviceSim : public QObject {
    Q_OBJECT

private slots:
    // A connect reads the table in either form, and holds while the device reports a fault.
    void connect_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("H") << "H";
        QTest::newRow("A") << "A";
    }

    void connect() {
        QFETCH(QString, format);
        Simulator sim;
        QVERIFY(sim.start({QStringLiteral("--format"), format, QStringLiteral("--positions"),
                           positionList(kPositions), QStringLiteral("--fault"),
                           QStringLiteral("7:1000")}));
        Program program(sim);
        QElapsedTimer timer;
        timer.start();
        program.link.Connect();

        // Handshake and version take 1.2 s, the fault 1 s, the settle time 0.5 s.
        QVERIFY2(timer.elapsed() >= 2700, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(program.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
        QCOMPARE(QList<int>(program.state.ch_pos.begin(), program.state.ch_pos.end()), kPositions);
        QCOMPARE(program.lamps().mid(0, 2), QStringList({"power on", "error on"}));
        QCOMPARE(program.lamps().last(), QStringLiteral("error off"));
        const QList<QByteArray> commands = sim.commandsSince(0);
        QCOMPARE(commands.mid(0, 3), QList<QByteArray>({"ver\\r\\n", "GPROGSEQ\\r\\n", "VER\\r"}));
        QVERIFY(commands.count("GFS\\r") >= 10);
    }

    // The adapter is pulled while the program is connected and waits for the user: the link goes
    // down at once and the program sleeps; a connect afterwards works.
    void unplugWhileIdle() {
        Simulator sim;
        // After the connect's fault query, in its settle time: the connect still ends up.
        QVERIFY(sim.start({QStringLiteral("--unplug-after"), QStringLiteral("4")}));
        Program program(sim);
        program.link.Connect();
        QCOMPARE(program.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));

        QTRY_COMPARE_WITH_TIMEOUT(program.link.statusText(), QStringLiteral("NOT CONNECTED"), 1000);
        QVERIFY(!program.port.isOpen());
        QVERIFY(!program.state.dev_found);
        QVERIFY2(program.log.reason.contains(sim.linkPath()), qPrintable(program.log.reason));
        // The process's own CPU time over a second: it was most of a core.
        const std::clock_t cpuBefore = std::clock();
        QTest::qWait(1000);
        QVERIFY2(std::clock() - cpuBefore < CLOCKS_PER_SEC / 20,
                 qPrintable(QString::number(std::clock() - cpuBefore)));

        QVERIFY(sim.start());
        program.link.Connect();
        QCOMPARE(program.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
    }

    // A device that chatters while the program waits for the user, then falls quiet: the next
    // command reads its own reply and nothing of the chatter.
    void noiseWhileIdle() {
        Simulator sim;
        QVERIFY(sim.start({QStringLiteral("--noise-after"), QStringLiteral("4:1500"),
                           QStringLiteral("--speed"), QStringLiteral("0")}));
        Program program(sim);
        program.link.Connect();
        QTest::qWait(2000);
        QCOMPARE(program.link.GotoChannel(3), GotoResult::Sent);
        QCOMPARE(program.log.reason, QString());
    }
};

QTEST_GUILESS_MAIN(TestDeviceSim)
#include "tst_device_sim.moc"
