// The device link to the simulator across TCP on the loopback, as to a device behind ser2net or
// socat on another machine: one socat serves the simulator's terminal on a TCP port, a second
// one gives the program a pseudo-terminal connected to that port. Real serial stack, real time.
#include "support/simlink.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {
// One socat, started and waited for until its log line says it has got as far as `ready`.
class Socat {
public:
    ~Socat() {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }

    // The first match of `ready` in socat's log, or an empty match when it never came.
    QRegularExpressionMatch start(const QStringList &addresses, const QRegularExpression &ready) {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("socat"),
                        QStringList{QStringLiteral("-d"), QStringLiteral("-d")} + addresses);
        QByteArray log;
        while (m_process.waitForReadyRead(5000)) {
            log += m_process.readAll();
            const QRegularExpressionMatch match = ready.match(QString::fromLocal8Bit(log));
            if (match.hasMatch())
                return match;
        }
        qWarning("socat: %s", log.constData());
        return {};
    }

private:
    QProcess m_process;
};

// Waits until input is ready on the terminal at `path` without taking it: the test opens the
// terminal itself and polls it.
bool inputWaiting(const QString &path) {
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    pollfd terminal{fd, POLLIN, 0};
    const bool ready = ::poll(&terminal, 1, 5000) == 1;
    ::close(fd);
    return ready;
}
} // namespace

class TestRemoteSim : public QObject {
    Q_OBJECT

private slots:
    void connectMoveAndReconnect();
};

void TestRemoteSim::connectMoveAndReconnect() {
    if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
        QSKIP("socat is not installed");

    Simulator sim;
    QVERIFY(sim.start({QStringLiteral("--speed"), QStringLiteral("0")}));
    Socat server;
    const QRegularExpressionMatch listening =
        server.start({QStringLiteral("tcp-listen:0,bind=127.0.0.1,reuseaddr"),
                      QStringLiteral("file:%1,raw,echo=0,b9600").arg(sim.linkPath())},
                     QRegularExpression(QStringLiteral("listening on .*127\\.0\\.0\\.1:(\\d+)")));
    QVERIFY(listening.hasMatch());
    const QString terminal = sim.filePath(QStringLiteral("remote"));
    Socat client;
    QVERIFY(client
                .start({QStringLiteral("pty,link=%1,raw,echo=0").arg(terminal),
                        QStringLiteral("tcp:127.0.0.1:%1").arg(listening.captured(1))},
                       QRegularExpression(QStringLiteral("starting data transfer loop")))
                .hasMatch());

    SimLink program(sim, terminal);
    program.link.Connect();
    QCOMPARE(program.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
    QCOMPARE(int(program.state.ch_pos[15]), 16000);

    qsizetype before = sim.trace().size();
    QCOMPARE(program.link.GotoChannel(2), GotoResult::Sent);
    QTRY_COMPARE(sim.commandsSince(before), channelCommandTrace(3000));

    // A reply that comes after the program has stopped listening waits in the terminal while
    // the port is closed; the reconnect must not take it for the answer to its version query.
    QVERIFY(program.port.write("POS\r"));
    program.link.Disconnect();
    QCOMPARE(program.link.statusText(), QStringLiteral("NOT CONNECTED"));
    QVERIFY(inputWaiting(terminal));

    before = sim.trace().size();
    program.link.Connect();
    QCOMPARE(program.link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
    QCOMPARE(sim.commandsSince(before), (QList<QByteArray>{"VER\\r", "GFS\\r"}));
    QCOMPARE(program.link.GotoChannel(0), GotoResult::Sent);
}

QTEST_GUILESS_MAIN(TestRemoteSim)
#include "tst_remote_sim.moc"
