// The device link over a real pseudo-terminal against qmx7700-sim, in real time.
#include "support/fakeviews.h"
#include "support/simlink.h"

#include <QElapsedTimer>
#include <QTest>

namespace {
const QList<int> kPositions{-300, 150,  1200,  2400,  3600,  4800,  6000,  7200,
                            8400, 9600, 10800, 12000, 13200, 14400, 15600, 32767};

// The link with the lamps and status it reports to.
struct Program : SimLink {
    explicit Program(const Simulator &sim)
        : SimLink(sim) {
        link.setViews(LinkViews{&status, {&lamps}, nullptr, nullptr, nullptr});
    }
    FakeStatus status;
    FakeLamps lamps;
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
        QCOMPARE(program.lamps.log.mid(0, 2), QStringList({"power on", "error on"}));
        QCOMPARE(program.lamps.log.last(), QStringLiteral("error off"));
        const QList<QByteArray> commands = sim.commandsSince(0);
        QCOMPARE(commands.mid(0, 3), QList<QByteArray>({"ver\\r\\n", "GPROGSEQ\\r\\n", "VER\\r"}));
        QVERIFY(commands.count("GFS\\r") >= 10);
    }
};

QTEST_GUILESS_MAIN(TestDeviceSim)
#include "tst_device_sim.moc"
